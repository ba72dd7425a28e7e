// The modern view's drawing on prepared data (density in dB/Hz against Hz): round 1-2-5 ticks
// with 0 among them, engineering prefixes instead of a scale-factor block, a white background,
// curve colours apart from each other and from the saved Curve1 colour, one header line, the
// readout in the same units, and an overlay of both views refused.
#include "plot_modern.h"
#include "plot_modern_output.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace lumetra::plot;

Q_DECLARE_METATYPE(AxisRange)

namespace {

// A two-line density over 0..fs/2 as the modern profile gives it (dB/Hz).
ModernCurve twoLines(double fs, int n, double offset = 0) {
    ModernCurve c;
    for (int i = 0; i < n; ++i) {
        const double f = fs / 2 * i / (n - 1);
        const double v = 1e-3 + 1 / (1 + std::pow((f - 0.2 * fs) / (0.005 * fs), 2)) +
                         0.3 / (1 + std::pow((f - 0.3 * fs) / (0.01 * fs), 2));
        c.frequencyHz.push_back(f);
        c.densityDb.push_back(10 * std::log10(v) + offset);
    }
    c.label = QStringLiteral("Periodogram, %1 pts").arg(n);
    return c;
}

} // namespace

class TestPlotModern : public QObject {
    Q_OBJECT
  private slots:
    void ticksAreRound_data() {
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<QList<double>>("want");
        QTest::newRow("0..500 Hz") << 0.0 << 500.0 << QList<double>{0, 100, 200, 300, 400, 500};
        QTest::newRow("-73..12 dB") << -73.0 << 12.0 << QList<double>{-60, -40, -20, 0};
        QTest::newRow("across 0") << -0.5 << 0.5 << QList<double>{-0.4, -0.2, 0, 0.2, 0.4};
        QTest::newRow("narrow") << 1.0031 << 1.0049 << QList<double>{1.0035, 1.004, 1.0045};
    }
    void ticksAreRound() {
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(QList<double>, want);
        const std::vector<double> got = roundTicks(lo, hi, 7);
        QCOMPARE(int(got.size()), int(want.size()));
        for (std::size_t k = 0; k < got.size(); ++k)
            QVERIFY2(std::fabs(got[k] - want[int(k)]) <
                         1e-9 * std::max(1.0, std::fabs(want[int(k)])),
                     qPrintable(QString::number(got[k], 'g', 12)));
    }

    // Any range: steps of 1, 2 or 5 times a power of ten, ticks on whole multiples, inside the
    // range, at most the number asked for, and 0 whenever the range holds it.
    void ticksForRandomRanges() {
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator rng(seed);
        for (int trial = 0; trial < 2000; ++trial) {
            const double scale = std::pow(10.0, rng.bounded(-6, 7));
            const double a = (rng.generateDouble() * 2 - 1) * scale;
            const double b = a + rng.generateDouble() * scale * 3 + scale * 1e-3;
            const int most = 4 + int(rng.bounded(8));
            const std::vector<double> t = roundTicks(a, b, most);
            const QString row = QString("seed %1 trial %2").arg(seed).arg(trial);
            QVERIFY2(!t.empty() && int(t.size()) <= most, qPrintable(row));
            if (t.size() < 2) continue;
            const double step = t[1] - t[0];
            const double mant = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
            QVERIFY2(std::fabs(mant - 1) < 1e-6 || std::fabs(mant - 2) < 1e-6 ||
                         std::fabs(mant - 5) < 1e-6,
                     qPrintable(row));
            for (double v : t) {
                QVERIFY2(v >= a - 1e-9 * step && v <= b + 1e-9 * step, qPrintable(row));
                QVERIFY2(std::fabs(v / step - std::round(v / step)) < 1e-6, qPrintable(row));
            }
            if (a <= 0 && b >= 0)
                QVERIFY2(std::find(t.begin(), t.end(), 0.0) != t.end(), qPrintable(row));
        }
    }

    void engineeringNotation() {
        QCOMPARE(engineeringFor(480).prefix, QString());
        QCOMPARE(engineeringFor(22050).prefix, QString("k"));
        QCOMPARE(engineeringFor(0.5).prefix, QString("m"));
        QCOMPARE(engineeringFor(2.5e6).exponent, 6);
        QCOMPARE(engineeringText(12500, engineeringFor(22050), 2500), QString("12.5"));
        QCOMPARE(engineeringText(0.25, engineeringFor(0.5), 0.05), QString("250"));
        QCOMPARE(engineeringText(0, engineeringFor(0.5), 0.1), QString("0"));
        QCOMPARE(engineeringText(-40, Engineering{}, 20), QString("-40"));
        QCOMPARE(modernReadout(12500, -41.237), QString("Frequency 12.5 kHz   PSD -41.24 dB/Hz"));
    }

    // Curve colours: apart from each other and from whatever Curve1 colour the user saved.
    void paletteStaysApartFromCurve1_data() {
        QTest::addColumn<QColor>("curve1");
        QTest::newRow("default blue") << QColor(0, 0, 255);
        QTest::newRow("saved green") << QColor(0, 128, 0);
        QTest::newRow("saved orange") << QColor(230, 120, 0);
        QTest::newRow("saved sky") << QColor(90, 180, 230);
        QTest::newRow("Okabe-Ito blue") << QColor(0, 114, 178);
    }
    void paletteStaysApartFromCurve1() {
        QFETCH(QColor, curve1);
        const std::vector<QColor> c = curveColors(4, curve1);
        QCOMPARE(int(c.size()), 4);
        for (std::size_t i = 0; i < c.size(); ++i) {
            QVERIFY2(!colorsClose(c[i], curve1), qPrintable(c[i].name()));
            QVERIFY(!colorsClose(c[i], Qt::white));
            for (std::size_t j = i + 1; j < c.size(); ++j) QVERIFY(!colorsClose(c[i], c[j]));
        }
    }

    void drawsOnWhiteWithOneHeaderLine() {
        const QSize size(800, 600);
        QImage img(size, QImage::Format_RGB32);
        img.fill(Qt::black);
        ModernCurve live = twoLines(1000, 513);
        ModernCurve held = twoLines(1000, 513, -12);
        held.label = "Burg p=15, 513 pts";
        std::optional<ModernLayout> L;
        {
            QPainter p(&img);
            L = drawModernPlot(p, QSizeF(size), live, {held},
                               "Periodogram \u00b7 64 samples \u00b7 fs 1 kHz \u00b7 Ex-Perio.0",
                               QColor(0, 0, 255));
        }
        QVERIFY(L);
        QCOMPARE(L->xCaption, QString("Frequency (Hz)"));
        QCOMPARE(L->yCaption, QString("PSD (dB/Hz)"));
        QCOMPARE(QList<QString>(L->xLabels.begin(), L->xLabels.end()).first(), QString("0"));
        QVERIFY(std::find(L->yTicks.begin(), L->yTicks.end(), 0.0) != L->yTicks.end());
        // White everywhere but ink: most of the canvas, and all four corners.
        int white = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) white += img.pixel(x, y) == 0xFFFFFFFFu;
        QVERIFY(white > size.width() * size.height() * 3 / 4);
        for (QPoint c : {QPoint(0, 0), QPoint(799, 0), QPoint(0, 599), QPoint(799, 599)})
            QCOMPARE(img.pixel(c), 0xFFFFFFFFu);
        // Both curves are drawn in their own colours inside the frame.
        for (const QColor& c : L->colors) {
            int n = 0;
            for (int y = int(L->frame.top()); y < int(L->frame.bottom()); ++y)
                for (int x = int(L->frame.left()); x < int(L->frame.right()); ++x)
                    n += QColor(img.pixel(x, y)) == c;
            QVERIFY2(n > 50, qPrintable(c.name()));
        }
        // The header is the one line above the frame.
        QVERIFY(L->frame.top() < 60);
    }

    void mixingViewsIsRefused() {
        ModernCurve classic = twoLines(1, 65);
        classic.view = PlotView::Classic;
        const ModernCurve modern = twoLines(1, 65);
        const QString why = mixedViewsMessage({classic}, PlotView::Modern);
        QVERIFY(why.contains("classic view") && why.contains("modern view"));
        QVERIFY(mixedViewsMessage({modern}, PlotView::Modern).isEmpty());
        QImage img(320, 240, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        QVERIFY(!drawModernPlot(p, QSizeF(320, 240), modern, {classic}, "x", Qt::blue));
        p.end();
        QCOMPARE(img.pixel(10, 10), 0xFF000000u); // nothing drawn
    }

    // Zoom and pan as the classic view has them: the frequency (and with Shift the dB) value
    // under the cursor stays under it through a wheel zoom, a band zooms to its values, a pan
    // carries the grabbed point along, and no view leaves the data's range.
    void zoomKeepsTheValueUnderTheCursor_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPointF>("at"); // as a share of the frame
        QTest::addColumn<double>("notches");
        QTest::addColumn<bool>("both");
        QTest::newRow("640x480 in, mid") << QSize(640, 480) << QPointF(0.5, 0.5) << 3.0 << false;
        QTest::newRow("1280x800 in, both") << QSize(1280, 800) << QPointF(0.4, 0.3) << 2.0 << true;
        QTest::newRow("3840x2160 in, both")
            << QSize(3840, 2160) << QPointF(0.63, 0.7) << 5.0 << true;
        QTest::newRow("800x600 one notch") << QSize(800, 600) << QPointF(0.2, 0.8) << 1.0 << true;
    }
    void zoomKeepsTheValueUnderTheCursor() {
        QFETCH(QSize, size);
        QFETCH(QPointF, at);
        QFETCH(double, notches);
        QFETCH(bool, both);
        const ModernCurve live = twoLines(8000, 1025);
        const CurveRanges data = modernDataRanges(live, {});
        QImage img(size, QImage::Format_RGB32);
        QPainter p(&img);
        ModernExplorer z;
        auto draw = [&] {
            return *drawModernPlot(p, QSizeF(size), live, {}, "h", Qt::blue, z.view());
        };
        const ModernLayout L0 = draw();
        const QPointF px(L0.frame.left() + at.x() * L0.frame.width(),
                         L0.frame.top() + at.y() * L0.frame.height());
        const double hz = modernHzAt(L0, px.x()), db = modernDbAt(L0, px.y());
        QVERIFY(z.zoomAt(L0, px, notches, both, data));
        const ModernLayout L1 = draw();
        const double want = std::pow(ModernExplorer::kZoomPerNotch, notches);
        QVERIFY(std::fabs((L1.xHi - L1.xLo) / (L0.xHi - L0.xLo) - want) < 1e-9);
        // The frame may move a little (the dB labels change): the value under the cursor is
        // taken back through the new layout.
        QVERIFY2(std::fabs(modernPixelX(L1, hz) - px.x()) < 0.5 + L1.frame.left() - L0.frame.left(),
                 qPrintable(QString("%1 vs %2").arg(modernPixelX(L1, hz)).arg(px.x())));
        if (both) {
            // The value stays under the cursor unless the view met the data's edge.
            QVERIFY(z.view().y);
            const AxisRange y = *z.view().y;
            const bool atEdge = std::fabs(y.lo - data.y.lo) < 1e-9 * y.width() ||
                                std::fabs(y.hi - data.y.hi) < 1e-9 * y.width();
            const double drift = std::fabs(modernPixelY(L1, db) - px.y());
            QVERIFY2(atEdge || drift < 1.0 + std::fabs(L1.frame.bottom() - L0.frame.bottom()),
                     qPrintable(QString::number(drift)));
            QVERIFY(y.lo >= data.y.lo - 1e-9 && y.hi <= data.y.hi + 1e-9);
            QVERIFY(std::fabs(y.width() / (L0.yHi - L0.yLo) - want) < 1e-9 || atEdge);
        } else {
            QVERIFY(!z.view().y);
        }
        // Zooming out stops at the data: the frequency span and dB range, the whole plot.
        QVERIFY(z.zoomAt(L1, px, -1, both, data));
        const ModernLayout half = draw();
        QVERIFY(half.xLo >= data.x.lo && half.xHi <= data.x.hi);
        z.zoomAt(half, px, -40, both, data);
        QVERIFY(!z.view().x); // the whole span is the whole plot
        const ModernLayout L2 = draw();
        QCOMPARE(L2.xLo, L0.xLo);
        QCOMPARE(L2.xHi, L0.xHi);
        if (both) {
            // The dB axis stops at the curves' range (the whole plot adds room for labels).
            QVERIFY(std::fabs(L2.yLo - data.y.lo) < 1e-9 && std::fabs(L2.yHi - data.y.hi) < 1e-9);
            // And a notch in from there zooms on.
            QVERIFY(z.zoomAt(L2, px, 1, true, data));
            QVERIFY(z.view().y->width() < 0.81 * data.y.width());
        } else {
            QVERIFY(!z.view().zoomed());
        }
        z.reset();
        QVERIFY(!z.view().zoomed());
    }

    void bandAndPanStayInTheData() {
        const ModernCurve live = twoLines(48000, 2049), held = twoLines(48000, 513, -20);
        const CurveRanges data = modernDataRanges(live, {held});
        QCOMPARE(data.x, (AxisRange{0, 24000}));
        QVERIFY(data.y.hi > data.y.lo);
        QImage img(1280, 800, QImage::Format_RGB32);
        QPainter p(&img);
        ModernExplorer z;
        auto draw = [&] {
            return *drawModernPlot(p, QSizeF(1280, 800), live, {held}, "h", Qt::blue, z.view());
        };
        const ModernLayout L0 = draw();
        // A band: the frame's edges are the band's values.
        const QRectF band(QPointF(modernPixelX(L0, 9000), modernPixelY(L0, -10)),
                          QPointF(modernPixelX(L0, 10500), modernPixelY(L0, -25)));
        QVERIFY(z.zoomToBand(L0, band, true, data));
        const ModernLayout L1 = draw();
        QVERIFY(std::fabs(L1.xLo - 9000) < 1e-6 && std::fabs(L1.xHi - 10500) < 1e-6);
        QVERIFY(std::fabs(L1.yLo + 25) < 1e-9 && std::fabs(L1.yHi + 10) < 1e-9);
        // A pan: the grabbed value follows the cursor, the width stays.
        const QPointF grab(modernPixelX(L1, 9600), modernPixelY(L1, -20));
        z.startPan(L1, grab, false);
        QVERIFY(z.panTo(grab + QPointF(-100, 40), data));
        const ModernLayout L2 = draw();
        QVERIFY(std::fabs(modernPixelX(L2, 9600) - (grab.x() - 100)) < 1e-6);
        QVERIFY(std::fabs(modernPixelY(L2, -20) - (grab.y() + 40)) <
                1e-6 + std::fabs(L2.frame.bottom() - L1.frame.bottom()));
        QVERIFY(std::fabs((L2.xHi - L2.xLo) - 1500) < 1e-6);
        // Dragged far: it stops at the data's edges.
        QVERIFY(z.panTo(grab + QPointF(1e6, -1e6), data));
        auto same = [](double a, double b) { return std::fabs(a - b) < 1e-9; };
        QCOMPARE(z.view().x->lo, data.x.lo);
        QVERIFY(same(z.view().y->lo, data.y.lo));
        QVERIFY(z.panTo(grab + QPointF(-1e6, 1e6), data));
        QVERIFY(same(z.view().x->hi, data.x.hi));
        QVERIFY(same(z.view().y->hi, data.y.hi));
        // Unzoomed, a pan has nowhere to go.
        z.reset();
        const ModernLayout L3 = draw();
        z.startPan(L3, grab, false);
        QVERIFY(!z.panTo(grab + QPointF(300, 0), data));
        QVERIFY(!z.view().zoomed());
    }

    // Save As gives what is on screen: the zoomed view, in every format.
    void savedPlotIsTheZoomedView_data() {
        QTest::addColumn<QString>("suffix");
        for (const char* s : {"png", "svg", "pdf"}) QTest::newRow(s) << QString(s);
    }
    void savedPlotIsTheZoomedView() {
        QFETCH(QString, suffix);
        QTemporaryDir dir;
        const ModernCurve live = twoLines(8000, 1025);
        const ModernView view{AxisRange{1200, 1900}, AxisRange{-20, 3}};
        QString error;
        const auto L = saveModernPlot(dir.filePath("z." + suffix), QSize(1280, 800), live, {}, "h",
                                      Qt::blue, &error, {}, view);
        QVERIFY2(L, qPrintable(error));
        QCOMPARE(L->xLo, 1200.0);
        QCOMPARE(L->xHi, 1900.0);
        QCOMPARE(L->yLo, -20.0);
        QCOMPARE(L->yHi, 3.0);
        QVERIFY(QFileInfo(dir.filePath("z." + suffix)).size() > 0);
    }
};

QTEST_MAIN(TestPlotModern)
#include "tst_plot_modern.moc"
