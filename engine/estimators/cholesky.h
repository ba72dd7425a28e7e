// Solver for the Hermitian normal equations of the least-squares estimators:
// hc * theta = theta, with hc the packed, conjugated lower triangle (row i, column j <= i at
// i*(i-1)/2 + j) and theta(1..n) the right-hand side, overwritten by the solution.
#pragma once

#include "complex_ops.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

// iflag = 0 when solved; -1 when a pivot d(i), i >= 2, is not above eps (or not a number). On
// failure the diagnostic goes to the report and theta is left as it was. Writes the factor to xl.
template <class R>
void cholesky(const EstimatorContext<R>& ctx, const int& n, const R& eps, int& iflag);

// The two halves of cholesky, for callers that solve many right-hand sides with one matrix:
// cholesky_factor followed by cholesky_solve gives, bit for bit, what cholesky gives, because
// the solve reads only the factor (xl and the pivots kept from the last factorisation).
template <class R>
void cholesky_factor(const EstimatorContext<R>& ctx, const int& n, const R& eps, int& iflag);
template <class R> void cholesky_solve(const EstimatorContext<R>& ctx, const int& n);

} // namespace specest
