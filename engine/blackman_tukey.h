// Method 12: Fourier transform of the lag-windowed autocorrelation sequence.
#pragma once

#include "views.h"

namespace specest {

void blacktukey(Vec1<cfloat> x, int n, int mode, Vec1<float> w, int m, int nexp, Vec1<float> pbt,
                int npoints);

} // namespace specest
