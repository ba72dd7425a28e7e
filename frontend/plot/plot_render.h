// The one plot renderer: draws the PSD plot with QPainter on any paint device
// (screen canvas image, bitmap, printer, PDF, SVG) and writes the run summary.
#pragma once

#include "plot_options.h"
#include "plot_scale.h"

#include <QDateTime>
#include <QImage>
#include <QLineF>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

class QPainter;
class QPaintDevice;

namespace lumetra::plot {

// Texts of a plot that shows something other than a spectrum (the Signal page's series);
// an empty field keeps the spectrum's text.
struct PlotTexts {
    QString title, subtitle, xCaption, yCaption, legend;
    QStringList info; // replaces the run-information lines when not empty
};

// The run's result block and the job values the plot shows.
struct PlotInput {
    std::vector<float> frequencies; // engine's x array
    std::vector<float> spectrum;    // engine's PSD in dB
    int nPts = 0;                   // data points the engine used
    int nFreqPts = 0;               // points to plot; limited to the arrays' length
    float tStart = 0, tFinal = 0;
    float zeroFill = 0;
    float sig2 = 0;         // noise variance
    QString methodName;     // trimmed method line of the job
    QString jobPath;        // full job file path given to the engine
    QString jobName;        // job file name
    bool parametric = true; // the method fits a model: the noise variance means something
    QString orders;         // model orders for the legend, e.g. "p=15 q=4"; may be empty
    PlotTexts texts;
    // Number of points that can safely be plotted.
    int pointCount() const;
};

// One line of the legend: method, orders, points and job name.
QString legendText(const PlotInput& in);

// Where the renderer put things, in canvas pixels: the frame of the plotted ranges (the
// curves stay inside it) and the box of every text it drew.
struct TextBox {
    QString role; // "title", "date", "path", "runInfo", "xLabel", "yLabel", "xCaption", ...
    QString text;
    QRectF box;
};
struct PlotLayout {
    QSizeF canvas;
    QRectF frame;
    std::vector<TextBox> texts;
    std::vector<QRectF> legendSamples;    // the line beside each legend text
    std::vector<QPolygonF> peakTriangles; // the peak marks; their labels are "peakLabel" texts
    std::vector<QLineF> curveLines;       // every curve segment drawn, in canvas pixels
};

// What a plot draws besides the live run.
struct DrawExtras {
    // Held curves, oldest first; drawn under the live curve with a legend. At most
    // kMaxHeldCurves are drawn.
    const std::vector<PlotInput>* held = nullptr;
    PlotLayout* layout = nullptr; // filled when given
    // The most prominent peaks of the live curve to mark (0: none).
    int peakMarks = 0;
};

struct PlotEnvironment {
    // Font sizes and line widths scale with this size against 640 x 480; invalid: the canvas.
    QSize screenPixels;
    QDateTime timestamp; // date and time shown; the current time when invalid
    QDateTime now() const { return timestamp.isValid() ? timestamp : QDateTime::currentDateTime(); }
};

// The screen's persistent canvas: the image and the line style the last
// drawing left behind (black-and-white plots leave it dashed).
class PlotCanvas {
  public:
    explicit PlotCanvas(QSize size = QSize(640, 480));
    const QImage& image() const { return image_; }
    QImage& image() { return image_; }
    QSize size() const { return image_.size(); }
    // A new, blank image of that size; the carried line style stays.
    void resize(QSize size);
    Qt::PenStyle lineStyle() const { return lineStyle_; }
    void setLineStyle(Qt::PenStyle s) { lineStyle_ = s; }

  private:
    QImage image_;
    Qt::PenStyle lineStyle_ = Qt::SolidLine;
};

struct Peak {
    int index = 0;       // 0-based position in the arrays
    float frequency = 0; // plotted units
    float amplitude = 0; // plotted units
};

struct PeakList {
    std::vector<Peak> byPosition; // in the order found (at most kMaxPeaks)
    std::vector<Peak> byAmplitude;
    QString summary; // "  12  25" or "none > 0!"
};

constexpr int kMaxPeaks = 99; // the engine's cap, record::kMaxPeaks (checked in batch_export)
constexpr int kMaxHeldCurves = 8;

// Pen of held curve i (0 = oldest): Curve2, then a fixed palette; in black-and-white mode
// black with a dash pattern of its own.
QPen heldCurvePen(const PlotOptions& opt, int i, double width);

// Clears the Output text and writes the run header.
void writeRunHeader(OutputText& out, const QString& jobPath, const QDateTime& now);

// Run header, then plotResults on the screen canvas.
PlotScale startPlot(PlotCanvas& canvas, const PlotInput& in, const PlotOptions& opt,
                    OutputText& out, const PlotEnvironment& env = {}, PeakList* peaks = nullptr,
                    const DrawExtras& extras = {});

// Copies the PSD, draws the plot on the canvas and lists the peaks.
PlotScale plotResults(PlotCanvas& canvas, const PlotInput& in, const PlotOptions& opt,
                      OutputText& out, const PlotEnvironment& env = {}, PeakList* peaks = nullptr,
                      const DrawExtras& extras = {});

// Draws the whole plot with `painter`, whose coordinates must be canvas
// pixels over a canvas of `canvasSize`. `lineStyle` is the canvas's carried
// line style, read and updated. Text sizes follow env.screenPixels.
PlotScale drawPlot(QPainter& painter, QSizeF canvasSize, Qt::PenStyle& lineStyle,
                   const PlotInput& in, const PlotOptions& opt, OutputText& out,
                   const PlotEnvironment& env = {}, const DrawExtras& extras = {});

// Draws the plot on any paint device: the logical canvas is fitted into the
// device with its aspect ratio (top-left), so vector devices stay sharp.
PlotScale renderPlot(QPaintDevice& device, QSize logicalCanvas, const PlotInput& in,
                     const PlotOptions& opt, const PlotEnvironment& env = {},
                     OutputText* out = nullptr, const DrawExtras& extras = {});

// Headless export: a finished image of the given size.
QImage renderPlotImage(const PlotInput& in, const PlotOptions& opt, QSize size,
                       const PlotEnvironment& env = {}, OutputText* out = nullptr,
                       const DrawExtras& extras = {});

// The pixel segments the renderer draws for a curve of n points: the one from point i-1 to
// point i only when point i-1 lies inside the plotted ranges. Values are divided by the axis
// factors first when `divide` (held curves). Runs of more than four points to a pixel column
// are cut down to the first, lowest, highest and last of them: the same picture.
std::vector<QLineF> curvePixels(const PlotScale& st, const float* f, const float* v, int n,
                                bool divide, QSizeF canvas, double frameWidth);

// Peak search on the plot's copies, with its lines appended to `out`. Peaks at frequencies
// <= 0 count when the plot shows negative frequencies.
PeakList listPeaks(const PlotScale& st, OutputText& out);
// The peak frequencies (real units) with the fewest decimals that tell them apart and keep
// each within 5 % of its value, two blanks before each.
QString peakSummaryText(const std::vector<double>& frequencies);

} // namespace lumetra::plot
