// The plot's layout at every canvas size: real runs of the shipped examples (long title, long
// path, negative frequencies, every grid option, black and white, held curves) drawn off
// screen; every text box must be clear of the others, the canvas edge and the curve frame, and
// every pixel drawn must belong to a text box or to the frame's lines.
#include "engine_library.h"
#include "job_run.h"
#include "plot_from_run.h"
#include "plot_render.h"
#include "plot_text.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumetra;
using namespace lumetra::plot;

namespace {

QTemporaryDir& workDir() {
    static QTemporaryDir dir;
    return dir;
}

// A real run of a shipped example, copied into `folder` (relative to the work folder).
PlotInput realRun(const QString& example, const QString& folder = QString()) {
    const QString dir = workDir().filePath(folder.isEmpty() ? QStringLiteral("jobs") : folder);
    QDir().mkpath(dir);
    const QString examples = QStringLiteral(LUMETRA_EXAMPLES_DIR);
    for (const QString& f :
         {example, QStringLiteral("marple64.txt"), QStringLiteral("ar4real.txt")})
        QFile::copy(examples + u'/' + f, dir + u'/' + f);
    const QString job = dir + u'/' + example;
    QString why;
    auto result = sizedResultFor(job, &why);
    if (!result) qFatal("%s", qPrintable(why));
    static EngineLibrary engine(QStringLiteral(LUMETRA_ENGINE_LIBRARY));
    engine.run(job, dir, *result);
    if (result->status != RunStatus::Success) qFatal("%s did not run", qPrintable(example));
    return plotInputFromRun(*result, example);
}

PlotEnvironment fixedTime() {
    PlotEnvironment env;
    env.timestamp = QDateTime(QDate(2026, 12, 7), QTime(11, 30, 0));
    return env;
}

QString describe(const TextBox& t) {
    return QStringLiteral("%1 '%2' at %3,%4 %5x%6")
        .arg(t.role, t.text)
        .arg(t.box.x())
        .arg(t.box.y())
        .arg(t.box.width())
        .arg(t.box.height());
}

} // namespace

Q_DECLARE_METATYPE(lumetra::plot::PlotOptions)

class TestPlotLayout : public QObject {
    Q_OBJECT
    std::map<QString, PlotInput> runs_;

  private slots:
    void initTestCase() {
        QVERIFY(workDir().isValid());
        runs_["burg"] = realRun("Ex-Burg.0");   // complex data, negative frequencies
        runs_["perio"] = realRun("Ex-Perio.0"); // no model: no noise variance line
        runs_["rmle"] = realRun("Ex-RMLE.0");   // real data, 0 .. 0.5
        runs_["lock"] = realRun("Ex-Lock.0");   // the longest method name
        // A narrow band far from zero: long x labels that cannot all stand side by side.
        PlotInput offset = runs_["rmle"];
        for (float& f : offset.frequencies) f = 2 * f + 100000;
        runs_["offset"] = offset;
        runs_["longpath"] = realRun(
            "Ex-MYWE.0", "a folder with a rather long name/and another one below it that is "
                         "longer still/measurements of the second campaign/spectra");
    }

    void textsStayClear_data() {
        QTest::addColumn<QString>("run");
        QTest::addColumn<PlotOptions>("options");
        QTest::addColumn<int>("held");
        QTest::addColumn<QSize>("size");
        PlotOptions base;
        const QList<QSize> sizes = {{640, 480},   {800, 600},   {1024, 768},  {1280, 800},
                                    {1920, 1080}, {2560, 1440}, {3840, 2160}, {1600, 600}};
        for (const QSize s : sizes) {
            const QString at = QStringLiteral(" %1x%2").arg(s.width()).arg(s.height());
            QTest::newRow(qPrintable("burg" + at)) << "burg" << base << 0 << s;
            QTest::newRow(qPrintable("lock" + at)) << "lock" << base << 0 << s;
            QTest::newRow(qPrintable("long path" + at)) << "longpath" << base << 0 << s;
            QTest::newRow(qPrintable("overlay" + at)) << "perio" << base << 8 << s;
        }
        for (int lines = 0; lines < 4; ++lines)
            for (int type = 0; type < 4; ++type) {
                PlotOptions o;
                o.gridLines = lines;
                o.gridType = type;
                QTest::newRow(qPrintable(QStringLiteral("grid %1/%2 rmle").arg(lines).arg(type)))
                    << "rmle" << o << 0 << QSize(1280, 800);
            }
        for (const QSize s : {QSize(640, 480), QSize(1920, 1080)})
            QTest::newRow(qPrintable(QStringLiteral("long x labels %1").arg(s.width())))
                << "offset" << base << 0 << s;
        PlotOptions bw;
        bw.blackAndWhite = true;
        QTest::newRow("black and white 640") << "burg" << bw << 0 << QSize(640, 480);
        QTest::newRow("black and white overlay 1920") << "perio" << bw << 3 << QSize(1920, 1080);
        PlotOptions zoom; // an override narrower than the data: its exponent differs
        zoom.xOverride = {true, QStringLiteral("0.15"), QStringLiteral("0.01")};
        zoom.yOverride = {true, QStringLiteral("-60"), QStringLiteral("12")};
        QTest::newRow("overrides 800") << "burg" << zoom << 0 << QSize(800, 600);
    }

    void textsStayClear() {
        QFETCH(QString, run);
        QFETCH(PlotOptions, options);
        QFETCH(int, held);
        QFETCH(QSize, size);
        const PlotInput& in = runs_.at(run);
        std::vector<PlotInput> heldCurves;
        const QStringList others = {"burg", "rmle", "lock", "longpath"};
        for (int i = 0; i < held; ++i) heldCurves.push_back(runs_.at(others[i % others.size()]));
        PlotLayout layout;
        DrawExtras extras;
        extras.held = &heldCurves;
        extras.layout = &layout;
        OutputText out;
        QImage img(size, QImage::Format_RGB32);
        PlotScale st;
        {
            QPainter p(&img);
            Qt::PenStyle style = Qt::SolidLine;
            st = drawPlot(p, QSizeF(size), style, in, options, out, fixedTime(), extras);
        }
        const QRectF canvas(QPointF(0, 0), QSizeF(size));
        const QRectF frame = layout.frame;
        QVERIFY(canvas.contains(frame));
        // The plot keeps most of the canvas.
        QVERIFY2(frame.width() > 0.6 * size.width() && frame.height() > 0.3 * size.height(),
                 qPrintable(QStringLiteral("frame %1x%2").arg(frame.width()).arg(frame.height())));

        const auto& t = layout.texts;
        QVERIFY(t.size() >= 15);
        const int legends = static_cast<int>(
            std::count_if(t.begin(), t.end(), [](const TextBox& b) { return b.role == "legend"; }));
        QCOMPARE(legends, held > 0 ? held + 1 : 0);
        const bool noiseLine = std::any_of(t.begin(), t.end(), [](const TextBox& b) {
            return b.text.startsWith("Noise Variance");
        });
        QCOMPARE(noiseLine, in.parametric);
        const auto xLabels =
            std::count_if(t.begin(), t.end(), [](const TextBox& b) { return b.role == "xLabel"; });
        QVERIFY(xLabels >= 2);
        // Labels too long to stand side by side: every second (or fifth) one is kept.
        if (run == "offset" && size.width() == 640) QVERIFY(xLabels < 11);
        for (std::size_t i = 0; i < t.size(); ++i) {
            QVERIFY2(!t[i].box.isEmpty() && !t[i].text.isEmpty(), qPrintable(describe(t[i])));
            QVERIFY2(canvas.contains(t[i].box), qPrintable(describe(t[i])));
            QVERIFY2(!t[i].box.intersects(frame), qPrintable(describe(t[i])));
            for (std::size_t j = 0; j < i; ++j)
                QVERIFY2(!t[i].box.intersects(t[j].box),
                         qPrintable(describe(t[i]) + " / " + describe(t[j])));
        }
        // The y labels stand right of every vertical line, so a minus sign cannot hide under one.
        double lastLine = frame.right();
        for (double x : XGridPositions(st.xMin, st.xMax))
            if (x <= st.left + st.width)
                lastLine = std::max(lastLine, toPixelX(st, x, size.width()));
        for (const TextBox& b : t)
            if (b.role == "yLabel") QVERIFY2(b.box.left() > lastLine + 1, qPrintable(describe(b)));

        // Every pixel drawn belongs to a text, a legend sample or the frame's lines and ticks.
        const QRgb background = options.backgroundColor().rgb();
        const double reach =
            8 * std::max(1.0, std::min(size.width() / 640.0, size.height() / 480.0));
        const QRectF lines = QRectF(
            QPointF(std::min(frame.left(), toPixelX(st, st.left, 1)) - reach, frame.top() - reach),
            QPointF(std::max(frame.right(), lastLine) + reach, frame.bottom() + reach));
        std::vector<QRectF> allowed{lines};
        for (const TextBox& b : t) allowed.push_back(b.box.adjusted(-1, -1, 1, 1));
        for (const QRectF& s : layout.legendSamples) allowed.push_back(s.adjusted(-2, -2, 2, 2));
        int stray = 0;
        QPoint first;
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                if ((row[x] | 0xFF000000u) == (background | 0xFF000000u)) continue;
                const QPointF c(x + 0.5, y + 0.5);
                if (std::none_of(allowed.begin(), allowed.end(),
                                 [&](const QRectF& r) { return r.contains(c); })) {
                    if (!stray++) first = QPoint(x, y);
                }
            }
        }
        QVERIFY2(stray == 0, qPrintable(QStringLiteral("%1 stray pixels, first at %2,%3")
                                            .arg(stray)
                                            .arg(first.x())
                                            .arg(first.y())));
        // And every text box holds ink: the boxes are where the texts are.
        for (const TextBox& b : t) {
            const QRect r = b.box.toAlignedRect() & img.rect();
            int ink = 0;
            for (int y = r.top(); y <= r.bottom() && !ink; ++y)
                for (int x = r.left(); x <= r.right() && !ink; ++x)
                    ink += (img.pixel(x, y) | 0xFF000000u) != (background | 0xFF000000u);
            QVERIFY2(ink, qPrintable("no ink in " + describe(b)));
        }
    }
};

QTEST_MAIN(TestPlotLayout)
#include "tst_plot_layout.moc"
