// In-place radix-2 decimation-in-time FFT of x(1..N), N = 2^nexp.
// invrs 1: forward, no scaling. invrs -1: inverse, divided by N. Other values leave x alone.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

void fft(Vec1<cfloat> x, int nexp, int invrs, int npoints);

template <class R> struct EstimatorContext;

// The transform of a run at precision R: classic, the radix-2 transform of length 2^nexp;
// modern, a transform of the run's grid length (any length; ctx.transform_length).
template <class R> int transform_length(const EstimatorContext<R>& ctx, int nexp);
template <class R>
void transform(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int nexp, int invrs, int npoints);
// Any-length transform in double: forward exp(-2 pi i jk/n) unscaled, inverse divided by n.
void fft_any(cdouble* x, int n, int invrs);

// The same transform with every twiddle factor recomputed in its butterfly, as the algorithm is
// written; fft() must match it bit for bit.
void fft_recomputed_twiddles(Vec1<cfloat> x, int nexp, int invrs, int npoints);

} // namespace specest
