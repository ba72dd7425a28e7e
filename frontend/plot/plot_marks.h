// Peak marks: the most prominent peaks of the live curve, a triangle over each and its
// frequency beside it where the label covers nothing else. The renderer draws them, so the
// window, the files, the printout, the clipboard and --batch show the same marks.
#pragma once

#include "plot_scale.h"

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

class QPainter;

namespace lumetra::plot {

constexpr int kDefaultPeakMarks = 5;
constexpr int kMaxPeakMarks = 20;

// The prominence of the peak at `i` among y[lo..hi] (scipy's definition): its height over the
// higher of the two lowest points between it and the nearest higher point (or the end) on
// each side; a point at an end of the range has one side only.
double peakProminence(const std::vector<float>& y, int lo, int hi, int i);

// Indices of the `count` most prominent peaks of the plotted curve within the shown frequency
// range, the most prominent first. A plateau counts once (its middle). A point at an end of
// the shown range is a peak only when that is also the end of the data and it stands above
// every other point shown.
std::vector<int> prominentPeaks(const PlotScale& st, int count);

// Frequencies as label texts: all with the same number of significant digits, the fewest
// (three at least) that tell them apart.
QStringList peakLabelTexts(const std::vector<double>& frequencies);

struct PeakMark {
    int index = 0; // into the plotted arrays
    QPointF at;    // canvas pixel of the peak
    QPolygonF triangle;
    QString label;   // empty when it fitted nowhere
    QRectF labelBox; // where the label is written
};

// What a label must keep clear of.
struct MarkObstacles {
    QRectF frame;              // labels stay inside it
    std::vector<QRectF> boxes; // texts and legend samples
    std::vector<QLineF> lines; // curves and axis lines, in pixels
    double clearance = 3;      // from any line, in pixels
};

// True when the segment passes through `r`.
bool segmentTouchesRect(const QLineF& s, const QRectF& r);

// Marks for `peaks` (most prominent first): a triangle just above each, the label placed at
// the nearest of a few places around it that keeps clear of the obstacles, the triangles and
// the labels already placed; a label with no such place is dropped.
std::vector<PeakMark> placePeakMarks(const PlotScale& st, const std::vector<int>& peaks,
                                     QSizeF canvas, const QFont& font, double ratio,
                                     const MarkObstacles& obstacles);

void drawPeakMarks(QPainter& p, const std::vector<PeakMark>& marks, const QColor& color,
                   const QFont& font);

} // namespace lumetra::plot
