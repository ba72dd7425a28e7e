// In-place radix-2 decimation-in-time FFT of x(1..N), N = 2^nexp.
// invrs 1: forward, no scaling. invrs -1: inverse, divided by N. Other values leave x alone.
#pragma once

#include "views.h"

namespace specest {

void fft(Vec1<cfloat> x, int nexp, int invrs, int npoints);

} // namespace specest
