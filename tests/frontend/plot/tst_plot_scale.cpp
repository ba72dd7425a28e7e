// Number texts, label patterns, axis rounding, grid positions and overrides.
#include "plot_scale.h"
#include "plot_text.h"

#include <QTest>

#include <cmath>

using namespace lumetra::plot;

class TestPlotScale : public QObject {
    Q_OBJECT
  private slots:
    void text32_data();
    void text32();
    void text64_data();
    void text64();
    void signedText();
    void labelPattern_data();
    void labelPattern();
    void scaleAxis_data();
    void scaleAxis();
    void scaleAxisExponent_data();
    void scaleAxisExponent();
    void scaleAxisProperties();
    void scaleAxisTrace();
    void scaleAxisNonFinite();
    void gridPositionsNormalised();
    void gridPositionsDecibels();
    void axisPositions();
    void prepareValues();
    void overrideValidation_data();
    void overrideValidation();
    void stepOnLeave_data();
    void stepOnLeave();
    void overrideWithExponent();
    void prefillRoundTrip();
    void screenScaling();
};

void TestPlotScale::text32_data() {
    QTest::addColumn<float>("v");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0.0f << "0";
    QTest::newRow("half") << 0.5f << "0.5";
    QTest::newRow("negative fraction") << -0.25f << "-0.25";
    QTest::newRow("plotted max") << 50.6f << "50.6";
    QTest::newRow("seven digits") << 1234567.0f << "1234567";
    QTest::newRow("eight digits") << 12345678.0f << "1.234568E+07";
    QTest::newRow("third") << 1.0f / 3.0f << "0.3333333";
    QTest::newRow("small fixed") << 0.0001f << "0.0001";
    QTest::newRow("small exponent") << 1e-5f << "1E-05";
    QTest::newRow("dB label value") << -39.92f << "-39.92";
    QTest::newRow("large") << 3e20f << "3E+20";
}

void TestPlotScale::text32() {
    QFETCH(float, v);
    QFETCH(QString, expected);
    QCOMPARE(numberText(v), expected);
}

void TestPlotScale::text64_data() {
    QTest::addColumn<double>("v");
    QTest::addColumn<QString>("expected");
    QTest::newRow("step") << 4.6 << "4.6";
    QTest::newRow("power") << 1.0 << "1";
    QTest::newRow("float widened") << static_cast<double>(0.1f) << "0.100000001490116";
    QTest::newRow("third") << 1.0 / 3.0 << "0.333333333333333";
    QTest::newRow("fifteen digits") << 123456789012345.0 << "123456789012345";
    QTest::newRow("exponent") << 1e15 << "1E+15";
    QTest::newRow("small") << 1.5e-5 << "1.5E-05";
    QTest::newRow("tiny") << -2.5e-120 << "-2.5E-120";
    QTest::newRow("whole") << 100.0 << "100";
}

void TestPlotScale::text64() {
    QFETCH(double, v);
    QFETCH(QString, expected);
    QCOMPARE(numberText(v), expected);
}

void TestPlotScale::signedText() {
    QCOMPARE(lumetra::plot::signedText(2), QString(" 2"));
    QCOMPARE(lumetra::plot::signedText(0), QString(" 0"));
    QCOMPARE(lumetra::plot::signedText(-2), QString("-2"));
    QCOMPARE(lumetra::plot::signedText(0.5f), QString(" 0.5"));
    QCOMPARE(lumetra::plot::signedText(-0.5), QString("-0.5"));
}

void TestPlotScale::labelPattern_data() {
    QTest::addColumn<double>("v");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0.0 << 1 << ".";
    QTest::newRow("whole") << 5.0 << 1 << "5.";
    QTest::newRow("rounded down") << 5.12 << 1 << "5.1";
    QTest::newRow("fraction") << 0.5 << 1 << ".5";
    QTest::newRow("negative two decimals") << -12.345 << 2 << "-12.35";
    QTest::newRow("half away from zero") << 0.25 << 1 << ".3";
    QTest::newRow("negative half") << -0.25 << 1 << "-.3";
    QTest::newRow("carry") << 99.96 << 1 << "100.";
    QTest::newRow("rounds to zero") << 0.04 << 1 << ".";
    QTest::newRow("negative rounds to zero") << -0.004 << 2 << ".";
    QTest::newRow("tiny") << 1e-9 << 2 << ".";
    QTest::newRow("float label") << static_cast<double>(0.4f) << 2 << ".4";
    QTest::newRow("long") << 1234.5678 << 2 << "1234.57";
    QTest::newRow("trailing zero dropped") << 10.20 << 2 << "10.2";
}

void TestPlotScale::labelPattern() {
    QFETCH(double, v);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(formatPattern(v, decimals), expected);
}

void TestPlotScale::scaleAxis_data() {
    QTest::addColumn<float>("min");
    QTest::addColumn<float>("max");
    QTest::addColumn<int>("count");
    QTest::addColumn<float>("expMin");
    QTest::addColumn<float>("expMax");
    QTest::addColumn<int>("expExponent");
    QTest::newRow("normalised 0..0.5") << 0.0f << 0.5f << 11 << 0.0f << 50.6f << -2;
    QTest::newRow("dB -50..0") << -50.0f << 0.0f << 6 << -50.0f << 0.4f << 0;
    QTest::newRow("flat spectrum") << -20.0f << -20.0f << 6 << -20.0f << -13.4f << 0;
    QTest::newRow("s = 100") << 0.0f << 600.0f << 6 << 0.0f << 6.0f << 2;
    QTest::newRow("s just below 100") << 0.0f << 599.4f << 6 << 0.0f << 600.0f << 0;
    QTest::newRow("small minimum rounds to 0") << 0.005f << 1.105f << 11 << 0.0f << 1.21f << 0;
    QTest::newRow("small negative minimum kept") << -0.005f << 1.1f << 11 << -0.005f << 1.205f << 0;
    QTest::newRow("minimum kept by 10% rule") << 5.99f << 6.59f << 6 << 5.99f << 6.65f << 0;
    QTest::newRow("minimum rounded down") << 5.95f << 7.15f << 6 << 5.9f << 7.16f << 0;
    QTest::newRow("negative frequencies") << -0.5f << 0.5f << 11 << -50.0f << 50.1f << -2;
}

void TestPlotScale::scaleAxis() {
    QFETCH(float, min);
    QFETCH(float, max);
    QFETCH(int, count);
    QFETCH(float, expMin);
    QFETCH(float, expMax);
    QFETCH(int, expExponent);
    int exponent = 99;
    lumetra::plot::scaleAxis(min, max, count, exponent);
    QCOMPARE(exponent, expExponent);
    QCOMPARE(min, expMin);
    QCOMPARE(max, expMax);
}

void TestPlotScale::scaleAxisExponent_data() {
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("exponent");
    QTest::newRow("0.1 no exponent") << 0.1 << 0;
    QTest::newRow("99 no exponent") << 99.0 << 0;
    QTest::newRow("100") << 100.0 << 2;
    QTest::newRow("316 rounds to k=2") << 316.0 << 2;
    QTest::newRow("1000 k=3") << 1000.0 << 2;
    QTest::newRow("10000 k=4") << 10000.0 << 4;
    QTest::newRow("0.05 k=-1") << 0.05 << -2;
    QTest::newRow("0.005 k=-2") << 0.005 << -4;
}

void TestPlotScale::scaleAxisExponent() {
    QFETCH(double, step);
    QFETCH(int, exponent);
    float mn = 0;
    float mx = static_cast<float>(step);
    int e = 99;
    lumetra::plot::scaleAxis(mn, mx, 1, e);
    QCOMPARE(e, exponent);
}

void TestPlotScale::scaleAxisProperties() {
    // Random ranges: exponent even, the rounded range covers the scaled input,
    // and it is a whole number of steps of two significant figures.
    const unsigned seed = 20261207u;
    qInfo("seed %u", seed);
    std::srand(seed);
    for (int t = 0; t < 2000; ++t) {
        const double scale = std::pow(10.0, std::rand() % 16 - 8);
        float a = static_cast<float>((std::rand() / double(RAND_MAX) - 0.5) * scale);
        float b = static_cast<float>(a + std::rand() / double(RAND_MAX) * scale);
        const int count = t % 2 ? 11 : 6;
        float mn = a, mx = b;
        int e = 0;
        lumetra::plot::scaleAxis(mn, mx, count, e);
        QVERIFY2(e % 2 == 0, qPrintable(QString("a=%1 b=%2").arg(a).arg(b)));
        const double F = std::pow(10.0, e);
        QVERIFY(mn <= static_cast<float>(a / F));
        QVERIFY(mx >= static_cast<float>(b / F) * (1 - 1e-6f) - 1e-6f);
        const double step = (double(mx) - mn) / count;
        QVERIFY(step > 0);
        const double p = std::floor(std::log10(step));
        const double m = step / std::pow(10.0, p);
        // Two significant figures up to float rounding of min and max.
        QVERIFY2(std::fabs(m * 10 - std::round(m * 10)) <
                     1e-3 * std::max(1.0, std::fabs(mx) / step),
                 qPrintable(QString("a=%1 b=%2 step=%3").arg(a).arg(b).arg(step)));
    }
}

void TestPlotScale::scaleAxisTrace() {
    OutputText out;
    float mn = 0, mx = 0.5f;
    int e = 0;
    lumetra::plot::scaleAxis(mn, mx, 11, e, &out);
    QCOMPARE(out.lines(),
             QStringList({" Min/Max/step= 0  50  4.6  1", " Min/Max/step= 0  50.6  4.6"}));
}

void TestPlotScale::scaleAxisNonFinite() {
    float mn = std::nanf(""), mx = 3.0f;
    int e = 0;
    lumetra::plot::scaleAxis(mn, mx, 6, e);
    QVERIFY(std::isfinite(mn) && std::isfinite(mx));
    QVERIFY(mx > mn);
    mn = 5.0f;
    mx = 1.0f; // reversed
    lumetra::plot::scaleAxis(mn, mx, 6, e);
    QVERIFY(mn <= 1.0f && mx >= 5.0f);
}

void TestPlotScale::gridPositionsNormalised() {
    float mn = 0, mx = 0.5f;
    int e = 0;
    lumetra::plot::scaleAxis(mn, mx, 11, e);
    const auto xs = XGridPositions(mn, mx);
    const QStringList expected = {".",    "5.1",  "10.2", "15.3", "20.4", "25.5",
                                  "30.6", "35.7", "40.8", "45.9", "51."};
    QStringList labels;
    for (double x : xs) labels << xLabelText(x);
    QCOMPARE(labels, expected);
}

void TestPlotScale::gridPositionsDecibels() {
    float mn = -50, mx = 0;
    int e = 0;
    lumetra::plot::scaleAxis(mn, mx, 6, e);
    QStringList labels;
    for (double y : YGridPositions(mn, mx)) labels << yLabelText(y);
    QCOMPARE(labels, QStringList({"-50.", "-39.92", "-29.84", "-19.76", "-9.68", ".4"}));
}

void TestPlotScale::axisPositions() {
    QCOMPARE(verticalAxisX(-50, 50.1), 0.0);
    QCOMPARE(verticalAxisX(2, 10), 2.0);
    QCOMPARE(verticalAxisX(-10, -2), -10.0);
    QCOMPARE(verticalAxisX(0, 50.6), 0.0);
    QCOMPARE(horizontalAxisY(-50, 0.4), 0.0);
    QCOMPARE(horizontalAxisY(-50, -10), -50.0);
}

void TestPlotScale::prepareValues() {
    // Frequencies given high to low: only the end points decide the range.
    const std::vector<float> f = {0.5f, 0.25f, 0.0f};
    PlotScale st;
    st.psd = {-10.0f, -50.0f, 0.0f};
    prepareXValues(st, f.data(), 3, {});
    prepareYValues(st, {});
    QCOMPARE(st.xExponent, -2);
    QCOMPARE(st.xMin, 0.0f);
    QCOMPARE(st.xMax, 50.6f);
    QCOMPARE(st.freq[0], 50.0f);
    QCOMPARE(st.freq[1], 25.0f);
    QCOMPARE(st.yMin, -50.0f);
    QCOMPARE(st.yMax, 0.4f);
    setPlotScaleCoordinates(st, {}, {});
    // 5 % margins on every side.
    QCOMPARE(toPixelX(st, st.xMin, 1100), 50.0);
    QCOMPARE(toPixelX(st, st.xMax, 1100), 1050.0);
    QVERIFY(std::fabs(toPixelY(st, st.yMax, 550) - 25.0) < 1e-9);
    QVERIFY(std::fabs(toPixelY(st, st.yMin, 550) - 525.0) < 1e-9);
}

void TestPlotScale::overrideValidation_data() {
    QTest::addColumn<QString>("minText");
    QTest::addColumn<QString>("stepText");
    QTest::addColumn<QString>("message");
    QTest::newRow("valid") << "-60"
                           << "10"
                           << "";
    QTest::newRow("valid with blanks") << " 0.5 "
                                       << " 1e-2"
                                       << "";
    QTest::newRow("min not a number") << "abc"
                                      << "1"
                                      << "Please enter a number for Y-min value.";
    QTest::newRow("min empty") << ""
                               << "1"
                               << "Please enter a number for Y-min value.";
    QTest::newRow("min trailing junk") << "5x"
                                       << "1"
                                       << "Please enter a number for Y-min value.";
    QTest::newRow("min too large") << "1e39"
                                   << "1"
                                   << "Please enter a number for Y-min value.";
    QTest::newRow("step empty") << "0"
                                << ""
                                << "Please enter a number for Y-step size.";
    QTest::newRow("step zero") << "0"
                               << "0"
                               << "Please enter a non-zero number for Y-step size.";
    QTest::newRow("step negative") << "0"
                                   << "-2"
                                   << "Please enter a positive number for Y-step size.";
    QTest::newRow("step nan") << "0"
                              << "nan"
                              << "Please enter a number for Y-step size.";
    QTest::newRow("range overflows") << "0"
                                     << "1e38"
                                     << "The Y-axis range of these values cannot be plotted.";
}

void TestPlotScale::overrideValidation() {
    QFETCH(QString, minText);
    QFETCH(QString, stepText);
    QFETCH(QString, message);
    AxisOverride ov{true, minText, stepText};
    QCOMPARE(validateOverride(ov, 'Y'), message);
    QCOMPARE(overrideRangeOf(ov, 5).has_value(), message.isEmpty());
    // An invalid override falls back to automatic scaling, never a crash.
    PlotScale st;
    st.psd = {-50.0f, 0.0f};
    prepareYValues(st, ov);
    QCOMPARE(st.yOverridden, message.isEmpty());
    QVERIFY(std::isfinite(st.yMin) && std::isfinite(st.yMax) && st.yMax > st.yMin);
    ov.enabled = false;
    QCOMPARE(validateOverride(ov, 'Y'), QString());
}

void TestPlotScale::stepOnLeave_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty accepted") << ""
                                    << "";
    QTest::newRow("zero") << "0"
                          << "Please enter a non-zero number for X-step size.";
    QTest::newRow("zero decimals") << "0.000"
                                   << "Please enter a non-zero number for X-step size.";
    QTest::newRow("no leading number") << "abc"
                                       << "Please enter a non-zero number for X-step size.";
    QTest::newRow("leading number") << "5abc"
                                    << "";
    QTest::newRow("exponent") << " 2.5e-3"
                              << "";
}

void TestPlotScale::stepOnLeave() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    QCOMPARE(validateStepOnLeave(text, 'X'), message);
    QCOMPARE(leadingNumber(QStringLiteral("  -3.5e2x")), -350.0);
    QCOMPARE(leadingNumber(QStringLiteral(".5")), 0.5);
    QCOMPARE(leadingNumber(QStringLiteral("1e")), 1.0);
    QCOMPARE(leadingNumber(QStringLiteral("-")), 0.0);
}

void TestPlotScale::overrideWithExponent() {
    // Override in real units that calls for an exponent: data and canvas
    // range share the plotted units.
    const std::vector<float> f = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    PlotScale st;
    st.psd = std::vector<float>(6, -10.0f);
    AxisOverride ov{true, "0.1", "0.02"}; // 0.1 .. 0.3
    prepareXValues(st, f.data(), 6, ov);
    QCOMPARE(st.xExponent, -4);
    QVERIFY(st.xOverridden);
    setPlotScaleCoordinates(st, ov, {});
    QCOMPARE(st.xMin, 1000.0f);
    QCOMPARE(st.xMax, 3000.0f);
    QCOMPARE(st.freq[2], 2000.0f); // 0.2 plotted inside the range
    // With exponent 0 the override values are the canvas range as typed.
    PlotScale st2;
    st2.psd = {-60.0f, -10.0f};
    AxisOverride yov{true, "-70", "15"};
    prepareYValues(st2, yov);
    QCOMPARE(st2.yExponent, 0);
    setPlotScaleCoordinates(st2, {}, yov);
    QCOMPARE(st2.yMin, -70.0f);
    QCOMPARE(st2.yMax, 5.0f);
}

void TestPlotScale::prefillRoundTrip() {
    const std::vector<float> f = {0.0f, 0.25f, 0.5f};
    PlotScale st;
    st.psd = {-50.0f, -20.0f, 0.0f};
    prepareXValues(st, f.data(), 3, {});
    prepareYValues(st, {});
    setPlotScaleCoordinates(st, {}, {});
    const OverridePrefill px = prefillX(st);
    const OverridePrefill py = prefillY(st);
    QCOMPARE(px.minText, QString("0"));
    QCOMPARE(px.stepText, QString("0.0506"));
    QCOMPARE(py.minText, QString("-50"));
    QCOMPARE(py.stepText, QString("10.08"));
    // Replotting with the prefilled values reproduces the plotted ranges.
    PlotScale again;
    again.psd = {-50.0f, -20.0f, 0.0f};
    const AxisOverride xov{true, px.minText, px.stepText};
    const AxisOverride yov{true, py.minText, py.stepText};
    prepareXValues(again, f.data(), 3, xov);
    prepareYValues(again, yov);
    setPlotScaleCoordinates(again, xov, yov);
    QCOMPARE(again.xExponent, st.xExponent);
    QCOMPARE(again.xMin, st.xMin);
    QCOMPARE(again.xMax, st.xMax);
    QCOMPARE(again.yMin, st.yMin);
    QCOMPARE(again.yMax, st.yMax);
}

void TestPlotScale::screenScaling() {
    QCOMPARE(scaleToScreenX(640, QSize(1280, 960)), 1280.0f);
    QCOMPARE(scaleToScreenY(480, QSize(1280, 960)), 960.0f);
    QCOMPARE(scaleToScreenY(290, QSize(640, 480)), 290.0f);
    QCOMPARE(scaleToScreenX(100, QSize(1920, 1080)), 300.0f);
}

QTEST_APPLESS_MAIN(TestPlotScale)
#include "tst_plot_scale.moc"
