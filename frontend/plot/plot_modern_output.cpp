#include "plot_modern_output.h"

#include "atomic_write.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#ifdef LUMETRA_PLOT_HAVE_SVG
#include <QSvgGenerator>
#endif

#include <algorithm>
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
                                           QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return std::nullopt;
    };
    if (const QString why = mixedViewsMessage(held, live.view); !why.isEmpty()) return fail(why);
    const QString suffix = QFileInfo(path).suffix().toLower();
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
        layout = drawModernPlot(p, QSizeF(size), live, held, header, curve1);
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
        layout = drawModernPlot(p, QSizeF(size), live, held, header, curve1);
    } else {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            layout = drawModernPlot(p, QSizeF(size), live, held, header, curve1);
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
