#include "signal_page.h"

#include "job_state.h"
#include "plot_page.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace lumetra {
namespace {

constexpr double kZoomPerNotch = 0.8;
constexpr double kMaxZoomOut = 16;

QString number(double v) {
    return QString::number(v, 'g', 7);
}

} // namespace

bool SignalModel::follow(const JobState& state) {
    const JobAnswers& a = state.answers;
    const QString path = state.dataFilePath();
    const QFileInfo info(path);
    const QString key = QStringList{path,
                                    info.lastModified().toString(Qt::ISODateWithMs),
                                    QString::number(info.size()),
                                    a.answer(2),
                                    a.answer(3),
                                    a.answer(4)}
                            .join(u'\n');
    if (key == key_) return false;
    key_ = key;
    zoomX_.reset();
    zoomY_.reset();
    pan_.reset();
    if (!info.isFile()) {
        result_ = {};
        result_.problem = data::ImportProblem::BadChoice;
        result_.message = QStringLiteral("The job's data file %1 is not there.").arg(path);
        stats_ = {};
        return true;
    }
    const bool complex = !a.answer(4).trimmed().startsWith(u'R', Qt::CaseInsensitive);
    result_ = data::readJobData(path, a.answer(2).trimmed().toInt(), a.answer(3).trimmed().toInt(),
                                complex);
    stats_ = result_.ok() ? data::seriesStats(result_.series) : data::SeriesStats{};
    return true;
}

QString SignalModel::statsText() const {
    if (!result_.ok()) return result_.message;
    const data::ImportedSeries& s = result_.series;
    const data::SeriesStats& st = stats_;
    QString t = QStringLiteral("%1\n\nCount: %2 %3 samples\nInterval: %4 s (%5 Hz)\n")
                    .arg(s.source)
                    .arg(st.count)
                    .arg(s.complex ? QStringLiteral("complex") : QStringLiteral("real"))
                    .arg(number(st.interval))
                    .arg(number(1 / st.interval));
    if (s.complex) {
        t += QStringLiteral("Mean: %1 %2 %3j\n")
                 .arg(number(st.mean), st.meanIm < 0 ? QStringLiteral("-") : QStringLiteral("+"),
                      number(std::abs(st.meanIm)));
        t += QStringLiteral("Standard deviation: %1\n").arg(number(st.std));
        t += QStringLiteral("Min, max (real): %1, %2\nMin, max (imaginary): %3, %4\n")
                 .arg(number(st.min), number(st.max), number(st.minIm), number(st.maxIm));
    } else {
        t += QStringLiteral("Mean: %1\nStandard deviation: %2\nMin: %3\nMax: %4\n")
                 .arg(number(st.mean), number(st.std), number(st.min), number(st.max));
    }
    for (const QString& w : s.warnings) t += QStringLiteral("\nWarning: ") + w;
    return t;
}

plot::PlotInput SignalModel::realInput() const {
    plot::PlotInput in;
    const data::ImportedSeries& s = result_.series;
    for (std::size_t k = 0; k < s.re.size(); ++k) {
        in.frequencies.push_back(static_cast<float>(s.time[k]));
        in.spectrum.push_back(static_cast<float>(s.re[k]));
    }
    in.nPts = in.nFreqPts = static_cast<int>(in.frequencies.size());
    in.parametric = false;
    in.jobPath = s.source;
    in.texts.title = QStringLiteral("Signal");
    in.texts.subtitle = QFileInfo(s.source.section(u',', 0, 0)).fileName();
    in.texts.xCaption = QStringLiteral("Time (s)");
    in.texts.yCaption =
        s.complex ? QStringLiteral("Real and imaginary parts") : QStringLiteral("Sample value");
    in.texts.legend = QStringLiteral("Real part");
    in.texts.info = {QStringLiteral("%1 samples").arg(stats_.count),
                     QStringLiteral("every %1 s").arg(number(stats_.interval))};
    return in;
}

std::optional<plot::PlotInput> SignalModel::imagInput() const {
    if (!result_.ok() || !result_.series.complex) return std::nullopt;
    plot::PlotInput in = realInput();
    for (std::size_t k = 0; k < in.spectrum.size(); ++k)
        in.spectrum[k] = static_cast<float>(result_.series.im[k]);
    in.texts.legend = QStringLiteral("Imaginary part");
    return in;
}

void SignalModel::draw(plot::PlotCanvas& canvas, const plot::PlotOptions& base,
                       const QDateTime& now) {
    if (!result_.ok()) {
        canvas.image().fill(Qt::white);
        return;
    }
    plot::PlotInput live = realInput();
    std::vector<plot::PlotInput> held;
    if (auto imag = imagInput()) {
        // The imaginary part is the live curve, the real part under it: both in the legend, and
        // the y range covers both.
        held.push_back(live);
        live = *imag;
    }
    plot::PlotOptions opt = base;
    opt.xOverride = zoomX_ ? plot::overrideFor(plot::niceTicks(*zoomX_, 10)) : plot::AxisOverride{};
    if (!zoomY_ && !held.empty()) {
        // The renderer scales y to the live curve; the real part must fit as well.
        const auto [lo, hi] = std::minmax({stats_.min, stats_.max, stats_.minIm, stats_.maxIm});
        opt.yOverride = plot::overrideFor(plot::niceTicks({lo, hi}, 5));
    } else {
        opt.yOverride =
            zoomY_ ? plot::overrideFor(plot::niceTicks(*zoomY_, 5)) : plot::AxisOverride{};
    }
    plot::PlotEnvironment env;
    env.timestamp = now;
    plot::OutputText out;
    plot::DrawExtras extras;
    extras.held = &held;
    Qt::PenStyle style = canvas.lineStyle();
    {
        QPainter p(&canvas.image());
        last_ = plot::drawPlot(p, QSizeF(canvas.size()), style, live, opt, out, env, extras);
    }
    if (!zoomed()) {
        baseX_ = plot::shownXRange(last_);
        baseY_ = plot::shownYRange(last_);
    }
}

void SignalModel::zoomAt(QPointF pixel, double notches, bool both, QSizeF size) {
    if (!hasSeries() || notches == 0) return;
    const double factor = std::pow(kZoomPerNotch, notches);
    const double ax = plot::realXAt(last_, pixel.x(), size.width());
    const plot::AxisRange x =
        plot::zoomAbout(zoomX_.value_or(plot::shownXRange(last_)), ax, factor);
    zoomX_ = plot::limitWidth(x, ax, plot::minimumWidth(x), kMaxZoomOut * baseX_.width());
    if (both) {
        const double ay = plot::realYAt(last_, pixel.y(), size.height());
        const plot::AxisRange y =
            plot::zoomAbout(zoomY_.value_or(plot::shownYRange(last_)), ay, factor);
        zoomY_ = plot::limitWidth(y, ay, plot::minimumWidth(y), kMaxZoomOut * baseY_.width());
    }
}

void SignalModel::zoomToBand(QRectF px, bool both, QSizeF size) {
    if (!hasSeries()) return;
    const plot::AxisRange x = plot::bandRange(plot::realXAt(last_, px.left(), size.width()),
                                              plot::realXAt(last_, px.right(), size.width()));
    zoomX_ =
        plot::limitWidth(x, (x.lo + x.hi) / 2, plot::minimumWidth(x), kMaxZoomOut * baseX_.width());
    if (both && px.height() >= 1) {
        const plot::AxisRange y = plot::bandRange(plot::realYAt(last_, px.top(), size.height()),
                                                  plot::realYAt(last_, px.bottom(), size.height()));
        zoomY_ = plot::limitWidth(y, (y.lo + y.hi) / 2, plot::minimumWidth(y),
                                  kMaxZoomOut * baseY_.width());
    }
}

void SignalModel::startPan(QPointF pixel) {
    if (!hasSeries()) return;
    pan_ = Pan{pixel, last_, plot::shownXRange(last_), plot::shownYRange(last_)};
}

void SignalModel::panTo(QPointF pixel, QSizeF size) {
    if (!hasSeries() || !pan_) return;
    const plot::PlotScale& s = pan_->scale;
    const double dx = (pixel.x() - pan_->pixel.x()) / size.width() * s.width * s.xFactor;
    const double step = pan_->x.width() / 10;
    zoomX_ = plot::panBy(pan_->x, -std::round(dx / step) * step);
}

void SignalModel::resetView() {
    pan_.reset();
    zoomX_.reset();
    zoomY_.reset();
}

SignalPage::SignalPage(const JobState& state, QWidget* parent)
    : QWidget(parent), state_(state), canvas_(QSize(800, 500)) {
    setObjectName(QStringLiteral("pageSignal"));
    auto* layout = new QHBoxLayout(this);
    view_ = new PlotCanvasView(canvas_);
    view_->setObjectName(QStringLiteral("picSignal"));
    layout->addWidget(view_, 1);
    auto* side = new QVBoxLayout;
    stats_ = new QLabel;
    stats_->setObjectName(QStringLiteral("lblSignalStats"));
    stats_->setTextFormat(Qt::PlainText);
    stats_->setWordWrap(true);
    stats_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stats_->setMinimumWidth(260);
    stats_->setMaximumWidth(340);
    stats_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    side->addWidget(stats_, 1);
    auto* reload = new QPushButton(QStringLiteral("Reload"));
    reload->setObjectName(QStringLiteral("cmdSignalReload"));
    side->addWidget(reload);
    auto* hint = new QLabel(QStringLiteral("Wheel: zoom time (Ctrl: both axes). Drag: zoom to "
                                           "a band. Right drag: pan. Double click: whole series."));
    hint->setWordWrap(true);
    hint->setMaximumWidth(340);
    side->addWidget(hint);
    layout->addLayout(side);

    connect(reload, &QPushButton::clicked, this, [this] {
        model_.reload();
        refresh();
    });
    connect(view_, &PlotCanvasView::resized, this, [this] {
        canvas_.resize(view_->size());
        redraw();
    });
    connect(view_, &PlotCanvasView::wheelZoom, this, [this](QPointF at, double n, bool both) {
        model_.zoomAt(at, n, both, QSizeF(canvas_.size()));
        redraw();
    });
    connect(view_, &PlotCanvasView::bandZoom, this, [this](QRectF band, bool both) {
        model_.zoomToBand(band, both, QSizeF(canvas_.size()));
        redraw();
    });
    connect(view_, &PlotCanvasView::panStarted, this,
            [this](QPointF at, bool) { model_.startPan(at); });
    connect(view_, &PlotCanvasView::panMoved, this, [this](QPointF at) {
        model_.panTo(at, QSizeF(canvas_.size()));
        redraw();
    });
    connect(view_, &PlotCanvasView::resetRequested, this, [this] {
        model_.resetView();
        redraw();
    });
}

void SignalPage::refresh() {
    model_.follow(state_);
    stats_->setText(model_.statsText());
    redraw();
}

void SignalPage::redraw() {
    model_.draw(canvas_, plot::PlotOptions{}, QDateTime::currentDateTime());
    view_->setHasPlot(model_.hasSeries());
    view_->canvasChanged();
}

void SignalPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

} // namespace lumetra
