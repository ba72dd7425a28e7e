// The habits of a desktop program: shortcuts, File > Recent, menus on every page, the window's
// place, the status bar, the Edit menu, and the form's checks with the focus on the answer.
#include "demo_page.h"
#include "field_validation.h"
#include "help_window.h"
#include "job_form.h"
#include "recent_jobs.h"
#include "text_viewer.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace lumetra;
using lumetra::test::WindowFixture;

class TestDesktopHabits : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> f_;
    MainWindow& w() { return *f_->window; }
    test::ScriptedInteraction& ui() { return f_->ui; }
    QLineEdit* edit(const char* name) { return w().jobForm()->findChild<QLineEdit*>(name); }
    QComboBox* methods() { return w().jobForm()->findChild<QComboBox*>("Methods"); }
    QString label(const char* name) { return w().findChild<QLabel*>(name)->text(); }

    void saveJob(const QString& name) {
        methods()->setCurrentText("Burg");
        ui().fileNames << f_->jobsDir() + "/" + name;
        QVERIFY(w().session().fileSaveAs());
    }
    QStringList recentEntries() {
        w().refreshRecentMenu();
        QStringList out;
        for (QAction* a : w().menu("mnuFileRecent")->actions())
            if (a->objectName().startsWith("mnuRecent_")) out << a->text();
        return out;
    }

  private slots:
    void init() {
        f_ = std::make_unique<WindowFixture>();
        QVERIFY(f_->start());
        w().show();
    }
    void cleanup() { f_.reset(); }

    // Viewers close on Esc wherever the focus is; a file that cannot be shown is said so.
    void viewersCloseOnEscAndNameWhatIsMissing_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("said");
        QTest::newRow("readable") << "report.out"
                                  << "";
        QTest::newRow("missing") << "gone.out"
                                 << "does not exist";
        QTest::newRow("folder") << "."
                                << "is a folder";
    }
    void viewersCloseOnEscAndNameWhatIsMissing() {
        QFETCH(QString, file);
        QFETCH(QString, said);
        f_->writeFile(f_->jobsDir() + "/report.out", "line one\nline two\n");
        const QString path = QDir::cleanPath(f_->jobsDir() + "/" + file);
        QPointer<TextViewer> viewer = new TextViewer(path);
        viewer->show();
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        if (said.isEmpty()) {
            QVERIFY(viewer->loadError().isEmpty());
            QCOMPARE(viewer->text(), QString("line one\nline two\n"));
        } else {
            QVERIFY2(viewer->loadError().contains(path) && viewer->loadError().contains(said),
                     qPrintable(viewer->loadError()));
            QCOMPARE(viewer->text(), viewer->loadError());
            QVERIFY(viewer->windowTitle().contains("not shown"));
        }
        viewer->editor()->setFocus();
        QTest::keyClick(viewer->editor(), Qt::Key_Escape);
        QTRY_VERIFY(!viewer); // closed and deleted

        // The manual's window too.
        auto* help = new HelpWindow;
        help->show();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QTest::keyClick(help, Qt::Key_Escape);
        QVERIFY(!help->isVisible());
        delete help;
    }

    void shortcuts_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("new") << "mnuFileNew" << QKeySequence(Qt::CTRL | Qt::Key_N);
        QTest::newRow("open") << "mnuFileOpen" << QKeySequence(Qt::CTRL | Qt::Key_O);
        QTest::newRow("save") << "mnuFileSave" << QKeySequence(Qt::CTRL | Qt::Key_S);
        QTest::newRow("save as") << "mnuFileSaveAs"
                                 << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
        QTest::newRow("exit") << "mnuFileExit" << QKeySequence(Qt::CTRL | Qt::Key_Q);
        QTest::newRow("calculate") << "mnuFileCalculate" << QKeySequence(Qt::Key_F5);
        QTest::newRow("manual") << "mnuHelpManual" << QKeySequence(Qt::Key_F1);
    }
    void shortcuts() {
        QFETCH(QString, action);
        QFETCH(QKeySequence, keys);
        QAction* a = w().action(action);
        QVERIFY(a);
        QCOMPARE(a->shortcut(), keys);
        // No two entries share keys.
        for (QAction* other : w().findChildren<QAction*>())
            if (other != a && !other->shortcut().isEmpty())
                QVERIFY2(other->shortcut() != keys, qPrintable(other->objectName()));
    }

    void saveShortcutSaves() {
        QApplication::setActiveWindow(&w());
        QVERIFY(QTest::qWaitForWindowActive(&w()));
        methods()->setCurrentText("Burg");
        ui().fileNames << f_->jobsDir() + "/Keys.1";
        QTest::keyClick(&w(), Qt::Key_S, Qt::ControlModifier);
        QTRY_VERIFY(QFile::exists(f_->jobsDir() + "/Keys.1"));
        QCOMPARE(w().state().jobName, QString("Keys.1"));
    }

    void editCopyWaitsForAPlot() {
        QAction* copy = w().action("mnuEditCopy");
        QVERIFY(copy);
        QVERIFY(w().menu("mnuEdit"));
        QVERIFY(w().menu("mnuEdit")->actions().contains(copy));
        QVERIFY(!copy->isEnabled());
        // The plot page before any run: still off (with a plot it copies; see the plot tests).
        w().showPage(4);
        QVERIFY(!copy->isEnabled());
        w().showPage(0);
        QVERIFY(!copy->isEnabled());
    }

    void checkFocusesTheAnswer_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("command");
        QTest::newRow("points, save as") << "nPoints"
                                         << "abc"
                                         << "mnuFileSaveAs";
        QTest::newRow("points, calculate") << "nPoints"
                                           << "20000"
                                           << "mnuFileCalculate";
        QTest::newRow("skip, save") << "nSkip"
                                    << ""
                                    << "mnuFileSave";
        QTest::newRow("poles, calculate") << "nPoles"
                                          << "1e9"
                                          << "mnuFileCalculate";
    }
    void checkFocusesTheAnswer() {
        QFETCH(QString, control);
        QFETCH(QString, value);
        QFETCH(QString, command);
        QApplication::setActiveWindow(&w());
        QVERIFY(QTest::qWaitForWindowActive(&w()));
        methods()->setCurrentText("Burg");
        // Asked from the plot page, the form switched off: it comes up, the answer in focus.
        w().setPageEnabled(0, false);
        w().setPageEnabled(4, true);
        w().showPage(4);
        edit(qPrintable(control))->setText(value);
        ui().reset();
        w().action(command)->trigger();
        QCOMPARE(ui().titles(), QStringList{kFieldProblemTitle});
        QVERIFY(ui().texts()[0].contains("it has "));
        QVERIFY(!ui().texts()[0].contains("Unexpected error"));
        QVERIFY(ui().dialogs.isEmpty()); // nothing asked for a file, nothing written
        QCOMPARE(w().tabs()->currentIndex(), 0);
        QVERIFY(w().tabs()->isTabEnabled(0));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit(qPrintable(control))));
        QVERIFY(!w().pipeline().isRunning());
    }

    void recentFiles() {
        QCOMPARE(recentEntries(), QStringList{});
        for (const char* name : {"R1.1", "R2.1", "R3.1", "R4.1", "R5.1"}) saveJob(name);
        // The last four, newest first.
        const QString d = f_->jobsDir();
        QCOMPARE(recentEntries(), (QStringList{"&1 " + d + "/R5.1", "&2 " + d + "/R4.1",
                                               "&3 " + d + "/R3.1", "&4 " + d + "/R2.1"}));
        // Kept in the settings store.
        QCOMPARE(recentJobs(*f_->registry).size(), 4);

        // A file that went away is dropped with a note.
        QVERIFY(QFile::remove(d + "/R4.1"));
        QCOMPARE(recentEntries(),
                 (QStringList{"&1 " + d + "/R5.1", "&2 " + d + "/R3.1", "&3 " + d + "/R2.1"}));
        QAction* note = w().findChild<QAction*>("mnuRecentNote");
        QVERIFY(note);
        QVERIFY(note->text().contains(d + "/R4.1"));
        QVERIFY(!note->isEnabled());
        QCOMPARE(recentJobs(*f_->registry).size(), 3);

        // Opening an entry from the plot page: the job is read and the form comes back.
        w().state().formChanged = false;
        w().setPageEnabled(0, false);
        w().setPageEnabled(4, true);
        w().showPage(4);
        w().findChild<QAction*>("mnuRecent_3")->trigger();
        QCOMPARE(w().state().jobName, QString("R2.1"));
        QCOMPARE(w().tabs()->currentIndex(), 0);
        QVERIFY(w().tabs()->isTabEnabled(0));
        QVERIFY(w().jobForm()->submitButton()->isEnabled());
        QCOMPARE(recentEntries().first(), "&1 " + d + "/R2.1");

        // One that goes between the menu's showing and the click: a note, nothing changes.
        QVERIFY(QFile::remove(d + "/R3.1"));
        ui().reset();
        w().openRecent(d + "/R3.1");
        QCOMPARE(ui().titles(), QStringList{"File not opened"});
        QVERIFY(ui().texts()[0].contains("taken off the Recent list"));
        QCOMPARE(w().state().jobName, QString("R2.1"));
        QVERIFY(!recentJobs(*f_->registry).contains(d + "/R3.1"));
    }

    void menusOnEveryPage() {
        for (int page = 0; page < 5; ++page) {
            w().setPageEnabled(page, true);
            w().showPage(page);
            // Whatever a page asks of the menus, File and Demos stay.
            w().setMenus(false);
            QVERIFY(w().menu("mnuFile")->isEnabled());
            QVERIFY(w().menu("mnuDemos")->isEnabled());
        }
        // Demos from the plot page: the demo page in one step.
        w().action("mnuDemosRunGo")->trigger();
        QCOMPARE(w().tabs()->currentIndex(), 1);
        // File > New from the demo page: the form comes back.
        ui().answers << MessageAnswer::Ok;
        w().action("mnuFileNew")->trigger();
        QCOMPARE(w().tabs()->currentIndex(), 0);
        QVERIFY(w().tabs()->isTabEnabled(0));
        QVERIFY(!w().tabs()->isTabEnabled(1));
    }

    void statusBarNamesTheJob() {
        QCOMPARE(label("lblJob"), QString("Job: Start Up Values"));
        QCOMPARE(label("lblLastRun"), QString("Last run: none"));
        QVERIFY(QFile::copy(LUMETRA_TEST_DATA, f_->jobsDir() + "/marple64.txt"));
        w().state().dataFileName = "marple64.txt";
        w().state().dataFileDir = f_->jobsDir();
        saveJob("Named.1");
        QCOMPARE(label("lblJob"), "Job: " + f_->jobsDir() + "/Named.1");
        // A run that cannot start still counts as the last run, with its time and status.
        w().clock = [] { return QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12)); };
        f_->engine->setPath(f_->tmp.filePath("no-engine.so"));
        ui().reset();
        w().action("mnuFileCalculate")->trigger();
        QTRY_VERIFY(!w().pipeline().isRunning());
        QTRY_COMPARE(label("lblLastRun"), QString("Last run: Burg, 10:11:12, not run"));
    }

    void windowGeometryRemembered() {
        w().showNormal();
        w().setGeometry(40, 50, 900, 700);
        QTRY_COMPARE(w().size(), QSize(900, 700));
        w().state().formChanged = false;
        QVERIFY(w().close());
        // The next start, on the same settings store, comes back at that size.
        f_->window =
            std::make_unique<MainWindow>(ui(), *f_->registry, f_->programDir(), f_->engine.get());
        QVERIFY(f_->window->formLoad());
        QVERIFY(f_->window->geometryRestored());
        QCOMPARE(f_->window->size(), QSize(900, 700));
    }

    void firstStartHasNoGeometry() { QVERIFY(!w().geometryRestored()); }
};

QTEST_MAIN(TestDesktopHabits)
#include "tst_desktop_habits.moc"
