// The start: the introduction on a first start and the ways in it offers, the ".Out"
// association check, and the main form's proportional resizing.
#include "demo_page.h"
#include "job_form.h"
#include "program_start.h"
#include "window_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace lumetra;
using lumetra::test::WindowFixture;

class TestProgramStart : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> f_;
    std::unique_ptr<ClassStore> classes_;
    int asked_ = 0;

    QString ini() const { return f_->programDir() + "/Lumetra.ini"; }

    StartOutcome start(IntroChoice choice, DesktopAssociation* desktop = nullptr) {
        f_->window.reset();
        f_->window =
            std::make_unique<MainWindow>(f_->ui, *f_->registry, f_->programDir(), f_->engine.get());
        return startProgram(
            *f_->window, f_->programDir(), *classes_,
            [this, choice] {
                ++asked_;
                return choice;
            },
            [](MainWindow& w) { w.show(); }, desktop);
    }
    MainWindow& w() { return *f_->window; }

  private slots:
    void init() {
        f_ = std::make_unique<WindowFixture>();
        classes_ = std::make_unique<ClassStore>(f_->tmp.filePath("classes.ini"));
        asked_ = 0;
    }
    void cleanup() {
        f_.reset();
        classes_.reset();
    }

    void firstStart_data() {
        QTest::addColumn<bool>("settingsFile");
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("page"); // -1: no main form
        QTest::newRow("first start, exit")
            << false << int(IntroChoice::Exit) << int(StartOutcome::Quit) << -1;
        QTest::newRow("first start, run a demo")
            << false << int(IntroChoice::RunDemo) << int(StartOutcome::Running) << 1;
        QTest::newRow("first start, create data")
            << false << int(IntroChoice::CreateData) << int(StartOutcome::Running) << 0;
        QTest::newRow("later start")
            << true << int(IntroChoice::Exit) << int(StartOutcome::Running) << 0;
    }
    void firstStart() {
        QFETCH(bool, settingsFile);
        QFETCH(int, choice);
        QFETCH(int, outcome);
        QFETCH(int, page);
        if (settingsFile) {
            QVERIFY(f_->start()); // creates Lumetra.ini
            QVERIFY(QFile::exists(ini()));
        }
        QCOMPARE(int(start(IntroChoice(choice))), outcome);
        QCOMPARE(asked_, settingsFile ? 0 : 1);
        // The association is checked on a first start only.
        QCOMPARE(getAssociation(*classes_, "Out"), settingsFile ? QString() : kOutClass);
        if (page < 0) {
            QVERIFY(!w().isVisible());
            QVERIFY(!QFile::exists(ini())); // so the next start asks again
            return;
        }
        QVERIFY(w().isVisible());
        QCOMPARE(w().tabs()->currentIndex(), page);
        if (page == 1) {
            QCOMPARE(w().demoPage()->selectedExample(), QString("Ex-Auto.0"));
            QVERIFY(!w().tabs()->isTabEnabled(0));
        } else {
            QCOMPARE(w().focusWidget(), w().jobForm()->control("timeData"));
        }
    }

    void firstStartAssociatesRunReportsOnTheDesktop() {
        const QString dataHome = f_->tmp.filePath("share");
        DesktopAssociation desktop(dataHome);
        desktop.setViewer("/opt/Lumetra/Lumetra", {"--view"});
        desktop.setToolSearchPaths({});                  // no database tools in the test
        desktop.setExtensionKnown([] { return false; }); // whatever this machine maps "*.out" to
        QCOMPARE(int(start(IntroChoice::CreateData, &desktop)), int(StartOutcome::Running));
        const QString entry = dataHome + "/applications/lumetra-run-report.desktop";
        QVERIFY(QFile::exists(entry));
        QFile f(entry);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("--view"));
        // A later start leaves the desktop alone.
        QVERIFY(QFile::remove(entry));
        QCOMPARE(int(start(IntroChoice::CreateData, &desktop)), int(StartOutcome::Running));
        QVERIFY(!QFile::exists(entry));
    }

    void deletedSettingsFileBringsTheIntroductionBack() {
        QCOMPARE(start(IntroChoice::CreateData), StartOutcome::Running);
        QCOMPARE(start(IntroChoice::CreateData), StartOutcome::Running);
        QCOMPARE(asked_, 1);
        // Some other program took ".Out" meanwhile: it is left alone.
        classes_->writeRegString(kClassesRoot, ".Out", "", "otherEditor");
        QVERIFY(QFile::remove(ini()));
        QCOMPARE(start(IntroChoice::CreateData), StartOutcome::Running);
        QCOMPARE(asked_, 2);
        QCOMPARE(getAssociation(*classes_, "Out"), QString("otherEditor"));
    }

    void resizeGoesThroughTheResizer() {
        QCOMPARE(start(IntroChoice::CreateData), StartOutcome::Running);
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        const QSize design = w().size();
        QLabel* description = w().demoPage()->description(6);
        QTabWidget* tabs = w().tabs();
        const qreal tabText = tabs->font().pointSizeF();
        const qreal descText = description->font().pointSizeF();
        const QRect q8 = w().jobForm()->question(8)->geometry();
        const QRect q9 = w().jobForm()->question(9)->geometry();
        const qreal formText = w().jobForm()->question(1)->font().pointSizeF();

        // "Maximized": half as high again. Places and sizes follow (the pages' layouts place
        // their controls); text sizes are Qt's scaling's, so tabs and text keep their size beside
        // the menus and indicators.
        w().resize(design.width() * 3 / 2, design.height() * 3 / 2);
        QCoreApplication::processEvents();
        QVERIFY(tabs->width() > design.width() * 1.3);
        QCOMPARE(tabs->font().pointSizeF(), tabText);
        QCOMPARE(description->font().pointSizeF(), descText);
        // The job form keeps its own rows in order and its text size.
        QCOMPARE(w().jobForm()->question(8)->geometry(), q8);
        QCOMPARE(w().jobForm()->question(9)->geometry(), q9);
        QCOMPARE(w().jobForm()->question(1)->font().pointSizeF(), formText);

        // Restored: back to the design text sizes.
        w().resize(design);
        QCoreApplication::processEvents();
        QVERIFY2(qAbs(tabs->font().pointSizeF() - tabText) < 0.01,
                 qPrintable(QString("%1 vs %2, size %3x%4 vs %5x%6")
                                .arg(tabs->font().pointSizeF())
                                .arg(tabText)
                                .arg(w().width())
                                .arg(w().height())
                                .arg(design.width())
                                .arg(design.height())));
        QVERIFY(qAbs(description->font().pointSizeF() - descText) < 0.01);
    }
};

QTEST_MAIN(TestProgramStart)
#include "tst_program_start.moc"
