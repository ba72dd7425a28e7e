// Comparing runs in the window: Hold keeps the curve, later runs draw over it with a legend,
// Clear held drops them; Copy puts the plot on the clipboard; Save As writes the format the
// name asks for, held curves included.
#include "job_form.h"
#include "plot_controller.h"
#include "plot_page.h"
#include "run_pipeline.h"
#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

using namespace lumetra;
using lumetra::test::WindowFixture;

namespace {

int countColor(const QImage& image, QRgb color) {
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) | 0xFF000000u) == color;
    return n;
}

constexpr QRgb kCurve1 = 0xFF0000FFu; // default blue
constexpr QRgb kCurve2 = 0xFFFFFF00u; // default yellow

} // namespace

class TestPlotCompare : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> f_;
    MainWindow& w() { return *f_->window; }
    PlotController& plot() { return *w().plotController(); }
    PlotPage& page() { return *plot().plotPage(); }
    template <typename T> T* child(const char* name) {
        T* c = w().findChild<T*>(name);
        if (!c) qFatal("no control %s", name);
        return c;
    }

    // A periodogram of the complex test record, run through Calculate.
    void runPeriodogram(const QString& window) {
        QVERIFY(f_->savePeriodogramJob("Perio-" + window + ".0", window, 256));
        w().jobForm()->submitButton()->click();
        QSignalSpy finished(&w().pipeline(), &RunPipeline::runFinished);
        if (w().pipeline().isRunning()) QVERIFY(finished.wait(60000));
        QVERIFY2(f_->ui.messages.isEmpty(), qPrintable(f_->ui.texts().join(" | ")));
        QVERIFY(plot().hasPlot());
    }
    void backToForm() {
        page().cmdQuit()->click();
        child<QPushButton>("cmdExitPlotting")->click();
    }

  private slots:
    void init() {
        f_ = std::make_unique<WindowFixture>();
        QVERIFY(f_->start());
        f_->window->show();
    }
    void cleanup() { f_.reset(); }

    void holdThenRunAgain() {
        QVERIFY(!page().cmdClearHeld()->isEnabled());
        runPeriodogram("Rectangular");
        QCOMPARE(countColor(page().canvas().image(), kCurve2), 0);
        page().cmdHold()->click();
        QCOMPARE(plot().heldCurves().count(), 1);
        QVERIFY(page().cmdClearHeld()->isEnabled());
        QCOMPARE(page().cmdClearHeld()->text(), QString("Clear h&eld (1)"));

        backToForm();
        runPeriodogram("Hamming");
        const QImage overlay = page().canvas().image();
        QVERIFY(countColor(overlay, kCurve2) > 200); // the held run
        QVERIFY(countColor(overlay, kCurve1) > 200); // the new one on top

        // A zoom (and the redraw that any resize makes) keeps the held curve; Home brings the
        // whole overlay back exactly.
        const QSize canvas = page().canvas().size();
        plot().zoomAt(QPointF(canvas.width() * 0.6, canvas.height() * 0.5), 3, false);
        QVERIFY(plot().zoomed());
        QVERIFY(countColor(page().canvas().image(), kCurve2) > 100);
        QVERIFY(countColor(page().canvas().image(), kCurve1) > 100);
        plot().resetView();
        QCOMPARE(page().canvas().image().convertToFormat(QImage::Format_RGB32),
                 overlay.convertToFormat(QImage::Format_RGB32));

        // Save As: the name's extension chooses the format; the held curve goes with it.
        const QString png = f_->tmp.filePath("overlay.png");
        f_->ui.fileNames << png;
        page().findChild<QPushButton*>("cmdFileSaveAs")->click();
        QVERIFY2(f_->ui.messages.isEmpty(), qPrintable(f_->ui.texts().join(" | ")));
        QFile file(png);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(4), QByteArray("\x89PNG"));
        file.close();
        QCOMPARE(QImage(png, "png").convertToFormat(QImage::Format_RGB32),
                 overlay.convertToFormat(QImage::Format_RGB32));

        // Copy: the plot as shown.
        page().cmdCopy()->click();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 overlay.convertToFormat(QImage::Format_RGB32));

        // Clear held: the plot is drawn again without it.
        page().cmdClearHeld()->click();
        QCOMPARE(plot().heldCurves().count(), 0);
        QVERIFY(!page().cmdClearHeld()->isEnabled());
        QCOMPARE(countColor(page().canvas().image(), kCurve2), 0);
        QVERIFY(countColor(page().canvas().image(), kCurve1) > 200);
    }

    void holdIsLimited() {
        runPeriodogram("Rectangular");
        for (int i = 0; i < plot::kMaxHeldCurves; ++i) page().cmdHold()->click();
        QCOMPARE(plot().heldCurves().count(), plot::kMaxHeldCurves);
        QVERIFY(!page().cmdHold()->isEnabled());
        plot().holdCurve(); // as a shortcut would
        QCOMPARE(plot().heldCurves().count(), plot::kMaxHeldCurves);
        QCOMPARE(f_->ui.texts(),
                 QStringList{"8 curves are held already; clear them to hold another."});
    }
};

QTEST_MAIN(TestPlotCompare)
#include "tst_plot_compare.moc"
