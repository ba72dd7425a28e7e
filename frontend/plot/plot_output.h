// Saving the plot as a bitmap, printing it and headless export to PDF or SVG.
#pragma once

#include "plot_render.h"

#include <QImage>
#include <QPageLayout>
#include <QRectF>
#include <QString>

#include <optional>

class QPainter;
class QPrinter;

namespace lumetra::plot {

// The save dialog of the "Plot" tab.
struct BitmapSaveDialogSetup {
    QString title;          // "Save Plot File As ..."
    QStringList filters;    // "All Files (*.*)", "Bitmap (*.bmp)"
    QString selectedFilter; // "Bitmap (*.bmp)"
    QString suggestedName;  // job name before its first "." + ".bmp"
    QString initialDir;     // the shared dialog directory, else baseDir + "/user"
};

// Job name without directory, cut before its first "." (whole name when it
// has none or begins with one), plus ".bmp".
QString suggestedBitmapName(const QString& jobName);
BitmapSaveDialogSetup bitmapSaveDialog(const QString& jobName, const QString& dialogDir,
                                       const QString& baseDir);
// The path to save to, or nothing when the dialog gave back an empty name or
// the bare suggestion unchanged (which is also what a cancel leaves).
std::optional<QString> bitmapSaveTarget(const QString& dialogResult, const QString& suggestion);
// The question asked before an existing file is replaced.
inline const QString kReplaceQuestion = QStringLiteral("File exists, want to replace it?");
QString replaceQuestionTitle(const QString& path);
// Directory the shared dialog starts in after a save.
QString dialogDirAfterSave(const QString& savedPath);
// Writes the canvas as a picture in the image writer's `format` ("bmp", "png"), encoded in
// memory first, so a failed encoding or a full disk leaves the old file whole.
bool saveCanvasImage(const QImage& canvas, const QString& path, const char* format,
                     QString* error = nullptr);

// Landscape for a canvas wider than high, else portrait.
QPageLayout::Orientation printOrientation(QSize canvas);
// Largest rectangle with the image's aspect ratio in `area`, at its top-left.
QRectF fitToArea(QSizeF image, QRectF area);
// Headless vector export of a plot drawn on a logical canvas of `size` pixels.
bool exportPlotPdf(const QString& path, const PlotInput& in, const PlotOptions& opt, QSize size,
                   const PlotEnvironment& env = {}, QString* error = nullptr,
                   const DrawExtras& extras = {});
bool exportPlotSvg(const QString& path, const PlotInput& in, const PlotOptions& opt, QSize size,
                   const PlotEnvironment& env = {}, QString* error = nullptr,
                   const DrawExtras& extras = {});

// Picture formats Save As writes, chosen by the file name's extension.
enum class PlotFileFormat { Bmp, Png, Svg, Pdf };
// The format a name asks for: .png, .svg, .pdf or .bmp in any letter case; any other name is
// a bitmap, as Save As always wrote.
PlotFileFormat plotFileFormatFor(const QString& path);
// The save dialog's filter list, bitmap second (and preselected) as before.
inline const QString kPlotFileFilter =
    QStringLiteral("All Files (*.*)|*.*|Bitmap (*.bmp)|*.bmp|PNG picture (*.png)|*.png|"
                   "SVG drawing (*.svg)|*.svg|PDF document (*.pdf)|*.pdf");
// Writes the plot to `path` in the format its name asks for, drawn by the one renderer on a
// canvas of `size` (held curves and legend included). The old file survives a failed write;
// *error then says what failed and why.
bool savePlotFile(const QString& path, const PlotInput& in, const PlotOptions& opt, QSize size,
                  const PlotEnvironment& env = {}, const DrawExtras& extras = {},
                  QString* error = nullptr);

// The footer of a printed plot: the job and the run information the screen shows.
QString printFooter(const PlotInput& in);
// Draws a printed page with vector output: the plot (logical canvas `canvas`) fitted into
// `printable` above the footer line, the footer below it.
void paintPlotPage(QPainter& painter, QRectF printable, QSize canvas, const PlotInput& in,
                   const PlotOptions& opt, const PlotEnvironment& env = {},
                   const DrawExtras& extras = {});
// Prints the plot on one page as text and lines: orientation from the canvas shape.
bool printPlot(QPrinter& printer, QSize canvas, const PlotInput& in, const PlotOptions& opt,
               const PlotEnvironment& env = {}, const DrawExtras& extras = {},
               QString* error = nullptr);

} // namespace lumetra::plot
