// Method 11: |FFT of the windowed, zero-padded record|^2 / n on the two-sided grid.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

template <class R>
void periodogram(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int n, Vec1<R> w, int nexp,
                 Vec1<R> pper, int npoints);

} // namespace specest
