#include "plot_render.h"

#include "plot_text.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumetra::plot {

int PlotInput::pointCount() const {
    const auto arrays = std::min(frequencies.size(), spectrum.size());
    const auto n = std::min<std::size_t>(static_cast<std::size_t>(std::max(nFreqPts, 0)), arrays);
    // The count travels as a 16-bit value.
    return static_cast<int>(std::min<std::size_t>(n, 32767));
}

PlotCanvas::PlotCanvas(QSize size) {
    resize(size);
}

void PlotCanvas::resize(QSize size) {
    image_ = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image_.fill(Qt::white);
}

namespace {

const QString kFontFamily = QStringLiteral("Arial");

// The drawing state of the canvas while one plot is drawn: text size, pen
// colour, line style and width, and the plot coordinate system.
class Canvas {
  public:
    Canvas(QPainter& p, QSizeF size, Qt::PenStyle& style, const PlotOptions& opt, double ratioX)
        : p_(p), size_(size), style_(style), opt_(opt), ratioX_(ratioX) {
        p_.setRenderHint(QPainter::Antialiasing, false);
        p_.setRenderHint(QPainter::TextAntialiasing, true);
        setTextSize(10 * ratioX_);
    }

    double width() const { return size_.width(); }
    double height() const { return size_.height(); }
    double ratioX() const { return ratioX_; }

    void clear(const QColor& background) { p_.fillRect(QRectF(QPointF(0, 0), size_), background); }
    void setPenColor(ColorSlot slot) { color_ = opt_.penColor(slot); }
    void setTextSize(double points) {
        // Point sizes as on a 96 dpi screen, in canvas pixels so they follow any device scaling.
        font_ = QFont(kFontFamily);
        font_.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0))));
        p_.setFont(font_);
        fm_ = QFontMetricsF(font_);
    }
    double textWidth(const QString& t) const { return fm_.horizontalAdvance(t); }

    // Text with its top-left corner at (x, y) in canvas pixels.
    void printPixel(const QString& t, double x, double y) {
        p_.setPen(color_);
        p_.setFont(font_);
        p_.drawText(QPointF(x, y + fm_.ascent()), t);
    }
    void printAt(const QString& t, double x, double y) {
        printPixel(t, std::floor(x + 0.5), std::floor(y + 0.5));
    }
    void printCentered(const QString& t, double y) {
        printAt(t, roundHalfEven((width() - textWidth(t)) / 2), y);
    }
    void printRightAligned(const QString& t, double y) {
        printAt(t, roundHalfEven(width() - textWidth(t) - 5), y);
    }
    void printLeftMargin(const QString& t, double y) {
        printAt(t, roundHalfEven(width() * 0.01), y);
    }
    void printRotated(const QString& t, const QString& angle, double x, double y) {
        p_.setPen(color_);
        plot::printRotated(p_, t, angle, x, y);
        p_.setFont(font_);
    }

    Qt::PenStyle& lineStyle() { return style_; }
    void setLineWidth(double w) { lineWidth_ = std::max(1.0, w); }

    void setScale(const PlotScale* st) { st_ = st; }
    double px(double x) const { return toPixelX(*st_, x, width()); }
    double py(double y) const { return toPixelY(*st_, y, height()); }
    // Plot-coordinate line in the current colour, width and style.
    void line(double x1, double y1, double x2, double y2) {
        linePixels(QLineF(px(x1), py(y1), px(x2), py(y2)));
    }
    void linePixels(const QLineF& l) {
        applyPen();
        p_.drawLine(l);
    }
    void linesPixels(const std::vector<QLineF>& lines) {
        applyPen();
        p_.drawLines(lines.data(), static_cast<int>(lines.size()));
    }
    // Label in plot coordinates, offset in pixels, not rounded.
    void printLabel(const QString& t, double pxLeft, double pxTop) { printPixel(t, pxLeft, pxTop); }

  private:
    void applyPen() {
        QPen pen(color_);
        pen.setWidthF(lineWidth_);
        pen.setStyle(style_ == Qt::NoPen ? Qt::SolidLine : style_);
        pen.setCapStyle(Qt::FlatCap);
        p_.setPen(pen);
    }

    QPainter& p_;
    QSizeF size_;
    Qt::PenStyle& style_;
    const PlotOptions& opt_;
    double ratioX_;
    QColor color_{Qt::black};
    QFont font_;
    QFontMetricsF fm_{QFont()};
    double lineWidth_ = 1;
    const PlotScale* st_ = nullptr;
};

// The screen ratio is taken when the Canvas is set up.
void clearCanvas(Canvas& c, const PlotOptions& opt) {
    c.clear(opt.backgroundColor());
}

void setPenColor(Canvas& c, ColorSlot slot) {
    c.setPenColor(slot);
}

void drawRunInfo(Canvas& c, const PlotInput& in, OutputText& out) {
    c.setTextSize(10 * c.ratioX());
    c.printLeftMargin(QStringLiteral("Time (sec.): ") + numberText(in.tStart) +
                          QStringLiteral("  to ") + numberText(in.tFinal),
                      70);
    c.printLeftMargin(QStringLiteral("zeroFill = ") + numberText(in.zeroFill) + QStringLiteral("%"),
                      90);
    c.printLeftMargin(QStringLiteral("Noise Variance = ") + numberText(in.sig2), 110);
    out.append(QStringLiteral("Batch Input file ... fileIn = ") + in.jobName);
}

QString titleDateTime(const QDateTime& now) {
    // Month names stay English whatever the locale, as the pattern "mmm dd, yyyy" reads.
    return QLocale::c().toString(now.date(), QStringLiteral("MMM dd, yyyy ")) +
           now.time().toString(QStringLiteral("HH:mm:ss"));
}

void drawTitles(Canvas& c, const PlotInput& in, const PlotEnvironment& env) {
    setPenColor(c, Titles);
    c.setTextSize(13 * c.ratioX());
    c.printCentered(in.methodName + QStringLiteral(" Estimate by Lumetra (tm)"), 1);
    c.printCentered(QStringLiteral("Power-Spectral Density"), 25);
    c.setTextSize(10 * c.ratioX());
    setPenColor(c, MiscInfo);
    c.printRightAligned(titleDateTime(env.now()), 5);
    setPenColor(c, Titles);
    c.printRightAligned(in.jobPath.trimmed(), 50);
}

void setPlotScale(Canvas& c, PlotScale& st, const PlotOptions& opt) {
    c.printAt(QStringLiteral("Frequency"), 0.48 * c.width(), 0.48 * c.height());
    c.printRotated(QStringLiteral("Power-Spectral Density (dB)"), QStringLiteral("90"),
                   0.9 * c.width(), 0.3 * c.height());
    setPenColor(c, Axes);
    if (st.xExponent != 0 || st.yExponent != 0) {
        c.printAt(QStringLiteral("Scale Factor"), 5, 420);
        c.printAt(QStringLiteral("============"), 5, 435);
    }
    if (st.xExponent != 0)
        c.printAt(QStringLiteral("X-axis = 10E") + signedText(st.xExponent), 5, 450);
    if (st.yExponent != 0)
        c.printAt(QStringLiteral("Y-axis = 10E") + signedText(st.yExponent), 5,
                  st.xExponent != 0 ? 465 : 450);
    setPlotScaleCoordinates(st, opt.xOverride, opt.yOverride);
    c.setScale(&st);
}

void drawAxes(Canvas& c, double xMin, double xMax, double yMin, double yMax, double& xa,
              double& ya) {
    xa = verticalAxisX(xMin, xMax);
    ya = horizontalAxisY(yMin, yMax);
    c.setLineWidth(roundHalfEven(2 * c.ratioX()));
    setPenColor(c, Axes);
    c.line(xMin, ya, xMax, ya);
    c.line(xa, yMin, xa, yMax);
    c.setLineWidth(roundHalfEven(c.ratioX()));
}

void drawGridAndLabels(Canvas& c, const PlotOptions& opt, double xMin, double xMax, double yMin,
                       double yMax, double xa, double ya) {
    const auto xs = XGridPositions(xMin, xMax);
    const auto ys = YGridPositions(yMin, yMax);
    setPenColor(c, Axes);
    const Qt::PenStyle vertical = opt.verticalGridStyle();
    if (vertical != Qt::NoPen) {
        c.lineStyle() = vertical;
        for (double x : xs) c.line(x, yMax, x, yMin);
    } else {
        const double yPx = c.py(ya);
        for (double x : xs) c.linePixels(QLineF(c.px(x), yPx - 3, c.px(x), yPx + 3));
    }
    for (double x : xs) c.printLabel(xLabelText(x), c.px(x) - 0.02 * c.width(), 0.52 * c.height());

    const Qt::PenStyle horizontal = opt.horizontalGridStyle();
    if (horizontal != Qt::NoPen) {
        c.lineStyle() = horizontal;
        for (double y : ys) c.line(xMin, y, xMax, y);
    } else {
        const double xPx = c.px(xa);
        for (double y : ys) c.linePixels(QLineF(xPx - 5, c.py(y), xPx + 5, c.py(y)));
    }
    for (double y : ys) c.printLabel(yLabelText(y), 0.96 * c.width(), c.py(y) - 9);
}

void Grid(Canvas& c, const PlotOptions& opt, double xMin, double xMax, double yMin, double yMax) {
    double xa = 0, ya = 0;
    drawAxes(c, xMin, xMax, yMin, yMax, xa, ya);
    drawGridAndLabels(c, opt, xMin, xMax, yMin, yMax, xa, ya);
}

void drawCurve(Canvas& c, const PlotScale& st, const PlotOptions& opt) {
    c.lineStyle() = Qt::SolidLine;
    setPenColor(c, Curve1);
    std::vector<QLineF> segs = curveSegments(st);
    for (QLineF& l : segs) l = QLineF(c.px(l.x1()), c.py(l.y1()), c.px(l.x2()), c.py(l.y2()));
    c.linesPixels(segs);
    // Black-and-white plots leave the canvas dashed for whatever is drawn next.
    if (opt.blackAndWhite) c.lineStyle() = Qt::DashLine;
}

} // namespace

std::vector<QLineF> curveSegments(const PlotScale& st) {
    std::vector<QLineF> segs;
    const int n = std::min<int>(st.n, static_cast<int>(std::min(st.freq.size(), st.psd.size())));
    if (n < 2) return segs;
    segs.reserve(static_cast<std::size_t>(n - 1));
    for (int i = 1; i < n; ++i) {
        const float x = st.freq[static_cast<std::size_t>(i - 1)];
        const float y = st.psd[static_cast<std::size_t>(i - 1)];
        // Only the start point of a segment is tested.
        if (st.xMin <= x && x <= st.xMax && st.yMin <= y && y <= st.yMax)
            segs.emplace_back(x, y, st.freq[static_cast<std::size_t>(i)],
                              st.psd[static_cast<std::size_t>(i)]);
    }
    return segs;
}

PlotScale drawPlot(QPainter& painter, QSizeF canvasSize, Qt::PenStyle& lineStyle,
                   const PlotInput& in, const PlotOptions& opt, OutputText& out,
                   const PlotEnvironment& env) {
    const int n = in.pointCount();
    PlotScale st;
    st.psd.assign(in.spectrum.begin(), in.spectrum.begin() + n);

    Canvas c(painter, canvasSize, lineStyle, opt, env.screenPixels.width() / 640.0);
    clearCanvas(c, opt);
    setPenColor(c, MiscInfo);
    drawRunInfo(c, in, out);
    drawTitles(c, in, env);
    setPenColor(c, Axes);
    prepareXValues(st, in.frequencies.data(), n, opt.xOverride, &out);
    prepareYValues(st, opt.yOverride, &out);
    setPlotScale(c, st, opt);
    Grid(c, opt, st.xMin, st.xMax, st.yMin, st.yMax);
    drawCurve(c, st, opt);
    return st;
}

void writeRunHeader(OutputText& out, const QString& jobPath, const QDateTime& now) {
    const QString tab(QLatin1Char('\t'));
    out.clear();
    out.append(QStringLiteral("        ----") + QString(53, QLatin1Char(' ')));
    out.append(QStringLiteral("Lumetra (tm) Results") + tab + tab + QString(5, QLatin1Char(' ')) +
               QLocale::system().toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
               QLocale::system().toString(now.time(), QLocale::ShortFormat));
    out.append(QStringLiteral("      --------") + tab + tab +
               QStringLiteral("=========================="));
    // The path is shown as given: directories keep their case.
    out.append(QStringLiteral("        ----") +
               (QStringLiteral("File: ") + jobPath).leftJustified(53, QLatin1Char(' ')));
    out.append(QStringLiteral(" "));
    out.append(QStringLiteral(" "));
    out.append(QStringLiteral(" ================ Summary of Run ================="));
    out.append(QStringLiteral(" ================================================="));
}

PlotScale startPlot(PlotCanvas& canvas, const PlotInput& in, const PlotOptions& opt,
                    OutputText& out, const PlotEnvironment& env, PeakList* peaks) {
    writeRunHeader(out, in.jobPath, env.now());
    return plotResults(canvas, in, opt, out, env, peaks);
}

PlotScale plotResults(PlotCanvas& canvas, const PlotInput& in, const PlotOptions& opt,
                      OutputText& out, const PlotEnvironment& env, PeakList* peaks) {
    out.append(QStringLiteral("Calling 1st line plot"));
    Qt::PenStyle style = canvas.lineStyle();
    PlotScale st;
    {
        QPainter p(&canvas.image());
        st = drawPlot(p, QSizeF(canvas.size()), style, in, opt, out, env);
    }
    canvas.setLineStyle(style);
    PeakList pl = listPeaks(st, out);
    if (peaks) *peaks = std::move(pl);
    return st;
}

PlotScale renderPlot(QPaintDevice& device, QSize logicalCanvas, const PlotInput& in,
                     const PlotOptions& opt, const PlotEnvironment& env, OutputText* out) {
    OutputText scratch;
    OutputText& o = out ? *out : scratch;
    const QSize logical = logicalCanvas.expandedTo(QSize(1, 1));
    QPainter p(&device);
    const double scale = std::min(static_cast<double>(device.width()) / logical.width(),
                                  static_cast<double>(device.height()) / logical.height());
    p.scale(scale, scale);
    p.setClipRect(QRectF(QPointF(0, 0), QSizeF(logical)));
    Qt::PenStyle style = Qt::SolidLine;
    return drawPlot(p, QSizeF(logical), style, in, opt, o, env);
}

QImage renderPlotImage(const PlotInput& in, const PlotOptions& opt, QSize size,
                       const PlotEnvironment& env, OutputText* out) {
    QImage img(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    OutputText scratch;
    OutputText& o = out ? *out : scratch;
    QPainter p(&img);
    Qt::PenStyle style = Qt::SolidLine;
    drawPlot(p, QSizeF(img.size()), style, in, opt, o, env);
    return img;
}

PeakList listPeaks(const PlotScale& st, OutputText& out) {
    PeakList pl;
    const std::vector<float>& f = st.freq;
    const std::vector<float>& y = st.psd;
    const int n = std::min<int>(st.n, static_cast<int>(std::min(f.size(), y.size())));
    auto at = [](const std::vector<float>& v, int i) { return v[static_cast<std::size_t>(i)]; };
    auto add = [&](int i) { pl.byPosition.push_back({i, at(f, i), at(y, i)}); };
    // A single point has no neighbour to compare with: no peak.
    if (n >= 2) {
        if (at(f, 0) > 0 && at(y, 0) > at(y, 1)) add(0);
        for (int i = 1; i <= n - 2 && static_cast<int>(pl.byPosition.size()) < kMaxPeaks; ++i) {
            if (at(f, i) > 0 && at(y, i - 1) < at(y, i) && at(y, i) > at(y, i + 1)) add(i);
        }
    }
    auto realFreq = [&](int i) { return static_cast<double>(at(f, i)) * st.xFactor; };
    if (!pl.byPosition.empty()) {
        out.append(QStringLiteral(" --------------------------------------"));
        out.append(QStringLiteral(" PSD waveform contained following peaks"));
        out.append(QStringLiteral(" --------------------------------------"));
        auto neighbour = [&](int i) {
            out.append(QStringLiteral(" ---------------------") + numberText(realFreq(i)) +
                       QStringLiteral("  Ampl. = ") + numberText(at(y, i)));
        };
        int k = 0;
        for (const Peak& pk : pl.byPosition) {
            ++k;
            out.append(QStringLiteral(" "));
            if (pk.index > 0) neighbour(pk.index - 1);
            out.append(QStringLiteral(" Peak #") + numberText(k) + QStringLiteral("  at Freq =") +
                       numberText(realFreq(pk.index)) + QStringLiteral("  Ampl. = ") +
                       numberText(at(y, pk.index)));
            neighbour(pk.index + 1);
        }
    }
    pl.byAmplitude = pl.byPosition;
    auto& v = pl.byAmplitude;
    for (std::size_t c = 0; c < v.size(); ++c)
        for (std::size_t j = c + 1; j < v.size(); ++j)
            if (v[j].amplitude > v[c].amplitude) std::swap(v[c], v[j]);
    if (v.empty()) {
        pl.summary = QStringLiteral("none > 0!");
    } else {
        for (const Peak& pk : v)
            pl.summary += QStringLiteral("  ") +
                          numberText(roundHalfEven(static_cast<double>(pk.frequency) * st.xFactor));
    }
    out.append(QStringLiteral(" "));
    out.append(QStringLiteral(" Peak Frequencies: ") + pl.summary);
    return pl;
}

void printRotated(QPainter& painter, const QString& text, const QString& angle, double x,
                  double y) {
    const int degrees = static_cast<int>(roundHalfEven(leadingNumber(angle)));
    const int escapement = degrees * 10;
    const double theta = escapement / 10.0 * std::numbers::pi / 180.0;
    const double phi = std::numbers::pi / 2 - theta;

    // A 14-pixel character cell: the largest em size whose cell fits.
    QFont font(kFontFamily);
    int em = 14;
    font.setPixelSize(em);
    while (em > 1 && QFontMetricsF(font).height() > 14.5) font.setPixelSize(--em);
    const QFontMetricsF fm(font);
    const double h = fm.height();
    const double i = std::max(0.0, h - em); // internal leading
    const double w = fm.horizontalAdvance(text);

    const double a = w * std::cos(theta) + (h - i) * std::cos(phi);
    const double b = w * std::sin(theta) + (h - i) * std::sin(phi);
    const double sx = x - a / 2 - i * std::cos(phi);
    const double sy = y - b / 2 + w * std::sin(theta) - i * std::sin(phi);

    const QFont previous = painter.font();
    painter.save();
    painter.setFont(font);
    painter.translate(sx, sy);
    painter.rotate(-degrees);
    painter.drawText(QPointF(0, fm.ascent()), text);
    painter.restore();
    painter.setFont(previous);
}

} // namespace lumetra::plot
