#include "plot_modern.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <array>
#include <cmath>

namespace lumetra::plot {

std::vector<double> roundTicks(double lo, double hi, int maxTicks) {
    if (!std::isfinite(lo) || !std::isfinite(hi) || maxTicks < 2) return {};
    if (hi < lo) std::swap(lo, hi);
    if (hi == lo) return {lo};
    const double raw = (hi - lo) / (maxTicks - 1);
    double p = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 0;
    for (;; p *= 10) {
        for (double m : {1.0, 2.0, 5.0})
            if (m * p >= raw * (1 - 1e-12)) {
                step = m * p;
                break;
            }
        if (step > 0) break;
    }
    std::vector<double> ticks;
    const double first = std::ceil(lo / step - 1e-9), last = std::floor(hi / step + 1e-9);
    for (double k = first; k <= last; ++k) ticks.push_back(k == 0 ? 0.0 : k * step);
    return ticks;
}

Engineering engineeringFor(double largest) {
    static const std::array<const char*, 9> prefixes = {"p", "n", "\u00b5", "m", "",
                                                        "k", "M", "G",      "T"};
    const double a = std::fabs(largest);
    int e = a > 0 && std::isfinite(a) ? static_cast<int>(std::floor(std::log10(a) / 3)) * 3 : 0;
    e = std::clamp(e, -12, 12);
    return {e, QString::fromUtf8(prefixes[static_cast<std::size_t>(e / 3 + 4)])};
}

QString engineeringText(double v, const Engineering& e, double step) {
    const double scale = std::pow(10.0, e.exponent);
    const double s = std::fabs(step / scale);
    // As many decimals as the step needs (2.5 k: one), so neighbouring ticks read apart.
    int decimals = 0;
    while (decimals < 9 && s > 0 &&
           std::fabs(s * std::pow(10.0, decimals) - std::round(s * std::pow(10.0, decimals))) >
               1e-6 * s * std::pow(10.0, decimals))
        ++decimals;
    const double x = v / scale;
    return QString::number(x == 0 || std::fabs(x) < s * 1e-9 ? 0.0 : x, 'f', decimals);
}

bool colorsClose(const QColor& a, const QColor& b) {
    const double rm = (a.red() + b.red()) / 2.0;
    const double dr = a.red() - b.red(), dg = a.green() - b.green(), db = a.blue() - b.blue();
    const double d =
        std::sqrt((2 + rm / 256) * dr * dr + 4 * dg * dg + (2 + (255 - rm) / 256) * db * db);
    return d < 100;
}

std::vector<QColor> curveColors(int count, const QColor& avoid) {
    static const std::array<QColor, 6> okabeIto = {QColor(0, 114, 178),  QColor(213, 94, 0),
                                                   QColor(0, 158, 115),  QColor(204, 121, 167),
                                                   QColor(86, 180, 233), QColor(230, 159, 0)};
    std::vector<QColor> usable;
    for (const QColor& c : okabeIto)
        if (!avoid.isValid() || !colorsClose(c, avoid)) usable.push_back(c);
    std::vector<QColor> out;
    for (int i = 0; i < count; ++i)
        out.push_back(usable[static_cast<std::size_t>(i) % usable.size()]);
    return out;
}

QString mixedViewsMessage(const std::vector<ModernCurve>& held, PlotView live) {
    auto name = [](PlotView v) {
        return v == PlotView::Modern ? QStringLiteral("modern view (dB/Hz against Hz)")
                                     : QStringLiteral("classic view (dB against frequency)");
    };
    for (const ModernCurve& c : held)
        if (c.view != live)
            return QStringLiteral("The held curves are in the %1 and this run is in the %2: one "
                                  "plot shows one view's units. Clear the held curves, or switch "
                                  "the view back, to draw them together.")
                .arg(name(c.view), name(live));
    return {};
}

QString modernReadout(double frequencyHz, double densityDb) {
    const Engineering e = engineeringFor(frequencyHz);
    return QStringLiteral("Frequency %1 %2Hz   PSD %3 dB/Hz")
        .arg(QString::number(frequencyHz / std::pow(10.0, e.exponent), 'g', 6), e.prefix,
             QString::number(densityDb, 'f', 2));
}

double modernPixelX(const ModernLayout& L, double hz) {
    return L.frame.left() + (hz - L.xLo) / (L.xHi - L.xLo) * L.frame.width();
}

double modernPixelY(const ModernLayout& L, double db) {
    return L.frame.bottom() - (db - L.yLo) / (L.yHi - L.yLo) * L.frame.height();
}

double modernHzAt(const ModernLayout& L, double pixelX) {
    return L.xLo + (pixelX - L.frame.left()) / L.frame.width() * (L.xHi - L.xLo);
}

double modernDbAt(const ModernLayout& L, double pixelY) {
    return L.yLo + (L.frame.bottom() - pixelY) / L.frame.height() * (L.yHi - L.yLo);
}

CurveRanges modernDataRanges(const ModernCurve& live, const std::vector<ModernCurve>& held) {
    double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
    auto add = [&](const ModernCurve& c) {
        for (std::size_t i = 0; i < std::min(c.frequencyHz.size(), c.densityDb.size()); ++i) {
            if (!std::isfinite(c.frequencyHz[i]) || !std::isfinite(c.densityDb[i])) continue;
            x0 = std::min(x0, c.frequencyHz[i]), x1 = std::max(x1, c.frequencyHz[i]);
            y0 = std::min(y0, c.densityDb[i]), y1 = std::max(y1, c.densityDb[i]);
        }
    };
    for (const ModernCurve& c : held) add(c);
    add(live);
    if (!(x1 >= x0)) return {};
    // A zero of the density (the mean removed at 0 Hz) lies thousands of dB down.
    return {{x0, x1}, {std::max(y0, y1 - kModernDynamicRangeDb), y1}};
}

namespace {

// A frequency view over the data's whole span is the whole plot again. (The whole plot's dB
// axis has room above the data: a dB view of the data's range is still a zoom, so the next
// notch goes on from it.)
void wholeWhenAll(std::optional<AxisRange>& view, AxisRange data) {
    const double slack = 1e-9 * data.width();
    if (view && view->lo <= data.lo + slack && view->hi >= data.hi - slack) view.reset();
}

// Within the data; a view as wide as the data or wider is the data's range itself, exactly.
AxisRange withinData(AxisRange r, double anchor, AxisRange data) {
    if (data.width() > 0 && std::isfinite(data.width()) && r.width() >= data.width()) return data;
    return limitedView(r, anchor, data);
}

} // namespace

bool ModernExplorer::zoomAt(const ModernLayout& L, QPointF pixel, double notches, bool both,
                            const CurveRanges& data) {
    if (notches == 0 || !(L.frame.width() > 0) || !(L.frame.height() > 0)) return false;
    const ModernView before = view_;
    const double factor = std::pow(kZoomPerNotch, notches);
    const double ax = modernHzAt(L, pixel.x());
    view_.x = withinData(zoomAbout({L.xLo, L.xHi}, ax, factor), ax, data.x);
    if (both) {
        const double ay = modernDbAt(L, pixel.y());
        view_.y = withinData(zoomAbout({L.yLo, L.yHi}, ay, factor), ay, data.y);
    }
    wholeWhenAll(view_.x, data.x);
    return !(view_ == before);
}

bool ModernExplorer::zoomToBand(const ModernLayout& L, QRectF pixels, bool both,
                                const CurveRanges& data) {
    if (!(L.frame.width() > 0) || !(L.frame.height() > 0)) return false;
    const ModernView before = view_;
    const AxisRange x = bandRange(modernHzAt(L, pixels.left()), modernHzAt(L, pixels.right()));
    view_.x = withinData(x, (x.lo + x.hi) / 2, data.x);
    if (both && pixels.height() >= 1) {
        const AxisRange y = bandRange(modernDbAt(L, pixels.top()), modernDbAt(L, pixels.bottom()));
        view_.y = withinData(y, (y.lo + y.hi) / 2, data.y);
    }
    wholeWhenAll(view_.x, data.x);
    return !(view_ == before);
}

void ModernExplorer::startPan(const ModernLayout& L, QPointF pixel, bool both) {
    if (!(L.frame.width() > 0) || !(L.frame.height() > 0)) return;
    pan_ = PanStart{L, pixel, {L.xLo, L.xHi}, {L.yLo, L.yHi}, both || view_.y.has_value()};
}

bool ModernExplorer::panTo(QPointF pixel, const CurveRanges& data) {
    if (!pan_) return false;
    const ModernView before = view_;
    const ModernLayout& L = pan_->layout;
    // The view moves with the drag: the point taken stays under the cursor.
    const double dx = modernHzAt(L, pixel.x()) - modernHzAt(L, pan_->pixel.x());
    // A whole axis that cannot move stays unzoomed.
    const AxisRange x = keepWithin(panBy(pan_->x, -dx), data.x);
    if (view_.x || !(x == pan_->x)) view_.x = x;
    if (pan_->yMoves) {
        const double dy = modernDbAt(L, pixel.y()) - modernDbAt(L, pan_->pixel.y());
        const AxisRange y = keepWithin(panBy(pan_->y, -dy), data.y);
        if (view_.y || !(y == pan_->y)) view_.y = y;
    }
    return !(view_ == before);
}

std::optional<ModernLayout> drawModernPlot(QPainter& p, QSizeF canvas, const ModernCurve& live,
                                           const std::vector<ModernCurve>& held,
                                           const QString& header, const QColor& curve1,
                                           const ModernView& view) {
    if (!mixedViewsMessage(held, PlotView::Modern).isEmpty() || live.view != PlotView::Modern)
        return std::nullopt;
    ModernLayout L;
    std::vector<const ModernCurve*> curves;
    for (const ModernCurve& c : held) curves.push_back(&c);
    curves.push_back(&live);
    const CurveRanges data = modernDataRanges(live, held);
    double x0 = data.x.lo, x1 = data.x.hi, y0 = data.y.lo, y1 = data.y.hi;
    if (!(x1 > x0)) x0 -= 0.5, x1 += 0.5;
    if (!(y1 > y0)) y0 -= 1, y1 += 1;
    if (view.x && view.x->width() > 0) x0 = view.x->lo, x1 = view.x->hi;
    L.xTicks = roundTicks(x0, x1, 9);
    if (view.y && view.y->width() > 0) {
        // A zoomed view is shown as asked, its ticks inside.
        y0 = view.y->lo, y1 = view.y->hi;
        L.yTicks = roundTicks(y0, y1, 7);
    } else {
        // Room above the highest point for its peak label; below it the curve may leave the
        // frame 120 dB down.
        y1 += 0.08 * (y1 - y0);
        // The dB axis on its round ticks, a little beyond the data.
        const std::vector<double> yt = roundTicks(y0, y1, 7);
        const double ystep = yt.size() >= 2 ? yt[1] - yt[0] : 1;
        y0 = std::floor(y0 / ystep) * ystep;
        y1 = std::ceil(y1 / ystep) * ystep;
        L.yTicks = roundTicks(y0, y1, 7);
        // The widened range may take a coarser step: the frame ends on that step's ticks too.
        if (L.yTicks.size() >= 2 && L.yTicks[1] - L.yTicks[0] > ystep) {
            const double s = L.yTicks[1] - L.yTicks[0];
            y0 = std::floor(y0 / s) * s;
            y1 = std::ceil(y1 / s) * s;
            L.yTicks = roundTicks(y0, y1, 7);
        }
    }
    const Engineering ex = engineeringFor(std::max(std::fabs(x0), std::fabs(x1)));
    const double xstep = L.xTicks.size() >= 2 ? L.xTicks[1] - L.xTicks[0] : 1;
    for (double t : L.xTicks) L.xLabels.push_back(engineeringText(t, ex, xstep));
    const double ytick = L.yTicks.size() >= 2 ? L.yTicks[1] - L.yTicks[0] : 1;
    for (double t : L.yTicks) L.yLabels.push_back(engineeringText(t, Engineering{}, ytick));
    L.xCaption = QStringLiteral("Frequency (%1Hz)").arg(ex.prefix);
    L.yCaption = QStringLiteral("PSD (dB/Hz)");
    L.header = header;
    L.colors = curveColors(static_cast<int>(curves.size()), curve1);

    const double r = std::max(0.5, std::min(canvas.width() / 640.0, canvas.height() / 480.0));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(8, static_cast<int>(std::lround(12 * r))));
    const QFontMetricsF fm(font);
    const double m = 8 * r, lh = fm.height();
    double yLabelW = 0;
    for (const QString& t : L.yLabels) yLabelW = std::max(yLabelW, fm.horizontalAdvance(t));
    const double legendH = (lh + 2 * r) * static_cast<double>(curves.size());
    L.frame = QRectF(
        QPointF(m + lh + m + yLabelW + m, m + lh + m),
        QPointF(canvas.width() - m -
                    fm.horizontalAdvance(L.xLabels.empty() ? QString() : L.xLabels.back()) / 2,
                canvas.height() - m - legendH - m - lh - m - lh - m));
    L.xLo = x0, L.xHi = x1, L.yLo = y0, L.yHi = y1;
    const QRectF f = L.frame;
    auto px = [&](double x) { return modernPixelX(L, x); };
    auto py = [&](double y) { return modernPixelY(L, y); };

    p.save();
    p.fillRect(QRectF(QPointF(0, 0), canvas), Qt::white);
    p.setFont(font);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QColor(60, 60, 60));
    p.drawText(QRectF(m, m, canvas.width() - 2 * m, lh), Qt::AlignLeft | Qt::AlignVCenter,
               fm.elidedText(header, Qt::ElideMiddle, canvas.width() - 2 * m));
    const QPen grid(QColor(225, 225, 225), std::max(1.0, r));
    for (std::size_t k = 0; k < L.xTicks.size(); ++k) {
        const double x = px(L.xTicks[k]);
        if (x < f.left() - 0.5 || x > f.right() + 0.5) continue;
        p.setPen(grid);
        p.drawLine(QLineF(x, f.top(), x, f.bottom()));
        p.setPen(Qt::black);
        const double w = fm.horizontalAdvance(L.xLabels[k]);
        p.drawText(QPointF(x - w / 2, f.bottom() + m / 2 + fm.ascent()), L.xLabels[k]);
    }
    for (std::size_t k = 0; k < L.yTicks.size(); ++k) {
        const double y = py(L.yTicks[k]);
        p.setPen(grid);
        p.drawLine(QLineF(f.left(), y, f.right(), y));
        p.setPen(Qt::black);
        const double w = fm.horizontalAdvance(L.yLabels[k]);
        p.drawText(QPointF(f.left() - m / 2 - w, y - lh / 2 + fm.ascent()), L.yLabels[k]);
    }
    p.setPen(QPen(Qt::black, std::max(1.0, r)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(f);
    p.drawText(QRectF(f.left(), f.bottom() + m / 2 + lh + m / 2, f.width(), lh), Qt::AlignHCenter,
               L.xCaption);
    p.save();
    p.translate(m + lh / 2, f.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-f.height() / 2, -lh / 2, f.height(), lh), Qt::AlignCenter, L.yCaption);
    p.restore();
    p.setClipRect(f);
    for (std::size_t c = 0; c < curves.size(); ++c) {
        QPolygonF line;
        const ModernCurve& cv = *curves[c];
        for (std::size_t i = 0; i < std::min(cv.frequencyHz.size(), cv.densityDb.size()); ++i)
            if (std::isfinite(cv.frequencyHz[i]) && std::isfinite(cv.densityDb[i]))
                line << QPointF(px(cv.frequencyHz[i]), py(cv.densityDb[i]));
        p.setPen(QPen(L.colors[c], std::max(1.0, 1.5 * r)));
        p.drawPolyline(line);
    }
    p.setClipping(false);
    double ly = canvas.height() - m - legendH;
    for (std::size_t c = 0; c < curves.size(); ++c) {
        p.setPen(QPen(L.colors[c], std::max(2.0, 2 * r)));
        p.drawLine(QLineF(m, ly + lh / 2, m + 24 * r, ly + lh / 2));
        p.setPen(Qt::black);
        p.drawText(QPointF(m + 24 * r + m / 2, ly + fm.ascent()), curves[c]->label);
        ly += lh + 2 * r;
    }
    p.restore();
    return L;
}

} // namespace lumetra::plot
