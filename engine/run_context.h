// State of one run: the job record, the report every engine routine writes to, the data file
// the job reader leaves open for the driver, the estimators' work area and what the run
// collects for the caller besides the spectrum. Each run owns its context. The drivers hand
// the estimators their part of it as an EstimatorContext (estimator_context.h); the job reader,
// the data readers, the data window, the peak table and the out-of-memory stop reach it through
// run_context(), the context of the run in progress on this thread, so runs on different
// threads never share state.
#pragma once

#include "data_records.h"
#include "job_params.h"
#include "report.h"
#include "text_file.h"
#include "views.h"
#include "work_area.h"

#include <span>
#include <string>
#include <vector>

namespace specest {

// Samples handed over in memory instead of a data file.
struct MemorySamples {
    std::span<const float> real;     // real data
    std::span<const cfloat> complex; // complex data
    std::span<const float> times;    // time values; empty: t(i) = (i - 1) * dt
    double dt = 1.0;
    std::span<const double> times64; // or these, in double precision
};

struct RunContext {
    JobParams job;
    Report report;
    TextFile data;          // opened by the job reader, read by the driver
    KeptTimes record_times; // time values of the data file's first records, as counted
    std::string job_path;   // as given by the caller
    bool pause_after_peaks = true;
    bool list_spectrum = true;             // the report lists every grid point
    const MemorySamples* memory = nullptr; // set for an in-memory run
    wa::WorkArea area;
    wa::WorkArea64 area64;
    // Model details the estimators leave for the caller.
    std::string explanation; // one line on the last input error, for callers without the report
    std::string warning;     // what a caller in memory should know about a success
    int power_scale_exp = 0; // the spectrum was computed 2^-power_scale_exp times too large
    // Report marks around the estimator's own lines: its explanation when it fails.
    std::size_t estimator_mark = 0, model_mark = 0;
    std::vector<cfloat> reflection; // reflection coefficients 1..order, where the method has them
    int akaike_iterations = 0;
};

// The context of the run in progress on this thread; outside a run (routines called directly,
// as the tests do), a context of the thread's own.
RunContext& run_context();

// Makes `c` the current context of this thread for the lifetime of the guard.
class ActiveRun {
  public:
    explicit ActiveRun(RunContext& c);
    ~ActiveRun();
    ActiveRun(const ActiveRun&) = delete;
    ActiveRun& operator=(const ActiveRun&) = delete;

  private:
    RunContext* previous_;
};

inline Report& run_report() {
    return run_context().report;
}

} // namespace specest
