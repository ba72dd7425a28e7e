#include "plot_page.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace lumetra {

PlotCanvasView::PlotCanvasView(const plot::PlotCanvas& canvas, QWidget* parent)
    : QWidget(parent), canvas_(canvas) {
    setObjectName(QStringLiteral("picBox"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(canvas_.size());
}

QSize PlotCanvasView::sizeHint() const {
    return canvas_.size();
}

void PlotCanvasView::canvasChanged() {
    setFixedSize(canvas_.size());
    update();
}

void PlotCanvasView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect().topLeft(), canvas_.image(), event->rect());
}

PlotPage::PlotPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Plot"));
    view_ = new PlotCanvasView(canvas_);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("picBoxArea"));
    scroll_->setWidget(view_);
    scroll_->setWidgetResizable(false);
    scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

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
    addCompareButtons(buttons);
    buttons->addStretch(1);
    buttons->addWidget(cmdPrint_);
    buttons->addWidget(cmdFileSaveAs_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(scroll_, 1);
    layout->addLayout(buttons);
}

QSize PlotPage::canvasSizeForPlot() const {
    // A page that was never shown has not been laid out yet.
    if (layout()) layout()->activate();
    const QSize visible = scroll_->maximumViewportSize();
    return visible.expandedTo(QSize(640, 480));
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
    auto* copy = new QShortcut(QKeySequence::Copy, this);
    copy->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QShortcut::activated, this, &PlotPage::copyClicked);
    buttons->addWidget(cmdHold_);
    buttons->addWidget(cmdClearHeld_);
    buttons->addWidget(cmdCopy_);
    showHeldCount(0, true);
}

void PlotPage::showHeldCount(int count, bool canHold) {
    cmdHold_->setEnabled(canHold);
    cmdClearHeld_->setEnabled(count > 0);
    cmdClearHeld_->setText(count > 0 ? QStringLiteral("Clear h&eld (%1)").arg(count)
                                     : QStringLiteral("Clear h&eld"));
}

void PlotPage::canvasChanged() {
    view_->canvasChanged();
    scroll_->widget()->adjustSize();
}

} // namespace lumetra
