// The modern view without a window: a modern run's plotted curve is the engine's modern file run
// (specest_run_file with the modern flag, called here directly), the stored view round-trips,
// and `--batch ... --view modern` writes pictures in Hz and dB/Hz.
#include "batch_export.h"
#include "plot_from_run.h"
#include "plot_modern_output.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <specest/specest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace lumetra;

namespace {

struct Point {
    double f, db;
    bool operator<(const Point& o) const { return f < o.f || (f == o.f && db < o.db); }
    bool operator==(const Point& o) const {
        return std::memcmp(&f, &o.f, sizeof f) == 0 && std::memcmp(&db, &o.db, sizeof db) == 0;
    }
};

// The engine's own numbers for a job in the modern profile, in frequency order.
std::vector<Point> engineModern(const QString& job, int* status) {
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
    *status = specest_run_file(job.toLocal8Bit().constData(), nullptr,
                               int32_t{SPECEST_NO_PAUSE} | int32_t{SPECEST_PROFILE_MODERN}, &out);
    std::vector<Point> p;
    for (int i = 0; i < out.n_freq; ++i)
        p.push_back({double(f[std::size_t(i)]), double(db[std::size_t(i)])});
    std::sort(p.begin(), p.end());
    return p;
}

// A white-background image has the colour c within `r` pixels of `at`.
bool inkNear(const QImage& img, QPointF at, const QColor& c, int r) {
    for (int y = int(at.y()) - r; y <= int(at.y()) + r; ++y)
        for (int x = int(at.x()) - r; x <= int(at.x()) + r; ++x)
            if (img.rect().contains(x, y) && QColor(img.pixel(x, y)) == c) return true;
    return false;
}

} // namespace

class TestModernView : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString copyJob(const QString& name) {
        const QString job = dir_.filePath(name);
        if (!QFile::exists(job)) QFile::copy(QStringLiteral(LUMETRA_EXAMPLES_DIR "/") + name, job);
        return job;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(QFile::copy(LUMETRA_TEST_DATA, dir_.filePath("marple64.txt")));
        // Jobs name their data relative to the job's folder or the current one.
        QDir::setCurrent(dir_.path());
    }

    void modernRunIsTheEngines_data() {
        QTest::addColumn<QString>("job");
        for (const char* job : {"Ex-Burg.0", "Ex-Perio.0", "Ex-MVSE.0", "Ex-Cov.0", "Ex-Black.0"})
            QTest::newRow(job) << QString(job);
    }
    // The curve the modern view draws holds exactly the engine's modern file-run values, and
    // the drawing puts the highest of them where the layout says.
    void modernRunIsTheEngines() {
        QFETCH(QString, job);
        const QString path = copyJob(job);
        int status = -1;
        const std::vector<Point> want = engineModern(path, &status);
        QCOMPARE(status, int(SPECEST_SUCCESS));
        QVERIFY(want.size() > 8);

        EngineLibrary engine(QStringLiteral(LUMETRA_ENGINE_LIBRARY));
        const ModernRun run = engine.runModern(path);
        QVERIFY2(run.status == RunStatus::Success, qPrintable(run.stopText));
        const plot::ModernCurve curve = plot::modernCurveFromRun(run, job);
        QCOMPARE(curve.view, plot::PlotView::Modern);
        QVERIFY(std::is_sorted(curve.frequencyHz.begin(), curve.frequencyHz.end()));
        std::vector<Point> got;
        for (std::size_t i = 0; i < curve.frequencyHz.size(); ++i)
            got.push_back({curve.frequencyHz[i], curve.densityDb[i]});
        std::sort(got.begin(), got.end());
        QCOMPARE(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            QVERIFY2(got[i] == want[i], qPrintable(QString("point %1: %2 %3 against %4 %5")
                                                       .arg(i)
                                                       .arg(got[i].f)
                                                       .arg(got[i].db)
                                                       .arg(want[i].f)
                                                       .arg(want[i].db)));
        // The engine's frequencies are in Hz from the data's step: one-sided 0..fs/2 or
        // two-sided around 0, never the classic normalised grid beyond it.
        QVERIFY(want.front().f >= -0.5 && want.back().f <= 0.5);

        const QString png = dir_.filePath(job + ".modern.png");
        QString why;
        const auto L = plot::saveModernPlot(png, QSize(900, 600), curve, {},
                                            plot::modernHeader(run, job), Qt::blue, &why);
        QVERIFY2(L, qPrintable(why));
        QCOMPARE(L->xCaption.right(3), QString("Hz)"));
        QCOMPARE(L->yCaption, QString("PSD (dB/Hz)"));
        const auto top = std::max_element(want.begin(), want.end(),
                                          [](Point a, Point b) { return a.db < b.db; });
        const QPointF at(L->frame.left() + (top->f - L->xLo) / (L->xHi - L->xLo) * L->frame.width(),
                         L->frame.bottom() -
                             (top->db - L->yLo) / (L->yHi - L->yLo) * L->frame.height());
        const QImage img(png);
        QCOMPARE(img.size(), QSize(900, 600));
        QVERIFY2(inkNear(img, at, L->colors.back(), 3),
                 qPrintable(QString("no curve at %1,%2").arg(at.x()).arg(at.y())));
    }

    void viewSettingRoundTrips_data() {
        QTest::addColumn<int>("stored"); // -1: nothing stored, 0 classic, 1 modern, else junk
        QTest::addColumn<int>("asSet");  // -1: only read
        QTest::addColumn<bool>("modern");
        QTest::newRow("nothing stored") << -1 << -1 << false;
        QTest::newRow("set modern") << -1 << 1 << true;
        QTest::newRow("modern back to classic") << 1 << 0 << false;
        QTest::newRow("stored modern") << 1 << -1 << true;
        QTest::newRow("unknown value") << 7 << -1 << false;
    }
    void viewSettingRoundTrips() {
        QFETCH(int, stored);
        QFETCH(int, asSet);
        QFETCH(bool, modern);
        const QString ini = dir_.filePath(QString("view-%1.ini").arg(QTest::currentDataTag()));
        {
            QSettings s(ini, QSettings::IniFormat);
            plot::QSettingsPlotStore store(s);
            if (stored >= 0) store.setDword("PlotView", stored);
            if (asSet >= 0)
                plot::storePlotView(store,
                                    asSet ? plot::PlotView::Modern : plot::PlotView::Classic);
        }
        QSettings s(ini, QSettings::IniFormat); // read back from the file
        const plot::QSettingsPlotStore store(s);
        QCOMPARE(plot::storedPlotView(store) == plot::PlotView::Modern, modern);
    }

    void viewArgument_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("modern"); // -1: refused
        QTest::newRow("modern") << QStringList{"--batch", "J", "--view", "modern"} << 1;
        QTest::newRow("inline") << QStringList{"--batch", "J", "--view=modern"} << 1;
        QTest::newRow("classic") << QStringList{"--batch", "J", "--view", "classic"} << 0;
        QTest::newRow("default") << QStringList{"--batch", "J"} << 0;
        QTest::newRow("unknown") << QStringList{"--batch", "J", "--view", "fancy"} << -1;
        QTest::newRow("missing") << QStringList{"--batch", "J", "--view"} << -1;
        QTest::newRow("twice") << QStringList{"--batch", "J",      "--view",
                                              "modern",  "--view", "classic"}
                               << -1;
    }
    void viewArgument() {
        QFETCH(QStringList, args);
        QFETCH(int, modern);
        QString error;
        const auto r = parseBatchArguments(args, &error);
        QCOMPARE(r.has_value(), modern >= 0);
        if (r)
            QCOMPARE(r->modern, modern == 1);
        else
            QVERIFY2(error.contains("--view"), qPrintable(error));
    }

    void batchWritesUnits_data() {
        QTest::addColumn<bool>("modern");
        QTest::addColumn<QString>("format");
        QTest::newRow("modern svg") << true << "svg";
        QTest::newRow("modern png") << true << "png";
        QTest::newRow("modern pdf") << true << "pdf";
        QTest::newRow("classic svg") << false << "svg";
    }
    // --batch two jobs --view modern: the picture's axes are Hz and dB/Hz, with both curves;
    // the classic view's picture keeps its own axes.
    void batchWritesUnits() {
        QFETCH(bool, modern);
        QFETCH(QString, format);
        BatchRequest r;
        r.jobs = {copyJob("Ex-Perio.0"), copyJob("Ex-Burg.0")};
        r.job = r.jobs.first();
        r.modern = modern;
        r.size = QSize(1000, 700);
        const QString file = dir_.filePath(QString("%1.%2").arg(QTest::currentDataTag(), format));
        (format == "svg" ? r.svg : format == "png" ? r.png : r.pdf) = file;
        EngineLibrary engine(QStringLiteral(LUMETRA_ENGINE_LIBRARY));
        QSettings settings(dir_.filePath("batch.ini"), QSettings::IniFormat);
        const plot::QSettingsPlotStore store(settings);
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        QCOMPARE(runBatch(r, engine, store, out, err), int(kBatchOk));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        if (format == "svg") {
            QCOMPARE(bytes.contains("PSD (dB/Hz)"), modern);
            QCOMPARE(bytes.contains("Frequency (mHz)"), modern);
            if (modern) {
                QVERIFY(!bytes.contains("X-axis"));
                QVERIFY(bytes.contains("Periodogram") && bytes.contains("Burg"));
                QVERIFY(outText.contains("modern profile"));
            }
        } else if (format == "pdf") {
            QVERIFY(bytes.startsWith("%PDF"));
        } else {
            // The batch's picture is the modern drawing of the two runs, pixel for pixel, and
            // that drawing reports its axes in Hz and dB/Hz.
            const ModernRun perio = engine.runModern(r.jobs[0]);
            const ModernRun burg = engine.runModern(r.jobs[1]);
            const QString again = dir_.filePath("again.png");
            QSettings s(dir_.filePath("batch.ini"), QSettings::IniFormat);
            plot::PlotOptions o;
            plot::loadPlotOptions(plot::QSettingsPlotStore(s), o);
            const auto L = plot::saveModernPlot(
                again, r.size, plot::modernCurveFromRun(burg, "Ex-Burg.0"),
                {plot::modernCurveFromRun(perio, "Ex-Perio.0")},
                plot::modernHeader(burg, "Ex-Burg.0"), o.penColor(plot::Curve1), nullptr);
            QVERIFY(L);
            QCOMPARE(L->xCaption, QString("Frequency (mHz)"));
            QCOMPARE(L->yCaption, QString("PSD (dB/Hz)"));
            QCOMPARE(QImage(file), QImage(again));
            QCOMPARE(QImage(file).size(), r.size);
        }
    }

    void peakMarksInform_data() {
        QTest::addColumn<QString>("job");
        QTest::addColumn<int>("count");
        QTest::addColumn<QSize>("size");
        for (const char* job : {"Ex-Burg.0", "Ex-Perio.0", "Ex-MVSE.0"})
            for (int count : {1, 5, 20})
                for (QSize size : {QSize(640, 480), QSize(1280, 800)})
                    QTest::addRow("%s %d %dx%d", job, count, size.width(), size.height())
                        << QString(job) << count << size;
    }
    // Modern peak marks: the engine's most prominent peaks first, each label inside the frame,
    // apart from the other labels and from every curve, reading the peak's frequency to three
    // significant digits in the axis's unit.
    void peakMarksInform() {
        QFETCH(QString, job);
        QFETCH(int, count);
        QFETCH(QSize, size);
        EngineLibrary engine(QStringLiteral(LUMETRA_ENGINE_LIBRARY));
        const ModernRun run = engine.runModern(copyJob(job));
        QVERIFY2(run.status == RunStatus::Success, qPrintable(run.stopText));
        QVERIFY(!run.peakHz.empty());
        const plot::ModernCurve live = plot::modernCurveFromRun(run, job);
        QImage img(size, QImage::Format_RGB32);
        QPainter p(&img);
        const auto L = plot::drawModernPlot(p, QSizeF(size), live, {}, "h", Qt::blue);
        QVERIFY(L);
        const std::vector<plot::ModernMark> marks =
            plot::drawModernMarks(p, QSizeF(size), *L, {&live}, {run.peakHz, run.peakDb, count});
        p.end();
        QCOMPARE(int(marks.size()), std::min<int>(count, int(run.peakHz.size())));
        const plot::Engineering e =
            plot::engineeringFor(std::max(std::fabs(L->xLo), std::fabs(L->xHi)));
        int labelled = 0;
        for (std::size_t k = 0; k < marks.size(); ++k) {
            const plot::ModernMark& m = marks[k];
            if (m.box.isEmpty()) continue;
            ++labelled;
            QVERIFY(L->frame.contains(m.box));
            for (std::size_t j = 0; j < k; ++j)
                QVERIFY(marks[j].box.isEmpty() || !marks[j].box.intersects(m.box));
            // No curve point inside the label's box or within 2 px of it.
            const QRectF near = m.box.adjusted(-2, -2, 2, 2);
            for (std::size_t i = 0; i < live.frequencyHz.size(); ++i) {
                const QPointF at(L->frame.left() + (live.frequencyHz[i] - L->xLo) /
                                                       (L->xHi - L->xLo) * L->frame.width(),
                                 L->frame.bottom() - (live.densityDb[i] - L->yLo) /
                                                         (L->yHi - L->yLo) * L->frame.height());
                QVERIFY2(!near.contains(at), qPrintable(m.text));
            }
            QVERIFY2(m.text.endsWith(" " + e.prefix + "Hz"), qPrintable(m.text));
            const QString number = m.text.section(' ', 0, 0);
            const double v = number.toDouble() * std::pow(10.0, e.exponent);
            const double want = run.peakHz[k];
            QVERIFY2(std::fabs(v - want) <= 0.0051 * std::fabs(want) + 1e-12, qPrintable(m.text));
            QString digits = number;
            digits.remove('-').remove('.');
            while (digits.startsWith('0') && digits.size() > 1) digits.remove(0, 1);
            QVERIFY2(digits.size() == 3 || (want == 0 && number == "0"), qPrintable(m.text));
        }
        QVERIFY(labelled >= 1); // the most prominent peak always finds room above it
    }

    // --batch --compare in the modern view: the overlay is drawn in dB/Hz against Hz and the
    // peak table holds the modern profile's peaks, in Hz.
    void batchCompareInModernView() {
        BatchRequest r;
        r.job = copyJob("Ex-Burg.0");
        r.jobs = {r.job};
        r.compare = "burg,periodogram";
        r.modern = true;
        r.svg = dir_.filePath("cmp-modern.svg");
        r.peaks = dir_.filePath("cmp-modern.csv");
        EngineLibrary engine(QStringLiteral(LUMETRA_ENGINE_LIBRARY));
        QSettings settings(dir_.filePath("cmp.ini"), QSettings::IniFormat);
        const plot::QSettingsPlotStore store(settings);
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        QCOMPARE(runBatch(r, engine, store, out, err), int(kBatchOk));
        QFile svg(r.svg);
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        QVERIFY(text.contains("PSD (dB/Hz)") && text.contains("Frequency (mHz)"));
        QVERIFY(text.contains("Compare of 2 methods"));
        // Burg's top peak in the table is the top of the modern file run of the same job.
        QFile csv(r.peaks);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = csv.readAll().split('\n');
        QVERIFY(rows.size() > 2 && rows[1].startsWith("burg,1,"));
        const ModernRun run = engine.runModern(r.job);
        const double top = *std::max_element(run.densityDb.begin(), run.densityDb.end());
        QVERIFY2(std::fabs(rows[1].split(',')[3].toDouble() - top) < 0.01, rows[1].constData());
    }

    // A two-sided grid comes in fftfreq order; the curve runs left to right with every point.
    void twoSidedGridIsOrdered() {
        plot::ModernCurve c;
        c.frequencyHz = {0, 0.25, -0.5, -0.25};
        c.densityDb = {1, 2, 3, 4};
        plot::orderByFrequency(c);
        QCOMPARE(c.frequencyHz, (std::vector<double>{-0.5, -0.25, 0, 0.25}));
        QCOMPARE(c.densityDb, (std::vector<double>{3, 4, 1, 2}));
    }
};

QTEST_MAIN(TestModernView)
#include "tst_modern_view.moc"
