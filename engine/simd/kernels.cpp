// Compiled once per instruction set by Highway's foreach_target; the best one this CPU supports
// is chosen at run time. Only Mul, Add and Sub appear: no MulAdd, which would fuse and round
// once where the scalar code rounds twice.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "simd/kernels.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace specest::simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// double -> float as static_cast does it (overflow gives infinity). Highway's portable targets
// clamp to the largest float instead, so there the lanes are converted one by one.
template <class DF, class VD> HWY_INLINE hn::Vec<DF> Narrow(DF df, VD v) {
#if HWY_TARGET == HWY_EMU128 || HWY_TARGET == HWY_SCALAR
    const hn::Rebind<double, DF> dd;
    double wide[16];
    float out[16];
    hn::StoreU(v, dd, wide);
    for (size_t i = 0; i < hn::Lanes(dd); ++i) out[i] = static_cast<float>(wide[i]);
    return hn::LoadU(df, out);
#else
    return hn::DemoteTo(df, v);
#endif
}

template <class D> HWY_INLINE hn::Vec<D> LoadWide(D dd, const float* p) {
    const hn::Rebind<float, D> df;
    return hn::PromoteTo(dd, hn::LoadU(df, p));
}

template <class D, class V> HWY_INLINE void StoreNarrow(D dd, V v, float* p) {
    (void)dd;
    const hn::Rebind<float, D> df;
    hn::StoreU(Narrow(df, v), df, p);
}

// ---------------------------------------------------------------------------------------------
// FFT: lanes are the butterflies k of one group.

template <class D>
HWY_INLINE void FftStage(D dd, float* re, float* im, int n, int half, const double* wr,
                         const double* wi) {
    const int lanes = static_cast<int>(hn::Lanes(dd));
    for (int base = 0; base < n; base += 2 * half) {
        float* ur = re + base;
        float* ui = im + base;
        float* vr = ur + half;
        float* vi = ui + half;
        for (int k = 0; k < half; k += lanes) {
            const auto wre = hn::LoadU(dd, wr + k), wim = hn::LoadU(dd, wi + k);
            const auto a = LoadWide(dd, ur + k), b = LoadWide(dd, ui + k);
            const auto c = LoadWide(dd, vr + k), d = LoadWide(dd, vi + k);
            const auto tr = hn::Sub(hn::Mul(c, wre), hn::Mul(d, wim));
            const auto ti = hn::Add(hn::Mul(c, wim), hn::Mul(d, wre));
            StoreNarrow(dd, hn::Add(a, tr), ur + k);
            StoreNarrow(dd, hn::Add(b, ti), ui + k);
            StoreNarrow(dd, hn::Sub(a, tr), vr + k);
            StoreNarrow(dd, hn::Sub(b, ti), vi + k);
        }
    }
}

// One butterfly stage between two planes (arrays of columns): u = pa[c], v = pb[c], one twiddle.
template <class D>
HWY_INLINE void PlaneButterflies(D dd, float* ar, float* ai, float* br, float* bi, int cols,
                                 double wr, double wi) {
    const int lanes = static_cast<int>(hn::Lanes(dd));
    const auto wre = hn::Set(dd, wr), wim = hn::Set(dd, wi);
    for (int c = 0; c < cols; c += lanes) {
        const auto a = LoadWide(dd, ar + c), b = LoadWide(dd, ai + c);
        const auto x = LoadWide(dd, br + c), y = LoadWide(dd, bi + c);
        const auto tr = hn::Sub(hn::Mul(x, wre), hn::Mul(y, wim));
        const auto ti = hn::Add(hn::Mul(x, wim), hn::Mul(y, wre));
        StoreNarrow(dd, hn::Add(a, tr), ar + c);
        StoreNarrow(dd, hn::Add(b, ti), ai + c);
        StoreNarrow(dd, hn::Sub(a, tr), br + c);
        StoreNarrow(dd, hn::Sub(b, ti), bi + c);
    }
}

// The first three stages pair elements closer than a vector is wide. Here element 8c + r of the
// bit-reversed sequence is column c of plane r (planes of n/8 columns, one after the other), so
// each of those butterflies pairs two whole planes with one twiddle and runs across columns.
// Plane r starts at r * stride.
void FftFirstStagesInPlanes(float* re, float* im, int nexp, int stride, const double* wr,
                            const double* wi) {
    const int cols = 1 << (nexp - 3);
    auto plane = [&](float* base, int r) { return base + static_cast<std::ptrdiff_t>(r) * stride; };
    const hn::ScalableTag<double> d;
    const hn::CappedTag<double, 4> d4; // for short transforms (cols < lanes)
    for (int half = 1; half < 8; half *= 2) {
        for (int base = 0; base < 8; base += 2 * half) {
            for (int k = 0; k < half; ++k) {
                const int a = base + k, b = a + half;
                const double w_re = wr[half - 1 + k], w_im = wi[half - 1 + k];
                if (cols >= static_cast<int>(hn::Lanes(d)))
                    PlaneButterflies(d, plane(re, a), plane(im, a), plane(re, b), plane(im, b),
                                     cols, w_re, w_im);
                else if (cols >= static_cast<int>(hn::Lanes(d4)))
                    PlaneButterflies(d4, plane(re, a), plane(im, a), plane(re, b), plane(im, b),
                                     cols, w_re, w_im);
                else
                    PlaneButterflies(hn::CappedTag<double, 1>(), plane(re, a), plane(im, a),
                                     plane(re, b), plane(im, b), cols, w_re, w_im);
            }
        }
    }
}

// Stages from `first_half` on, in the natural order (every half at least 8).
void FftStages(float* re, float* im, int nexp, int first_half, const double* wr, const double* wi) {
    const hn::ScalableTag<double> d;
    const int n = 1 << nexp;
    for (int half = first_half; half < n; half *= 2) {
        const double* sr = wr + (half - 1);
        const double* si = wi + (half - 1);
        // Short stages use narrower vectors, down to one lane.
        if (half >= static_cast<int>(hn::Lanes(d)))
            FftStage(d, re, im, n, half, sr, si);
        else if (half >= 4)
            FftStage(hn::CappedTag<double, 4>(), re, im, n, half, sr, si);
        else if (half >= 2)
            FftStage(hn::CappedTag<double, 2>(), re, im, n, half, sr, si);
        else
            FftStage(hn::CappedTag<double, 1>(), re, im, n, half, sr, si);
    }
}

// Interleaves re, im into complex x.
void FftStore(const float* re, const float* im, int n, float* out) {
    const hn::ScalableTag<float> df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    int i = 0;
    for (; i + lanes <= n; i += lanes)
        hn::StoreInterleaved2(hn::LoadU(df, re + i), hn::LoadU(df, im + i), df, out + 2 * i);
    for (; i < n; ++i) {
        out[2 * i] = re[i];
        out[2 * i + 1] = im[i];
    }
}

// ---------------------------------------------------------------------------------------------
// Correlation: lanes are lags. Groups of kGroup vectors share the broadcast of x(i).

void CorrelationSums(const double* xr, const double* xi, const double* yr, const double* yi, int n,
                     int lag, double* sr, double* si) {
    const hn::ScalableTag<double> d;
    constexpr int kGroup = 4;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const int width = kGroup * lanes;
    double lr[kGroup * 16], li[kGroup * 16]; // 16 >= lanes of any target
    for (int k0 = 0; k0 < lag; k0 += width) {
        // Every lane of the group runs while all its y(i+k) exist; the rest of each sum (the
        // last terms, in order) is added one by one.
        const int common = n - (k0 + width - 1);
        int done = 0;
        if (common > 0) {
            // Named accumulators, so that they stay in registers.
            auto r0 = hn::Zero(d), r1 = r0, r2 = r0, r3 = r0;
            auto i0 = hn::Zero(d), i1 = i0, i2 = i0, i3 = i0;
            for (int i = 0; i < common; ++i) {
                const auto xre = hn::Set(d, xr[i]), xim = hn::Set(d, xi[i]);
                const double* pr = yr + i + k0;
                const double* pi = yi + i + k0;
                auto step = [&](auto& acc_r, auto& acc_i, int g) {
                    const auto yre = hn::LoadU(d, pr + g * lanes);
                    const auto yim = hn::LoadU(d, pi + g * lanes);
                    acc_r = hn::Add(acc_r, hn::Add(hn::Mul(xre, yre), hn::Mul(xim, yim)));
                    acc_i = hn::Add(acc_i, hn::Sub(hn::Mul(xre, yim), hn::Mul(xim, yre)));
                };
                step(r0, i0, 0);
                step(r1, i1, 1);
                step(r2, i2, 2);
                step(r3, i3, 3);
            }
            hn::StoreU(r0, d, lr);
            hn::StoreU(r1, d, lr + lanes);
            hn::StoreU(r2, d, lr + 2 * lanes);
            hn::StoreU(r3, d, lr + 3 * lanes);
            hn::StoreU(i0, d, li);
            hn::StoreU(i1, d, li + lanes);
            hn::StoreU(i2, d, li + 2 * lanes);
            hn::StoreU(i3, d, li + 3 * lanes);
            done = common;
        } else {
            for (int q = 0; q < width; ++q) lr[q] = li[q] = 0.0;
        }
        for (int q = 0; q < width && k0 + q < lag; ++q) {
            const int k = k0 + q;
            double a = lr[q], b = li[q];
            for (int i = done; i < n - k; ++i) {
                a += xr[i] * yr[i + k] + xi[i] * yi[i + k];
                b += xr[i] * yi[i + k] - xi[i] * yr[i + k];
            }
            sr[k] = a;
            si[k] = b;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Packed float accumulators: lanes are the entries m of one row, updated by
// c(m) = float(c(m) + term(m)); rows shorter than a vector take narrower vectors.

// term = conj(a(m)) b for the forward sums, a(m) conj(b) for the backward ones.
template <bool kBackward, class D>
HWY_INLINE int RowSpan(D d, float* cr, float* ci, const double* ar, const double* ai, int m,
                       int len, double br, double bi) {
    const int lanes = static_cast<int>(hn::Lanes(d));
    const auto vbr = hn::Set(d, br), vbi = hn::Set(d, bi);
    for (; m + lanes <= len; m += lanes) {
        const auto xr = hn::LoadU(d, ar + m), xi = hn::LoadU(d, ai + m);
        const auto tr = hn::Add(hn::Mul(xr, vbr), hn::Mul(xi, vbi));
        const auto ti = kBackward ? hn::Sub(hn::Mul(xi, vbr), hn::Mul(xr, vbi))
                                  : hn::Sub(hn::Mul(xr, vbi), hn::Mul(xi, vbr));
        StoreNarrow(d, hn::Add(LoadWide(d, cr + m), tr), cr + m);
        StoreNarrow(d, hn::Add(LoadWide(d, ci + m), ti), ci + m);
    }
    return m;
}

template <bool kBackward>
HWY_INLINE void Row(float* cr, float* ci, const double* ar, const double* ai, int len, double br,
                    double bi) {
    int m = RowSpan<kBackward>(hn::ScalableTag<double>(), cr, ci, ar, ai, 0, len, br, bi);
    m = RowSpan<kBackward>(hn::CappedTag<double, 4>(), cr, ci, ar, ai, m, len, br, bi);
    m = RowSpan<kBackward>(hn::CappedTag<double, 2>(), cr, ci, ar, ai, m, len, br, bi);
    RowSpan<kBackward>(hn::CappedTag<double, 1>(), cr, ci, ar, ai, m, len, br, bi);
}

inline std::ptrdiff_t PackedRow(int j, int ip) {
    return j == 0 ? 0 : ip + 1 + static_cast<std::ptrdiff_t>(j) * (j - 1) / 2;
}

void CovarianceForward(const double* re, const double* im, const double* rre, const double* rim,
                       int n, int ip, int j_lo, int j_hi, float* cre, float* cim) {
    for (int i = ip + 1; i <= n; ++i) {
        for (int j = j_lo; j <= j_hi; ++j) {
            const int klo = j == 0 ? 0 : 1, khi = j == 0 ? ip : j;
            const std::ptrdiff_t at = PackedRow(j, ip);
            Row<false>(cre + at, cim + at, rre + (n - i + klo), rim + (n - i + klo), khi - klo + 1,
                       re[i - j - 1], im[i - j - 1]);
        }
    }
}

void CovarianceBackward(const double* re, const double* im, int n, int ip, int j_lo, int j_hi,
                        float* cre, float* cim) {
    for (int i = 1; i <= n - ip; ++i) {
        for (int j = j_lo; j <= j_hi; ++j) {
            const int klo = j == 0 ? 0 : 1, khi = j == 0 ? ip : j;
            const std::ptrdiff_t at = PackedRow(j, ip);
            Row<true>(cre + at, cim + at, re + (i + klo - 1), im + (i + klo - 1), khi - klo + 1,
                      re[i + j - 1], im[i + j - 1]);
        }
    }
}

// corrmat: term = (conj(a(m)) b) + (f(m) conj(g)), the two products added before the sum.
template <class D>
HWY_INLINE int CorrmatSpan(D d, float* sr, float* si, const double* ar, const double* ai,
                           const double* fr, const double* fi, int m, int len, double br, double bi,
                           double dr, double di) {
    const int lanes = static_cast<int>(hn::Lanes(d));
    const auto vbr = hn::Set(d, br), vbi = hn::Set(d, bi);
    const auto vdr = hn::Set(d, dr), vdi = hn::Set(d, di);
    for (; m + lanes <= len; m += lanes) {
        const auto xr = hn::LoadU(d, ar + m), xi = hn::LoadU(d, ai + m);
        const auto yr = hn::LoadU(d, fr + m), yi = hn::LoadU(d, fi + m);
        const auto tr = hn::Add(hn::Add(hn::Mul(xr, vbr), hn::Mul(xi, vbi)),
                                hn::Add(hn::Mul(yr, vdr), hn::Mul(yi, vdi)));
        const auto ti = hn::Add(hn::Sub(hn::Mul(xr, vbi), hn::Mul(xi, vbr)),
                                hn::Sub(hn::Mul(yi, vdr), hn::Mul(yr, vdi)));
        StoreNarrow(d, hn::Add(LoadWide(d, sr + m), tr), sr + m);
        StoreNarrow(d, hn::Add(LoadWide(d, si + m), ti), si + m);
    }
    return m;
}

void CorrmatSums(const double* re, const double* im, const double* rre, const double* rim, int n,
                 int ip, int i_lo, int i_hi, float* cr, float* ci) {
    for (int k = ip + 1; k <= n; ++k) {
        const double* ar = rre + (n - k + 1);
        const double* ai = rim + (n - k + 1);
        const double* fr = re + (k - ip);
        const double* fi = im + (k - ip);
        for (int i = i_lo; i <= i_hi; ++i) {
            const double br = re[k - i - 1], bi = im[k - i - 1];
            const double dr = re[k - ip + i - 1], di = im[k - ip + i - 1];
            float* sr = cr + static_cast<std::ptrdiff_t>(i) * (i - 1) / 2;
            float* si = ci + static_cast<std::ptrdiff_t>(i) * (i - 1) / 2;
            int m = CorrmatSpan(hn::ScalableTag<double>(), sr, si, ar, ai, fr, fi, 0, i, br, bi, dr,
                                di);
            m = CorrmatSpan(hn::CappedTag<double, 4>(), sr, si, ar, ai, fr, fi, m, i, br, bi, dr,
                            di);
            m = CorrmatSpan(hn::CappedTag<double, 2>(), sr, si, ar, ai, fr, fi, m, i, br, bi, dr,
                            di);
            CorrmatSpan(hn::CappedTag<double, 1>(), sr, si, ar, ai, fr, fi, m, i, br, bi, dr, di);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Minimum-variance grid: lanes are frequencies.

template <class D>
HWY_INLINE int MvseSpan(D d, const double* eir, const double* eii, const double* ekr,
                        const double* eki, double rr, double ri, int q, int cnt, float* sr,
                        float* si) {
    const int lanes = static_cast<int>(hn::Lanes(d));
    const auto vrr = hn::Set(d, rr), vri = hn::Set(d, ri);
    for (; q + lanes <= cnt; q += lanes) {
        const auto a = hn::LoadU(d, eir + q), b = hn::LoadU(d, eii + q);
        const auto c1r = hn::Add(hn::Mul(a, vrr), hn::Mul(b, vri));
        const auto c1i = hn::Sub(hn::Mul(a, vri), hn::Mul(b, vrr));
        const auto c = hn::LoadU(d, ekr + q), dd = hn::LoadU(d, eki + q);
        const auto tr = hn::Sub(hn::Mul(c1r, c), hn::Mul(c1i, dd));
        const auto ti = hn::Add(hn::Mul(c1r, dd), hn::Mul(c1i, c));
        StoreNarrow(d, hn::Add(LoadWide(d, sr + q), tr), sr + q);
        StoreNarrow(d, hn::Add(LoadWide(d, si + q), ti), si + q);
    }
    return q;
}

void MvseBlock(const double* er, const double* ei, int stride, int ip, const double* rr,
               const double* ri, int cnt, float* sr, float* si) {
    for (int i = 1; i <= ip; ++i) {
        const double* eir = er + static_cast<std::ptrdiff_t>(i - 1) * stride;
        const double* eii = ei + static_cast<std::ptrdiff_t>(i - 1) * stride;
        for (int k = 1; k <= ip; ++k) {
            const double* ekr = er + static_cast<std::ptrdiff_t>(k - 1) * stride;
            const double* eki = ei + static_cast<std::ptrdiff_t>(k - 1) * stride;
            const std::ptrdiff_t at = (i - 1) + static_cast<std::ptrdiff_t>(k - 1) * ip;
            int q = MvseSpan(hn::ScalableTag<double>(), eir, eii, ekr, eki, rr[at], ri[at], 0, cnt,
                             sr, si);
            q = MvseSpan(hn::CappedTag<double, 4>(), eir, eii, ekr, eki, rr[at], ri[at], q, cnt, sr,
                         si);
            q = MvseSpan(hn::CappedTag<double, 2>(), eir, eii, ekr, eki, rr[at], ri[at], q, cnt, sr,
                         si);
            MvseSpan(hn::CappedTag<double, 1>(), eir, eii, ekr, eki, rr[at], ri[at], q, cnt, sr,
                     si);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Burg's error update: lanes hold interleaved (re, im) pairs of successive samples.

// w * b for interleaved complex b, as the scalar cmul: (wr br - wi bi, wr bi + wi br).
template <class D>
HWY_INLINE hn::Vec<D> CMulInterleaved(D d, hn::Vec<D> b, hn::Vec<D> wr, hn::Vec<D> wi) {
    const auto p = hn::Mul(b, wr);                  // wr br, wr bi
    const auto q = hn::Mul(hn::Reverse2(d, b), wi); // wi bi, wi br
    return hn::OddEven(hn::Add(p, q), hn::Sub(p, q));
}

void BurgUpdate(const float* ef, const float* eb, float* ef1, float* eb1, int t0, int count,
                double wr, double wi) {
    int t = t0;
#if HWY_TARGET != HWY_SCALAR // pairs need two lanes
    const hn::ScalableTag<double> d;
    const int pairs = static_cast<int>(hn::Lanes(d)) / 2;
    const auto vwr = hn::Set(d, wr), vwi = hn::Set(d, wi), vwci = hn::Set(d, -wi);
    for (; t + pairs <= t0 + count; t += pairs) {
        const auto f = LoadWide(d, ef + 2 * t), b = LoadWide(d, eb + 2 * (t - 1));
        StoreNarrow(d, hn::Add(f, CMulInterleaved(d, b, vwr, vwi)), ef1 + 2 * t);
        const auto b2 = LoadWide(d, eb + 2 * (t - 2)), f1 = LoadWide(d, ef + 2 * (t - 1));
        StoreNarrow(d, hn::Add(b2, CMulInterleaved(d, f1, vwr, vwci)), eb1 + 2 * (t - 1));
    }
#endif
    const double wci = -wi;
    for (; t < t0 + count; ++t) {
        const double br = eb[2 * (t - 1)], bi = eb[2 * (t - 1) + 1];
        ef1[2 * t] = static_cast<float>(ef[2 * t] + (wr * br - wi * bi));
        ef1[2 * t + 1] = static_cast<float>(ef[2 * t + 1] + (wr * bi + wi * br));
        const double fr = ef[2 * (t - 1)], fi = ef[2 * (t - 1) + 1];
        eb1[2 * (t - 1)] = static_cast<float>(eb[2 * (t - 2)] + (wr * fr - wci * fi));
        eb1[2 * (t - 1) + 1] = static_cast<float>(eb[2 * (t - 2) + 1] + (wr * fi + wci * fr));
    }
}

int64_t Target() {
    return HWY_TARGET;
}

} // namespace HWY_NAMESPACE
} // namespace specest::simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include "simd/dispatch.h"
#include "simd/kernels.h"

namespace specest::simd {

HWY_EXPORT(FftFirstStagesInPlanes);
HWY_EXPORT(FftStages);
HWY_EXPORT(FftStore);
HWY_EXPORT(CorrelationSums);
HWY_EXPORT(CovarianceForward);
HWY_EXPORT(CovarianceBackward);
HWY_EXPORT(CorrmatSums);
HWY_EXPORT(MvseBlock);
HWY_EXPORT(BurgUpdate);
HWY_EXPORT(Target);

void fft_first_stages_in_planes(float* re, float* im, int nexp, int stride, const double* wr,
                                const double* wi) {
    HWY_DYNAMIC_DISPATCH(FftFirstStagesInPlanes)(re, im, nexp, stride, wr, wi);
}

void fft_stages(float* re, float* im, int nexp, int first_half, const double* wr,
                const double* wi) {
    HWY_DYNAMIC_DISPATCH(FftStages)(re, im, nexp, first_half, wr, wi);
}

void fft_store(const float* re, const float* im, int n, float* out) {
    HWY_DYNAMIC_DISPATCH(FftStore)(re, im, n, out);
}

void correlation_sums(const double* xr, const double* xi, const double* yr, const double* yi, int n,
                      int lag, double* sr, double* si) {
    HWY_DYNAMIC_DISPATCH(CorrelationSums)(xr, xi, yr, yi, n, lag, sr, si);
}

void covariance_forward(const double* re, const double* im, const double* rre, const double* rim,
                        int n, int ip, int j_lo, int j_hi, float* cre, float* cim) {
    HWY_DYNAMIC_DISPATCH(CovarianceForward)(re, im, rre, rim, n, ip, j_lo, j_hi, cre, cim);
}

void covariance_backward(const double* re, const double* im, int n, int ip, int j_lo, int j_hi,
                         float* cre, float* cim) {
    HWY_DYNAMIC_DISPATCH(CovarianceBackward)(re, im, n, ip, j_lo, j_hi, cre, cim);
}

void corrmat_sums(const double* re, const double* im, const double* rre, const double* rim, int n,
                  int ip, int i_lo, int i_hi, float* cr, float* ci) {
    HWY_DYNAMIC_DISPATCH(CorrmatSums)(re, im, rre, rim, n, ip, i_lo, i_hi, cr, ci);
}

void mvse_block(const double* er, const double* ei, int stride, int ip, const double* rr,
                const double* ri, int cnt, float* sr, float* si) {
    HWY_DYNAMIC_DISPATCH(MvseBlock)(er, ei, stride, ip, rr, ri, cnt, sr, si);
}

void burg_update(const float* ef, const float* eb, float* ef1, float* eb1, int t0, int count,
                 double wr, double wi) {
    HWY_DYNAMIC_DISPATCH(BurgUpdate)(ef, eb, ef1, eb1, t0, count, wr, wi);
}

const char* target_name() {
    return hwy::TargetName(HWY_DYNAMIC_DISPATCH(Target)());
}

std::vector<long long> available_targets() {
    std::vector<long long> out;
    for (const int64_t t : hwy::SupportedAndGeneratedTargets()) out.push_back(t);
    return out;
}

const char* target_name(long long target) {
    return hwy::TargetName(target);
}

void restrict_target(long long target) {
    hwy::SetSupportedTargetsForTest(target);
}

} // namespace specest::simd
#endif
