// Recursive maximum-likelihood AR estimation of real data. The steps of one order are exposed
// for tests.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

// ctx.job.iflag value when an order's cubic cannot be formed or has no usable root.
constexpr int kRmleUndefinedFlag = 6;

namespace rmle_steps {

// s(i,j) = sum_{t=1..n+2-i-j} x(t+i-1) x(t+j-1), i, j = 1..ip+1 (shared work area).
template <class R>
void smat(const EstimatorContext<R>& ctx, Vec1<R> x, const int& n, const int& ip);
// Cubic coefficients p, q, r and the sums c, d of order i; e carries the error energy.
template <class R>
void coeff(const EstimatorContext<R>& ctx, const int& i, const int& ip, const int& n, R& p, R& q,
           R& r, R& c, R& d, R& e);
// Real roots of rho^3 + p rho^2 + q rho + r = 0 in closed form: nreal = 1 (root[0]) or 3.
// nreal = 0 when the discriminant is not a number.
template <class R> void cubic(const R& p, const R& q, const R& r, int& nreal, R root[3]);
// Of three real roots, the one in [-1, 1] with the largest log-likelihood replaces aii.
template <class R>
void test(const R root[3], const R& c, const R& d, const R& e, const int& i, const int& n, R& aii);
// Levinson update of order i with aa_real(i,i); e += 2 c rho + d rho^2; rho_i = e / n.
template <class R>
void arupt(const EstimatorContext<R>& ctx, const int& i, const int& n, const R& c, const R& d, R& e,
           R& rho_i);

} // namespace rmle_steps
} // namespace specest
