// The modern view: a PSD as density in dB/Hz (10 log10) against frequency in Hz, on round
// 1-2-5 ticks in engineering notation, white background, a colour-blind-safe palette and one
// header line. Drawn from values in those units (the engine's modern profile gives them); the
// classic view stays as plot_render draws it.
#pragma once

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

// Draws the live curve over the held ones on a white canvas; nullopt (nothing drawn) when the
// views are mixed. `header` is the run information line.
std::optional<ModernLayout> drawModernPlot(QPainter& p, QSizeF canvas, const ModernCurve& live,
                                           const std::vector<ModernCurve>& held,
                                           const QString& header, const QColor& curve1);

} // namespace lumetra::plot
