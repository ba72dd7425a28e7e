#include "plot_render.h"

#include "plot_marks.h"
#include "plot_text.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <optional>

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

QFont fontOfPoints(double points) {
    // Point sizes as on a 96 dpi screen, in canvas pixels so they follow any device scaling.
    QFont f(kFontFamily);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0))));
    return f;
}

// One text to draw: where, in which font and colour.
struct Text {
    QString role;
    QString text;
    QFont font;
    ColorSlot color;
    QRectF box;
};

// Puts boxes at the lowest free place: not above `yMin`, clear of every box placed before by
// at least `gap` sideways (line heights already hold the spacing between lines).
class Placer {
  public:
    explicit Placer(double gap) : gap_(gap) {}
    double place(double x, QSizeF size, double yMin) {
        std::vector<double> ys{yMin};
        for (const QRectF& r : placed_)
            if (r.bottom() > yMin) ys.push_back(r.bottom());
        std::sort(ys.begin(), ys.end());
        for (double y : ys) {
            const QRectF box(QPointF(x, y), size);
            const QRectF grown = box.adjusted(-gap_, 0, gap_, 0);
            bool free = true;
            for (const QRectF& r : placed_) free = free && !grown.intersects(r);
            if (free) {
                placed_.push_back(box);
                return y;
            }
        }
        return yMin; // not reached: below every box is always free
    }
    void add(const QRectF& r) { placed_.push_back(r); }

  private:
    double gap_;
    std::vector<QRectF> placed_;
};

enum class Align { Left, Centre, Right };

// Everything the plot's layout decides, in canvas pixels.
struct Layout {
    double ratio = 1;  // text sizes and line widths
    double margin = 5; // to the canvas edge
    double gap = 4;    // between texts, and texts and lines
    QRectF frame;      // xMin..xMax by yMin..yMax
    std::vector<Text> texts;
    Text yCaption;                          // drawn rotated; its box is the rotated one
    std::vector<double> xLabelAt, yLabelAt; // grid positions that get a label
    std::vector<double> xGrid;              // grid positions drawn
    std::vector<QRectF> legendSamples;      // line sample of each legend entry
    QFont small;                            // labels, run information, legend, peak marks
};

double textWidth(const QFont& f, const QString& t) {
    return QFontMetricsF(f).horizontalAdvance(t);
}
double lineHeight(const QFont& f) {
    return QFontMetricsF(f).height();
}
QString fitted(const QFont& f, const QString& t, double width, Qt::TextElideMode mode) {
    if (textWidth(f, t) <= width) return t;
    return QFontMetricsF(f).elidedText(t, mode, std::max(0.0, width));
}

void drawRunInfoTrace(const PlotInput& in, OutputText& out) {
    out.append(QStringLiteral("Batch Input file ... fileIn = ") + in.jobName);
}

// The axes as drawn, in real units: the plotted range and the step between grid lines.
void writeAxisLines(OutputText& out, const PlotScale& st, const std::vector<double>& xGrid) {
    const double xStep = xGrid.size() >= 2 ? (xGrid[1] - xGrid[0]) * st.xFactor : 0;
    const auto ys = YGridPositions(st.yMin, st.yMax);
    const double yStep = (ys[1] - ys[0]) * st.yFactor;
    auto real = [](double v) { return numberText(static_cast<float>(v)); };
    out.append(QStringLiteral(" Frequency axis: ") + real(st.xMin * st.xFactor) +
               QStringLiteral(" to ") + real(st.xMax * st.xFactor) +
               QStringLiteral(", grid step ") + real(xStep));
    out.append(QStringLiteral(" PSD axis: ") + real(st.yMin * st.yFactor) + QStringLiteral(" to ") +
               real(st.yMax * st.yFactor) + QStringLiteral(" dB, grid step ") + real(yStep));
}

QString titleDateTime(const QDateTime& now) {
    // Month names stay English whatever the locale, as the pattern "mmm dd, yyyy" reads.
    return QLocale::c().toString(now.date(), QStringLiteral("MMM dd, yyyy ")) +
           now.time().toString(QStringLiteral("HH:mm:ss"));
}

// Label positions with every `step`-th kept so neighbours keep a gap; `boxAt` gives a label's
// box along the axis as (start, end).
template <typename BoxAt>
std::vector<double> thinLabels(const std::vector<double>& at, double gap, BoxAt boxAt) {
    for (int step : {1, 2, 5, 10}) {
        std::vector<double> kept;
        for (std::size_t k = 0; k < at.size(); k += static_cast<std::size_t>(step))
            kept.push_back(at[k]);
        bool clear = true;
        for (std::size_t k = 1; k < kept.size() && clear; ++k) {
            const auto a = boxAt(kept[k - 1]);
            const auto b = boxAt(kept[k]);
            clear = std::min(a.second, b.second) + gap <= std::max(a.first, b.first);
        }
        if (clear) return kept;
    }
    return at.empty() ? at : std::vector<double>{at.front()};
}

// The layout of one plot: header texts above the frame, y labels and the rotated caption to
// its right, x labels, the x caption, the scale-factor note and the legend below it. All sizes
// come from font metrics; the frame gets what is left.
Layout layoutPlot(QSizeF canvas, const PlotScale& st, const PlotInput& in,
                  const std::vector<const PlotInput*>& legend, const PlotEnvironment& env) {
    Layout L;
    const double W = canvas.width(), H = canvas.height();
    const QSize given = env.screenPixels.isValid() ? env.screenPixels : canvas.toSize();
    const QSizeF screen(std::max(1, given.width()), std::max(1, given.height()));
    // Text follows the smaller of the two ratios so a wide, low canvas keeps room for the plot.
    L.ratio = std::min(screen.width() / 640.0, screen.height() / 480.0);
    const double r = L.ratio;
    L.margin = std::max(3.0, 5 * r);
    L.gap = std::max(2.0, 4 * r);
    const double m = L.margin, g = L.gap;
    const double lw = std::max(1.0, roundHalfEven(2 * r));
    const QFont big = fontOfPoints(13 * r), small = fontOfPoints(10 * r);
    L.small = small;
    const double usable = std::max(1.0, W - 2 * m);

    auto make = [&](const QString& role, const QString& t, const QFont& f, ColorSlot c) {
        return Text{role, t, f, c, QRectF()};
    };

    // Header: three columns (left run info, centred titles, right date and path), each placed
    // as high as it fits.
    Placer header(g);
    double bottom = std::max(1.0, r);
    double column[3] = {bottom, bottom, bottom};
    auto put = [&](Text t, Align a, Qt::TextElideMode elide) {
        t.text = fitted(t.font, t.text, usable, elide);
        const QSizeF size(textWidth(t.font, t.text), lineHeight(t.font));
        double x = m;
        if (a == Align::Centre) x = roundHalfEven((W - size.width()) / 2);
        if (a == Align::Right) x = roundHalfEven(W - size.width() - m);
        x = std::max(x, m);
        double& col = column[static_cast<int>(a)];
        const double y = header.place(x, size, col);
        t.box = QRectF(QPointF(x, y), size);
        col = t.box.bottom();
        bottom = std::max(bottom, t.box.bottom());
        L.texts.push_back(t);
    };
    auto either = [](const QString& own, const QString& spectrum) {
        return own.isEmpty() ? spectrum : own;
    };
    put(make(QStringLiteral("title"),
             either(in.texts.title, in.methodName + QStringLiteral(" Estimate by Lumetra (tm)")),
             big, Titles),
        Align::Centre, Qt::ElideRight);
    put(make(QStringLiteral("date"), titleDateTime(env.now()), small, MiscInfo), Align::Right,
        Qt::ElideRight);
    put(make(QStringLiteral("title"),
             either(in.texts.subtitle, QStringLiteral("Power-Spectral Density")), big, Titles),
        Align::Centre, Qt::ElideRight);
    put(make(QStringLiteral("path"), in.jobPath.trimmed(), small, Titles), Align::Right,
        Qt::ElideMiddle);
    for (const QString& line : in.texts.info)
        put(make(QStringLiteral("runInfo"), line, small, MiscInfo), Align::Left, Qt::ElideRight);
    if (in.texts.info.isEmpty()) {
        put(make(QStringLiteral("runInfo"),
                 QStringLiteral("Time (sec.): ") + numberText(in.tStart) + QStringLiteral("  to ") +
                     numberText(in.tFinal),
                 small, MiscInfo),
            Align::Left, Qt::ElideRight);
        put(make(QStringLiteral("runInfo"),
                 QStringLiteral("zeroFill = ") + numberText(in.zeroFill) + QStringLiteral("%"),
                 small, MiscInfo),
            Align::Left, Qt::ElideRight);
    }
    // Only a fitted model has a noise variance; other methods leave a stale value behind.
    if (in.parametric && in.texts.info.isEmpty())
        put(make(QStringLiteral("runInfo"),
                 QStringLiteral("Noise Variance = ") + numberText(in.sig2), small, MiscInfo),
            Align::Left, Qt::ElideRight);
    const double headerBottom = bottom;

    // Grid positions the plot shows: those within the ranges and their 5 % margins.
    const auto xs = XGridPositions(st.xMin, st.xMax);
    const auto ys = YGridPositions(st.yMin, st.yMax);
    const double xr = std::max(1e-30, static_cast<double>(st.xMax) - st.xMin);
    for (double x : xs)
        if (x >= st.left - 1e-9 * xr && x <= st.left + st.width + 1e-9 * xr) L.xGrid.push_back(x);
    const double overLeft = L.xGrid.empty() ? 0 : std::max(0.0, (st.xMin - L.xGrid.front()) / xr);
    const double overRight = L.xGrid.empty() ? 0 : std::max(0.0, (L.xGrid.back() - st.xMax) / xr);

    // Right: y labels, then the rotated caption at the edge.
    double yLabelWidth = 0;
    for (double y : ys) yLabelWidth = std::max(yLabelWidth, textWidth(small, yLabelText(y)));
    const double halfLine = lineHeight(small) / 2;
    const QFont captionFont = [&] {
        // A character cell of 14 pixels on the 640 x 480 design: the largest em that fits.
        QFont f(kFontFamily);
        int em = std::max(1, static_cast<int>(std::lround(14 * r)));
        f.setPixelSize(em);
        while (em > 1 && QFontMetricsF(f).height() > 14 * r + 0.5) f.setPixelSize(--em);
        return f;
    }();
    const double captionThick = lineHeight(captionFont);
    double firstHalf = 0, lastHalf = 0;
    if (!L.xGrid.empty()) {
        firstHalf = textWidth(small, xLabelText(L.xGrid.front())) / 2;
        lastHalf = textWidth(small, xLabelText(L.xGrid.back())) / 2;
    }
    const double tick = 5 + lw;
    const double left0 = m + std::max(firstHalf, tick);
    double right0 = W - m - captionThick - g - yLabelWidth - g - lw;
    right0 = std::min(right0, W - m - lastHalf);
    double frameWidth = (right0 - left0) / (1 + overLeft + overRight);
    frameWidth = std::max(1.0, frameWidth);
    const double frameLeft = left0 + overLeft * frameWidth;

    // Below: x labels, then the x caption and the scale-factor note, then the legend.
    Placer below(g);
    const double xLabelHeight = lineHeight(small);
    double belowBottom = xLabelHeight;
    below.add(QRectF(0, 0, W, xLabelHeight));
    std::vector<Text> lower;
    const double frameCentre = frameLeft + frameWidth / 2;
    {
        Text t = make(QStringLiteral("xCaption"),
                      either(in.texts.xCaption, QStringLiteral("Frequency")), small, Axes);
        const QSizeF size(textWidth(small, t.text), lineHeight(small));
        const double x = std::clamp(roundHalfEven(frameCentre - size.width() / 2), m,
                                    std::max(m, W - m - size.width()));
        t.box = QRectF(QPointF(x, below.place(x, size, xLabelHeight + g)), size);
        belowBottom = std::max(belowBottom, t.box.bottom());
        lower.push_back(t);
    }
    QStringList note;
    if (st.xExponent != 0 || st.yExponent != 0)
        note << QStringLiteral("Scale Factor") << QStringLiteral("============");
    if (st.xExponent != 0) note << QStringLiteral("X-axis = 10E") + signedText(st.xExponent);
    if (st.yExponent != 0) note << QStringLiteral("Y-axis = 10E") + signedText(st.yExponent);
    double noteY = xLabelHeight + g;
    for (const QString& line : note) {
        Text t = make(QStringLiteral("scaleNote"), line, small, Axes);
        const QSizeF size(textWidth(small, t.text), lineHeight(small));
        t.box = QRectF(QPointF(m, below.place(m, size, noteY)), size);
        noteY = t.box.bottom();
        belowBottom = std::max(belowBottom, t.box.bottom());
        lower.push_back(t);
    }
    // Legend entries flow left to right under everything else: a line sample, then the text.
    if (!legend.empty()) {
        const double sample = 24 * r;
        double x = m, y = belowBottom + g;
        double rowBottom = y;
        for (std::size_t i = 0; i < legend.size(); ++i) {
            Text t = make(QStringLiteral("legend"), legendText(*legend[i]), small, MiscInfo);
            t.text = fitted(small, t.text, usable - sample - g, Qt::ElideMiddle);
            const QSizeF size(textWidth(small, t.text), lineHeight(small));
            const double entry = sample + g + size.width();
            if (x > m && x + entry > W - m) {
                x = m;
                y = rowBottom + g / 2;
            }
            L.legendSamples.push_back(QRectF(x, y, sample, size.height()));
            t.box = QRectF(QPointF(x + sample + g, y), size);
            rowBottom = std::max(rowBottom, t.box.bottom());
            x += entry + 3 * g;
            lower.push_back(t);
        }
        belowBottom = rowBottom;
    }

    // Vertical extent of the frame: y labels stand half a line above its top and below its
    // bottom; x labels start below that and the ticks.
    const double frameTop = headerBottom + g + halfLine;
    const double drop = std::max(tick, halfLine) + g;
    const double xLabelTop = std::max(frameTop + 1 + drop, H - m - belowBottom);
    const double frameBottom = std::max(frameTop + 1, xLabelTop - drop);
    L.frame = QRectF(QPointF(frameLeft, frameTop), QPointF(frameLeft + frameWidth, frameBottom));
    for (Text& t : lower) {
        t.box.translate(0, xLabelTop);
        L.texts.push_back(t);
    }
    for (QRectF& s : L.legendSamples) s.translate(0, xLabelTop);

    // The y caption: centred on the frame's height, at the right edge.
    L.yCaption = make(QStringLiteral("yCaption"),
                      either(in.texts.yCaption, QStringLiteral("Power-Spectral Density (dB)")),
                      captionFont, Axes);
    L.yCaption.text = fitted(captionFont, L.yCaption.text, L.frame.height(), Qt::ElideRight);
    const double capLength = textWidth(captionFont, L.yCaption.text);
    L.yCaption.box =
        QRectF(W - m - captionThick, L.frame.center().y() - capLength / 2, captionThick, capLength);
    L.texts.push_back(L.yCaption);

    // Labels, now that the frame is known.
    PlotScale placed = st;
    const double mx = 0.05 * xr;
    const double yr = std::max(1e-30, static_cast<double>(st.yMax) - st.yMin);
    const double my = 0.05 * yr;
    placed.area = QRectF(QPointF(L.frame.left() - mx / xr * L.frame.width(),
                                 L.frame.top() - my / yr * L.frame.height()),
                         QPointF(L.frame.right() + mx / xr * L.frame.width(),
                                 L.frame.bottom() + my / yr * L.frame.height()));
    auto xBox = [&](double x) {
        const double c = toPixelX(placed, x, W), w = textWidth(small, xLabelText(x));
        return std::pair<double, double>(c - w / 2, c + w / 2);
    };
    L.xLabelAt = thinLabels(L.xGrid, g, xBox);
    for (double x : L.xLabelAt) {
        const auto [a, b] = xBox(x);
        L.texts.push_back(make(QStringLiteral("xLabel"), xLabelText(x), small, Axes));
        L.texts.back().box = QRectF(a, xLabelTop, b - a, xLabelHeight);
    }
    auto yBox = [&](double y) {
        const double c = toPixelY(placed, y, H);
        return std::pair<double, double>(c - halfLine, c + halfLine);
    };
    std::vector<double> yAt(ys.begin(), ys.end());
    L.yLabelAt = thinLabels(yAt, 0, yBox);
    const double yLabelLeft =
        std::max(L.frame.right(), toPixelX(placed, L.xGrid.empty() ? st.xMax : L.xGrid.back(), W)) +
        lw + g;
    for (double y : L.yLabelAt) {
        const auto [a, b] = yBox(y);
        const QString t = yLabelText(y);
        L.texts.push_back(make(QStringLiteral("yLabel"), t, small, Axes));
        L.texts.back().box = QRectF(yLabelLeft, a, textWidth(small, t), b - a);
    }
    return L;
}

// Pen for lines in the current style.
QPen linePen(const QColor& c, double width, Qt::PenStyle style) {
    QPen pen(c);
    pen.setWidthF(std::max(1.0, width));
    pen.setStyle(style == Qt::NoPen ? Qt::SolidLine : style);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

void drawText(QPainter& p, const Text& t, const PlotOptions& opt) {
    p.setFont(t.font);
    p.setPen(opt.penColor(t.color));
    p.drawText(QPointF(t.box.left(), t.box.top() + QFontMetricsF(t.font).ascent()), t.text);
}

void drawRotatedCaption(QPainter& p, const Text& t, const PlotOptions& opt) {
    const QFontMetricsF fm(t.font);
    p.save();
    p.setFont(t.font);
    p.setPen(opt.penColor(t.color));
    p.translate(t.box.center());
    p.rotate(-90);
    p.drawText(QPointF(-t.box.height() / 2, -t.box.width() / 2 + fm.ascent()), t.text);
    p.restore();
}

} // namespace

std::vector<QLineF> curvePixels(const PlotScale& st, const float* f, const float* v, int n,
                                bool divide, QSizeF canvas, double frameWidth) {
    std::vector<QLineF> out;
    if (n < 2) return out;
    // The same affine maps as toPixelX / toPixelY, taken out of the loop.
    const double x0 = toPixelX(st, 0, canvas.width()), y0 = toPixelY(st, 0, canvas.height());
    const double sx = toPixelX(st, 1, canvas.width()) - x0;
    const double sy = toPixelY(st, 1, canvas.height()) - y0;
    std::vector<QPointF> pts(static_cast<std::size_t>(n));
    std::vector<char> inside(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const float x = divide ? static_cast<float>(f[k] / st.xFactor) : f[k];
        const float y = divide ? static_cast<float>(v[k] / st.yFactor) : v[k];
        inside[k] = st.xMin <= x && x <= st.xMax && st.yMin <= y && y <= st.yMax;
        pts[k] = QPointF(x0 + sx * static_cast<double>(x), y0 + sy * static_cast<double>(y));
    }
    const bool thin = n - 1 > 4 * frameWidth;
    out.reserve(thin ? static_cast<std::size_t>(8 * frameWidth) : static_cast<std::size_t>(n));
    std::size_t i = 1;
    const auto N = static_cast<std::size_t>(n);
    while (i < N) {
        if (!inside[i - 1]) {
            ++i;
            continue;
        }
        // A connected run: points i-1 .. j.
        std::size_t j = i;
        while (j + 1 < N && inside[j]) ++j;
        if (!thin) {
            for (std::size_t k = i; k <= j; ++k) out.emplace_back(pts[k - 1], pts[k]);
        } else {
            QPointF last;
            bool any = false;
            auto keep = [&](const QPointF& p) {
                if (any) out.emplace_back(last, p);
                last = p;
                any = true;
            };
            std::size_t a = i - 1;
            while (a <= j) {
                const double column = std::floor(pts[a].x());
                std::size_t b = a, lo = a, hi = a;
                while (b <= j && std::floor(pts[b].x()) == column) {
                    if (pts[b].y() < pts[lo].y()) lo = b;
                    if (pts[b].y() > pts[hi].y()) hi = b;
                    ++b;
                }
                const std::array<std::size_t, 4> pick = {a, std::min(lo, hi), std::max(lo, hi),
                                                         b - 1};
                for (std::size_t k = 0; k < pick.size(); ++k)
                    if (k == 0 || pick[k] != pick[k - 1]) keep(pts[pick[k]]);
                a = b;
            }
        }
        i = j + 1;
    }
    return out;
}

namespace {

void drawSegments(QPainter& p, const std::vector<QLineF>& segs, const QPen& pen,
                  bool dense = false) {
    const double w = pen.widthF();
    if (!dense || w <= 1 || pen.style() != Qt::SolidLine ||
        p.testRenderHint(QPainter::Antialiasing)) {
        p.setPen(pen);
        p.drawLines(segs.data(), static_cast<int>(segs.size()));
        return;
    }
    // Thousands of short wide segments: stroking each costs far more than drawing the
    // one-pixel line again, shifted by whole pixels across its direction, which covers the
    // same band.
    QPen one(pen);
    one.setWidthF(1);
    p.setPen(one);
    const int n = static_cast<int>(std::lround(w));
    std::vector<QLineF> shifted(segs.size());
    for (int k = 0; k < n; ++k) {
        const double d = k - (n - 1) / 2.0;
        for (std::size_t i = 0; i < segs.size(); ++i) {
            const QLineF& l = segs[i];
            const bool steep = std::fabs(l.dy()) > std::fabs(l.dx());
            shifted[i] = l.translated(steep ? QPointF(d, 0) : QPointF(0, d));
        }
        p.drawLines(shifted.data(), static_cast<int>(shifted.size()));
    }
}

// The union of the held curves' ranges with the live one's, for the axes.
void overlayRanges(const PlotInput& in, const std::vector<PlotInput>& held,
                   std::optional<OverrideRange>& xr, std::optional<OverrideRange>& yr) {
    auto widen = [](std::optional<OverrideRange>& r, float a, float b) {
        if (!std::isfinite(a) || !std::isfinite(b)) return;
        if (b < a) std::swap(a, b);
        if (!r) r = OverrideRange{a, b};
        r->min = std::min(r->min, a);
        r->max = std::max(r->max, b);
    };
    for (const PlotInput* c : {&in}) {
        const int n = c->pointCount();
        if (n > 0)
            widen(xr, c->frequencies.front(), c->frequencies[static_cast<std::size_t>(n - 1)]);
    }
    for (const PlotInput& c : held) {
        const int n = c.pointCount();
        if (n <= 0) continue;
        widen(xr, c.frequencies.front(), c.frequencies[static_cast<std::size_t>(n - 1)]);
        for (int i = 0; i < n; ++i) {
            const float v = c.spectrum[static_cast<std::size_t>(i)];
            widen(yr, v, v);
        }
    }
}

} // namespace

QString legendText(const PlotInput& in) {
    if (!in.texts.legend.isEmpty()) return in.texts.legend;
    QString t = in.methodName.trimmed();
    if (!in.orders.isEmpty()) t += QLatin1Char(' ') + in.orders;
    t += QStringLiteral(", ") + numberText(in.pointCount()) + QStringLiteral(" pts, ") + in.jobName;
    return t;
}

QPen heldCurvePen(const PlotOptions& opt, int i, double width) {
    // Curve2 first, then colours that stand apart from the default blue and from each other.
    static const std::array<QColor, kMaxHeldCurves - 1> palette = {
        QColor(0, 128, 0),   QColor(230, 120, 0), QColor(128, 0, 160), QColor(0, 140, 140),
        QColor(160, 80, 40), QColor(200, 0, 120), QColor(100, 100, 0)};
    QPen pen;
    pen.setWidthF(std::max(1.0, width));
    pen.setCapStyle(Qt::FlatCap);
    if (opt.blackAndWhite) {
        pen.setColor(Qt::black);
        static const std::array<QList<qreal>, kMaxHeldCurves> dashes = {
            QList<qreal>{6, 3},        QList<qreal>{1, 3},
            QList<qreal>{6, 3, 1, 3},  QList<qreal>{6, 3, 1, 3, 1, 3},
            QList<qreal>{12, 4},       QList<qreal>{2, 2},
            QList<qreal>{12, 3, 3, 3}, QList<qreal>{9, 3, 1, 3, 1, 3, 1, 3}};
        pen.setDashPattern(dashes[static_cast<std::size_t>(std::clamp(i, 0, kMaxHeldCurves - 1))]);
        return pen;
    }
    pen.setStyle(Qt::SolidLine);
    pen.setColor(i <= 0 ? opt.penColor(Curve2)
                        : palette[static_cast<std::size_t>(std::min(i, kMaxHeldCurves - 1) - 1)]);
    return pen;
}

PlotScale drawPlot(QPainter& painter, QSizeF canvasSize, Qt::PenStyle& lineStyle,
                   const PlotInput& in, const PlotOptions& opt, OutputText& out,
                   const PlotEnvironment& env, const DrawExtras& extras) {
    const int n = in.pointCount();
    PlotScale st;
    st.psd.assign(in.spectrum.begin(), in.spectrum.begin() + n);
    // Dashes left by a black-and-white plot belong to black-and-white plots only.
    if (!opt.blackAndWhite) lineStyle = Qt::SolidLine;

    std::vector<PlotInput> noHeld;
    const std::vector<PlotInput>& allHeld = extras.held ? *extras.held : noHeld;
    const std::vector<PlotInput> held(
        allHeld.end() -
            std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(allHeld.size()), kMaxHeldCurves),
        allHeld.end());
    std::optional<OverrideRange> xRange, yRange;
    if (!held.empty()) overlayRanges(in, held, xRange, yRange);

    drawRunInfoTrace(in, out);
    prepareXValues(st, in.frequencies.data(), n, opt.xOverride, nullptr, xRange);
    prepareYValues(st, opt.yOverride, nullptr, yRange);
    setPlotScaleCoordinates(st, opt.xOverride, opt.yOverride);

    std::vector<const PlotInput*> legend;
    if (!held.empty()) {
        for (const PlotInput& h : held) legend.push_back(&h);
        legend.push_back(&in);
    }
    const Layout L = layoutPlot(canvasSize, st, in, legend, env);
    writeAxisLines(out, st, L.xGrid);
    const double xr = static_cast<double>(st.xMax) - st.xMin;
    const double yr = static_cast<double>(st.yMax) - st.yMin;
    st.area = QRectF(QPointF(L.frame.left() - 0.05 * L.frame.width() * (xr > 0 ? 1 : 0),
                             L.frame.top() - 0.05 * L.frame.height() * (yr > 0 ? 1 : 0)),
                     QPointF(L.frame.right() + 0.05 * L.frame.width() * (xr > 0 ? 1 : 0),
                             L.frame.bottom() + 0.05 * L.frame.height() * (yr > 0 ? 1 : 0)));
    if (xr <= 0 || yr <= 0) st.area = L.frame;
    const double W = canvasSize.width(), H = canvasSize.height();
    auto px = [&](double x) { return toPixelX(st, x, W); };
    auto py = [&](double y) { return toPixelY(st, y, H); };

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(QRectF(QPointF(0, 0), canvasSize), opt.backgroundColor());
    for (const Text& t : L.texts)
        if (t.role != QLatin1String("yCaption")) drawText(painter, t, opt);
    drawRotatedCaption(painter, L.yCaption, opt);

    // Axes, in the style the canvas holds.
    const QColor axes = opt.penColor(Axes);
    const double xa = verticalAxisX(st.xMin, st.xMax), ya = horizontalAxisY(st.yMin, st.yMax);
    const double thick = roundHalfEven(2 * L.ratio), thin = roundHalfEven(L.ratio);
    painter.setPen(linePen(axes, thick, lineStyle));
    painter.drawLine(QLineF(px(st.xMin), py(ya), px(st.xMax), py(ya)));
    painter.drawLine(QLineF(px(xa), py(st.yMin), px(xa), py(st.yMax)));

    const Qt::PenStyle vertical = opt.verticalGridStyle();
    if (vertical != Qt::NoPen) {
        lineStyle = vertical;
        painter.setPen(linePen(axes, thin, lineStyle));
        for (double x : L.xGrid) painter.drawLine(QLineF(px(x), py(st.yMax), px(x), py(st.yMin)));
    } else {
        painter.setPen(linePen(axes, thin, lineStyle));
        for (double x : L.xGrid) painter.drawLine(QLineF(px(x), py(ya) - 3, px(x), py(ya) + 3));
    }
    const Qt::PenStyle horizontal = opt.horizontalGridStyle();
    const auto ys = YGridPositions(st.yMin, st.yMax);
    if (horizontal != Qt::NoPen) {
        lineStyle = horizontal;
        painter.setPen(linePen(axes, thin, lineStyle));
        for (double y : ys) painter.drawLine(QLineF(px(st.xMin), py(y), px(st.xMax), py(y)));
    } else {
        painter.setPen(linePen(axes, thin, lineStyle));
        for (double y : ys) painter.drawLine(QLineF(px(xa) - 5, py(y), px(xa) + 5, py(y)));
    }

    // Curves stay inside the frame whatever the overrides cut away.
    painter.save();
    painter.setClipRect(L.frame.adjusted(-thin, -thin, thin, thin), Qt::IntersectClip);
    std::vector<QLineF> drawn; // every curve segment, for the peak labels to keep clear of
    for (std::size_t i = 0; i < held.size(); ++i) {
        const std::vector<QLineF> segs =
            curvePixels(st, held[i].frequencies.data(), held[i].spectrum.data(),
                        held[i].pointCount(), true, canvasSize, L.frame.width());
        drawSegments(painter, segs, heldCurvePen(opt, static_cast<int>(i), thin),
                     held[i].pointCount() > 4 * L.frame.width());
        drawn.insert(drawn.end(), segs.begin(), segs.end());
    }
    lineStyle = Qt::SolidLine;
    {
        const std::vector<QLineF> segs = curvePixels(
            st, st.freq.data(), st.psd.data(),
            std::min<int>(st.n, static_cast<int>(std::min(st.freq.size(), st.psd.size()))), false,
            canvasSize, L.frame.width());
        drawSegments(painter, segs, linePen(opt.penColor(Curve1), thin, Qt::SolidLine),
                     st.n > 4 * L.frame.width());
        drawn.insert(drawn.end(), segs.begin(), segs.end());
    }
    painter.restore();
    // Black-and-white plots leave the canvas dashed for whatever is drawn next.
    if (opt.blackAndWhite) lineStyle = Qt::DashLine;

    // Legend samples in the pens of their curves; the live run last.
    for (std::size_t i = 0; i < L.legendSamples.size(); ++i) {
        const QRectF s = L.legendSamples[i];
        const QPen pen = i < held.size() ? heldCurvePen(opt, static_cast<int>(i), 2 * thin)
                                         : linePen(opt.penColor(Curve1), 2 * thin, Qt::SolidLine);
        painter.setPen(pen);
        painter.drawLine(QLineF(s.left(), s.center().y(), s.right(), s.center().y()));
    }

    // Peak marks last, clear of everything drawn before them.
    std::vector<PeakMark> marks;
    if (extras.peakMarks > 0) {
        MarkObstacles ob;
        ob.frame = L.frame;
        for (const Text& t : L.texts) ob.boxes.push_back(t.box);
        ob.boxes.insert(ob.boxes.end(), L.legendSamples.begin(), L.legendSamples.end());
        ob.lines = drawn;
        ob.lines.emplace_back(px(st.xMin), py(ya), px(st.xMax), py(ya));
        ob.lines.emplace_back(px(xa), py(st.yMin), px(xa), py(st.yMax));
        ob.clearance = std::max(2.0, 3 * L.ratio);
        marks = placePeakMarks(st, prominentPeaks(st, std::min(extras.peakMarks, kMaxPeakMarks)),
                               canvasSize, L.small, L.ratio, ob);
        drawPeakMarks(painter, marks, opt.penColor(Titles), L.small);
    }

    if (extras.layout) {
        extras.layout->canvas = canvasSize;
        extras.layout->frame = L.frame;
        extras.layout->texts.clear();
        for (const Text& t : L.texts) extras.layout->texts.push_back({t.role, t.text, t.box});
        extras.layout->legendSamples = L.legendSamples;
        extras.layout->peakTriangles.clear();
        for (const PeakMark& m : marks) {
            extras.layout->peakTriangles.push_back(m.triangle);
            if (!m.label.isEmpty())
                extras.layout->texts.push_back({QStringLiteral("peakLabel"), m.label, m.labelBox});
        }
        extras.layout->curveLines = std::move(drawn);
    }
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
                    OutputText& out, const PlotEnvironment& env, PeakList* peaks,
                    const DrawExtras& extras) {
    writeRunHeader(out, in.jobPath, env.now());
    return plotResults(canvas, in, opt, out, env, peaks, extras);
}

PlotScale plotResults(PlotCanvas& canvas, const PlotInput& in, const PlotOptions& opt,
                      OutputText& out, const PlotEnvironment& env, PeakList* peaks,
                      const DrawExtras& extras) {
    Qt::PenStyle style = canvas.lineStyle();
    PlotScale st;
    {
        QPainter p(&canvas.image());
        st = drawPlot(p, QSizeF(canvas.size()), style, in, opt, out, env, extras);
    }
    canvas.setLineStyle(style);
    PeakList pl = listPeaks(st, out);
    if (peaks) *peaks = std::move(pl);
    return st;
}

PlotScale renderPlot(QPaintDevice& device, QSize logicalCanvas, const PlotInput& in,
                     const PlotOptions& opt, const PlotEnvironment& env, OutputText* out,
                     const DrawExtras& extras) {
    OutputText scratch;
    OutputText& o = out ? *out : scratch;
    const QSize logical = logicalCanvas.expandedTo(QSize(1, 1));
    QPainter p(&device);
    const double scale = std::min(static_cast<double>(device.width()) / logical.width(),
                                  static_cast<double>(device.height()) / logical.height());
    p.scale(scale, scale);
    p.setClipRect(QRectF(QPointF(0, 0), QSizeF(logical)));
    Qt::PenStyle style = Qt::SolidLine;
    return drawPlot(p, QSizeF(logical), style, in, opt, o, env, extras);
}

QImage renderPlotImage(const PlotInput& in, const PlotOptions& opt, QSize size,
                       const PlotEnvironment& env, OutputText* out, const DrawExtras& extras) {
    QImage img(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    OutputText scratch;
    OutputText& o = out ? *out : scratch;
    QPainter p(&img);
    Qt::PenStyle style = Qt::SolidLine;
    drawPlot(p, QSizeF(img.size()), style, in, opt, o, env, extras);
    return img;
}

QString peakSummaryText(const std::vector<double>& f) {
    auto rounded = [](double v, int d) {
        const double scale = std::pow(10.0, d);
        return roundHalfEven(v * scale) / scale;
    };
    int decimals = 0;
    for (; decimals < 6; ++decimals) {
        bool ok = true;
        for (std::size_t i = 0; i < f.size() && ok; ++i) {
            const double r = rounded(f[i], decimals);
            ok = std::fabs(r - f[i]) <= 0.05 * std::fabs(f[i]);
            for (std::size_t j = 0; j < i && ok; ++j) ok = r != rounded(f[j], decimals);
        }
        if (ok) break;
    }
    QString s;
    for (double v : f) {
        const double r = rounded(v, decimals) + 0.0; // no "-0"
        s += QStringLiteral("  ") +
             (decimals == 0 ? numberText(r) : QString::number(r == 0 ? 0.0 : r, 'f', decimals));
    }
    return s;
}

PeakList listPeaks(const PlotScale& st, OutputText& out) {
    PeakList pl;
    const std::vector<float>& f = st.freq;
    const std::vector<float>& y = st.psd;
    const int n = std::min<int>(st.n, static_cast<int>(std::min(f.size(), y.size())));
    auto at = [](const std::vector<float>& v, int i) { return v[static_cast<std::size_t>(i)]; };
    auto add = [&](int i) { pl.byPosition.push_back({i, at(f, i), at(y, i)}); };
    // A two-sided plot shows its negative frequencies, so their peaks count too.
    bool twoSided = false;
    for (int i = 0; i < n && !twoSided; ++i) twoSided = at(f, i) < 0;
    auto counts = [&](int i) { return twoSided || at(f, i) > 0; };
    // A single point has no neighbour to compare with: no peak.
    if (n >= 2) {
        if (counts(0) && at(y, 0) > at(y, 1)) add(0);
        for (int i = 1; i <= n - 2 && static_cast<int>(pl.byPosition.size()) < kMaxPeaks; ++i) {
            if (counts(i) && at(y, i - 1) < at(y, i) && at(y, i) > at(y, i + 1)) add(i);
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
        pl.summary = twoSided ? QStringLiteral("none") : QStringLiteral("none > 0!");
    } else {
        std::vector<double> freqs;
        for (const Peak& pk : v) freqs.push_back(static_cast<double>(pk.frequency) * st.xFactor);
        pl.summary = peakSummaryText(freqs);
    }
    out.append(QStringLiteral(" "));
    out.append(QStringLiteral(" Peak Frequencies: ") + pl.summary);
    return pl;
}

} // namespace lumetra::plot
