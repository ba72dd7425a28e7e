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
#include <QSignalSpy>
#include <QtTest>

#include <specest/job_record.hpp>
#include <specest/specest.h>

#include <algorithm>
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
        // No zoom or pan in the modern view, and the line under the plot does not offer them.
        QCOMPARE(plot().plotPage()->statusLine()->text(), plotWholeHint());
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
