// Compiled once per instruction set by Highway's foreach_target; see db64_kernels.h.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "simd/db64_kernels.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/contrib/math/math-inl.h>
#include <hwy/highway.h>

#include "simd/db64_kernels.h"

#include <algorithm>
#include <cfloat>
#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace specest::simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void Decibels(const double* p, std::size_t n, double* db) {
    using D = hn::ScalableTag<double>;
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    const auto ten = hn::Set(d, 10.0), least = hn::Set(d, DBL_MIN);
    auto one = [&](const double* in, double* out) {
        hn::StoreU(hn::Mul(ten, hn::Log10(d, hn::Max(hn::Abs(hn::LoadU(d, in)), least))), d, out);
    };
    std::size_t k = 0;
    for (; k + lanes <= n; k += lanes) one(p + k, db + k);
    if (k < n) { // the last values through a full vector, padded with ones
        HWY_ALIGN double in[HWY_MAX_BYTES / sizeof(double)], out[HWY_MAX_BYTES / sizeof(double)];
        std::fill(in, in + lanes, 1.0);
        std::copy(p + k, p + n, in);
        one(in, out);
        std::copy(out, out + (n - k), db + k);
    }
}

} // namespace HWY_NAMESPACE
} // namespace specest::simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace specest::simd {

HWY_EXPORT(Decibels);

void decibels(const double* p, std::size_t n, double* db) {
    HWY_DYNAMIC_DISPATCH(Decibels)(p, n, db);
}

} // namespace specest::simd
#endif
