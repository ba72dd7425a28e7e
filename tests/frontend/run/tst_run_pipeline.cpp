// The run: checks before the engine, saving first, the engine off the interface thread, the
// report copy, and what each kind of ending shows.
#include "job_form.h"
#include "job_run.h"
#include "run_pipeline.h"
#include "window_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>
#include <cmath>

using namespace lumetra;
using lumetra::test::ScriptedInteraction;
using lumetra::test::WindowFixture;

class TestRunPipeline : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> f_;
    MainWindow& w() { return *f_->window; }
    JobState& state() { return w().state(); }
    ScriptedInteraction& ui() { return f_->ui; }
    QLineEdit* edit(const char* name) { return w().jobForm()->findChild<QLineEdit*>(name); }
    QComboBox* methods() { return w().jobForm()->findChild<QComboBox*>("Methods"); }
    QString report() const { return f_->userDir() + "/~Lumetra.out"; }

    bool engineAvailable() { return QFile::exists(QStringLiteral(LUMETRA_ENGINE_LIBRARY)); }

    // A saved periodogram job on the 64-sample complex record, in the jobs folder.
    void savePeriodogramJob(const QString& name, const QString& window = "Hamming") {
        QVERIFY(f_->savePeriodogramJob(name, window, 200));
    }

    void pressCalculate() {
        QSignalSpy finished(&w().pipeline(), &RunPipeline::runFinished);
        w().jobForm()->submitButton()->click();
        if (w().pipeline().isRunning()) QVERIFY(finished.wait(60000));
    }

  private slots:
    void init() {
        f_ = std::make_unique<WindowFixture>();
        QVERIFY(f_->start());
        f_->window->show();
    }
    void cleanup() { f_.reset(); }

    void refusedBeforeTheEngine_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("complex");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("focus");
        QTest::newRow("placeholder")
            << "-Select-" << false << "Please Select a 'Method' before making a run."
            << "Lumetra"
            << "Methods";
        const QString t = "Please change 'data type' to Real  or change Method.";
        QTest::newRow("Akaike complex")
            << "Akaike" << true << "Akaike and RMLE methods -require- real data!" << t << "optReal";
        QTest::newRow("RMLE complex")
            << "RMLE" << true << "Akaike and RMLE methods -require- real data!" << t << "optReal";
    }
    void refusedBeforeTheEngine() {
        QFETCH(QString, method);
        QFETCH(bool, complex);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QString, focus);
        QApplication::setActiveWindow(&w());
        methods()->setCurrentText(method);
        if (complex) w().jobForm()->findChild<QRadioButton*>("optComplex")->click();
        QSignalSpy started(&w().pipeline(), &RunPipeline::runStarted);
        w().jobForm()->submitButton()->click();
        QCOMPARE(ui().texts(), QStringList{text});
        QCOMPARE(ui().titles(), QStringList{title});
        QCOMPARE(ui().messages[0].request.icon, MessageIcon::Warning);
        QCOMPARE(started.count(), 0);
        QTRY_VERIFY(w().jobForm()->control(focus)->hasFocus());
        QVERIFY(w().jobForm()->submitButton()->isEnabled()); // the user can try again
    }

    void neverSavedJobIsSavedFirst() {
        methods()->setCurrentText("Burg");
        ui().answers << MessageAnswer::Cancel;
        w().jobForm()->submitButton()->click();
        QCOMPARE(ui().texts(),
                 QStringList{"Okay to save '" + f_->userDir() + "/Start Up Values' now?"});
        QCOMPARE(ui().titles(), QStringList{"Input -not- saved!"});
        QVERIFY(ui().dialogs.isEmpty());
        QVERIFY(w().jobForm()->submitButton()->isEnabled());

        // OK: Save As, suggesting a name it can take as it is; the data file "Real.Rda" is missing,
        // so no engine call.
        ui().reset();
        ui().fileNames << f_->jobsDir() + "/First.1";
        QSignalSpy started(&w().pipeline(), &RunPipeline::runStarted);
        w().action("mnuFileCalculate")->trigger();
        QCOMPARE(ui().dialogs.size(), 1);
        QCOMPARE(ui().dialogs[0].suggestedName, QString("job"));
        QVERIFY(QFile::exists(f_->jobsDir() + "/First.1"));
        const QString data = state().dataFileDir + "/Real.Rda";
        QCOMPARE(ui().texts().last(),
                 "==> Error!! <== Data file not found!!\nData file = " + data + "\n");
        QCOMPARE(ui().titles().last(), QString("In 'FileRun' routine ..."));
        QCOMPARE(started.count(), 0);
        QCOMPARE(w().tabs()->currentIndex(), 0);
        QVERIFY(!QFile::exists(report()));

        // A cancelled Save As leaves the start-up name.
        methods()->setCurrentText("Burg");
        state().jobName = kStartUpJobName;
        state().jobDir = f_->programDir();
        ui().reset();
        w().jobForm()->submitButton()->click();
        QCOMPARE(state().jobName, kStartUpJobName);
        QCOMPARE(started.count(), 0);
    }

    void engineLibraryMissing() {
        f_->engine->setPath(f_->tmp.filePath("nowhere/libspecest.so"));
        savePeriodogramJob("Perio.1");
        w().jobForm()->submitButton()->click();
        QTRY_VERIFY(!w().pipeline().isRunning());
        QCOMPARE(ui().titles(), QStringList{"In 'RunEngine' routine ..."});
        QVERIFY(ui().texts()[0].startsWith("The engine library '" +
                                           f_->tmp.filePath("nowhere/libspecest.so") +
                                           "' could not be loaded"));
        QVERIFY(w().jobForm()->submitButton()->isEnabled());
        QCOMPARE(methods()->currentText(), QString("Periodogram")); // the form is intact

        // A library without the entry point.
        f_->engine->setPath("libm.so.6");
        ui().reset();
        w().jobForm()->submitButton()->click();
        QTRY_VERIFY(!w().pipeline().isRunning());
        QCOMPARE(ui().texts(),
                 QStringList{"The engine library 'libm.so.6' has no entry point 'specest_run'."});
    }

    void capacityCoversTheEngine_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("l");
        QTest::addColumn<int>("capacity");
        QTest::newRow("rounded") << "Burg"
                                 << "512"
                                 << "" << 512;
        QTest::newRow("not yet rounded") << "Burg"
                                         << "100"
                                         << "" << 128;
        QTest::newRow("MVSE L larger") << "MVSE"
                                       << "64"
                                       << "200" << 200;
        QTest::newRow("MVSE L smaller") << "MVSE"
                                        << "256"
                                        << "18" << 256;
        QTest::newRow("Durbin's L is no grid") << "Durbin"
                                               << "64"
                                               << "200" << 64;
        QTest::newRow("unreadable") << "-EOF-"
                                    << "-EOF-"
                                    << "-EOF-" << 1;
    }
    void capacityCoversTheEngine() {
        QFETCH(QString, method);
        QFETCH(QString, points);
        QFETCH(QString, l);
        QFETCH(int, capacity);
        QCOMPARE(resultCapacity(method, points, l), capacity);
    }

    void reportCopies() {
        RunPipeline& p = w().pipeline();
        p.copyRunReport("Ex-Auto.0", f_->jobsDir()); // no report yet
        QCOMPARE(ui().texts(), QStringList{"\"" + report() + "\" is not a valid file name."});
        QCOMPARE(ui().titles(), QStringList{"File not copied."});
        f_->writeFile(report(), "report text\n");
        p.copyRunReport("Ex-Auto.0", f_->jobsDir());
        QCOMPARE(f_->readFile(f_->jobsDir() + "/ex-auto_0.out"), QByteArray("report text\n"));
        state().currentDir = f_->tmp.path();
        p.copyRunReport("NoDot", f_->jobsDir());
        QCOMPARE(f_->readFile(f_->tmp.filePath("nodot.out")), QByteArray("report text\n"));
    }

    void viewUserFile() {
        RunPipeline& p = w().pipeline();
        p.viewUserFile("~Lumetra.out");
        QCOMPARE(ui().texts(),
                 QStringList{"Try a 'Calculate' command then retry this View option."});
        QCOMPARE(ui().titles(), QStringList{"'~Lumetra.out' output file not found."});
        ui().reset();
        p.viewUserFile("Ex-None.0");
        QCOMPARE(ui().texts(), QStringList{"File not found. Check your equation and re-try."});
        QCOMPARE(ui().titles(), QStringList{"'Ex-None.0' file not found."});
        f_->writeFile(report(), "r\n");
        ui().reset();
        w().action("mnuViewLastOutput")->trigger();
        QCOMPARE(ui().viewed, QStringList{report()});
        QVERIFY(ui().messages.isEmpty());
    }

    void endToEndPeriodogram() {
        if (!engineAvailable()) QFAIL("the engine library was not built");
        savePeriodogramJob("Perio.1");
        QSignalSpy started(&w().pipeline(), &RunPipeline::runStarted);
        QSignalSpy finished(&w().pipeline(), &RunPipeline::runFinished);
        w().jobForm()->submitButton()->click();
        QCOMPARE(started.count(), 1);
        if (w().pipeline().isRunning()) {
            // Busy: the method is named, and no second run can start.
            auto* busy = w().findChild<QLabel*>("lblBusy");
            QVERIFY(busy->isVisibleTo(&w()));
            QVERIFY(busy->text().contains("Periodogram"));
            QVERIFY(!w().jobForm()->submitButton()->isEnabled());
            QVERIFY(!w().action("mnuFileCalculate")->isEnabled());
            w().pipeline().fileRun();
            QCOMPARE(started.count(), 1);
            QVERIFY(finished.wait(60000));
        }
        QCOMPARE(finished.count(), 1);
        QVERIFY2(ui().messages.isEmpty(),
                 qPrintable(ui().texts().join(" | "))); // saved, unchanged: no prompt
        const RunResult& r = w().pipeline().lastResult();
        QCOMPARE(r.status, RunStatus::Success);
        QCOMPARE(r.method, QString("Periodogram"));
        QCOMPARE(r.capacity, 256); // 200 was written as 256
        QCOMPARE(r.nptsZ, 64);
        QVERIFY(r.npointsZ >= 2 && r.npointsZ <= r.capacity);
        float top = -1000.0f;
        for (int i = 0; i < r.npointsZ; ++i) {
            const float v = r.spectrum[size_t(i)];
            QVERIFY(std::isfinite(v) && v >= -100.0f && v <= 0.0f);
            top = std::max(top, v);
            if (i > 0) QVERIFY(r.x_array[size_t(i)] > r.x_array[size_t(i - 1)]);
        }
        QCOMPARE(top, 0.0f);
        QCOMPARE(r.zeroFillZ, float((r.npointsZ - 64) * 100 / r.npointsZ));
        // The file on disk carries the rounded count; the report was copied next to the job.
        QVERIFY(f_->readFile(f_->jobsDir() + "/Perio.1").contains("\r\n256  \t\t! 8."));
        QVERIFY(QFile::exists(f_->jobsDir() + "/perio_1.out"));
        QCOMPARE(f_->readFile(f_->jobsDir() + "/perio_1.out"), f_->readFile(report()));
        // The run handed over its own report text: the copy is made from it, not from the file.
        QCOMPARE(QString::fromLocal8Bit(r.report), QString(f_->readFile(report())));
        QVERIFY(r.report.contains("Finished PSD Calculations"));
        // The plot takes over; the Output page holds the run summary and the peaks.
        QCOMPARE(w().tabs()->currentIndex(), 4);
        const QString out = w().findChild<QPlainTextEdit*>("tbOutBox")->toPlainText();
        QVERIFY(out.contains("Batch Input file ... fileIn = Perio.1"));
        QVERIFY(out.contains(" Peak #1  at Freq ="));
        QVERIFY(!w().jobForm()->submitButton()->isEnabled()); // until the plot is left
        QVERIFY(!w().findChild<QLabel*>("lblBusy")->isVisibleTo(&w()));
    }

    void stoppedRunShowsStopText() {
        if (!engineAvailable()) QFAIL("the engine library was not built");
        savePeriodogramJob("Bad.1", "NoSuchWindow");
        // Blackman-Tukey with a lag too large for 64 points stops in the job reader.
        methods()->setCurrentText("Blackman-Tukey");
        edit("mLag")->setText("40");
        edit("Mode")->setText("0");
        w().session().fileSave();
        ui().reset();
        pressCalculate();
        QCOMPARE(ui().messages.size(), 1);
        QVERIFY2(ui().texts()[0].contains("M_Lags parameter out of range"),
                 qPrintable(ui().texts()[0]));
        QCOMPARE(ui().messages[0].request.icon, MessageIcon::Warning);
        QCOMPARE(w().pipeline().lastResult().status, RunStatus::Stopped);
        QVERIFY(ui().viewed.contains(report())); // OK opens the report
        QCOMPARE(methods()->currentText(), QString("Blackman-Tukey"));
        QVERIFY(w().jobForm()->submitButton()->isEnabled());
    }

    void endings_data() {
        QTest::addColumn<QString>("note2");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("viewed"); // opened, scrolled to the end where the reason is
        const QString failure = "No Plot!  Error calculating a spectrum.\nView bottom of "
                                "'~Lumetra.out' file for more details.";
        QTest::newRow("success") << "fine" << int(RunStatus::Success) << ""
                                 << "" << 0 << false;
        QTest::newRow("success whose zero fill is -99")
            << "zerofill" << int(RunStatus::Success) << ""
            << "" << 0 << false;
        QTest::newRow("estimator failure, OK")
            << "fail" << int(RunStatus::EstimatorFailure) << failure << "Decomposition failed."
            << int(MessageAnswer::Ok) << true;
        QTest::newRow("iteration limit: the title says what the report says")
            << "failnit" << int(RunStatus::EstimatorFailure) << failure
            << "ALL NIT iterations completed causing termination." << int(MessageAnswer::Ok)
            << true;
        QTest::newRow("estimator failure, Cancel")
            << "fail" << int(RunStatus::EstimatorFailure) << failure << "Decomposition failed."
            << int(MessageAnswer::Cancel) << false;
        QTest::newRow("stop")
            << "stop" << int(RunStatus::Stopped)
            << "L_PTS parameter out of range\nView bottom of '~Lumetra.out' file for more details."
            << "Calculation stopped." << int(MessageAnswer::Ok) << true;
    }
    void endings() {
        QFETCH(QString, note2);
        QFETCH(int, status);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(int, answer);
        QFETCH(bool, viewed);
        f_->engine->setPath(QStringLiteral(LUMETRA_FAKE_ENGINE));
        edit("Note2")->setText(note2);
        savePeriodogramJob("End.1");
        // A dialog may have moved the process's directory; the report still lands in user/.
        const QString before = QDir::currentPath();
        QDir::setCurrent(f_->jobsDir());
        ui().answers << MessageAnswer(answer);
        pressCalculate();
        QDir::setCurrent(before);
        const RunResult& r = w().pipeline().lastResult();
        QCOMPARE(int(r.status), status);
        if (text.isEmpty()) {
            QVERIFY2(ui().messages.isEmpty(), qPrintable(ui().texts().join(" | ")));
            QCOMPARE(w().tabs()->currentIndex(), 4);
            const QString out = w().findChild<QPlainTextEdit*>("tbOutBox")->toPlainText();
            // The stand-in's only maximum lies at frequency 0 of a two-sided grid: it counts.
            QVERIFY2(out.endsWith(" Peak Frequencies:   0"), qPrintable(out.right(80)));
            QCOMPARE(w().pipeline().lastResult().zeroFillZ, note2 == "zerofill" ? -99.0f : 0.0f);
        } else {
            QCOMPARE(ui().texts(), QStringList{text});
            QCOMPARE(ui().titles(), QStringList{title});
            QCOMPARE(w().tabs()->currentIndex(), 0);
        }
        QCOMPARE(ui().viewed.contains(report()), viewed);
        QCOMPARE(ui().viewedAtEnd.contains(report()), viewed);
        // The arrays were sized by the rounded count, element 1 set before the call.
        const QByteArray copy = f_->readFile(f_->jobsDir() + "/end_1.out");
        QVERIFY(copy.contains(" capacity = 256\n"));
        QVERIFY(copy.contains(" first = 1 1\n"));
        QCOMPARE(copy, f_->readFile(report()));
        // A plot keeps the run buttons off until it is left; a failure gives them back.
        QCOMPARE(w().jobForm()->submitButton()->isEnabled(), !text.isEmpty());
    }

    void mvseArraysHoldL() {
        f_->engine->setPath(QStringLiteral(LUMETRA_FAKE_ENGINE));
        savePeriodogramJob("Mvse.1");
        methods()->setCurrentText("MVSE");
        w().jobForm()->findChild<QRadioButton*>("optReal")->click();
        edit("nPoints")->setText("64");
        edit("Lpts")->setText("300");
        w().session().fileSave();
        ui().reset();
        pressCalculate();
        QVERIFY2(ui().messages.isEmpty(), qPrintable(ui().texts().join(" | ")));
        QCOMPARE(w().pipeline().lastResult().capacity, 300);
        QCOMPARE(w().pipeline().lastResult().x_array.size(), size_t(300));
        QVERIFY(f_->readFile(report()).contains(" capacity = 300\n"));
    }

    void closingWaitsForTheRun() {
        f_->engine->setPath(QStringLiteral(LUMETRA_FAKE_ENGINE));
        savePeriodogramJob("Close.1");
        QSignalSpy finished(&w().pipeline(), &RunPipeline::runFinished);
        w().jobForm()->submitButton()->click();
        QVERIFY(w().pipeline().isRunning()); // ends only once the window has the result
        QVERIFY(!w().close());
        QVERIFY(w().isVisible());
        QVERIFY(finished.wait(10000));
        QVERIFY(w().close());
    }

    void demoRunsTheStoredExample() {
        f_->engine->setPath(QStringLiteral(LUMETRA_FAKE_ENGINE));
        const QByteArray example =
            "Ex-Demo.0\r\nnowhere.dat\r\n0\r\n0\r\nReal\r\n0\r\nBurg\r\nNo\r\n100\r\n4\r\n"
            "-999\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999\r\nn1\r\nn2\r\n";
        f_->writeFile(f_->userDir() + "/Ex-Demo.0", example);
        QSignalSpy finished(&w().pipeline(), &RunPipeline::runFinished);
        w().pipeline().fileRun(RunSource::Demo, "Ex-Demo.0");
        QVERIFY(finished.count() == 1 || finished.wait(10000));
        QVERIFY2(ui().messages.isEmpty(), qPrintable(ui().texts().join(" | ")));
        QCOMPARE(methods()->currentText(), QString("Burg"));           // read into the form
        QCOMPARE(f_->readFile(f_->userDir() + "/Ex-Demo.0"), example); // run as stored
        QCOMPARE(w().pipeline().lastResult().capacity, 128);
        QVERIFY(QFile::exists(f_->userDir() + "/ex-demo_0.out"));
    }

    void missingDemoChangesNothing() {
        // The user's own job, edited; the example's file is not there.
        state().jobName = "Mine.1";
        state().jobDir = f_->jobsDir();
        state().formChanged = true;
        methods()->setCurrentText("Burg");
        const QString title = w().windowTitle();
        w().pipeline().fileRun(RunSource::Demo, "Ex-Gone.0");
        QCOMPARE(ui().texts(), QStringList{"Missing '" + f_->userDir() + "/Ex-Gone.0' file?"});
        QCOMPARE(state().jobName, QString("Mine.1"));
        QCOMPARE(state().jobDir, f_->jobsDir());
        QVERIFY(state().formChanged);
        QCOMPARE(methods()->currentText(), QString("Burg"));
        QCOMPARE(w().windowTitle(), title);
        QVERIFY(!w().pipeline().isRunning());
    }

    void estimatorFailureReason_data() {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("reason");
        QTest::newRow("iteration limit") << " IFGLAG, EPS and NIT =  2     1.000E-15    99\n"
                                            " ALL NIT iterations completed causing termination.\n\n"
                                         << "ALL NIT iterations completed causing termination.";
        QTest::newRow("reason continued on the next line")
            << " IFLAG =  1    EPS =  1.000E-15\n One of the di's in Cholesky decomposition is "
               "less than EPS\n causing premature termination.\n -- No Plot --\n"
            << "One of the di's in Cholesky decomposition is less than EPS causing premature "
               "termination.";
        QTest::newRow("continued after EPS")
            << " One of the di's in CHOLESKY is less than \nEPS causing premature termination "
               "(Hessian is ill-conditioned.)\n"
            << "One of the di's in CHOLESKY is less than EPS causing premature termination "
               "(Hessian is ill-conditioned.)";
        QTest::newRow("no reason") << " ----------- No Plot ! -----------\n"
                                   << "";
    }
    void estimatorFailureReason() {
        QFETCH(QString, report);
        QFETCH(QString, reason);
        QCOMPARE(lumetra::estimatorFailureReason(report), reason);
    }

    void editedJobRunsAsLastSaved() {
        if (!engineAvailable()) QFAIL("the engine library was not built");
        savePeriodogramJob("Keep.1");
        const QByteArray saved = f_->readFile(f_->jobsDir() + "/Keep.1");
        edit("Note1")->setText("not saved");
        ui().answers << MessageAnswer::No;
        pressCalculate();
        QCOMPARE(ui().texts(), QStringList{"Save current data?"});
        QCOMPARE(f_->readFile(f_->jobsDir() + "/Keep.1"), saved);
        QCOMPARE(edit("Note1")->text(), QString("not saved"));
        QCOMPARE(w().pipeline().lastResult().status, RunStatus::Success);

        // Cancel: no run. The plot is left first, which gives Calculate back.
        w().findChild<QPushButton*>("cmdQuit")->click();
        w().findChild<QPushButton*>("cmdExitPlotting")->click();
        ui().reset();
        ui().answers << MessageAnswer::Cancel;
        QSignalSpy started(&w().pipeline(), &RunPipeline::runStarted);
        w().jobForm()->submitButton()->click();
        QCOMPARE(ui().texts(), QStringList{"Save current data?"});
        QCOMPARE(started.count(), 0);
    }
};

QTEST_MAIN(TestRunPipeline)
#include "tst_run_pipeline.moc"
