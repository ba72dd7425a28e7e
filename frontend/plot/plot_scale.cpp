#include "plot_scale.h"

#include "plot_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <utility>

namespace lumetra::plot {

float scaleToScreenX(double v, const QSize& screenPixels) {
    return static_cast<float>(v * screenPixels.width() / 640.0);
}

float scaleToScreenY(double v, const QSize& screenPixels) {
    return static_cast<float>(v * screenPixels.height() / 480.0);
}

double roundHalfEven(double v) {
    // nearbyint follows the current rounding mode, which is to-nearest-even by default;
    // spelled out so that a changed mode cannot leak in.
    double f = std::floor(v);
    double diff = v - f;
    if (diff > 0.5) return f + 1;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

void scaleAxis(float& min, float& max, int count, int& exponent, OutputText* out) {
    const double c = count;
    // Non-finite input would poison every later step; fall back to a usable range.
    if (!std::isfinite(min)) min = std::isfinite(max) ? max : 0.0f;
    if (!std::isfinite(max)) max = min;
    if (max < min) std::swap(min, max);

    double s = (static_cast<double>(max) - static_cast<double>(min)) / c;
    exponent = 0;
    if ((s < 0.1 && s != 0) || s >= 100) {
        double k = roundHalfEven(std::log10(s));
        if (k <= 0) k = k - 1;
        exponent = static_cast<int>(2 * std::floor(k / 2));
    }
    const double F = std::pow(10.0, exponent);
    max = static_cast<float>(max / F);
    min = static_cast<float>(min / F);
    s = (static_cast<double>(max) - static_cast<double>(min)) / c;

    double r;
    const float absMin = std::fabs(min);
    if (absMin >= 0.1f)
        r = std::floor(static_cast<double>(min) * 10) / 10;
    else if (absMin >= 0.01f)
        r = std::floor(std::floor(static_cast<double>(min) * 100) / 10) / 10;
    else
        r = 0;
    // Round the minimum down only when that widens the range by less than a tenth.
    if (static_cast<float>(r) < min && c * s * 1.1 > static_cast<double>(max) - r)
        min = static_cast<float>(r);

    s = (static_cast<double>(max) - static_cast<double>(min)) / c;
    if (s == 0) s = 1.1;
    const double p = std::floor(std::log10(s));
    const double P = std::pow(10.0, p);
    const double m = std::ceil((s / P) * 10) / 10;
    auto trace = [out](const QString& line) {
        if (out) out->append(line);
    };
    trace(QStringLiteral(" Min/Max/step= ") + numberText(min) + QStringLiteral("  ") +
          numberText(max) + QStringLiteral("  ") + numberText(m) + QStringLiteral("  ") +
          numberText(P));

    const double maxReach = c * m * P + static_cast<double>(min);
    const float maxReachF = static_cast<float>(maxReach);
    if (std::isfinite(maxReachF) && maxReachF >= max)
        max = maxReachF;
    else
        trace(QStringLiteral(" step/min= ") + numberText(m * P) + QStringLiteral("  ") +
              numberText(min));
    trace(QStringLiteral(" Min/Max/step= ") + numberText(min) + QStringLiteral("  ") +
          numberText(max) + QStringLiteral("  ") + numberText(m * P));
}

std::optional<double> parseOverrideNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

QString validateOverride(const AxisOverride& ov, char axis) {
    if (!ov.enabled) return {};
    const QString a = QString(QLatin1Char(axis));
    const auto mn = parseOverrideNumber(ov.minText);
    if (!mn || !std::isfinite(static_cast<float>(*mn)))
        return QStringLiteral("Please enter a number for %1-min value.").arg(a);
    const auto step = parseOverrideNumber(ov.stepText);
    if (!step) return QStringLiteral("Please enter a number for %1-step size.").arg(a);
    if (*step == 0)
        return QStringLiteral("Please enter a non-zero number for %1-step size.").arg(a);
    if (*step < 0) return QStringLiteral("Please enter a positive number for %1-step size.").arg(a);
    const int steps = axis == 'X' ? 10 : 5;
    const float mx = static_cast<float>(*step * steps + static_cast<float>(*mn));
    if (!std::isfinite(mx) || !(mx > static_cast<float>(*mn)))
        return QStringLiteral("The %1-axis range of these values cannot be plotted.").arg(a);
    return {};
}

std::optional<OverrideRange> overrideRangeOf(const AxisOverride& ov, int steps) {
    if (!ov.enabled) return std::nullopt;
    if (!validateOverride(ov, steps == 10 ? 'X' : 'Y').isEmpty()) return std::nullopt;
    OverrideRange r;
    r.min = static_cast<float>(*parseOverrideNumber(ov.minText));
    r.max = static_cast<float>(*parseOverrideNumber(ov.stepText) * steps + r.min);
    return r;
}

double leadingNumber(const QString& text) {
    const QByteArray s = text.toLatin1();
    int i = 0;
    const int n = s.size();
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    const int start = i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    int digits = 0;
    while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return 0;
    int end = i;
    if (i < n && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        int j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-')) ++j;
        int ed = 0;
        while (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) ++j, ++ed;
        if (ed > 0) end = j;
    }
    QByteArray num = s.mid(start, end - start);
    num.replace('d', 'e').replace('D', 'e');
    bool ok = false;
    const double v = num.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

QString validateStepOnLeave(const QString& stepText, char axis) {
    if (stepText.isEmpty() || leadingNumber(stepText) != 0) return {};
    return QStringLiteral("Please enter a non-zero number for %1-step size.")
        .arg(QLatin1Char(axis));
}

void prepareXValues(PlotScale& st, const float* freq, int n, const AxisOverride& ov,
                    OutputText* out, std::optional<OverrideRange> dataRange) {
    st.n = n > 0 ? n : 0;
    st.freq.assign(freq, freq + st.n);
    float xMin = st.n > 0 ? st.freq.front() : 0.0f;
    float xMax = st.n > 0 ? st.freq.back() : 0.0f;
    if (dataRange) {
        xMin = dataRange->min;
        xMax = dataRange->max;
    }
    if (xMax < xMin) std::swap(xMin, xMax);
    st.xOverridden = false;
    if (const auto r = overrideRangeOf(ov, 10)) {
        xMin = r->min;
        xMax = r->max;
        st.xOverridden = true;
    }
    scaleAxis(xMin, xMax, 11, st.xExponent, out);
    st.xMin = xMin;
    st.xMax = xMax;
    st.xFactor = std::pow(10.0, st.xExponent);
    for (float& f : st.freq) f = static_cast<float>(f / st.xFactor);
}

void prepareYValues(PlotScale& st, const AxisOverride& ov, OutputText* out,
                    std::optional<OverrideRange> dataRange) {
    float yMin = 1.0e10f;
    float yMax = -1.0e10f;
    for (float v : st.psd) {
        if (v < yMin) yMin = v;
        if (v > yMax) yMax = v;
    }
    if (dataRange) {
        yMin = std::min(yMin, dataRange->min);
        yMax = std::max(yMax, dataRange->max);
    }
    if (yMin > yMax) yMin = yMax = 0; // nothing finite to scan
    st.yOverridden = false;
    if (const auto r = overrideRangeOf(ov, 5)) {
        yMin = r->min;
        yMax = r->max;
        st.yOverridden = true;
    }
    scaleAxis(yMin, yMax, 6, st.yExponent, out);
    st.yMin = yMin;
    st.yMax = yMax;
    st.yFactor = std::pow(10.0, st.yExponent);
    for (float& v : st.psd) v = static_cast<float>(v / st.yFactor);
}

void setPlotScaleCoordinates(PlotScale& st, const AxisOverride& xov, const AxisOverride& yov) {
    // An override is taken in real units; dividing by the axis factor keeps the
    // canvas range in the same plotted units as the data when an exponent applies.
    if (const auto r = overrideRangeOf(xov, 10)) {
        st.xMin = static_cast<float>(r->min / st.xFactor);
        st.xMax = static_cast<float>(r->max / st.xFactor);
    }
    if (const auto r = overrideRangeOf(yov, 5)) {
        st.yMin = static_cast<float>(r->min / st.yFactor);
        st.yMax = static_cast<float>(r->max / st.yFactor);
    }
    const double mx = 0.05 * (static_cast<double>(st.xMax) - st.xMin);
    st.left = st.xMin - mx;
    st.width = (static_cast<double>(st.xMax) - st.xMin) + 2 * mx;
    const double my = 0.05 * (static_cast<double>(st.yMax) - st.yMin);
    st.top = st.yMax + my;
    st.height = -(static_cast<double>(st.yMax) - st.yMin) - 2 * my;
    if (st.width == 0) st.width = 1;
    if (st.height == 0) st.height = -1;
}

double toPixelX(const PlotScale& st, double x, double canvasWidth) {
    if (!st.area.isEmpty()) return st.area.left() + (x - st.left) / st.width * st.area.width();
    return (x - st.left) / st.width * canvasWidth;
}

double toPixelY(const PlotScale& st, double y, double canvasHeight) {
    if (!st.area.isEmpty()) return st.area.top() + (y - st.top) / st.height * st.area.height();
    return (y - st.top) / st.height * canvasHeight;
}

double fromPixelX(const PlotScale& st, double px, double canvasWidth) {
    if (!st.area.isEmpty()) return st.left + (px - st.area.left()) / st.area.width() * st.width;
    return st.left + px / canvasWidth * st.width;
}

double fromPixelY(const PlotScale& st, double py, double canvasHeight) {
    if (!st.area.isEmpty()) return st.top + (py - st.area.top()) / st.area.height() * st.height;
    return st.top + py / canvasHeight * st.height;
}

QRectF frameRect(const PlotScale& st, QSizeF canvas) {
    return QRectF(
        QPointF(toPixelX(st, st.xMin, canvas.width()), toPixelY(st, st.yMax, canvas.height())),
        QPointF(toPixelX(st, st.xMax, canvas.width()), toPixelY(st, st.yMin, canvas.height())));
}

std::array<double, 11> XGridPositions(double xMin, double xMax) {
    std::array<double, 11> x{};
    const double start = std::floor(xMin * 10) / 10;
    const double span = std::ceil(xMax - xMin);
    for (int k = 0; k <= 10; ++k) x[static_cast<size_t>(k)] = start + span * k / 10;
    return x;
}

std::array<double, 6> YGridPositions(double yMin, double yMax) {
    std::array<double, 6> y{};
    for (int k = 0; k <= 5; ++k) y[static_cast<size_t>(k)] = yMin + (yMax - yMin) * k / 5;
    return y;
}

double verticalAxisX(double xMin, double xMax) {
    return xMin * xMax > 0 ? xMin : 0.0;
}
double horizontalAxisY(double yMin, double yMax) {
    return yMin * yMax > 0 ? yMin : 0.0;
}

OverridePrefill prefillX(const PlotScale& st) {
    return {numberText(static_cast<float>(st.xMin * st.xFactor)),
            numberText(static_cast<float>((st.xMax - st.xMin) / 10 * st.xFactor))};
}

OverridePrefill prefillY(const PlotScale& st) {
    return {numberText(static_cast<float>(st.yMin * st.yFactor)),
            numberText(static_cast<float>((st.yMax - st.yMin) / 5 * st.yFactor))};
}

} // namespace lumetra::plot
