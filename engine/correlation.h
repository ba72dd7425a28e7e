// Correlation lags of complex sequences: Rxx(k+1) = sum conj(x(i)) y(i+k) / (n-k) (mode 0,
// unbiased) or / n (other modes, biased), for k = 0..lag-1, summed in double precision.
#pragma once

#include "views.h"

namespace specest {

void correlation(int n, int lag, int mode, Vec1<cfloat> x, Vec1<cfloat> y, Vec1<cfloat> rxx);

} // namespace specest
