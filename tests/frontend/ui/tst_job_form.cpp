// The job form: labels, rows shown per method, model and widgets, the changed mark, focus.
#include "job_form.h"
#include "method_table.h"
#include "question_table.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace lumetra;
using lumetra::test::ScriptedInteraction;
using lumetra::test::WindowFixture;

namespace {

QList<int> visibleParameterQuestions(JobForm* form) {
    QList<int> out;
    for (int n = 9; n <= 18; ++n)
        if (form->question(n)->isVisibleTo(form)) out << n;
    return out;
}

} // namespace

class TestJobForm : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> f_;
    JobForm* form() { return f_->window->jobForm(); }
    QComboBox* methods() { return form()->findChild<QComboBox*>("Methods"); }
    QLineEdit* edit(const char* name) { return form()->findChild<QLineEdit*>(name); }
    JobState& state() { return f_->window->state(); }

  private slots:
    void init() {
        f_ = std::make_unique<WindowFixture>();
        QVERIFY(f_->start());
        f_->window->show();
    }
    void cleanup() { f_.reset(); }

    void labelsAndControls() {
        for (int n = 1; n <= 18; ++n) QCOMPARE(form()->question(n)->text(), questionLabel(n));
        QCOMPARE(form()->question(1)->text(),
                 QString("1. \u00BB  File name containing data points for analysis?"));
        QVERIFY(form()->question(9)->text().endsWith("order? "));
        QVERIFY(!form()->question(5)->isVisibleTo(form()));
        for (int n = 1; n <= 8; ++n)
            if (n != 5) QVERIFY(form()->question(n)->isVisibleTo(form()));
        QStringList entries;
        for (int i = 0; i < methods()->count(); ++i) entries << methods()->itemText(i);
        QCOMPARE(entries, methodList());
        QCOMPARE(entries.at(12), QString("Lockheed (Autocorr/Burg)"));
        for (const char* name :
             {"timeData", "nSkip", "TotalLines", "nPoints", "nPoles", "nZeros", "EPS", "Mode",
              "Meqn", "Lpts", "mLag", "NIT", "PER", "windowName", "Note1", "Note2"})
            QVERIFY2(edit(name), name);
        QCOMPARE(form()->findChild<QLabel*>("lblKeepNotes")->text(),
                 QString("20. \u00BB Keep notes below ..."));
        QVERIFY(form()->findChild<QLabel*>("lblWarning1"));
        QVERIFY(form()->findChild<QLabel*>("lblInstructions"));
    }

    void rowsPerMethod_data() {
        QTest::addColumn<QString>("method");
        QTest::newRow("none") << "-Select-";
        for (int i = 1; i < methodList().size(); ++i)
            QTest::newRow(qPrintable(methodList()[i])) << methodList()[i];
    }
    void rowsPerMethod() {
        QFETCH(QString, method);
        methods()->setCurrentText(method);
        QCOMPARE(visibleParameterQuestions(form()), methodQuestions(method));
        // Rows stack without gaps from the top of question 9 (3120 + 5 twips), each control
        // level with its label, the notes below the last row.
        int bottom = form()->question(8)->y();
        int i = 0;
        for (int n : methodQuestions(method)) {
            QLabel* label = form()->question(n);
            QCOMPARE(label->y(), JobForm::px(3125 + 270 * i));
            QWidget* control = form()->control(questionControl(n));
            QVERIFY(control->isVisibleTo(form()));
            QCOMPARE(control->y(), label->y());
            bottom = label->y();
            ++i;
        }
        QVERIFY(edit("Note1")->y() > bottom);
        QVERIFY(edit("Note2")->y() > edit("Note1")->y());
    }

    void periodogramAndDurbin() {
        methods()->setCurrentText("Periodogram");
        QCOMPARE(visibleParameterQuestions(form()), QList<int>{18});
        const int q8 = form()->question(8)->y();
        const int q18 = form()->question(18)->y();
        QVERIFY(q18 > q8);
        QVERIFY(q18 - q8 < 2 * JobForm::px(JobForm::kRowPitch)); // directly below question 8
        methods()->setCurrentText("Durbin");
        QCOMPARE(visibleParameterQuestions(form()), (QList<int>{10, 14}));
        QCOMPARE(form()->question(10)->y(), q18);
        QCOMPARE(form()->question(14)->y() - form()->question(10)->y(),
                 JobForm::px(3125 + 270) - JobForm::px(3125));
    }

    void resizingMovesNothing() {
        methods()->setCurrentText("Akaike");
        QList<QRect> before;
        for (int n = 1; n <= 18; ++n) before << form()->question(n)->geometry();
        before << edit("Note1")->geometry() << edit("Note2")->geometry();
        for (int i = 0; i < 25; ++i) {
            f_->window->resize(700 + 37 * i, 500 + 23 * (i % 7));
            QCoreApplication::processEvents();
        }
        QList<QRect> after;
        for (int n = 1; n <= 18; ++n) after << form()->question(n)->geometry();
        after << edit("Note1")->geometry() << edit("Note2")->geometry();
        QCOMPARE(after, before);
    }

    void getAnswersEdgeCases() {
        methods()->setCurrentText("MVSE");
        JobAnswers& a = state().answers;
        a.clear();
        a.setAnswer(4, "real");  // lower case: Complex
        a.setAnswer(6, "Welch"); // no such entry: the previous method stays
        a.setAnswer(7, "yes");   // lower case: No
        f_->window->session().getAnswers();
        QVERIFY(form()->findChild<QRadioButton*>("optComplex")->isChecked());
        QVERIFY(form()->findChild<QRadioButton*>("optNo")->isChecked());
        QCOMPARE(methods()->currentText(), QString("MVSE"));
        QCOMPARE(visibleParameterQuestions(form()), (QList<int>{9, 11, 12, 14}));
        a.setAnswer(4, " Real");
        a.setAnswer(7, "Yes");
        a.setAnswer(6, "Burg");
        f_->window->session().getAnswers();
        QVERIFY(form()->findChild<QRadioButton*>("optReal")->isChecked());
        QVERIFY(form()->findChild<QRadioButton*>("optYes")->isChecked());
        QCOMPARE(methods()->currentText(), QString("Burg"));

        // Widgets back to the model, as typed.
        edit("nPoints")->setText("100");
        edit("Note2")->setText("a note ! with a bang");
        f_->window->session().putAnswers();
        QCOMPARE(a.answer(8), QString("100"));
        QCOMPARE(a.answer(6), QString("Burg"));
        QCOMPARE(a.answer(4), QString("Real"));
        QCOMPARE(a.answer(7), QString("Yes"));
        QCOMPARE(a.note(2), QString("a note ! with a bang"));
    }

    void formChangedAfterEachCommand() {
        ScriptedInteraction& ui = f_->ui;
        QVERIFY(!state().formChanged);
        edit("nSkip")->setText("4"); // any edit
        QVERIFY(state().formChanged);
        state().formChanged = false;
        form()->findChild<QRadioButton*>("optComplex")->click();
        QVERIFY(state().formChanged);
        state().formChanged = false;
        methods()->setCurrentText("Burg");
        QVERIFY(state().formChanged);

        // Save As: saved, not changed; the title names the job.
        ui.fileNames << f_->jobsDir() + "/Form.1";
        f_->window->action("mnuFileSaveAs")->trigger();
        QVERIFY(!state().formChanged);
        QCOMPARE(f_->window->windowTitle(), QString("Lumetra, for Spectral Estimators ... Form.1"));
        // Save after an edit.
        edit("Note1")->setText("edited");
        QVERIFY(state().formChanged);
        f_->window->action("mnuFileSave")->trigger();
        QVERIFY(!state().formChanged);
        // New: the edit is offered for saving first (answered No), then cleared.
        edit("nPoles")->setText("12");
        ui.reset();
        ui.answers << MessageAnswer::No << MessageAnswer::Ok;
        f_->window->action("mnuFileNew")->trigger();
        QCOMPARE(ui.texts(), (QStringList{"Save current data?", "Okay to Clear responses?"}));
        QVERIFY(!state().formChanged);
        QCOMPARE(f_->window->windowTitle(),
                 QString("Lumetra, for Spectral Estimators ... New data"));
        QVERIFY(form()->findChild<QRadioButton*>("optComplex")->isChecked());
        QCOMPARE(methods()->currentText(), QString("Burg")); // kept
        QVERIFY(edit("nPoles")->text().isEmpty());
        // Open.
        edit("nPoles")->setText("3");
        ui.reset();
        ui.fileNames << f_->jobsDir() + "/Form.1";
        f_->window->action("mnuFileOpen")->trigger();
        QVERIFY(ui.messages.isEmpty()); // a "New data" form is not offered for saving
        QVERIFY(!state().formChanged);
        QCOMPARE(edit("Note1")->text(), QString("edited"));
        QCOMPARE(edit("nPoles")->text(), QString("10"));
    }

    void exitOffersUnsavedEditsForSaving() {
        ScriptedInteraction& ui = f_->ui;
        f_->window->show();
        edit("nPoles")->setText("7");
        QVERIFY(state().formChanged);
        ui.reset();
        ui.answers << MessageAnswer::Cancel;
        f_->window->action("mnuFileExit")->trigger();
        QCOMPARE(ui.texts(), QStringList{"Save current data?"});
        QVERIFY(f_->window->isVisible()); // Cancel keeps the form and its edits
        QCOMPARE(edit("nPoles")->text(), QString("7"));
        ui.reset();
        ui.answers << MessageAnswer::No;
        f_->window->action("mnuFileExit")->trigger();
        QVERIFY(!f_->window->isVisible());
        // Nothing changed: no question.
        f_->window->show();
        state().formChanged = false;
        ui.reset();
        QVERIFY(f_->window->close());
        QVERIFY(ui.messages.isEmpty());
    }

    void unusedParametersReadBackEmpty() {
        methods()->setCurrentText("Periodogram");
        f_->ui.fileNames << f_->jobsDir() + "/P.1";
        QVERIFY(f_->window->session().fileSaveAs());
        f_->ui.fileNames << f_->jobsDir() + "/P.1";
        f_->window->session().fileOpen();
        for (const char* name :
             {"nPoles", "nZeros", "EPS", "Mode", "Meqn", "Lpts", "mLag", "NIT", "PER"})
            QVERIFY2(edit(name)->text().isEmpty(), name);
        QCOMPARE(edit("windowName")->text(), QString("1"));
        QCOMPARE(edit("nPoints")->text(), QString("64"));
    }

    void dataFileByBrowsing() {
        auto* browse = form()->findChild<QPushButton*>("cmdFileData");
        QVERIFY(!browse->isVisibleTo(form()));
        QApplication::setActiveWindow(f_->window.get());
        edit("timeData")->setFocus();
        QTRY_VERIFY(browse->isVisibleTo(form()));
        QTRY_VERIFY(browse->hasFocus());

        f_->ui.fileNames << ""; // cancelled
        browse->click();
        QCOMPARE(f_->ui.dialogs.last().title,
                 QString("Select File Name containing your Data for Analyses"));
        QCOMPARE(f_->ui.dialogs.last().selectedFilter, 2);
        QCOMPARE(edit("timeData")->text(), QString("Real.Rda"));
        f_->ui.fileNames << f_->jobsDir() + "/series.txt";
        browse->click();
        QCOMPARE(edit("timeData")->text(), QString("series.txt"));
        QCOMPARE(state().dataFileDir, f_->jobsDir());
        f_->window->session().putAnswers();
        QCOMPARE(state().answers.answer(1), f_->jobsDir() + "/series.txt");
    }

    void notesSelectAllOnFocus() {
        QApplication::setActiveWindow(f_->window.get());
        edit("Note1")->setFocus();
        QTRY_COMPARE(edit("Note1")->selectedText(), edit("Note1")->text());
        edit("Note2")->setFocus();
        QTRY_COMPARE(edit("Note2")->selectedText(), QString("Your notes go here"));
    }
};

QTEST_MAIN(TestJobForm)
#include "tst_job_form.moc"
