// Lag sums of a real record in double precision (the modern profile's correlation lags).
#pragma once

#include <cstddef>

namespace specest::simd {

// s[k - k0] = sum_{i < n-k} (x[i] - offset) (x[i+k] - offset) for k0 <= k < k1 (0 when k >= n):
// the lags of x less its mean, with the subtraction done as each sample is read (the bits of
// lags of a subtracted copy). Each lag is summed in
// its own fixed order (vector lanes over i from 0, the lanes in order, then the last terms),
// whichever lags it is computed beside: the bits depend only on the instruction set, not on
// how a caller splits the lags.
void real_lag_sums(const double* x, std::size_t n, std::size_t k0, std::size_t k1, double offset,
                   double* s);

} // namespace specest::simd
