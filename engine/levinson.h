// Yule-Walker AR estimation: biased autocorrelation lags solved by the Levinson recursion.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

// Solves for the AR coefficients of order ip from the lags Rxx(1..ip+1); fills the shared
// tables aa (column k = order-k model) and rho (prediction-error power of order k).
// Returns false, with an explanation in the report, when the recursion meets a zero
// prediction-error power (a record with no power, or a perfectly predictable one).
template <class R>
bool levinson(const EstimatorContext<R>& ctx, Vec1<cx<R>> rxx, int ip, Vec1<cx<R>> a);

// Method 1. Sets ctx.job.iflag when levinson fails.
template <class R>
void autocorr(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int n, int ip, Vec1<cx<R>> a, R& sig2,
              int npoints);

// The same on the real samples x(0..n-1) less their mean, read where they lie (modern profile).
void autocorr(const EstimatorContext<double>& ctx, const double* x, double mean, int n, int ip,
              Vec1<cdouble> a, double& sig2, int npoints);

} // namespace specest
