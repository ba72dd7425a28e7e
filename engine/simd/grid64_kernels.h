// The modern driver's per-sample and per-bin loops in vector lanes. Only exact operations
// (copies, products, quotients, comparisons): the bits are those of the scalar loops on every
// instruction set.
#pragma once

#include <cstddef>

namespace specest::simd {

// out[2k] = x[k] - offset, out[2k + 1] = 0 for k < n (a real record as complex pairs); true
// when every x[k] * x[k] <= limit2 (false for a NaN or an infinity).
bool real_to_complex_checked(const double* x, std::size_t n, double limit2, double offset,
                             double* out);

// parts[r] = the sum of x[i] over i < n with i % width == r, each in increasing i (width a
// power of two, 1 .. 32): the same bits as that scalar loop, whatever the vector width. True
// when every x[i] * x[i] <= limit2 (false for a NaN or an infinity).
bool residue_sums(const double* x, std::size_t n, std::size_t width, double limit2, double* parts);

// out[k] = pairs[2k] for k < n; true when every pairs[2k + 1] == 0 (a real record).
bool real_parts(const double* pairs, std::size_t n, double* out);

// d[k] = raw[k] * scale, then doubled for lo <= k < hi (k < n); true when every d[k] is finite.
bool scale_density(const double* raw, std::size_t n, double scale, std::size_t lo, std::size_t hi,
                   double* d);

// out[k] = s2 / (re * re + im * im) of the pairs den[2k], den[2k + 1] (k < n), the AR model's
// spectrum; true when every value is finite.
bool ar_spectrum(const double* den, std::size_t n, double s2, double* out);

// The first i in [from, end) with v[i] > v[i - 1] and not v[i + 1] > v[i] (where a peak or a
// flat top may start), else end. Reads v[from - 1 .. end]; from >= 1.
std::size_t next_peak_candidate(const double* v, std::size_t from, std::size_t end);

// f[k] = k * step for k < positive, (k - grid) * step for positive <= k < n, with
// step = 1 / (grid * (1 / fs)): numpy's fftfreq(grid, 1 / fs) and rfftfreq, bit for bit.
void grid_frequencies(double* f, std::size_t n, std::size_t positive, double fs, int grid);

} // namespace specest::simd
