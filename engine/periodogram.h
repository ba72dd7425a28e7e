// Method 11: |FFT of the windowed, zero-padded record|^2 / n on the two-sided grid.
#pragma once

#include "views.h"

namespace specest {

void periodogram(Vec1<cfloat> x, int n, Vec1<float> w, int nexp, Vec1<float> pper, int npoints);

} // namespace specest
