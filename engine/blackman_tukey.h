// Method 12: Fourier transform of the lag-windowed autocorrelation sequence.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

template <class R>
void blacktukey(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int n, int mode, Vec1<R> w, int m,
                int nexp, Vec1<R> pbt, int npoints);

} // namespace specest
