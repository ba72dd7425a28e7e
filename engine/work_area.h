// The estimators' static coefficient tables, matrices and vectors. Capacities match the
// limits of the job record: 210 poles, 200 zeros, order or length 411.
#pragma once

#include "views.h"

namespace specest::wa {

constexpr int kVec = 410;
constexpr int kPacked = 410 * 411 / 2; // packed lower triangle of a Hermitian matrix of order 410

// Parameter vector and Cholesky right-hand side / solution. It is also the driver's AR
// coefficient vector `a` (411 entries): theta(k) and a(k) are the same value.
Vec1<cfloat> theta();
Vec1<cfloat> a();
Vec1<cfloat> bc();
Vec1<float> bv();
Vec1<float> grad();
Vec1<float> rho();
// hc and rmat are two names for one array.
Vec1<cfloat> hc();
Vec1<cfloat> rmat();
Mat1<float> s();       // 211 x 211
Mat1<cfloat> bb();     // 210 x 210
Mat1<cfloat> xl();     // 410 x 410
Mat1<cfloat> aa();     // 411 x 411
Mat1<float> hess();    // 410 x 410
Mat1<float> aa_real(); // 210 x 210

// The driver's MA coefficients and the real copies for the real-data estimators (411 each).
Vec1<cfloat> b();
Vec1<float> a0();
Vec1<float> b0();

} // namespace specest::wa
