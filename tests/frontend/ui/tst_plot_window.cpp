// The plot in the window: the Setup page and its options in the settings store, the Plot page
// after a real run, the states around a plot, saving the picture and printing it.
#include "demo_page.h"
#include "job_form.h"
#include "plot_controller.h"
#include "plot_marks.h"
#include "plot_options.h"
#include "plot_output.h"
#include "plot_page.h"
#include "plot_scale.h"
#include "plot_zoom.h"
#include "registry_store.h"
#include "run_pipeline.h"
#include "setup_page.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QWheelEvent>
#include <QtTest>

using namespace lumetra;
using lumetra::test::ScriptedInteraction;
using lumetra::test::WindowFixture;

namespace {

constexpr QRgb kBlue = 0xFF0000FFu; // the default Curve1 colour, 0xFF0000 as 0x00BBGGRR

struct PixelCount {
    int inside = 0;
    int outside = 0;
};

// Pixels of one colour inside and outside a rectangle of the image.
PixelCount countColor(const QImage& image, QRgb color, const QRectF& area) {
    PixelCount c;
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) | 0xFF000000u) == color) {
                if (area.contains(QPointF(x, y)))
                    ++c.inside;
                else
                    ++c.outside;
            }
    return c;
}

} // namespace

class TestPlotWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> f_;
    MainWindow& w() { return *f_->window; }
    ScriptedInteraction& ui() { return f_->ui; }
    PlotController& plot() { return *w().plotController(); }
    SetupPage& setup() { return *plot().setupPage(); }
    PlotPage& plotPage() { return *plot().plotPage(); }
    QTabWidget* tabs() { return w().tabs(); }
    template <typename T> T* child(const char* name) {
        T* c = w().findChild<T*>(name);
        if (!c) qFatal("no control %s", name);
        return c;
    }
    bool engineAvailable() { return QFile::exists(QStringLiteral(LUMETRA_ENGINE_LIBRARY)); }

    // A saved periodogram job on the 64-sample complex record (negative frequencies on).
    void savePeriodogramJob(const QString& name) {
        QVERIFY(f_->savePeriodogramJob(name, "Hamming", 256));
    }

    void waitForRun() {
        QSignalSpy finished(&w().pipeline(), &RunPipeline::runFinished);
        if (w().pipeline().isRunning()) QVERIFY(finished.wait(60000));
    }

    // A run of the saved job through Calculate, ending on the Plot page.
    void runJob() {
        if (!engineAvailable()) QFAIL("the engine library was not built");
        savePeriodogramJob("Perio.1");
        w().jobForm()->submitButton()->click();
        waitForRun();
        QVERIFY2(ui().messages.isEmpty(), qPrintable(ui().texts().join(" | ")));
        QVERIFY(plot().hasPlot());
    }

    // Where the plotted ranges lie on the canvas, with a pixel of slack for line widths.
    QRectF plotArea() {
        const plot::PlotScale& st = plot().lastPlot();
        const QSize size = plotPage().canvas().size();
        const double x0 = plot::toPixelX(st, st.xMin, size.width());
        const double x1 = plot::toPixelX(st, st.xMax, size.width());
        const double y0 = plot::toPixelY(st, st.yMax, size.height());
        const double y1 = plot::toPixelY(st, st.yMin, size.height());
        return QRectF(QPointF(x0 - 2, y0 - 2), QPointF(x1 + 2, y1 + 2));
    }

    // A Setup control's own state; the page may be off as a whole.
    bool on(const char* name) { return child<QWidget>(name)->isEnabledTo(&setup()); }
    // The run button's own state; its page may be off as a whole.
    bool submitOn() { return w().jobForm()->submitButton()->isEnabledTo(w().jobForm()); }

    void goToSetup() {
        w().setPageEnabled(2, true);
        w().showPage(2);
        w().startSetup();
    }

  private slots:
    void init() {
        f_ = std::make_unique<WindowFixture>();
        QVERIFY(f_->start());
        f_->window->show();
        QApplication::setActiveWindow(f_->window.get());
    }
    void cleanup() { f_.reset(); }

    void startUpState() {
        QVERIFY(!tabs()->isTabEnabled(2));
        QCOMPARE(setup().options().gridLines, 1);
        QCOMPARE(setup().options().gridType, 2);
        QVERIFY(child<QRadioButton>("optGridLines_1")->isChecked());
        QVERIFY(child<QRadioButton>("optGridType_2")->isChecked());
        for (int i = 0; i < plot::kColorSlotCount; ++i)
            QCOMPARE(setup().color(i), plot::kDefaultColors[size_t(i)]);
        // Plot set-up controls are off until a plot or the demo page turns them on.
        QVERIFY(!on("cmdColor_0"));
        QVERIFY(!on("chkXaxis"));
        QVERIFY(child<QPushButton>("cmdSaveOptions")->isHidden());
        QVERIFY(child<QPushButton>("cmdPlot")->isHidden());
        QVERIFY(!on("txtXmin"));
        QVERIFY(submitOn());
        QVERIFY(w().menu("mnuFile")->isEnabled());
    }

    void pickColor() {
        goToSetup();
        QVERIFY(child<QPushButton>("cmdColor_3")->isEnabled());
        ui().colors << std::nullopt; // cancelled
        child<QPushButton>("cmdColor_3")->click();
        QCOMPARE(ui().colorRequests, QList<quint32>{0xFF0000u});
        QCOMPARE(setup().color(3), 0xFF0000u);
        ui().colors << 0x00FF80u;
        child<QPushButton>("cmdColor_3")->click();
        QCOMPARE(ui().colorRequests.last(), 0xFF0000u); // opened on the slot's colour
        QCOMPARE(setup().color(3), 0x00FF80u);
        QCOMPARE(child<QFrame>("txtColor_3")->palette().color(QPalette::Window),
                 QColor(0x80, 0xFF, 0x00));
        QCOMPARE(setup().options().penColor(plot::Curve1), QColor(0x80, 0xFF, 0x00));
        QCOMPARE(setup().color(4), plot::kDefaultColors[4]); // only that slot
    }

    void blackAndWhiteTogglesColourControls() {
        goToSetup();
        auto* bw = child<QCheckBox>("chkBlacknWhite");
        bw->click();
        QVERIFY(setup().options().blackAndWhite);
        for (int i = 0; i < plot::kColorSlotCount; ++i) {
            QVERIFY(!child<QPushButton>(qPrintable(QString("cmdColor_%1").arg(i)))->isEnabled());
            QVERIFY(!child<QFrame>(qPrintable(QString("txtColor_%1").arg(i)))->isEnabled());
            QVERIFY(!child<QLabel>(qPrintable(QString("lblColor_%1").arg(i)))->isEnabled());
        }
        QCOMPARE(setup().options().penColor(plot::Titles), QColor(Qt::black));
        QCOMPARE(setup().options().backgroundColor(), QColor(Qt::white));
        bw->click();
        for (int i = 0; i < plot::kColorSlotCount; ++i) {
            QVERIFY(child<QPushButton>(qPrintable(QString("cmdColor_%1").arg(i)))->isEnabled());
            QVERIFY(child<QLabel>(qPrintable(QString("lblColor_%1").arg(i)))->isEnabled());
        }
    }

    void gridChoices_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("vertical");
        QTest::addColumn<int>("horizontal");
        QTest::newRow("none") << 0 << 0 << int(Qt::NoPen) << int(Qt::NoPen);
        QTest::newRow("both dashed") << 1 << 1 << int(Qt::DashLine) << int(Qt::DashLine);
        QTest::newRow("x only dotted") << 2 << 2 << int(Qt::DotLine) << int(Qt::NoPen);
        QTest::newRow("y only dash-dot-dot") << 3 << 3 << int(Qt::NoPen) << int(Qt::DashDotDotLine);
        QTest::newRow("both solid") << 1 << 0 << int(Qt::SolidLine) << int(Qt::SolidLine);
    }
    void gridChoices() {
        QFETCH(int, lines);
        QFETCH(int, type);
        QFETCH(int, vertical);
        QFETCH(int, horizontal);
        goToSetup();
        child<QRadioButton>(qPrintable(QString("optGridLines_%1").arg(lines)))->click();
        child<QRadioButton>(qPrintable(QString("optGridType_%1").arg(type)))->click();
        const plot::PlotOptions o = setup().options();
        QCOMPARE(o.gridLines, lines);
        QCOMPARE(o.gridType, type);
        QCOMPARE(int(o.verticalGridStyle()), vertical);
        QCOMPARE(int(o.horizontalGridStyle()), horizontal);
        // One choice per group.
        int checked = 0;
        for (int i = 0; i < 4; ++i)
            checked +=
                child<QRadioButton>(qPrintable(QString("optGridLines_%1").arg(i)))->isChecked();
        QCOMPARE(checked, 1);
    }

    void overrideRefusedBeforeARun_data() {
        QTest::addColumn<QString>("axis");
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("x min not a number") << "X"
                                            << "abc"
                                            << "0.1"
                                            << "Please enter a number for X-min value."
                                            << "txtXmin";
        QTest::newRow("x step not a number") << "X"
                                             << "0"
                                             << "ten"
                                             << "Please enter a number for X-step size."
                                             << "txtXstep";
        QTest::newRow("y min empty") << "Y"
                                     << ""
                                     << "10"
                                     << "Please enter a number for Y-min value."
                                     << "txtYmin";
        QTest::newRow("y step zero") << "Y"
                                     << "-100"
                                     << "0"
                                     << "Please enter a non-zero number for Y-step size."
                                     << "txtYstep";
        QTest::newRow("y min with trailing text") << "Y"
                                                  << "-100 dB"
                                                  << "20"
                                                  << "Please enter a number for Y-min value."
                                                  << "txtYmin";
    }
    void overrideRefusedBeforeARun() {
        QFETCH(QString, axis);
        QFETCH(QString, min);
        QFETCH(QString, step);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        goToSetup();
        child<QCheckBox>(qPrintable("chk" + axis + "axis"))->click();
        QVERIFY(child<QLineEdit>(qPrintable("txt" + axis + "min"))->isEnabled());
        child<QLineEdit>(qPrintable("txt" + axis + "min"))->setText(min);
        child<QLineEdit>(qPrintable("txt" + axis + "step"))->setText(step);
        QSignalSpy started(&w().pipeline(), &RunPipeline::runStarted);
        ui().reset();
        child<QPushButton>("cmdPlot")->click();
        QCOMPARE(ui().texts(), QStringList{message});
        QCOMPARE(ui().messages[0].request.icon, MessageIcon::Warning);
        QCOMPARE(started.count(), 0);
        QTRY_VERIFY(child<QLineEdit>(qPrintable(focus))->hasFocus());
    }

    void stepCheckedWhenLeft() {
        goToSetup();
        child<QCheckBox>("chkXaxis")->click();
        QTRY_VERIFY(child<QLineEdit>("txtXmin")->hasFocus()); // the check box hands it over
        auto* step = child<QLineEdit>("txtXstep");
        step->setText("abc");
        step->setFocus();
        QTRY_VERIFY(step->hasFocus());
        child<QLineEdit>("txtXmin")->setFocus();
        QTRY_COMPARE(ui().texts(), QStringList{"Please enter a non-zero number for X-step size."});
        QTRY_VERIFY(step->hasFocus());
        QCOMPARE(step->selectedText(), QString("abc"));
        // An empty box and a number are accepted.
        ui().reset();
        step->setText("0.05");
        child<QLineEdit>("txtXmin")->setFocus();
        QTest::qWait(50);
        QVERIFY(ui().messages.isEmpty());
    }

    void savedOptionsComeBackAfterRestart() {
        goToSetup();
        ui().colors << 0x123456u;
        child<QPushButton>("cmdColor_1")->click();
        child<QRadioButton>("optGridLines_3")->click();
        child<QRadioButton>("optGridType_0")->click();
        child<QCheckBox>("chkYaxis")->click();
        child<QLineEdit>("txtYmin")->setText("-80");
        child<QLineEdit>("txtYstep")->setText("20");
        child<QLineEdit>("txtXmin")->setText("kept");
        child<QPushButton>("cmdSaveOptions")->click();
        QVERIFY(ui().messages.isEmpty()); // nothing is confirmed

        RegistryStore& reg = *f_->registry;
        QCOMPARE(reg.getValue(kCurrentUser, kProgramKey, "Titles", kRegDword).toInt(), 0x123456);
        QCOMPARE(reg.getValue(kCurrentUser, kProgramKey, "GridLines", kRegDword).toInt(), 3);
        QCOMPARE(reg.getValue(kCurrentUser, kProgramKey, "GridType", kRegDword).toInt(), 0);
        QCOMPARE(reg.getValue(kCurrentUser, kProgramKey, "chkYaxis", kRegDword).toInt(), 1);
        QCOMPARE(reg.getValue(kCurrentUser, kProgramKey, "txtYmin", kRegString).toString(),
                 QString("-80"));

        QVERIFY(f_->start()); // a new window on the same store
        plot::PlotOptions o = setup().options();
        QCOMPARE(o.colors[1], 0x123456u);
        QCOMPARE(o.colors[3], plot::kDefaultColors[3]);
        QVERIFY(o.yOverride.enabled);
        QCOMPARE(o.yOverride.minText, QString("-80"));
        QCOMPARE(o.yOverride.stepText, QString("20"));
        QVERIFY(!o.xOverride.enabled);
        QCOMPARE(o.xOverride.minText, QString("kept"));
        // Every start draws both grids, dotted.
        QCOMPARE(o.gridLines, 1);
        QCOMPARE(o.gridType, 2);
        QVERIFY(!o.blackAndWhite);

        // In black and white the stored colours stay as they were.
        goToSetup();
        ui().colors << 0x654321u;
        child<QPushButton>("cmdColor_1")->click();
        child<QCheckBox>("chkBlacknWhite")->click();
        child<QPushButton>("cmdSaveOptions")->click();
        QCOMPARE(reg.getValue(kCurrentUser, kProgramKey, "Titles", kRegDword).toInt(), 0x123456);
        QVERIFY(f_->start());
        o = setup().options();
        QVERIFY(o.blackAndWhite);
        QCOMPARE(o.colors[1], 0x123456u);
        QVERIFY(!on("cmdColor_1"));
    }

    void plotPageAfterARun() {
        runJob();
        QCOMPARE(tabs()->currentIndex(), 4);
        const QImage& image = plotPage().canvas().image();
        // The canvas fills the page and the page shows it unchanged.
        QVERIFY(image.width() >= 640 && image.height() >= 480);
        QCOMPARE(plotPage().view()->size(), image.size());
        QVERIFY(!w().findChild<QScrollArea*>("picBoxArea"));
        QCOMPARE(plotPage().view()->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 image.convertToFormat(QImage::Format_RGB32));
        // The curve is drawn in the Curve1 colour, inside the plot area only.
        const PixelCount blue = countColor(image, kBlue, plotArea());
        QVERIFY2(blue.inside > 200, qPrintable(QString::number(blue.inside)));
        QCOMPARE(blue.outside, 0);
        const PixelCount background = countColor(image, 0xFFC0C0C0u, QRectF(image.rect()));
        QVERIFY(background.inside > image.width() * image.height() / 2);

        // The Output page: header, trace of both axes, the peaks.
        const QStringList out =
            child<QPlainTextEdit>("tbOutBox")->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(out[0], "        ----" + QString(53, ' '));
        QVERIFY(out[1].startsWith("Lumetra (tm) Results\t\t     "));
        QCOMPARE(out[3].trimmed(), "----File: " + f_->jobsDir() + "/Perio.1");
        QVERIFY(!out.contains("Calling 1st line plot"));
        QVERIFY(out.contains("Batch Input file ... fileIn = Perio.1"));
        QCOMPARE(out.filter(QRegularExpression("^ Min/Max/step= ")).size(), 0);
        // The steps named are those between the grid lines drawn.
        {
            const plot::PlotScale& st = plot().lastPlot();
            const auto xs = plot::XGridPositions(st.xMin, st.xMax);
            const QStringList x = out.filter(QRegularExpression("^ Frequency axis: "));
            QCOMPARE(x.size(), 1);
            const double step = x[0].section("grid step ", 1).toDouble();
            QVERIFY2(std::fabs(step - (xs[1] - xs[0]) * st.xFactor) < 1e-5, qPrintable(x[0]));
            const QStringList y = out.filter(QRegularExpression("^ PSD axis: .* dB, grid step "));
            QCOMPARE(y.size(), 1);
        }
        QVERIFY(out.last().startsWith(" Peak Frequencies:   "));
        QCOMPARE(out.filter(QRegularExpression("^ Peak #\\d+  at Freq =")).size(),
                 int(plot().lastPeaks().byPosition.size()));
        // 256 points, negative frequencies: x from about -0.5 to 0.5, shown as -50..50 E-2.
        QCOMPARE(plot().lastPlot().xExponent, -2);
        QVERIFY(plot().lastPlot().xMin <= -49.0f && plot().lastPlot().xMax >= 49.0f);
    }

    void statesAroundAPlot() {
        runJob();
        auto* quit = child<QPushButton>("cmdQuit");
        auto* exitPlotting = child<QPushButton>("cmdExitPlotting");
        auto tabStates = [this] {
            QList<bool> s;
            for (int i = 0; i < 5; ++i) s << tabs()->isTabEnabled(i);
            return s;
        };
        // startPlot
        QCOMPARE(tabStates(), (QList<bool>{false, false, true, true, true}));
        QCOMPARE(tabs()->currentIndex(), 4);
        QVERIFY(!submitOn());
        QVERIFY(!w().demoPage()->runButton()->isEnabledTo(w().demoPage()));
        QVERIFY(!w().demoPage()->cancelButton()->isEnabledTo(w().demoPage()));
        QVERIFY(w().menu("mnuFile")->isEnabled());
        QVERIFY(w().menu("mnuDemos")->isEnabled());
        QVERIFY(!on("cmdColor_0"));
        QVERIFY(!on("chkBlacknWhite"));
        QVERIFY(exitPlotting->isHidden());
        QTRY_VERIFY(quit->hasFocus());

        // Quit: to the Setup page with its controls on.
        quit->click();
        QCOMPARE(tabStates(), (QList<bool>{false, false, true, true, true}));
        QCOMPARE(tabs()->currentIndex(), 2);
        QVERIFY(submitOn());
        QVERIFY(w().demoPage()->runButton()->isEnabledTo(w().demoPage()));
        QVERIFY(w().menu("mnuFile")->isEnabled());
        QVERIFY(on("cmdColor_0"));
        QVERIFY(on("optGridType_3"));
        QVERIFY(on("chkXaxis"));
        QVERIFY(!child<QPushButton>("cmdSaveOptions")->isHidden());
        QVERIFY(!child<QPushButton>("cmdPlot")->isHidden());
        QTRY_VERIFY(exitPlotting->hasFocus());

        // A tab change gives the shown page's first usable control the focus.
        w().showPage(3);
        w().showPage(2);
        QTRY_VERIFY(child<QPushButton>("cmdColor_0")->hasFocus());

        // Exit Plotting: back to the job form.
        exitPlotting->click();
        QCOMPARE(tabStates(), (QList<bool>{true, false, false, true, true}));
        QCOMPARE(tabs()->currentIndex(), 0);
        QVERIFY(submitOn());
        QVERIFY(w().menu("mnuFile")->isEnabled());
        QVERIFY(w().menu("mnuDemos")->isEnabled());
        QVERIFY(!on("cmdColor_0"));
        QVERIFY(child<QPushButton>("cmdPlot")->isHidden());

        // startSetup: controls on, menus off, tabs as they were.
        w().startSetup();
        QCOMPARE(tabStates(), (QList<bool>{true, false, false, true, true}));
        QVERIFY(on("cmdColor_0"));
        QVERIFY(w().menu("mnuFile")->isEnabled());
        QVERIFY(submitOn());
    }

    void replotWithNewOptions() {
        runJob();
        child<QPushButton>("cmdQuit")->click();
        // Ticking an override fills its empty boxes from the last plot, in real units.
        child<QCheckBox>("chkXaxis")->click();
        const plot::OverridePrefill fill = plot::prefillX(plot().lastPlot());
        QCOMPARE(child<QLineEdit>("txtXmin")->text(), fill.minText);
        QCOMPARE(child<QLineEdit>("txtXstep")->text(), fill.stepText);
        QVERIFY(child<QLineEdit>("txtXmin")->isEnabled());
        QTRY_VERIFY(child<QLineEdit>("txtXmin")->hasFocus());

        // Positive frequencies only: the curve stays right of x = 0.
        child<QLineEdit>("txtXmin")->setText("0");
        child<QLineEdit>("txtXstep")->setText("0.05");
        child<QPushButton>("cmdPlot")->click();
        waitForRun();
        QVERIFY2(ui().messages.isEmpty(), qPrintable(ui().texts().join(" | ")));
        QCOMPARE(tabs()->currentIndex(), 4);
        const plot::PlotScale& st = plot().lastPlot();
        QVERIFY(st.xOverridden);
        QCOMPARE(st.xMin * st.xFactor, 0.0);
        QVERIFY(qAbs(st.xMax * st.xFactor - 0.5) < 1e-6);
        const QImage& image = plotPage().canvas().image();
        const PixelCount blue = countColor(image, kBlue, plotArea());
        QVERIFY(blue.inside > 200);
        QCOMPARE(blue.outside, 0);

        // The same in black and white: no colour, a white canvas.
        child<QPushButton>("cmdQuit")->click();
        child<QCheckBox>("chkBlacknWhite")->click();
        child<QPushButton>("cmdPlot")->click();
        waitForRun();
        QCOMPARE(tabs()->currentIndex(), 4);
        const QImage& bw = plotPage().canvas().image();
        QCOMPARE(countColor(bw, kBlue, QRectF(bw.rect())).inside, 0);
        QVERIFY(countColor(bw, 0xFFFFFFFFu, QRectF(bw.rect())).inside >
                bw.width() * bw.height() / 2);
        QVERIFY(countColor(bw, 0xFF000000u, plotArea()).inside > 200);
    }

    void unusableOverrideAtAPlot() {
        runJob();
        child<QPushButton>("cmdQuit")->click();
        child<QCheckBox>("chkYaxis")->click();
        child<QLineEdit>("txtYmin")->setText("low");
        child<QPushButton>("cmdExitPlotting")->click();
        w().jobForm()->submitButton()->click();
        waitForRun();
        // The plot is made from the data and the user is told why.
        QCOMPARE(tabs()->currentIndex(), 4);
        QCOMPARE(ui().texts(), QStringList{"Please enter a number for Y-min value.\nThe Y axis of "
                                           "this plot was scaled from the data."});
        QVERIFY(!plot().lastPlot().yOverridden);
        QVERIFY(countColor(plotPage().canvas().image(), kBlue, plotArea()).inside > 200);
    }

    void saveAsBitmap() {
        runJob();
        const QString jobName = w().state().jobName;
        const QString jobDir = w().state().jobDir;
        auto* saveAs = child<QPushButton>("cmdFileSaveAs");

        // Accepting the suggestion unchanged, or cancelling, saves nothing.
        ui().fileNames << "Perio.bmp";
        saveAs->click();
        QCOMPARE(ui().dialogs.size(), 1);
        const FileDialogRequest& d = ui().dialogs[0];
        QCOMPARE(d.title, QString("Save Plot File As ..."));
        QCOMPARE(d.filter, plot::kPlotFileFilter); // Bitmap, PNG, SVG and PDF
        QCOMPARE(d.selectedFilter, 2);
        QCOMPARE(d.suggestedName, QString("Perio.bmp"));
        QCOMPARE(d.initialDir, f_->jobsDir()); // the shared dialog's folder
        saveAs->click();                       // cancelled
        QVERIFY(!QFile::exists(f_->jobsDir() + "/Perio.bmp"));
        QVERIFY(!QFile::exists(f_->userDir() + "/Perio.bmp"));
        QVERIFY(ui().messages.isEmpty());

        // A chosen name: the canvas exactly as shown, the dialogs move to its folder.
        const QString pics = f_->tmp.filePath("pics");
        QDir().mkpath(pics);
        const QString path = pics + "/plot.bmp";
        ui().reset();
        ui().fileNames << path;
        saveAs->click();
        QVERIFY(ui().messages.isEmpty());
        QImage saved(path, "BMP");
        QVERIFY(!saved.isNull());
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
                 plotPage().canvas().image().convertToFormat(QImage::Format_RGB32));
        QCOMPARE(w().state().dialogDir, pics);
        QCOMPARE(w().state().jobName, jobName);
        QCOMPARE(w().state().jobDir, jobDir);

        // An existing file is replaced only on Yes.
        WindowFixture::writeFile(path, "old");
        ui().reset();
        ui().fileNames << path;
        ui().answers << MessageAnswer::No;
        saveAs->click();
        QCOMPARE(ui().texts(), QStringList{"File exists, want to replace it?"});
        QCOMPARE(ui().titles(), QStringList{"Replace " + path + " file?"});
        QCOMPARE(ui().messages[0].request.buttons, MessageButtons::YesNo);
        QCOMPARE(WindowFixture::readFile(path), QByteArray("old"));
        ui().reset();
        ui().fileNames << path;
        ui().answers << MessageAnswer::Yes;
        saveAs->click();
        QVERIFY(!QImage(path, "BMP").isNull());

        // A folder that cannot be written: the error is shown and the program goes on.
        ui().reset();
        ui().fileNames << f_->tmp.filePath("no/such/folder/plot.bmp");
        saveAs->click();
        QCOMPARE(ui().titles(), QStringList{"In 'cmdFileSaveAs' routine ..."});
        // What failed (the file) and why (the system's reason), not an error number.
        const QString text = ui().texts()[0];
        QVERIFY2(!text.contains("Unexpected error"), qPrintable(text));
        QVERIFY2(
            text.contains(QDir::toNativeSeparators(f_->tmp.filePath("no/such/folder/plot.bmp"))),
            qPrintable(text));
        QVERIFY2(text.contains("No such file or directory"), qPrintable(text));
        QCOMPARE(ui().messages[0].request.icon, MessageIcon::Warning);
        QCOMPARE(w().state().dialogDir, pics);
    }

    void editCopyPutsThePlotOnTheClipboard() {
        runJob();
        QAction* copy = w().action("mnuEditCopy");
        w().showPage(0);
        w().showPage(4);
        QVERIFY(copy->isEnabled());
        QGuiApplication::clipboard()->clear();
        copy->trigger();
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), plotPage().canvas().size());
        QCOMPARE(copied.convertToFormat(QImage::Format_RGB32),
                 plotPage().canvas().image().convertToFormat(QImage::Format_RGB32));
        // Ctrl+C on the page: one shortcut answers it (two would cancel each other out).
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(child<QPushButton>("cmdQuit"), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->image().size(), plotPage().canvas().size());
    }

    void printToPdf() {
        runJob();
        const QString pdf = f_->tmp.filePath("plot.pdf");
        // Cancelled: nothing printed, nothing said.
        child<QPushButton>("cmdPrint")->click();
        QCOMPARE(ui().printDialogs, 1);
        QVERIFY(ui().messages.isEmpty());

        ui().onPrint = [pdf](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        };
        child<QPushButton>("cmdPrint")->click();
        QVERIFY(ui().messages.isEmpty());
        const QByteArray bytes = WindowFixture::readFile(pdf);
        QVERIFY(bytes.startsWith("%PDF"));
        // The canvas is wider than high, so the page lies in landscape.
        const QRegularExpressionMatch m =
            QRegularExpression("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]")
                .match(QString::fromLatin1(bytes));
        QVERIFY(m.hasMatch());
        QVERIFY(m.captured(1).toDouble() > m.captured(2).toDouble());
        QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                     bytes.count("/Type /Page "),
                 qsizetype(1));
    }

    void plotActionsOnlyWithAPlot() {
        // Before any run there is nothing to print or save.
        QVERIFY(!child<QPushButton>("cmdPrint")->isEnabled());
        QVERIFY(!child<QPushButton>("cmdFileSaveAs")->isEnabled());
        // No blank canvas either: the page says there is no plot yet.
        w().showPage(4);
        QCOMPARE(child<QLabel>("lblPlotStatus")->text(), noPlotYetText());
        const QImage empty =
            plotPage().view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(countColor(empty, empty.pixel(0, 0) | 0xFF000000u, QRectF(empty.rect())).inside,
                 empty.width() * empty.height());
        ui().reset();
        plot().savePlotAs();
        plot().printPlot();
        QCOMPARE(ui().dialogs.size() + ui().printDialogs, qsizetype(0));
        runJob();
        QVERIFY(child<QPushButton>("cmdPrint")->isEnabled());
        QVERIFY(child<QPushButton>("cmdFileSaveAs")->isEnabled());
    }

    void plotFollowsTheWindow() {
        runJob();
        QSignalSpy started(&w().pipeline(), &RunPipeline::runStarted);
        const QString output = child<QPlainTextEdit>("tbOutBox")->toPlainText();
        const plot::PlotScale first = plot().lastPlot();
        for (const QSize size : {QSize(1400, 950), QSize(700, 520), QSize(1920, 1040)}) {
            w().resize(size);
            QTRY_COMPARE(plotPage().canvas().size(), plotPage().view()->size());
            const QImage& image = plotPage().canvas().image();
            // No scrolling and no cropping: the widget shows the whole canvas as drawn.
            QCOMPARE(plotPage().view()->grab().toImage().convertToFormat(QImage::Format_RGB32),
                     image.convertToFormat(QImage::Format_RGB32));
            const PixelCount blue = countColor(image, kBlue, plotArea());
            QVERIFY2(blue.inside > 200, qPrintable(QString::number(blue.inside)));
            QCOMPARE(blue.outside, 0);
            // The same plot: same ranges, drawn again without the engine.
            QCOMPARE(plot().lastPlot().xMin, first.xMin);
            QCOMPARE(plot().lastPlot().yMax, first.yMax);
            QCOMPARE(plot().lastPlot().freq, first.freq);
        }
        QCOMPARE(started.count(), 0);
        QCOMPARE(child<QPlainTextEdit>("tbOutBox")->toPlainText(), output);
        // A redraw at an unchanged size gives the same picture.
        const QImage before = plotPage().canvas().image().copy();
        plot().redrawPlot();
        QCOMPARE(plotPage().canvas().image(), before);
    }

    void wheelZoomWorksThroughTheOverrides() {
        runJob();
        QSignalSpy started(&w().pipeline(), &RunPipeline::runStarted);
        const plot::PlotScale whole = plot().lastPlot();
        const QSize size = plotPage().canvas().size();
        const QPointF at(size.width() * 0.6, size.height() * 0.5);
        const double under = plot::realXAt(whole, at.x(), size.width());
        auto wheel = [&](int angle, Qt::KeyboardModifiers mods) {
            QWheelEvent e(at, plotPage().view()->mapToGlobal(at), QPoint(), QPoint(0, angle),
                          Qt::NoButton, mods, Qt::NoScrollPhase, false);
            QApplication::sendEvent(plotPage().view(), &e);
        };
        wheel(3 * 120, Qt::NoModifier);
        plot::PlotScale z = plot().lastPlot();
        // The frequency axis is an override now, shown in the Setup page's boxes.
        QVERIFY(z.xOverridden);
        QVERIFY(!z.yOverridden);
        const plot::PlotOptions o = setup().options();
        QVERIFY(o.xOverride.enabled && !o.yOverride.enabled);
        QCOMPARE(o.xOverride.minText, plot().viewOptions().xOverride.minText);
        QCOMPARE(o.xOverride.stepText, plot().viewOptions().xOverride.stepText);
        const auto shown = plot::overrideAxisRange(o.xOverride, 10);
        QVERIFY(shown);
        QVERIFY(std::abs(shown->lo - z.xMin * z.xFactor) < 1e-6 * shown->width());
        // Narrower, still holding the frequency that was under the cursor near the cursor.
        const plot::AxisRange wholeX = plot::shownXRange(whole);
        QVERIFY(shown->width() < wholeX.width() * 0.8);
        QVERIFY(shown->lo <= under && under <= shown->hi);
        const double step = shown->width() / 10;
        QVERIFY(std::abs(plot::realXAt(z, at.x(), size.width()) - under) <= step);

        // Shift: the dB axis too.
        wheel(120, Qt::ShiftModifier);
        QVERIFY(plot().lastPlot().yOverridden);
        QVERIFY(setup().options().yOverride.enabled);

        // Out again as far as it came in: the range the first zoom asked for comes back.
        wheel(-120, Qt::NoModifier);
        wheel(-3 * 120, Qt::NoModifier);
        const auto out = plot::overrideAxisRange(setup().options().xOverride, 10);
        QVERIFY(out && out->width() >= wholeX.width() - 1e-9);

        // Home, with the focus where a plot leaves it: the run's own ranges and the Setup page
        // as it was.
        QTRY_VERIFY(child<QPushButton>("cmdQuit")->hasFocus());
        QTest::keyClick(child<QPushButton>("cmdQuit"), Qt::Key_Home);
        QVERIFY(!plot().zoomed());
        QCOMPARE(plot().lastPlot().xMin, whole.xMin);
        QCOMPARE(plot().lastPlot().xMax, whole.xMax);
        QCOMPARE(plot().lastPlot().yMin, whole.yMin);
        QVERIFY(!setup().options().xOverride.enabled);
        QVERIFY(!setup().options().yOverride.enabled);
        QCOMPARE(started.count(), 0);
    }

    void bandPanAndResetWithTheMouse() {
        runJob();
        const plot::PlotScale whole = plot().lastPlot();
        const QSize size = plotPage().canvas().size();
        auto real = [&](double px) { return plot::realXAt(whole, px, size.width()); };
        QWidget* v = plotPage().view();
        // A drag: the band's frequencies.
        const QPoint a(int(size.width() * 0.55), size.height() / 2);
        const QPoint b(int(size.width() * 0.70), size.height() / 2 + 40);
        QTest::mousePress(v, Qt::LeftButton, Qt::NoModifier, a);
        QTest::mouseMove(v, b);
        QTest::mouseRelease(v, Qt::LeftButton, Qt::NoModifier, b);
        auto x = plot::overrideAxisRange(setup().options().xOverride, 10);
        QVERIFY(x);
        QVERIFY(x->lo <= real(a.x()) && real(b.x()) <= x->hi);
        QVERIFY(x->width() < 1.6 * (real(b.x()) - real(a.x())) + 1e-12);
        QVERIFY(!plot().lastPlot().yOverridden); // no modifier: frequency only

        // Right-drag: the same width, moved against the drag.
        const double width = x->width();
        const double lo = x->lo;
        QTest::mousePress(v, Qt::RightButton, Qt::NoModifier, a);
        QTest::mouseMove(v, a + QPoint(size.width() / 4, 0));
        QTest::mouseRelease(v, Qt::RightButton, Qt::NoModifier, a + QPoint(size.width() / 4, 0));
        x = plot::overrideAxisRange(setup().options().xOverride, 10);
        QVERIFY(x && std::abs(x->width() - width) < 1e-9 * width);
        QVERIFY(x->lo < lo);

        // Shift+drag also zooms the dB axis.
        QTest::mousePress(v, Qt::LeftButton, Qt::ShiftModifier, a);
        QTest::mouseMove(v, b);
        QTest::mouseRelease(v, Qt::LeftButton, Qt::ShiftModifier, b);
        QVERIFY(plot().lastPlot().yOverridden);

        // Double-click: back to the whole plot.
        QTest::mouseDClick(v, Qt::LeftButton, Qt::NoModifier, a);
        QVERIFY(!plot().zoomed());
        QCOMPARE(plot().lastPlot().xMin, whole.xMin);
        QCOMPARE(plot().lastPlot().yMax, whole.yMax);
    }

    void zoomedViewIsReproducible() {
        runJob();
        QTest::mousePress(plotPage().view(), Qt::LeftButton, Qt::ShiftModifier, QPoint(500, 150));
        QTest::mouseMove(plotPage().view(), QPoint(640, 300));
        QTest::mouseRelease(plotPage().view(), Qt::LeftButton, Qt::ShiftModifier, QPoint(640, 300));
        const plot::PlotScale zoomed = plot().lastPlot();
        QVERIFY(zoomed.xOverridden && zoomed.yOverridden);
        // Save As writes the zoomed view.
        const QString path = f_->tmp.filePath("zoomed.bmp");
        ui().fileNames << path;
        child<QPushButton>("cmdFileSaveAs")->click();
        QVERIFY2(ui().messages.isEmpty(), qPrintable(ui().texts().join(" | ")));
        QCOMPARE(QImage(path, "BMP").convertToFormat(QImage::Format_RGB32),
                 plotPage().canvas().image().convertToFormat(QImage::Format_RGB32));
        ui().reset();
        // Saved like any override, and plotted again from the Setup page to the same view.
        child<QPushButton>("cmdQuit")->click();
        child<QPushButton>("cmdSaveOptions")->click();
        RegistryStore& reg = *f_->registry;
        QCOMPARE(reg.getValue(kCurrentUser, kProgramKey, "chkXaxis", kRegDword).toInt(), 1);
        QCOMPARE(reg.getValue(kCurrentUser, kProgramKey, "txtXmin", kRegString).toString(),
                 setup().options().xOverride.minText);
        child<QPushButton>("cmdPlot")->click();
        waitForRun();
        QVERIFY2(ui().messages.isEmpty(), qPrintable(ui().texts().join(" | ")));
        const plot::PlotScale again = plot().lastPlot();
        QCOMPARE(again.xMin, zoomed.xMin);
        QCOMPARE(again.xMax, zoomed.xMax);
        QCOMPARE(again.yMin, zoomed.yMin);
        QCOMPARE(again.yMax, zoomed.yMax);
    }

    void readoutNamesTheNearestPoint() {
        runJob();
        QLabel* status = child<QLabel>("lblPlotStatus");
        QVERIFY(status->text().contains("Wheel"));
        const plot::PlotScale& st = plot().lastPlot();
        const QSize size = plotPage().canvas().size();
        const QPoint at(int(size.width() * 0.37), size.height() / 3);
        QTest::mouseMove(plotPage().view(), at);
        const auto i = plot::nearestCurvePoint(st, plot::realXAt(st, at.x(), size.width()));
        QVERIFY(i);
        const QString text = status->text();
        QVERIFY2(text.contains(QString::number(double(st.freq[size_t(*i)]) * st.xFactor, 'g', 6)),
                 qPrintable(text));
        QVERIFY2(text.contains(QString::number(double(st.psd[size_t(*i)]), 'f', 2) + " dB"),
                 qPrintable(text));
        QVERIFY(text.contains(QString("point %1 of %2").arg(*i + 1).arg(st.n)));
        // The crosshair is drawn over the canvas, never into it: Save As keeps the plot alone.
        const QImage grabbed =
            plotPage().view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(grabbed != plotPage().canvas().image().convertToFormat(QImage::Format_RGB32));
        // After a zoom under the still cursor the readout names the point of the new view.
        QWheelEvent wheel(QPointF(at), plotPage().view()->mapToGlobal(QPointF(at)), QPoint(),
                          QPoint(0, 240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(plotPage().view(), &wheel);
        const plot::PlotScale& z = plot().lastPlot();
        const auto j = plot::nearestCurvePoint(z, plot::realXAt(z, at.x(), size.width()));
        QVERIFY(j);
        QVERIFY2(status->text().contains(QString("point %1 of").arg(*j + 1)),
                 qPrintable(status->text()));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(plotPage().view(), &leave);
        QVERIFY(status->text().contains("Wheel"));
    }

    // Jobs written by older builds: line 2 holds a bare name, or the absolute path of the
    // data where it was (beside the job or elsewhere); both open with that file and run as they
    // stand. A path from another machine (a folder gone here, a Windows path) opens with the
    // file of that name beside the job, and runs once saved, which names that file.
    void olderJobsOpenAndRun_data() {
        QTest::addColumn<QString>("lineTwo"); // "@" stands for the temporary root
        QTest::addColumn<QString>("dataDir");
        QTest::addColumn<bool>("saveFirst");
        QTest::addColumn<QString>("after"); // line 2 after the run
        QTest::newRow("bare name") << "marple64.txt"
                                   << "old" << false << "marple64.txt";
        QTest::newRow("absolute, beside") << "@/old/marple64.txt"
                                          << "old" << false << "@/old/marple64.txt";
        QTest::newRow("absolute, elsewhere") << "@/data/marple64.txt"
                                             << "data" << false << "@/data/marple64.txt";
        QTest::newRow("gone folder") << "/home/someone/out/marple64.txt"
                                     << "old" << true << "marple64.txt";
        QTest::newRow("windows path") << "C:\\Lumetra\\user\\marple64.txt"
                                      << "old" << true << "marple64.txt";
    }
    void olderJobsOpenAndRun() {
        QFETCH(QString, lineTwo);
        QFETCH(QString, dataDir);
        QFETCH(bool, saveFirst);
        QFETCH(QString, after);
        if (!engineAvailable()) QFAIL("the engine library was not built");
        const QString root = f_->jobsDir();
        const QString dir = root + "/old";
        QVERIFY(QDir().mkpath(dir) && QDir().mkpath(root + "/" + dataDir));
        const QString data = root + "/" + dataDir + "/marple64.txt";
        QFile::copy(LUMETRA_TEST_DATA, data);
        QByteArray job = f_->readFile(QString(LUMETRA_EXAMPLES_DIR) + "/Ex-Perio.0");
        QList<QByteArray> lines = job.split('\n');
        lines[1] = QString(lineTwo).replace("@", root).toUtf8() + "  \t\t! 1. data\r";
        f_->writeFile(dir + "/Old.0", lines.join('\n'));
        QVERIFY(w().session().openJob(dir + "/Old.0"));
        QCOMPARE(QFileInfo(w().state().dataFilePath()).canonicalFilePath(),
                 QFileInfo(data).canonicalFilePath());
        if (saveFirst) w().session().fileSave();
        w().jobForm()->submitButton()->click();
        waitForRun();
        QVERIFY2(ui().messages.isEmpty(), qPrintable(ui().texts().join(" | ")));
        QVERIFY(plot().hasPlot());
        const QString saved = QString::fromUtf8(f_->readFile(dir + "/Old.0")).split("\r\n")[1];
        QVERIFY2(saved.startsWith(QString(after).replace("@", root) + "  "), qPrintable(saved));
    }

    // The mouse on the pixel where the renderer drew the highest peak reads that peak: its
    // frequency and point number.
    void readoutAtAPeakPixel() {
        if (!engineAvailable()) QFAIL("the engine library was not built");
        QVERIFY(f_->savePeriodogramJob("Perio.2", "Rectangular", 256));
        w().jobForm()->submitButton()->click();
        waitForRun();
        QVERIFY2(ui().messages.isEmpty(), qPrintable(ui().texts().join(" | ")));
        const plot::PlotScale& st = plot().lastPlot();
        const QSize size = plotPage().canvas().size();
        QVERIFY(!plot().lastPeaks().byAmplitude.empty());
        for (int rank = 0; rank < 2; ++rank) {
            const plot::Peak pk = plot().lastPeaks().byAmplitude[size_t(rank)];
            const double px = plot::toPixelX(st, st.freq[size_t(pk.index)], size.width());
            const double py = plot::toPixelY(st, st.psd[size_t(pk.index)], size.height());
            // At least two pixels between points, so the rounded pixel still names this one.
            QVERIFY(size.width() * 0.8 / st.n > 2);
            QTest::mouseMove(plotPage().view(), QPoint(int(std::lround(px)), int(std::lround(py))));
            const QString text = child<QLabel>("lblPlotStatus")->text();
            const double f = double(st.freq[size_t(pk.index)]) * st.xFactor;
            QVERIFY2(text.contains(QString("Frequency %1 ").arg(QString::number(f, 'g', 6))),
                     qPrintable(text));
            QVERIFY2(text.contains(QString("point %1 of").arg(pk.index + 1)), qPrintable(text));
        }
    }

    void peakMarksToggle() {
        runJob();
        const QImage plain = plotPage().canvas().image().copy();
        auto* marks = child<QCheckBox>("chkMarkPeaks");
        QVERIFY(!marks->isChecked()); // the faithful plot by default
        marks->click();
        QVERIFY(plot().markPeaks());
        RegistryStore& reg = *f_->registry;
        QCOMPARE(reg.getValue(kCurrentUser, kProgramKey, "MarkPeaks", kRegDword).toInt(), 1);
        const QImage marked = plotPage().canvas().image();
        QVERIFY(marked != plain);
        // Marks in the Titles colour just above the most prominent peaks (five at first).
        const QColor titles = plot().viewOptions().penColor(plot::Titles);
        const plot::PlotScale& st = plot().lastPlot();
        const std::vector<int> peaks = plot::prominentPeaks(st, 5);
        QCOMPARE(int(peaks.size()), 5);
        for (int i : peaks) {
            const double x = plot::toPixelX(st, st.freq[size_t(i)], marked.width());
            const double y = plot::toPixelY(st, st.psd[size_t(i)], marked.height());
            bool found = false;
            for (int dy = 2; dy < 12 && !found; ++dy)
                found = marked.valid(int(x), int(y) - dy) &&
                        QColor(marked.pixel(int(std::lround(x)), int(y) - dy)) == titles;
            QVERIFY2(found, qPrintable(QString("no mark over point %1").arg(i)));
        }
        // Save As, Copy and the screen give the same picture, marks included.
        const QString png = f_->jobsDir() + "/marked.png";
        ui().fileNames << png;
        child<QPushButton>("cmdFileSaveAs")->click();
        QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32),
                 marked.convertToFormat(QImage::Format_RGB32));
        child<QPushButton>("cmdCopy")->click();
        QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 marked.convertToFormat(QImage::Format_RGB32));
        // More marks when asked for, remembered.
        auto* count = child<QSpinBox>("spnMarkCount");
        QCOMPARE(count->value(), 5);
        count->setValue(12);
        QCOMPARE(reg.getValue(kCurrentUser, kProgramKey, "MarkPeakCount", kRegDword).toInt(), 12);
        QVERIFY(plotPage().canvas().image() != marked);
        // The choice comes back with the next start; off again gives the plain plot.
        QVERIFY(f_->start());
        QVERIFY(child<QCheckBox>("chkMarkPeaks")->isChecked());
        child<QCheckBox>("chkMarkPeaks")->click();
        QCOMPARE(reg.getValue(kCurrentUser, kProgramKey, "MarkPeaks", kRegDword).toInt(), 0);
    }
};

QTEST_MAIN(TestPlotWindow)
#include "tst_plot_window.moc"
