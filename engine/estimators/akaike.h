// Pieces of the Akaike iteration that tests reach directly.
#pragma once

#include "views.h"

namespace specest {

// Status of akaike() when the previous model's innovation variance is zero (an all-zero record
// or an exact fit): the relative change cannot be formed and the iteration stops. The other
// statuses: 0 converged, -1 Newton system not positive definite, 1 MA part not minimum-phase,
// 2 nit iterations without convergence, 3 no iteration run.
constexpr int kAkaikeZeroVariance = 5;

// sig2 = innovation variance of (a, b) on x; iflag = 0 when it changed by less than per percent
// from sig2p, kAkaikeZeroVariance (with an explanation in the report) when sig2p is zero or not
// finite, otherwise unchanged. e and y are work arrays.
void chkdn(float sig2p, int n, Vec1<float> x, Vec1<float> a, Vec1<float> b, int ip, int iq,
           float per, float& sig2, int& iflag, Vec1<float> e, Vec1<float> y);

} // namespace specest
