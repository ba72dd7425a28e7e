// The engine's own C++ interface: the C entry points, specest-run, the tests and benchmarks
// call it inside the build. Not installed; programs outside use include/specest/specest.hpp,
// the header-only interface over the C ABI (whose types live in specest::cxx1, so the two
// never meet in one program by accident).
#pragma once

#ifdef SPECEST_SPECEST_HPP
#error "engine_api.h and specest/specest.hpp are two interfaces; include one of them"
#endif
#define SPECEST_ENGINE_API_H 1

#include <complex>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace specest {

enum class RunStatus {
    success = 0,           // the arrays hold a spectrum (zero_fill may be any value, even -99)
    estimator_failure = 1, // the estimator failed; the run report says why
    stopped = 2            // input error or resource failure; stop_text says why
};

struct RunOptions {
    std::string report_dir;         // where "~Lumetra.out" goes; empty means the current directory
    bool pause_after_peaks = false; // the 2-second pause after the peak table (specest_for's)
    bool keep_report = false;       // the run's report text in RunResult::report, Estimate::report
};

struct RunResult {
    RunStatus status = RunStatus::stopped;
    std::string stop_text;     // why the run stopped, or what the failed estimator said
    std::string report_path;   // the run report written
    int32_t npts = 0;          // data points read and used
    int32_t n_freq_pts = 0;    // output points (0 unless success)
    int32_t n_time_values = 0; // time values left in x_array after an estimator failure
    float t_start = 0;
    float t_final = 0;
    float zero_fill = -99.0f; // zero-fill percentage; -99 when no spectrum was produced
    float sig2 = 0;
    int32_t method = 0;
    std::string method_name;
    std::string report; // this run's report text, when RunOptions::keep_report asks for it
};

// Runs one job. x_array and spectrum are the caller's result arrays; their sizes are the
// capacity, checked before anything is written. Never throws; reentrant (runs on different
// threads proceed in parallel, each with its own report).
RunResult run_job(std::string_view job_path, std::span<float> x_array, std::span<float> spectrum,
                  const RunOptions& options = {});

// The number of result-array elements a job needs (rounded frequency points, or the MVSE grid),
// read from the job file without running it; 0 when the job cannot be read.
int32_t required_capacity(std::string_view job_path);

// ---- Estimation from samples in memory ----------------------------------------------------

enum class EstimateStatus {
    success = 0,           // the result holds a spectrum
    estimator_failure = 1, // the estimator failed; message says why
    stopped = 2,           // a resource failure (memory)
    invalid_input = 3      // a setting or the samples are out of range; message says which
};

// The settings of one estimate: the job file's lines 4..19. -999 marks a setting the method
// does not use (as in a job file); ranges and rules are those of the job file.
struct EstimateParams {
    int method = 0; // 1..14 (record::Method)
    bool complex_data = false;
    int npoints = 512; // rounded up to a power of two
    bool twosided = false;
    int npoles = -999;
    int nzeros = -999;
    float eps = -999.0f;
    int mode = -999;
    int m_eqs = -999;
    int l_pts = -999;
    int m_lags = -999;
    int nit = -999;
    float per = -999.0f;
    std::string window = "Rectangular";
    int npts = 0; // samples to use; 0: all
};

// Samples: `real` for real data, `complex` for complex data (as complex_data says). Time
// values, when given, take the place of the sampling interval dt.
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
    std::string method_name;
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
};

struct EstimateOptions {
    bool want_report = false;
    bool want_db = true;    // modern: the dB values (10 log10 of the density)
    bool want_peaks = true; // modern: the peak table (needs the dB values)
};

// Estimates the spectrum of the samples. Never throws; reentrant.
Estimate estimate(const EstimateParams& params, const Samples& samples,
                  const EstimateOptions& options = {});

// Runs a job file as run_job does (report file included) and returns everything an estimate
// returns; an input error is `invalid_input` here (run_job calls it `stopped`).
Estimate run_job_file(std::string_view job_path, const RunOptions& options = {});

// Result-array elements an estimate needs (the frequency grid or the MVSE grid); 0 with a
// message when npoints or l_pts is out of range.
long long estimate_capacity(const EstimateParams& params, std::string* message = nullptr);
// The same for a job file, read without running it.
long long file_capacity(std::string_view job_path, std::string* message = nullptr);

// ---- The modern profile: double precision with scipy's conventions -----------------------

enum class Profile { classic = 0, modern = 1 };

// Settings of a modern estimate. A setting left at -999 (or an empty text) takes the method's
// default (see docs/numerics.md); the names are the Python keywords.
struct ModernParams {
    int method = 0; // 1..14 (record::Method)
    bool complex_data = false;
    int nfft = 0;                      // grid points; 0: the method's default
    bool onesided = true;              // ignored (two-sided) for complex data
    double fs = 1.0;                   // sampling frequency; times, when given, decide it instead
    std::string window;                // periodogram: a scipy window name ("" : boxcar)
    std::vector<double> window_values; // or the window itself, one value per sample used
    std::string detrend = "constant";  // "constant", "linear" or "none"
    std::string scaling = "density";   // "density" (units^2/Hz) or "spectrum" (units^2)
    int order = -999;
    int zeros = -999;
    double eps = -999.0;
    int mode = -999;
    int m_eqs = -999;
    int l_pts = -999;
    int m_lags = -999;
    int nit = -999;
    double per = -999.0;
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
    std::string method_name;
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
};

// Estimates the spectrum in the modern profile. Never throws; reentrant; the same input gives
// the same bits on any thread.
ModernEstimate estimate(const ModernParams& params, const Samples64& samples,
                        const EstimateOptions& options = {});

// A job file's run in the modern profile (the desktop program's modern view): the job's data,
// method and settings, with nPoints as the exact grid size, its window by scipy's name
// (Rectangular: boxcar, Barlett: bartlett, Hanning: hann, ...), the mean removed and fs from
// the data's time step. No report file is written.
ModernEstimate run_job_file_modern(std::string_view job_path, const EstimateOptions& options = {});

// Grid points a modern estimate of n samples gives (0 with a message when the settings have
// none).
long long estimate_capacity(const ModernParams& params, long long n,
                            std::string* message = nullptr);

// ---- Batches: many records of one length, one parameter set -------------------------------

// An allocator whose elements start unset: the batch's rows are written by the records'
// threads, not zeroed first on the caller's.
template <class T> struct RowAllocator : std::allocator<T> {
    template <class U> struct rebind { using other = RowAllocator<U>; };
    RowAllocator() = default;
    template <class U> RowAllocator(const RowAllocator<U>&) noexcept {}
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... A> void construct(U* p, A&&... a) {
        ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
    }
};
using BatchRows = std::vector<double, RowAllocator<double>>;

// Results of a batch. Record r's spectrum is row r of the row-major arrays; fits[r] holds its
// status, message, model, peaks and scalars (its own grid arrays are left empty).
struct ModernBatch {
    int records = 0;
    int n_freq = 0;
    std::vector<double> freqs; // the grid, the same for every record
    BatchRows psd, db;         // records x n_freq (zeros in the row of a failed record)
    std::vector<ModernEstimate> fits;
    int failed = 0; // records whose status is not success
};

struct ClassicBatch {
    int records = 0;
    int n_freq = 0;
    std::vector<float> freqs;
    std::vector<float> db, power; // records x n_freq
    std::vector<Estimate> fits;
    int failed = 0;
};

// Estimates `records` records stored one after the other in samples.real (or samples.complex),
// each of the same length, with one parameter set, in parallel on the engine's threads.
// samples.times, when given, holds one record's times and applies to every record. Record r
// gets the bits the one-record call gives. Never throws; reports no run.
ModernBatch estimate_batch(const ModernParams& params, const Samples64& samples, int records);
ClassicBatch estimate_batch(const EstimateParams& params, const Samples& samples, int records);

} // namespace specest
