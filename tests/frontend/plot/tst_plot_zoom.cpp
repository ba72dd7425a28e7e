// Zoom, pan and reset arithmetic on the plotted ranges, the round ticks a zoom is shown with,
// the curve point under the cursor (against a brute-force search) and the peak marks.
#include "plot_marks.h"
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

    void peakMarksInsideTheView() {
        PlotScale st;
        st.n = 8;
        st.freq = {0, 1, 2, 3, 4, 5, 6, 7};
        st.psd = {-50, -10, -50, -30, -50, -20, -50, -40};
        st.xMin = 0, st.xMax = 5, st.yMin = -60, st.yMax = 0;
        setPlotScaleCoordinates(st, {}, {});
        PeakList peaks;
        // Index 7 is outside the shown x range; 42 is not a point at all.
        peaks.byAmplitude = {{1, 1, -10}, {5, 5, -20}, {3, 3, -30}, {7, 7, -40}, {42, 0, 0}};
        const QSizeF size(640, 480);
        const std::vector<PeakMark> marks = peakMarks(st, peaks, size, 2);
        QCOMPARE(int(marks.size()), 3);
        const int want[] = {1, 5, 3};
        for (int k = 0; k < 3; ++k) {
            const PeakMark& m = marks[size_t(k)];
            QCOMPARE(m.index, want[k]);
            QCOMPARE(m.at.x(), toPixelX(st, st.freq[size_t(m.index)], size.width()));
            QCOMPARE(m.at.y(), toPixelY(st, st.psd[size_t(m.index)], size.height()));
            QCOMPARE(m.label.isEmpty(), k >= 2); // the two highest carry their frequency
        }
        QCOMPARE(marks[0].label, QString("1"));

        // Drawn: the colour appears just above each mark and nowhere below the peaks.
        QImage img(size.toSize(), QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainter p(&img);
            drawPeakMarks(p, marks, QColor(255, 0, 128), 1.0);
        }
        auto isMark = [&](int x, int y) {
            return img.valid(x, y) && (img.pixel(x, y) | 0xFF000000u) == 0xFFFF0080u;
        };
        for (const PeakMark& m : marks) {
            bool above = false;
            for (int dy = 3; dy <= 10; ++dy)
                above = above || isMark(int(m.at.x()), int(m.at.y()) - dy);
            QVERIFY(above);
            QVERIFY(!isMark(int(m.at.x()), int(m.at.y()) + 2));
        }
        const double lowest = toPixelY(st, -30, size.height());
        for (int y = int(lowest) + 2; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) QVERIFY(!isMark(x, y));
    }

    // Labels of neighbouring peaks do not cover each other: the lower peak's is left out.
    void peakLabelsDoNotOverlap() {
        auto draw = [](const std::vector<PeakMark>& marks) {
            QImage img(300, 200, QImage::Format_RGB32);
            img.fill(Qt::white);
            QPainter p(&img);
            drawPeakMarks(p, marks, Qt::red, 1.0);
            return img;
        };
        const PeakMark high{1, QPointF(100, 100), "0.19922"};
        PeakMark close{2, QPointF(110, 104), "0.20898"};
        PeakMark far{3, QPointF(220, 104), "0.30001"};
        const QImage both = draw({high, close, far});
        PeakMark closeBare = close;
        closeBare.label.clear();
        QCOMPARE(both, draw({high, closeBare, far}));
        // Apart, both labels are written.
        QVERIFY(draw({high, far}) != draw({high, PeakMark{3, far.at, {}}}));
    }

    // A peak at the top of the frame keeps its label inside the frame, beside the mark, so it
    // never covers the titles above the plot; near the right edge it goes to the left.
    void peakLabelsStayInsideTheFrame_data() {
        QTest::addColumn<double>("x");
        QTest::newRow("room on the right") << 100.0;
        QTest::newRow("at the right edge") << 245.0;
    }
    void peakLabelsStayInsideTheFrame() {
        QFETCH(double, x);
        const QRectF frame(20, 60, 230, 120);
        QImage img(300, 200, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainter p(&img);
            drawPeakMarks(p, {PeakMark{1, QPointF(x, frame.top()), "0.20313"}}, Qt::red, 1.0,
                          frame);
        }
        const double triangle = 11; // the mark's own height above the peak, with its soft edge
        int inked = 0;
        for (int py = 0; py < img.height(); ++py)
            for (int px = 0; px < img.width(); ++px) {
                if (img.pixel(px, py) == 0xFFFFFFFFu) continue;
                ++inked;
                QVERIFY2(py >= frame.top() - triangle && px >= frame.left() - 1 &&
                             px <= frame.right() + 1,
                         qPrintable(QString("ink at %1,%2").arg(px).arg(py)));
            }
        QVERIFY(inked > 60); // the label was written, not left out
    }
};

QTEST_MAIN(TestPlotZoom)
#include "tst_plot_zoom.moc"
