// Compiled once per instruction set by Highway's foreach_target; the best one this CPU supports
// is chosen at run time. Only Mul, Add and Sub appear: no MulAdd, which would fuse and round
// once where the scalar code rounds twice.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "simd/kernels.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "simd/kernels.h"

#include <cstddef>
#include <type_traits>
#include <utility>

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
    // GCC 12 folds double(float(x)) back to x when it vectorises a loop over several of
    // these lanes; the barrier keeps the rounding.
    asm volatile("" : : "r"(out) : "memory");
    return hn::LoadU(df, out);
#else
    return hn::DemoteTo(df, v);
#endif
}

// Keeps a loaded vector in a register: GCC otherwise folds the load into each multiply that
// uses it, and unaligned loads that straddle cache lines then cost twice.
template <class V> HWY_INLINE void InRegister(V& v) {
#if HWY_ARCH_X86 && HWY_TARGET != HWY_EMU128 && HWY_TARGET != HWY_SCALAR
    asm("" : "+v"(v.raw));
#else
    (void)v;
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
                    auto yre = hn::LoadU(d, pr + g * lanes);
                    auto yim = hn::LoadU(d, pi + g * lanes);
                    InRegister(yre);
                    InRegister(yim);
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
// Lag products and the float accumulators that sum them along a diagonal of a correlation
// matrix: lanes are successive accumulators of one diagonal, and up to kSlots vectors (from one
// diagonal or several) run side by side, so that the chains of float roundings overlap.

void LagProducts(const double* ar, const double* ai, const double* br, const double* bi, int count,
                 double* pr, double* pi) {
    const hn::ScalableTag<double> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int m = 0;
    for (; m + lanes <= count; m += lanes) {
        auto xr = hn::LoadU(d, ar + m), xi = hn::LoadU(d, ai + m);
        auto yr = hn::LoadU(d, br + m), yi = hn::LoadU(d, bi + m);
        InRegister(xr);
        InRegister(xi);
        InRegister(yr);
        InRegister(yi);
        hn::StoreU(hn::Add(hn::Mul(xr, yr), hn::Mul(xi, yi)), d, pr + m);
        hn::StoreU(hn::Sub(hn::Mul(xr, yi), hn::Mul(xi, yr)), d, pi + m);
    }
    for (; m < count; ++m) {
        pr[m] = ar[m] * br[m] + ai[m] * bi[m];
        pi[m] = ar[m] * bi[m] - ai[m] * br[m];
    }
}

constexpr int kSlots = 8;

// body(n, first) for the items first .. first + n - 1 of `count`, at most kMax at a time, with n
// a compile-time constant (std::integral_constant), so each batch size gets its own code.
template <int kMax, class Body> HWY_INLINE void InBatches(int count, Body body) {
    for (int first = 0; first < count; first += kMax) {
        const int n = count - first < kMax ? count - first : kMax;
        [&]<int... kN>(std::integer_sequence<int, kN...>) {
            ((n == kN + 1 ? body(std::integral_constant<int, kN + 1>{}, first) : void()), ...);
        }
        (std::make_integer_sequence<int, kMax>{});
    }
}

// kTerms: 1 the descending stream, 2 the ascending one, 3 their sum (descending + ascending).
template <int kTerms, int kCount>
HWY_INLINE void DiagonalSlots(const DiagonalSlot* slot, int steps) {
    const hn::ScalableTag<double> d;
    hn::Vec<decltype(d)> sr[kCount], si[kCount];
    for (int v = 0; v < kCount; ++v) {
        sr[v] = LoadWide(d, slot[v].acc_r);
        si[v] = LoadWide(d, slot[v].acc_i);
    }
    const hn::Rebind<float, decltype(d)> df;
    for (int t = 0; t < steps; ++t) {
        HWY_UNROLL(8) // the accumulators stay in registers only when unrolled
        for (int v = 0; v < kCount; ++v) {
            hn::Vec<decltype(d)> tr, ti;
            if constexpr (kTerms == 1) {
                tr = hn::LoadU(d, slot[v].desc_r - t);
                ti = hn::LoadU(d, slot[v].desc_i - t);
            } else if constexpr (kTerms == 2) {
                tr = hn::LoadU(d, slot[v].asc_r + t);
                ti = hn::LoadU(d, slot[v].asc_i + t);
            } else {
                tr = hn::Add(hn::LoadU(d, slot[v].desc_r - t), hn::LoadU(d, slot[v].asc_r + t));
                ti = hn::Add(hn::LoadU(d, slot[v].desc_i - t), hn::LoadU(d, slot[v].asc_i + t));
            }
            sr[v] = hn::PromoteTo(d, Narrow(df, hn::Add(sr[v], tr)));
            si[v] = hn::PromoteTo(d, Narrow(df, hn::Add(si[v], ti)));
        }
    }
    for (int v = 0; v < kCount; ++v) {
        StoreNarrow(d, sr[v], slot[v].acc_r);
        StoreNarrow(d, si[v], slot[v].acc_i);
    }
}

template <int kTerms>
HWY_INLINE void DiagonalSlotsOf(const DiagonalSlot* slot, int count, int steps) {
    // Targets with 16 vector registers take four vectors at a time, so none spill.
    InBatches<HWY_MAX_BYTES >= 64 ? kSlots : 4>(count, [&](auto n, int first) {
        DiagonalSlots<kTerms, decltype(n)::value>(slot + first, steps);
    });
}

void DiagonalSums(const DiagonalSlot* slots, int count, int steps, int terms) {
    if (terms == 1)
        DiagonalSlotsOf<1>(slots, count, steps);
    else if (terms == 2)
        DiagonalSlotsOf<2>(slots, count, steps);
    else
        DiagonalSlotsOf<3>(slots, count, steps);
}

// Row 0 of the covariance sums, lanes k: forward term conj(a(k)) b, backward a(k) conj(b), with
// a read from the lane stream and b the same for every lane.
template <bool kBackward, int kCount>
HWY_INLINE void RowSlots(const DiagonalSlot* slot, const double* br, const double* bi, int steps) {
    const hn::ScalableTag<double> d;
    hn::Vec<decltype(d)> sr[kCount], si[kCount];
    for (int v = 0; v < kCount; ++v) {
        sr[v] = LoadWide(d, slot[v].acc_r);
        si[v] = LoadWide(d, slot[v].acc_i);
    }
    const hn::Rebind<float, decltype(d)> df;
    for (int t = 0; t < steps; ++t) {
        const auto vbr = hn::Set(d, br[t]), vbi = hn::Set(d, bi[t]);
        HWY_UNROLL(8)
        for (int v = 0; v < kCount; ++v) {
            auto xr =
                kBackward ? hn::LoadU(d, slot[v].asc_r + t) : hn::LoadU(d, slot[v].desc_r - t);
            auto xi =
                kBackward ? hn::LoadU(d, slot[v].asc_i + t) : hn::LoadU(d, slot[v].desc_i - t);
            InRegister(xr);
            InRegister(xi);
            const auto tr = hn::Add(hn::Mul(xr, vbr), hn::Mul(xi, vbi));
            const auto ti = kBackward ? hn::Sub(hn::Mul(xi, vbr), hn::Mul(xr, vbi))
                                      : hn::Sub(hn::Mul(xr, vbi), hn::Mul(xi, vbr));
            sr[v] = hn::PromoteTo(d, Narrow(df, hn::Add(sr[v], tr)));
            si[v] = hn::PromoteTo(d, Narrow(df, hn::Add(si[v], ti)));
        }
    }
    for (int v = 0; v < kCount; ++v) {
        StoreNarrow(d, sr[v], slot[v].acc_r);
        StoreNarrow(d, si[v], slot[v].acc_i);
    }
}

template <bool kBackward>
HWY_INLINE void RowSlotsOf(const DiagonalSlot* slot, int count, const double* br, const double* bi,
                           int steps) {
    // Two registers more per vector than the diagonals take.
    InBatches<HWY_MAX_BYTES >= 64 ? 6 : 3>(count, [&](auto n, int first) {
        RowSlots<kBackward, decltype(n)::value>(slot + first, br, bi, steps);
    });
}

void RowSums(const DiagonalSlot* slots, int count, const double* br, const double* bi, int steps,
             bool backward) {
    if (backward)
        RowSlotsOf<true>(slots, count, br, bi, steps);
    else
        RowSlotsOf<false>(slots, count, br, bi, steps);
}

double PeakPower(const float* pairs, int n) {
    double best = 0.0;
    int k = 0;
#if HWY_TARGET != HWY_SCALAR
    // Lanes hold re^2 and im^2 (exact in double); a lane plus its pair neighbour is the scalar
    // code's re * re + im * im, one rounding. A NaN lane is dropped as std::max drops it.
    const hn::ScalableTag<double> dd;
    const int lanes = static_cast<int>(hn::Lanes(dd));
    const int per = lanes / 2; // complex values per vector
    if (per >= 1) {
        const auto zero = hn::Zero(dd);
        auto m0 = zero, m1 = zero;
        for (; k + 2 * per <= n; k += 2 * per) {
            const auto a = LoadWide(dd, pairs + 2 * k), b = LoadWide(dd, pairs + 2 * (k + per));
            const auto sa = hn::Mul(a, a), sb = hn::Mul(b, b);
            const auto pa = hn::Add(sa, hn::Reverse2(dd, sa)),
                       pb = hn::Add(sb, hn::Reverse2(dd, sb));
            m0 = hn::Max(m0, hn::IfThenZeroElse(hn::IsNaN(pa), pa));
            m1 = hn::Max(m1, hn::IfThenZeroElse(hn::IsNaN(pb), pb));
        }
        best = hn::GetLane(hn::MaxOfLanes(dd, hn::Max(m0, m1)));
    }
#endif
    for (; k < n; ++k) {
        const double re = pairs[2 * k], im = pairs[2 * k + 1];
        best = std::max(best, re * re + im * im);
    }
    return best;
}

int DoubleLanes() {
    return static_cast<int>(hn::Lanes(hn::ScalableTag<double>()));
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

// kVecs whole vectors of grid points kept in registers through all (i, k).
template <int kVecs>
HWY_INLINE void MvseVectors(const double* er, const double* ei, int stride, int ip,
                            const double* rr, const double* ri, float* sr, float* si) {
    const hn::ScalableTag<double> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const hn::Rebind<float, decltype(d)> df;
    hn::Vec<decltype(d)> accr[kVecs], acci[kVecs], a[kVecs], b[kVecs];
    HWY_UNROLL(4)
    for (int v = 0; v < kVecs; ++v) {
        accr[v] = LoadWide(d, sr + v * lanes);
        acci[v] = LoadWide(d, si + v * lanes);
    }
    for (int i = 1; i <= ip; ++i) {
        const double* eir = er + static_cast<std::ptrdiff_t>(i - 1) * stride;
        const double* eii = ei + static_cast<std::ptrdiff_t>(i - 1) * stride;
        HWY_UNROLL(4)
        for (int v = 0; v < kVecs; ++v) {
            a[v] = hn::LoadU(d, eir + v * lanes);
            b[v] = hn::LoadU(d, eii + v * lanes);
        }
        for (int k = 1; k <= ip; ++k) {
            const double* ekr = er + static_cast<std::ptrdiff_t>(k - 1) * stride;
            const double* eki = ei + static_cast<std::ptrdiff_t>(k - 1) * stride;
            const std::ptrdiff_t at = (i - 1) + static_cast<std::ptrdiff_t>(k - 1) * ip;
            const auto vrr = hn::Set(d, rr[at]), vri = hn::Set(d, ri[at]);
            HWY_UNROLL(4)
            for (int v = 0; v < kVecs; ++v) {
                const auto c1r = hn::Add(hn::Mul(a[v], vrr), hn::Mul(b[v], vri));
                const auto c1i = hn::Sub(hn::Mul(a[v], vri), hn::Mul(b[v], vrr));
                auto c = hn::LoadU(d, ekr + v * lanes), dd = hn::LoadU(d, eki + v * lanes);
                InRegister(c);
                InRegister(dd);
                const auto tr = hn::Sub(hn::Mul(c1r, c), hn::Mul(c1i, dd));
                const auto ti = hn::Add(hn::Mul(c1r, dd), hn::Mul(c1i, c));
                accr[v] = hn::PromoteTo(d, Narrow(df, hn::Add(accr[v], tr)));
                acci[v] = hn::PromoteTo(d, Narrow(df, hn::Add(acci[v], ti)));
            }
        }
    }
    HWY_UNROLL(4)
    for (int v = 0; v < kVecs; ++v) {
        StoreNarrow(d, accr[v], sr + v * lanes);
        StoreNarrow(d, acci[v], si + v * lanes);
    }
}

void MvseBlock(const double* er, const double* ei, int stride, int ip, const double* rr,
               const double* ri, int cnt, float* sr, float* si) {
    const int lanes = static_cast<int>(hn::Lanes(hn::ScalableTag<double>()));
    // Four vectors at a time where 32 registers hold them and their e_i, else two.
    constexpr int kMax = HWY_MAX_BYTES >= 64 ? 4 : 2;
    int q = 0;
    for (; q + kMax * lanes <= cnt; q += kMax * lanes)
        MvseVectors<kMax>(er + q, ei + q, stride, ip, rr, ri, sr + q, si + q);
    for (; q + lanes <= cnt; q += lanes)
        MvseVectors<1>(er + q, ei + q, stride, ip, rr, ri, sr + q, si + q);
    if (q == cnt) return;
    // The last points of the grid, fewer than a vector
    for (int i = 1; i <= ip; ++i) {
        const double* eir = er + static_cast<std::ptrdiff_t>(i - 1) * stride;
        const double* eii = ei + static_cast<std::ptrdiff_t>(i - 1) * stride;
        for (int k = 1; k <= ip; ++k) {
            const double* ekr = er + static_cast<std::ptrdiff_t>(k - 1) * stride;
            const double* eki = ei + static_cast<std::ptrdiff_t>(k - 1) * stride;
            const std::ptrdiff_t at = (i - 1) + static_cast<std::ptrdiff_t>(k - 1) * ip;
            int m = MvseSpan(hn::CappedTag<double, 4>(), eir, eii, ekr, eki, rr[at], ri[at], q, cnt,
                             sr, si);
            m = MvseSpan(hn::CappedTag<double, 2>(), eir, eii, ekr, eki, rr[at], ri[at], m, cnt, sr,
                         si);
            MvseSpan(hn::CappedTag<double, 1>(), eir, eii, ekr, eki, rr[at], ri[at], m, cnt, sr,
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

// The error update of one order fused with the next order's reflection sums: the sums are one
// chain of float roundings per sample, and the update's vector work runs in its shadow. Whole
// vectors only; the caller does the last samples (the compiler turns scalar complex
// arithmetic here into fused multiply-adds, which the target allows).
int BurgUpdateAndSums(const float* ef, const float* eb, float* ef1, float* eb1, int t0, int count,
                      double wr, double wi, float* sums) {
    int t = t0;
#if HWY_TARGET != HWY_SCALAR // pairs need two lanes
    // The chains as one- and two-lane vectors: written as scalar code, GCC 12 vectorises the
    // two of the complex sum together and drops their float rounding between samples.
    const hn::CappedTag<double, 2> d2;
    const hn::CappedTag<double, 1> d1;
    const hn::Rebind<float, decltype(d2)> fl2;
    const hn::Rebind<float, decltype(d1)> fl1;
    auto sn = LoadWide(d2, sums);
    auto sd = LoadWide(d1, sums + 2);
    const hn::ScalableTag<double> d;
    const int pairs = static_cast<int>(hn::Lanes(d)) / 2;
    const hn::Rebind<float, decltype(d)> df;
    const auto vwr = hn::Set(d, wr), vwi = hn::Set(d, wi), vwci = hn::Set(d, -wi);
    alignas(64) double terms[16], powers[16]; // 16 >= lanes of any target
    for (; t + pairs <= t0 + count; t += pairs) {
        const auto f = LoadWide(d, ef + 2 * t), b = LoadWide(d, eb + 2 * (t - 1));
        const auto fn = Narrow(df, hn::Add(f, CMulInterleaved(d, b, vwr, vwi)));
        hn::StoreU(fn, df, ef1 + 2 * t);
        const auto b2 = LoadWide(d, eb + 2 * (t - 2)), f1 = LoadWide(d, ef + 2 * (t - 1));
        const auto bn = Narrow(df, hn::Add(b2, CMulInterleaved(d, f1, vwr, vwci)));
        hn::StoreU(bn, df, eb1 + 2 * (t - 1));
        // per sample: f conj(b) = (fr br + fi bi, fi br - fr bi) and |f|^2 + |b|^2
        const auto F = hn::PromoteTo(d, fn), B = hn::PromoteTo(d, bn);
        const auto p = hn::Mul(F, B), q = hn::Mul(F, hn::Reverse2(d, B));
        const auto ff = hn::Mul(F, F), bb = hn::Mul(B, B);
        hn::Store(hn::OddEven(hn::Sub(q, hn::Reverse2(d, q)), hn::Add(p, hn::Reverse2(d, p))), d,
                  terms);
        hn::Store(hn::Add(hn::Add(ff, hn::Reverse2(d, ff)), hn::Add(bb, hn::Reverse2(d, bb))), d,
                  powers);
        for (int m = 0; m < pairs; ++m) {
            sn = hn::PromoteTo(d2, Narrow(fl2, hn::Add(sn, hn::LoadU(d2, terms + 2 * m))));
            sd = hn::PromoteTo(d1, Narrow(fl1, hn::Add(sd, hn::LoadU(d1, powers + 2 * m))));
        }
    }
    StoreNarrow(d2, sn, sums);
    StoreNarrow(d1, sd, sums + 2);
#else
    (void)ef, (void)eb, (void)ef1, (void)eb1, (void)count, (void)wr, (void)wi, (void)sums;
#endif
    return t;
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
HWY_EXPORT(LagProducts);
HWY_EXPORT(DiagonalSums);
HWY_EXPORT(RowSums);
HWY_EXPORT(DoubleLanes);
HWY_EXPORT(PeakPower);
HWY_EXPORT(MvseBlock);
HWY_EXPORT(BurgUpdateAndSums);
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

void lag_products(const double* ar, const double* ai, const double* br, const double* bi, int count,
                  double* pr, double* pi) {
    HWY_DYNAMIC_DISPATCH(LagProducts)(ar, ai, br, bi, count, pr, pi);
}

void diagonal_sums(const DiagonalSlot* slots, int count, int steps, int terms) {
    HWY_DYNAMIC_DISPATCH(DiagonalSums)(slots, count, steps, terms);
}

void row_sums(const DiagonalSlot* slots, int count, const double* br, const double* bi, int steps,
              bool backward) {
    HWY_DYNAMIC_DISPATCH(RowSums)(slots, count, br, bi, steps, backward);
}

int double_lanes() {
    return HWY_DYNAMIC_DISPATCH(DoubleLanes)();
}

double peak_power(const float* pairs, int n) {
    return HWY_DYNAMIC_DISPATCH(PeakPower)(pairs, n);
}

void mvse_block(const double* er, const double* ei, int stride, int ip, const double* rr,
                const double* ri, int cnt, float* sr, float* si) {
    HWY_DYNAMIC_DISPATCH(MvseBlock)(er, ei, stride, ip, rr, ri, cnt, sr, si);
}

int burg_update_and_sums(const float* ef, const float* eb, float* ef1, float* eb1, int t0,
                         int count, double wr, double wi, float* sums) {
    return HWY_DYNAMIC_DISPATCH(BurgUpdateAndSums)(ef, eb, ef1, eb1, t0, count, wr, wi, sums);
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
