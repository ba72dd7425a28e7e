// Zoom, pan and reset of the plotted ranges, and the curve point under the cursor. Plain
// arithmetic on real-unit ranges; the Plot page only turns mouse events into these calls.
#pragma once

#include "plot_render.h"
#include "plot_scale.h"

#include <QPointF>
#include <QSizeF>

#include <optional>

namespace lumetra::plot {

// One axis range in real units (Hz-like frequency units, or dB).
struct AxisRange {
    double lo = 0;
    double hi = 0;
    double width() const { return hi - lo; }
    bool operator==(const AxisRange&) const = default;
};

// The view after a zoom by `factor` (< 1 zooms in) that keeps `anchor` where it was.
AxisRange zoomAbout(AxisRange r, double anchor, double factor);
// The view moved by `delta`; the width stays.
AxisRange panBy(AxisRange r, double delta);
// A dragged band, in either direction.
AxisRange bandRange(double a, double b);
// Keeps the width within [minWidth, maxWidth] by scaling about `anchor`.
AxisRange limitWidth(AxisRange r, double anchor, double minWidth, double maxWidth);
// The narrowest view that still shows distinct values in 32-bit floats around `r`.
double minimumWidth(AxisRange r);

// Ticks of an axis override: `steps` intervals of `step` starting at `min`.
struct TickChoice {
    double min = 0;
    double step = 0;
    double max(int steps) const { return min + step * steps; }
};
// Round ticks that cover `r`: a step from 1, 1.2, 1.5, 2, 2.5, 3, 4, 5, 6, 8 times a power of
// ten, and a minimum on a multiple of it. Among those up to twice the view's width, the first
// whose grid the renderer draws on the ticks.
TickChoice niceTicks(AxisRange r, int steps);
// The override texts for a tick choice, as the Setup page holds them.
AxisOverride overrideFor(const TickChoice& t);
// The range an override shows; nullopt when it is off or unusable.
std::optional<AxisRange> overrideAxisRange(const AxisOverride& ov, int steps);

// The shown ranges of a drawn plot, in real units.
AxisRange shownXRange(const PlotScale& st);
AxisRange shownYRange(const PlotScale& st);
// Canvas pixel -> real units: fromPixelX / fromPixelY (the renderer's mapping) times the factor.
double realXAt(const PlotScale& st, double pixelX, double canvasWidth);
double realYAt(const PlotScale& st, double pixelY, double canvasHeight);

// The view moved so that it lies within `data`: zoom and pan stop at the curves' own range.
// A view wider than `data` (limitWidth keeps zooms from that) or a `data` without width
// leaves the view as it is.
AxisRange keepWithin(AxisRange view, AxisRange data);

// `r` no narrower than floats can show, no wider than `data` and moved within it (a `data`
// without width limits nothing).
AxisRange limitedView(AxisRange r, double anchor, AxisRange data);

// The frequency span and the dB range of the live curve and the held ones (finite values only).
struct CurveRanges {
    AxisRange x, y;
};
CurveRanges curveRanges(const PlotInput& live, const std::vector<PlotInput>& held);

// The plotted point whose frequency is nearest to `realX` (ties: the lower index); points
// with a non-finite value are skipped. nullopt when there is none.
std::optional<int> nearestCurvePoint(const PlotScale& st, double realX);

} // namespace lumetra::plot
