// The modern view in the window with the real engine: View > Modern is shown and remembered, a
// run in it draws the engine's modern file-run numbers with the readout in Hz and dB/Hz, held
// curves of one view refuse a run of the other, and Compare runs in the view's profile.
#include "compare_run.h"
#include "plot_controller.h"
#include "plot_page.h"
#include "run_pipeline.h"
#include "window_fixture.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

#include <specest/job_record.hpp>
#include <specest/specest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace lumetra;
using namespace lumetra::test;

namespace {

using Points = std::vector<std::pair<float, float>>;

// The engine's modern file run of a job, called directly, in frequency order.
Points engineModern(const QString& job) {
    specest_capacity_info cap{};
    cap.size = sizeof cap;
    if (specest_file_capacity(job.toLocal8Bit().constData(), &cap, nullptr, 0) != SPECEST_SUCCESS)
        return {};
    std::vector<float> f(static_cast<std::size_t>(cap.grid)), db(f.size());
    specest_output out;
    specest_output_init(&out);
    out.freqs = f.data();
    out.db = db.data();
    out.grid_cap = cap.grid;
    if (specest_run_file(job.toLocal8Bit().constData(), nullptr,
                         int32_t{SPECEST_NO_PAUSE} | int32_t{SPECEST_PROFILE_MODERN},
                         &out) != SPECEST_SUCCESS)
        return {};
    Points p;
    for (int i = 0; i < out.n_freq; ++i) p.emplace_back(f[std::size_t(i)], db[std::size_t(i)]);
    std::sort(p.begin(), p.end());
    return p;
}

bool sameBits(const Points& a, const Points& b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), a.size() * sizeof(std::pair<float, float>)) == 0;
}

} // namespace

class TestModernWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> f_;
    MainWindow& w() { return *f_->window; }
    PlotController& plot() { return *w().plotController(); }
    QString job() { return f_->jobsDir() + "/Perio.1"; }

    void run() {
        QSignalSpy finished(&w().pipeline(), &RunPipeline::runFinished);
        w().pipeline().fileRun(); // as Calculate and "Plot results >>" do
        if (w().pipeline().isRunning()) QVERIFY(finished.wait(60000));
    }

  private slots:
    void init() {
        f_ = std::make_unique<WindowFixture>();
        QVERIFY(f_->start());
        QVERIFY(f_->savePeriodogramJob("Perio.1", "Hamming", 256));
    }
    void cleanup() { f_.reset(); }

    void viewEntriesShownAndRemembered() {
        QAction* classic = w().action("mnuViewClassic");
        QAction* modern = w().action("mnuViewModern");
        QVERIFY(classic->isVisible() && modern->isVisible());
        QVERIFY(classic->isChecked() && !w().pipeline().modern());
        modern->trigger();
        QVERIFY(w().pipeline().modern());
        // A new window on the same settings starts in the modern view.
        f_->window.reset();
        QVERIFY(f_->start());
        QVERIFY(w().action("mnuViewModern")->isChecked());
        QVERIFY(w().pipeline().modern());
        QCOMPARE(plot().view(), plot::PlotView::Modern);
        w().action("mnuViewClassic")->trigger();
        f_->window.reset();
        QVERIFY(f_->start());
        QVERIFY(w().action("mnuViewClassic")->isChecked());
        QVERIFY(!w().pipeline().modern());
    }

    // The plotted curve is the engine's modern file run bit for bit; the readout at the highest
    // point reads its frequency in Hz and its level in dB/Hz.
    void modernRunDrawsTheEnginesNumbers() {
        w().action("mnuViewModern")->trigger();
        run();
        QVERIFY2(f_->ui.messages.isEmpty(), qPrintable(f_->ui.texts().join(" | ")));
        QVERIFY(plot().modernShown());
        // The line under the plot offers zoom and pan in the view's units.
        QCOMPARE(plot().plotPage()->statusLine()->text(), plotExploreHint(true));
        const Points want = engineModern(job());
        QVERIFY(want.size() == 256); // two-sided, the exact grid the job asks for
        const plot::ModernCurve& c = plot().modernLive();
        Points got;
        for (std::size_t i = 0; i < c.frequencyHz.size(); ++i)
            got.emplace_back(float(c.frequencyHz[i]), float(c.densityDb[i]));
        std::sort(got.begin(), got.end());
        QVERIFY(sameBits(got, want));
        const plot::ModernLayout& L = *plot().modernLayout();
        QCOMPARE(L.yCaption, QString("PSD (dB/Hz)"));
        QVERIFY(L.xCaption.endsWith("Hz)"));

        const auto top = std::max_element(c.densityDb.begin(), c.densityDb.end());
        const std::size_t k = std::size_t(top - c.densityDb.begin());
        const double x =
            L.frame.left() + (c.frequencyHz[k] - L.xLo) / (L.xHi - L.xLo) * L.frame.width();
        plot().readoutAt(QPointF(x, L.frame.center().y()));
        const QString text = plot().plotPage()->statusLine()->text();
        QVERIFY2(text.contains(plot::modernReadout(c.frequencyHz[k], *top)), qPrintable(text));
        QVERIFY2(text.contains(QString("point %1 of 256").arg(k + 1)), qPrintable(text));

        // Mark peaks marks the engine's most prominent peaks in the view's units.
        plot().setMarkCount(3);
        plot().setMarkPeaks(true);
        const auto& marks = plot().modernMarks();
        QCOMPARE(marks.size(), std::min<std::size_t>(3, w().pipeline().lastModern().peakHz.size()));
        QVERIFY(!marks.front().box.isEmpty() && marks.front().text.endsWith("Hz"));
        plot().setMarkPeaks(false);
        QVERIFY(plot().modernMarks().empty());
    }

    // The classic view's zoom and pan in the modern view, with the mouse and keys: the wheel
    // zooms about the cursor, the readout still reads the point under it exactly, a drag zooms
    // to a band, a right-drag pans, zoom and pan stop at the data's range and Home shows it all.
    void zoomAndPanWithTheMouse() {
        // Mouse events reach a shown window only.
        w().show();
        QApplication::setActiveWindow(&w());
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        w().action("mnuViewModern")->trigger();
        run();
        QVERIFY(plot().modernShown());
        QWidget* v = plot().plotPage()->view();
        const plot::ModernCurve& c = plot().modernLive();
        const plot::ModernLayout L0 = *plot().modernLayout();
        const auto top = std::max_element(c.densityDb.begin(), c.densityDb.end());
        const std::size_t k = std::size_t(top - c.densityDb.begin());
        const QPointF at(plot::modernPixelX(L0, c.frequencyHz[k]), L0.frame.center().y());
        auto wheel = [&](QPointF where, int angle, Qt::KeyboardModifiers mods) {
            QWheelEvent e(where, v->mapToGlobal(where), QPoint(), QPoint(0, angle), Qt::NoButton,
                          mods, Qt::NoScrollPhase, false);
            QApplication::sendEvent(v, &e);
        };
        wheel(at, 3 * 120, Qt::NoModifier);
        QVERIFY(plot().zoomed() && plot().modernView().x && !plot().modernView().y);
        const plot::ModernLayout L1 = *plot().modernLayout();
        QVERIFY(std::fabs((L1.xHi - L1.xLo) / (L0.xHi - L0.xLo) - 0.512) < 1e-9);
        QVERIFY(L1.xLo < c.frequencyHz[k] && c.frequencyHz[k] < L1.xHi);

        // The readout at the peak's pixel in the zoomed plot is the peak.
        const QPoint peak(qRound(plot::modernPixelX(L1, c.frequencyHz[k])),
                          qRound(plot::modernPixelY(L1, *top)));
        QTest::mouseMove(v, peak);
        QString text = plot().plotPage()->statusLine()->text();
        QVERIFY2(text.contains(plot::modernReadout(c.frequencyHz[k], *top)), qPrintable(text));
        QVERIFY2(text.contains(QString("point %1 of 256").arg(k + 1)), qPrintable(text));
        QVERIFY(text.contains("zoomed: Home shows it all"));

        // Shift+drag: a band on both axes.
        const QPoint a(int(L1.frame.left() + 0.3 * L1.frame.width()),
                       int(L1.frame.top() + 0.2 * L1.frame.height()));
        const QPoint b(int(L1.frame.left() + 0.6 * L1.frame.width()),
                       int(L1.frame.top() + 0.6 * L1.frame.height()));
        QTest::mousePress(v, Qt::LeftButton, Qt::ShiftModifier, a);
        QTest::mouseMove(v, b);
        QTest::mouseRelease(v, Qt::LeftButton, Qt::ShiftModifier, b);
        const plot::ModernLayout L2 = *plot().modernLayout();
        QVERIFY(plot().modernView().y);
        QVERIFY(std::fabs(L2.xLo - plot::modernHzAt(L1, a.x())) < 1e-9 * (L1.xHi - L1.xLo));
        QVERIFY(std::fabs(L2.xHi - plot::modernHzAt(L1, b.x())) < 1e-9 * (L1.xHi - L1.xLo));

        // Right-drag to the left: the view moves to higher frequencies, its width kept.
        const QPoint from = (a + b) / 2, to = from - QPoint(100, 0);
        QTest::mousePress(v, Qt::RightButton, Qt::NoModifier, from);
        QTest::mouseMove(v, to);
        QTest::mouseRelease(v, Qt::RightButton, Qt::NoModifier, to);
        const plot::ModernLayout L3 = *plot().modernLayout();
        QVERIFY(L3.xLo > L2.xLo);
        QVERIFY(std::fabs((L3.xHi - L3.xLo) - (L2.xHi - L2.xLo)) < 1e-9 * (L2.xHi - L2.xLo));

        // Out a notch: still within the data's range.
        wheel(at, -120, Qt::ShiftModifier);
        const plot::CurveRanges data = plot::modernDataRanges(c, {});
        const plot::ModernLayout L4 = *plot().modernLayout();
        QVERIFY(L4.xLo >= data.x.lo && L4.xHi <= data.x.hi);
        QVERIFY(L4.yLo >= data.y.lo - 1e-9 && L4.yHi <= data.y.hi + 1e-9);
        // Out as far as the wheel goes: the whole frequency span, the curves' dB range.
        wheel(at, -40 * 120, Qt::ShiftModifier);
        QVERIFY(!plot().modernView().x);
        QCOMPARE(plot().modernLayout()->xLo, L0.xLo);
        QCOMPARE(plot().modernLayout()->xHi, L0.xHi);
        QVERIFY(std::fabs(plot().modernLayout()->yHi - data.y.hi) < 1e-9);

        // Home: the whole plot as the run drew it.
        plot().plotPage()->cmdQuit()->setFocus();
        QTRY_VERIFY(plot().plotPage()->cmdQuit()->hasFocus());
        QTest::keyClick(plot().plotPage()->cmdQuit(), Qt::Key_Home);
        QVERIFY(!plot().zoomed());
        const plot::ModernLayout L5 = *plot().modernLayout();
        QCOMPARE(L5.xLo, L0.xLo);
        QCOMPARE(L5.yLo, L0.yLo);
        QCOMPARE(L5.yHi, L0.yHi);
    }

    // Held curves keep their view: a run in the other view is refused with a message and the
    // plot stays; clearing them lets it draw.
    void mixingViewsIsRefused() {
        w().action("mnuViewModern")->trigger();
        run();
        QVERIFY(plot().modernShown());
        plot().holdCurve();
        QCOMPARE(plot().modernHeld().size(), std::size_t(1));
        w().action("mnuViewClassic")->trigger();
        run();
        QCOMPARE(f_->ui.messages.size(), 1);
        const QString why = f_->ui.texts().first();
        QVERIFY2(why.contains("classic view") && why.contains("modern view"), qPrintable(why));
        QVERIFY(plot().modernShown());
        f_->ui.reset();
        plot().clearHeld();
        run();
        QVERIFY2(f_->ui.messages.isEmpty(), qPrintable(f_->ui.texts().join(" | ")));
        QVERIFY(!plot().modernShown());
        QVERIFY(plot().hasPlot());
        // And the other way round: a classic curve held refuses a modern run.
        plot().holdCurve();
        w().action("mnuViewModern")->trigger();
        run();
        QCOMPARE(f_->ui.messages.size(), 1);
        QVERIFY(!plot().modernShown());
    }

    // Compare in the modern view runs the modern profile: the job's own method equals the
    // modern file run of the job.
    void compareRunsInTheViewsProfile_data() {
        QTest::addColumn<bool>("modern");
        QTest::newRow("modern") << true;
        QTest::newRow("classic") << false;
    }
    void compareRunsInTheViewsProfile() {
        QFETCH(bool, modern);
        QString error;
        auto setup = prepareCompare(job(), &error);
        QVERIFY2(setup, qPrintable(error));
        setup->modern = modern;
        CompareRunner runner(*f_->engine);
        QVERIFY2(runner.ready(&error), qPrintable(error));
        const std::atomic<bool> cancel{false};
        const int perio = int(specest::record::Method::periodogram);
        const auto results = runner.run(*setup, {perio}, cancel);
        QCOMPARE(results.size(), std::size_t(1));
        QVERIFY2(results[0].ok(), qPrintable(results[0].message));
        QCOMPARE(results[0].params.profile,
                 int(modern ? SPECEST_PROFILE_MODERN : SPECEST_PROFILE_CLASSIC));
        Points got;
        for (std::size_t i = 0; i < results[0].freqs.size(); ++i)
            got.emplace_back(results[0].freqs[i], results[0].db[i]);
        std::sort(got.begin(), got.end());
        QCOMPARE(sameBits(got, engineModern(job())), modern);
        QCOMPARE(compareModernCurves(results).size(), std::size_t(modern ? 1 : 0));
    }
};

QTEST_MAIN(TestModernWindow)
#include "tst_modern_window.moc"
