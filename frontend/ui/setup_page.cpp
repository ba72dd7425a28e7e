#include "setup_page.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace lumetra {

using namespace lumetra::plot;

SetupPage::SetupPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Setup"));

    auto* colors = new QGroupBox(QStringLiteral("Plot Colors"), this);
    colors->setObjectName(QStringLiteral("fraColors"));
    auto* colorGrid = new QGridLayout(colors);
    for (int i = 0; i < kColorSlotCount; ++i) {
        const auto k = static_cast<size_t>(i);
        lblColor_[k] = new QLabel(kColorLabels[k], colors);
        lblColor_[k]->setObjectName(QStringLiteral("lblColor_%1").arg(i));
        txtColor_[k] = new QFrame(colors);
        txtColor_[k]->setObjectName(QStringLiteral("txtColor_%1").arg(i));
        txtColor_[k]->setFrameShape(QFrame::Box);
        txtColor_[k]->setAutoFillBackground(true);
        txtColor_[k]->setFixedSize(80, 22);
        cmdColor_[k] = new QPushButton(QStringLiteral("Pick Color"), colors);
        cmdColor_[k]->setObjectName(QStringLiteral("cmdColor_%1").arg(i));
        connect(cmdColor_[k], &QPushButton::clicked, this, [this, i] { emit colorClicked(i); });
        colorGrid->addWidget(lblColor_[k], i, 0);
        colorGrid->addWidget(txtColor_[k], i, 1);
        colorGrid->addWidget(cmdColor_[k], i, 2);
        paintSwatch(i);
    }
    chkBlacknWhite_ = new QCheckBox(QStringLiteral("Black && White Plots"), colors);
    chkBlacknWhite_->setObjectName(QStringLiteral("chkBlacknWhite"));
    colorGrid->addWidget(chkBlacknWhite_, kColorSlotCount, 0, 1, 3);
    connect(chkBlacknWhite_, &QCheckBox::clicked, this, &SetupPage::blackAndWhiteClicked);

    auto makeOptions = [this](const QString& title, const QString& frameName, const QString& prefix,
                              const std::array<QString, 4>& labels,
                              std::array<QRadioButton*, 4>& buttons, QButtonGroup*& group) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(frameName);
        auto* layout = new QVBoxLayout(box);
        group = new QButtonGroup(box);
        for (int i = 0; i < 4; ++i) {
            auto* b = new QRadioButton(labels[static_cast<size_t>(i)], box);
            b->setObjectName(prefix + QStringLiteral("_%1").arg(i));
            buttons[static_cast<size_t>(i)] = b;
            group->addButton(b, i);
            layout->addWidget(b);
        }
        layout->addStretch(1);
        return box;
    };
    QGroupBox* lines =
        makeOptions(QStringLiteral("Grid Lines"), QStringLiteral("fraGridLines"),
                    QStringLiteral("optGridLines"), kGridLinesLabels, optGridLines_, gridLines_);
    QGroupBox* types =
        makeOptions(QStringLiteral("Grid Type"), QStringLiteral("fraGridType"),
                    QStringLiteral("optGridType"), kGridTypeLabels, optGridType_, gridType_);

    auto* axes = new QGroupBox(QStringLiteral("Axis Values"), this);
    axes->setObjectName(QStringLiteral("fraAxes"));
    auto* axesGrid = new QGridLayout(axes);
    auto makeAxis = [this, axes, axesGrid](int row, const QString& axis, const QString& check,
                                           const QString& minLabel, const QString& stepLabel,
                                           QCheckBox*& chk, QLineEdit*& min, QLineEdit*& step) {
        chk = new QCheckBox(check, axes);
        chk->setObjectName(QStringLiteral("chk") + axis + QStringLiteral("axis"));
        min = new QLineEdit(axes);
        min->setObjectName(QStringLiteral("txt") + axis + QStringLiteral("min"));
        step = new QLineEdit(axes);
        step->setObjectName(QStringLiteral("txt") + axis + QStringLiteral("step"));
        for (QLineEdit* e : {min, step}) {
            e->setMaximumWidth(140);
            e->installEventFilter(this);
        }
        axesGrid->addWidget(chk, row, 0, 1, 2);
        axesGrid->addWidget(new QLabel(minLabel, axes), row + 1, 0);
        axesGrid->addWidget(min, row + 1, 1);
        axesGrid->addWidget(new QLabel(stepLabel, axes), row + 2, 0);
        axesGrid->addWidget(step, row + 2, 1);
    };
    makeAxis(0, QStringLiteral("X"), QStringLiteral("Use following X values for plots:"),
             QStringLiteral("Enter X-min value:"), QStringLiteral("X-step for 10 steps:"),
             chkXaxis_, txtXmin_, txtXstep_);
    makeAxis(3, QStringLiteral("Y"), QStringLiteral("Use following Y values for plots:"),
             QStringLiteral("Enter Y-min value:"), QStringLiteral("Y-step for 5 steps:"), chkYaxis_,
             txtYmin_, txtYstep_);
    axesGrid->setRowStretch(6, 1);
    connect(chkXaxis_, &QCheckBox::clicked, this, &SetupPage::xAxisClicked);
    connect(chkYaxis_, &QCheckBox::clicked, this, &SetupPage::yAxisClicked);

    cmdSaveOptions_ = new QPushButton(QStringLiteral("&Save Settings"), this);
    cmdSaveOptions_->setObjectName(QStringLiteral("cmdSaveOptions"));
    cmdPlot_ = new QPushButton(QStringLiteral("&Plot results >>"), this);
    cmdPlot_->setObjectName(QStringLiteral("cmdPlot"));
    cmdExitPlotting_ = new QPushButton(QStringLiteral("E&xit Plotting"), this);
    cmdExitPlotting_->setObjectName(QStringLiteral("cmdExitPlotting"));
    connect(cmdSaveOptions_, &QPushButton::clicked, this, &SetupPage::saveOptionsClicked);
    connect(cmdPlot_, &QPushButton::clicked, this, &SetupPage::plotClicked);
    connect(cmdExitPlotting_, &QPushButton::clicked, this, &SetupPage::exitPlottingClicked);

    auto* grid = new QHBoxLayout;
    auto* gridColumn = new QVBoxLayout;
    gridColumn->addWidget(lines);
    gridColumn->addWidget(types);
    grid->addWidget(colors, 3);
    grid->addLayout(gridColumn, 2);
    grid->addWidget(axes, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSaveOptions_);
    buttons->addStretch(1);
    buttons->addWidget(cmdPlot_);
    buttons->addWidget(cmdExitPlotting_);
    auto* page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addStretch(1);
    page->addLayout(buttons);
}

void SetupPage::paintSwatch(int slot) {
    QFrame* f = txtColor_.at(static_cast<size_t>(slot));
    QPalette p = f->palette();
    p.setColor(QPalette::Window, colorFromBgr(colors_.at(static_cast<size_t>(slot))));
    f->setPalette(p);
}

void SetupPage::setColor(int slot, std::uint32_t bgr) {
    colors_.at(static_cast<size_t>(slot)) = bgr & 0xFFFFFFu;
    paintSwatch(slot);
}

PlotOptions SetupPage::options() const {
    PlotOptions o;
    o.colors = colors_;
    o.blackAndWhite = chkBlacknWhite_->isChecked();
    o.gridLines = gridLines_->checkedId();
    o.gridType = gridType_->checkedId();
    o.xOverride = {chkXaxis_->isChecked(), txtXmin_->text(), txtXstep_->text()};
    o.yOverride = {chkYaxis_->isChecked(), txtYmin_->text(), txtYstep_->text()};
    return o;
}

void SetupPage::setOptions(const PlotOptions& o) {
    for (int i = 0; i < kColorSlotCount; ++i) setColor(i, o.colors[static_cast<size_t>(i)]);
    chkBlacknWhite_->setChecked(o.blackAndWhite);
    auto select = [](QButtonGroup* group, int id) {
        if (QAbstractButton* b = group->button(id)) {
            b->setChecked(true);
            return;
        }
        // No button selected: an exclusive group only lets go of its choice when not exclusive.
        group->setExclusive(false);
        for (QAbstractButton* b : group->buttons()) b->setChecked(false);
        group->setExclusive(true);
    };
    select(gridLines_, o.gridLines);
    select(gridType_, o.gridType);
    chkXaxis_->setChecked(o.xOverride.enabled);
    txtXmin_->setText(o.xOverride.minText);
    txtXstep_->setText(o.xOverride.stepText);
    chkYaxis_->setChecked(o.yOverride.enabled);
    txtYmin_->setText(o.yOverride.minText);
    txtYstep_->setText(o.yOverride.stepText);
}

void SetupPage::setBoxUsable(QLineEdit* box, bool usable) {
    box->setEnabled(usable);
    // Unusable boxes look greyed out whatever the style draws for a disabled box.
    QPalette p = box->palette();
    const QColor base = usable ? QApplication::palette().color(QPalette::Active, QPalette::Base)
                               : QApplication::palette().color(QPalette::Disabled, QPalette::Text);
    p.setColor(QPalette::Active, QPalette::Base, base);
    p.setColor(QPalette::Inactive, QPalette::Base, base);
    p.setColor(QPalette::Disabled, QPalette::Base, base);
    box->setPalette(p);
}

void SetupPage::applyState(const PlotUiState& s) {
    for (int i = 0; i < kColorSlotCount; ++i) {
        const auto k = static_cast<size_t>(i);
        txtColor_[k]->setEnabled(s.colorControlsEnabled);
        cmdColor_[k]->setEnabled(s.colorControlsEnabled);
        lblColor_[k]->setEnabled(s.colorLabelsEnabled);
    }
    for (QRadioButton* b : optGridLines_) b->setEnabled(s.plotSetupEnabled);
    for (QRadioButton* b : optGridType_) b->setEnabled(s.plotSetupEnabled);
    chkBlacknWhite_->setEnabled(s.plotSetupEnabled);
    chkXaxis_->setEnabled(s.plotSetupEnabled);
    chkYaxis_->setEnabled(s.plotSetupEnabled);
    cmdSaveOptions_->setVisible(s.setupButtonsVisible);
    cmdPlot_->setVisible(s.setupButtonsVisible);
    cmdExitPlotting_->setVisible(s.setupButtonsVisible);
    setBoxUsable(txtXmin_, s.xOverrideBoxesEnabled);
    setBoxUsable(txtXstep_, s.xOverrideBoxesEnabled);
    setBoxUsable(txtYmin_, s.yOverrideBoxesEnabled);
    setBoxUsable(txtYstep_, s.yOverrideBoxesEnabled);
}

bool SetupPage::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::FocusIn) {
        // After the click that gave the focus has placed the cursor.
        QTimer::singleShot(0, box, [box] { box->selectAll(); });
    } else if (box && event->type() == QEvent::FocusOut && (box == txtXstep_ || box == txtYstep_)) {
        const char axis = box == txtXstep_ ? 'X' : 'Y';
        // Checked once the focus has moved, so a message box can take it in between.
        QTimer::singleShot(0, this, [this, axis] { emit stepLeft(axis); });
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lumetra
