// Driving-noise variance of an ARMA model re-estimated in the frequency domain.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

// ctx.job.iflag value when the estimate is not finite (B(z) has a zero on a transform frequency).
constexpr int kVarmNotFiniteFlag = 4;

// sig2 = sum |X(k)|^2 |A(k)|^2 / |B(k)|^2 / (n m) over the m = 2^nexp point transforms of the
// zero-padded record, of 1 + a(1..ip) and of 1 + bc(1..iq) (bc from the shared work area), i.e.
// the mean square of the residual (A/B) x under circular filtering. x(1..m) is left holding the
// transform of the padded record. When the sum is not finite an explanation goes to the report,
// ctx.job.iflag is set to kVarmNotFiniteFlag and sig2 to 0.
template <class R>
void varm(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, const int& n, Vec1<cx<R>> a, const int& ip,
          const int& iq, const int& nexp, R& sig2, const int& npoints);

} // namespace specest
