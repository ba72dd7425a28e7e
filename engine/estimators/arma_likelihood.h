// Correlations, gradient, Gauss-Newton Hessian and Newton right-hand side of the
// prediction-error criterion sum e^2, e = (A/B) x, for the Akaike iteration (real data).
// Correlation vectors are indexed by lag + 1. Inner sums are carried in double precision.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

// r = sum_{j=1..n-lag} x(j) y(j+lag) / n (biased; 0 when lag >= n).
template <class R> void corr(int n, int lag, Vec1<R> x, Vec1<R> y, R& r);

// ry: lags 0..ip of y; rz: lags 0..iq of z; ryz: lags 0..ip-1 of (y, z);
// rzy: lags 1..iq-1 of (z, y) (rzy(1) is left alone).
template <class R>
void corrcomp(int n, Vec1<R> y, Vec1<R> z, int ip, int iq, Vec1<R> ry, Vec1<R> rz, Vec1<R> ryz,
              Vec1<R> rzy);

// Gradient of (1/n) sum e^2 with respect to a(1..ip), b(1..iq) into grad(1..ip+iq).
template <class R>
void gradient(Vec1<R> a, Vec1<R> b, int ip, int iq, Vec1<R> ry, Vec1<R> rz, Vec1<R> grad);

// Gauss-Newton Hessian of order ip+iq into the shared hess.
template <class R>
void hessian(const EstimatorContext<R>& ctx, int ip, int iq, Vec1<R> ry, Vec1<R> rz, Vec1<R> ryz,
             Vec1<R> rzy);

// Shared bv = hess * theta - grad, theta = (a, b): the right-hand side of the Newton step.
template <class R> void bvect(const EstimatorContext<R>& ctx, Vec1<R> a, Vec1<R> b, int ip, int iq);

} // namespace specest
