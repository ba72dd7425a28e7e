// The import in the window: the accept step's offers and what it writes into questions 1-4,
// the Signal page's statistics against NumPy on the same file, a job file opened by name, and
// the menu entry and the page.
#include "data_pages.h"
#include "import_dialog.h"
#include "signal_page.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

#include <cmath>

using namespace lumetra;
using namespace lumetra::test;

namespace {

// Two columns "t,x" with a NaN at data row 5 (line 7).
QByteArray csvWithNan() {
    QByteArray out = "t,x\n";
    for (int k = 0; k < 30; ++k)
        out += QByteArray::number(k * 0.01, 'g', 17) + ',' +
               (k == 5 ? QByteArray("NaN")
                       : QByteArray::number(std::cos(0.7 * k) + 0.1 * k, 'g', 17)) +
               '\n';
    return out;
}

// NumPy's statistics of a Lumetra data file: count, interval, mean (re, im), std, min, max.
std::optional<QList<double>> numpyStats(const QString& path, bool complex) {
    const QString script =
        QStringLiteral("import numpy as np, sys\n"
                       "rows = [l.split(None, 1) for l in "
                       "open(sys.argv[1]).read().splitlines()[1:] if l.strip()]\n"
                       "t = np.array([float(r[0]) for r in rows])\n"
                       "def val(s):\n"
                       "    s = s.strip()\n"
                       "    if s.startswith('('):\n"
                       "        a, b = s[1:-1].split(',')\n"
                       "        return complex(float(a), float(b))\n"
                       "    return float(s)\n"
                       "x = np.array([val(r[1]) for r in rows])\n"
                       "xr = x.real\n"
                       "print(len(x), (t[-1] - t[0]) / (len(t) - 1), xr.mean(), np.imag(x).mean(), "
                       "np.std(x), xr.min(), xr.max())\n");
    QProcess py;
    py.start("/usr/bin/python3", {"-c", script, path});
    if (!py.waitForFinished(60000) || py.exitCode() != 0) return std::nullopt;
    QList<double> v;
    for (const QByteArray& f : py.readAllStandardOutput().simplified().split(' '))
        v << f.toDouble();
    (void)complex;
    return v;
}

} // namespace

class TestImportFlow : public QObject {
    Q_OBJECT
  private slots:
    void acceptOffersAndFillsTheForm_data() {
        QTest::addColumn<bool>("drop");
        QTest::newRow("drop the NaN row") << true;
        QTest::newRow("stop") << false;
    }
    void acceptOffersAndFillsTheForm() {
        QFETCH(bool, drop);
        WindowFixture f;
        QVERIFY(f.start());
        const QString source = f.jobsDir() + "/nan.csv";
        WindowFixture::writeFile(source, csvWithNan());
        ImportController c(f.window->session());
        QVERIFY(c.open(source));
        QCOMPARE(c.import().options.timeColumn, 1); // named "t"
        QCOMPARE(c.import().options.column, 2);
        const QString target = f.jobsDir() + "/nan-data.txt";
        f.ui.answers << (drop ? MessageAnswer::Yes : MessageAnswer::No);
        f.window->state().formChanged = false;
        QCOMPARE(c.accept(target), drop);
        QCOMPARE(f.ui.messages.size(), 1);
        QVERIFY(f.ui.texts().front().startsWith(
            "nan.csv: 1 row(s) hold NaN or infinite values; the first is at line 7."));
        QCOMPARE(QFile::exists(target), drop);
        auto* nSkip = f.window->jobForm()->findChild<QLineEdit*>("nSkip");
        auto* timeData = f.window->jobForm()->findChild<QLineEdit*>("timeData");
        if (!drop) {
            QVERIFY(!f.window->state().formChanged);
            QVERIFY(!timeData->text().contains("nan-data"));
            return;
        }
        QVERIFY(f.window->state().formChanged);
        QCOMPARE(nSkip->text(), "1");
        QCOMPARE(f.window->jobForm()->findChild<QLineEdit*>("TotalLines")->text(), "0");
        QVERIFY(f.window->jobForm()->findChild<QRadioButton*>("optReal")->isChecked());
        QCOMPARE(f.window->state().dataFilePath(), target);
        // The Signal page follows: 29 samples, every 0.01 s, with the dropped row noted nowhere
        // (the data file holds only good rows).
        SignalModel m;
        QVERIFY(m.follow(f.window->state()));
        QVERIFY2(m.hasSeries(), qPrintable(m.statsText()));
        QCOMPARE(m.stats().count, 29);
        QVERIFY(!m.follow(f.window->state())); // nothing changed: no second read
    }

    // The dialog only binds: its choices go to the session and the checks come back at once.
    void dialogShowsTheChecksOfTheChoices() {
        WindowFixture f;
        QVERIFY(f.start());
        const QString source = f.jobsDir() + "/nan.csv";
        WindowFixture::writeFile(source, csvWithNan());
        ImportController c(f.window->session());
        QVERIFY(c.open(source));
        ImportDialog dialog(c);
        auto* status = dialog.findChild<QLabel*>("lblImportStatus");
        QVERIFY(status->text().startsWith("nan.csv: 1 row(s) hold NaN or infinite values"));
        QVERIFY(status->text().endsWith("Import offers to leave them out."));
        dialog.findChild<QCheckBox*>("chkDropBad")->setChecked(true);
        // The dropped row leaves a gap of two steps in the times: the spread is shown.
        QVERIFY2(status->text().startsWith("29 real samples, every 0.0103571 s"),
                 qPrintable(status->text()));
        QVERIFY(status->text().contains("The time steps are uneven: they range from 0.01 to 0.02"));
        QVERIFY(status->text().contains("Warning: 1 row(s) with NaN or infinite values left out."));
        dialog.findChild<QComboBox*>("cboColumn")->setCurrentIndex(0);
        QVERIFY(status->text().contains("the time column cannot also hold samples"));
        // Column 1 (no NaN) as samples, the times from a rate.
        dialog.findChild<QComboBox*>("cboTime")->setCurrentIndex(0);
        auto* rate = dialog.findChild<QLineEdit*>("txtRate");
        QVERIFY(rate->isEnabled());
        rate->setText("250");
        QVERIFY2(status->text().startsWith("30 real samples, every 0.004 s (250 Hz)"),
                 qPrintable(status->text()));
        QCOMPARE(dialog.findChild<QLineEdit*>("txtTarget")->text(), f.userDir() + "/nan-data.txt");
    }

    void replacingAskedFirst() {
        WindowFixture f;
        QVERIFY(f.start());
        const QString source = f.jobsDir() + "/nan.csv";
        WindowFixture::writeFile(source, csvWithNan());
        const QString target = f.jobsDir() + "/old.txt";
        WindowFixture::writeFile(target, "old");
        ImportController c(f.window->session());
        QVERIFY(c.open(source));
        c.import().options.dropBad = true;
        f.ui.answers << MessageAnswer::No;
        QVERIFY(!c.accept(target));
        QCOMPARE(WindowFixture::readFile(target), QByteArray("old"));
        QVERIFY(f.ui.texts().back().contains("exists. Replace it?"));
        QVERIFY(!c.accept(source));
        QVERIFY(f.ui.texts().back().contains("cannot replace the source"));
        f.ui.answers << MessageAnswer::Yes;
        QVERIFY(c.accept(target));
        QVERIFY(WindowFixture::readFile(target).startsWith("# Imported by Lumetra from nan.csv"));
    }

    void unreadableSourceSaysWhy() {
        WindowFixture f;
        QVERIFY(f.start());
        ImportController c(f.window->session());
        QVERIFY(!c.open(f.jobsDir() + "/none.wav"));
        QVERIFY(f.ui.texts().back().endsWith("none.wav: no such file."));
    }

    void statisticsMatchNumpy_data() {
        QTest::addColumn<bool>("complex");
        QTest::newRow("real") << false;
        QTest::newRow("complex") << true;
    }
    void statisticsMatchNumpy() {
        QFETCH(bool, complex);
        WindowFixture f;
        QVERIFY(f.start());
        const QString path = f.jobsDir() + "/series.txt";
        QByteArray out = "# header\n";
        for (int k = 0; k < 257; ++k) {
            const double t = 3 + k * 0.125;
            const double re = std::sin(0.11 * k) * 3 + 0.5, im = std::cos(0.05 * k * k) - 0.25;
            out += QByteArray::number(t, 'g', 17) + ' ' +
                   (complex ? "(" + QByteArray::number(re, 'g', 9) + ',' +
                                  QByteArray::number(im, 'g', 9) + ")"
                            : QByteArray::number(re, 'g', 9)) +
                   '\n';
        }
        WindowFixture::writeFile(path, out);
        JobState& s = f.window->state();
        s.answers.setAnswer(1, path);
        s.answers.setAnswer(2, "1");
        s.answers.setAnswer(3, "0");
        s.answers.setAnswer(4, complex ? "Complex" : "Real");
        f.window->session().getAnswers();
        SignalModel m;
        m.follow(s);
        QVERIFY2(m.hasSeries(), qPrintable(m.statsText()));
        const auto np = numpyStats(path, complex);
        if (!np) QSKIP("NumPy is not available");
        const data::SeriesStats& st = m.stats();
        auto close = [](double a, double b) {
            return std::abs(a - b) <= 1e-12 * (1 + std::abs(b));
        };
        QCOMPARE(st.count, int((*np)[0]));
        QVERIFY(close(st.interval, (*np)[1]));
        QVERIFY(close(st.mean, (*np)[2]));
        QVERIFY(close(st.meanIm, (*np)[3]));
        QVERIFY2(close(st.std, (*np)[4]),
                 qPrintable(QString("%1 %2").arg(st.std, 0, 'g', 17).arg((*np)[4], 0, 'g', 17)));
        QCOMPARE(st.min, (*np)[5]);
        QCOMPARE(st.max, (*np)[6]);
        QVERIFY(m.statsText().contains("Count: 257"));
        // Zoom: a wheel notch narrows the time range about the cursor, double click restores.
        plot::PlotCanvas canvas(QSize(800, 500));
        m.draw(canvas, plot::PlotOptions{}, QDateTime(QDate(2026, 1, 1), QTime(12, 0)));
        m.zoomAt(QPointF(400, 250), 2, false, QSizeF(800, 500));
        QVERIFY(m.zoomX());
        QVERIFY(m.zoomX()->width() < 257 * 0.125 * 0.7);
        m.resetView();
        QVERIFY(!m.zoomed());
    }

    void windowHasTheEntryThePageAndOpensJobs() {
        WindowFixture f;
        QVERIFY(f.start());
        QVERIFY(f.window->action("mnuFileImport"));
        auto* tabs = f.window->tabs();
        QCOMPARE(tabs->tabText(tabs->count() - 1), "Signal");
        auto* pages = f.window->findChild<DataPages*>();
        QVERIFY(pages);
        QVERIFY(QFile::copy(QStringLiteral(LUMETRA_EXAMPLES_DIR) + "/Ex-Burg.0",
                            f.jobsDir() + "/Ex-Burg.0"));
        QVERIFY(data::isJobFile(f.jobsDir() + "/Ex-Burg.0"));
        QVERIFY(!data::isJobFile(QStringLiteral(LUMETRA_TEST_DATA)));
        f.window->state().formChanged = false;
        pages->openFile(f.jobsDir() + "/Ex-Burg.0");
        QCOMPARE(f.window->state().jobName, "Ex-Burg.0");
    }
};

QTEST_MAIN(TestImportFlow)
#include "tst_import_flow.moc"
