// Peak markers over a drawn plot: placed from the plot's scale and the peak list, drawn after
// the renderer so the plot itself stays as the renderer drew it.
#pragma once

#include "plot_render.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

class QPainter;

namespace lumetra::plot {

struct PeakMark {
    int index = 0; // into the plotted arrays
    QPointF at;    // canvas pixel of the peak
    QString label; // frequency in real units; empty for the unlabelled ones
};

// Marks for the peaks that lie inside the shown ranges; the `labelled` highest of those carry
// their frequency.
std::vector<PeakMark> peakMarks(const PlotScale& st, const PeakList& peaks, QSizeF canvas,
                                int labelled = 5);

// A small downward triangle just above each peak, labels above it (one that would cover a
// label already written is left out); sizes follow `ratio` (canvas width / 640). A label with no
// room above its peak inside `frame` (when given) goes beside the triangle, so it never covers
// the titles over the plot.
void drawPeakMarks(QPainter& p, const std::vector<PeakMark>& marks, const QColor& color,
                   double ratio, const QRectF& frame = {});

} // namespace lumetra::plot
