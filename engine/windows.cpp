#include "windows.h"

#include "run_context.h"
#include "simd/dispatch.h"
#include "simd/parallel.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace specest {
namespace {

// Longer windows are computed afresh each time: a cache of theirs would hold megabytes.
constexpr int kMaxCachedWindow = 1 << 16;

struct CachedWindow {
    int n = 0;
    double a0 = 0, a1 = 0, a2 = 0;
    std::vector<float> w;
};

std::string_view rtrim(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

} // namespace

bool window_weights(Vec1<float> window, int npoints, std::string_view window_name) {
    const std::string_view name = rtrim(window_name);
    double a0 = 0, a1 = 0, a2 = 0;
    bool triangular = false;
    if (name == "Hanning") {
        a0 = 0.40897, a1 = 0.5, a2 = 0.09103;
    } else if (name == "Hamming") {
        a0 = 0.4243801, a1 = 0.4973406, a2 = 0.0782793;
    } else if (name == "Blackman") {
        a0 = 7938.0 / 18608.0, a1 = 9240.0 / 18608.0, a2 = 1430.0 / 18608.0;
    } else if (window_name.substr(0, 7) == "Rectang") {
        a0 = 1, a1 = 0, a2 = 0;
    } else if (name == "Barlett") {
        triangular = true;
    } else {
        Report& r = run_report();
        r.list(" Window name in error!  Name must be one of following:");
        r.list("    Rectangle, Barlett, Hanning, Hamming, or Blackman.");
        r.blanks(2);
        r.line(Line().rep('-', 72));
        r.line(Line().x(9).a("Window name error"));
        r.blank();
        r.line(Line().rep('-', 72));
        r.blank();
        return false;
    }
    const int n = npoints;
    if (n == 1) { // a one-point window has no shape
        window(1) = 1.0f;
        return true;
    }
    const double pi = 4.0 * std::atan(1.0);
    if (triangular) {
        const int h = n / 2;
        for (int i = 1; i <= h; ++i) window(i) = static_cast<float>(2.0 * i / (n - 1));
        for (int i = h + 1; i <= n; ++i) window(i) = static_cast<float>(2.0 - 2.0 * i / (n - 1));
        return true;
    }
    auto fill = [&](Vec1<float> w) {
        // The points are independent: long windows are filled by parts side by side.
        simd::for_range(1, n, 2 * simd::kTrigCost, [&](int lo, int hi) {
            for (int i = lo; i < hi; ++i) {
                const double theta = 2.0 * pi * i / (n - 1);
                w(i) = static_cast<float>(a0 - a1 * std::cos(theta) + a2 * std::cos(2.0 * theta));
            }
        });
    };
    if (n > kMaxCachedWindow || simd::force_scalar()) {
        fill(window);
        return true;
    }
    // The same weights serve every run of this length and shape on this thread: the C
    // library's cos is called once per point, not once per run.
    thread_local CachedWindow cached;
    if (cached.n != n || cached.a0 != a0 || cached.a1 != a1 || cached.a2 != a2) {
        cached.n = 0;
        cached.w.resize(static_cast<std::size_t>(n));
        fill(Vec1<float>(cached.w));
        cached.n = n;
        cached.a0 = a0, cached.a1 = a1, cached.a2 = a2;
    }
    std::copy(cached.w.begin(), cached.w.end(), window.data());
    return true;
}

} // namespace specest
