// The introduction's texts and choices, and the About box with the build's version.
#include "about_form.h"
#include "intro_form.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace lumetra;

Q_DECLARE_METATYPE(lumetra::IntroChoice)

class TestIntroAbout : public QObject {
    Q_OBJECT

    static QString label(const QWidget& form, const char* name) {
        const auto* l = form.findChild<QLabel*>(name);
        return l ? l->text() : QString("<missing %1>").arg(name);
    }
    static QString button(const QWidget& form, const char* name) {
        const auto* b = form.findChild<QPushButton*>(name);
        return b ? b->text() : QString("<missing %1>").arg(name);
    }

  private slots:
    void introTexts() {
        IntroForm intro;
        QCOMPARE(intro.objectName(), QString("frmIntro"));
        QCOMPARE(intro.windowTitle(), QString("Introduction to Spectral Estimation Algorithms"));
        QCOMPARE(label(intro, "lblTitleIntro"), QString::fromUtf8("Lumetra™  Intro & Demos"));
        QCOMPARE(label(intro, "lblSentence2"),
                 QString("Test and understand that zero padding does -not- improve resolution "
                         "but allows for better evaluation of the spectral estimation."));
        const QString first = label(intro, "lblSentence1");
        QVERIFY(first.contains("spectral estimation for a given data set"));
        QVERIFY(first.contains("many spectral estimators to choose from"));
        QVERIFY(first.contains("textbook on modern spectral estimation"));
        QCOMPARE(button(intro, "cmdRunIntro"), QString("&Run a Demo"));
        QCOMPARE(button(intro, "cmdCreateIntro"), QString("&Create Your Data"));
        QCOMPARE(button(intro, "cmdExitIntro"), QString("E&xit"));
        for (const QWidget* w : intro.findChildren<QWidget*>())
            QCOMPARE(w->font().family(), QString("Arial"));
    }

    void introChoices_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<IntroChoice>("choice");
        QTest::newRow("Run a Demo") << "cmdRunIntro" << IntroChoice::RunDemo;
        QTest::newRow("Create Your Data") << "cmdCreateIntro" << IntroChoice::CreateData;
        QTest::newRow("Exit") << "cmdExitIntro" << IntroChoice::Exit;
        QTest::newRow("close box") << "close" << IntroChoice::Exit;
        QTest::newRow("Escape") << "escape" << IntroChoice::Exit;
        QTest::newRow("access key R") << "alt+r" << IntroChoice::RunDemo;
    }
    void introChoices() {
        QFETCH(QString, action);
        QFETCH(IntroChoice, choice);
        IntroForm intro;
        QTimer::singleShot(0, &intro, [&] {
            if (action == "close")
                intro.close();
            else if (action == "escape")
                QTest::keyClick(&intro, Qt::Key_Escape);
            else if (action == "alt+r") {
                QApplication::setActiveWindow(&intro); // access keys work in the active window
                QTest::keyClick(&intro, Qt::Key_R, Qt::AltModifier);
            } else
                intro.findChild<QPushButton*>(action)->click();
        });
        // A watchdog, so a choice that does not end the form fails instead of hanging.
        QTimer::singleShot(5000, &intro, [&] { intro.done(99); });
        QCOMPARE(intro.run(), choice);
        QVERIFY(intro.result() != 99);
        QVERIFY(!intro.isVisible());
    }

    void aboutTitleAndVersion() {
        QCOMPARE(AboutForm::titleText("5.11"), QString::fromUtf8("Lumetra™ (Version 5.11)"));
        // The version is the build's project version.
        QCOMPARE(programVersion(), QString(LUMETRA_PROJECT_VERSION));
        AboutForm about(programVersion());
        QCOMPARE(about.objectName(), QString("frmAbout"));
        QCOMPARE(about.windowTitle(), QString("About ..."));
        QCOMPARE(label(about, "txtTitle"),
                 QString::fromUtf8("Lumetra™ (Version " LUMETRA_PROJECT_VERSION ")"));
        const QString dashes = label(about, "lblSeparator");
        QVERIFY(!dashes.isEmpty());
        QCOMPARE(dashes, QString(dashes.size(), '-'));
        QCOMPARE(button(about, "cmdOkay"), QString("&OK"));
    }

    void aboutOkHidesAndKeepsItsContent() {
        AboutForm about("2.0");
        for (int round = 0; round < 2; ++round) {
            QTimer::singleShot(0, &about, [&] {
                QVERIFY(about.isVisible());
                about.okButton()->click();
            });
            QTimer::singleShot(5000, &about, [&] { about.done(99); });
            QCOMPARE(about.exec(), int(QDialog::Accepted));
            QVERIFY(!about.isVisible());
            QCOMPARE(label(about, "txtTitle"), QString::fromUtf8("Lumetra™ (Version 2.0)"));
        }
    }
};

QTEST_MAIN(TestIntroAbout)
#include "tst_intro_about.moc"
