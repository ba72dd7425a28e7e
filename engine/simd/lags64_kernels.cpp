// Compiled once per instruction set by Highway's foreach_target; see lags64_kernels.h.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "simd/lags64_kernels.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "simd/lags64_kernels.h"

#include <algorithm>
#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace specest::simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void RealLagSums(const double* x, std::size_t n, std::size_t k0, std::size_t k1, double offset,
                 double* s) {
    std::size_t k = k0;
#if HWY_TARGET != HWY_SCALAR
    using D = hn::ScalableTag<double>;
    using V = hn::Vec<D>;
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    // Each sample less the offset as it is loaded: the bits of a subtracted copy, without the
    // copy's pass. Written out at every load: a lambda here keeps GCC from holding the
    // accumulators in registers (2.5 times slower).
    const V off = hn::Set(d, offset);
    constexpr std::size_t kGroup = 8; // lags sharing each load of x[i ..]
    HWY_ALIGN double tmp[HWY_MAX_BYTES / sizeof(double)];
    // Lag k runs its vector blocks over i < ((n - k) / lanes) * lanes.
    auto vector_end = [&](std::size_t lag) { return (n - lag) / lanes * lanes; };
    auto finish = [&](std::size_t lag, V acc) {
        hn::Store(acc, d, tmp);
        double sum = 0;
        for (std::size_t l = 0; l < lanes; ++l) sum += tmp[l];
        for (std::size_t i = vector_end(lag); i < n - lag; ++i)
            sum += (x[i] - offset) * (x[i + lag] - offset);
        s[lag - k0] = sum;
    };
    // Two vectors' worth of lags per pass: the load of x[i + k + lanes + q] serves lag
    // k + lanes + q now and lag k + q one block later, so each block of x is loaded about
    // once per two multiply-adds (unaligned loads that cross cache lines count twice). Each
    // lag keeps its order of sums, so its bits do not depend on its neighbours.
    constexpr std::size_t kLanes = hn::MaxLanes(D());
    if (kLanes == lanes) {
        constexpr std::size_t kPair = 2 * kLanes;
        for (; k + kPair <= k1 && k + kPair <= n; k += kPair) {
            V acc[kPair];
            for (V& a : acc) a = hn::Zero(d);
            const std::size_t common = vector_end(k + kPair - 1);
            if (common > 0) {
                V low[kLanes]; // x[i + k + q] at the current block i
                HWY_UNROLL(16)
                for (std::size_t q = 0; q < kLanes; ++q)
                    low[q] = hn::Sub(hn::LoadU(d, x + k + q), off);
                for (std::size_t i = 0; i < common; i += kLanes) {
                    const V xi = hn::Sub(hn::LoadU(d, x + i), off);
                    HWY_UNROLL(16)
                    for (std::size_t q = 0; q < kLanes; ++q) {
                        acc[q] = hn::MulAdd(xi, low[q], acc[q]);
                        const V high = hn::Sub(hn::LoadU(d, x + i + k + kLanes + q), off);
                        acc[kLanes + q] = hn::MulAdd(xi, high, acc[kLanes + q]);
                        low[q] = high;
                    }
                }
            }
            for (std::size_t q = 0; q < kPair; ++q) {
                for (std::size_t i = common; i < vector_end(k + q); i += lanes)
                    acc[q] = hn::MulAdd(hn::Sub(hn::LoadU(d, x + i), off),
                                        hn::Sub(hn::LoadU(d, x + i + k + q), off), acc[q]);
                finish(k + q, acc[q]);
            }
        }
    }
    for (; k + kGroup <= k1 && k + kGroup <= n; k += kGroup) {
        V acc[kGroup];
        for (V& a : acc) a = hn::Zero(d);
        const std::size_t common = vector_end(k + kGroup - 1);
        for (std::size_t i = 0; i < common; i += lanes) {
            const V xi = hn::Sub(hn::LoadU(d, x + i), off);
            HWY_UNROLL(8)
            for (std::size_t q = 0; q < kGroup; ++q)
                acc[q] = hn::MulAdd(xi, hn::Sub(hn::LoadU(d, x + i + k + q), off), acc[q]);
        }
        for (std::size_t q = 0; q < kGroup; ++q) {
            for (std::size_t i = common; i < vector_end(k + q); i += lanes)
                acc[q] = hn::MulAdd(hn::Sub(hn::LoadU(d, x + i), off),
                                    hn::Sub(hn::LoadU(d, x + i + k + q), off), acc[q]);
            finish(k + q, acc[q]);
        }
    }
    for (; k < k1 && k < n; ++k) {
        V acc = hn::Zero(d);
        for (std::size_t i = 0; i < vector_end(k); i += lanes)
            acc = hn::MulAdd(hn::Sub(hn::LoadU(d, x + i), off),
                             hn::Sub(hn::LoadU(d, x + i + k), off), acc);
        finish(k, acc);
    }
#endif
    for (; k < k1; ++k) {
        double sum = 0;
        for (std::size_t i = 0; i + k < n; ++i) sum += (x[i] - offset) * (x[i + k] - offset);
        s[k - k0] = sum;
    }
}

} // namespace HWY_NAMESPACE
} // namespace specest::simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace specest::simd {

HWY_EXPORT(RealLagSums);

void real_lag_sums(const double* x, std::size_t n, std::size_t k0, std::size_t k1, double offset,
                   double* s) {
    HWY_DYNAMIC_DISPATCH(RealLagSums)(x, n, k0, k1, offset, s);
}

} // namespace specest::simd
#endif
