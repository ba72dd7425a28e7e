// Non-Hermitian Toeplitz solver for the modified Yule-Walker equations
//   sum_{j=1..ip} a(j) r(iq+k-j) = -r(iq+k),  k = 1..ip,
// with r(m) = Rxx(m+1) for m >= 0 and r(m) = conj(r(-m)) for m < 0.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

// Levinson recursion with forward (shared aa) and backward (shared bb) predictors, sums in
// single precision. iflag = -1 when a pivot's magnitude is not above eps (the pivot of the
// last order is not tested), when a pivot is zero whatever eps is, or when r(iq) is zero; a is
// then left unchanged. ip >= 1.
template <class R>
void toepeqn(const EstimatorContext<R>& ctx, Vec1<cx<R>> rxx, int ip, int iq, R eps, Vec1<cx<R>> a,
             int& iflag);

} // namespace specest
