// Compiled once per instruction set by Highway's foreach_target; see text_kernels.h.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "simd/text_kernels.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "simd/text_kernels.h"

#include <cstddef>
#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace specest::simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

std::size_t FindLineEnd(const char* p, std::size_t n) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(p);
    std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
    // One pass for both line ends (two memchr calls look at a line twice): whole vectors, then
    // the last bytes one by one, so nothing past n is read.
    const hn::ScalableTag<std::uint8_t> d;
    const std::size_t lanes = hn::Lanes(d);
    const auto lf = hn::Set(d, std::uint8_t{'\n'}), cr = hn::Set(d, std::uint8_t{'\r'});
    for (; i + lanes <= n; i += lanes) {
        const auto v = hn::LoadU(d, b + i);
        const intptr_t at = hn::FindFirstTrue(d, hn::Or(hn::Eq(v, lf), hn::Eq(v, cr)));
        if (at >= 0) return i + static_cast<std::size_t>(at);
    }
#endif
    for (; i < n; ++i)
        if (b[i] == '\n' || b[i] == '\r') return i;
    return n;
}

} // namespace HWY_NAMESPACE
} // namespace specest::simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace specest::simd {

HWY_EXPORT(FindLineEnd);

std::size_t find_line_end(const char* p, std::size_t n) {
    return HWY_DYNAMIC_DISPATCH(FindLineEnd)(p, n);
}

} // namespace specest::simd
#endif
