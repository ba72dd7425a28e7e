// Zoom, pan and reset arithmetic on the plotted ranges, the round ticks a zoom is shown with,
// the curve point under the cursor (against a brute-force search) and the peak marks.
#include "plot_marks.h"
#include "plot_modern.h"
#include "plot_render.h"
#include "plot_scale.h"
#include "plot_zoom.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace lumetra::plot;

Q_DECLARE_METATYPE(AxisRange)

namespace {

bool near(double a, double b, double scale) {
    return std::fabs(a - b) <= 1e-12 * std::max(1.0, std::fabs(scale));
}

// The nearest usable point by looking at every one.
std::optional<int> bruteNearest(const PlotScale& st, double realX) {
    const double t = realX / st.xFactor;
    std::optional<int> best;
    double d = std::numeric_limits<double>::infinity();
    for (int i = 0; i < st.n; ++i) {
        const float f = st.freq[size_t(i)], y = st.psd[size_t(i)];
        if (!std::isfinite(f) || !std::isfinite(y)) continue;
        const double di = std::fabs(double(f) - t);
        if (di < d) d = di, best = i;
    }
    return best;
}

// Where the renderer draws the grid lines for an override, against the override's ticks.
bool rendererGridOnTicks(const TickChoice& t, int steps) {
    const auto r = overrideRangeOf(overrideFor(t), steps);
    if (!r) return false;
    float mn = r->min, mx = r->max;
    int e = 0;
    scaleAxis(mn, mx, steps + 1, e);
    const double f = std::pow(10.0, e);
    const double lo = float(r->min / f), hi = float(r->max / f);
    for (int k = 0; k <= steps; ++k) {
        const double grid =
            steps == 10 ? XGridPositions(lo, hi)[size_t(k)] : YGridPositions(lo, hi)[size_t(k)];
        if (std::fabs(grid - (lo + (hi - lo) * k / steps)) > 1e-4 * (hi - lo)) return false;
    }
    return true;
}

} // namespace

class TestPlotZoom : public QObject {
    Q_OBJECT
  private slots:
    void zoomKeepsTheAnchor_data() {
        QTest::addColumn<AxisRange>("range");
        QTest::addColumn<double>("anchor");
        QTest::addColumn<double>("factor");
        QTest::newRow("in at the middle") << AxisRange{-0.5, 0.5} << 0.0 << 0.8;
        QTest::newRow("in near the left edge") << AxisRange{0, 0.5} << 0.01 << 0.5;
        QTest::newRow("out at the right edge") << AxisRange{0, 0.5} << 0.5 << 1.25;
        QTest::newRow("dB, anchor outside") << AxisRange{-80, -20} << 5.0 << 0.64;
        QTest::newRow("Hz scale") << AxisRange{1000, 48000} << 12345.0 << 0.1;
        QTest::newRow("tiny") << AxisRange{1e-6, 2e-6} << 1.5e-6 << 0.3;
    }
    void zoomKeepsTheAnchor() {
        QFETCH(AxisRange, range);
        QFETCH(double, anchor);
        QFETCH(double, factor);
        const AxisRange z = zoomAbout(range, anchor, factor);
        // The anchor stays at the same share of the width, and the width scales by factor.
        const double before = (anchor - range.lo) / range.width();
        const double after = (anchor - z.lo) / z.width();
        QVERIFY2(std::fabs(before - after) < 1e-12, qPrintable(QString::number(after - before)));
        QVERIFY(std::fabs(z.width() / range.width() - factor) < 1e-12);
        // In, then out by the inverse: the range again.
        const AxisRange back = zoomAbout(z, anchor, 1 / factor);
        QVERIFY(near(back.lo, range.lo, range.width() * 1e3));
        QVERIFY(near(back.hi, range.hi, range.width() * 1e3));
    }

    void panKeepsTheWidth_data() {
        QTest::addColumn<AxisRange>("range");
        QTest::addColumn<double>("delta");
        QTest::newRow("right") << AxisRange{-0.5, 0.5} << 0.125;
        QTest::newRow("left past zero") << AxisRange{0.1, 0.2} << -0.3;
        QTest::newRow("dB down") << AxisRange{-60, -10} << -12.5;
    }
    void panKeepsTheWidth() {
        QFETCH(AxisRange, range);
        QFETCH(double, delta);
        const AxisRange p = panBy(range, delta);
        QVERIFY(near(p.width(), range.width(), 1));
        QVERIFY(near(p.lo - range.lo, delta, 1));
        const AxisRange back = panBy(p, -delta);
        QVERIFY(near(back.lo, range.lo, 1) && near(back.hi, range.hi, 1));
    }

    void bandAndLimits() {
        QCOMPARE(bandRange(0.3, 0.1), (AxisRange{0.1, 0.3}));
        QCOMPARE(bandRange(0.1, 0.3), (AxisRange{0.1, 0.3}));
        // Too narrow a view grows about its anchor; too wide shrinks; a usable one stays.
        const AxisRange narrow = limitWidth({1.0, 1.0 + 1e-9}, 1.0, 1e-3, 10);
        QVERIFY(near(narrow.width(), 1e-3, 1));
        QCOMPARE(narrow.lo, 1.0);
        const AxisRange wide = limitWidth({-100, 100}, 0, 1e-3, 10);
        QVERIFY(near(wide.lo, -5, 1) && near(wide.hi, 5, 1));
        QCOMPARE(limitWidth({0, 1}, 0.5, 1e-3, 10), (AxisRange{0, 1}));
        QVERIFY(limitWidth({2, 2}, 2, 0.5, 10).width() > 0);
        // Float plotting needs some room between values around large magnitudes.
        QVERIFY(minimumWidth({48000, 48001}) >= 48000 * 1e-5);
    }

    void ticksForKnownRanges_data() {
        QTest::addColumn<AxisRange>("range");
        QTest::addColumn<int>("steps");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("step");
        QTest::newRow("positive half") << AxisRange{0, 0.5} << 10 << 0.0 << 0.05;
        QTest::newRow("both halves") << AxisRange{-0.5, 0.5} << 10 << -0.5 << 0.1;
        QTest::newRow("around a peak") << AxisRange{0.1012, 0.1093} << 10 << 0.101 << 0.001;
        QTest::newRow("dB") << AxisRange{-63, -12} << 5 << -72.0 << 12.0;
        QTest::newRow("dB narrow") << AxisRange{-3.3, 0.4} << 5 << -4.0 << 1.0;
    }
    void ticksForKnownRanges() {
        QFETCH(AxisRange, range);
        QFETCH(int, steps);
        QFETCH(double, min);
        QFETCH(double, step);
        const TickChoice t = niceTicks(range, steps);
        QCOMPARE(t.min, min);
        QCOMPARE(t.step, step);
        QVERIFY(rendererGridOnTicks(t, steps));
    }

    // Any view: the ticks cover it, are round, at most twice as wide, and nearly always the
    // renderer's grid falls on them.
    void ticksForRandomRanges() {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator rng(seed);
        double worst = 0;
        QString worstRow;
        int aligned = 0;
        for (int i = 0; i < 4000; ++i) {
            const int steps = i % 2 ? 10 : 5;
            const double scale = std::pow(10.0, rng.bounded(-4.0) + rng.bounded(8.0));
            const double lo = (rng.bounded(2.0) - 1) * scale;
            const double w = scale * std::pow(10.0, -rng.bounded(3.0));
            const AxisRange r{lo, lo + w};
            const TickChoice t = niceTicks(r, steps);
            const QString row = QString("seed %1 row %2: [%3, %4] -> %5 + %6 k")
                                    .arg(seed)
                                    .arg(i)
                                    .arg(r.lo, 0, 'g', 17)
                                    .arg(r.hi, 0, 'g', 17)
                                    .arg(t.min, 0, 'g', 17)
                                    .arg(t.step, 0, 'g', 17);
            QVERIFY2(t.min <= r.lo + 1e-9 * w && t.max(steps) >= r.hi - 1e-9 * w, qPrintable(row));
            // The step is a listed mantissa times a power of ten, the minimum a multiple of it.
            const double mant = t.step / std::pow(10.0, std::floor(std::log10(t.step) + 1e-9));
            bool listed = false;
            for (double m : {1.0, 1.2, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0})
                listed = listed || std::fabs(mant - m) < 1e-9;
            QVERIFY2(listed, qPrintable(row));
            const double k = t.min / t.step;
            QVERIFY2(std::fabs(k - std::round(k)) < 1e-6, qPrintable(row));
            // Round-off in the renderer's grid can leave a view without an aligned choice.
            aligned += rendererGridOnTicks(t, steps);
            // The texts read back as the same numbers.
            const auto back = overrideAxisRange(overrideFor(t), steps);
            QVERIFY2(back && back->lo == t.min, qPrintable(row));
            if (t.step * steps / w > worst) worstRow = row;
            worst = std::max(worst, t.step * steps / w);
            // Shown ticks chosen again, or moved by whole divisions, stay as they are.
            for (int shift : {0, 3, -7}) {
                const AxisRange moved = panBy({t.min, t.max(steps)}, shift * t.step);
                const TickChoice again = niceTicks(moved, steps);
                QVERIFY2(std::fabs(again.step - t.step) <= 1e-12 * t.step &&
                             std::fabs(again.min - moved.lo) <= 1e-9 * w,
                         qPrintable(row));
            }
        }
        qInfo("widest shown range: %.3f times the asked one (%s)", worst, qPrintable(worstRow));
        qInfo("grid on the ticks in %d of 4000 views", aligned);
        QVERIFY(worst <= 2.0 + 1e-9);
        QVERIFY(aligned >= 3800);
    }

    void pixelsAndRealUnits() {
        PlotScale st;
        st.xMin = -50, st.xMax = 50, st.xFactor = 1e-2;
        st.yMin = -80, st.yMax = 0, st.yFactor = 1;
        setPlotScaleCoordinates(st, {}, {});
        const QSizeF size(1280, 700);
        for (double x : {-0.5, -0.123, 0.0, 0.37, 0.5}) {
            const double px = toPixelX(st, x / st.xFactor, size.width());
            QVERIFY(std::fabs(realXAt(st, px, size.width()) - x) < 1e-12);
        }
        for (double y : {-80.0, -31.5, 0.0}) {
            const double py = toPixelY(st, y / st.yFactor, size.height());
            QVERIFY(std::fabs(realYAt(st, py, size.height()) - y) < 1e-9);
        }
        QVERIFY(near(shownXRange(st).lo, -0.5, 1) && near(shownXRange(st).hi, 0.5, 1));
    }

    // The readout takes pixels back through the renderer's own mapping: whatever size, zoom or
    // frame offset (held curves push a legend under the frame, long titles push it down),
    // every grid line and curve point drawn at pixel p reads back as its value.
    void readoutInvertsTheRenderer_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("zoom");
        QTest::addColumn<int>("held");
        QTest::addColumn<bool>("modern");
        for (bool modern : {false, true})
            for (QSize s : {QSize(640, 480), QSize(1280, 700), QSize(3700, 1900), QSize(400, 900)})
                for (bool z : {false, true})
                    for (int h : {0, 3})
                        QTest::newRow(qPrintable(QString("%1 %2x%3 zoom=%4 held=%5")
                                                     .arg(modern ? "modern" : "classic")
                                                     .arg(s.width())
                                                     .arg(s.height())
                                                     .arg(z)
                                                     .arg(h)))
                            << s << z << h << modern;
    }
    void readoutInvertsTheRenderer() {
        QFETCH(QSize, size);
        QFETCH(bool, zoom);
        QFETCH(int, held);
        QFETCH(bool, modern);
        if (modern) {
            modernReadoutInvertsTheDrawing(size, zoom, held);
            return;
        }
        PlotInput in;
        const int n = 512;
        for (int i = 0; i < n; ++i) {
            in.frequencies.push_back(float(-0.5 + double(i) / n));
            in.spectrum.push_back(float(-40 + 30 * std::cos(0.05 * i)));
        }
        in.nFreqPts = n;
        in.methodName = "Burg";
        in.jobPath = "/tmp/a/very/long/folder/name/for/the/path/line/ex-burg.0";
        std::vector<PlotInput> heldCurves(size_t(held), in);
        PlotOptions opt;
        if (zoom) {
            opt.xOverride = overrideFor(niceTicks({0.11, 0.23}, 10));
            opt.yOverride = overrideFor(niceTicks({-31, -12}, 5));
        }
        QImage img(size, QImage::Format_RGB32);
        QPainter p(&img);
        Qt::PenStyle style = Qt::SolidLine;
        OutputText out;
        PlotLayout layout;
        DrawExtras extras;
        extras.held = &heldCurves;
        extras.layout = &layout;
        const PlotScale st = drawPlot(p, QSizeF(size), style, in, opt, out, {}, extras);
        // The frame does not start at the canvas's corner: the mapping must know where it is.
        QVERIFY(layout.frame.left() > 0 && layout.frame.top() > 10);
        QCOMPARE(frameRect(st, QSizeF(size)), layout.frame);
        const double W = size.width(), H = size.height();
        for (int i = 0; i < st.n; i += 7) {
            const double x = st.freq[size_t(i)], y = st.psd[size_t(i)];
            const double px = toPixelX(st, x, W), py = toPixelY(st, y, H);
            QVERIFY(std::fabs(realXAt(st, px, W) - x * st.xFactor) <= 1e-9 * st.xFactor);
            QVERIFY(std::fabs(realYAt(st, py, H) - y * st.yFactor) <= 1e-9);
            // Pixel -> value -> pixel comes back to the pixel.
            const double back = toPixelX(st, realXAt(st, px + 0.5, W) / st.xFactor, W);
            QVERIFY(std::fabs(back - (px + 0.5)) < 1e-6);
            // The point under a drawn point's pixel is that point (or one drawn on the same
            // pixel column).
            const auto k = nearestCurvePoint(st, realXAt(st, std::round(px), W));
            QVERIFY(k);
            QVERIFY(std::fabs(toPixelX(st, st.freq[size_t(*k)], W) - px) <= 1.0);
        }
    }

    // The modern view's mapping: the grid lines and curve points it draws read back as their
    // values, the frame away from the canvas's corner, zoomed or not.
    void modernReadoutInvertsTheDrawing(QSize size, bool zoom, int held) {
        ModernCurve live;
        const int n = 512;
        for (int i = 0; i < n; ++i) {
            live.frequencyHz.push_back(-4000 + 8000.0 * i / n);
            live.densityDb.push_back(-60 + 30 * std::cos(0.05 * i));
        }
        live.label = "Burg p=8, 512 points, ex-burg.0";
        std::vector<ModernCurve> heldCurves(size_t(held), live);
        ModernView view;
        if (zoom) view = {AxisRange{1100, 2300}, AxisRange{-71, -52}};
        QImage img(size, QImage::Format_RGB32);
        QPainter p(&img);
        const auto L = drawModernPlot(p, QSizeF(size), live, heldCurves,
                                      "Burg, fs = 8 kHz, a long header line", Qt::blue, view);
        QVERIFY(L);
        QVERIFY(L->frame.left() > 10 && L->frame.top() > 10);
        if (zoom) {
            // A zoomed view is shown exactly as asked.
            QCOMPARE(L->xLo, 1100.0);
            QCOMPARE(L->xHi, 2300.0);
            QCOMPARE(L->yLo, -71.0);
            QCOMPARE(L->yHi, -52.0);
        }
        const double ftol = 1e-9 * (L->xHi - L->xLo), dtol = 1e-9 * (L->yHi - L->yLo);
        for (double t : L->xTicks) {
            const double px = modernPixelX(*L, t);
            QVERIFY(px >= L->frame.left() - 1e-6 && px <= L->frame.right() + 1e-6);
            QVERIFY(std::fabs(modernHzAt(*L, px) - t) <= ftol);
        }
        for (double t : L->yTicks)
            QVERIFY(std::fabs(modernDbAt(*L, modernPixelY(*L, t)) - t) <= dtol);
        for (int i = 0; i < n; i += 7) {
            const double x = live.frequencyHz[size_t(i)], y = live.densityDb[size_t(i)];
            const double px = modernPixelX(*L, x), py = modernPixelY(*L, y);
            QVERIFY(std::fabs(modernHzAt(*L, px) - x) <= ftol);
            QVERIFY(std::fabs(modernDbAt(*L, py) - y) <= dtol);
            // Pixel -> value -> pixel comes back to the pixel.
            QVERIFY(std::fabs(modernPixelX(*L, modernHzAt(*L, px + 0.5)) - (px + 0.5)) < 1e-6);
            QVERIFY(std::fabs(modernPixelY(*L, modernDbAt(*L, py - 0.5)) - (py - 0.5)) < 1e-6);
        }
    }

    void zoomStopsAtTheData() {
        const AxisRange data{0, 0.5};
        auto same = [](AxisRange a, AxisRange b) {
            return std::fabs(a.lo - b.lo) < 1e-12 && std::fabs(a.hi - b.hi) < 1e-12;
        };
        // Inside: unchanged; past an edge: moved back with its width; wider than the data:
        // left alone (the whole plot on its round ticks).
        QVERIFY(same(keepWithin({0.1, 0.2}, data), AxisRange{0.1, 0.2}));
        QVERIFY(same(keepWithin({0.45, 0.72}, data), AxisRange{0.23, 0.5}));
        QVERIFY(same(keepWithin({-0.1, 0.1}, data), AxisRange{0, 0.2}));
        QVERIFY(same(keepWithin({0.5, 1.0}, data), AxisRange{0, 0.5}));
        QVERIFY(same(keepWithin({-0.1, 0.6}, data), AxisRange{-0.1, 0.6}));
        QVERIFY(same(keepWithin({3, 4}, AxisRange{1, 1}), AxisRange{3, 4}));
        PlotInput live;
        live.frequencies = {0, 0.25, 0.5, std::numeric_limits<float>::quiet_NaN()};
        live.spectrum = {-10, 0, -40, 5};
        live.nFreqPts = 4;
        PlotInput other = live;
        other.frequencies = {-0.5, 0, 0.25, 0.5};
        other.spectrum = {-60, -5, -20, 3};
        const CurveRanges r = curveRanges(live, {other});
        QCOMPARE(r.x, (AxisRange{-0.5, 0.5}));
        QCOMPARE(r.y, (AxisRange{-60, 3}));
    }

    void nearestPointAgainstBruteForce() {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator rng(seed);
        for (int trial = 0; trial < 300; ++trial) {
            PlotScale st;
            st.n = 1 + int(rng.bounded(400));
            st.xFactor = trial % 3 == 0 ? 1e-2 : 1;
            const bool sorted = trial % 4 != 3;
            const bool coarse = trial % 5 == 0; // many equal frequencies: ties
            for (int i = 0; i < st.n; ++i) {
                float f = float(rng.bounded(200.0) - 100);
                if (coarse) f = std::round(f / 10) * 10;
                st.freq.push_back(f);
                float y = float(rng.bounded(100.0) - 90);
                if (rng.bounded(20) == 0) y = std::numeric_limits<float>::quiet_NaN();
                if (rng.bounded(40) == 0) y = std::numeric_limits<float>::infinity();
                st.psd.push_back(y);
            }
            if (sorted) std::sort(st.freq.begin(), st.freq.end());
            for (int q = 0; q < 40; ++q) {
                double x = (rng.bounded(260.0) - 130) * st.xFactor;
                if (q % 7 == 0) x = double(st.freq[size_t(rng.bounded(st.n))]) * st.xFactor;
                const auto want = bruteNearest(st, x);
                const auto got = nearestCurvePoint(st, x);
                QVERIFY2(want == got, qPrintable(QString("seed %1 trial %2 x %3: %4 vs %5")
                                                     .arg(seed)
                                                     .arg(trial)
                                                     .arg(x)
                                                     .arg(got ? *got : -1)
                                                     .arg(want ? *want : -1)));
            }
        }
        PlotScale empty;
        QVERIFY(!nearestCurvePoint(empty, 0));
    }

    // The strongest peaks by prominence, not by height alone; a shoulder on a big peak is not
    // picked over a lower but distinct one; grid ends only as true maxima.
    void peaksByProminence_data() {
        QTest::addColumn<QList<float>>("y");
        QTest::addColumn<QList<int>>("want"); // most prominent first
        // 1 and 5 are equally prominent (4 dB): the lower frequency first.
        QTest::newRow("distinct peaks") << QList<float>{0, 5, 1, 3, 2, 8, 4} << QList<int>{1, 5, 3};
        // The ripple at 2 sits on the flank of 4: prominence 1, the lone peak at 7 has 6.
        QTest::newRow("ripple on a flank")
            << QList<float>{0, 3, 5, 4, 9, 2, 1, 7, 1} << QList<int>{4, 7, 2};
        QTest::newRow("left end highest") << QList<float>{9, 1, 5, 1, 2, 0} << QList<int>{0, 2, 4};
        QTest::newRow("end below the top is no peak")
            << QList<float>{0, 7, 1, 2, 5} << QList<int>{1};
        QTest::newRow("rising end above all") << QList<float>{0, 4, 1, 2, 6} << QList<int>{4, 1};
        QTest::newRow("plateau counts once")
            << QList<float>{0, 3, 3, 3, 0, 1, 0} << QList<int>{2, 5};
        QTest::newRow("flat") << QList<float>{2, 2, 2, 2} << QList<int>{};
    }
    void peaksByProminence() {
        QFETCH(QList<float>, y);
        QFETCH(QList<int>, want);
        PlotScale st;
        st.n = int(y.size());
        for (int i = 0; i < st.n; ++i) st.freq.push_back(float(i));
        st.psd.assign(y.begin(), y.end());
        st.xMin = 0, st.xMax = float(st.n - 1);
        std::vector<int> got = prominentPeaks(st, 20);
        QCOMPARE(QList<int>(got.begin(), got.end()), want);
        // The count is kept, strongest first.
        if (!want.isEmpty()) QCOMPARE(prominentPeaks(st, 1), std::vector<int>{want.first()});
    }

    // Against a brute force over random curves: prominence as scipy defines it.
    void prominenceAgainstBruteForce() {
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator rng(seed);
        for (int trial = 0; trial < 200; ++trial) {
            std::vector<float> y(size_t(5 + rng.bounded(40)));
            for (float& v : y) v = float(rng.bounded(12));
            const int n = int(y.size());
            for (int i = 1; i + 1 < n; ++i) {
                if (!(y[size_t(i - 1)] < y[size_t(i)] && y[size_t(i)] > y[size_t(i + 1)])) continue;
                // Lowest point between i and the first higher point (or the end), per side.
                double base = -1e30;
                for (int dir : {-1, 1}) {
                    double low = y[size_t(i)];
                    for (int k = i + dir; k >= 0 && k < n && y[size_t(k)] <= y[size_t(i)]; k += dir)
                        low = std::min<double>(low, y[size_t(k)]);
                    base = std::max(base, low);
                }
                QVERIFY2(peakProminence(y, 0, n - 1, i) == y[size_t(i)] - base,
                         qPrintable(QString("seed %1 trial %2 i %3").arg(seed).arg(trial).arg(i)));
            }
        }
    }

    void labelsShareTheirDigits() {
        QCOMPARE(peakLabelTexts({0.057495, 0.1438}), QStringList({"0.0575", "0.144"}));
        // Two that three digits cannot tell apart get four, both of them.
        QCOMPARE(peakLabelTexts({0.19922, 0.19941, 0.3}),
                 QStringList({"0.1992", "0.1994", "0.3000"}));
        QCOMPARE(peakLabelTexts({0, 1250, 25.5}), QStringList({"0", "1250", "25.5"}));
        QCOMPARE(peakLabelTexts({-0.25, 0.25}), QStringList({"-0.250", "0.250"}));
    }

    void segmentsAgainstRectangles() {
        const QRectF r(10, 10, 20, 10);
        QVERIFY(segmentTouchesRect(QLineF(0, 15, 40, 15), r));  // through
        QVERIFY(segmentTouchesRect(QLineF(12, 12, 14, 14), r)); // inside
        QVERIFY(segmentTouchesRect(QLineF(0, 0, 20, 30), r));   // diagonal across a corner part
        QVERIFY(!segmentTouchesRect(QLineF(0, 0, 40, 0), r));   // above
        QVERIFY(!segmentTouchesRect(QLineF(0, 10, 9, 30), r));  // beside, bounds overlap
    }

    // Marked plots from the renderer: no label covers another, a triangle, a text of the
    // layout, or comes within the clearance of any curve or axis line; labels stay in the
    // frame. Several sizes, with and without held curves.
    void peakLabelsCoverNothing_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("held");
        for (QSize s : {QSize(640, 480), QSize(800, 600), QSize(1920, 1080), QSize(3840, 2160)})
            for (int h : {0, 2})
                QTest::newRow(
                    qPrintable(QString("%1x%2 held=%3").arg(s.width()).arg(s.height()).arg(h)))
                    << s << h;
    }
    void peakLabelsCoverNothing() {
        QFETCH(QSize, size);
        QFETCH(int, held);
        PlotInput in;
        const int n = 1024;
        QRandomGenerator rng(7);
        for (int i = 0; i < n; ++i) {
            const double f = -0.5 + double(i) / n;
            in.frequencies.push_back(float(f));
            // Two lines, a bump and ripple everywhere: fifty-odd local maxima.
            double v = -40 + 3 * std::sin(0.9 * i) + rng.generateDouble();
            v += 35 * std::exp(-std::pow((f - 0.2) / 0.004, 2));
            v += 30 * std::exp(-std::pow((f - 0.21) / 0.004, 2));
            v += 15 * std::exp(-std::pow((f + 0.3) / 0.05, 2));
            in.spectrum.push_back(float(v));
        }
        in.nFreqPts = n;
        in.methodName = "Periodogram";
        in.jobPath = "/tmp/jobs/Perio.1";
        std::vector<PlotInput> heldCurves(size_t(held), in);
        for (size_t k = 0; k < heldCurves.size(); ++k)
            for (float& v : heldCurves[k].spectrum) v -= 8.0f * float(k + 1);
        PlotLayout layout;
        DrawExtras extras;
        extras.held = &heldCurves;
        extras.layout = &layout;
        extras.peakMarks = 5;
        QImage img(size, QImage::Format_RGB32);
        QPainter p(&img);
        Qt::PenStyle style = Qt::SolidLine;
        OutputText out;
        PlotEnvironment env;
        env.timestamp = QDateTime(QDate(2026, 12, 8), QTime(9, 5)); // both drawings alike
        const PlotScale st = drawPlot(p, QSizeF(size), style, in, PlotOptions{}, out, env, extras);
        QCOMPARE(int(layout.peakTriangles.size()), 5);
        std::vector<QRectF> labels, others;
        for (const TextBox& t : layout.texts)
            (t.role == "peakLabel" ? labels : others).push_back(t.box);
        QVERIFY2(labels.size() >= 3, qPrintable(QString::number(labels.size())));
        const double clearance =
            std::max(2.0, 3 * std::min(size.width() / 640.0, size.height() / 480.0));
        for (size_t a = 0; a < labels.size(); ++a) {
            const QRectF& l = labels[a];
            QVERIFY(layout.frame.contains(l));
            for (size_t b = a + 1; b < labels.size(); ++b) QVERIFY(!l.intersects(labels[b]));
            for (const QRectF& o : others) QVERIFY(!l.intersects(o));
            for (const QPolygonF& t : layout.peakTriangles)
                QVERIFY(!l.intersects(t.boundingRect()));
            const QRectF grown = l.adjusted(-clearance, -clearance, clearance, clearance);
            for (const QLineF& c : layout.curveLines) QVERIFY(!segmentTouchesRect(c, grown));
        }
        // The two strong lines (0.2 and 0.21) are both among the marks.
        int strong = 0;
        for (const QPolygonF& t : layout.peakTriangles) {
            const double f = realXAt(st, t.first().x(), size.width());
            strong += std::fabs(f - 0.2) < 0.003 || std::fabs(f - 0.21) < 0.003;
        }
        QCOMPARE(strong, 2);
        // The same marks on any device: the picture drawn again is the same.
        QImage again(size, QImage::Format_RGB32);
        {
            QPainter q(&again);
            Qt::PenStyle s2 = Qt::SolidLine;
            DrawExtras e2 = extras;
            e2.layout = nullptr;
            drawPlot(q, QSizeF(size), s2, in, PlotOptions{}, out, env, e2);
        }
        p.end();
        // Within the frame (large title glyphs may be drawn from a cache the second time).
        const QRect frame = layout.frame.toAlignedRect();
        QCOMPARE(again.copy(frame), img.copy(frame));
    }
};

QTEST_MAIN(TestPlotZoom)
#include "tst_plot_zoom.moc"
