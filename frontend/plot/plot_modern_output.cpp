#include "plot_modern_output.h"

#include "atomic_write.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygonF>
#ifdef LUMETRA_PLOT_HAVE_SVG
#include <QSvgGenerator>
#endif

#include <algorithm>
#include <cmath>
#include <numeric>

namespace lumetra::plot {
namespace {
const QString kViewValue = QStringLiteral("PlotView");
} // namespace

void orderByFrequency(ModernCurve& c) {
    const std::size_t n = std::min(c.frequencyHz.size(), c.densityDb.size());
    std::vector<std::size_t> idx(n);
    std::iota(idx.begin(), idx.end(), std::size_t{0});
    std::stable_sort(idx.begin(), idx.end(), [&](std::size_t a, std::size_t b) {
        return c.frequencyHz[a] < c.frequencyHz[b];
    });
    std::vector<double> f(n), d(n);
    for (std::size_t i = 0; i < n; ++i) f[i] = c.frequencyHz[idx[i]], d[i] = c.densityDb[idx[i]];
    c.frequencyHz = std::move(f);
    c.densityDb = std::move(d);
}

namespace {

bool segmentMeets(QLineF s, const QRectF& r) {
    if (r.contains(s.p1()) || r.contains(s.p2())) return true;
    const QLineF edges[] = {{r.topLeft(), r.topRight()},
                            {r.topRight(), r.bottomRight()},
                            {r.bottomRight(), r.bottomLeft()},
                            {r.bottomLeft(), r.topLeft()}};
    for (const QLineF& e : edges)
        if (s.intersects(e, nullptr) == QLineF::BoundedIntersection) return true;
    return false;
}

} // namespace

std::vector<ModernMark> drawModernMarks(QPainter& p, QSizeF canvas, const ModernLayout& L,
                                        const std::vector<const ModernCurve*>& curves,
                                        const ModernPeaks& peaks) {
    std::vector<ModernMark> out;
    const QRectF f = L.frame;
    if (f.width() <= 0 || f.height() <= 0 || !(L.xHi > L.xLo) || !(L.yHi > L.yLo)) return out;
    auto px = [&](double x) { return modernPixelX(L, x); };
    auto py = [&](double y) { return modernPixelY(L, y); };
    // The drawing's own text size and scale.
    const double r = std::max(0.5, std::min(canvas.width() / 640.0, canvas.height() / 480.0));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(8, static_cast<int>(std::lround(11 * r))));
    const QFontMetricsF fm(font);
    const Engineering e = engineeringFor(std::max(std::fabs(L.xLo), std::fabs(L.xHi)));
    const double scale = std::pow(10.0, e.exponent);
    std::vector<QPolygonF> lines;
    for (const ModernCurve* c : curves) {
        QPolygonF poly;
        for (std::size_t i = 0; i < std::min(c->frequencyHz.size(), c->densityDb.size()); ++i)
            if (std::isfinite(c->frequencyHz[i]) && std::isfinite(c->densityDb[i]))
                poly << QPointF(px(c->frequencyHz[i]), py(c->densityDb[i]));
        lines.push_back(poly);
    }
    const double gap = 3 * r;
    p.save();
    p.setFont(font);
    p.setRenderHint(QPainter::Antialiasing, true);
    const std::size_t n =
        std::min({peaks.hz.size(), peaks.db.size(), static_cast<std::size_t>(peaks.count)});
    for (std::size_t k = 0; k < n; ++k) {
        ModernMark m;
        m.at = QPointF(px(peaks.hz[k]), py(peaks.db[k]));
        if (!f.contains(m.at)) continue;
        const double v = peaks.hz[k] / scale;
        // Zero has no significant digits to show: it reads "0".
        const int digits =
            v == 0 ? 0 : std::max(0, 2 - static_cast<int>(std::floor(std::log10(std::fabs(v)))));
        m.text = QStringLiteral("%1 %2Hz").arg(QString::number(v, 'f', digits), e.prefix);
        const double w = fm.horizontalAdvance(m.text), h = fm.height();
        const double tri = 5 * r;
        // Above the peak, else beside it at its height, right then left.
        const QRectF candidates[] = {
            QRectF(m.at.x() - w / 2, m.at.y() - tri - gap - h, w, h),
            QRectF(m.at.x() + tri + gap, m.at.y() - tri - h / 2, w, h),
            QRectF(m.at.x() - tri - gap - w, m.at.y() - tri - h / 2, w, h)};
        QRectF box;
        bool clear = false;
        for (const QRectF& c : candidates) {
            clear = f.contains(c);
            for (const ModernMark& o : out)
                clear = clear &&
                        !(o.box.isValid() && o.box.adjusted(-gap, -gap, gap, gap).intersects(c));
            const QRectF near = c.adjusted(-gap, -gap, gap, gap);
            for (const QPolygonF& line : lines)
                for (qsizetype i = 1; clear && i < line.size(); ++i)
                    clear = !segmentMeets(QLineF(line[i - 1], line[i]), near);
            if (clear) {
                box = c;
                break;
            }
        }
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 40, 40));
        p.drawPolygon(QPolygonF{m.at + QPointF(0, -1), m.at + QPointF(-tri / 2, -1 - tri),
                                m.at + QPointF(tri / 2, -1 - tri)});
        if (clear) {
            m.box = box;
            p.setPen(Qt::black);
            p.drawText(box, Qt::AlignCenter, m.text);
        }
        out.push_back(m);
    }
    p.restore();
    return out;
}

PlotView storedPlotView(const PlotSettingsStore& store) {
    const QVariant v = store.dword(kViewValue);
    return v.isValid() && v.toInt() == 1 ? PlotView::Modern : PlotView::Classic;
}

void storePlotView(PlotSettingsStore& store, PlotView view) {
    if (!store.keyExists()) store.createKey();
    store.setDword(kViewValue, view == PlotView::Modern ? 1 : 0);
}

std::optional<ModernLayout> saveModernPlot(const QString& path, QSize size, const ModernCurve& live,
                                           const std::vector<ModernCurve>& held,
                                           const QString& header, const QColor& curve1,
                                           QString* error, const ModernPeaks& peaks,
                                           const ModernView& view) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return std::nullopt;
    };
    if (const QString why = mixedViewsMessage(held, live.view); !why.isEmpty()) return fail(why);
    const QString suffix = QFileInfo(path).suffix().toLower();
    std::vector<const ModernCurve*> curves;
    for (const ModernCurve& c : held) curves.push_back(&c);
    curves.push_back(&live);
    auto marks = [&](QPainter& p, const std::optional<ModernLayout>& L) {
        if (L && peaks.count > 0) drawModernMarks(p, QSizeF(size), *L, curves, peaks);
    };
    QByteArray bytes;
    std::optional<ModernLayout> layout;
    if (suffix == u"svg") {
#ifdef LUMETRA_PLOT_HAVE_SVG
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(header);
        QPainter p(&svg);
        layout = drawModernPlot(p, QSizeF(size), live, held, header, curve1, view);
        marks(p, layout);
#else
        return fail(QStringLiteral("this build has no SVG support"));
#endif
    } else if (suffix == u"pdf") {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setResolution(72); // one device pixel per point: the canvas size is the page
        pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
        pdf.setPageMargins(QMarginsF());
        pdf.setTitle(header);
        QPainter p(&pdf);
        layout = drawModernPlot(p, QSizeF(size), live, held, header, curve1, view);
        marks(p, layout);
    } else {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            layout = drawModernPlot(p, QSizeF(size), live, held, header, curve1, view);
            marks(p, layout);
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (layout &&
            !image.save(&buffer, suffix.isEmpty() ? "png" : suffix.toLatin1().constData()))
            return fail(QStringLiteral("the image format '%1' cannot be written").arg(suffix));
    }
    if (!layout) return fail(QStringLiteral("the plot could not be drawn"));
    QString why;
    if (!writeFileAtomically(path, bytes, &why)) return fail(why);
    return layout;
}

} // namespace lumetra::plot
