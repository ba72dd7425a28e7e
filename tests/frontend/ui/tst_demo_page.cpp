// The demo page: its eighteen entries, their order, opening and leaving the page, and demo
// runs of the shipped examples through the real engine.
#include "demo_page.h"
#include "job_form.h"
#include "run_pipeline.h"
#include "window_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

using namespace lumetra;
using lumetra::test::ScriptedInteraction;
using lumetra::test::WindowFixture;

namespace {

const QString kExamples = QStringLiteral(LUMETRA_EXAMPLES_DIR);

// A value line of a job file (1-based), without its comment.
QString jobLine(const QString& path, int line) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    const QList<QByteArray> lines = f.readAll().split('\n');
    if (lines.size() < line) return QString();
    return QString::fromUtf8(lines[line - 1]).section(u'!', 0, 0).trimmed();
}

} // namespace

class TestDemoPage : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> f_;
    MainWindow& w() { return *f_->window; }
    DemoPage& page() { return *w().demoPage(); }
    ScriptedInteraction& ui() { return f_->ui; }
    QTabWidget* tabs() { return w().tabs(); }

    void copyExamples() {
        QDirIterator it(kExamples, QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile::copy(path, f_->userDir() + "/" + it.fileName());
        }
    }
    void openDemoPage() {
        w().action("mnuDemosRunGo")->trigger();
        QCOMPARE(tabs()->currentIndex(), 1);
    }
    void runSelected() {
        QSignalSpy finished(&w().pipeline(), &RunPipeline::runFinished);
        page().runButton()->click();
        if (w().pipeline().isRunning()) QVERIFY(finished.wait(60000));
    }

  private slots:
    void init() {
        f_ = std::make_unique<WindowFixture>();
        QVERIFY(f_->start());
        f_->window->show();
    }
    void cleanup() { f_.reset(); }

    void entries_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("method"); // what the shipped job runs
        const QString tb = " example from Marple's textbook";
        const auto blanks = [](const QString& marker) { return QString(8, u' ') + marker; };
        const QString fill = "minimal ... start here and watch as plot is filled in due to more "
                             "zero padding";
        QTest::newRow("1") << 1 << "Ex-0-pad.32" << fill << "< 9"
                           << "Periodogram";
        QTest::newRow("2") << 2 << "Ex-0-pad.64"
                           << "Zero padding (*.64) with 32 more zero padding points"
                           << "< 9"
                           << "Periodogram";
        QTest::newRow("3") << 3 << "Ex-0-pad.128"
                           << "Zero padding (*.128) with 64 more zero padding points"
                           << "< 9"
                           << "Periodogram";
        QTest::newRow("4") << 4 << "Ex-0-pad.256"
                           << "Zero padding (*.256) with 128 more zero padding points"
                           << "< 9"
                           << "Periodogram";
        QTest::newRow("5") << 5 << "Ex-0-pad.8k"
                           << "Zero padding (*.8k) with 7,900+ more zero padding points"
                           << "~20"
                           << "Periodogram";
        QTest::newRow("6") << 6 << "Ex-Auto.0"
                           << "Auto-Correlation" + tb + blanks("<--- AR (AutoRegressive) methods")
                           << "< 9"
                           << "Auto-Correlation";
        QTest::newRow("7") << 7 << "Ex-Burg.0"
                           << "Burg" + tb << "< 9"
                           << "Burg";
        QTest::newRow("8") << 8 << "Ex-Cov.0"
                           << "Covariance" + tb << "< 9"
                           << "Covariance";
        QTest::newRow("9") << 9 << "Ex-mCov.0"
                           << "Modified covariance" + tb << "< 9"
                           << "Modified Covariance";
        QTest::newRow("10") << 10 << "Ex-RMLE.0"
                            << "RMLE example on a simulated real AR(4) record"
                            << "< 9"
                            << "RMLE";
        QTest::newRow("11") << 11 << "Ex-Lock.0"
                            << "Lockheed example ... Auto-Corr. (4 Poles) & Burg (4 Zeros) Combo"
                            << "< 9"
                            << "Lockheed (Autocorr/Burg)";
        QTest::newRow("12") << 12 << "Ex-Durbi.0"
                            << "Durbin" + tb + blanks("<--- MA (Moving Average) method") << "< 9"
                            << "Durbin";
        QTest::newRow("13") << 13 << "Ex-MYWE.0"
                            << "MYWE" + tb + blanks("<--- ARMA methods") << "< 9"
                            << "MYWE";
        QTest::newRow("14") << 14 << "Ex-LSMYW.0"
                            << "LSMYWE" + tb << "< 9"
                            << "LSMYWE";
        QTest::newRow("15") << 15 << "Ex-Mayne.0"
                            << "Mayne-Firoozan" + tb << "< 9"
                            << "Mayne-Firoozan";
        QTest::newRow("16") << 16 << "Ex-Perio.0"
                            << "Periodogram" + tb + blanks("<--- Classical") << "< 9"
                            << "Periodogram";
        QTest::newRow("17") << 17 << "Ex-Black.0"
                            << "Blackman-Tukey" + tb << "< 9"
                            << "Blackman-Tukey";
        QTest::newRow("18") << 18 << "Ex-MVSE.0"
                            << "MVSE" + tb + blanks("<--- Min. Variance") << "< 9"
                            << "MVSE";
    }
    void entries() {
        QFETCH(int, index);
        QFETCH(QString, file);
        QFETCH(QString, description);
        QFETCH(QString, time);
        QFETCH(QString, method);
        QCOMPARE(page().exam(index)->text(), file);
        QCOMPARE(page().description(index)->text(), description);
        QCOMPARE(page().exTime(index)->text(), time);
        // The description must be true of the job that ships under that name.
        QVERIFY2(QFile::exists(kExamples + "/" + file), qPrintable(file));
        QCOMPARE(jobLine(kExamples + "/" + file, 7), method);
        // "from Marple's textbook" only where the job reads the textbook's record.
        const QString data = jobLine(kExamples + "/" + file, 2);
        if (description.contains("textbook")) QCOMPARE(data, QString("marple64.txt"));
        if (file == "Ex-RMLE.0") QCOMPARE(data, QString("ar4real.txt"));
        if (file == "Ex-Lock.0") { // "(4 Poles) & Burg (4 Zeros)"
            QCOMPARE(jobLine(kExamples + "/" + file, 10), QString("4"));
            QCOMPARE(jobLine(kExamples + "/" + file, 11), QString("4"));
        }
    }

    void pageLayout() {
        QCOMPARE(page().rowsOnPage(),
                 (QList<int>{6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 1, 2, 3, 4, 5}));
        QStringList headings;
        for (int c = 1; c <= 3; ++c)
            headings << page().findChild<QLabel*>(QString("lblDemoColumn%1").arg(c))->text();
        QCOMPARE(headings,
                 (QStringList{"File Name", "Run Time (Seconds)", "Lumetra problem with ..."}));
        QCOMPARE(page().findChild<QLabel*>("lblDemoHeading")->text(),
                 QString("Select a Lumetra example from the list below for your demo run.  Note "
                         "the approximate run time for your chosen problem.  (These times were "
                         "for a 486/500 PC.)  After calculations, Lumetra\u2122 will display "
                         "some output text and a graph."));
        QCOMPARE(page().findChild<QLabel*>("lblCompare")->text(),
                 QString("Compare Results ... which is best?"));
        QCOMPARE(page().runButton()->text(), QString("&Calculate"));
        QCOMPARE(page().cancelButton()->text(), QString("Parameter Selection"));

        // "Zero padding" begins entry 1's row; "(basically a FFT)" ends entry 16's.
        openDemoPage();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        const auto at = [this](QWidget* wd) { return wd->mapTo(&page(), QPoint(0, 0)); };
        QLabel* zero = page().findChild<QLabel*>("lblZeroPadding");
        QLabel* fft = page().findChild<QLabel*>("lblFFT");
        QCOMPARE(zero->text(), QString("Zero padding"));
        QCOMPARE(fft->text(), QString("(basically a FFT)"));
        QVERIFY(qAbs(at(zero).y() - at(page().description(1)).y()) < 4);
        QVERIFY(at(zero).x() < at(page().description(1)).x());
        QVERIFY(qAbs(at(fft).y() - at(page().description(16)).y()) < 4);
        QVERIFY(at(fft).x() > at(page().description(16)).x());
        QVERIFY(at(page().exam(5)).y() > at(page().exam(18)).y());
    }

    void reachability() {
        // At start-up the demo page cannot be reached.
        QVERIFY(!tabs()->isTabEnabled(1));
        QVERIFY(w().action("mnuDemosRunGo")->isEnabled());
        openDemoPage();
        QVERIFY(!tabs()->isTabEnabled(0));
        QVERIFY(tabs()->isTabEnabled(1));
        // File and Demos stay reachable from the demo page.
        QVERIFY(w().menu("mnuFile")->isEnabled());
        QVERIFY(w().menu("mnuDemos")->isEnabled());
        QVERIFY(page().runButton()->isEnabled());
        QVERIFY(page().cancelButton()->isEnabled());
        QVERIFY(page().exam(6)->isChecked());

        page().cancelButton()->click();
        QCOMPARE(tabs()->currentIndex(), 0);
        QVERIFY(tabs()->isTabEnabled(0));
        QVERIFY(!tabs()->isTabEnabled(1));
        QVERIFY(w().menu("mnuFile")->isEnabled());
        QVERIFY(w().menu("mnuDemos")->isEnabled());
        QVERIFY(w().jobForm()->submitButton()->isEnabled());
    }

    void reopeningSelectsAutoAgain() {
        openDemoPage();
        page().exam(9)->click();
        QCOMPARE(page().selectedExample(), QString("Ex-mCov.0"));
        page().cancelButton()->click();
        openDemoPage();
        QCOMPARE(page().selectedExample(), QString("Ex-Auto.0"));
        QVERIFY(page().exam(6)->isChecked()); // what is shown selected is what runs
    }

    void editedFormAsksFirst_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("menus");
        QTest::newRow("cancel keeps page 0") << int(MessageAnswer::Cancel) << 0 << true;
        QTest::newRow("no opens the demos") << int(MessageAnswer::No) << 1 << true;
    }
    void editedFormAsksFirst() {
        QFETCH(int, answer);
        QFETCH(int, page);
        QFETCH(bool, menus);
        w().jobForm()->findChild<QLineEdit*>("nSkip")->setText("7");
        QVERIFY(w().state().formChanged);
        ui().answers << MessageAnswer(answer);
        w().action("mnuDemosRunGo")->trigger();
        QCOMPARE(ui().texts(), QStringList{"Save current data?"});
        QCOMPARE(tabs()->currentIndex(), page);
        QCOMPARE(tabs()->isTabEnabled(0), page == 0);
        QCOMPARE(tabs()->isTabEnabled(1), page == 1);
        QCOMPARE(w().menu("mnuFile")->isEnabled(), menus);
        // Nothing was saved and the edit is still on the form.
        QCOMPARE(w().jobForm()->findChild<QLineEdit*>("nSkip")->text(), QString("7"));
        QVERIFY(ui().dialogs.isEmpty());
    }

    void runDemoThenCalculateRunsAuto() {
        copyExamples();
        openDemoPage();
        runSelected(); // no option button clicked
        QVERIFY2(ui().messages.isEmpty(), qPrintable(ui().texts().join(" | ")));
        QCOMPARE(w().state().jobName, QString("Ex-Auto.0"));
        QVERIFY(w().windowTitle().endsWith("Ex-Auto.0"));
        QCOMPARE(w().pipeline().lastResult().status, RunStatus::Success);
        QCOMPARE(w().pipeline().lastResult().method, QString("Auto-Correlation"));
        QCOMPARE(w().jobForm()->findChild<QComboBox*>("Methods")->currentText(),
                 QString("Auto-Correlation"));
        // Run as stored: the shipped job is not rewritten.
        QCOMPARE(f_->readFile(f_->userDir() + "/Ex-Auto.0"),
                 f_->readFile(kExamples + "/Ex-Auto.0"));
        QVERIFY(QFile::exists(f_->userDir() + "/ex-auto_0.out"));
    }

    void runButtonsFollowTheRun() {
        openDemoPage();
        w().setRunControls(true);
        QVERIFY(!page().runButton()->isEnabled());
        QVERIFY(!page().cancelButton()->isEnabled());
        QVERIFY(!w().jobForm()->submitButton()->isEnabled());
        w().setRunControls(false);
        QVERIFY(page().runButton()->isEnabled());
        QVERIFY(page().cancelButton()->isEnabled());
    }

    void missingExampleIsReported() {
        // The user folder holds no examples here.
        openDemoPage();
        const QString title = w().windowTitle();
        page().exam(7)->click();
        runSelected();
        QCOMPARE(ui().texts(), QStringList{"Missing '" + f_->userDir() + "/Ex-Burg.0' file?"});
        // The job stays the user's: a later Calculate does not offer it under the example's name.
        QCOMPARE(w().state().jobName, kStartUpJobName);
        QCOMPARE(w().windowTitle(), title);
        QVERIFY(!w().pipeline().isRunning());
        QVERIFY(page().runButton()->isEnabled()); // the user can pick another one
        QCOMPARE(tabs()->currentIndex(), 1);
    }

    void everyExampleRuns_data() {
        QTest::addColumn<int>("index");
        for (int i = 1; i <= kDemoCount; ++i)
            QTest::newRow(qPrintable(demoExamples().at(i - 1).file)) << i;
    }
    void everyExampleRuns() {
        QFETCH(int, index);
        copyExamples();
        openDemoPage();
        page().exam(index)->click();
        runSelected();
        QVERIFY2(ui().messages.isEmpty(), qPrintable(ui().texts().join(" | ")));
        QCOMPARE(w().pipeline().lastResult().status, RunStatus::Success);
        QCOMPARE(w().state().jobName, page().exam(index)->text());
        // The menus stay reachable after the run, on the plot as everywhere.
        QVERIFY(w().menu("mnuFile")->isEnabled());
    }
};

QTEST_MAIN(TestDemoPage)
#include "tst_demo_page.moc"
