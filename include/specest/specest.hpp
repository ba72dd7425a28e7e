// C++ interface of libspecest, header-only over the C ABI of specest.h: a program that uses it
// links only the library's exported C entry points, so any C++20 compiler and standard library
// will do. The library's structs are filled through its init functions (their size member is
// the version); results are std::vector; a result carries its status and message (the C
// status and stop text), and specest::check turns a failed one into a specest::Error.
#ifndef SPECEST_SPECEST_HPP
#define SPECEST_SPECEST_HPP

#ifdef SPECEST_ENGINE_API_H
#error "engine_api.h and specest/specest.hpp are two interfaces; include one of them"
#endif

#include "specest.h"

#include <algorithm>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace specest {
// The types of this header get their own mangled names, apart from the library's inside.
inline namespace cxx1 {

// ---- Statuses and errors -------------------------------------------------------------------

enum class RunStatus {
    success = SPECEST_SUCCESS, // the arrays hold a spectrum (zero_fill may be any value, even -99)
    estimator_failure = SPECEST_ESTIMATOR_FAILURE, // the estimator failed; the run report says why
    stopped = SPECEST_STOPPED // input error or resource failure; stop_text says why
};

enum class EstimateStatus {
    success = SPECEST_SUCCESS,                     // the result holds a spectrum
    estimator_failure = SPECEST_ESTIMATOR_FAILURE, // the estimator failed; message says why
    stopped = SPECEST_STOPPED,                     // a resource failure (memory)
    invalid_input = SPECEST_INVALID_INPUT,         // a setting or the samples are out of range
    invalid_argument = SPECEST_INVALID_ARGUMENT    // the library refused the call itself
};

// A failed call as an exception: the C status (SPECEST_*) and the library's text.
class Error : public std::runtime_error {
  public:
    Error(int32_t status, const std::string& message)
        : std::runtime_error(message), status_(status) {}
    int32_t status() const noexcept { return status_; }

  private:
    int32_t status_;
};

// ---- Runs of job files into caller arrays --------------------------------------------------

struct RunOptions {
    std::string report_dir;         // where "~Lumetra.out" goes; empty means the current directory
    bool pause_after_peaks = false; // the 2-second pause after the peak table (specest_for's)
    bool keep_report = false;       // run_job_file: the run's report text in Estimate::report
};

struct RunResult {
    RunStatus status = RunStatus::stopped;
    std::string stop_text;   // why the run stopped
    std::string report_path; // the run report written
    int32_t npts = 0;        // data points read and used (0 unless success)
    int32_t n_freq_pts = 0;  // output points (0 unless success)
    float t_start = 0;       // 0 unless success
    float t_final = 0;
    float zero_fill = -99.0f; // zero-fill percentage; -99 when no spectrum was produced
    float sig2 = 0;
};

// ---- Estimation from samples in memory (the classic profile) -------------------------------

// The settings of one estimate: the job file's lines 4..19. -999 marks a setting the method
// does not use (as in a job file); ranges and rules are those of the job file.
struct EstimateParams {
    int method = 0; // 1..14, as specest_method numbers them
    bool complex_data = false;
    int npoints = 512; // rounded up to a power of two
    bool twosided = false;
    int npoles = SPECEST_UNUSED;
    int nzeros = SPECEST_UNUSED;
    float eps = SPECEST_UNUSED;
    int mode = SPECEST_UNUSED;
    int m_eqs = SPECEST_UNUSED;
    int l_pts = SPECEST_UNUSED;
    int m_lags = SPECEST_UNUSED;
    int nit = SPECEST_UNUSED;
    float per = SPECEST_UNUSED;
    std::string window = "Rectangular";
    int npts = 0; // samples to use; 0: all
};

// Samples: `real` for real data, `complex` for complex data (as complex_data says). Time
// values, when given (one per sample), take the place of the sampling interval dt.
struct Samples {
    std::span<const float> real;
    std::span<const std::complex<float>> complex;
    std::span<const float> times;
    double dt = 1.0;
    std::span<const double> times64; // time values in double precision (instead of times)
};

struct Peak {
    float freq;
    float db;
};

struct Estimate {
    EstimateStatus status = EstimateStatus::stopped;
    std::string message; // why, unless success
    int method = 0;
    std::string method_name; // as the run report prints it ("BURG")
    std::vector<float> freqs;
    std::vector<float> db;                 // exactly what a job run returns in its spectrum array
    std::vector<float> power;              // the magnitudes before the dB conversion
    std::vector<std::complex<float>> a, b; // model a(1..p), b(1..q); empty for non-parametric
    std::vector<std::complex<float>> reflection; // Yule-Walker and Burg
    std::vector<Peak> peaks;                     // as the report's peak table lists them
    float sig2 = 0;                              // 0 for methods that fit no model
    float zero_fill = -99.0f;
    float t_start = 0;
    float t_final = 0;
    int npts = 0;          // samples used
    int iterations = 0;    // Akaike: iterations run
    int akaike_status = 0; // Akaike: its flag (0 converged)
    std::string report;    // the run report, when asked for
    bool ok() const noexcept { return status == EstimateStatus::success; }
};

struct EstimateOptions {
    bool want_report = false;
    bool want_db = true;    // modern: the dB values (10 log10 of the density)
    bool want_peaks = true; // modern: the peak table (needs the dB values)
};

// ---- The modern profile: double precision with scipy's conventions -------------------------

// Settings of a modern estimate. A setting left at -999 (or an empty text) takes the method's
// default; the names are the Python keywords. The library takes eps and per in single
// precision.
struct ModernParams {
    int method = 0; // 1..14
    bool complex_data = false;
    int nfft = 0;                      // grid points; 0: the method's default
    bool onesided = true;              // ignored (two-sided) for complex data
    double fs = 1.0;                   // sampling frequency; times, when given, decide it instead
    std::string window;                // periodogram: a scipy window name ("" : boxcar)
    std::vector<double> window_values; // or the window itself, one value per sample used
    std::string detrend = "constant";  // "constant", "linear" or "none"
    std::string scaling = "density";   // "density" (units^2/Hz) or "spectrum" (units^2)
    int order = SPECEST_UNUSED;
    int zeros = SPECEST_UNUSED;
    double eps = SPECEST_UNUSED;
    int mode = SPECEST_UNUSED;
    int m_eqs = SPECEST_UNUSED;
    int l_pts = SPECEST_UNUSED;
    int m_lags = SPECEST_UNUSED;
    int nit = SPECEST_UNUSED;
    double per = SPECEST_UNUSED;
    double peak_prominence_db = 3.0; // peaks less prominent than this are left out
};

struct Samples64 {
    std::span<const double> real;
    std::span<const std::complex<double>> complex;
    std::span<const double> times; // optional: time of every sample (the first and last count)
};

struct ModernPeak {
    double freq;
    double density; // the spectrum's value at the peak (in the call's scaling)
    double prominence_db;
};

struct ModernEstimate {
    EstimateStatus status = EstimateStatus::stopped;
    std::string message;
    int method = 0;
    std::string method_name;   // the scripting name ("burg")
    std::vector<double> freqs; // one-sided 0..fs/2, or two-sided in numpy's fftfreq order
    std::vector<double> psd;   // density (or spectrum, as scaled)
    std::vector<double> db;    // 10 log10(psd); a zero gets 10 log10 of the least normal double
    std::vector<std::complex<double>> a, b, reflection;
    double sig2 = 0;               // driving-noise variance (0 for methods that fit no model)
    std::vector<ModernPeak> peaks; // most prominent first
    bool onesided = true;
    int npts = 0;
    int nfft = 0;
    int iterations = 0;
    int akaike_status = 0;
    std::string report;
    bool ok() const noexcept { return status == EstimateStatus::success; }
};

// ---- Batches: many records of one length, one parameter set --------------------------------

// Record r's spectrum is row r of the row-major arrays; fits[r] holds its status, message (cut
// to 1023 bytes), model, peaks and scalars (its own grid arrays are left empty).
struct ModernBatch {
    int records = 0;
    int n_freq = 0;
    std::vector<double> freqs;   // the grid, the same for every record
    std::vector<double> psd, db; // records x n_freq (zeros in the row of a failed record)
    std::vector<ModernEstimate> fits;
    int failed = 0; // records whose status is not success
    bool ok() const noexcept { return failed == 0; }
};

struct ClassicBatch {
    int records = 0;
    int n_freq = 0;
    std::vector<float> freqs;
    std::vector<float> db, power; // records x n_freq
    std::vector<Estimate> fits;
    int failed = 0;
    bool ok() const noexcept { return failed == 0; }
};

// ---- How the calls meet the C ABI ----------------------------------------------------------

namespace detail {

inline constexpr int32_t kMessageCap = 1 << 16; // a failure's text: the estimator's lines
inline constexpr int32_t kBatchMessageCap = 1024;
inline constexpr int32_t kNoStatus = std::numeric_limits<int32_t>::min();

// A NUL-terminated message the library writes into.
struct MessageBuffer {
    std::string buf = std::string(static_cast<std::size_t>(kMessageCap), '\0');
    char* data() noexcept { return buf.data(); }
    static constexpr int32_t cap() noexcept { return kMessageCap; }
    std::string text() const { return std::string(buf.c_str()); }
};

inline void keep_text(const char* text, int32_t length, void* user) noexcept {
    try {
        static_cast<std::string*>(user)->assign(text,
                                                static_cast<std::size_t>(std::max(length, 0)));
    } catch (...) { // no exception crosses the library; the report is then left out
    }
}

inline EstimateStatus estimate_status(int32_t s) noexcept {
    switch (s) {
    case SPECEST_SUCCESS:
        return EstimateStatus::success;
    case SPECEST_ESTIMATOR_FAILURE:
        return EstimateStatus::estimator_failure;
    case SPECEST_INVALID_INPUT:
        return EstimateStatus::invalid_input;
    case SPECEST_INVALID_ARGUMENT:
        return EstimateStatus::invalid_argument;
    default:
        return EstimateStatus::stopped;
    }
}

inline std::string method_name(int method, bool modern) {
    specest_method_info info{};
    info.size = sizeof info;
    if (specest_method(method, &info) != SPECEST_SUCCESS) return {};
    std::string name = modern ? info.short_name : info.engine_name;
    // As a run names it: without the name table's padding.
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

template <class Result> Result refused(EstimateStatus status, std::string message) {
    Result r;
    r.status = status;
    r.message = std::move(message);
    return r;
}

// The n (re, im) pairs of a float or double array.
template <class R> std::vector<std::complex<R>> pairs(const R* v, int32_t n, int32_t cap) {
    std::vector<std::complex<R>> out(static_cast<std::size_t>(std::clamp(n, 0, cap)));
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = {v[2 * i], v[2 * i + 1]};
    return out;
}

inline std::size_t count(int32_t n, int32_t cap) {
    return static_cast<std::size_t>(std::clamp(n, 0, std::max(cap, 0)));
}

inline constexpr std::size_t kMaxSamples = static_cast<std::size_t>(INT32_MAX);

inline std::string too_many(std::size_t n) {
    return "too many samples: " + std::to_string(n);
}

inline std::string times_mismatch(std::size_t times, std::size_t n) {
    return "times holds " + std::to_string(times) + " values for " + std::to_string(n) + " samples";
}

inline specest_params classic_params(const EstimateParams& e) {
    specest_params p;
    specest_params_init(&p);
    p.method = e.method;
    p.complex_data = e.complex_data ? 1 : 0;
    p.npoints = e.npoints;
    p.twosided = e.twosided ? 1 : 0;
    p.npoles = e.npoles;
    p.nzeros = e.nzeros;
    p.eps = e.eps;
    p.mode = e.mode;
    p.m_eqs = e.m_eqs;
    p.l_pts = e.l_pts;
    p.m_lags = e.m_lags;
    p.nit = e.nit;
    p.per = e.per;
    p.window = e.window.c_str();
    p.npts = e.npts;
    return p;
}

// The samples' first value and count as the C entries take them, or why they do not fit.
template <class S>
std::string classic_samples(const EstimateParams& e, const S& s, const float*& data,
                            std::size_t& n) {
    const bool cplx = e.complex_data;
    if ((cplx ? s.real.size() : s.complex.size()) != 0)
        return cplx ? "complex data expected, real samples given"
                    : "real data expected, complex samples given";
    n = cplx ? s.complex.size() : s.real.size();
    data = cplx ? reinterpret_cast<const float*>(s.complex.data()) : s.real.data();
    if (n > kMaxSamples) return too_many(n);
    return {};
}

inline std::string classic_times(const Samples& s, std::size_t n, specest_params& p) {
    if (!s.times.empty()) {
        if (s.times.size() != n) return times_mismatch(s.times.size(), n);
        p.times = s.times.data();
    } else if (!s.times64.empty()) {
        if (s.times64.size() != n) return times_mismatch(s.times64.size(), n);
        p.times64 = s.times64.data();
    }
    p.dt = s.dt;
    return {};
}

inline specest_params modern_params(const ModernParams& m) {
    specest_params p;
    specest_params_init64(&p);
    p.method = m.method;
    p.complex_data = m.complex_data ? 1 : 0;
    p.npoints = m.nfft;
    p.twosided = m.onesided ? 0 : 1;
    p.fs = m.fs;
    if (!(m.fs > 0)) p.dt = m.fs; // the library then sees the bad fs, not a default
    p.window = m.window.empty() ? nullptr : m.window.c_str();
    p.detrend = m.detrend.c_str();
    p.scaling = m.scaling.c_str();
    if (!m.window_values.empty()) {
        p.window_values = m.window_values.data();
        p.window_len = static_cast<int32_t>(
            std::min<std::size_t>(m.window_values.size(), static_cast<std::size_t>(INT32_MAX)));
    }
    p.npoles = m.order;
    p.nzeros = m.zeros;
    p.eps = static_cast<float>(m.eps);
    p.mode = m.mode;
    p.m_eqs = m.m_eqs;
    p.l_pts = m.l_pts;
    p.m_lags = m.m_lags;
    p.nit = m.nit;
    p.per = static_cast<float>(m.per);
    p.peak_prominence_db = m.peak_prominence_db;
    return p;
}

inline std::string modern_samples(const ModernParams& m, const Samples64& s, const double*& data,
                                  std::size_t& n, specest_params& p) {
    const bool cplx = m.complex_data;
    if ((cplx ? s.real.size() : s.complex.size()) != 0)
        return cplx ? "complex data expected, real samples given"
                    : "real data expected, complex samples given";
    n = cplx ? s.complex.size() : s.real.size();
    data = cplx ? reinterpret_cast<const double*>(s.complex.data()) : s.real.data();
    if (n > kMaxSamples) return too_many(n);
    if (!s.times.empty()) {
        if (s.times.size() != n) return times_mismatch(s.times.size(), n);
        p.times64 = s.times.data();
    }
    return {};
}

// Caller-owned arrays of one classic result, sized by a capacity query.
struct ClassicArrays {
    std::vector<float> freqs, db, power, a, b, reflection, peak_freqs, peak_db;
    MessageBuffer message;
    std::string report;
    specest_output out;

    ClassicArrays(const specest_capacity_info* cap, bool want_report) {
        specest_output_init(&out);
        if (cap) {
            const auto g = static_cast<std::size_t>(cap->grid);
            const auto c = 2 * static_cast<std::size_t>(cap->coef);
            const auto k = static_cast<std::size_t>(cap->peaks);
            freqs.resize(g);
            db.resize(g);
            power.resize(g);
            a.resize(c);
            b.resize(c);
            reflection.resize(c);
            peak_freqs.resize(k);
            peak_db.resize(k);
            out.freqs = freqs.data();
            out.db = db.data();
            out.power = power.data();
            out.grid_cap = cap->grid;
            out.a = a.data();
            out.b = b.data();
            out.reflection = reflection.data();
            out.coef_cap = cap->coef;
            out.peak_freqs = peak_freqs.data();
            out.peak_db = peak_db.data();
            out.peak_cap = cap->peaks;
        }
        out.message = message.data();
        out.message_cap = message.cap();
        if (want_report) {
            out.report_sink = keep_text;
            out.report_user = &report;
        }
    }
    ClassicArrays(const ClassicArrays&) = delete; // out points into this object
    ClassicArrays& operator=(const ClassicArrays&) = delete;

    Estimate result(int32_t status) {
        Estimate e;
        e.status = estimate_status(status);
        e.message = message.text();
        e.method = out.method;
        e.method_name = method_name(out.method, false);
        const std::size_t nf = count(out.n_freq, out.grid_cap);
        e.freqs.assign(freqs.begin(), freqs.begin() + static_cast<std::ptrdiff_t>(nf));
        e.db.assign(db.begin(), db.begin() + static_cast<std::ptrdiff_t>(nf));
        e.power.assign(power.begin(), power.begin() + static_cast<std::ptrdiff_t>(nf));
        if (out.coef_cap > 0) {
            e.a = pairs(a.data(), out.n_a, out.coef_cap);
            e.b = pairs(b.data(), out.n_b, out.coef_cap);
            e.reflection = pairs(reflection.data(), out.n_reflection, out.coef_cap);
        }
        for (std::size_t i = 0; i < count(out.n_peaks, out.peak_cap); ++i)
            e.peaks.push_back({peak_freqs[i], peak_db[i]});
        e.sig2 = out.sig2;
        e.zero_fill = out.zero_fill;
        e.t_start = out.t_start;
        e.t_final = out.t_final;
        e.npts = out.npts;
        e.iterations = out.iterations;
        e.akaike_status = out.akaike_status;
        e.report = std::move(report);
        return e;
    }
};

// Caller-owned arrays of one modern result.
struct ModernArrays {
    std::vector<double> freqs, psd, db, a, b, reflection, peaks;
    MessageBuffer message;
    std::string report;
    specest_output64 out;

    ModernArrays(const specest_capacity_info* cap, const EstimateOptions& o) {
        specest_output_init64(&out);
        if (cap) {
            const auto g = static_cast<std::size_t>(cap->grid);
            const auto c = 2 * static_cast<std::size_t>(cap->coef);
            freqs.resize(g);
            psd.resize(g);
            out.freqs = freqs.data();
            out.psd = psd.data();
            if (o.want_db || o.want_peaks) {
                db.resize(g);
                out.db = db.data();
            }
            out.grid_cap = cap->grid;
            a.resize(c);
            b.resize(c);
            reflection.resize(c);
            out.a = a.data();
            out.b = b.data();
            out.reflection = reflection.data();
            out.coef_cap = cap->coef;
            if (o.want_peaks) {
                peaks.resize(3 * static_cast<std::size_t>(cap->peaks));
                out.peaks = peaks.data();
                out.peak_cap = cap->peaks;
            }
        }
        out.message = message.data();
        out.message_cap = message.cap();
        if (o.want_report) {
            out.report_sink = keep_text;
            out.report_user = &report;
        }
    }
    ModernArrays(const ModernArrays&) = delete;
    ModernArrays& operator=(const ModernArrays&) = delete;

    ModernEstimate result(int32_t status) {
        ModernEstimate e;
        e.status = estimate_status(status);
        e.message = message.text();
        e.method = out.method;
        e.method_name = method_name(out.method, true);
        const std::size_t nf = count(out.n_freq, out.grid_cap);
        e.freqs.assign(freqs.begin(), freqs.begin() + static_cast<std::ptrdiff_t>(nf));
        e.psd.assign(psd.begin(), psd.begin() + static_cast<std::ptrdiff_t>(nf));
        if (out.db) e.db.assign(db.begin(), db.begin() + static_cast<std::ptrdiff_t>(nf));
        if (out.coef_cap > 0) {
            e.a = pairs(a.data(), out.n_a, out.coef_cap);
            e.b = pairs(b.data(), out.n_b, out.coef_cap);
            e.reflection = pairs(reflection.data(), out.n_reflection, out.coef_cap);
        }
        for (std::size_t i = 0; i < count(out.n_peaks, out.peak_cap); ++i)
            e.peaks.push_back({peaks[3 * i], peaks[3 * i + 1], peaks[3 * i + 2]});
        e.sig2 = out.sig2;
        e.onesided = out.onesided != 0;
        e.npts = out.npts;
        e.nfft = out.nfft;
        e.iterations = out.iterations;
        e.akaike_status = out.akaike_status;
        e.report = std::move(report);
        return e;
    }
};

// Never throws, as the library's calls never do: a lack of memory here is a result too.
template <class Result, class Body> Result guarded(Body&& body) noexcept {
    const char* why = "Internal error";
    try {
        return body();
    } catch (const std::bad_alloc&) {
        why = "Out of memory";
    } catch (...) {
    }
    try {
        return refused<Result>(EstimateStatus::stopped, why);
    } catch (...) {
        return Result{};
    }
}

} // namespace detail

// ---- The calls -----------------------------------------------------------------------------

inline std::string_view version() noexcept {
    return specest_version();
}

// Runs one job (specest_run). x_array and spectrum are the caller's result arrays; their sizes
// are the capacity, checked before anything is written. Never throws; reentrant.
inline RunResult run_job(std::string_view job_path, std::span<float> x_array,
                         std::span<float> spectrum, const RunOptions& options = {}) noexcept {
    RunResult r;
    try {
        r.report_path = options.report_dir.empty() ? std::string("~Lumetra.out")
                                                   : options.report_dir + "/~Lumetra.out";
        if (job_path.size() > static_cast<std::size_t>(INT32_MAX)) {
            r.stop_text = "job path too long";
            return r;
        }
        float none[1] = {0.0f}; // an empty array is a capacity of 0, not a missing one
        int32_t npts = 0;
        auto npoints = static_cast<int32_t>(std::min<std::size_t>(
            {x_array.size(), spectrum.size(), static_cast<std::size_t>(INT32_MAX)}));
        float t_start = 0, t_final = 0, zero_fill = -99.0f, sig2 = 0;
        detail::MessageBuffer message;
        const int32_t st = specest_run(
            job_path.data() ? job_path.data() : "", static_cast<int32_t>(job_path.size()),
            options.report_dir.empty() ? nullptr : options.report_dir.c_str(),
            options.pause_after_peaks ? 0 : SPECEST_NO_PAUSE,
            x_array.empty() ? none : x_array.data(), spectrum.empty() ? none : spectrum.data(),
            &npts, &npoints, &t_start, &t_final, &zero_fill, &sig2, message.data(), message.cap());
        r.status = st == SPECEST_SUCCESS             ? RunStatus::success
                   : st == SPECEST_ESTIMATOR_FAILURE ? RunStatus::estimator_failure
                                                     : RunStatus::stopped;
        r.stop_text = message.text();
        if (r.status == RunStatus::success) {
            r.npts = npts;
            r.n_freq_pts = npoints;
            r.t_start = t_start;
        }
        r.t_final = t_final;
        r.zero_fill = zero_fill;
        r.sig2 = sig2;
    } catch (...) { // out of memory before the run: no room for a text either
        r.status = RunStatus::stopped;
        r.stop_text.clear();
    }
    return r;
}

// Result-array elements a job needs (rounded frequency points, or the MVSE grid), read from
// the job file without running it; 0 with a message when the job cannot be read.
inline long long file_capacity(std::string_view job_path, std::string* message = nullptr) {
    specest_capacity_info cap{};
    cap.size = sizeof cap;
    detail::MessageBuffer m;
    const std::string path(job_path);
    if (specest_file_capacity(path.c_str(), &cap, m.data(), m.cap()) == SPECEST_SUCCESS)
        return cap.grid;
    if (message) *message = m.text();
    return 0;
}

inline int32_t required_capacity(std::string_view job_path) {
    return static_cast<int32_t>(file_capacity(job_path));
}

// Result-array elements an estimate needs; 0 with a message when npoints or l_pts is out of
// range.
inline long long estimate_capacity(const EstimateParams& params, std::string* message = nullptr) {
    const specest_params p = detail::classic_params(params);
    specest_capacity_info cap{};
    cap.size = sizeof cap;
    detail::MessageBuffer m;
    if (specest_capacity(&p, &cap, m.data(), m.cap()) == SPECEST_SUCCESS) return cap.grid;
    if (message) *message = m.text();
    return 0;
}

// Grid points a modern estimate of n samples gives (0 with a message when the settings have
// none).
inline long long estimate_capacity(const ModernParams& params, long long n,
                                   std::string* message = nullptr) {
    const specest_params p = detail::modern_params(params);
    specest_capacity_info cap{};
    cap.size = sizeof cap;
    detail::MessageBuffer m;
    if (n < 0 || n > INT32_MAX) {
        if (message) *message = detail::too_many(static_cast<std::size_t>(std::max(n, 0LL)));
        return 0;
    }
    if (specest_capacity64(&p, static_cast<int32_t>(n), &cap, m.data(), m.cap()) == SPECEST_SUCCESS)
        return cap.grid;
    if (message) *message = m.text();
    return 0;
}

// Estimates the spectrum of the samples (specest_estimate). Never throws; reentrant.
inline Estimate estimate(const EstimateParams& params, const Samples& samples,
                         const EstimateOptions& options = {}) noexcept {
    return detail::guarded<Estimate>([&] {
        specest_params p = detail::classic_params(params);
        const float* data = nullptr;
        std::size_t n = 0;
        std::string bad = detail::classic_samples(params, samples, data, n);
        if (bad.empty()) bad = detail::classic_times(samples, n, p);
        if (!bad.empty())
            return detail::refused<Estimate>(EstimateStatus::invalid_input, std::move(bad));
        specest_capacity_info cap{};
        cap.size = sizeof cap;
        // Settings without a capacity run without arrays: the library then says what is wrong.
        const bool sized = specest_capacity(&p, &cap, nullptr, 0) == SPECEST_SUCCESS;
        detail::ClassicArrays arrays(sized ? &cap : nullptr, options.want_report);
        return arrays.result(specest_estimate(&p, data, static_cast<int32_t>(n), &arrays.out));
    });
}

// Estimates the spectrum in the modern profile (specest_estimate64). Never throws; reentrant;
// the same input gives the same bits on any thread.
inline ModernEstimate estimate(const ModernParams& params, const Samples64& samples,
                               const EstimateOptions& options = {}) noexcept {
    return detail::guarded<ModernEstimate>([&] {
        specest_params p = detail::modern_params(params);
        const double* data = nullptr;
        std::size_t n = 0;
        std::string bad = detail::modern_samples(params, samples, data, n, p);
        if (!bad.empty())
            return detail::refused<ModernEstimate>(EstimateStatus::invalid_input, std::move(bad));
        specest_capacity_info cap{};
        cap.size = sizeof cap;
        const bool sized =
            specest_capacity64(&p, static_cast<int32_t>(n), &cap, nullptr, 0) == SPECEST_SUCCESS;
        detail::ModernArrays arrays(sized ? &cap : nullptr, options);
        return arrays.result(specest_estimate64(&p, data, static_cast<int32_t>(n), &arrays.out));
    });
}

// Runs a job file as run_job does (report file included, specest_run_file) and returns
// everything an estimate returns; an input error is `invalid_input` here (run_job calls it
// `stopped`).
inline Estimate run_job_file(std::string_view job_path, const RunOptions& options = {}) noexcept {
    return detail::guarded<Estimate>([&] {
        const std::string path(job_path);
        specest_capacity_info cap{};
        cap.size = sizeof cap;
        const bool sized = specest_file_capacity(path.c_str(), &cap, nullptr, 0) == SPECEST_SUCCESS;
        detail::ClassicArrays arrays(sized ? &cap : nullptr, options.keep_report);
        const int32_t flags = options.pause_after_peaks ? 0 : SPECEST_NO_PAUSE;
        return arrays.result(specest_run_file(
            path.c_str(), options.report_dir.empty() ? nullptr : options.report_dir.c_str(), flags,
            &arrays.out));
    });
}

// A job file's run in the modern profile (the desktop program's modern view,
// specest_run_file_modern): the job's data, method and settings, with nPoints as the exact grid
// size, its window by scipy's name, the mean removed and fs from the data's time step. No
// report file is written.
inline ModernEstimate run_job_file_modern(std::string_view job_path,
                                          const EstimateOptions& options = {}) noexcept {
    return detail::guarded<ModernEstimate>([&] {
        const std::string path(job_path);
        specest_capacity_info cap{};
        cap.size = sizeof cap;
        const bool sized = specest_file_capacity(path.c_str(), &cap, nullptr, 0) == SPECEST_SUCCESS;
        detail::ModernArrays arrays(sized ? &cap : nullptr, options);
        return arrays.result(specest_run_file_modern(path.c_str(), &arrays.out));
    });
}

namespace detail {

// The outputs of specest_estimate_batch64 for `records` rows of one capacity.
struct BatchArrays {
    std::vector<double> freqs, psd, db, a, b, reflection, peaks, sig2, zero_fill, t_start, t_final;
    std::vector<int32_t> n_a, n_b, n_reflection, n_peaks, npts, iterations, akaike_status, status;
    std::string messages;
    specest_batch_output64 out;

    BatchArrays(int records, const specest_capacity_info* cap, bool classic) {
        specest_batch_output_init64(&out);
        const auto r = static_cast<std::size_t>(records);
        const auto per = [r](int32_t width) { return r * static_cast<std::size_t>(width); };
        auto ints = [r](std::vector<int32_t>& v, int32_t*& slot) {
            v.assign(r, 0);
            slot = v.data();
        };
        status.assign(r, kNoStatus);
        out.status = status.data();
        ints(n_a, out.n_a);
        ints(n_b, out.n_b);
        ints(n_reflection, out.n_reflection);
        ints(n_peaks, out.n_peaks);
        ints(npts, out.npts);
        ints(iterations, out.iterations);
        ints(akaike_status, out.akaike_status);
        sig2.assign(r, 0.0);
        out.sig2 = sig2.data();
        if (classic) {
            zero_fill.assign(r, 0.0);
            t_start.assign(r, 0.0);
            t_final.assign(r, 0.0);
            out.zero_fill = zero_fill.data();
            out.t_start = t_start.data();
            out.t_final = t_final.data();
        }
        messages.assign(per(kBatchMessageCap), '\0');
        out.messages = messages.data();
        out.message_cap = kBatchMessageCap;
        if (!cap) return;
        freqs.assign(static_cast<std::size_t>(cap->grid), 0.0);
        psd.assign(per(cap->grid), 0.0);
        db.assign(per(cap->grid), 0.0);
        a.assign(per(2 * cap->coef), 0.0);
        b.assign(per(2 * cap->coef), 0.0);
        reflection.assign(per(2 * cap->coef), 0.0);
        peaks.assign(per(3 * cap->peaks), 0.0);
        out.freqs = freqs.data();
        out.psd = psd.data();
        out.db = db.data();
        out.grid_cap = cap->grid;
        out.a = a.data();
        out.b = b.data();
        out.reflection = reflection.data();
        out.coef_cap = cap->coef;
        out.peaks = peaks.data();
        out.peak_cap = cap->peaks;
    }
    BatchArrays(const BatchArrays&) = delete;
    BatchArrays& operator=(const BatchArrays&) = delete;

    std::size_t at(int r, int32_t width) const {
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(std::max(width, 0));
    }

    // Record r's fit, without its grid arrays.
    template <class Fit, class R> Fit fit(int r, int32_t call_status, int method, bool modern) {
        Fit f;
        const int32_t st = status[static_cast<std::size_t>(r)];
        // A record the library never reached has the call's status (a refused or stopped batch).
        f.status = estimate_status(st == kNoStatus ? call_status : st);
        f.message = std::string(messages.c_str() + at(r, kBatchMessageCap));
        if (st == kNoStatus && f.message.empty())
            f.message = call_status == SPECEST_INVALID_ARGUMENT ? "the library refused the batch"
                                                                : "the batch stopped";
        f.method = method;
        f.method_name = method_name(method, modern);
        const auto i = static_cast<std::size_t>(r);
        if (out.coef_cap > 0) {
            const auto c = 2 * out.coef_cap;
            auto cx = [&](const std::vector<double>& v, int32_t n) {
                std::vector<std::complex<R>> z;
                for (std::size_t k = 0; k < count(n, out.coef_cap); ++k)
                    z.push_back({static_cast<R>(v[at(r, c) + 2 * k]),
                                 static_cast<R>(v[at(r, c) + 2 * k + 1])});
                return z;
            };
            f.a = cx(a, n_a[i]);
            f.b = cx(b, n_b[i]);
            f.reflection = cx(reflection, n_reflection[i]);
        }
        f.sig2 = static_cast<R>(sig2[i]);
        f.npts = npts[i];
        f.iterations = iterations[i];
        f.akaike_status = akaike_status[i];
        return f;
    }

    // Row r of a records x grid_cap array, cut to the grid (zeros for a failed record).
    template <class R> void row(std::vector<R>& dst, const std::vector<double>& src, int r) const {
        const auto nf = static_cast<std::size_t>(std::max(out.n_freq, 0));
        const bool ok = status[static_cast<std::size_t>(r)] == SPECEST_SUCCESS && !src.empty();
        for (std::size_t k = 0; k < nf; ++k)
            dst.push_back(ok ? static_cast<R>(src[at(r, out.grid_cap) + k]) : R(0));
    }
};

template <class S> bool split(const S& samples, int records, std::size_t& n) {
    const std::size_t total = std::max(samples.real.size(), samples.complex.size());
    n = total / static_cast<std::size_t>(records);
    return n * static_cast<std::size_t>(records) == total;
}

template <class Batch, class Fit> Batch all_refused(int records, const std::string& why) {
    Batch b;
    b.records = records;
    b.fits.assign(static_cast<std::size_t>(records),
                  refused<Fit>(EstimateStatus::invalid_input, why));
    b.failed = records;
    return b;
}

// Every record failed for want of memory (an empty batch when even that cannot be said).
template <class Batch> Batch all_out_of_memory(int records) noexcept {
    try {
        Batch b;
        b.records = std::max(records, 0);
        b.fits.resize(static_cast<std::size_t>(b.records));
        for (auto& f : b.fits) f.message = "Out of memory";
        b.failed = b.records;
        return b;
    } catch (...) {
        return {};
    }
}

// The first of the records of n samples each in `samples`.
template <class S> S first_record(const S& samples, bool complex_data, std::size_t n) {
    S one = samples;
    if (complex_data)
        one.complex = samples.complex.first(n);
    else
        one.real = samples.real.first(n);
    return one;
}

inline std::string no_split(std::size_t total, int records) {
    return std::to_string(total) + " samples do not split into " + std::to_string(records) +
           " records of one length";
}

} // namespace detail

// Estimates `records` records stored one after the other in samples.real (or samples.complex),
// each of the same length, with one parameter set, in parallel on the engine's threads
// (specest_estimate_batch64). samples.times, when given, holds one record's times and applies
// to every record. Record r gets the bits the one-record call gives. Never throws; reports no
// run.
inline ModernBatch estimate_batch(const ModernParams& params, const Samples64& samples,
                                  int records) noexcept {
    ModernBatch b;
    try {
        if (records <= 0) return b;
        std::size_t n = 0;
        if (!detail::split(samples, records, n))
            return detail::all_refused<ModernBatch, ModernEstimate>(
                records,
                detail::no_split(std::max(samples.real.size(), samples.complex.size()), records));
        // One record's view, to check the samples as a single call does.
        const Samples64 one = detail::first_record(samples, params.complex_data, n);
        specest_params p = detail::modern_params(params);
        const double* data = nullptr;
        std::size_t n_one = 0;
        const std::string bad = detail::modern_samples(params, one, data, n_one, p);
        if (!bad.empty()) return detail::all_refused<ModernBatch, ModernEstimate>(records, bad);
        specest_capacity_info cap{};
        cap.size = sizeof cap;
        const bool sized =
            specest_capacity64(&p, static_cast<int32_t>(n), &cap, nullptr, 0) == SPECEST_SUCCESS;
        detail::BatchArrays arrays(records, sized ? &cap : nullptr, false);
        const int32_t st =
            specest_estimate_batch64(&p, data, records, static_cast<int32_t>(n), &arrays.out);
        b.records = records;
        b.n_freq = std::max(arrays.out.n_freq, 0);
        b.freqs.assign(arrays.freqs.begin(),
                       arrays.freqs.begin() +
                           static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                               static_cast<std::size_t>(b.n_freq), arrays.freqs.size())));
        b.n_freq = static_cast<int>(b.freqs.size());
        arrays.out.n_freq = b.n_freq;
        b.psd.reserve(static_cast<std::size_t>(records) * b.freqs.size());
        b.db.reserve(b.psd.capacity());
        for (int r = 0; r < records; ++r) {
            ModernEstimate f = arrays.fit<ModernEstimate, double>(r, st, params.method, true);
            const auto i = static_cast<std::size_t>(r);
            if (f.ok()) {
                f.nfft = arrays.out.nfft;
                f.onesided = arrays.out.onesided != 0;
            } else {
                ++b.failed;
            }
            for (std::size_t k = 0; k < detail::count(arrays.n_peaks[i], arrays.out.peak_cap);
                 ++k) {
                const double* row = arrays.peaks.data() + arrays.at(r, 3 * arrays.out.peak_cap);
                f.peaks.push_back({row[3 * k], row[3 * k + 1], row[3 * k + 2]});
            }
            arrays.row(b.psd, arrays.psd, r);
            arrays.row(b.db, arrays.db, r);
            b.fits.push_back(std::move(f));
        }
        return b;
    } catch (...) {
        return detail::all_out_of_memory<ModernBatch>(records);
    }
}

inline ClassicBatch estimate_batch(const EstimateParams& params, const Samples& samples,
                                   int records) noexcept {
    ClassicBatch b;
    try {
        if (records <= 0) return b;
        std::size_t n = 0;
        if (!detail::split(samples, records, n))
            return detail::all_refused<ClassicBatch, Estimate>(
                records,
                detail::no_split(std::max(samples.real.size(), samples.complex.size()), records));
        const Samples one = detail::first_record(samples, params.complex_data, n);
        specest_params p = detail::classic_params(params);
        const float* data = nullptr;
        std::size_t n_one = 0;
        std::string bad = detail::classic_samples(params, one, data, n_one);
        if (bad.empty()) bad = detail::classic_times(one, n, p);
        if (!bad.empty()) return detail::all_refused<ClassicBatch, Estimate>(records, bad);
        // The batch entry takes doubles; floats widen and come back exactly.
        const std::size_t values =
            static_cast<std::size_t>(records) * n * (params.complex_data ? 2 : 1);
        const std::vector<double> wide(data, data + values);
        specest_capacity_info cap{};
        cap.size = sizeof cap;
        const bool sized = specest_capacity(&p, &cap, nullptr, 0) == SPECEST_SUCCESS;
        detail::BatchArrays arrays(records, sized ? &cap : nullptr, true);
        const int32_t st = specest_estimate_batch64(&p, wide.data(), records,
                                                    static_cast<int32_t>(n), &arrays.out);
        b.records = records;
        const auto nf = std::min<std::size_t>(
            static_cast<std::size_t>(std::max(arrays.out.n_freq, 0)), arrays.freqs.size());
        for (std::size_t k = 0; k < nf; ++k) b.freqs.push_back(static_cast<float>(arrays.freqs[k]));
        b.n_freq = static_cast<int>(nf);
        arrays.out.n_freq = b.n_freq;
        for (int r = 0; r < records; ++r) {
            Estimate f = arrays.fit<Estimate, float>(r, st, params.method, false);
            const auto i = static_cast<std::size_t>(r);
            if (!f.ok()) ++b.failed;
            f.zero_fill = static_cast<float>(arrays.zero_fill[i]);
            f.t_start = static_cast<float>(arrays.t_start[i]);
            f.t_final = static_cast<float>(arrays.t_final[i]);
            for (std::size_t k = 0; k < detail::count(arrays.n_peaks[i], arrays.out.peak_cap);
                 ++k) {
                const double* row = arrays.peaks.data() + arrays.at(r, 3 * arrays.out.peak_cap);
                f.peaks.push_back(
                    {static_cast<float>(row[3 * k]), static_cast<float>(row[3 * k + 1])});
            }
            arrays.row(b.power, arrays.psd, r);
            arrays.row(b.db, arrays.db, r);
            b.fits.push_back(std::move(f));
        }
        return b;
    } catch (...) {
        return detail::all_out_of_memory<ClassicBatch>(records);
    }
}

// ---- Errors as exceptions ------------------------------------------------------------------

namespace detail {
inline void throw_if_failed(const Estimate& e) {
    if (!e.ok()) throw Error(static_cast<int32_t>(e.status), e.message);
}
inline void throw_if_failed(const ModernEstimate& e) {
    if (!e.ok()) throw Error(static_cast<int32_t>(e.status), e.message);
}
inline void throw_if_failed(const RunResult& r) {
    if (r.status != RunStatus::success)
        throw Error(static_cast<int32_t>(r.status),
                    r.stop_text.empty() && r.status == RunStatus::estimator_failure
                        ? "the estimator failed; the run report " + r.report_path + " says why"
                        : r.stop_text);
}
template <class Batch> void throw_if_failed_batch(const Batch& b) {
    for (std::size_t r = 0; r < b.fits.size(); ++r)
        if (!b.fits[r].ok())
            throw Error(static_cast<int32_t>(b.fits[r].status),
                        "record " + std::to_string(r) + ": " + b.fits[r].message);
}
inline void throw_if_failed(const ModernBatch& b) {
    throw_if_failed_batch(b);
}
inline void throw_if_failed(const ClassicBatch& b) {
    throw_if_failed_batch(b);
}
} // namespace detail

// The result itself when it succeeded; otherwise throws specest::Error with the C status and
// the library's text (a batch: the first failed record's, with its index).
//   const auto e = specest::check(specest::estimate(params, samples));
template <class Result> Result check(Result result) {
    detail::throw_if_failed(result);
    return result;
}

} // namespace cxx1
} // namespace specest

#endif
