// Correlation lags of complex sequences: Rxx(k+1) = sum conj(x(i)) y(i+k) / (n-k) (mode 0,
// unbiased) or / n (other modes, biased), for k = 0..lag-1, summed in double precision.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R>
void correlation(int n, int lag, int mode, Vec1<cx<R>> x, Vec1<cx<R>> y, Vec1<cx<R>> rxx);

// The same lags of the real samples x(0..n-1) less offset (double precision, modern only): read
// where they lie, without a copy. Equal to the complex call on (x - offset) + 0i.
void correlation(int n, int lag, int mode, const double* x, double offset, Vec1<cdouble> rxx);

} // namespace specest
