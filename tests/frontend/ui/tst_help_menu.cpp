// View, Web Links and Help: the example file dialog, the manual in the help window, the support
// e-mail with its clipboard text, the class web page and the About box.
#include "help_menu.h"
#include "help_window.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

using namespace lumetra;
using lumetra::test::ScriptedInteraction;
using lumetra::test::WindowFixture;

class TestHelpMenu : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> f_;
    QList<QUrl> opened_;
    bool openResult_ = true;
    MainWindow& w() { return *f_->window; }
    HelpMenu& help() { return *w().helpMenu(); }
    ScriptedInteraction& ui() { return f_->ui; }

    void installManual(const QByteArray& text) {
        f_->writeFile(f_->programDir() + "/manual.md", text);
        QDir().mkpath(f_->programDir() + "/images");
        QImage img(8, 6, QImage::Format_RGB32);
        img.fill(Qt::red);
        QVERIFY(img.save(f_->programDir() + "/images/pic.png"));
        QImage wide(1600, 40, QImage::Format_RGB32);
        wide.fill(Qt::blue);
        QVERIFY(wide.save(f_->programDir() + "/images/wide.png"));
    }

  private slots:
    void init() {
        f_ = std::make_unique<WindowFixture>();
        QVERIFY(f_->start());
        f_->window->show();
        opened_.clear();
        openResult_ = true;
        help().openUrl = [this](const QUrl& url) {
            opened_ << url;
            return openResult_;
        };
    }
    void cleanup() { f_.reset(); }

    void entriesAreAvailable() {
        for (const char* name : {"mnuViewExample", "mnuViewLastOutput", "mnuHelpManual",
                                 "mnuHelpReport", "mnuHelpProject", "mnuHelpAbout"})
            QVERIFY2(w().action(name)->isEnabled(), name);
        // No placeholder addresses and no web menu: the entries that sent mail and opened
        // example.com are gone.
        for (QAction* a : w().findChildren<QAction*>()) {
            QVERIFY2(!a->text().contains("example.com") && !a->text().contains("E-mail"),
                     qPrintable(a->text()));
        }
        QVERIFY(!w().menu("mnuWebLinks"));
        // View > Classic / Modern are shown and usable, Classic chosen at first.
        QVERIFY(w().action("mnuViewClassic")->isChecked());
        for (const char* name : {"mnuViewClassic", "mnuViewModern"})
            QVERIFY2(w().action(name)->isVisible() && w().action(name)->isEnabled(), name);
    }

    void exampleFileDialog_data() {
        QTest::addColumn<QString>("chosen"); // relative to the user folder; "" = cancel
        QTest::newRow("cancelled") << "";
        QTest::newRow("chosen") << "Ex-Burg.0";
    }
    void exampleFileDialog() {
        QFETCH(QString, chosen);
        const QString before = w().state().dialogDir;
        QVERIFY(!before.isEmpty());
        const QString path = chosen.isEmpty() ? QString() : f_->userDir() + "/" + chosen;
        if (!path.isEmpty()) f_->writeFile(path, "job");
        ui().fileNames << path;
        w().action("mnuViewExample")->trigger();
        QCOMPARE(ui().dialogs.size(), 1);
        const FileDialogRequest& r = ui().dialogs.first();
        QCOMPARE(r.title, QString("Open an Example File for illustration"));
        QCOMPARE(r.filter, QString("All Files (*.*)|*.*|Example Response Files (Ex*.*)|Ex*.*"));
        QCOMPARE(r.selectedFilter, 2);
        QCOMPARE(QDir(r.initialDir).canonicalPath(), QDir(f_->userDir()).canonicalPath());
        QCOMPARE(ui().viewed, path.isEmpty() ? QStringList() : QStringList{path});
        // The shared start folder of the file dialogs is left as it was.
        QCOMPARE(w().state().dialogDir, before);
        QVERIFY(ui().messages.isEmpty());
    }

    void manualOpensInHelpWindow() {
        installManual("# Lumetra manual\n\nSome *text* here.\n\n![pic](images/pic.png)\n\n"
                      "![wide](images/wide.png)\n\n"
                      "| a | b |\n|---|---|\n| 1 | 2 |\n");
        w().action("mnuHelpManual")->trigger();
        QVERIFY(ui().messages.isEmpty());
        HelpWindow* hw = help().helpWindow();
        QVERIFY(hw);
        QVERIFY(hw->isVisible());
        const QString text = hw->browser()->toPlainText();
        QVERIFY2(text.startsWith("Lumetra manual"), qPrintable(text));
        QVERIFY(text.contains("Some text here."));
        // The picture is found beside the manual.
        const QVariant img =
            hw->browser()->loadResource(QTextDocument::ImageResource, QUrl("images/pic.png"));
        QVERIFY(img.isValid());
        QVERIFY(!img.toByteArray().isEmpty() || !img.value<QImage>().isNull());

        // A screen-wide picture is shown narrower, a small one as it is.
        QMap<QString, qreal> widths;
        for (QTextBlock b = hw->browser()->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isImageFormat()) {
                    const QTextImageFormat f = it.fragment().charFormat().toImageFormat();
                    widths[f.name()] = f.width();
                }
        QCOMPARE(widths.size(), 2);
        QVERIFY(widths["images/wide.png"] > 0 && widths["images/wide.png"] < 1000);
        QCOMPARE(widths["images/pic.png"], 0.0);

        // A second Manual reuses the window.
        w().action("mnuHelpManual")->trigger();
        QCOMPARE(help().helpWindow(), hw);
        QCOMPARE(w().findChildren<HelpWindow*>().size(), 1);
    }

    void shippedManualRenders() {
        // The project's own manual, as installed beside the program.
        QVERIFY(QFile::copy(QStringLiteral(LUMETRA_MANUAL), f_->programDir() + "/manual.md"));
        w().action("mnuHelpManual")->trigger();
        QVERIFY(ui().messages.isEmpty());
        const QString text = help().helpWindow()->browser()->toPlainText();
        QVERIFY(text.startsWith("Lumetra manual"));
        QVERIFY(text.contains("Getting started"));
        QVERIFY(!text.contains("](images/")); // Markdown was rendered, not shown raw
    }

    void missingManualIsReported() {
        w().action("mnuHelpManual")->trigger();
        QCOMPARE(ui().messages.size(), 1);
        QCOMPARE(ui().messages.first().request.text,
                 "Missing '" + f_->programDir() + "/manual.md' file?");
        QVERIFY(!help().helpWindow() || !help().helpWindow()->isVisible());
    }

    void manualFindAndBrowser() {
        installManual("# Lumetra manual\n\nalpha beta\n\n![pic](images/pic.png)\n");
        w().action("mnuHelpManual")->trigger();
        HelpWindow* hw = help().helpWindow();
        QVERIFY(hw->findText("beta"));
        QCOMPARE(hw->browser()->textCursor().selectedText(), QString("beta"));
        QVERIFY(hw->findText("beta")); // wraps round to the same place
        QVERIFY(!hw->findText("gamma"));

        hw->findChild<QPushButton*>("cmdOpenBrowser")->click();
        QCOMPARE(opened_.size(), 1);
        QVERIFY(opened_.first().isLocalFile());
        const QString html = opened_.first().toLocalFile();
        QVERIFY(html.endsWith(".html"));
        const QByteArray bytes = f_->readFile(html);
        QVERIFY(bytes.contains("alpha beta"));
        // Relative pictures resolve against the program folder.
        QVERIFY(bytes.contains(
            QUrl::fromLocalFile(QDir(f_->programDir()).absolutePath() + "/").toEncoded()));
        QFile::remove(html);
    }

    // "Report a problem…" shows a prefilled text; the clipboard changes only on Copy.
    void reportProblem_data() {
        QTest::addColumn<bool>("ran");
        QTest::newRow("no run yet") << false;
        QTest::newRow("after a run") << true;
    }
    void reportProblem() {
        QFETCH(bool, ran);
        const QString report = f_->userDir() + "/~Lumetra.out";
        if (ran) f_->writeFile(report, "report");
        QApplication::clipboard()->setText("something else");
        w().action("mnuHelpReport")->trigger();
        auto* dialog = w().findChild<QDialog*>("dlgReport");
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QString("Report a problem"));
        const QString text = dialog->findChild<QPlainTextEdit*>("txtReport")->toPlainText();
        QVERIFY(text.contains("Lumetra " + QStringLiteral(LUMETRA_VERSION_TEXT) + "\n"));
        QVERIFY(text.contains("Platform: " + platformText()));
        QVERIFY2(text.contains(ran ? "Last run report: " + report : "none (no run yet)"),
                 qPrintable(text));
        QVERIFY(!text.contains("example.com"));
        QCOMPARE(QApplication::clipboard()->text(), QString("something else"));
        dialog->findChild<QPushButton*>("cmdCopyReport")->click();
        QCOMPARE(QApplication::clipboard()->text(), text);
        QVERIFY(ui().messages.isEmpty());
        QVERIFY(opened_.isEmpty());
    }

    // "Project page" shows the README beside the program in the viewer; without it, says so.
    void projectPage() {
        w().action("mnuHelpProject")->trigger();
        QCOMPARE(ui().messages.size(), 1);
        QCOMPARE(ui().messages.first().request.text,
                 "Missing '" + f_->programDir() + "/README.md' file?");
        QVERIFY(!ui().messages.first().request.title.contains("routine"));
        ui().reset();
        f_->writeFile(f_->programDir() + "/README.md", "# Lumetra\n");
        w().action("mnuHelpProject")->trigger();
        QVERIFY(ui().messages.isEmpty());
        QCOMPARE(ui().viewed, QStringList{f_->programDir() + "/README.md"});
        QVERIFY(opened_.isEmpty());
    }

    void aboutBox() {
        QStringList seen;
        QList<QWidget*> boxes;
        const auto answer = [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box) return;
            boxes << box;
            seen << box->objectName() << box->windowTitle()
                 << box->findChild<QLabel*>("txtTitle")->text();
            box->findChild<QPushButton*>("cmdOkay")->click();
        };
        QTimer::singleShot(0, this, answer);
        w().action("mnuHelpAbout")->trigger();
        QTimer::singleShot(0, this, answer);
        w().action("mnuHelpAbout")->trigger();
        const QString title = "Lumetra\u2122 (Version " + QString(LUMETRA_VERSION_TEXT) + ")";
        QCOMPARE(seen,
                 (QStringList{"frmAbout", "About ...", title, "frmAbout", "About ...", title}));
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0], boxes[1]); // OK hides it; the same box comes back
        QVERIFY(!boxes[0]->isVisible());
    }
};

QTEST_MAIN(TestHelpMenu)
#include "tst_help_menu.moc"
