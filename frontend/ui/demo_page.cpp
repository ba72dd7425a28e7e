#include "demo_page.h"

#include "run_pipeline.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace lumetra {
namespace {

const QString kTextbook = QStringLiteral(" example from Marple's textbook");

DemoExample textbook(const QString& file, const QString& method, const QString& marker = {}) {
    return {file, method + kTextbook, marker, QStringLiteral("< 9")};
}

QLabel* plainLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

const std::array<DemoExample, kDemoCount>& demoExamples() {
    static const std::array<DemoExample, kDemoCount> examples = {{
        {QStringLiteral("Ex-0-pad.32"),
         QStringLiteral(
             "minimal ... start here and watch as plot is filled in due to more zero padding"),
         {},
         QStringLiteral("< 9")},
        {QStringLiteral("Ex-0-pad.64"),
         QStringLiteral("Zero padding (*.64) with 32 more zero padding points"),
         {},
         QStringLiteral("< 9")},
        {QStringLiteral("Ex-0-pad.128"),
         QStringLiteral("Zero padding (*.128) with 64 more zero padding points"),
         {},
         QStringLiteral("< 9")},
        {QStringLiteral("Ex-0-pad.256"),
         QStringLiteral("Zero padding (*.256) with 128 more zero padding points"),
         {},
         QStringLiteral("< 9")},
        {QStringLiteral("Ex-0-pad.8k"),
         QStringLiteral("Zero padding (*.8k) with 7,900+ more zero padding points"),
         {},
         QStringLiteral("~20")},
        textbook(QStringLiteral("Ex-Auto.0"), QStringLiteral("Auto-Correlation"),
                 QStringLiteral("<--- AR (AutoRegressive) methods")),
        textbook(QStringLiteral("Ex-Burg.0"), QStringLiteral("Burg")),
        textbook(QStringLiteral("Ex-Cov.0"), QStringLiteral("Covariance")),
        textbook(QStringLiteral("Ex-mCov.0"), QStringLiteral("Modified covariance")),
        // Not textbook data: RMLE needs a real record, so this one is simulated.
        {QStringLiteral("Ex-RMLE.0"),
         QStringLiteral("RMLE example on a simulated real AR(4) record"),
         {},
         QStringLiteral("< 9")},
        {QStringLiteral("Ex-Lock.0"),
         QStringLiteral("Lockheed example ... Auto-Corr. (4 Poles) & Burg (4 Zeros) Combo"),
         {},
         QStringLiteral("< 9")},
        textbook(QStringLiteral("Ex-Durbi.0"), QStringLiteral("Durbin"),
                 QStringLiteral("<--- MA (Moving Average) method")),
        textbook(QStringLiteral("Ex-MYWE.0"), QStringLiteral("MYWE"),
                 QStringLiteral("<--- ARMA methods")),
        textbook(QStringLiteral("Ex-LSMYW.0"), QStringLiteral("LSMYWE")),
        textbook(QStringLiteral("Ex-Mayne.0"), QStringLiteral("Mayne-Firoozan")),
        textbook(QStringLiteral("Ex-Perio.0"), QStringLiteral("Periodogram"),
                 QStringLiteral("<--- Classical")),
        textbook(QStringLiteral("Ex-Black.0"), QStringLiteral("Blackman-Tukey")),
        textbook(QStringLiteral("Ex-MVSE.0"), QStringLiteral("MVSE"),
                 QStringLiteral("<--- Min. Variance")),
    }};
    return examples;
}

const std::array<int, kDemoCount>& demoPageOrder() {
    static const std::array<int, kDemoCount> order = {6,  7,  8,  9,  10, 11, 12, 13, 14,
                                                      15, 16, 17, 18, 1,  2,  3,  4,  5};
    return order;
}

QString demoDescriptionText(const DemoExample& example) {
    if (example.marker.isEmpty()) return example.description;
    return example.description + QString(8, u' ') + example.marker;
}

DemoPage::DemoPage(JobSession& session, RunPipeline& pipeline, QWidget* parent)
    : QWidget(parent), session_(session), pipeline_(pipeline) {
    setObjectName(QStringLiteral("Demos"));
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("fraDemos"));

    auto* heading = plainLabel(kDemoHeading, QStringLiteral("lblDemoHeading"), content);
    heading->setWordWrap(true);

    auto* grid = new QGridLayout;
    grid_ = grid;
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(2);
    const QStringList headings = {QStringLiteral("File Name"), QStringLiteral("Run Time (Seconds)"),
                                  QStringLiteral("Lumetra problem with ...")};
    for (int c = 0; c < headings.size(); ++c) {
        QLabel* h = plainLabel(headings[c], QStringLiteral("lblDemoColumn%1").arg(c + 1), content);
        QFont f = h->font();
        f.setBold(true);
        h->setFont(f);
        grid->addWidget(h, 0, c, c == 1 ? Qt::AlignHCenter : Qt::AlignLeft);
    }

    auto* group = new QButtonGroup(this);
    const auto& examples = demoExamples();
    int row = 1;
    for (int index : demoPageOrder()) {
        if (index == 1) {
            // The zero-padding series stands apart from the method examples.
            grid->setRowMinimumHeight(row, 14);
            ++row;
        }
        const DemoExample& ex = examples.at(index - 1);
        auto* button = new QRadioButton(ex.file, content);
        button->setObjectName(QStringLiteral("Exam_%1").arg(index));
        group->addButton(button, index);
        connect(button, &QRadioButton::clicked, this, [this, index] { selectExample(index); });
        exam_.at(index - 1) = button;

        QLabel* time = plainLabel(ex.time, QStringLiteral("ExTime_%1").arg(index), content);
        exTime_.at(index - 1) = time;

        auto* cell = new QHBoxLayout;
        cell->setSpacing(10);
        if (index == 1) {
            QLabel* zero = plainLabel(QStringLiteral("Zero padding"),
                                      QStringLiteral("lblZeroPadding"), content);
            QFont f = zero->font();
            f.setBold(true);
            zero->setFont(f);
            cell->addWidget(zero);
        }
        QLabel* text = plainLabel(demoDescriptionText(ex),
                                  QStringLiteral("Description_%1").arg(index), content);
        description_.at(index - 1) = text;
        cell->addWidget(text);
        if (index == 16)
            cell->addWidget(
                plainLabel(QStringLiteral("(basically a FFT)"), QStringLiteral("lblFFT"), content));
        cell->addStretch();

        grid->addWidget(button, row, 0);
        grid->addWidget(time, row, 1, Qt::AlignHCenter);
        grid->addLayout(cell, row, 2);
        ++row;
    }
    grid->setColumnStretch(2, 1);

    auto* footer = plainLabel(kDemoFooter, QStringLiteral("lblCompare"), content);
    QFont ff = footer->font();
    ff.setItalic(true);
    footer->setFont(ff);

    cmdRunDemo_ = new QPushButton(QStringLiteral("&Calculate"), content);
    cmdRunDemo_->setObjectName(QStringLiteral("cmdRunDemo"));
    cmdCancelDemo_ = new QPushButton(QStringLiteral("Parameter Selection"), content);
    cmdCancelDemo_->setObjectName(QStringLiteral("cmdCancelDemo"));
    connect(cmdRunDemo_, &QPushButton::clicked, this, &DemoPage::runDemo);
    connect(cmdCancelDemo_, &QPushButton::clicked, this, &DemoPage::cancelDemo);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRunDemo_);
    buttons->addWidget(cmdCancelDemo_);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(content);
    layout->addWidget(heading);
    layout->addSpacing(8);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(footer);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addStretch();

    auto* scroll = new QScrollArea(this);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    selected_ = exam(kDefaultDemo)->text();
    exam(kDefaultDemo)->setChecked(true);
    // A run in progress must not be started twice from here.
    connect(&pipeline_, &RunPipeline::runStarted, this, [this] { setRunButtonsEnabled(false); });
}

QList<int> DemoPage::rowsOnPage() const {
    QList<QPair<int, int>> rows; // (grid row, entry)
    for (int i = 1; i <= kDemoCount; ++i) {
        int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
        const int at = grid_->indexOf(exam(i));
        if (at >= 0) grid_->getItemPosition(at, &row, &column, &rowSpan, &columnSpan);
        rows.append({row, i});
    }
    std::sort(rows.begin(), rows.end());
    QList<int> out;
    for (const auto& r : rows) out << r.second;
    return out;
}

void DemoPage::setRunButtonsEnabled(bool enabled) {
    cmdRunDemo_->setEnabled(enabled);
    cmdCancelDemo_->setEnabled(enabled);
}

void DemoPage::selectExample(int index) {
    selected_ = exam(index)->text();
}

void DemoPage::openDemos() {
    selected_ = exam(kDefaultDemo)->text();
    // The button shown selected is the one that runs.
    exam(kDefaultDemo)->setChecked(true);
    if (session_.offerToSaveChanges(session_.state().formChanged)) return;
    FormView* v = view();
    if (v) {
        v->setPageEnabled(0, false);
        v->setPageEnabled(1, true);
        v->setRunControls(false);
        v->setPlotControls(true);
        v->setMenus(false);
        v->showPage(1);
    }
    exam(kDefaultDemo)->setFocus();
}

void DemoPage::runDemo() {
    FormView* v = view();
    if (v) v->setRunControls(true);
    pipeline_.fileRun(RunSource::Demo, selected_);
}

void DemoPage::cancelDemo() {
    FormView* v = view();
    if (v) {
        v->setPageEnabled(0, true);
        v->setPageEnabled(1, false);
        v->setRunControls(false);
        v->setPlotControls(false);
        v->setMenus(true);
        v->showPage(0);
    }
}

} // namespace lumetra
