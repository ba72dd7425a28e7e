#include "plot_zoom.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace lumetra::plot {

AxisRange zoomAbout(AxisRange r, double anchor, double factor) {
    return {anchor - (anchor - r.lo) * factor, anchor + (r.hi - anchor) * factor};
}

AxisRange panBy(AxisRange r, double delta) {
    return {r.lo + delta, r.hi + delta};
}

AxisRange bandRange(double a, double b) {
    return {std::min(a, b), std::max(a, b)};
}

AxisRange limitWidth(AxisRange r, double anchor, double minWidth, double maxWidth) {
    const double w = r.width();
    if (w < minWidth && w > 0) return zoomAbout(r, anchor, minWidth / w);
    if (w <= 0) return {anchor - minWidth / 2, anchor + minWidth / 2};
    if (w > maxWidth) return zoomAbout(r, anchor, maxWidth / w);
    return r;
}

double minimumWidth(AxisRange r) {
    // The renderer holds plotted values as floats: keep some thousand of them across the view.
    const double magnitude = std::max(std::fabs(r.lo), std::fabs(r.hi));
    return std::max(magnitude * 1e-4, 1e-30);
}

namespace {

double parsedBack(double v) {
    // The value the override text will hold.
    if (v == 0) return 0;
    return QString::number(v, 'g', 12).toDouble();
}

// The renderer's grid lines for an override fall on its ticks.
bool gridOnTicks(const TickChoice& t, int steps) {
    const auto r = overrideRangeOf(overrideFor(t), steps);
    if (!r) return false;
    float mn = r->min, mx = r->max;
    int exponent = 0;
    scaleAxis(mn, mx, steps + 1, exponent);
    const double f = std::pow(10.0, exponent);
    const double lo = static_cast<float>(r->min / f);
    const double hi = static_cast<float>(r->max / f);
    const double tolerance = 1e-4 * (hi - lo);
    auto check = [&](const auto& grid) {
        for (std::size_t k = 0; k < grid.size(); ++k)
            if (std::fabs(grid[k] - (lo + (hi - lo) * static_cast<double>(k) / steps)) > tolerance)
                return false;
        return true;
    };
    if (steps == 10) return check(XGridPositions(lo, hi));
    if (steps == 5) return check(YGridPositions(lo, hi));
    return true;
}

} // namespace

TickChoice niceTicks(AxisRange r, int steps) {
    constexpr std::array<double, 10> kMantissas = {1, 1.2, 1.5, 2, 2.5, 3, 4, 5, 6, 8};
    if (!(r.width() > 0)) r = limitWidth(r, (r.lo + r.hi) / 2, minimumWidth(r), 1e300);
    const double raw = r.width() / steps;
    const int decade = static_cast<int>(std::floor(std::log10(raw)));
    std::optional<TickChoice> covering;
    for (int d = decade - 1; d <= decade + 2; ++d) {
        const double p = std::pow(10.0, std::abs(d));
        for (double m : kMantissas) {
            TickChoice t;
            t.step = parsedBack(d < 0 ? m / p : m * p);
            if (t.step < raw * (1 - 1e-12)) continue;
            t.min = parsedBack(std::floor(r.lo / t.step + 1e-9) * t.step);
            if (t.max(steps) < r.hi - 1e-9 * r.width()) continue;
            if (!covering) covering = t;
            // A view that is already on round ticks keeps them (a pan moves whole divisions).
            if (std::fabs(t.min - r.lo) <= 1e-9 * r.width() &&
                std::fabs(t.max(steps) - r.hi) <= 1e-9 * r.width())
                return t;
            // Round-off can put the renderer's grid beside the ticks; a wider step may not,
            // but no wider than twice the view.
            if (t.step * steps > 2 * r.width()) return *covering;
            if (gridOnTicks(t, steps)) return t;
        }
    }
    if (covering) return *covering;
    return {r.lo, r.width() / steps};
}

AxisOverride overrideFor(const TickChoice& t) {
    auto text = [](double v) { return QString::number(v == 0 ? 0.0 : v, 'g', 12); };
    return {true, text(t.min), text(t.step)};
}

std::optional<AxisRange> overrideAxisRange(const AxisOverride& ov, int steps) {
    if (!ov.enabled || !validateOverride(ov, steps == 10 ? 'X' : 'Y').isEmpty())
        return std::nullopt;
    const double mn = *parseOverrideNumber(ov.minText);
    return AxisRange{mn, mn + *parseOverrideNumber(ov.stepText) * steps};
}

AxisRange shownXRange(const PlotScale& st) {
    return {st.xMin * st.xFactor, st.xMax * st.xFactor};
}

AxisRange shownYRange(const PlotScale& st) {
    return {st.yMin * st.yFactor, st.yMax * st.yFactor};
}

double realXAt(const PlotScale& st, double pixelX, double canvasWidth) {
    // The renderer's own mapping (its frame within the canvas), taken back.
    return fromPixelX(st, pixelX, canvasWidth) * st.xFactor;
}

double realYAt(const PlotScale& st, double pixelY, double canvasHeight) {
    return fromPixelY(st, pixelY, canvasHeight) * st.yFactor;
}

CurveRanges curveRanges(const PlotInput& live, const std::vector<PlotInput>& held) {
    double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
    auto add = [&](const PlotInput& c) {
        const int n = c.pointCount();
        for (int i = 0; i < n; ++i) {
            const double f = c.frequencies[static_cast<std::size_t>(i)];
            const double v = c.spectrum[static_cast<std::size_t>(i)];
            if (!std::isfinite(f) || !std::isfinite(v)) continue;
            x0 = std::min(x0, f), x1 = std::max(x1, f);
            y0 = std::min(y0, v), y1 = std::max(y1, v);
        }
    };
    add(live);
    for (const PlotInput& h : held) add(h);
    if (!(x1 >= x0)) return {};
    return {{x0, x1}, {y0, y1}};
}

AxisRange keepWithin(AxisRange view, AxisRange data) {
    if (!(data.width() > 0) || !std::isfinite(data.lo) || !std::isfinite(data.hi)) return view;
    // A wider view (the whole plot on its round ticks) cannot move inside.
    if (view.width() > data.width()) return view;
    if (view.lo < data.lo) return panBy(view, data.lo - view.lo);
    if (view.hi > data.hi) return panBy(view, data.hi - view.hi);
    return view;
}

AxisRange limitedView(AxisRange r, double anchor, AxisRange data) {
    const double widest = data.width() > 0 ? data.width() : 1e300;
    return keepWithin(limitWidth(r, anchor, minimumWidth(r), widest), data);
}

std::optional<int> nearestCurvePoint(const PlotScale& st, double realX) {
    const int n = std::min<int>(st.n, static_cast<int>(std::min(st.freq.size(), st.psd.size())));
    const double t = realX / st.xFactor;
    if (n <= 0 || !std::isfinite(t)) return std::nullopt;
    const auto f = [&](int i) { return static_cast<double>(st.freq[static_cast<std::size_t>(i)]); };
    const auto usable = [&](int i) {
        return std::isfinite(st.freq[static_cast<std::size_t>(i)]) &&
               std::isfinite(st.psd[static_cast<std::size_t>(i)]);
    };
    const auto begin = st.freq.begin();
    const bool sorted = std::is_sorted(begin, begin + n) &&
                        std::all_of(begin, begin + n, [](float v) { return std::isfinite(v); });
    std::optional<int> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    if (!sorted) {
        for (int i = 0; i < n; ++i) {
            if (!usable(i)) continue;
            const double d = std::fabs(f(i) - t);
            if (d < bestDistance) bestDistance = d, best = i;
        }
        return best;
    }
    // Sorted frequencies: the nearest usable point on either side of the cursor.
    const int split = static_cast<int>(
        std::lower_bound(begin, begin + n, t, [](float a, double b) { return a < b; }) - begin);
    int left = split - 1;
    while (left >= 0 && !usable(left)) --left;
    int right = split;
    while (right < n && !usable(right)) ++right;
    if (left >= 0) bestDistance = t - f(left), best = left;
    if (right < n && f(right) - t < bestDistance) bestDistance = f(right) - t, best = right;
    if (!best) return best;
    // Equal distances: the lowest index, found among the points at or just left of it.
    for (int i = *best - 1; i >= 0 && std::fabs(f(i) - t) <= bestDistance; --i)
        if (usable(i) && std::fabs(f(i) - t) == bestDistance) best = i;
    return best;
}

} // namespace lumetra::plot
