#include "plot_page.h"

#include "plot_marks.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace lumetra {

namespace {

// A drag shorter than this is a click, not a band.
constexpr double kMinBandPixels = 5;

bool dbModifier(Qt::KeyboardModifiers m) {
    return m & (Qt::ShiftModifier | Qt::ControlModifier);
}

} // namespace

QString plotExploreHint(bool modern) {
    return QStringLiteral("Wheel: zoom frequency (Shift: and %1) \u00b7 drag: zoom to band \u00b7 "
                          "right-drag: pan \u00b7 double-click or Home: whole plot")
        .arg(modern ? QStringLiteral("dB/Hz") : QStringLiteral("dB"));
}

QString noPlotYetText() {
    return QStringLiteral("No plot yet: Calculate on the Parameter Selection or Demos page draws "
                          "one here.");
}

PlotCanvasView::PlotCanvasView(const plot::PlotCanvas& canvas, QWidget* parent)
    : QWidget(parent), canvas_(canvas) {
    setObjectName(QStringLiteral("picBox"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::CrossCursor);
    // The right button pans; no menu may open under it.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

QSize PlotCanvasView::sizeHint() const {
    return QSize(640, 480);
}

QSize PlotCanvasView::minimumSizeHint() const {
    return QSize(160, 120);
}

void PlotCanvasView::canvasChanged() {
    update();
}

void PlotCanvasView::setHasPlot(bool hasPlot) {
    hasPlot_ = hasPlot;
    update();
}

void PlotCanvasView::setCrosshair(std::optional<QPointF> cursor, std::optional<QPointF> point) {
    cursor_ = cursor;
    point_ = point;
    update();
}

void PlotCanvasView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    // Until the canvas has been drawn again at a new size, the uncovered part is plain.
    p.fillRect(r, palette().window());
    if (!hasPlot_) return;
    p.drawImage(r.topLeft(), canvas_.image(), r);
    if (cursor_) {
        p.setPen(QPen(QColor(0, 0, 0, 110), 1, Qt::DotLine));
        p.drawLine(QPointF(cursor_->x(), 0), QPointF(cursor_->x(), height()));
        p.drawLine(QPointF(0, cursor_->y()), QPointF(width(), cursor_->y()));
    }
    if (point_) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(Qt::black, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(*point_, 4, 4);
    }
    if (drag_ == Drag::Band) {
        QRectF band = QRectF(dragStart_, dragNow_).normalized();
        if (!dragBoth_) band = QRectF(band.left(), 0, band.width(), height());
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.setBrush(QColor(0, 0, 255, 40));
        p.drawRect(band);
    }
}

void PlotCanvasView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

void PlotCanvasView::wheelEvent(QWheelEvent* event) {
    // Some systems turn Shift+wheel into a horizontal wheel.
    const QPoint a = event->angleDelta();
    const int delta = a.y() != 0 ? a.y() : a.x();
    if (delta == 0) return;
    emit wheelZoom(event->position(), delta / 120.0, dbModifier(event->modifiers()));
    event->accept();
}

void PlotCanvasView::mousePressEvent(QMouseEvent* event) {
    dragStart_ = dragNow_ = event->position();
    dragBoth_ = dbModifier(event->modifiers());
    if (event->button() == Qt::LeftButton) {
        drag_ = Drag::Band;
    } else if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        drag_ = Drag::Pan;
        setCursor(Qt::ClosedHandCursor);
        emit panStarted(dragStart_, dragBoth_);
    }
    event->accept();
}

void PlotCanvasView::mouseMoveEvent(QMouseEvent* event) {
    dragNow_ = event->position();
    if (drag_ == Drag::Pan) emit panMoved(dragNow_);
    if (drag_ == Drag::Band) update();
    emit hovered(dragNow_);
}

void PlotCanvasView::mouseReleaseEvent(QMouseEvent* event) {
    dragNow_ = event->position();
    const Drag was = drag_;
    drag_ = Drag::None;
    setCursor(Qt::CrossCursor);
    if (was == Drag::Band) {
        const QRectF band = QRectF(dragStart_, dragNow_).normalized();
        update();
        if (band.width() >= kMinBandPixels) emit bandZoom(band, dragBoth_);
    }
    event->accept();
}

void PlotCanvasView::mouseDoubleClickEvent(QMouseEvent* event) {
    drag_ = Drag::None;
    emit resetRequested();
    event->accept();
}

void PlotCanvasView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit left();
}

PlotPage::PlotPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Plot"));
    view_ = new PlotCanvasView(canvas_, this);
    resizeTimer_ = new QTimer(this);
    resizeTimer_->setSingleShot(true);
    resizeTimer_->setInterval(0);
    connect(view_, &PlotCanvasView::resized, resizeTimer_, qOverload<>(&QTimer::start));
    connect(resizeTimer_, &QTimer::timeout, this, [this] {
        if (canvas_.size() != view_->size()) emit canvasResized();
    });

    connect(view_, &PlotCanvasView::resetRequested, this, &PlotPage::resetViewRequested);
    // Home works wherever the focus is on the page (after a plot it is on Quit).
    auto* home = new QShortcut(QKeySequence(Qt::Key_Home), this);
    home->setContext(Qt::WidgetWithChildrenShortcut);
    connect(home, &QShortcut::activated, this, &PlotPage::resetViewRequested);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblPlotStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setMinimumWidth(1); // long texts must not widen the window
    chkMarkPeaks_ = new QCheckBox(QStringLiteral("Mark &peaks"), this);
    chkMarkPeaks_->setObjectName(QStringLiteral("chkMarkPeaks"));
    connect(chkMarkPeaks_, &QCheckBox::toggled, this, &PlotPage::markPeaksToggled);
    spnMarkCount_ = new QSpinBox(this);
    spnMarkCount_->setObjectName(QStringLiteral("spnMarkCount"));
    spnMarkCount_->setRange(1, plot::kMaxPeakMarks);
    spnMarkCount_->setValue(plot::kDefaultPeakMarks);
    spnMarkCount_->setToolTip(QStringLiteral("How many of the most prominent peaks are marked"));
    connect(spnMarkCount_, &QSpinBox::valueChanged, this, &PlotPage::markCountChanged);

    cmdQuit_ = new QPushButton(QStringLiteral("Quit"), this);
    cmdQuit_->setObjectName(QStringLiteral("cmdQuit"));
    cmdPrint_ = new QPushButton(QStringLiteral("&Print ..."), this);
    cmdPrint_->setObjectName(QStringLiteral("cmdPrint"));
    cmdFileSaveAs_ = new QPushButton(QStringLiteral("Save &As ..."), this);
    cmdFileSaveAs_->setObjectName(QStringLiteral("cmdFileSaveAs"));
    connect(cmdQuit_, &QPushButton::clicked, this, &PlotPage::quitClicked);
    connect(cmdPrint_, &QPushButton::clicked, this, &PlotPage::printClicked);
    connect(cmdFileSaveAs_, &QPushButton::clicked, this, &PlotPage::saveAsClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdQuit_);
    buttons->addWidget(chkMarkPeaks_);
    buttons->addWidget(spnMarkCount_);
    addCompareButtons(buttons);
    buttons->addStretch(1);
    buttons->addWidget(cmdPrint_);
    buttons->addWidget(cmdFileSaveAs_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(view_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    setStatusText({});
    setPlotAvailable(false);
}

QSize PlotPage::canvasSizeForPlot() const {
    // A page that was never shown has not been laid out yet.
    if (layout()) layout()->activate();
    return view_->size().expandedTo(QSize(1, 1));
}

void PlotPage::addCompareButtons(QHBoxLayout* buttons) {
    cmdHold_ = new QPushButton(QStringLiteral("&Hold"), this);
    cmdHold_->setObjectName(QStringLiteral("cmdHold"));
    cmdHold_->setToolTip(QStringLiteral("Keep this curve: later runs are drawn over it"));
    cmdClearHeld_ = new QPushButton(QStringLiteral("Clear h&eld"), this);
    cmdClearHeld_->setObjectName(QStringLiteral("cmdClearHeld"));
    cmdCopy_ = new QPushButton(QStringLiteral("&Copy"), this);
    cmdCopy_->setObjectName(QStringLiteral("cmdCopy"));
    cmdCopy_->setToolTip(QStringLiteral("Copy the plot to the clipboard (Ctrl+C)"));
    connect(cmdHold_, &QPushButton::clicked, this, &PlotPage::holdClicked);
    connect(cmdClearHeld_, &QPushButton::clicked, this, &PlotPage::clearHeldClicked);
    connect(cmdCopy_, &QPushButton::clicked, this, &PlotPage::copyClicked);
    buttons->addWidget(cmdHold_);
    buttons->addWidget(cmdClearHeld_);
    buttons->addWidget(cmdCopy_);
    showHeldCount(0, false);
}

void PlotPage::showHeldCount(int count, bool canHold) {
    cmdHold_->setEnabled(canHold);
    cmdClearHeld_->setEnabled(count > 0);
    cmdClearHeld_->setText(count > 0 ? QStringLiteral("Clear h&eld (%1)").arg(count)
                                     : QStringLiteral("Clear h&eld"));
}

void PlotPage::canvasChanged() {
    view_->canvasChanged();
}

void PlotPage::setPlotAvailable(bool available, bool modern) {
    plotAvailable_ = available;
    modern_ = modern;
    view_->setHasPlot(available);
    status_->setText(available ? hint() : noPlotYetText());
    cmdPrint_->setEnabled(available);
    cmdFileSaveAs_->setEnabled(available);
    cmdCopy_->setEnabled(available);
}

void PlotPage::setStatusText(const QString& text) {
    status_->setText(!text.isEmpty() ? text : plotAvailable_ ? hint() : noPlotYetText());
}

QString PlotPage::hint() const {
    return plotExploreHint(modern_);
}

} // namespace lumetra
