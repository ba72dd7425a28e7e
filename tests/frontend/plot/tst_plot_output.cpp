// Printing (to PDF files), the printed page layout, bitmap saving and vector export.
#include "plot_output.h"
#include "plot_render.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#ifdef LUMETRA_PLOT_HAVE_SVG
#include <QBuffer>
#include <QSvgGenerator>
#endif

#include <cmath>

using namespace lumetra::plot;

namespace {

PlotInput sample() {
    PlotInput in;
    in.nFreqPts = 128;
    for (int i = 0; i < 128; ++i) {
        in.frequencies.push_back(static_cast<float>(i) / 254.0f);
        in.spectrum.push_back(
            static_cast<float>(-30 + 25 * std::exp(-std::pow((i - 40) / 6.0, 2))));
    }
    in.sig2 = 0.5f;
    in.methodName = "Periodogram";
    in.jobPath = "/tmp/Ex-Per.0";
    in.jobName = "Ex-Per.0";
    return in;
}

// Page size of the first page of a PDF file in points.
QSizeF mediaBox(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString data = QString::fromLatin1(f.readAll());
    const auto m =
        QRegularExpression(R"(/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\])").match(data);
    if (!m.hasMatch()) return {};
    return QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
}

QRect boundsOf(const QImage& img, QRgb colour) {
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == colour) r |= QRect(x, y, 1, 1);
    return r;
}

} // namespace

class TestPlotOutput : public QObject {
    Q_OBJECT
  private slots:
    void orientation_data();
    void orientation();
    void fitToArea_data();
    void fitToArea();
    void printedPageLayout_data();
    void printedPageLayout();
    void printToPdf_data();
    void printToPdf();
    void printFailure();
    void printedPageKeepsTheMarks();
    void bitmapRoundTrip();
    void bitmapFailure();
    void vectorExport();
    void saveByExtension_data();
    void saveByExtension();
    void saveFailureKeepsOldFile();
    void printIsVector();
};

void TestPlotOutput::orientation_data() {
    QTest::addColumn<QSize>("canvas");
    QTest::addColumn<int>("orientation");
    QTest::newRow("landscape") << QSize(800, 600) << int(QPageLayout::Landscape);
    QTest::newRow("portrait") << QSize(600, 800) << int(QPageLayout::Portrait);
    QTest::newRow("square") << QSize(500, 500) << int(QPageLayout::Portrait);
}

void TestPlotOutput::orientation() {
    QFETCH(QSize, canvas);
    QFETCH(int, orientation);
    QCOMPARE(int(printOrientation(canvas)), orientation);
}

void TestPlotOutput::fitToArea_data() {
    QTest::addColumn<QSizeF>("image");
    QTest::addColumn<QRectF>("area");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("full width") << QSizeF(800, 600) << QRectF(0, 0, 1000, 1000)
                                << QRectF(0, 0, 1000, 750);
    QTest::newRow("full height") << QSizeF(600, 800) << QRectF(0, 0, 1000, 500)
                                 << QRectF(0, 0, 375, 500);
    QTest::newRow("same ratio") << QSizeF(400, 200) << QRectF(10, 20, 800, 400)
                                << QRectF(10, 20, 800, 400);
    QTest::newRow("empty image") << QSizeF(0, 0) << QRectF(0, 0, 10, 10) << QRectF(0, 0, 0, 0);
}

void TestPlotOutput::fitToArea() {
    QFETCH(QSizeF, image);
    QFETCH(QRectF, area);
    QFETCH(QRectF, expected);
    QCOMPARE(lumetra::plot::fitToArea(image, area), expected);
}

void TestPlotOutput::printedPageLayout_data() {
    QTest::addColumn<QSize>("page");
    QTest::addColumn<QSize>("canvas");
    QTest::newRow("portrait page, wide canvas") << QSize(1000, 1400) << QSize(800, 600);
    QTest::newRow("landscape page, 4:3 canvas") << QSize(1400, 1000) << QSize(800, 600);
    QTest::newRow("landscape page, tall canvas") << QSize(1400, 1000) << QSize(300, 900);
}

void TestPlotOutput::printedPageLayout() {
    QFETCH(QSize, page);
    QFETCH(QSize, canvas);
    PlotOptions opt; // a red background shows where the plot lies on the page
    opt.colors[Background] = bgrFromColor(QColor(255, 0, 0));
    QImage paper(page, QImage::Format_RGB32);
    paper.fill(Qt::white);
    {
        QPainter p(&paper);
        paintPlotPage(p, QRectF(QPointF(0, 0), QSizeF(page)), canvas, sample(), opt);
    }
    const QRect red = boundsOf(paper, qRgb(255, 0, 0));
    // At the top-left, the canvas's own aspect ratio, touching one page edge.
    QCOMPARE(red.topLeft(), QPoint(0, 0));
    QVERIFY(std::fabs(double(red.width()) / red.height() -
                      double(canvas.width()) / canvas.height()) < 0.01);
    QVERIFY(red.width() >= page.width() - 2 || red.height() >= page.height() - 40);
    // The caption sits below the image and still on the page.
    int inkRows = 0, lastInk = -1;
    for (int y = red.bottom() + 1; y < page.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < page.width() && !ink; ++x) ink = qGray(paper.pixel(x, y)) < 100;
        if (ink) ++inkRows, lastInk = y;
    }
    QVERIFY(inkRows >= 5);
    QVERIFY(lastInk < page.height() - 1);
    QVERIFY(lastInk - red.bottom() < 40);
}

void TestPlotOutput::printToPdf_data() {
    QTest::addColumn<QSize>("canvas");
    QTest::addColumn<bool>("landscape");
    QTest::newRow("wide canvas") << QSize(800, 600) << true;
    QTest::newRow("tall canvas") << QSize(480, 640) << false;
}

void TestPlotOutput::printToPdf() {
    QFETCH(QSize, canvas);
    QFETCH(bool, landscape);
    QTemporaryDir dir;
    const QString path = dir.filePath("plot.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QString error;
    QVERIFY2(printPlot(printer, canvas, sample(), PlotOptions{}, {}, {}, &error),
             qPrintable(error));
    const QSizeF box = mediaBox(path);
    QVERIFY(!box.isEmpty());
    QCOMPARE(box.width() > box.height(), landscape);
}

void TestPlotOutput::printFailure() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName("/nonexistent-dir/for/sure/plot.pdf");
    QString error;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
    QVERIFY(!printPlot(printer, QSize(10, 10), sample(), PlotOptions{}, {}, {}, &error));
    QVERIFY(!error.isEmpty());
}

// The printed page is drawn with the same extras as the screen: the peak marks come along, in
// the Titles colour over the peak.
void TestPlotOutput::printedPageKeepsTheMarks() {
    auto page = [](int marks) {
        QImage img(1100, 850, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        DrawExtras extras;
        extras.peakMarks = marks;
        PlotEnvironment env;
        env.timestamp = QDateTime(QDate(2026, 12, 8), QTime(9, 5));
        paintPlotPage(p, QRectF(0, 0, 1100, 850), QSize(640, 480), sample(), PlotOptions{}, env,
                      extras);
        return img;
    };
    const QColor titles = PlotOptions{}.penColor(Titles);
    auto count = [&](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += QColor(img.pixel(x, y)) == titles;
        return n;
    };
    const QImage plain = page(0), marked = page(3);
    QVERIFY2(count(marked) > count(plain) + 30,
             qPrintable(QString("%1 -> %2").arg(count(plain)).arg(count(marked))));
}

void TestPlotOutput::bitmapRoundTrip() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Ex-Per.bmp");
    const QImage img = renderPlotImage(sample(), PlotOptions{}, QSize(321, 243));
    QString error;
    QVERIFY2(savePlotFile(path, sample(), PlotOptions{}, QSize(321, 243), {}, {}, &error),
             qPrintable(error));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(2), QByteArray("BM"));
    f.close();
    QImage back(path);
    QCOMPARE(back.size(), img.size());
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32), img);
}

void TestPlotOutput::bitmapFailure() {
    QString error;
    QVERIFY(!savePlotFile("/nonexistent-dir/x.bmp", sample(), PlotOptions{}, QSize(4, 4), {}, {},
                          &error));
    QVERIFY(!error.isEmpty());
    // A failed export leaves no partial file and reports why.
    QVERIFY(!exportPlotPdf("/nonexistent-dir/x.pdf", sample(), PlotOptions{}, QSize(640, 480), {},
                           &error));
    QVERIFY(!exportPlotSvg("/nonexistent-dir/x.svg", sample(), PlotOptions{}, QSize(640, 480), {},
                           &error));
    QVERIFY(!error.isEmpty());
}

void TestPlotOutput::vectorExport() {
    QTemporaryDir dir;
    QString error;
    const QString pdf = dir.filePath("plot.pdf");
    QVERIFY2(exportPlotPdf(pdf, sample(), PlotOptions{}, QSize(640, 480), {}, &error),
             qPrintable(error));
    QFile pf(pdf);
    QVERIFY(pf.open(QIODevice::ReadOnly));
    QVERIFY(pf.read(5) == "%PDF-");
    QVERIFY(mediaBox(pdf).width() > mediaBox(pdf).height());
#ifdef LUMETRA_PLOT_HAVE_SVG
    const QString svg = dir.filePath("plot.svg");
    QVERIFY2(exportPlotSvg(svg, sample(), PlotOptions{}, QSize(640, 480), {}, &error),
             qPrintable(error));
    QFile sf(svg);
    QVERIFY(sf.open(QIODevice::ReadOnly));
    const QByteArray text = sf.readAll();
    QVERIFY(text.contains("<svg"));
    QVERIFY(text.contains("viewBox=\"0 0 640 480\""));
    QVERIFY(text.contains("#0000ff")); // the curve colour
    QVERIFY(text.contains("Periodogram Estimate by Lumetra (tm)"));
#endif
}

void TestPlotOutput::saveByExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("png") << "plot.png" << QByteArray("\x89PNG");
    QTest::newRow("PNG capitals") << "PLOT.PNG" << QByteArray("\x89PNG");
    QTest::newRow("bmp") << "plot.bmp" << QByteArray("BM");
    QTest::newRow("pdf") << "plot.pdf" << QByteArray("%PDF-");
#ifdef LUMETRA_PLOT_HAVE_SVG
    QTest::newRow("svg") << "plot.svg" << QByteArray("<?xml");
#endif
    QTest::newRow("other names stay bitmaps") << "plot.picture" << QByteArray("BM");
    QTest::newRow("no extension") << "plot" << QByteArray("BM");
}

void TestPlotOutput::saveByExtension() {
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QString error;
    QVERIFY2(savePlotFile(path, sample(), PlotOptions{}, QSize(640, 480), {}, {}, &error),
             qPrintable(error));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(magic.size()), magic);
    // Bitmaps read back as the renderer's image at that size.
    if (magic == "\x89PNG" || magic == "BM") {
        const QImage back(path, magic == "BM" ? "bmp" : "png");
        QCOMPARE(back.convertToFormat(QImage::Format_RGB32),
                 renderPlotImage(sample(), PlotOptions{}, QSize(640, 480)));
    }
}

void TestPlotOutput::saveFailureKeepsOldFile() {
    QTemporaryDir dir;
    // A folder where the file should be: nothing can be written, and the message says so.
    const QString blocked = dir.filePath("plot.png");
    QVERIFY(QDir().mkpath(blocked));
    QString error;
    QVERIFY(!savePlotFile(blocked, sample(), PlotOptions{}, QSize(640, 480), {}, {}, &error));
    QVERIFY2(error.startsWith("The plot could not be saved as the PNG picture " + blocked + ": "),
             qPrintable(error));
    QVERIFY(error.size() >
            QString("The plot could not be saved as the PNG picture ").size() + blocked.size() + 3);
    // An old file is replaced only by a complete new one.
    const QString old = dir.filePath("old.bmp");
    {
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old contents");
    }
    QVERIFY2(savePlotFile(old, sample(), PlotOptions{}, QSize(320, 240), {}, {}, &error),
             qPrintable(error));
    QCOMPARE(QImage(old).size(), QSize(320, 240));
    QVERIFY(!savePlotFile("/nonexistent-dir/x.pdf", sample(), PlotOptions{}, QSize(640, 480), {},
                          {}, &error));
    QVERIFY(error.contains("PDF document /nonexistent-dir/x.pdf: "));
}

void TestPlotOutput::printIsVector() {
    PlotInput in = sample();
    in.tStart = 0;
    in.tFinal = 127;
    in.zeroFill = 50;
    QCOMPARE(printFooter(in), QString("Input file name = Ex-Per.0\t\tTime (sec.): 0  to 127\t"
                                      "zeroFill = 50%\tNoise Variance = 0.5"));
    in.parametric = false;
    QVERIFY(!printFooter(in).contains("Noise Variance"));
#ifdef LUMETRA_PLOT_HAVE_SVG
    // The page drawn on a vector device: text and lines, no picture.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(1100, 850));
        QPainter p(&svg);
        paintPlotPage(p, QRectF(0, 0, 1100, 850), QSize(800, 600), in, PlotOptions{});
    }
    const QByteArray page = buffer.data();
    QVERIFY(!page.contains("<image"));
    QVERIFY(page.contains("Periodogram Estimate by Lumetra (tm)"));
    QVERIFY(page.contains("Input file name = Ex-Per.0"));
    QVERIFY(page.contains("zeroFill = 50%"));
    QVERIFY(page.contains("<polyline") || page.contains("<path"));
#endif
    // Printing to a PDF file: no image objects in it.
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("page.pdf"));
    QString error;
    QVERIFY2(printPlot(printer, QSize(800, 600), in, PlotOptions{}, {}, {}, &error),
             qPrintable(error));
    QFile f(dir.filePath("page.pdf"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(!pdf.contains("/Subtype /Image"));
    QVERIFY(pdf.contains("/Font"));
}

QTEST_MAIN(TestPlotOutput)
#include "tst_plot_output.moc"
