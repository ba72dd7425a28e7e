// Recursive maximum-likelihood AR estimation of real data. The steps of one order are exposed
// for tests.
#pragma once

#include "views.h"

namespace specest {

// job().iflag value when an order's cubic cannot be formed or has no usable root.
constexpr int kRmleUndefinedFlag = 6;

namespace rmle_steps {

// s(i,j) = sum_{t=1..n+2-i-j} x(t+i-1) x(t+j-1), i, j = 1..ip+1 (shared work area).
void smat(Vec1<float> x, const int& n, const int& ip);
// Cubic coefficients p, q, r and the sums c, d of order i; e carries the error energy.
void coeff(const int& i, const int& ip, const int& n, float& p, float& q, float& r, float& c,
           float& d, float& e);
// Real roots of rho^3 + p rho^2 + q rho + r = 0 in closed form: nreal = 1 (root[0]) or 3.
// nreal = 0 when the discriminant is not a number.
void cubic(const float& p, const float& q, const float& r, int& nreal, float root[3]);
// Of three real roots, the one in [-1, 1] with the largest log-likelihood replaces aii.
void test(const float root[3], const float& c, const float& d, const float& e, const int& i,
          const int& n, float& aii);
// Levinson update of order i with aa_real(i,i); e += 2 c rho + d rho^2; rho_i = e / n.
void arupt(const int& i, const int& n, const float& c, const float& d, float& e, float& rho_i);

} // namespace rmle_steps
} // namespace specest
