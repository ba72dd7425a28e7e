// Compiled once per instruction set by Highway's foreach_target; see grid64_kernels.h.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "simd/grid64_kernels.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "simd/grid64_kernels.h"

#include <cfloat>
#include <cmath>
#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace specest::simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

bool RealToComplexChecked(const double* x, std::size_t n, double limit2, double offset,
                          double* out) {
    std::size_t k = 0;
    bool within = true;
#if HWY_TARGET != HWY_SCALAR
    using D = hn::ScalableTag<double>;
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    const auto lim = hn::Set(d, limit2), zero = hn::Zero(d), off = hn::Set(d, offset);
    auto ok = hn::FirstN(d, lanes); // all true
    for (; k + lanes <= n; k += lanes) {
        const auto v = hn::LoadU(d, x + k);
        ok = hn::And(ok, hn::Le(hn::Mul(v, v), lim));
        hn::StoreInterleaved2(hn::Sub(v, off), zero, d, out + 2 * k);
    }
    within = hn::AllTrue(d, ok);
#endif
    for (; k < n; ++k) {
        within &= x[k] * x[k] <= limit2;
        out[2 * k] = x[k] - offset;
        out[2 * k + 1] = 0.0;
    }
    return within;
}

#if HWY_TARGET != HWY_SCALAR
// ResidueSums' whole blocks for one width known at compile time, so that the accumulators are
// unrolled into registers (indexed at run time they live in memory, each add waiting on a
// store). Returns the samples done.
template <std::size_t kWidth>
std::size_t ResidueBlocks(const double* x, std::size_t n, double limit2, double* parts,
                          bool& within) {
    using D = hn::ScalableTag<double>;
    using V = hn::Vec<D>;
    const D d;
    constexpr std::size_t kLanes = hn::MaxLanes(D());
    constexpr std::size_t kVectors = kWidth / kLanes;
    if constexpr (kVectors == 0 || kWidth % kLanes != 0) {
        return 0;
    } else {
        if (hn::Lanes(d) != kLanes) return 0;
        V acc[kVectors];
        HWY_UNROLL(16)
        for (std::size_t v = 0; v < kVectors; ++v) acc[v] = hn::Zero(d);
        const auto lim = hn::Set(d, limit2);
        auto ok = hn::FirstN(d, kLanes); // all true
        std::size_t i = 0;
        for (; i + kWidth <= n; i += kWidth) {
            HWY_UNROLL(16)
            for (std::size_t v = 0; v < kVectors; ++v) {
                const V xv = hn::LoadU(d, x + i + v * kLanes);
                ok = hn::And(ok, hn::Le(hn::Mul(xv, xv), lim));
                acc[v] = hn::Add(acc[v], xv);
            }
        }
        HWY_UNROLL(16)
        for (std::size_t v = 0; v < kVectors; ++v) hn::StoreU(acc[v], d, parts + v * kLanes);
        within = hn::AllTrue(d, ok);
        return i;
    }
}
#endif

bool ResidueSums(const double* x, std::size_t n, std::size_t width, double limit2, double* parts) {
    std::size_t i = 0;
    bool within = true;
    for (std::size_t r = 0; r < width; ++r) parts[r] = 0.0;
#if HWY_TARGET != HWY_SCALAR
    if (width == 16) i = ResidueBlocks<16>(x, n, limit2, parts, within);
    if (width == 32) i = ResidueBlocks<32>(x, n, limit2, parts, within);
#endif
    for (; i < n; ++i) {
        within &= x[i] * x[i] <= limit2;
        parts[i % width] += x[i];
    }
    return within;
}

bool RealParts(const double* pairs, std::size_t n, double* out) {
    std::size_t k = 0;
    bool real = true;
#if HWY_TARGET != HWY_SCALAR
    using D = hn::ScalableTag<double>;
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    const auto zero = hn::Zero(d);
    auto ok = hn::FirstN(d, lanes);
    for (; k + lanes <= n; k += lanes) {
        hn::Vec<D> re, im;
        hn::LoadInterleaved2(d, pairs + 2 * k, re, im);
        ok = hn::And(ok, hn::Eq(im, zero));
        hn::StoreU(re, d, out + k);
    }
    real = hn::AllTrue(d, ok);
#endif
    for (; k < n; ++k) {
        out[k] = pairs[2 * k];
        real &= pairs[2 * k + 1] == 0;
    }
    return real;
}

bool ScaleDensity(const double* raw, std::size_t n, double scale, std::size_t lo, std::size_t hi,
                  double* d) {
    bool finite = true;
    // The ranges [0, lo), [lo, hi), [hi, n): times scale, times scale then 2, times scale.
    auto range = [&](std::size_t from, std::size_t to, bool doubled) {
        std::size_t k = from;
#if HWY_TARGET != HWY_SCALAR
        using D = hn::ScalableTag<double>;
        const D dd;
        const std::size_t lanes = hn::Lanes(dd);
        const auto s = hn::Set(dd, scale), two = hn::Set(dd, 2.0), big = hn::Set(dd, DBL_MAX);
        auto ok = hn::FirstN(dd, lanes);
        for (; k + lanes <= to; k += lanes) {
            auto v = hn::Mul(hn::LoadU(dd, raw + k), s);
            if (doubled) v = hn::Mul(v, two);
            ok = hn::And(ok, hn::Le(hn::Abs(v), big));
            hn::StoreU(v, dd, d + k);
        }
        finite &= hn::AllTrue(dd, ok);
#endif
        for (; k < to; ++k) {
            double v = raw[k] * scale;
            if (doubled) v *= 2.0;
            finite &= std::fabs(v) <= DBL_MAX;
            d[k] = v;
        }
    };
    lo = lo < n ? lo : n;
    hi = hi < lo ? lo : (hi < n ? hi : n);
    range(0, lo, false);
    range(lo, hi, true);
    range(hi, n, false);
    return finite;
}

bool ArSpectrum(const double* den, std::size_t n, double s2, double* out) {
    std::size_t k = 0;
    bool finite = true;
#if HWY_TARGET != HWY_SCALAR
    using D = hn::ScalableTag<double>;
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    const auto vs2 = hn::Set(d, s2), big = hn::Set(d, DBL_MAX);
    auto ok = hn::FirstN(d, lanes);
    for (; k + lanes <= n; k += lanes) {
        hn::Vec<D> re, im;
        hn::LoadInterleaved2(d, den + 2 * k, re, im);
        // Products then their sum (no fused multiply-add): the scalar abs2's bits.
        const auto v = hn::Div(vs2, hn::Add(hn::Mul(re, re), hn::Mul(im, im)));
        ok = hn::And(ok, hn::Le(hn::Abs(v), big));
        hn::StoreU(v, d, out + k);
    }
    finite = hn::AllTrue(d, ok);
#endif
    for (; k < n; ++k) {
        const double re = den[2 * k], im = den[2 * k + 1];
        const double v = s2 / (re * re + im * im);
        finite &= std::fabs(v) <= DBL_MAX;
        out[k] = v;
    }
    return finite;
}

std::size_t NextPeakCandidate(const double* v, std::size_t from, std::size_t end) {
    std::size_t i = from;
#if HWY_TARGET != HWY_SCALAR
    using D = hn::ScalableTag<double>;
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    for (; i + lanes <= end; i += lanes) {
        const auto a = hn::LoadU(d, v + i - 1), b = hn::LoadU(d, v + i),
                   c = hn::LoadU(d, v + i + 1);
        const auto m = hn::AndNot(hn::Gt(c, b), hn::Gt(b, a));
        if (!hn::AllFalse(d, m)) return i + hn::FindKnownFirstTrue(d, m);
    }
#endif
    for (; i < end; ++i)
        if (v[i] > v[i - 1] && !(v[i + 1] > v[i])) return i;
    return end;
}

void GridFrequencies(double* f, std::size_t n, std::size_t positive, double fs, int grid) {
    // numpy's fftfreq(grid, d = 1 / fs): the bin numbers times 1 / (grid d), scipy's values bit
    // for bit. The bin numbers are exact in double (grid < 2**31), so k - grid is exact too.
    const double g = grid, step = 1.0 / (g * (1.0 / fs));
    std::size_t k = 0;
#if HWY_TARGET != HWY_SCALAR
    using D = hn::ScalableTag<double>;
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    const auto vstep = hn::Set(d, step), vg = hn::Set(d, g);
    for (; k + lanes <= positive; k += lanes)
        hn::StoreU(hn::Mul(hn::Iota(d, static_cast<double>(k)), vstep), d, f + k);
    for (; k < positive; ++k) f[k] = static_cast<double>(k) * step;
    for (; k + lanes <= n; k += lanes)
        hn::StoreU(hn::Mul(hn::Sub(hn::Iota(d, static_cast<double>(k)), vg), vstep), d, f + k);
#endif
    for (; k < positive; ++k) f[k] = static_cast<double>(k) * step;
    for (; k < n; ++k) f[k] = (static_cast<double>(k) - g) * step;
}

} // namespace HWY_NAMESPACE
} // namespace specest::simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace specest::simd {

HWY_EXPORT(RealToComplexChecked);
HWY_EXPORT(RealParts);
HWY_EXPORT(ResidueSums);
HWY_EXPORT(ScaleDensity);
HWY_EXPORT(ArSpectrum);
HWY_EXPORT(NextPeakCandidate);
HWY_EXPORT(GridFrequencies);

bool real_to_complex_checked(const double* x, std::size_t n, double limit2, double offset,
                             double* out) {
    return HWY_DYNAMIC_DISPATCH(RealToComplexChecked)(x, n, limit2, offset, out);
}

bool residue_sums(const double* x, std::size_t n, std::size_t width, double limit2, double* parts) {
    return HWY_DYNAMIC_DISPATCH(ResidueSums)(x, n, width, limit2, parts);
}

bool real_parts(const double* pairs, std::size_t n, double* out) {
    return HWY_DYNAMIC_DISPATCH(RealParts)(pairs, n, out);
}

bool scale_density(const double* raw, std::size_t n, double scale, std::size_t lo, std::size_t hi,
                   double* d) {
    return HWY_DYNAMIC_DISPATCH(ScaleDensity)(raw, n, scale, lo, hi, d);
}

bool ar_spectrum(const double* den, std::size_t n, double s2, double* out) {
    return HWY_DYNAMIC_DISPATCH(ArSpectrum)(den, n, s2, out);
}

std::size_t next_peak_candidate(const double* v, std::size_t from, std::size_t end) {
    return HWY_DYNAMIC_DISPATCH(NextPeakCandidate)(v, from, end);
}

void grid_frequencies(double* f, std::size_t n, std::size_t positive, double fs, int grid) {
    HWY_DYNAMIC_DISPATCH(GridFrequencies)(f, n, positive, fs, grid);
}

} // namespace specest::simd
#endif
