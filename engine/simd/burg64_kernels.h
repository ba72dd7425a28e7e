// Burg's recursion in double precision (the modern profile). The forward errors f and the
// backward errors g are stored in pairs: an order's sums run over f[j] conj(g[j]), and the
// next order's errors are
//     f'[j] = f[j] + w g[j],    g'[j] = g[j-1] + conj(w) f[j-1]    (old values on the right)
// for j >= 1, so each order's pairs start one index later. Real records hold one double per
// value, complex ones interleaved (re, im) pairs, j counting complex values.
//
// The sums run in vector lanes and are then added lane by lane in a fixed order: the same
// input gives the same bits on every call for a given instruction set (they are not the
// scalar code's bits; the modern profile has none to keep).
#pragma once

#include <cstddef>

namespace specest::simd {

// sums = {Re, Im of sum f[j] conj(g[j]), sum |f[j]|^2 + |g[j]|^2} over j < count (Im = 0 for
// real records).
void burg64_sums(const double* f, const double* g, std::size_t count, bool complex, double* sums);

// One order in place, w = wr + i wi (wi unused for real records): f[j], g[j] for
// j = count-1 .. 1 become f'[j], g'[j]; sums are those of the new pairs j = 1 .. count-1, formed
// in the same pass. The blocks follow f's vector alignment, so the order of the sums depends
// on the address of f modulo 64 bytes as well: a caller wanting the same bits from every call
// keeps f on a fixed alignment (and g on the same, for speed).
void burg64_step(double* f, double* g, std::size_t count, bool complex, double wr, double wi,
                 double* sums);

} // namespace specest::simd
