// Feeds arbitrary settings and samples to the in-memory estimate. The first bytes choose the
// settings (each from a mix of typical, limit and raw values), the rest make the samples.
// Checked: no crash, a known status, a message on refusal, and on success a finite spectrum
// of consistent size with its maximum at 0 dB.
#include "engine_api.h"

#include <climits>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

// Larger grids only cost time and memory; the engine's own range checks are still reached
// through estimate_capacity, which rejects out-of-range settings before any grid exists.
constexpr long long kMaxGrid = 1 << 16;

class Bytes {
  public:
    Bytes(const uint8_t* data, size_t size) : p_(data), n_(size) {}
    uint8_t u8() {
        if (n_ == 0) return 0;
        --n_;
        return *p_++;
    }
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | u8();
        return v;
    }
    float f32() {
        const uint32_t b = u32();
        float f;
        std::memcpy(&f, &b, sizeof f);
        return f;
    }
    size_t left() const { return n_; }

  private:
    const uint8_t* p_;
    size_t n_;
};

int int_setting(Bytes& in) {
    static constexpr int kLimits[] = {
        0,   -1,  1,   2,   3,   INT_MAX, INT_MIN, 1 << 16, (1 << 16) + 1, 1 << 24, (1 << 24) + 1,
        210, 211, 411, 412, 200, 201};
    switch (in.u8() % 8) {
    case 0:
        return -999;
    case 1:
        return in.u8();
    case 2:
        return static_cast<int8_t>(in.u8());
    case 3:
        return kLimits[in.u8() % (sizeof kLimits / sizeof kLimits[0])];
    case 4:
        return static_cast<int>(in.u32());
    default:
        return in.u8() % 40;
    }
}

float real_setting(Bytes& in) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    static const float kLimits[] = {
        0.0f, -1.0f, inf, -inf, std::numeric_limits<float>::quiet_NaN(), 1e38f, 1e-44f, 100.0f};
    switch (in.u8() % 6) {
    case 0:
        return -999.0f;
    case 1:
        return std::pow(10.0f, -static_cast<float>(in.u8() % 40));
    case 2:
        return kLimits[in.u8() % (sizeof kLimits / sizeof kLimits[0])];
    case 3:
        return in.f32();
    default:
        return static_cast<float>(in.u8()) / 10.0f;
    }
}

std::string window_setting(Bytes& in) {
    static const char* const kNames[] = {"Rectangular", "Hanning",   "Hamming", "Blackman",
                                         "Barlett",     "Rectangle", ""};
    const unsigned k = in.u8() % 8;
    if (k < 7) return kNames[k];
    std::string s(in.u8() % 24, ' ');
    for (char& c : s) c = static_cast<char>(in.u8());
    return s;
}

double dt_setting(Bytes& in) {
    static const double kValues[] = {1.0,      1e-44, 0.0,  -1.0,  std::nan(""),
                                     HUGE_VAL, 1e-3,  1e30, 1e-300};
    const unsigned k = in.u8() % 10;
    return k < 9 ? kValues[k] : static_cast<double>(in.f32());
}

float special(uint8_t b) {
    static const float kValues[] = {std::numeric_limits<float>::quiet_NaN(),
                                    std::numeric_limits<float>::infinity(),
                                    1e37f,
                                    -1e37f,
                                    1e-40f,
                                    1e10f};
    return kValues[b % 6];
}

// Sample values: small integers, raw bit patterns, small integers with special values, or
// two sinusoids in noise (so the estimators get past their input checks and do real work).
std::vector<float> values(Bytes& in, unsigned encoding, size_t count_hint) {
    std::vector<float> v;
    switch (encoding) {
    case 0:
        while (in.left() > 0) v.push_back(static_cast<int8_t>(in.u8()) / 16.0f);
        break;
    case 1:
        while (in.left() >= 4) v.push_back(in.f32());
        break;
    case 2:
        while (in.left() > 0) {
            const uint8_t b = in.u8();
            v.push_back(b >= 0xF8 ? special(in.u8()) : static_cast<int8_t>(b) / 8.0f);
        }
        break;
    default: {
        const float f1 = in.u8() / 256.0f, f2 = in.u8() / 256.0f, a2 = in.u8() / 64.0f;
        const float noise = in.u8() / 256.0f;
        uint32_t seed = in.u32() | 1u;
        v.resize(count_hint);
        for (size_t i = 0; i < v.size(); ++i) {
            seed = seed * 1664525u + 1013904223u;
            const float e = (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f) * noise;
            const auto t = static_cast<float>(i);
            v[i] = std::cos(6.2831853f * f1 * t) + a2 * std::cos(6.2831853f * f2 * t + 1.0f) + e;
        }
    }
    }
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes in(data, size);
    specest::EstimateParams p;
    p.method = in.u8() % 16;
    const uint8_t flags = in.u8();
    p.complex_data = flags & 1;
    p.twosided = flags & 2;
    const bool with_times = flags & 4;
    const bool want_report = flags & 8;
    const unsigned encoding = (flags >> 4) & 3;
    const unsigned time_kind = (flags >> 6) & 3;
    p.npoints = int_setting(in);
    p.npoles = int_setting(in);
    p.nzeros = int_setting(in);
    p.eps = real_setting(in);
    p.mode = int_setting(in);
    p.m_eqs = int_setting(in);
    p.l_pts = int_setting(in);
    p.m_lags = int_setting(in);
    p.nit = int_setting(in);
    p.per = real_setting(in);
    p.window = window_setting(in);
    p.npts = int_setting(in);
    const double dt = dt_setting(in);
    const size_t synth_count = 8 + (in.u32() % 2048);

    std::string why;
    const long long cap = specest::estimate_capacity(p, &why);
    if (cap > kMaxGrid) return 0;
    if (cap <= 0 && why.empty()) __builtin_trap();

    std::vector<float> raw = values(in, encoding, synth_count);
    std::vector<float> real;
    std::vector<std::complex<float>> cplx;
    if (p.complex_data)
        for (size_t i = 0; i + 1 < raw.size(); i += 2) cplx.emplace_back(raw[i], raw[i + 1]);
    else
        real = std::move(raw);
    const size_t n = p.complex_data ? cplx.size() : real.size();

    std::vector<float> times;
    if (with_times) {
        times.resize(time_kind == 2 ? n + 1 : n);
        for (size_t i = 0; i < times.size(); ++i) {
            const auto t = static_cast<float>(i) * static_cast<float>(dt);
            times[i] = time_kind == 3 ? -t : time_kind == 1 ? t * t : t;
        }
    }
    specest::Samples s;
    s.real = real;
    s.complex = cplx;
    s.times = times;
    s.dt = dt;

    specest::EstimateOptions opt;
    opt.want_report = want_report;
    const specest::Estimate e = specest::estimate(p, s, opt);
    if (std::getenv("SPECEST_FUZZ_VERBOSE")) // for triage: what each unit reaches
        std::fprintf(stderr, "method %d, %zu samples: status %d, %zu points; %s\n", p.method, n,
                     static_cast<int>(e.status), e.db.size(), e.message.c_str());

    switch (e.status) {
    case specest::EstimateStatus::success:
        break;
    case specest::EstimateStatus::estimator_failure:
    case specest::EstimateStatus::stopped:
    case specest::EstimateStatus::invalid_input:
        if (e.message.empty()) __builtin_trap();
        return 0;
    default:
        __builtin_trap();
    }
    // Success: settings the capacity check refused must not have produced a spectrum.
    if (cap <= 0) __builtin_trap();
    const size_t m = e.db.size();
    if (m == 0 || static_cast<long long>(m) > cap || e.freqs.size() != m || e.power.size() != m)
        __builtin_trap();
    if (e.npts < 1 || static_cast<size_t>(e.npts) > n) __builtin_trap();
    for (size_t i = 0; i < m; ++i)
        if (!std::isfinite(e.freqs[i]) || !std::isfinite(e.db[i]) || !std::isfinite(e.power[i]) ||
            e.db[i] > 1e-3f)
            __builtin_trap();
    if (!std::isfinite(e.sig2)) __builtin_trap();
    for (const auto& pk : e.peaks)
        if (!std::isfinite(pk.freq) || !std::isfinite(pk.db)) __builtin_trap();
    return 0;
}
