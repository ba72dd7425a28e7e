// Pieces of the Akaike iteration that tests reach directly.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

// Status of akaike() when the previous model's innovation variance is zero (an all-zero record
// or an exact fit): the relative change cannot be formed and the iteration stops. The other
// statuses: 0 converged, -1 Newton system not positive definite, 1 MA part not minimum-phase,
// 2 nit iterations without convergence, 3 no iteration run.
constexpr int kAkaikeZeroVariance = 5;

// sig2 = innovation variance of (a, b) on x; iflag = 0 when it changed by less than per percent
// from sig2p, kAkaikeZeroVariance (with an explanation in the report) when sig2p is zero or not
// finite, otherwise unchanged. e and y are work arrays.
template <class R>
void chkdn(const EstimatorContext<R>& ctx, R sig2p, int n, Vec1<R> x, Vec1<R> a, Vec1<R> b, int ip,
           int iq, R per, R& sig2, int& iflag, Vec1<R> e, Vec1<R> y);

} // namespace specest
