// The modern view: a PSD as density in dB/Hz (10 log10) against frequency in Hz, on round
// 1-2-5 ticks in engineering notation, white background, a colour-blind-safe palette and one
// header line. Drawn from values in those units (the engine's modern profile gives them); the
// classic view stays as plot_render draws it.
#pragma once

#include "plot_zoom.h"

#include <QColor>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

class QPainter;

namespace lumetra::plot {

enum class PlotView { Classic, Modern };

// The dB axis reaches at most this far below the highest point.
constexpr double kModernDynamicRangeDb = 120;

// Round ticks covering [lo, hi]: a step of 1, 2 or 5 times a power of ten giving at most
// `maxTicks` ticks, every tick a whole multiple of the step (so 0 is one whenever the range
// holds it).
std::vector<double> roundTicks(double lo, double hi, int maxTicks);

// The SI prefix for values up to |largest|: exponent a multiple of three ("k" 3, "m" -3, ...),
// and the text of v in that unit with the fewest decimals that keep `step` apart.
struct Engineering {
    int exponent = 0;
    QString prefix; // "", "k", "M", "m", "µ", ...
};
Engineering engineeringFor(double largest);
QString engineeringText(double v, const Engineering& e, double step);

// Okabe and Ito's eight colours without black and yellow (too close to text and the white
// background), in order; `curveColors` gives `count` of them, skipping any close to `avoid`
// (the saved Curve1 colour), so no two curves and no curve and Curve1 look alike.
std::vector<QColor> curveColors(int count, const QColor& avoid);
// Colours too close to tell apart for a curve (red-mean weighted RGB distance).
bool colorsClose(const QColor& a, const QColor& b);

// One curve in the modern view's units.
struct ModernCurve {
    std::vector<double> frequencyHz;
    std::vector<double> densityDb; // 10 log10 of the density, dB/Hz
    QString label;                 // legend: method, orders, points, job
    PlotView view = PlotView::Modern;
};

// Held curves keep their own view's units: an overlay of both views is refused with this text
// (empty when the curves can be drawn together).
QString mixedViewsMessage(const std::vector<ModernCurve>& held, PlotView live);

// The readout in the view's units.
QString modernReadout(double frequencyHz, double densityDb);

struct ModernLayout {
    QRectF frame;
    QString header;                     // the one line of run information
    QString xCaption, yCaption;         // with their units and prefixes
    std::vector<double> xTicks, yTicks; // real units
    std::vector<QString> xLabels, yLabels;
    std::vector<QColor> colors;                // of the curves, held first, live last
    double xLo = 0, xHi = 1, yLo = 0, yHi = 1; // the values at the frame's edges
};

// The one pixel <-> value mapping of a drawn modern plot: the drawing, the peak marks, the
// readout and zoom and pan all go through these.
double modernPixelX(const ModernLayout& L, double hz);
double modernPixelY(const ModernLayout& L, double db);
double modernHzAt(const ModernLayout& L, double pixelX);
double modernDbAt(const ModernLayout& L, double pixelY);

// What zoom and pan may show: the curves' frequency span and their dB range down to
// kModernDynamicRangeDb below the highest point (finite values only).
CurveRanges modernDataRanges(const ModernCurve& live, const std::vector<ModernCurve>& held);

// A zoomed modern view: the asked-for ranges, in Hz and dB/Hz; an axis without one shows the
// whole plot.
struct ModernView {
    std::optional<AxisRange> x, y;
    bool zoomed() const { return x.has_value() || y.has_value(); }
    bool operator==(const ModernView&) const = default;
};

// Zoom and pan of the modern view, with the classic view's gestures: a wheel notch shows
// `kZoomPerNotch` of the width about the cursor, a band zooms to it, a pan drags the view
// along. Every view stays within the data's ranges; the pixels are taken through the layout
// they were seen on.
class ModernExplorer {
  public:
    static constexpr double kZoomPerNotch = 0.8;

    const ModernView& view() const { return view_; }
    void reset() { view_ = {}, pan_.reset(); }
    // notches > 0 zoom in; both: the dB axis too. False when nothing changed.
    bool zoomAt(const ModernLayout& L, QPointF pixel, double notches, bool both,
                const CurveRanges& data);
    bool zoomToBand(const ModernLayout& L, QRectF pixels, bool both, const CurveRanges& data);
    // The dB axis moves along when `both` or when it is zoomed already.
    void startPan(const ModernLayout& L, QPointF pixel, bool both);
    bool panTo(QPointF pixel, const CurveRanges& data);
    void endPan() { pan_.reset(); }

  private:
    struct PanStart {
        ModernLayout layout;
        QPointF pixel;
        AxisRange x, y;
        bool yMoves = false;
    };
    ModernView view_;
    std::optional<PanStart> pan_;
};

// Draws the live curve over the held ones on a white canvas; nullopt (nothing drawn) when the
// views are mixed. `header` is the run information line; `view` a zoomed view.
std::optional<ModernLayout> drawModernPlot(QPainter& p, QSizeF canvas, const ModernCurve& live,
                                           const std::vector<ModernCurve>& held,
                                           const QString& header, const QColor& curve1,
                                           const ModernView& view = {});

} // namespace lumetra::plot
