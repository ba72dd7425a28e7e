// The modern view beyond the drawing: which view the user chose (kept with the plot options)
// and the modern plot written as PNG, BMP, SVG or PDF.
#pragma once

#include "plot_modern.h"
#include "plot_options.h"

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace lumetra::plot {

// A two-sided grid comes in numpy's fftfreq order (0 up, then the negative half): the points
// in order of frequency, so the line runs left to right.
void orderByFrequency(ModernCurve& curve);

// Peak marks of the modern view: the engine's peaks of the live curve, most prominent first.
struct ModernPeaks {
    std::vector<double> hz, db;
    int count = 0; // how many to mark; 0: none
};
struct ModernMark {
    QPointF at;   // the peak on the canvas
    QRectF box;   // its label's box; empty when the label was dropped
    QString text; // "203 mHz"
};
// Marks the `count` most prominent peaks with a triangle and a label of its frequency in the
// axis's prefix, every label with three significant digits. A label stands above its peak, else
// beside it; one that would leave the frame, meet another label or come within a few pixels of
// a curve in every place is dropped (the triangle stays).
std::vector<ModernMark> drawModernMarks(QPainter& p, QSizeF canvas, const ModernLayout& layout,
                                        const std::vector<const ModernCurve*>& curves,
                                        const ModernPeaks& peaks);

// The stored view; Classic when nothing (or nothing readable) is stored.
PlotView storedPlotView(const PlotSettingsStore& store);
// Throws what the store throws when its key cannot be made.
void storePlotView(PlotSettingsStore& store, PlotView view);

// The modern plot at `size` (zoomed to `view`), in the format the file's suffix names (.svg, .pdf,
// else an image format such as .png or .bmp); the old file stays until the new one is whole. The
// layout drawn, or nullopt with *error set.
std::optional<ModernLayout> saveModernPlot(const QString& path, QSize size, const ModernCurve& live,
                                           const std::vector<ModernCurve>& held,
                                           const QString& header, const QColor& curve1,
                                           QString* error, const ModernPeaks& peaks = {},
                                           const ModernView& view = {});

} // namespace lumetra::plot
