// Power spectrum of a fitted AR, MA or ARMA model on the N-point two-sided grid:
// P = sig2 |B|^2 / |A|^2.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

template <class R>
void armapsd(const EstimatorContext<R>& ctx, int ip, int iq, Vec1<cx<R>> a, Vec1<cx<R>> b, R sig2,
             int nexp, Vec1<R> psd, int npoints);

} // namespace specest
