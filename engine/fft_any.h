// Double-precision FFT of any length: mixed radix (4, 2, 3, 5 and small odd primes) and
// Bluestein's chirp-z transform for lengths with a large prime factor. Plans are cached per
// thread up to 2^19 points and made per call above that, so calls are reentrant, the same input
// gives the same bits on every thread, and a large transform leaves no memory behind. A plan of
// n points holds one table of twiddles per stage (about 16 n bytes in all), a work array of 16 n
// bytes made when a complex or read-only real transform first needs it and, when cached, the
// n + 1 twiddles of a real transform of 2 n points.
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

// The same bits as rfft, with x (n doubles) as the transform's second buffer: x is left
// undefined, and even n needs no work array. Needs 16-byte alignment of x.
void rfft_scratch(double* x, std::size_t n, std::complex<double>* out);

// rfft of x's first `used` samples followed by zeros up to n (those are not read): a short
// polynomial's values on a long grid. The passes skip the zeros; the values are rfft's of the
// padded samples, zeros' signs aside.
void rfft_prefix(const double* x, std::size_t used, std::size_t n, std::complex<double>* out);

// The smallest 2^a 3^b 5^c >= n (1 for n = 0): lengths the transform handles fastest.
std::size_t next_fast_length(std::size_t n);

} // namespace specest::fft64
