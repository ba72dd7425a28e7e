#include "plot_marks.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace lumetra::plot {

std::vector<PeakMark> peakMarks(const PlotScale& st, const PeakList& peaks, QSizeF canvas,
                                int labelled) {
    std::vector<PeakMark> marks;
    const int n = std::min<int>(st.n, static_cast<int>(std::min(st.freq.size(), st.psd.size())));
    for (const Peak& pk : peaks.byAmplitude) {
        if (pk.index < 0 || pk.index >= n) continue;
        const float x = st.freq[static_cast<std::size_t>(pk.index)];
        const float y = st.psd[static_cast<std::size_t>(pk.index)];
        if (!(st.xMin <= x && x <= st.xMax && st.yMin <= y && y <= st.yMax)) continue;
        PeakMark m;
        m.index = pk.index;
        m.at = QPointF(toPixelX(st, x, canvas.width()), toPixelY(st, y, canvas.height()));
        if (static_cast<int>(marks.size()) < labelled)
            m.label = QString::number(static_cast<double>(x) * st.xFactor, 'g', 5);
        marks.push_back(m);
    }
    return marks;
}

void drawPeakMarks(QPainter& p, const std::vector<PeakMark>& marks, const QColor& color,
                   double ratio, const QRectF& frame) {
    if (marks.empty()) return;
    const double size = std::max(4.0, 6 * ratio);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(color, 1));
    p.setBrush(color);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(8, static_cast<int>(std::lround(11 * ratio))));
    p.setFont(font);
    const QFontMetricsF fm(font);
    std::vector<QRectF> placed; // labels already written, highest peaks first
    for (const PeakMark& m : marks) {
        // The apex stops short of the curve so the peak itself stays visible.
        const double apex = m.at.y() - size / 2;
        const QPolygonF tri{QPointF(m.at.x(), apex), QPointF(m.at.x() - size / 2, apex - size),
                            QPointF(m.at.x() + size / 2, apex - size)};
        p.drawPolygon(tri);
        if (m.label.isEmpty()) continue;
        const double width = fm.horizontalAdvance(m.label);
        const double top = frame.isEmpty() ? 0.0 : frame.top();
        QPointF base(m.at.x() - width / 2, apex - size - fm.descent() - 1);
        if (base.y() - fm.ascent() < top) {
            // No room above: beside the triangle, on the side the frame has room for.
            const double right = m.at.x() + size;
            const bool fitsRight = frame.isEmpty() || right + width <= frame.right();
            base = QPointF(fitsRight ? right : m.at.x() - size - width,
                           std::max(apex - size / 2, top) + fm.ascent());
        }
        const QRectF box(base.x() - 2, base.y() - fm.ascent(), width + 4, fm.height());
        // A label that would cover a higher peak's label is left out.
        if (std::any_of(placed.begin(), placed.end(),
                        [&](const QRectF& r) { return r.intersects(box); }))
            continue;
        placed.push_back(box);
        p.drawText(base, m.label);
    }
    p.restore();
}

} // namespace lumetra::plot
