// Correlations, gradient, Gauss-Newton Hessian and Newton right-hand side of the
// prediction-error criterion sum e^2, e = (A/B) x, for the Akaike iteration (real data).
// Correlation vectors are indexed by lag + 1. Inner sums are carried in double precision.
#pragma once

#include "views.h"

namespace specest {

// r = sum_{j=1..n-lag} x(j) y(j+lag) / n (biased; 0 when lag >= n).
void corr(int n, int lag, Vec1<float> x, Vec1<float> y, float& r);

// ry: lags 0..ip of y; rz: lags 0..iq of z; ryz: lags 0..ip-1 of (y, z);
// rzy: lags 1..iq-1 of (z, y) (rzy(1) is left alone).
void corrcomp(int n, Vec1<float> y, Vec1<float> z, int ip, int iq, Vec1<float> ry, Vec1<float> rz,
              Vec1<float> ryz, Vec1<float> rzy);

// Gradient of (1/n) sum e^2 with respect to a(1..ip), b(1..iq) into grad(1..ip+iq).
void gradient(Vec1<float> a, Vec1<float> b, int ip, int iq, Vec1<float> ry, Vec1<float> rz,
              Vec1<float> grad);

// Gauss-Newton Hessian of order ip+iq into the shared hess.
void hessian(int ip, int iq, Vec1<float> ry, Vec1<float> rz, Vec1<float> ryz, Vec1<float> rzy);

// Shared bv = hess * theta - grad, theta = (a, b): the right-hand side of the Newton step.
void bvect(Vec1<float> a, Vec1<float> b, int ip, int iq);

} // namespace specest
