// Start-up: paths, the settings file, the start-up job, the remembered directory, closing.
#include "job_form.h"
#include "question_table.h"
#include "settings_file.h"
#include "start_path.h"
#include "window_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace lumetra;
using lumetra::test::WindowFixture;

class TestStartup : public QObject {
    Q_OBJECT
  private slots:
    void settingsFileCreatedThenRead() {
        QTemporaryDir tmp;
        SettingsFile first = startIni(tmp.path());
        QVERIFY(first.ok);
        const QStringList lines =
            QString::fromUtf8(WindowFixture::readFile(tmp.filePath("Lumetra.ini"))).split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith(QString("Lumetra\u2122 Program") + QString(17, ' ')));
        QCOMPARE(lines[1],
                 QString("1             ! Increase if COMMAND still active and stops your run"));
        QCOMPARE(lines[2], QString("no name             ! User name"));
        SettingsFile again = startIni(tmp.path());
        QVERIFY(again.ok);
        QCOMPARE(again.numericSetting, 1.0f);
        QCOMPARE(again.userName, QString("no name"));

        WindowFixture::writeFile(tmp.filePath("Lumetra.ini"), "x\r\n2.5   ! n\r\nAnn ! who\r\n");
        SettingsFile edited = startIni(tmp.path());
        QVERIFY(edited.ok);
        QCOMPARE(edited.numericSetting, 2.5f);
        QCOMPARE(edited.userName, QString("Ann"));
    }

    void damagedSettingsFile() {
        QTemporaryDir tmp;
        WindowFixture::writeFile(tmp.filePath("Lumetra.ini"), "x\nlots\nAnn\n");
        SettingsFile bad = startIni(tmp.path());
        QVERIFY(!bad.ok);
        QCOMPARE(bad.message, "Unexpected error # 13 occured: \nPath =" + tmp.path() +
                                  "\nType mismatch. Suggest re-installing Lumetra.");
        WindowFixture::writeFile(tmp.filePath("Lumetra.ini"), "1 more\nlots\n");
        SettingsFile lenient = startIni(tmp.path());
        QVERIFY(lenient.ok);
        QCOMPARE(lenient.numericSetting, 1.0f);
    }

    void programUnderRoot() {
        const StartPathResult r = startPath("/Lumetra");
        QVERIFY(!r.ok);
        QVERIFY(r.message.startsWith(
            "Missing Lumetra's base directory, \\KV-Tools; Can't proceed without it.\n"));
        WindowFixture f;
        auto w = std::make_unique<MainWindow>(f.ui, *f.registry, "/Lumetra", f.engine.get());
        QVERIFY(!w->formLoad());
        QCOMPARE(f.ui.titles(), QStringList{"In 'Start_Path' routine ... Exiting!"});
    }

    void programFolderAnywhere() {
        QTemporaryDir tmp;
        QDir().mkpath(tmp.filePath("Prog/User"));
        const QString before = QDir::currentPath();
        const StartPathResult r = startPath(tmp.filePath("Prog"));
        QVERIFY(r.ok);
        QCOMPARE(r.baseDir, tmp.filePath("Prog"));
        QCOMPARE(r.userDir, tmp.filePath("Prog/User")); // found whatever its case
        QCOMPARE(QDir::currentPath(), QDir(r.userDir).canonicalPath());
        QDir::setCurrent(before);
    }

    void startWithoutStartUpJob() {
        WindowFixture f;
        QVERIFY(f.start());
        MainWindow& w = *f.window;
        QVERIFY(f.ui.messages.isEmpty());
        QCOMPARE(w.windowTitle(), QString("Lumetra (tm) for Spectral Estimators"));
        QCOMPARE(w.state().jobName, QString("Start Up Values"));
        QCOMPARE(w.state().jobDir, f.userDir());
        QCOMPARE(w.state().baseDir, f.programDir());
        QCOMPARE(w.state().settingsDir, f.programDir());
        QVERIFY(!w.state().formChanged);
        auto* methods = w.jobForm()->findChild<QComboBox*>("Methods");
        QCOMPARE(methods->currentIndex(), 0);
        QCOMPARE(methods->count(), 15);
        // The design defaults are the answers.
        for (int n : {2, 3, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18})
            QCOMPARE(w.state().answers.answer(n), questionDefault(n));
        QCOMPARE(w.state().answers.answer(1), QString("Real.Rda"));
        QCOMPARE(w.state().answers.answer(4), QString("Real"));
        QCOMPARE(w.state().answers.answer(7), QString("No"));
        QCOMPARE(w.state().answers.note(1), QString("Keep notes for future runs"));
        // The settings file was made, the dialogs start in the user folder.
        QVERIFY(QFile::exists(f.programDir() + "/Lumetra.ini"));
        QCOMPARE(w.state().dialogDir, f.userDir());
        QVERIFY(w.tabs()->isTabEnabled(0));
        QVERIFY(!w.tabs()->isTabEnabled(1));
        QVERIFY(!w.tabs()->isTabEnabled(2));
        QCOMPARE(w.tabs()->count(), 6);
        QCOMPARE(w.tabs()->tabText(3), QString("Output"));
        QCOMPARE(w.tabs()->tabText(5), QString("Signal"));
        QVERIFY(w.jobForm()->submitButton()->isEnabled());
    }

    void startWithStartUpJob() {
        WindowFixture f;
        // Installed with a capital E; found all the same.
        f.writeFile(f.userDir() + "/Ex-Auto.0",
                    "Ex-Auto.0  \t\t! x\r\nC:\\data\\ar.dat  \t\t! 1\r\n3\r\n0\r\nReal\r\n-999\r\n"
                    "Burg\r\nYes\r\n128\r\n7\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999\r\n"
                    "-999\r\n-999\r\n-999\r\nfirst\r\nsecond\r\n");
        QVERIFY(f.start());
        MainWindow& w = *f.window;
        QVERIFY(f.ui.messages.isEmpty());
        QCOMPARE(w.jobForm()->findChild<QComboBox*>("Methods")->currentText(), QString("Burg"));
        QCOMPARE(w.jobForm()->findChild<QLineEdit*>("nPoles")->text(), QString("7"));
        QCOMPARE(w.jobForm()->findChild<QLineEdit*>("nSkip")->text(), QString("3"));
        QCOMPARE(w.jobForm()->findChild<QLineEdit*>("timeData")->text(), QString("ar.dat"));
        QCOMPARE(w.state().dataFileDir, f.userDir());
        QVERIFY(w.jobForm()->findChild<QLineEdit*>("nZeros")->text().isEmpty());
        QCOMPARE(w.state().jobName, QString("Start Up Values"));
        QCOMPARE(w.windowTitle(), QString("Lumetra (tm) for Spectral Estimators"));
        QVERIFY(!w.state().formChanged);
    }

    void lastFilePathChoosesDialogDirectory_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("used");
        QTest::newRow("local path") << "/srv/jobs" << true;
        QTest::newRow("network path") << "//server/jobs" << false;
        QTest::newRow("relative") << "jobs" << false;
    }
    void lastFilePathChoosesDialogDirectory() {
        QFETCH(QString, stored);
        QFETCH(bool, used);
        WindowFixture f;
        f.registry->createKey(kCurrentUser, kProgramKey);
        f.registry->setValue(kCurrentUser, kProgramKey, "LastFilePath", kRegString, stored);
        QVERIFY(f.start());
        QCOMPARE(f.window->state().dialogDir, used ? stored : f.userDir());
    }

    void menus() {
        WindowFixture f;
        QVERIFY(f.start());
        MainWindow& w = *f.window;
        const QStringList fileEntries{"mnuFileNew",    "mnuFileOpen",   "mnuFileSave",
                                      "mnuFileSaveAs", "mnuFileDelete", "mnuFileCalculate",
                                      "mnuFileExit"};
        const QStringList texts{"&New",        "&Open ...",  "&Save", "Save &As ...",
                                "&Delete ...", "&Calculate", "E&xit"};
        for (int i = 0; i < fileEntries.size(); ++i) {
            QAction* a = w.action(fileEntries[i]);
            QVERIFY2(a, qPrintable(fileEntries[i]));
            QCOMPARE(a->text(), texts[i]);
            QVERIFY(a->isEnabled());
        }
        const QStringList otherEntries{"mnuDemosRunGo", "mnuViewExample", "mnuViewLastOutput",
                                       "mnuHelpManual", "mnuHelpReport",  "mnuHelpProject",
                                       "mnuHelpAbout"};
        const QStringList otherTexts{"Run &Demo ...", "&Example File ...",      "&Last Output ...",
                                     "&Manual ...",   "Report a problem\u2026", "Project page",
                                     "&About ..."};
        for (int i = 0; i < otherEntries.size(); ++i) {
            QAction* a = w.action(otherEntries[i]);
            QVERIFY2(a, qPrintable(otherEntries[i]));
            QCOMPARE(a->text(), otherTexts[i]);
            QVERIFY2(a->isEnabled(), qPrintable(otherEntries[i]));
        }
        QVERIFY(w.menu("mnuFile")->isEnabled());
    }

    void closingClearsFileIn() {
        WindowFixture f;
        f.registry->createKey(kCurrentUser, kVendorKey);
        f.registry->setValue(kCurrentUser, kVendorKey, "fileIn", kRegString, QString("old.job"));
        QVERIFY(f.start());
        f.window->show();
        f.window->action("mnuFileExit")->trigger();
        QVERIFY(!f.window->isVisible());
        QCOMPARE(
            f.registry->getValue(kCurrentUser, kVendorKey, "fileIn", kRegString, "x").toString(),
            QString());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
