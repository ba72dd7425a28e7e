// The estimators the spectrum drivers dispatch to, one entry per method, each at both
// precisions: the classic driver runs the float entry, the modern one the double entry of the
// same code.
#pragma once

#include "complex_ops.h"
#include "estimator_context.h"
#include "job_params.h"
#include "specest/job_record.hpp"
#include "views.h"

namespace specest {

// What an estimator is handed besides its context (the run's report, job record and work arrays):
// its settings at precision R and its arrays.
template <class R> struct EstimatorCall {
    Vec1<cx<R>> amp; // the samples, zero beyond npts
    Vec1<R> real;    // their real parts, for the real-data estimators
    Vec1<R> window;  // periodogram: the data window; Blackman-Tukey: filled with its lag window
    Vec1<R> psd;     // direct methods: the spectrum on their grid
    Vec1<cx<R>> a, b;
    Vec1<R> a0, b0;
    int npts = 0;
    int npoints = 0; // length of the work arrays
    int nexp = 0;    // classic transforms have 2^nexp points
    R sig2 = 0, eps = 0, per = 0;
    bool direct = false; // the estimator gives the spectrum itself, not a model
    int grid = 0;        // points of a direct spectrum
    // Modern Yule-Walker on a real record: the caller's samples, read where they lie, and the
    // mean the constant detrend removes (amp and real are not set).
    const double* samples = nullptr;
    double mean = 0;
};

struct EstimatorEntry {
    record::Method method;
    void (*classic)(const EstimatorContext<float>&, EstimatorCall<float>&);
    void (*modern)(const EstimatorContext<double>&, EstimatorCall<double>&);
};

// The entry of method 1..14, or nullptr.
const EstimatorEntry* estimator_entry(int method);

template <class R>
void run_estimator(const EstimatorEntry& e, const EstimatorContext<R>& ctx,
                   EstimatorCall<R>& call) {
    if constexpr (kClassic<R>)
        e.classic(ctx, call);
    else
        e.modern(ctx, call);
}

} // namespace specest
