// In-place radix-2 decimation-in-time FFT of x(1..N), N = 2^nexp.
// invrs 1: forward, no scaling. invrs -1: inverse, divided by N. Other values leave x alone.
#pragma once

#include "views.h"

namespace specest {

void fft(Vec1<cfloat> x, int nexp, int invrs, int npoints);

// The same transform with every twiddle factor recomputed in its butterfly, as the algorithm is
// written; fft() must match it bit for bit.
void fft_recomputed_twiddles(Vec1<cfloat> x, int nexp, int invrs, int npoints);

} // namespace specest
