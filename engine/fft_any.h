// Double-precision FFT of any length: mixed radix (4, 2, 3, 5 and small odd primes) and
// Bluestein's chirp-z transform for lengths with a large prime factor. Plans (twiddles and
// scratch) are cached per thread, so calls are reentrant and the same input gives the same bits
// on every thread.
#pragma once

#include <complex>
#include <cstddef>

namespace specest::fft64 {

// In place and unnormalised. Forward: X_k = sum_j x_j exp(-2 pi i jk/n), numpy's sign.
// Inverse: the + sign, so fft(fft(x), inverse) = n x. n = 0 does nothing.
void fft(std::complex<double>* x, std::size_t n, bool inverse = false);

// The n/2 + 1 bins of numpy.fft.rfft of n real samples (out must not overlap x). Even n runs
// a complex FFT of n/2 points. n = 0 writes nothing.
void rfft(const double* x, std::size_t n, std::complex<double>* out);

// The smallest 2^a 3^b 5^c >= n (1 for n = 0): lengths the transform handles fastest.
std::size_t next_fast_length(std::size_t n);

} // namespace specest::fft64
