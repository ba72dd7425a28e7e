// The C boundary of libspecest.so: thin wrappers over specest::run_job; no exception leaves.
#include "c_status.h"
#include "engine_api.h"
#include "job_reader.h"
#include "modern_estimate.h"
#include "specest/job_record.hpp"
#include "specest/specest.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstring>
#include <string>

namespace {

std::string job_name(const char* name, int32_t length) {
    std::string s(name, static_cast<std::size_t>(length));
    // Fixed-length names arrive padded with blanks or NULs.
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

void write_scalars(const specest::RunResult& r, int32_t* nptsZ, int32_t* npointsZ, float* t_startZ,
                   float* t_finalZ, float* zeroFillZ, float* sig2Z) {
    if (r.status == specest::RunStatus::success) {
        *nptsZ = r.npts;
        *npointsZ = r.n_freq_pts;
        *t_startZ = r.t_start;
    }
    *t_finalZ = r.t_final;
    *zeroFillZ = r.status == specest::RunStatus::success ? r.zero_fill : -99.0f;
    *sig2Z = r.sig2;
}

namespace rec = specest::record;

void put_message(char* message, int32_t cap, const std::string& text) {
    if (!message || cap <= 0) return;
    const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(cap) - 1);
    std::memcpy(message, text.data(), n);
    message[n] = '\0';
}

// A caller's struct is usable when it holds at least the members of the first version.
template <class T> bool known_size(const T* p, std::size_t first_version) {
    return p && p->size >= first_version && p->size <= sizeof(T);
}
constexpr std::size_t kParamsV1 = offsetof(specest_params, profile);
constexpr std::size_t kParamsV12 = sizeof(specest_params);
constexpr std::size_t kOutput64V1 = sizeof(specest_output64);
constexpr std::size_t kOutputV1 = sizeof(specest_output);
constexpr std::size_t kCapacityV1 = sizeof(specest_capacity_info);
constexpr std::size_t kMethodInfoV1 = sizeof(specest_method_info);

specest::EstimateParams to_params(const specest_params& p) {
    specest::EstimateParams e;
    e.method = p.method;
    e.complex_data = p.complex_data != 0;
    e.npoints = p.npoints;
    e.twosided = p.twosided != 0;
    e.npoles = p.npoles;
    e.nzeros = p.nzeros;
    e.eps = p.eps;
    e.mode = p.mode;
    e.m_eqs = p.m_eqs;
    e.l_pts = p.l_pts;
    e.m_lags = p.m_lags;
    e.nit = p.nit;
    e.per = p.per;
    e.window = p.window ? p.window : "Rectangular";
    e.npts = p.npts;
    return e;
}

template <class T> void put(float* dst, int32_t cap, const std::vector<T>& v) {
    if (!dst || cap <= 0 || v.empty()) return;
    const std::size_t n = std::min<std::size_t>(v.size(), static_cast<std::size_t>(cap));
    if constexpr (std::is_same_v<T, float>)
        std::memcpy(dst, v.data(), n * sizeof(float));
    else
        for (std::size_t i = 0; i < n; ++i) {
            dst[2 * i] = v[i].real();
            dst[2 * i + 1] = v[i].imag();
        }
}

int32_t deliver(const specest::Estimate& e, specest_output* out) {
    out->n_freq = static_cast<int32_t>(e.freqs.size());
    put(out->freqs, out->grid_cap, e.freqs);
    put(out->db, out->grid_cap, e.db);
    put(out->power, out->grid_cap, e.power);
    out->n_a = static_cast<int32_t>(e.a.size());
    out->n_b = static_cast<int32_t>(e.b.size());
    out->n_reflection = static_cast<int32_t>(e.reflection.size());
    put(out->a, out->coef_cap, e.a);
    put(out->b, out->coef_cap, e.b);
    put(out->reflection, out->coef_cap, e.reflection);
    out->n_peaks = static_cast<int32_t>(e.peaks.size());
    for (std::size_t i = 0; i < e.peaks.size() && static_cast<int32_t>(i) < out->peak_cap; ++i) {
        if (out->peak_freqs) out->peak_freqs[i] = e.peaks[i].freq;
        if (out->peak_db) out->peak_db[i] = e.peaks[i].db;
    }
    out->sig2 = e.sig2;
    out->zero_fill = e.zero_fill;
    out->npts = e.npts;
    out->t_start = e.t_start;
    out->t_final = e.t_final;
    out->iterations = e.iterations;
    out->akaike_status = e.akaike_status;
    out->method = e.method;
    put_message(out->message, out->message_cap, e.message);
    if (out->report_sink && !e.report.empty())
        out->report_sink(e.report.data(), static_cast<int32_t>(e.report.size()), out->report_user);
    return specest::c_status_code(e.status);
}

// A caller's grid arrays must hold what the run will write; refused before it runs.
bool grid_fits(long long grid, specest_output* out, const char* what) {
    if (grid <= 0 || (!out->freqs && !out->db && !out->power) || out->grid_cap >= grid) return true;
    put_message(out->message, out->message_cap,
                "grid_cap " + std::to_string(out->grid_cap) + " is below the " +
                    std::to_string(grid) + " points this " + what + " needs");
    return false;
}

constexpr int32_t kMaxPeaks = rec::kMaxPeaks;
// The texts of kRanges below spell these limits out.
static_assert(rec::kMaxPoles == 210 && rec::kMaxZeros == 200 && rec::kMaxOrder == 411 &&
                  rec::kMaxFreqPoints == 16777216 && rec::kMaxIterations == 9999,
              "kRanges quotes the limits of job_record.hpp");

// The answer of a capacity query: the sizes, or why the settings have none.
int32_t answer_capacity(long long grid, const std::string& why, specest_capacity_info* out,
                        char* message, int32_t message_cap) {
    if (grid <= 0) {
        put_message(message, message_cap, why);
        return SPECEST_INVALID_INPUT;
    }
    out->grid = static_cast<int32_t>(grid);
    out->coef = rec::kMaxOrder;
    out->peaks = kMaxPeaks;
    return SPECEST_SUCCESS;
}

// Accepted ranges, as the job reader and the driver check them.
constexpr std::array<const char*, rec::kFieldCount> kRanges = {
    "any text",
    "a readable data file",
    "header_lines >= 0",
    "npts >= 0 (0: every sample)",
    "R (real) or C (complex)",
    "time format code",
    "one of the fourteen methods",
    "Y or N",
    "1 <= nfft <= 16777216, rounded up to a power of two",
    "0 <= order <= 210 and order < npts and order <= min(nfft, 411)",
    "0 <= zeros <= 200 and zeros < npts",
    "a real number; pivots below eps end the fit",
    "0 or 1",
    "order + zeros + 2 <= m_eqs <= npts",
    "Durbin: zeros <= l_pts <= min(nfft, 411); Mayne-Firoozan: 1 <= l_pts <= min(nfft, 411); "
    "MVSE: 2 <= l_pts (grid points)",
    "1 <= m_lags and 2 * m_lags + 2 <= npts",
    "1 <= nit <= 9999",
    "a percentage: the iteration stops when sig2 changes by less",
    "Rectangular, Barlett, Hanning, Hamming or Blackman (the periodogram window)",
    "any text",
    "any text",
};

} // namespace

// A member of version 1.2, or the fallback when the caller's struct is older.
#define SPECEST_V12(p, member, fallback)                                                           \
    ((p).size >= offsetof(specest_params, member) + sizeof((p).member) ? (p).member : (fallback))

bool modern(const specest_params& p) {
    return SPECEST_V12(p, profile, int32_t{SPECEST_PROFILE_CLASSIC}) == SPECEST_PROFILE_MODERN;
}

specest::ModernParams to_modern(const specest_params& p) {
    specest::ModernParams m;
    m.method = p.method;
    m.complex_data = p.complex_data != 0;
    m.nfft = p.npoints;
    m.onesided = p.twosided == 0;
    const double fs = SPECEST_V12(p, fs, 0.0);
    m.fs = fs > 0 ? fs : (p.dt > 0 ? 1.0 / p.dt : fs);
    if (const char* w = p.window) m.window = w;
    if (const char* d = SPECEST_V12(p, detrend, static_cast<const char*>(nullptr))) m.detrend = d;
    if (const char* sc = SPECEST_V12(p, scaling, static_cast<const char*>(nullptr))) m.scaling = sc;
    const double* wv = SPECEST_V12(p, window_values, static_cast<const double*>(nullptr));
    const int32_t wl = SPECEST_V12(p, window_len, int32_t{0});
    if (wv && wl > 0) m.window_values.assign(wv, wv + wl);
    m.order = p.npoles;
    m.zeros = p.nzeros;
    m.eps = p.eps;
    m.mode = p.mode;
    m.m_eqs = p.m_eqs;
    m.l_pts = p.l_pts;
    m.m_lags = p.m_lags;
    m.nit = p.nit;
    m.per = p.per;
    m.peak_prominence_db = SPECEST_V12(p, peak_prominence_db, 3.0);
    return m;
}

void put64(double* dst, int32_t cap, const std::vector<double>& v) {
    if (!dst || cap <= 0 || v.empty()) return;
    std::memcpy(dst, v.data(),
                std::min<std::size_t>(v.size(), static_cast<std::size_t>(cap)) * sizeof(double));
}
template <class C> void put64c(double* dst, int32_t cap, const std::vector<C>& v) {
    if (!dst || cap <= 0) return;
    const std::size_t n = std::min<std::size_t>(v.size(), static_cast<std::size_t>(cap));
    for (std::size_t i = 0; i < n; ++i) {
        dst[2 * i] = v[i].real();
        dst[2 * i + 1] = v[i].imag();
    }
}

// grid: the points the estimate wrote into out's arrays itself, or null when the grid is in e.
int32_t deliver64(const specest::ModernEstimate& e, specest_output64* out,
                  const specest::ModernGridArrays* grid = nullptr) {
    if (grid) {
        out->n_freq = static_cast<int32_t>(grid->count);
    } else {
        out->n_freq = static_cast<int32_t>(e.freqs.size());
        put64(out->freqs, out->grid_cap, e.freqs);
        put64(out->psd, out->grid_cap, e.psd);
        put64(out->db, out->grid_cap, e.db);
    }
    out->n_a = static_cast<int32_t>(e.a.size());
    out->n_b = static_cast<int32_t>(e.b.size());
    out->n_reflection = static_cast<int32_t>(e.reflection.size());
    put64c(out->a, out->coef_cap, e.a);
    put64c(out->b, out->coef_cap, e.b);
    put64c(out->reflection, out->coef_cap, e.reflection);
    out->n_peaks = static_cast<int32_t>(e.peaks.size());
    for (std::size_t i = 0; i < e.peaks.size() && static_cast<int32_t>(i) < out->peak_cap; ++i)
        if (out->peaks) {
            out->peaks[3 * i] = e.peaks[i].freq;
            out->peaks[3 * i + 1] = e.peaks[i].density;
            out->peaks[3 * i + 2] = e.peaks[i].prominence_db;
        }
    out->sig2 = e.sig2;
    out->npts = e.npts;
    out->nfft = e.nfft;
    out->onesided = e.onesided ? 1 : 0;
    out->iterations = e.iterations;
    out->akaike_status = e.akaike_status;
    out->method = e.method;
    put_message(out->message, out->message_cap, e.message);
    if (out->report_sink && !e.report.empty())
        out->report_sink(e.report.data(), static_cast<int32_t>(e.report.size()), out->report_user);
    return specest::c_status_code(e.status);
}

// A modern result in the float arrays of the file-run entry (db: 10 log10 of the density).
specest::Estimate narrowed(const specest::ModernEstimate& m) {
    specest::Estimate e;
    e.status = m.status;
    e.message = m.message;
    e.method = m.method;
    e.method_name = m.method_name;
    e.freqs.assign(m.freqs.begin(), m.freqs.end());
    e.db.assign(m.db.begin(), m.db.end());
    e.power.assign(m.psd.begin(), m.psd.end());
    e.a.assign(m.a.begin(), m.a.end());
    e.b.assign(m.b.begin(), m.b.end());
    e.reflection.assign(m.reflection.begin(), m.reflection.end());
    for (const auto& p : m.peaks)
        e.peaks.push_back({static_cast<float>(p.freq),
                           static_cast<float>(10.0 * std::log10(std::max(p.density, 1e-300)))});
    e.sig2 = static_cast<float>(m.sig2);
    e.zero_fill = 0.0f;
    e.npts = m.npts;
    e.iterations = m.iterations;
    e.akaike_status = m.akaike_status;
    e.report = m.report;
    return e;
}

// The classic profile through the double entry: the float run, its results widened.
specest::ModernEstimate classic_widened(const specest_params& p, const double* samples, int32_t n,
                                        bool want_report) {
    const auto count = static_cast<std::size_t>(n) * (p.complex_data ? 2 : 1);
    std::vector<float> x(count);
    for (std::size_t i = 0; i < count; ++i) x[i] = static_cast<float>(samples[i]);
    const double* t64 = SPECEST_V12(p, times64, static_cast<const double*>(nullptr));
    specest::Samples s;
    if (p.complex_data)
        s.complex = {reinterpret_cast<const std::complex<float>*>(x.data()),
                     static_cast<std::size_t>(n)};
    else
        s.real = {x.data(), static_cast<std::size_t>(n)};
    if (t64) {
        s.times64 = {t64, static_cast<std::size_t>(n)};
    } else if (p.times) {
        s.times = {p.times, static_cast<std::size_t>(n)};
    }
    s.dt = p.dt;
    specest::EstimateOptions o;
    o.want_report = want_report;
    const specest::Estimate c = specest::estimate(to_params(p), s, o);
    specest::ModernEstimate e;
    e.status = c.status;
    e.message = c.message;
    e.method = c.method;
    e.freqs.assign(c.freqs.begin(), c.freqs.end());
    e.psd.assign(c.power.begin(), c.power.end());
    e.db.assign(c.db.begin(), c.db.end());
    e.a.assign(c.a.begin(), c.a.end());
    e.b.assign(c.b.begin(), c.b.end());
    e.reflection.assign(c.reflection.begin(), c.reflection.end());
    e.sig2 = c.sig2;
    for (const auto& pk : c.peaks) e.peaks.push_back({pk.freq, pk.db, 0.0});
    e.npts = c.npts;
    e.nfft = static_cast<int>(c.freqs.size());
    e.onesided = p.twosided == 0;
    e.iterations = c.iterations;
    e.akaike_status = c.akaike_status;
    e.report = c.report;
    return e;
}

extern "C" {

SPECEST_API void specest_for(const char* fileNam, float* x_array, float* spectrum, int32_t* nptsZ,
                             int32_t* npointsZ, float* t_startZ, float* t_finalZ, float* zeroFillZ,
                             float* sig2Z, int32_t length) {
    try {
        if (!fileNam || !x_array || !spectrum || !nptsZ || !npointsZ || !t_startZ || !t_finalZ ||
            !zeroFillZ || !sig2Z || length < 0) {
            if (zeroFillZ) *zeroFillZ = -99.0f;
            return;
        }
        const auto cap = static_cast<std::size_t>(std::max<int32_t>(*npointsZ, 0));
        specest::RunOptions opt;
        opt.pause_after_peaks = true; // the classic entry keeps its pause
        const specest::RunResult r =
            specest::run_job(job_name(fileNam, length), {x_array, cap}, {spectrum, cap}, opt);
        write_scalars(r, nptsZ, npointsZ, t_startZ, t_finalZ, zeroFillZ, sig2Z);
    } catch (...) {
        *zeroFillZ = -99.0f;
    }
}

SPECEST_API int32_t specest_run(const char* job_path, int32_t job_path_len, const char* report_dir,
                                int32_t flags, float* x_array, float* spectrum, int32_t* nptsZ,
                                int32_t* npointsZ, float* t_startZ, float* t_finalZ,
                                float* zeroFillZ, float* sig2Z, char* message,
                                int32_t message_cap) {
    try {
        if (message && message_cap > 0) message[0] = '\0';
        if (!job_path || !x_array || !spectrum || !nptsZ || !npointsZ || !t_startZ || !t_finalZ ||
            !zeroFillZ || !sig2Z || job_path_len < 0)
            return SPECEST_INVALID_ARGUMENT;
        specest::RunOptions opt;
        if (report_dir) opt.report_dir = report_dir;
        opt.pause_after_peaks = (flags & SPECEST_NO_PAUSE) == 0;
        const auto cap = static_cast<std::size_t>(std::max<int32_t>(*npointsZ, 0));
        const specest::RunResult r = specest::run_job(job_name(job_path, job_path_len),
                                                      {x_array, cap}, {spectrum, cap}, opt);
        write_scalars(r, nptsZ, npointsZ, t_startZ, t_finalZ, zeroFillZ, sig2Z);
        if (message && message_cap > 0 && r.status == specest::RunStatus::stopped) {
            const std::size_t n = std::min<std::size_t>(r.stop_text.size(),
                                                        static_cast<std::size_t>(message_cap) - 1);
            std::memcpy(message, r.stop_text.data(), n);
            message[n] = '\0';
        }
        return static_cast<int32_t>(r.status);
    } catch (...) {
        if (zeroFillZ) *zeroFillZ = -99.0f;
        return SPECEST_STOPPED;
    }
}

SPECEST_API const char* specest_version(void) {
    return SPECEST_VERSION_STRING;
}

SPECEST_API void specest_params_init(specest_params* p) {
    if (!p) return;
    std::memset(p, 0, sizeof *p);
    p->size = sizeof *p;
    p->npoints = 512;
    p->npoles = p->nzeros = p->mode = p->m_eqs = p->l_pts = p->m_lags = p->nit = SPECEST_UNUSED;
    p->eps = p->per = static_cast<float>(SPECEST_UNUSED);
    p->dt = 1.0;
}

SPECEST_API void specest_output_init(specest_output* out) {
    if (!out) return;
    std::memset(out, 0, sizeof *out);
    out->size = sizeof *out;
}

SPECEST_API int32_t specest_capacity(const specest_params* p, specest_capacity_info* out,
                                     char* message, int32_t message_cap) {
    try {
        put_message(message, message_cap, "");
        if (!known_size(p, kParamsV1) || !known_size(out, kCapacityV1))
            return SPECEST_INVALID_ARGUMENT;
        std::string why;
        const long long grid = specest::estimate_capacity(to_params(*p), &why);
        return answer_capacity(grid, why, out, message, message_cap);
    } catch (...) {
        return SPECEST_STOPPED;
    }
}

SPECEST_API int32_t specest_estimate(const specest_params* p, const float* samples, int32_t n,
                                     specest_output* out) {
    try {
        if (!known_size(out, kOutputV1)) return SPECEST_INVALID_ARGUMENT;
        put_message(out->message, out->message_cap, "");
        if (!known_size(p, kParamsV1) || (!samples && n > 0) || n < 0)
            return SPECEST_INVALID_ARGUMENT;
        const specest::EstimateParams params = to_params(*p);
        if (!grid_fits(specest::estimate_capacity(params), out, "estimate"))
            return SPECEST_INVALID_ARGUMENT;
        specest::Samples s;
        const auto count = static_cast<std::size_t>(n);
        if (p->complex_data)
            s.complex = {reinterpret_cast<const std::complex<float>*>(samples), count};
        else
            s.real = {samples, count};
        if (p->times) s.times = {p->times, count};
        if (const double* t = SPECEST_V12((*p), times64, static_cast<const double*>(nullptr)))
            s.times64 = {t, count};
        s.dt = p->dt;
        specest::EstimateOptions options;
        options.want_report = out->report_sink != nullptr;
        return deliver(specest::estimate(params, s, options), out);
    } catch (...) {
        return SPECEST_STOPPED;
    }
}

SPECEST_API void specest_params_init64(specest_params* p) {
    if (!p) return;
    specest_params_init(p);
    p->profile = SPECEST_PROFILE_MODERN;
    p->npoints = 0;
    p->fs = 1.0;
    p->peak_prominence_db = 3.0;
}

SPECEST_API void specest_output_init64(specest_output64* out) {
    if (!out) return;
    std::memset(out, 0, sizeof *out);
    out->size = sizeof *out;
}

SPECEST_API int32_t specest_capacity64(const specest_params* p, int32_t n,
                                       specest_capacity_info* out, char* message,
                                       int32_t message_cap) {
    try {
        put_message(message, message_cap, "");
        if (!known_size(p, kParamsV1) || !known_size(out, kCapacityV1) || n < 0)
            return SPECEST_INVALID_ARGUMENT;
        std::string why;
        if (!modern(*p)) {
            const long long grid = specest::estimate_capacity(to_params(*p), &why);
            return answer_capacity(grid, why, out, message, message_cap);
        }
        const specest::ModernParams m = to_modern(*p);
        const long long grid = specest::estimate_capacity(m, n, &why);
        if (grid <= 0) {
            put_message(message, message_cap, why);
            return SPECEST_INVALID_INPUT;
        }
        out->grid = static_cast<int32_t>(grid);
        out->coef = std::max({m.order, m.zeros, 0}) + 1;
        out->peaks = kMaxPeaks;
        return SPECEST_SUCCESS;
    } catch (...) {
        return SPECEST_STOPPED;
    }
}

SPECEST_API int32_t specest_estimate64(const specest_params* p, const double* samples, int32_t n,
                                       specest_output64* out) {
    try {
        if (!known_size(out, kOutput64V1)) return SPECEST_INVALID_ARGUMENT;
        put_message(out->message, out->message_cap, "");
        if (!known_size(p, kParamsV1) || (!samples && n > 0) || n < 0)
            return SPECEST_INVALID_ARGUMENT;
        const bool want_report = out->report_sink != nullptr;
        if (!modern(*p)) return deliver64(classic_widened(*p, samples, n, want_report), out);
        const specest::ModernParams m = to_modern(*p);
        std::string why;
        const long long grid = specest::estimate_capacity(m, n, &why);
        if (grid > 0 && (out->freqs || out->psd || out->db) && out->grid_cap < grid - 1) {
            put_message(out->message, out->message_cap,
                        "grid_cap " + std::to_string(out->grid_cap) + " is below the " +
                            std::to_string(grid - 1) + " points this estimate needs");
            return SPECEST_INVALID_ARGUMENT;
        }
        specest::Samples64 s;
        const auto count = static_cast<std::size_t>(n);
        if (p->complex_data)
            s.complex = {reinterpret_cast<const std::complex<double>*>(samples), count};
        else
            s.real = {samples, count};
        if (const double* t = SPECEST_V12((*p), times64, static_cast<const double*>(nullptr)))
            s.times = {t, count};
        specest::EstimateOptions options;
        options.want_report = want_report;
        options.want_peaks = out->peaks != nullptr && out->peak_cap > 0;
        options.want_db = out->db != nullptr || options.want_peaks;
        // The grid goes straight into the caller's arrays.
        specest::ModernGridArrays arrays;
        arrays.freqs = out->freqs;
        arrays.psd = out->psd;
        arrays.db = out->db;
        arrays.cap = static_cast<std::size_t>(std::max(out->grid_cap, 0));
        const specest::ModernEstimate e = specest::estimate_into(m, s, options, arrays);
        return deliver64(e, out, &arrays);
    } catch (...) {
        return SPECEST_STOPPED;
    }
}

SPECEST_API int32_t specest_run_file(const char* job_path, const char* report_dir, int32_t flags,
                                     specest_output* out) {
    try {
        if (!known_size(out, kOutputV1)) return SPECEST_INVALID_ARGUMENT;
        put_message(out->message, out->message_cap, "");
        if (!job_path) return SPECEST_INVALID_ARGUMENT;
        if (!grid_fits(specest::file_capacity(job_path), out, "job"))
            return SPECEST_INVALID_ARGUMENT;
        if (flags & SPECEST_PROFILE_MODERN) {
            specest::EstimateOptions o;
            o.want_report = out->report_sink != nullptr;
            return deliver(narrowed(specest::run_job_file_modern(job_path, o)), out);
        }
        specest::RunOptions opt;
        if (report_dir) opt.report_dir = report_dir;
        opt.pause_after_peaks = (flags & SPECEST_NO_PAUSE) == 0;
        opt.keep_report = out->report_sink != nullptr; // the run's own text, not the shared file
        return deliver(specest::run_job_file(job_path, opt), out);
    } catch (...) {
        return SPECEST_STOPPED;
    }
}

SPECEST_API int32_t specest_run_file_modern(const char* job_path, specest_output64* out) {
    try {
        if (!known_size(out, kOutput64V1)) return SPECEST_INVALID_ARGUMENT;
        put_message(out->message, out->message_cap, "");
        if (!job_path) return SPECEST_INVALID_ARGUMENT;
        const long long grid = specest::file_capacity(job_path);
        if (grid > 0 && (out->freqs || out->psd || out->db) && out->grid_cap < grid) {
            put_message(out->message, out->message_cap,
                        "grid_cap " + std::to_string(out->grid_cap) + " is below the " +
                            std::to_string(grid) + " points this job needs");
            return SPECEST_INVALID_ARGUMENT;
        }
        specest::EstimateOptions options;
        options.want_report = out->report_sink != nullptr;
        options.want_peaks = out->peaks != nullptr && out->peak_cap > 0;
        options.want_db = out->db != nullptr || options.want_peaks;
        return deliver64(specest::run_job_file_modern(job_path, options), out);
    } catch (...) {
        return SPECEST_STOPPED;
    }
}

SPECEST_API int32_t specest_file_capacity(const char* job_path, specest_capacity_info* out,
                                          char* message, int32_t message_cap) {
    try {
        put_message(message, message_cap, "");
        if (!job_path || !known_size(out, kCapacityV1)) return SPECEST_INVALID_ARGUMENT;
        std::string why;
        const long long grid = specest::file_capacity(job_path, &why);
        return answer_capacity(grid, why, out, message, message_cap);
    } catch (...) {
        return SPECEST_STOPPED;
    }
}

SPECEST_API int32_t specest_read_job(const char* job_path, char* text, int32_t text_cap,
                                     char* message, int32_t message_cap) {
    try {
        put_message(message, message_cap, "");
        if (text && text_cap > 0) text[0] = '\0';
        if (!job_path) return SPECEST_INVALID_ARGUMENT;
        std::array<std::string, rec::kJobLines> values;
        std::string why;
        if (!specest::read_job(job_path, values, why)) {
            put_message(message, message_cap, why);
            return SPECEST_INVALID_INPUT;
        }
        std::string all;
        for (const std::string& v : values) all += v + '\n';
        if (!text || text_cap < 0 || all.size() >= static_cast<std::size_t>(text_cap)) {
            put_message(message, message_cap,
                        "text_cap " + std::to_string(text_cap) + " is below the " +
                            std::to_string(all.size() + 1) + " bytes the values of " + job_path +
                            " need");
            return SPECEST_INVALID_ARGUMENT;
        }
        std::memcpy(text, all.data(), all.size());
        text[all.size()] = '\0';
        return SPECEST_SUCCESS;
    } catch (...) {
        return SPECEST_STOPPED;
    }
}

SPECEST_API int32_t specest_method(int32_t number, specest_method_info* info) {
    const auto* m = rec::method_info(number);
    if (!m || !known_size(info, kMethodInfoV1)) return SPECEST_INVALID_ARGUMENT;
    // The names are literals of the table, so they end in NUL.
    info->number = number;
    info->engine_name = m->engine_name.data();
    info->form_name = m->form_name.data();
    info->short_name = m->short_name.data();
    info->settings = m->settings;
    info->real_only = m->real_only ? 1 : 0;
    info->parametric = m->parametric ? 1 : 0;
    return SPECEST_SUCCESS;
}

SPECEST_API const char* specest_field_name(int32_t line) {
    if (line < 1 || line > rec::kFieldCount) return nullptr;
    return rec::kFields[static_cast<std::size_t>(line - 1)].key.data();
}

SPECEST_API const char* specest_field_range(int32_t line) {
    if (line < 1 || line > rec::kFieldCount) return nullptr;
    return kRanges[static_cast<std::size_t>(line - 1)];
}

} // extern "C"
