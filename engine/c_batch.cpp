// The C batch entry: every record through the one-record path of its profile, so each record's
// bits are that call's; the records run on the engine's threads. The modern grid goes straight
// into the caller's rows, nothing kept per record.
#include "batch.h"
#include "c_status.h"
#include "modern_estimate.h"
#include "specest/specest.h"

#include <algorithm>
#include <complex>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

// The modern parameters of a C parameter set (c_entry.cpp).
specest::ModernParams to_modern(const specest_params& p);

namespace {

// A member the caller's (possibly older) struct has.
template <class T, class M> bool has(const T& s, const M& member) {
    const auto end = reinterpret_cast<const char*>(&member) + sizeof member;
    return end <= reinterpret_cast<const char*>(&s) + s.size;
}

constexpr std::size_t kParamsV1 = offsetof(specest_params, profile);

std::size_t at(int32_t r, int32_t width) {
    return static_cast<std::size_t>(r) * static_cast<std::size_t>(std::max(width, 0));
}

// The points on the modern grid of p for n samples (0: the settings have no grid).
int32_t modern_points(const specest::ModernParams& m, int32_t n) {
    const long long cap = specest::estimate_capacity(m, n, nullptr);
    if (cap <= 0) return 0;
    const long long nfft = cap - 1;
    return static_cast<int32_t>(m.onesided && !m.complex_data ? nfft / 2 + 1 : nfft);
}

template <class T> T* row(T* base, int32_t r, int32_t width) {
    return base ? base + at(r, width) : nullptr;
}

// One thread's scratch for the classic profile's single-precision call.
struct ClassicScratch {
    std::vector<float> x, freqs, db, power, a, b, reflection, peak_freqs, peak_db;
};

template <class T> void widen(double* dst, const std::vector<T>& src, int32_t count) {
    if (!dst) return;
    const auto n = std::min<std::size_t>(static_cast<std::size_t>(std::max(count, 0)), src.size());
    std::copy_n(src.begin(), n, dst);
}

struct Grid {
    std::vector<double> freqs;
    int32_t n_freq = -1;
    int32_t record = -1;
};

template <class C> void put_pairs(double* dst, int32_t cap, const std::vector<C>& v) {
    if (!dst) return;
    const auto n = std::min<std::size_t>(v.size(), static_cast<std::size_t>(std::max(cap, 0)));
    for (std::size_t i = 0; i < n; ++i) {
        dst[2 * i] = v[i].real();
        dst[2 * i + 1] = v[i].imag();
    }
}

void put_text(char* dst, int32_t cap, const std::string& text) {
    if (!dst || cap <= 0) return;
    const auto n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(cap) - 1);
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

// Record r in the modern profile: estimate_into straight into the caller's rows (the grid of
// the thread's first success into its own freqs), as specest_estimate64 does for one record.
int32_t modern_record(const specest::ModernParams& m, const specest::EstimateOptions& options,
                      const double* x, bool cplx, const double* times, int32_t n, int32_t r,
                      specest_batch_output64& out, Grid& grid, int32_t& nfft, int32_t& onesided) {
    specest::Samples64 s;
    const auto count = static_cast<std::size_t>(n);
    if (cplx)
        s.complex = {reinterpret_cast<const std::complex<double>*>(x), count};
    else
        s.real = {x, count};
    if (times) s.times = {times, count};
    specest::ModernGridArrays g;
    g.freqs = out.freqs && grid.record < 0 ? grid.freqs.data() : nullptr;
    g.psd = row(out.psd, r, out.grid_cap);
    g.db = row(out.db, r, out.grid_cap);
    g.cap = static_cast<std::size_t>(std::max(out.grid_cap, 0));
    if (g.freqs) g.cap = std::min(g.cap, grid.freqs.size()); // never past the thread's grid
    const specest::ModernEstimate e = specest::estimate_into(m, s, options, g);
    put_pairs(row(out.a, r, 2 * out.coef_cap), out.coef_cap, e.a);
    put_pairs(row(out.b, r, 2 * out.coef_cap), out.coef_cap, e.b);
    put_pairs(row(out.reflection, r, 2 * out.coef_cap), out.coef_cap, e.reflection);
    if (double* pk = row(out.peaks, r, 3 * out.peak_cap))
        for (std::size_t i = 0; i < e.peaks.size() && i < static_cast<std::size_t>(out.peak_cap);
             ++i) {
            pk[3 * i] = e.peaks[i].freq;
            pk[3 * i + 1] = e.peaks[i].density;
            pk[3 * i + 2] = e.peaks[i].prominence_db;
        }
    put_text(row(out.messages, r, out.message_cap), out.message_cap, e.message);
    if (out.n_a) out.n_a[r] = static_cast<int32_t>(e.a.size());
    if (out.n_b) out.n_b[r] = static_cast<int32_t>(e.b.size());
    if (out.n_reflection) out.n_reflection[r] = static_cast<int32_t>(e.reflection.size());
    if (out.n_peaks) out.n_peaks[r] = static_cast<int32_t>(e.peaks.size());
    if (out.sig2) out.sig2[r] = e.sig2;
    if (out.npts) out.npts[r] = e.npts;
    if (out.iterations) out.iterations[r] = e.iterations;
    if (out.akaike_status) out.akaike_status[r] = e.akaike_status;
    if (out.zero_fill) out.zero_fill[r] = 0;
    if (out.t_start) out.t_start[r] = 0;
    if (out.t_final) out.t_final[r] = 0;
    if (e.status != specest::EstimateStatus::success) return specest::c_status_code(e.status);
    if (grid.record < 0) {
        grid.record = r;
        grid.n_freq = static_cast<int32_t>(g.count);
        nfft = e.nfft;
        onesided = e.onesided ? 1 : 0;
    }
    return SPECEST_SUCCESS;
}

// Record r in the classic profile: specest_estimate on the samples rounded to float (as
// specest_estimate64 does), its results widened into the caller's rows.
int32_t classic_record(const specest_params& p, const double* x, int32_t n, int32_t r,
                       specest_batch_output64& out, ClassicScratch& s, Grid& grid, int32_t& nfft,
                       int32_t& onesided) {
    const std::size_t count = static_cast<std::size_t>(n) * (p.complex_data ? 2 : 1);
    s.x.resize(count);
    for (std::size_t i = 0; i < count; ++i) s.x[i] = static_cast<float>(x[i]);
    const auto g = static_cast<std::size_t>(std::max(out.grid_cap, 0));
    const auto c = 2 * static_cast<std::size_t>(std::max(out.coef_cap, 0));
    const auto k = static_cast<std::size_t>(std::max(out.peak_cap, 0));
    s.freqs.resize(g);
    s.db.resize(g);
    s.power.resize(g);
    s.a.resize(c);
    s.b.resize(c);
    s.reflection.resize(c);
    s.peak_freqs.resize(k);
    s.peak_db.resize(k);
    specest_output o;
    specest_output_init(&o);
    o.freqs = s.freqs.data();
    o.db = s.db.data();
    o.power = s.power.data();
    o.grid_cap = out.grid_cap;
    o.a = s.a.data();
    o.b = s.b.data();
    o.reflection = s.reflection.data();
    o.coef_cap = out.coef_cap;
    o.peak_freqs = s.peak_freqs.data();
    o.peak_db = s.peak_db.data();
    o.peak_cap = out.peak_cap;
    o.message = row(out.messages, r, out.message_cap);
    o.message_cap = out.messages ? out.message_cap : 0;
    const int32_t st = specest_estimate(&p, s.x.data(), n, &o);
    const int32_t nf = std::min(o.n_freq, out.grid_cap);
    widen(row(out.psd, r, out.grid_cap), s.power, nf);
    widen(row(out.db, r, out.grid_cap), s.db, nf);
    const int32_t cc = out.coef_cap;
    widen(row(out.a, r, 2 * cc), s.a, 2 * std::min(o.n_a, cc));
    widen(row(out.b, r, 2 * cc), s.b, 2 * std::min(o.n_b, cc));
    widen(row(out.reflection, r, 2 * cc), s.reflection, 2 * std::min(o.n_reflection, cc));
    if (double* pk = row(out.peaks, r, 3 * out.peak_cap))
        for (int32_t i = 0; i < std::min(o.n_peaks, out.peak_cap); ++i) {
            pk[3 * i] = s.peak_freqs[static_cast<std::size_t>(i)];
            pk[3 * i + 1] = s.peak_db[static_cast<std::size_t>(i)];
            pk[3 * i + 2] = 0.0;
        }
    if (out.n_a) out.n_a[r] = o.n_a;
    if (out.n_b) out.n_b[r] = o.n_b;
    if (out.n_reflection) out.n_reflection[r] = o.n_reflection;
    if (out.n_peaks) out.n_peaks[r] = o.n_peaks;
    if (out.sig2) out.sig2[r] = o.sig2;
    if (out.npts) out.npts[r] = o.npts;
    if (out.iterations) out.iterations[r] = o.iterations;
    if (out.akaike_status) out.akaike_status[r] = o.akaike_status;
    if (out.zero_fill) out.zero_fill[r] = o.zero_fill;
    if (out.t_start) out.t_start[r] = o.t_start;
    if (out.t_final) out.t_final[r] = o.t_final;
    if (st == SPECEST_SUCCESS && grid.record < 0) {
        grid.record = r;
        grid.n_freq = o.n_freq;
        grid.freqs.assign(s.freqs.begin(), s.freqs.begin() + std::max(nf, 0));
        nfft = static_cast<int32_t>(o.n_freq);
        onesided = p.twosided == 0;
    }
    return st;
}

} // namespace

extern "C" {

SPECEST_API void specest_batch_output_init64(specest_batch_output64* out) {
    if (!out) return;
    std::memset(out, 0, sizeof *out);
    out->size = sizeof *out;
}

SPECEST_API int32_t specest_estimate_batch64(const specest_params* p, const double* samples,
                                             int32_t records, int32_t n,
                                             specest_batch_output64* out) {
    try {
        if (!out || out->size != sizeof *out || !out->status) return SPECEST_INVALID_ARGUMENT;
        out->n_freq = 0;
        out->failed = 0;
        if (!p || p->size < kParamsV1 || p->size > sizeof *p || records < 0 || n < 0 ||
            (!samples && records > 0 && n > 0) || (out->messages && out->message_cap < 0))
            return SPECEST_INVALID_ARGUMENT;
        const bool modern = has(*p, p->profile) && p->profile == SPECEST_PROFILE_MODERN;
        specest_params q{};
        std::memcpy(&q, p, p->size);
        std::vector<float> times;
        if (!modern && has(*p, p->times64) && p->times64) {
            // As specest_estimate64 does: the classic run takes its times in float.
            times.assign(p->times64, p->times64 + n);
            q.times = times.data();
        }
        const std::size_t stride = static_cast<std::size_t>(n) * (p->complex_data ? 2 : 1);
        specest::ModernParams m;
        specest::EstimateOptions options;
        int32_t grid_points = 0;
        if (modern) {
            m = to_modern(q);
            // The rows need only hold the grid (the capacity query's grid always does).
            const int32_t points = modern_points(m, n);
            if (records > 0 && points > 0 && (out->freqs || out->psd || out->db) &&
                out->grid_cap < points) {
                if (out->messages && out->message_cap > 0)
                    put_text(out->messages, out->message_cap,
                             "grid_cap " + std::to_string(out->grid_cap) + " is below the " +
                                 std::to_string(points) + " points this estimate needs");
                return SPECEST_INVALID_ARGUMENT;
            }
            options.want_peaks = out->peaks != nullptr && out->peak_cap > 0;
            options.want_db = out->db != nullptr || options.want_peaks;
            grid_points = std::max(points, 0);
        }
        const double* times64 = modern && has(*p, p->times64) ? p->times64 : nullptr;

        const int parts =
            specest::batch::parts_for_records(records, specest::batch::record_work(n, p->npoles));
        std::vector<Grid> grids(static_cast<std::size_t>(parts));
        if (modern && out->freqs)
            for (Grid& g : grids) g.freqs.resize(static_cast<std::size_t>(grid_points));
        std::vector<ClassicScratch> scratch(modern ? 0 : static_cast<std::size_t>(parts));
        std::vector<int32_t> nffts(static_cast<std::size_t>(parts));
        std::vector<int32_t> sides(static_cast<std::size_t>(parts));
        specest::batch::for_each_record(records, parts, [&](int part, int r) {
            const auto i = static_cast<std::size_t>(part);
            const double* x = samples ? samples + stride * static_cast<std::size_t>(r) : nullptr;
            out->status[r] =
                modern ? modern_record(m, options, x, p->complex_data != 0, times64, n, r, *out,
                                       grids[i], nffts[i], sides[i])
                       : classic_record(q, x, n, r, *out, scratch[i], grids[i], nffts[i], sides[i]);
        });

        // The grid of the lowest record that succeeded (every success has the same grid).
        int best = -1;
        for (int i = 0; i < parts; ++i)
            if (grids[static_cast<std::size_t>(i)].record >= 0 &&
                (best < 0 || grids[static_cast<std::size_t>(i)].record <
                                 grids[static_cast<std::size_t>(best)].record))
                best = i;
        if (best >= 0) {
            const Grid& g = grids[static_cast<std::size_t>(best)];
            out->n_freq = g.n_freq;
            out->nfft = nffts[static_cast<std::size_t>(best)];
            out->onesided = sides[static_cast<std::size_t>(best)];
            if (out->freqs)
                std::copy_n(g.freqs.begin(),
                            std::min<std::size_t>(
                                g.freqs.size(),
                                static_cast<std::size_t>(std::clamp(g.n_freq, 0, out->grid_cap))),
                            out->freqs);
        }
        int32_t first = SPECEST_SUCCESS;
        for (int32_t r = 0; r < records; ++r)
            if (out->status[r] != SPECEST_SUCCESS) {
                if (out->failed++ == 0) first = out->status[r];
            }
        return first;
    } catch (...) {
        return SPECEST_STOPPED;
    }
}

} // extern "C"
