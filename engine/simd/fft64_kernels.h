// Vector Stockham passes of the double-precision FFT (fft_any.cpp), over the interleaved
// complex values of s transforms at once. Only Mul, Add and Sub, in the scalar code's order:
// the results are the scalar passes' bits on every instruction set.
#pragma once

#include <cstddef>

namespace specest::simd {

// One pass of radix 2, 3, 4 or 5. With s > 1 it does q = 0 .. count - 1 of the s interleaved
// transforms for every p; with s = 1, p = 0 .. count - 1. The count returned is a multiple of
// the complex values per vector, 0 for other radices. x, y and tw are interleaved complex; tw
// holds for s > 1 per p the twiddles of k = 1..radix-1, for s = 1 per k those of every p.
std::size_t fft64_pass(const double* x, double* y, std::size_t radix, std::size_t s, std::size_t m,
                       const double* tw, bool inverse);

// A pass of any radix over s > 1 interleaved sequences that hold only their first nz points:
// for every p < nz and q = 0 .. count - 1, y[q + s radix p + s k] = x[q + s p] w(p, k) (w = 1
// for k = 0), with tw laid out per p. Returns count (a multiple of the complex values per
// vector); the scalar code's operations, so its bits.
std::size_t fft64_sparse_pass(const double* x, double* y, std::size_t radix, std::size_t s,
                              std::size_t nz, const double* tw);

// The real transform's last step on the half-length transform z (interleaved, h + 1 values):
// for k = 1 .. count, with zk = z[k], zr = conj z[h - k]:
//   z[k] = E + w[k] O, z[h - k] = E' + w[h - k] O' (E, O, E', O' as in fft_any.cpp),
// the pairs in vector lanes. Returns the k done (from 1): the caller does the rest. The same
// operations in the same order as the scalar loop: its bits.
std::size_t real_fft64_finish(double* z, std::size_t h, std::size_t count, const double* w);

} // namespace specest::simd
