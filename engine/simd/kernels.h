// Vector kernels behind runtime dispatch. Each lane is one independent accumulator or butterfly
// of the scalar code (a lag, a matrix entry, a frequency), computed with the same operations
// in the same order and precision: separate multiplies and adds (never fused), double where the
// scalar code widens, a float rounding where it stores float. The results equal the scalar
// reference bit for bit on every instruction set.
#pragma once

namespace specest::simd {

// Stages of the radix-2 decimation-in-time FFT on split arrays re/im, n = 2^nexp. The stage of
// butterfly distance `half` reads its twiddles from wr/wi + half - 1.
// fft_first_stages_in_planes: stages half = 1, 2, 4 (nexp >= 3) on the plane layout, where
// element 8c + r of the bit-reversed sequence sits at r * stride + c (stride >= n/8).
void fft_first_stages_in_planes(float* re, float* im, int nexp, int stride, const double* wr,
                                const double* wi);
// fft_stages: stages half = first_half .. n/2 on the bit-reversed sequence in natural order.
void fft_stages(float* re, float* im, int nexp, int first_half, const double* wr, const double* wi);
// out (interleaved complex) = re, im.
void fft_store(const float* re, const float* im, int n, float* out);

// Lag sums of correlation: for k < lag, sr[k] + i si[k] = sum_{i < n-k} conj(x(i)) y(i+k), each
// summed in increasing i, in double. Lags k >= n get 0.
void correlation_sums(const double* xr, const double* xi, const double* yr, const double* yi, int n,
                      int lag, double* sr, double* si);

// p(m) = conj(a(m)) b(m) for m < count, in double as (ar br + ai bi, ar bi - ai br).
void lag_products(const double* ar, const double* ai, const double* br, const double* bi, int count,
                  double* pr, double* pi);

// One vector of float accumulators (double_lanes() of them): lane l at step t reads the
// descending stream at desc[l - t] and the ascending one at asc[l + t].
struct DiagonalSlot {
    const double* desc_r;
    const double* desc_i;
    const double* asc_r;
    const double* asc_i;
    float* acc_r;
    float* acc_i;
};
int double_lanes();

// The largest re * re + im * im of n complex floats (interleaved), in double: the squares are
// exact, the sum rounded once, as the scalar loop computes them; NaN values are passed over
// as std::max passes them, so the result is the scalar loop's, 0 for n = 0.
double peak_power(const float* pairs, int n);

// For t < steps, every lane of slots[0..count) does acc = float(acc + term) with term the
// descending value (terms 1), the ascending one (2) or descending + ascending (3).
void diagonal_sums(const DiagonalSlot* slots, int count, int steps, int terms);

// The same with term = conj(x) b(t) (forward) or x conj(b(t)) (backward), x the descending
// (forward) or ascending (backward) value and b(t) = br/bi[t] common to all lanes.
void row_sums(const DiagonalSlot* slots, int count, const double* br, const double* bi, int steps,
              bool backward);

// One block of minimum-variance grid points: for q < cnt,
// s(q) = sum_i sum_k (conj(e_i(q)) rinv(i,k)) e_k(q) in float accumulators, i outer, k inner.
// e_i(q) is er/ei[(i-1)*stride + q]; rinv(i,k) is rr/ri[(i-1) + (k-1)*ip].
void mvse_block(const double* er, const double* ei, int stride, int ip, const double* rr,
                const double* ri, int cnt, float* sr, float* si);

// Burg's error update on interleaved complex arrays (index t is the sample pair at 2t), for
// t0 <= t < t0 + count: ef1(t) = ef(t) + w eb(t-1), eb1(t-1) = eb(t-2) + conj(w) ef(t-1), each
// complex product and sum in double, stored as float; and the next order's sums over the
// updated errors f = ef1(t), b = eb1(t-1) in increasing t, as the scalar code forms them,
// continued in the float accumulators sums[0] + i sums[1] (f conj(b)) and sums[2]
// (|f|^2 + |b|^2). Returns the t it stopped before: the caller does t .. t0 + count - 1.
int burg_update_and_sums(const float* ef, const float* eb, float* ef1, float* eb1, int t0,
                         int count, double wr, double wi, float* sums);

} // namespace specest::simd
