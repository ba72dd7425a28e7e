#include "plot_marks.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

namespace lumetra::plot {

double peakProminence(const std::vector<float>& y, int lo, int hi, int i) {
    const float h = y[static_cast<std::size_t>(i)];
    // The lowest point on one side up to the first higher one; none at an end of the range.
    auto side = [&](int step) -> std::optional<float> {
        if (i + step < lo || i + step > hi) return std::nullopt;
        float low = h;
        for (int k = i + step; k >= lo && k <= hi; k += step) {
            const float v = y[static_cast<std::size_t>(k)];
            if (v > h) break;
            low = std::min(low, v);
        }
        return low;
    };
    const auto left = side(-1), right = side(+1);
    if (!left && !right) return 0;
    const float base = !left ? *right : !right ? *left : std::max(*left, *right);
    return static_cast<double>(h) - base;
}

std::vector<int> prominentPeaks(const PlotScale& st, int count) {
    const int n = std::min<int>(st.n, static_cast<int>(std::min(st.freq.size(), st.psd.size())));
    auto at = [](const std::vector<float>& v, int i) { return v[static_cast<std::size_t>(i)]; };
    // The shown stretch of the curve (the frequencies rise along the arrays).
    int lo = 0, hi = n - 1;
    auto shown = [&](int i) {
        return std::isfinite(at(st.psd, i)) && at(st.freq, i) >= st.xMin &&
               at(st.freq, i) <= st.xMax;
    };
    while (lo < n && !shown(lo)) ++lo;
    while (hi >= lo && !shown(hi)) --hi;
    if (count <= 0 || hi - lo < 1) return {};
    for (int i = lo; i <= hi; ++i)
        if (!shown(i)) return {}; // a gap in the curve: no peak is sure
    const std::vector<float>& y = st.psd;

    std::vector<int> found;
    for (int i = lo + 1; i < hi; ++i) {
        if (!(at(y, i - 1) < at(y, i))) continue;
        int j = i;
        while (j + 1 < hi && at(y, j + 1) == at(y, i)) ++j;
        if (at(y, j + 1) < at(y, i)) found.push_back((i + j) / 2);
        i = j;
    }
    // An end of the data is a peak only as the highest point shown.
    for (int e : {lo, hi}) {
        const bool dataEnd = e == 0 || e == n - 1;
        bool highest = dataEnd;
        for (int k = lo; k <= hi && highest; ++k) highest = k == e || at(y, k) < at(y, e);
        if (highest) found.push_back(e);
    }
    std::vector<double> prom(found.size());
    for (std::size_t k = 0; k < found.size(); ++k) prom[k] = peakProminence(y, lo, hi, found[k]);
    std::vector<std::size_t> order(found.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (prom[a] != prom[b]) return prom[a] > prom[b];
        return found[a] < found[b];
    });
    std::vector<int> out;
    for (std::size_t k = 0; k < order.size() && static_cast<int>(out.size()) < count; ++k)
        out.push_back(found[order[k]]);
    return out;
}

namespace {

QString withDigits(double v, int digits) {
    if (v == 0) return QStringLiteral("0");
    const int e = static_cast<int>(std::floor(std::log10(std::fabs(v))));
    const int decimals = std::max(0, digits - 1 - e);
    return QString::number(v, 'f', decimals);
}

} // namespace

QStringList peakLabelTexts(const std::vector<double>& f) {
    auto texts = [&](int digits) {
        QStringList t;
        for (double v : f) t << withDigits(v, digits);
        return t;
    };
    int digits = 3;
    for (; digits < 8; ++digits) {
        QStringList unique = texts(digits);
        if (unique.removeDuplicates() == 0) break;
    }
    return texts(digits);
}

bool segmentTouchesRect(const QLineF& s, const QRectF& r) {
    if (r.contains(s.p1()) || r.contains(s.p2())) return true;
    const QRectF bounds = QRectF(s.p1(), s.p2()).normalized();
    if (bounds.right() < r.left() || bounds.left() > r.right() || bounds.bottom() < r.top() ||
        bounds.top() > r.bottom())
        return false;
    const QPointF c[4] = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
    for (int k = 0; k < 4; ++k)
        if (s.intersects(QLineF(c[k], c[(k + 1) % 4]), nullptr) == QLineF::BoundedIntersection)
            return true;
    return false;
}

std::vector<PeakMark> placePeakMarks(const PlotScale& st, const std::vector<int>& peaks,
                                     QSizeF canvas, const QFont& font, double ratio,
                                     const MarkObstacles& ob) {
    std::vector<PeakMark> marks;
    const double half = std::max(3.0, 4 * ratio), height = std::max(5.0, 7 * ratio);
    const double lift = std::max(2.0, 2 * ratio); // the apex stops short of the curve
    const double gap = std::max(2.0, 3 * ratio);
    std::vector<double> freqs;
    for (int i : peaks) {
        const auto k = static_cast<std::size_t>(i);
        const float x = st.freq[k], y = st.psd[k];
        if (!(st.xMin <= x && x <= st.xMax && st.yMin <= y && y <= st.yMax)) continue;
        PeakMark m;
        m.index = i;
        m.at = QPointF(toPixelX(st, x, canvas.width()), toPixelY(st, y, canvas.height()));
        const double apex = m.at.y() - lift;
        m.triangle = QPolygonF{QPointF(m.at.x(), apex), QPointF(m.at.x() - half, apex - height),
                               QPointF(m.at.x() + half, apex - height)};
        marks.push_back(m);
        freqs.push_back(static_cast<double>(x) * st.xFactor);
    }
    const QStringList texts = peakLabelTexts(freqs);
    const QFontMetricsF fm(font);
    const QRectF inside = ob.frame.adjusted(2, 2, -2, -2);
    std::vector<QRectF> taken;
    for (const PeakMark& m : marks) taken.push_back(m.triangle.boundingRect());
    for (std::size_t k = 0; k < marks.size(); ++k) {
        PeakMark& m = marks[k];
        const QSizeF size(fm.horizontalAdvance(texts[static_cast<int>(k)]) + 2, fm.height());
        const QRectF tri = m.triangle.boundingRect();
        const double x = m.at.x();
        // Places around the triangle, nearest first: above it, beside it, a line or a few
        // higher or lower, further out to either side.
        std::vector<QPointF> tries;
        const double w = size.width(), h = size.height();
        const double above = tri.top() - gap - h;
        for (double ox : {-w / 2, half + gap, -half - gap - w, half + gap + w / 2,
                          -half - gap - 1.5 * w, half + gap + w, -half - gap - 2 * w})
            for (int level = -3; level <= 4; ++level)
                tries.emplace_back(x + ox, above - level * (h + gap));
        const QPointF centre = tri.center();
        std::stable_sort(tries.begin(), tries.end(), [&](const QPointF& a, const QPointF& b) {
            const QPointF da = a + QPointF(w / 2, h / 2) - centre,
                          db = b + QPointF(w / 2, h / 2) - centre;
            return QPointF::dotProduct(da, da) < QPointF::dotProduct(db, db);
        });
        for (const QPointF& p : tries) {
            const QRectF box(p, size);
            if (!ob.frame.isEmpty() && !inside.contains(box)) continue;
            const QRectF clear =
                box.adjusted(-ob.clearance, -ob.clearance, ob.clearance, ob.clearance);
            auto hits = [&](const QRectF& r) { return r.intersects(box); };
            if (std::any_of(taken.begin(), taken.end(), hits) ||
                std::any_of(ob.boxes.begin(), ob.boxes.end(), hits) ||
                std::any_of(ob.lines.begin(), ob.lines.end(),
                            [&](const QLineF& l) { return segmentTouchesRect(l, clear); }))
                continue;
            m.label = texts[static_cast<int>(k)];
            m.labelBox = box;
            taken.push_back(box);
            break;
        }
    }
    return marks;
}

void drawPeakMarks(QPainter& p, const std::vector<PeakMark>& marks, const QColor& color,
                   const QFont& font) {
    if (marks.empty()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(color, 1));
    p.setBrush(color);
    p.setFont(font);
    const QFontMetricsF fm(font);
    for (const PeakMark& m : marks) {
        p.drawPolygon(m.triangle);
        if (!m.label.isEmpty())
            p.drawText(QPointF(m.labelBox.left() + 1, m.labelBox.top() + fm.ascent()), m.label);
    }
    p.restore();
}

} // namespace lumetra::plot
