#include "plot_output.h"

#include "atomic_write.h"

#include "plot_text.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#ifdef LUMETRA_PLOT_HAVE_SVG
#include <QSvgGenerator>
#endif

namespace lumetra::plot {

QString suggestedBitmapName(const QString& jobName) {
    QString name = jobName;
    const qsizetype slash =
        std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    if (slash >= 0) name = name.mid(slash + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0) name = name.left(dot);
    return name + QStringLiteral(".bmp");
}

BitmapSaveDialogSetup bitmapSaveDialog(const QString& jobName, const QString& dialogDir,
                                       const QString& baseDir) {
    BitmapSaveDialogSetup d;
    d.title = QStringLiteral("Save Plot File As ...");
    d.filters = {QStringLiteral("All Files (*.*)"), QStringLiteral("Bitmap (*.bmp)")};
    d.selectedFilter = d.filters[1];
    d.suggestedName = suggestedBitmapName(jobName);
    d.initialDir = dialogDir.isEmpty() ? baseDir + QStringLiteral("/user") : dialogDir;
    return d;
}

std::optional<QString> bitmapSaveTarget(const QString& dialogResult, const QString& suggestion) {
    if (dialogResult.isEmpty() || dialogResult == suggestion) return std::nullopt;
    return dialogResult;
}

QString replaceQuestionTitle(const QString& path) {
    // Shown as given: lower-casing would name a different file on this platform.
    return QStringLiteral("Replace ") + path + QStringLiteral(" file?");
}

QString dialogDirAfterSave(const QString& savedPath) {
    return QFileInfo(savedPath).absolutePath();
}

bool saveCanvasImage(const QImage& image, const QString& path, const char* format, QString* error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) {
        if (error) *error = writer.errorString();
        return false;
    }
    return writeFileAtomically(path, bytes, error);
}

QPageLayout::Orientation printOrientation(QSize canvas) {
    return canvas.width() > canvas.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
}

QRectF fitToArea(QSizeF image, QRectF area) {
    if (image.isEmpty() || area.isEmpty()) return QRectF(area.topLeft(), QSizeF(0, 0));
    const double imageRatio = image.width() / image.height();
    const double areaRatio = area.width() / area.height();
    if (imageRatio >= areaRatio)
        return QRectF(area.topLeft(), QSizeF(area.width(), area.width() / imageRatio));
    return QRectF(area.topLeft(), QSizeF(area.height() * imageRatio, area.height()));
}

bool exportPlotPdf(const QString& path, const PlotInput& in, const PlotOptions& opt, QSize size,
                   const PlotEnvironment& env, QString* error, const DrawExtras& extras) {
    QByteArray bytes;
    QBuffer file(&bytes);
    file.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(300);
        pdf.setPageOrientation(printOrientation(size));
        pdf.setPageSize(QPageSize(QPageSize::A4));
        renderPlot(pdf, size, in, opt, env, nullptr, extras);
    }
    return writeFileAtomically(path, bytes, error);
}

bool exportPlotSvg(const QString& path, const PlotInput& in, const PlotOptions& opt, QSize size,
                   const PlotEnvironment& env, QString* error, const DrawExtras& extras) {
#ifdef LUMETRA_PLOT_HAVE_SVG
    QByteArray bytes;
    QBuffer file(&bytes);
    file.open(QIODevice::WriteOnly);
    {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(in.methodName + QStringLiteral(" Estimate by Lumetra (tm)"));
        renderPlot(svg, size, in, opt, env, nullptr, extras);
    }
    return writeFileAtomically(path, bytes, error);
#else
    Q_UNUSED(path)
    Q_UNUSED(in)
    Q_UNUSED(opt)
    Q_UNUSED(size)
    Q_UNUSED(env)
    Q_UNUSED(extras)
    if (error) *error = QStringLiteral("SVG export is not available in this build.");
    return false;
#endif
}

PlotFileFormat plotFileFormatFor(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"png") return PlotFileFormat::Png;
    if (suffix == u"svg") return PlotFileFormat::Svg;
    if (suffix == u"pdf") return PlotFileFormat::Pdf;
    return PlotFileFormat::Bmp;
}

bool savePlotFile(const QString& path, const PlotInput& in, const PlotOptions& opt, QSize size,
                  const PlotEnvironment& env, const DrawExtras& extras, QString* error) {
    QString why;
    bool ok = false;
    const PlotFileFormat format = plotFileFormatFor(path);
    switch (format) {
    case PlotFileFormat::Svg:
        ok = exportPlotSvg(path, in, opt, size, env, &why, extras);
        break;
    case PlotFileFormat::Pdf:
        ok = exportPlotPdf(path, in, opt, size, env, &why, extras);
        break;
    case PlotFileFormat::Png:
    case PlotFileFormat::Bmp:
        ok = saveCanvasImage(renderPlotImage(in, opt, size, env, nullptr, extras), path,
                             format == PlotFileFormat::Png ? "png" : "bmp", &why);
        break;
    }
    if (!ok && error) {
        static const char* names[] = {"bitmap", "PNG picture", "SVG drawing", "PDF document"};
        *error = QStringLiteral("The plot could not be saved as the %1 %2: %3")
                     .arg(QString::fromLatin1(names[static_cast<int>(format)]), path,
                          why.isEmpty() ? QStringLiteral("unknown error") : why);
    }
    return ok;
}

QString printFooter(const PlotInput& in) {
    QString s = QStringLiteral("Input file name = ") + in.jobName + QStringLiteral("\t\t") +
                QStringLiteral("Time (sec.): ") + numberText(in.tStart) + QStringLiteral("  to ") +
                numberText(in.tFinal) + QStringLiteral("\t") + QStringLiteral("zeroFill = ") +
                numberText(in.zeroFill) + QStringLiteral("%");
    if (in.parametric)
        s += QStringLiteral("\t") + QStringLiteral("Noise Variance = ") + numberText(in.sig2);
    return s;
}

void paintPlotPage(QPainter& p, QRectF printable, QSize canvas, const PlotInput& in,
                   const PlotOptions& opt, const PlotEnvironment& env, const DrawExtras& extras) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11);
    const QFontMetricsF fm(font, p.device());
    const double footerHeight = fm.height() * 1.5;
    QRectF plotArea = printable;
    plotArea.setHeight(std::max(1.0, printable.height() - footerHeight));
    const QSize logical = canvas.expandedTo(QSize(1, 1));
    const QRectF target = fitToArea(QSizeF(logical), plotArea);
    p.save();
    p.translate(target.topLeft());
    p.scale(target.width() / logical.width(), target.height() / logical.height());
    p.setClipRect(QRectF(QPointF(0, 0), QSizeF(logical)));
    PlotEnvironment e = env;
    if (!e.screenPixels.isValid()) e.screenPixels = logical;
    Qt::PenStyle style = Qt::SolidLine;
    OutputText scratch;
    drawPlot(p, QSizeF(logical), style, in, opt, scratch, e, extras);
    p.restore();
    p.save();
    p.setFont(font);
    p.setPen(Qt::black);
    const QRectF footer(printable.left(), target.bottom() + fm.height() * 0.25, printable.width(),
                        fm.height() * 1.25);
    p.drawText(footer, Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs,
               fm.elidedText(printFooter(in), Qt::ElideRight, printable.width()));
    p.restore();
}

bool printPlot(QPrinter& printer, QSize canvas, const PlotInput& in, const PlotOptions& opt,
               const PlotEnvironment& env, const DrawExtras& extras, QString* error) {
    printer.setPageOrientation(printOrientation(canvas));
    QPainter p;
    if (!p.begin(&printer)) {
        if (error) *error = QStringLiteral("The printer could not be started.");
        return false;
    }
    paintPlotPage(p, QRectF(0, 0, printer.width(), printer.height()), canvas, in, opt, env, extras);
    const bool ok = p.end();
    if (!ok && error) *error = QStringLiteral("The page could not be finished.");
    return ok;
}

} // namespace lumetra::plot
