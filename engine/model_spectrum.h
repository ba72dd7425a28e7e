// Power spectrum of a fitted AR, MA or ARMA model on the N-point two-sided grid:
// P = sig2 |B|^2 / |A|^2.
#pragma once

#include "views.h"

namespace specest {

void armapsd(int ip, int iq, Vec1<cfloat> a, Vec1<cfloat> b, float sig2, int nexp, Vec1<float> psd,
             int npoints);

} // namespace specest
