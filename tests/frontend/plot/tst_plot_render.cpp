// Peak list, curve segments, line-style carry-over, Output text and the rendered image.
#include "plot_from_run.h"
#include "plot_held.h"
#include "plot_render.h"
#include "plot_text.h"

#include <QPainter>
#include <QTest>

#include <cmath>

using namespace lumetra::plot;

namespace {

PlotScale scaleOf(std::vector<float> f, std::vector<float> y, double xFactor = 1) {
    PlotScale st;
    st.n = static_cast<int>(f.size());
    st.freq = std::move(f);
    st.psd = std::move(y);
    st.xFactor = xFactor;
    return st;
}

// A smooth spectrum in dB over 0..0.5 with one resonance.
PlotInput resonance(int n) {
    PlotInput in;
    in.nFreqPts = n;
    in.nPts = 256;
    for (int i = 0; i < n; ++i) {
        const double f = 0.5 * i / (n - 1);
        const double d = (f - 0.2) / 0.03;
        in.frequencies.push_back(static_cast<float>(f));
        in.spectrum.push_back(static_cast<float>(-40.0 + 38.0 / (1 + d * d)));
    }
    in.tStart = 0;
    in.tFinal = 255;
    in.zeroFill = 0;
    in.sig2 = 0.125f;
    in.methodName = QStringLiteral("Burg");
    in.jobPath = QStringLiteral("/home/u/Lumetra/user/Ex-Burg.0");
    in.jobName = QStringLiteral("Ex-Burg.0");
    return in;
}

PlotEnvironment fixedTime() {
    PlotEnvironment env;
    env.timestamp = QDateTime(QDate(2026, 12, 7), QTime(11, 30, 0));
    return env;
}

double distanceToSegment(QPointF p, QLineF s) {
    const QPointF d = s.p2() - s.p1();
    const double len2 = d.x() * d.x() + d.y() * d.y();
    double t = len2 > 0 ? QPointF::dotProduct(p - s.p1(), d) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF q = s.p1() + t * d;
    return std::hypot(p.x() - q.x(), p.y() - q.y());
}

} // namespace

class TestPlotRender : public QObject {
    Q_OBJECT
  private slots:
    void peakListText();
    void peakOrdering_data();
    void peakOrdering();
    void peakAtFirstPoint();
    void noPositivePeak_data();
    void noPositivePeak();
    void twoSidedPeaks();
    void peakCap();
    void peaksNormalisedFrequencies();
    void curvePixelsPicksSegments();
    void runHeader();
    void outputOrder();
    void degenerateInputs();
    void inputFromRun();
    void imageCurveAndBackground();
    void imageScaleFactorNote();
    void overrideClipsCurve_data();
    void overrideClipsCurve();
    void noiseVarianceOnlyForModels();
    void blackAndWhiteCarryOver();
    void curve2ChangesNothing();
    void heldCurvesModel();
    void heldCurvePens();
    void heldCurvesDrawnUnderLive();
    void rotatedCaptionInItsBox_data();
    void rotatedCaptionInItsBox();
};

void TestPlotRender::peakListText() {
    OutputText out;
    const PeakList pl = listPeaks(scaleOf({0, 1, 2, 3, 4, 5, 6}, {0, 5, 1, 3, 2, 8, 4}), out);
    const QStringList expected = {" --------------------------------------",
                                  " PSD waveform contained following peaks",
                                  " --------------------------------------",
                                  " ",
                                  " ---------------------0  Ampl. = 0",
                                  " Peak #1  at Freq =1  Ampl. = 5",
                                  " ---------------------2  Ampl. = 1",
                                  " ",
                                  " ---------------------2  Ampl. = 1",
                                  " Peak #2  at Freq =3  Ampl. = 3",
                                  " ---------------------4  Ampl. = 2",
                                  " ",
                                  " ---------------------4  Ampl. = 2",
                                  " Peak #3  at Freq =5  Ampl. = 8",
                                  " ---------------------6  Ampl. = 4",
                                  " ",
                                  " Peak Frequencies:   5  1  3"};
    QCOMPARE(out.lines(), expected);
    QCOMPARE(pl.byPosition.size(), std::size_t(3));
    QCOMPARE(pl.summary, QString("  5  1  3"));
}

void TestPlotRender::peakOrdering_data() {
    QTest::addColumn<QList<float>>("amplitudes");
    QTest::addColumn<QString>("summary");
    // Peaks at frequencies 1, 3, 5, 7 with the given amplitudes (valleys at 0 dB... -100).
    QTest::newRow("descending already") << QList<float>{9, 7, 5, 3} << "  1  3  5  7";
    QTest::newRow("ascending") << QList<float>{3, 5, 7, 9} << "  7  5  3  1";
    QTest::newRow("ties keep their order") << QList<float>{3, 9, 5, 9} << "  3  7  5  1";
    QTest::newRow("negative dB") << QList<float>{-30, -2, -40, -10} << "  3  7  1  5";
}

void TestPlotRender::peakOrdering() {
    QFETCH(QList<float>, amplitudes);
    QFETCH(QString, summary);
    std::vector<float> f, y;
    for (int i = 0; i < 9; ++i) {
        f.push_back(static_cast<float>(i));
        y.push_back(i % 2 ? amplitudes[i / 2] : -100.0f);
    }
    OutputText out;
    const PeakList pl = listPeaks(scaleOf(f, y), out);
    QCOMPARE(pl.summary, summary);
    for (std::size_t k = 1; k < pl.byAmplitude.size(); ++k)
        QVERIFY(pl.byAmplitude[k - 1].amplitude >= pl.byAmplitude[k].amplitude);
    QCOMPARE(out.lines().last(), " Peak Frequencies: " + summary);
}

void TestPlotRender::peakAtFirstPoint() {
    OutputText out;
    const PeakList pl = listPeaks(scaleOf({1, 2, 3}, {5, 1, 0}), out);
    QCOMPARE(pl.byPosition.size(), std::size_t(1));
    QCOMPARE(out.lines().mid(3),
             QStringList({" ", " Peak #1  at Freq =1  Ampl. = 5",
                          " ---------------------2  Ampl. = 1", " ", " Peak Frequencies:   1"}));
}

void TestPlotRender::noPositivePeak_data() {
    QTest::addColumn<QList<float>>("freq");
    QTest::addColumn<QList<float>>("psd");
    QTest::newRow("rising to the last point")
        << QList<float>{1, 2, 3, 4} << QList<float>{1, 2, 3, 4};
    QTest::newRow("one-sided, rising from f = 0")
        << QList<float>{0, 1, 2, 3} << QList<float>{0, 5, 6, 9};
    QTest::newRow("first point at f = 0") << QList<float>{0, 1, 2} << QList<float>{9, 1, 0};
    QTest::newRow("plateau") << QList<float>{1, 2, 3, 4} << QList<float>{1, 3, 3, 1};
    QTest::newRow("single point") << QList<float>{1} << QList<float>{3};
}

void TestPlotRender::noPositivePeak() {
    QFETCH(QList<float>, freq);
    QFETCH(QList<float>, psd);
    OutputText out;
    const PeakList pl =
        listPeaks(scaleOf({freq.begin(), freq.end()}, {psd.begin(), psd.end()}), out);
    QVERIFY(pl.byPosition.empty());
    QCOMPARE(out.lines(), QStringList({" ", " Peak Frequencies: none > 0!"}));
}

void TestPlotRender::twoSidedPeaks() {
    // A plot that shows negative frequencies lists their peaks too, and one at 0.
    OutputText out;
    const PeakList pl = listPeaks(scaleOf({-3, -2, -1, 0, 1, 2, 3}, {0, 7, 1, 6, 2, 9, 3}), out);
    QCOMPARE(pl.byPosition.size(), std::size_t(3));
    QCOMPARE(pl.summary, QString("  2  -2  0"));
    QVERIFY(out.lines().contains(" Peak #1  at Freq =-2  Ampl. = 7"));
    // Maxima only at f <= 0 on a two-sided grid.
    OutputText out2;
    QCOMPARE(listPeaks(scaleOf({-2, -1, 0, 1, 2}, {0, 5, 6, 5, 9}), out2).summary, QString("  0"));
}

void TestPlotRender::peakCap() {
    // 119 local maxima with growing amplitude: only the first 99 by position count, the cap of
    // the engine's peak table.
    std::vector<float> f, y;
    for (int i = 0; i < 240; ++i) {
        f.push_back(static_cast<float>(i + 1));
        y.push_back(i % 2 ? static_cast<float>(i) : -100.0f);
    }
    OutputText out;
    const PeakList pl = listPeaks(scaleOf(f, y), out);
    QCOMPARE(kMaxPeaks, 99);
    QCOMPARE(pl.byPosition.size(), std::size_t(kMaxPeaks));
    QCOMPARE(pl.byPosition.back().index, 197); // 99th maximum
    const QStringList tokens = pl.summary.split(' ', Qt::SkipEmptyParts);
    QCOMPARE(tokens.size(), 99);
    QCOMPARE(tokens.first(), QString("198"));
    QCOMPARE(tokens.last(), QString("2"));
    QVERIFY(out.lines().contains(" Peak #99  at Freq =198  Ampl. = 197"));
    QVERIFY(!out.lines().join('\n').contains("Peak #100"));
}

void TestPlotRender::peaksNormalisedFrequencies() {
    // Plotted frequencies 0..50 with factor 10^-2: real 0.1 and 0.25 keep the digits that tell
    // them apart (whole numbers would print both as 0).
    OutputText out;
    const PeakList pl = listPeaks(scaleOf({0, 10, 20, 25, 30}, {0, 4, 1, 6, 2}, 0.01), out);
    QCOMPARE(pl.summary, QString("  0.25  0.10"));
    QVERIFY(out.lines().contains(" Peak #1  at Freq =0.1  Ampl. = 4"));
    QVERIFY(out.lines().contains(" Peak #2  at Freq =0.25  Ampl. = 6"));
    // Whole numbers where they are close enough, rounded with ties to even.
    OutputText out2;
    QCOMPARE(listPeaks(scaleOf({10, 12.5f, 13, 25.5f, 26}, {0, 6, 1, 4, 0}), out2).summary,
             QString("  12  26"));
    // A tie that a whole number would misplace by a fifth keeps its decimal.
    OutputText out3;
    QCOMPARE(listPeaks(scaleOf({1, 2.5f, 3, 3.5f, 4}, {0, 6, 1, 4, 0}), out3).summary,
             QString("  2.5  3.5"));
    // Close lines need more decimals than far ones.
    QCOMPARE(peakSummaryText({0.2, 0.21, -0.15}), QString("  0.20  0.21  -0.15"));
    QCOMPARE(peakSummaryText({0.1992, 0.2012}), QString("  0.199  0.201"));
    QCOMPARE(peakSummaryText({120, 250}), QString("  120  250"));
}

void TestPlotRender::curvePixelsPicksSegments() {
    PlotScale st = scaleOf({0, 1, 2, 3, 4, 10, 11, 12}, {5, 5, 20, 5, 5, 10, 5, 5});
    st.xMin = 0;
    st.xMax = 10;
    st.yMin = 0;
    st.yMax = 10;
    setPlotScaleCoordinates(st, {}, {});
    const QSizeF canvas(640, 480);
    const std::vector<QLineF> segs =
        curvePixels(st, st.freq.data(), st.psd.data(), st.n, false, canvas, 600);
    auto px = [&](double x, double y) {
        return QPointF(toPixelX(st, x, canvas.width()), toPixelY(st, y, canvas.height()));
    };
    const std::vector<QLineF> expected = {
        QLineF(px(0, 5), px(1, 5)),   // inside
        QLineF(px(1, 5), px(2, 20)),  // starts inside, ends outside: drawn
        QLineF(px(3, 5), px(4, 5)),   // the one from (2, 20) is skipped
        QLineF(px(4, 5), px(10, 10)), // ends on the corner
        QLineF(px(10, 10), px(11, 5)) // starts on the corner (limits included)
    };                                // (11, 5) lies outside: its segment is skipped
    QCOMPARE(segs.size(), expected.size());
    for (std::size_t i = 0; i < segs.size(); ++i) {
        QVERIFY((segs[i].p1() - expected[i].p1()).manhattanLength() < 1e-9);
        QVERIFY((segs[i].p2() - expected[i].p2()).manhattanLength() < 1e-9);
    }
    // Held curves come in real units and are divided by the factors first.
    st.xFactor = 10;
    std::vector<float> real;
    for (float f : st.freq) real.push_back(f * 10);
    const std::vector<QLineF> held =
        curvePixels(st, real.data(), st.psd.data(), st.n, true, canvas, 600);
    QCOMPARE(held.size(), expected.size());
    QVERIFY((held[3].p2() - expected[3].p2()).manhattanLength() < 1e-6);
    // Thousands of points to a few columns draw the same band: first, lowest, highest, last.
    PlotScale dense = scaleOf({}, {});
    for (int i = 0; i < 4000; ++i) {
        dense.freq.push_back(float(i) / 4000);
        dense.psd.push_back(float((i * 37) % 101) / 10);
    }
    dense.n = 4000;
    dense.xMin = 0, dense.xMax = 1, dense.yMin = 0, dense.yMax = 10;
    setPlotScaleCoordinates(dense, {}, {});
    const std::vector<QLineF> thin = curvePixels(dense, dense.freq.data(), dense.psd.data(),
                                                 dense.n, false, QSizeF(100, 100), 90);
    QVERIFY(thin.size() < 500);
    double lo = 1e9, hi = -1e9;
    for (const QLineF& l : thin)
        lo = std::min({lo, l.y1(), l.y2()}), hi = std::max({hi, l.y1(), l.y2()});
    QCOMPARE(lo, toPixelY(dense, 10, 100));
    QCOMPARE(hi, toPixelY(dense, 0, 100));
}

void TestPlotRender::runHeader() {
    OutputText out;
    out.append("old text");
    const QString path = QStringLiteral("/home/U/Jobs/Ex-Auto.0");
    writeRunHeader(out, path, QDateTime(QDate(2026, 12, 7), QTime(9, 5)));
    const QStringList l = out.lines();
    QCOMPARE(l.size(), 8);
    QCOMPARE(l[0], QString("        ----") + QString(53, ' '));
    QVERIFY(l[1].startsWith("Lumetra (tm) Results\t\t     "));
    QCOMPARE(l[2], QString("      --------\t\t=========================="));
    QCOMPARE(l[3], "        ----" + ("File: " + path).leftJustified(53));
    QCOMPARE(l[3].size(), 12 + 53);
    QCOMPARE(l[4], QString(" "));
    QCOMPARE(l[5], QString(" "));
    QCOMPARE(l[6], QString(" ================ Summary of Run ================="));
    QCOMPARE(l[7], QString(" ================================================="));
    QVERIFY(!out.text().startsWith("\r\n"));
    QVERIFY(out.text().contains(QString(53, ' ') + "\r\nLumetra"));
    // A long path is not cut.
    const QString longPath = "/" + QString(80, 'a') + "/job.0";
    writeRunHeader(out, longPath, QDateTime::currentDateTime());
    QVERIFY(out.lines()[3].endsWith(longPath));
}

void TestPlotRender::outputOrder() {
    PlotCanvas canvas;
    OutputText out;
    const PlotInput in = resonance(101);
    PeakList pl;
    startPlot(canvas, in, PlotOptions{}, out, fixedTime(), &pl);
    const QStringList l = out.lines();
    // No debug lines: the job, then the axes as the plot draws them (0..0.506 with grid lines
    // every ceil(50.6)/10 = 5.1 E-2; -39.7..-1.9 dB in five steps of 7.56).
    QVERIFY(!l.contains("Calling 1st line plot"));
    QCOMPARE(l[8], QString("Batch Input file ... fileIn = Ex-Burg.0"));
    QCOMPARE(l[9], QString(" Frequency axis: 0 to 0.506, grid step 0.051"));
    QCOMPARE(l[10], QString(" PSD axis: -39.7 to -1.900001 dB, grid step 7.56"));
    QCOMPARE(l[11], QString(" --------------------------------------"));
    QCOMPARE(pl.byPosition.size(), std::size_t(1));
    QVERIFY(l.contains(" Peak #1  at Freq =0.2  Ampl. = -2"));
    QCOMPARE(l.last(), QString(" Peak Frequencies:   0.2"));
}

void TestPlotRender::degenerateInputs() {
    PlotInput in = resonance(16);
    in.nFreqPts = 4000; // more than the arrays hold
    OutputText out;
    QImage img = renderPlotImage(in, PlotOptions{}, QSize(320, 240), fixedTime(), &out);
    QVERIFY(!img.isNull());
    for (int n : {0, 1, 2}) {
        PlotInput small = resonance(16);
        small.nFreqPts = n;
        PlotCanvas canvas(QSize(200, 150));
        OutputText o;
        const PlotScale st = startPlot(canvas, small, PlotOptions{}, o, fixedTime());
        QCOMPARE(st.n, n);
        QVERIFY(std::isfinite(st.xMin) && std::isfinite(st.xMax) && st.xMax > st.xMin);
        QVERIFY(std::isfinite(st.yMin) && std::isfinite(st.yMax) && st.yMax > st.yMin);
    }
    // NaN in the spectrum never reaches the ranges.
    PlotInput bad = resonance(50);
    bad.spectrum[10] = std::nanf("");
    PlotCanvas canvas;
    OutputText o;
    const PlotScale st = startPlot(canvas, bad, PlotOptions{}, o, fixedTime());
    QVERIFY(std::isfinite(st.yMin) && std::isfinite(st.yMax));
}

void TestPlotRender::inputFromRun() {
    // More output points than the arrays hold (an MVSE grid) stay within the arrays.
    lumetra::RunResult r;
    r.status = lumetra::RunStatus::Success;
    r.x_array = {0.0f, 0.25f, 0.5f};
    r.spectrum = {-3.0f, 0.0f, -9.0f};
    r.npointsZ = 5;
    r.sig2Z = 0.25f;
    r.method = "MVSE";
    r.jobPath = "/j/Ex-Mvse.0";
    const PlotInput in = lumetra::plot::plotInputFromRun(r, "Ex-Mvse.0");
    QCOMPARE(in.pointCount(), 3);
    OutputText out;
    PlotCanvas canvas;
    const PlotScale st = startPlot(canvas, in, PlotOptions{}, out, fixedTime());
    QCOMPARE(st.n, 3);
    QVERIFY(out.lines().contains(" Peak #1  at Freq =0.25  Ampl. = 0"));
}

void TestPlotRender::imageCurveAndBackground() {
    const PlotInput in = resonance(201);
    PlotOptions opt;
    opt.gridLines = 0; // ticks only, so the plot area is background and curve
    PlotCanvas canvas(QSize(800, 600));
    OutputText out;
    const PlotScale st = startPlot(canvas, in, opt, out, fixedTime());
    const QImage& img = canvas.image();
    const QRgb curve = qRgb(0, 0, 255); // Curve1 0xFF0000 in BGR
    const QRgb background = qRgb(192, 192, 192);
    // Independent mapping: 5 % margins around the final ranges, over the area the layout chose.
    const QRectF a = st.area;
    const QRectF frame = frameRect(st, img.size());
    QVERIFY(QRectF(img.rect()).contains(frame) && frame.width() > 0.6 * img.width());
    const double rx = double(st.xMax) - st.xMin, ry = double(st.yMax) - st.yMin;
    auto mapX = [&](double x) {
        return a.left() + (x - (st.xMin - 0.05 * rx)) / (1.1 * rx) * a.width();
    };
    auto mapY = [&](double y) {
        return a.top() + ((st.yMax + 0.05 * ry) - y) / (1.1 * ry) * a.height();
    };
    std::vector<QLineF> path;
    for (int i = 1; i < st.n; ++i)
        path.emplace_back(mapX(st.freq[i - 1]), mapY(st.psd[i - 1]), mapX(st.freq[i]),
                          mapY(st.psd[i]));
    // The curve colour appears along the whole expected path ...
    int found = 0;
    for (int i = 0; i < st.n; i += 5) {
        const int cx = int(mapX(st.freq[i])), cy = int(mapY(st.psd[i]));
        bool hit = false;
        for (int dy = -2; dy <= 2 && !hit; ++dy)
            for (int dx = -2; dx <= 2 && !hit; ++dx)
                hit = img.valid(cx + dx, cy + dy) && img.pixel(cx + dx, cy + dy) == curve;
        found += hit;
    }
    QCOMPARE(found, (st.n + 4) / 5);
    // ... and nowhere else.
    int curvePixels = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, y) != curve) continue;
            ++curvePixels;
            double d = 1e9;
            for (const QLineF& s : path)
                d = std::min(d, distanceToSegment(QPointF(x + 0.5, y + 0.5), s));
            QVERIFY2(d < 2.0,
                     qPrintable(QString("curve pixel at %1,%2 is %3 px off").arg(x).arg(y).arg(d)));
        }
    QVERIFY(curvePixels > 400);
    // Background inside the plot area away from the curve, and in the corners.
    QCOMPARE(img.pixel(int(mapX(40)), int(mapY(-10))), background); // above the tail
    QCOMPARE(img.pixel(int(mapX(3)), int(mapY(-20))), background);  // above the start
    QCOMPARE(img.pixel(2, img.height() - 3), background);
    QCOMPARE(img.pixel(img.width() / 2, img.height() - 3), background);
}

void TestPlotRender::imageScaleFactorNote() {
    // The note's lines, and ink at the bottom left where they stand.
    auto note = [](const PlotInput& in, int* ink) {
        PlotCanvas canvas(QSize(640, 480));
        OutputText out;
        PlotLayout layout;
        DrawExtras extras;
        extras.layout = &layout;
        startPlot(canvas, in, PlotOptions{}, out, fixedTime(), nullptr, extras);
        QStringList lines;
        for (const TextBox& t : layout.texts)
            if (t.role == "scaleNote") lines << t.text;
        *ink = 0;
        double below = layout.frame.bottom();
        for (const TextBox& t : layout.texts)
            if (t.role == "xLabel") below = std::max(below, t.box.bottom());
        for (int y = int(below) + 1; y < 480; ++y)
            for (int x = 0; x < 25; ++x) // left of the x caption
                *ink += canvas.image().pixel(x, y) != qRgb(192, 192, 192);
        return lines;
    };
    PlotInput normalised = resonance(64); // 0..0.5: X-axis = 10E-2
    PlotInput hertz = resonance(64);
    for (float& f : hertz.frequencies) f *= 20; // 0..10: no exponent
    int ink = 0;
    QCOMPARE(note(normalised, &ink),
             QStringList({"Scale Factor", "============", "X-axis = 10E-2"}));
    QVERIFY(ink > 20);
    QCOMPARE(note(hertz, &ink), QStringList());
    QCOMPARE(ink, 0);
}

void TestPlotRender::overrideClipsCurve_data() {
    QTest::addColumn<QString>("xMin");
    QTest::addColumn<QString>("xStep");
    QTest::addColumn<QString>("yMin");
    QTest::addColumn<QString>("yStep");
    QTest::newRow("around the peak") << "0.15"
                                     << "0.01"
                                     << "-30"
                                     << "6";
    QTest::newRow("left half, exponent") << "0"
                                         << "0.02"
                                         << "-45"
                                         << "5";
    QTest::newRow("wider than the data") << "-0.2"
                                         << "0.1"
                                         << "-80"
                                         << "20";
}

void TestPlotRender::overrideClipsCurve() {
    QFETCH(QString, xMin);
    QFETCH(QString, xStep);
    QFETCH(QString, yMin);
    QFETCH(QString, yStep);
    const PlotInput in = resonance(401);
    PlotOptions opt;
    opt.gridLines = 0;
    opt.xOverride = {true, xMin, xStep};
    opt.yOverride = {true, yMin, yStep};
    PlotCanvas canvas(QSize(800, 600));
    OutputText out;
    const PlotScale st = startPlot(canvas, in, opt, out, fixedTime());
    const QRectF frame = frameRect(st, canvas.size()).adjusted(-1.5, -1.5, 1.5, 1.5);
    const QRgb curve = qRgb(0, 0, 255);
    int inside = 0, outside = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            if (canvas.image().pixel(x, y) == curve)
                ++(frame.contains(QPointF(x + 0.5, y + 0.5)) ? inside : outside);
    QVERIFY(inside > 100);
    QCOMPARE(outside, 0);
}

void TestPlotRender::noiseVarianceOnlyForModels() {
    // Methods without a model leave the engine's noise variance untouched: it is not shown.
    for (const bool parametric : {true, false}) {
        PlotInput in = resonance(101);
        in.parametric = parametric;
        PlotLayout layout;
        DrawExtras extras;
        extras.layout = &layout;
        renderPlotImage(in, PlotOptions{}, QSize(800, 600), fixedTime(), nullptr, extras);
        QStringList info;
        for (const TextBox& t : layout.texts)
            if (t.role == "runInfo") info << t.text;
        QStringList expected = {"Time (sec.): 0  to 255", "zeroFill = 0%"};
        if (parametric) expected << "Noise Variance = 0.125";
        QCOMPARE(info, expected);
    }
    QVERIFY(lumetra::plot::methodIsParametric("Burg"));
    QVERIFY(lumetra::plot::methodIsParametric("Lockheed (Autocorr/Burg)"));
    QVERIFY(!lumetra::plot::methodIsParametric("Periodogram"));
    QVERIFY(!lumetra::plot::methodIsParametric("Blackman-Tukey"));
    QVERIFY(!lumetra::plot::methodIsParametric("MVSE"));
}

void TestPlotRender::blackAndWhiteCarryOver() {
    PlotInput in = resonance(101);
    for (float& v : in.spectrum) v -= 5; // -45..-7: horizontal axis at the bottom
    PlotOptions opt;
    opt.blackAndWhite = true;
    opt.gridLines = 0;
    PlotCanvas canvas(QSize(640, 480));
    QCOMPARE(canvas.lineStyle(), Qt::SolidLine);
    OutputText out;
    const PlotScale st = startPlot(canvas, in, opt, out, fixedTime());
    QCOMPARE(canvas.lineStyle(), Qt::DashLine);
    // Gaps along the horizontal axis row, between the plot edges.
    const int x0 = int(toPixelX(st, st.xMin, 640)) + 3, x1 = int(toPixelX(st, st.xMax, 640)) - 3;
    const double axisY = toPixelY(st, horizontalAxisY(st.yMin, st.yMax), 480);
    auto gapsOnAxis = [&](const QImage& img) {
        int best = -1, gaps = 0;
        for (int row = int(axisY) - 1; row <= int(axisY) + 1; ++row) {
            int black = 0, white = 0;
            for (int x = x0; x < x1; ++x) (img.pixel(x, row) == qRgb(0, 0, 0) ? black : white)++;
            if (black > best) best = black, gaps = white;
        }
        return gaps;
    };
    QCOMPARE(gapsOnAxis(canvas.image()), 0); // first plot: solid axis
    startPlot(canvas, in, opt, out, fixedTime());
    QVERIFY(gapsOnAxis(canvas.image()) > 20); // second plot: dashed axis
    // Leaving black-and-white mode: the colour plot draws solid axes again.
    opt.blackAndWhite = false;
    const PlotScale colour = startPlot(canvas, in, opt, out, fixedTime());
    QCOMPARE(canvas.lineStyle(), Qt::SolidLine);
    const QRgb axes = opt.penColor(Axes).rgb();
    const int cx0 = int(toPixelX(colour, colour.xMin, 640)) + 3;
    const int cx1 = int(toPixelX(colour, colour.xMax, 640)) - 3;
    const int row = int(toPixelY(colour, horizontalAxisY(colour.yMin, colour.yMax), 480));
    int best = 0;
    for (int r = row - 1; r <= row + 1; ++r) {
        int on = 0;
        for (int x = cx0; x < cx1; ++x) on += (canvas.image().pixel(x, r) | 0xFF000000u) == axes;
        best = std::max(best, on);
    }
    QCOMPARE(best, cx1 - cx0);
}

void TestPlotRender::curve2ChangesNothing() {
    const PlotInput in = resonance(101);
    PlotOptions a, b, c;
    b.colors[Curve2] = 0x123456;
    c.colors[Curve1] = 0x123456;
    const QImage base = renderPlotImage(in, a, QSize(400, 300), fixedTime());
    QCOMPARE(renderPlotImage(in, b, QSize(400, 300), fixedTime()), base);
    QVERIFY(renderPlotImage(in, c, QSize(400, 300), fixedTime()) != base);
}

void TestPlotRender::heldCurvesModel() {
    HeldCurves held;
    QVERIFY(held.empty());
    for (int i = 0; i < kMaxHeldCurves; ++i) {
        PlotInput in = resonance(16);
        in.jobName = QString("job%1").arg(i);
        QVERIFY(held.hold(in));
    }
    QVERIFY(held.full());
    QVERIFY(!held.hold(resonance(16)));
    QCOMPARE(held.count(), kMaxHeldCurves);
    QCOMPARE(held.curves().front().jobName, QString("job0")); // oldest first
    QCOMPARE(held.curves().back().jobName, QString("job7"));
    held.clear();
    QVERIFY(held.empty() && !held.full());
}

void TestPlotRender::heldCurvePens() {
    PlotOptions colour, bw;
    bw.blackAndWhite = true;
    QCOMPARE(heldCurvePen(colour, 0, 1).color(), colour.penColor(Curve2));
    QList<QRgb> colours;
    QList<QList<qreal>> dashes;
    for (int i = 0; i < kMaxHeldCurves; ++i) {
        const QPen c = heldCurvePen(colour, i, 1);
        QCOMPARE(c.style(), Qt::SolidLine);
        QVERIFY(!colours.contains(c.color().rgb()));
        QVERIFY(c.color() != colour.penColor(Curve1));
        colours << c.color().rgb();
        const QPen b = heldCurvePen(bw, i, 1);
        QCOMPARE(b.color(), QColor(Qt::black));
        QCOMPARE(b.style(), Qt::CustomDashLine);
        QVERIFY(!dashes.contains(b.dashPattern()));
        dashes << b.dashPattern();
    }
    QCOMPARE(legendText(resonance(64)), QString("Burg, 64 pts, Ex-Burg.0"));
    PlotInput withOrders = resonance(64);
    withOrders.orders = "p=15 q=4";
    QCOMPARE(legendText(withOrders), QString("Burg p=15 q=4, 64 pts, Ex-Burg.0"));
}

void TestPlotRender::heldCurvesDrawnUnderLive() {
    const PlotInput live = resonance(201);
    PlotInput other = resonance(201);
    for (float& v : other.spectrum) v -= 12; // below the live curve
    other.jobName = "Other.0";
    PlotOptions opt;
    opt.gridLines = 0;
    const QRgb curve2 = opt.penColor(Curve2).rgb(), curve1 = opt.penColor(Curve1).rgb();
    auto count = [](const QImage& img, QRgb c, const QRectF& in) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += (img.pixel(x, y) | 0xFF000000u) == (c | 0xFF000000u) &&
                     in.contains(QPointF(x + 0.5, y + 0.5));
        return n;
    };
    // No held curve: the plot is the single-run plot, bit for bit.
    std::vector<PlotInput> none;
    DrawExtras empty;
    empty.held = &none;
    QCOMPARE(renderPlotImage(live, opt, QSize(800, 600), fixedTime(), nullptr, empty),
             renderPlotImage(live, opt, QSize(800, 600), fixedTime()));

    std::vector<PlotInput> held{other};
    PlotLayout layout;
    DrawExtras extras;
    extras.held = &held;
    extras.layout = &layout;
    const QImage img = renderPlotImage(live, opt, QSize(800, 600), fixedTime(), nullptr, extras);
    QVERIFY(count(img, curve2, layout.frame) > 300);
    QVERIFY(count(img, curve1, layout.frame) > 300);
    QCOMPARE(layout.legendSamples.size(), std::size_t(2));
    QVERIFY(count(img, curve2, layout.legendSamples[0]) > 5);
    QVERIFY(count(img, curve1, layout.legendSamples[1]) > 5);
    // The same run held: the live curve covers it wholly, since it is drawn last.
    std::vector<PlotInput> same{live};
    extras.held = &same;
    const QImage covered =
        renderPlotImage(live, opt, QSize(800, 600), fixedTime(), nullptr, extras);
    QCOMPARE(count(covered, curve2, layout.frame), 0);
    // The y range takes in the held curve, which lies below the live one.
    OutputText out;
    extras.held = &held;
    QImage sink(800, 600, QImage::Format_RGB32);
    QPainter p(&sink);
    Qt::PenStyle style = Qt::SolidLine;
    const PlotScale st = drawPlot(p, QSizeF(800, 600), style, live, opt, out, fixedTime(), extras);
    QVERIFY(st.yMin <= *std::min_element(other.spectrum.begin(), other.spectrum.end()));
}

// The y caption the renderer draws: upright, centred in the box the layout reports for it.
void TestPlotRender::rotatedCaptionInItsBox_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("640x480") << QSize(640, 480);
    QTest::newRow("1280x800") << QSize(1280, 800);
    QTest::newRow("3840x2000") << QSize(3840, 2000);
}

void TestPlotRender::rotatedCaptionInItsBox() {
    QFETCH(QSize, size);
    PlotOptions opt;
    opt.colors[Axes] = bgrFromColor(QColor(255, 0, 0));
    PlotLayout layout;
    DrawExtras extras;
    extras.layout = &layout;
    const QImage img = renderPlotImage(resonance(128), opt, size, {}, nullptr, extras);
    QRectF box;
    for (const TextBox& t : layout.texts)
        if (t.role == "yCaption") box = t.box;
    QVERIFY(!box.isEmpty());
    int x0 = img.width(), x1 = -1, y0 = img.height(), y1 = -1;
    // Red ink right of every y label: the caption alone.
    double labelsRight = 0;
    for (const TextBox& t : layout.texts)
        if (t.role == "yLabel") labelsRight = std::max(labelsRight, t.box.right());
    for (int y = 0; y < img.height(); ++y)
        for (int x = int(labelsRight) + 1; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 120 && c.blue() < 120)
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y),
                y1 = std::max(y1, y);
        }
    QVERIFY(x1 >= 0);
    QVERIFY(y1 - y0 > 4 * (x1 - x0)); // upright
    QVERIFY(box.adjusted(-1, -1, 1, 1).contains(QRectF(QPointF(x0, y0), QPointF(x1, y1))));
    const double slack = 4 * size.width() / 640.0;
    QVERIFY(std::abs((y0 + y1) / 2.0 - box.center().y()) <= slack);
}

QTEST_MAIN(TestPlotRender)
#include "tst_plot_render.moc"
