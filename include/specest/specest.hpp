// Typed C++ interface of the engine. specest_for and specest_run are thin wrappers over it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace specest {

enum class RunStatus {
    success = 0,           // the arrays hold a spectrum (zero_fill may be any value, even -99)
    estimator_failure = 1, // the estimator failed; the run report says why
    stopped = 2            // input error or resource failure; stop_text says why
};

struct RunOptions {
    std::string report_dir;        // where "~Lumetra.out" goes; empty means the current directory
    bool pause_after_peaks = true; // the 2-second pause after the peak table
};

struct RunResult {
    RunStatus status = RunStatus::stopped;
    std::string stop_text;     // set when stopped
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
};

// Runs one job. x_array and spectrum are the caller's result arrays; their sizes are the
// capacity, checked before anything is written. Never throws; one run at a time per process
// (concurrent calls wait for each other).
RunResult run_job(std::string_view job_path, std::span<float> x_array, std::span<float> spectrum,
                  const RunOptions& options = {});

// The number of result-array elements a job needs (rounded frequency points, or the MVSE grid),
// read from the job file without running it; 0 when the job cannot be read.
int32_t required_capacity(std::string_view job_path);

} // namespace specest
