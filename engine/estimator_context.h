// What every estimator and solver is handed as its first argument: the run's report, job record
// (settings and the failure flag iflag), the work arrays of its precision and the modern
// transform length. The drivers build one per run, so the classic (float) and modern (double)
// instantiations of one algorithm share this interface and reach no thread-local state.
#pragma once

#include "complex_ops.h"
#include "job_params.h"
#include "report.h"
#include "run_context.h"
#include "work_area.h"

#include <string>

namespace specest {

template <class R> struct EstimatorContext {
    Report& report;
    JobParams& job;
    wa::WorkArrays<R>& work;
    std::string& explanation; // one line on an input error, for callers without the report
    int& akaike_iterations;   // iterations the Akaike estimator ran
    // Modern profile: the length of every transform (the grid); 0: 2^nexp, as in classic.
    int transform_length = 0;
    // Modern profile: only bins 0 .. transform_length / 2 of a model spectrum are read (a real
    // record's one-sided grid), so its mirrored upper half need not be written.
    bool one_sided = false;
};

// The context of a run at precision R over `run`'s record, report and work area.
template <class R>
EstimatorContext<R> estimator_context(RunContext& run, int transform_length = 0) {
    if constexpr (kClassic<R>)
        return {run.report, run.job, run.area, run.explanation, run.akaike_iterations, 0};
    else
        return {run.report,      run.job, run.area64, run.explanation, run.akaike_iterations,
                transform_length};
}

} // namespace specest
