#include "plot_controller.h"

#include "file_error_policy.h"
#include "plot_from_run.h"
#include "plot_output.h"
#include "plot_page.h"
#include "plot_registry.h"
#include "run_pipeline.h"
#include "setup_page.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>

namespace lumetra {

using namespace lumetra::plot;

namespace {

// The first control of a page in tab order that can take the focus.
void focusFirstControl(QWidget* page) {
    if (!page) return;
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (page->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(page) &&
            (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

} // namespace

PlotController::PlotController(FormView& view, JobState& state, RunPipeline& pipeline,
                               UserInteraction& ui, RegistryStore& registry, QObject* parent)
    : QObject(parent), view_(view), state_(state), pipeline_(pipeline), ui_(ui),
      registry_(registry) {
    setup_ = new SetupPage;
    plotPage_ = new PlotPage;

    connect(setup_, &SetupPage::colorClicked, this, &PlotController::chooseColor);
    connect(setup_, &SetupPage::blackAndWhiteClicked, this, &PlotController::blackAndWhiteToggled);
    connect(setup_, &SetupPage::xAxisClicked, this, [this] { axisOverrideToggled('X'); });
    connect(setup_, &SetupPage::yAxisClicked, this, [this] { axisOverrideToggled('Y'); });
    connect(setup_, &SetupPage::stepLeft, this, &PlotController::validateStep);
    connect(setup_, &SetupPage::saveOptionsClicked, this, &PlotController::saveOptions);
    connect(setup_, &SetupPage::plotClicked, this, &PlotController::plotAgain);
    connect(setup_, &SetupPage::exitPlottingClicked, this, &PlotController::exitPlotting);
    connect(plotPage_, &PlotPage::quitClicked, this, &PlotController::quitPlot);
    connect(plotPage_, &PlotPage::printClicked, this, &PlotController::printPlot);
    connect(plotPage_, &PlotPage::saveAsClicked, this, &PlotController::savePlotAs);
    connect(plotPage_, &PlotPage::holdClicked, this, &PlotController::holdCurve);
    connect(plotPage_, &PlotPage::clearHeldClicked, this, &PlotController::clearHeld);
    connect(plotPage_, &PlotPage::copyClicked, this, &PlotController::copyPlot);
}

void PlotController::attach(QTabWidget* tabs, QPlainTextEdit* outBox) {
    tabs_ = tabs;
    outBox_ = outBox;
    connect(tabs_, &QTabWidget::currentChanged, this, &PlotController::tabChanged);
    syncTab();
    applyState();
}

void PlotController::syncTab() {
    if (tabs_) st_.currentTab = static_cast<PlotTab>(tabs_->currentIndex());
}

void PlotController::applyState() {
    setup_->applyState(st_);
}

void PlotController::focusOverrideBoxes(bool x, bool y) {
    // The Y boxes are looked at last, so they win when both are usable.
    if (x && st_.xOverrideBoxesEnabled) setup_->txtXmin()->setFocus();
    if (y && st_.yOverrideBoxesEnabled) setup_->txtYmin()->setFocus();
}

void PlotController::loadPlotOptions() {
    PlotOptions o = setup_->options();
    const RegistryPlotStore store(registry_);
    restorePlotOptionsAtStartup(store, o);
    setup_->setOptions(o);
    setPlotControls(false);
}

void PlotController::setPlotControls(bool on) {
    syncTab();
    plot::setPlotControls(st_, on, setup_->options());
    applyState();
    focusOverrideBoxes(true, true);
}

void PlotController::setColorControls() {
    plot::setColorControls(st_, setup_->options());
    applyState();
}

void PlotController::applyEvent(PlotEvent e) {
    // The window's switches; the plot-setup controls are this controller's own.
    struct WindowSteps : TransitionSteps {
        PlotController& c;
        explicit WindowSteps(PlotController& controller) : c(controller) {}
        void setRunControls(bool flag) override { c.view_.setRunControls(flag); }
        void setPlotControls(bool flag) override { c.setPlotControls(flag); }
        void setMenus(bool flag) override { c.view_.setMenus(flag); }
        void setTabEnabled(int tab, bool enabled) override { c.view_.setPageEnabled(tab, enabled); }
        void showTab(PlotTab tab) override { c.view_.showPage(static_cast<int>(tab)); }
    } steps(*this);
    const PlotTransition t = transitionFor(e);
    applyTransition(t, steps);
    if (t.focus == FocusTarget::Quit) plotPage_->cmdQuit()->setFocus();
    if (t.focus == FocusTarget::ExitPlotting) setup_->cmdExitPlotting()->setFocus();
}

void PlotController::startPlot(const RunResult& result) {
    // The Plot page is shown before drawing, so the canvas takes the size it is shown at.
    applyEvent(PlotEvent::StartPlot);

    const PlotOptions opt = setup_->options();
    lastJobName_ = state_.jobName;
    const PlotInput in = plotInputFromRun(result, lastJobName_);
    PlotCanvas& canvas = plotPage_->canvas();
    canvas.resize(plotPage_->canvasSizeForPlot());
    PlotEnvironment env;
    // Text sizes and line widths follow the canvas as they followed the screen it filled.
    env.screenPixels = canvas.size();
    OutputText out;
    lastInput_ = in;
    lastPlot_ = plot::startPlot(canvas, in, opt, out, env, &lastPeaks_, drawExtras());
    lastSig2_ = result.sig2Z;
    hasPlot_ = true;
    showHeldState();
    plotPage_->canvasChanged();
    if (outBox_) outBox_->setPlainText(out.lines().join(QLatin1Char('\n')));
    plotPage_->cmdQuit()->setFocus();

    // An override that cannot be used was left out of this plot; say so.
    QStringList refused;
    for (const char axis : {'X', 'Y'}) {
        const AxisOverride& ov = axis == 'X' ? opt.xOverride : opt.yOverride;
        if (!ov.enabled) continue;
        const QString why = validateOverride(ov, axis);
        if (!why.isEmpty())
            refused << why + QStringLiteral("\nThe %1 axis of this plot was scaled from the data.")
                                 .arg(QLatin1Char(axis));
    }
    if (!refused.isEmpty())
        ui_.message({refused.join(QLatin1Char('\n')), kDefaultTitle, MessageIcon::Warning,
                     MessageButtons::Ok});
}

void PlotController::startSetup() {
    applyEvent(PlotEvent::StartSetup);
}

void PlotController::chooseColor(int slot) {
    if (slot < 0 || slot >= kColorSlotCount) return;
    if (const auto chosen = ui_.pickColor(setup_->color(slot))) setup_->setColor(slot, *chosen);
}

void PlotController::blackAndWhiteToggled() {
    setColorControls();
}

void PlotController::axisOverrideToggled(char axis) {
    syncTab();
    PlotOptions o = setup_->options();
    if (hasPlot_) {
        plot::overrideCheckClicked(st_, o, lastPlot_, axis);
        setup_->setOptions(o);
    } else if (axis == 'X') {
        // No plot yet: nothing to fill the boxes with.
        updateXOverride(st_, o);
    } else {
        updateYOverride(st_, o);
    }
    applyState();
    focusOverrideBoxes(axis == 'X', axis == 'Y');
}

void PlotController::validateStep(char axis) {
    QLineEdit* box = axis == 'X' ? setup_->txtXstep() : setup_->txtYstep();
    if (validatingStep_ || !box->isEnabled() || !box->isVisible()) return;
    const QString why = validateStepOnLeave(box->text(), axis);
    if (why.isEmpty()) return;
    validatingStep_ = true;
    ui_.message({why, kDefaultTitle, MessageIcon::Warning, MessageButtons::Ok});
    box->setFocus();
    box->selectAll();
    validatingStep_ = false;
}

void PlotController::saveOptions() {
    RegistryPlotStore store(registry_);
    try {
        savePlotOptions(store, setup_->options());
    } catch (const RegistryError&) {
        // A key that cannot be created leaves the stored options as they were.
    }
}

void PlotController::plotAgain() {
    const PlotOptions o = setup_->options();
    for (const char axis : {'X', 'Y'}) {
        const AxisOverride& ov = axis == 'X' ? o.xOverride : o.yOverride;
        if (!ov.enabled) continue;
        const QString why = validateOverride(ov, axis);
        if (why.isEmpty()) continue;
        ui_.message({why, kDefaultTitle, MessageIcon::Warning, MessageButtons::Ok});
        QLineEdit* box = why.contains(QStringLiteral("-min"))
                             ? (axis == 'X' ? setup_->txtXmin() : setup_->txtYmin())
                             : (axis == 'X' ? setup_->txtXstep() : setup_->txtYstep());
        if (box->isEnabled()) {
            box->setFocus();
            box->selectAll();
        }
        return;
    }
    pipeline_.fileRun();
}

void PlotController::quitPlot() {
    // The run pipeline closes the job file itself once it has read it.
    applyEvent(PlotEvent::Quit);
}

void PlotController::exitPlotting() {
    applyEvent(PlotEvent::ExitPlotting);
}

void PlotController::savePlotAs() {
    JobState& s = state_;
    const BitmapSaveDialogSetup d =
        bitmapSaveDialog(lastJobName_.isEmpty() ? s.jobName : lastJobName_,
                         s.dialogDir.isEmpty() ? s.userDir : s.dialogDir, s.baseDir);
    FileDialogRequest request;
    request.title = d.title;
    request.filter = kPlotFileFilter;
    request.selectedFilter = 2;
    request.initialDir = d.initialDir;
    request.suggestedName = d.suggestedName;
    const auto target = bitmapSaveTarget(ui_.saveFileName(request), d.suggestedName);
    if (!target) return;
    const QString path = QDir::cleanPath(QDir(d.initialDir).absoluteFilePath(*target));

    const ExistsAnswer exists = fileExists(path, ui_, kSaveAsTitle);
    if (exists == ExistsAnswer::Abandoned) return;
    if (exists == ExistsAnswer::Yes &&
        ui_.message({kReplaceQuestion, replaceQuestionTitle(path), MessageIcon::Question,
                     MessageButtons::YesNo}) != MessageAnswer::Yes)
        return;
    QString error;
    if (!writePlotFile(path, &error)) {
        // 75: path/file access error.
        showUnexpectedError(ui_, kSaveAsTitle, 75, error);
        return;
    }
    // The job keeps its name and folder; only the dialogs move on.
    s.dialogDir = dialogDirAfterSave(path);
}

void PlotController::printPlot() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(lastJobName_);
    if (!ui_.printSetup(printer)) return;
    QCoreApplication::processEvents();
    QString error;
    PlotEnvironment env;
    env.screenPixels = plotPage_->canvas().size();
    if (!plot::printPlotVector(printer, plotPage_->canvas().size(), lastInput_, setup_->options(),
                               env, drawExtras(), &error))
        ui_.message({error, kPrintTitle, MessageIcon::Warning, MessageButtons::Ok});
}

void PlotController::tabChanged(int index) {
    st_.currentTab = static_cast<PlotTab>(index);
    showTab(st_, st_.currentTab, setup_->options());
    applyState();
    // Hidden pages cannot take the focus here; the shown one gives it to its first control.
    focusFirstControl(tabs_ ? tabs_->widget(index) : nullptr);
}

DrawExtras PlotController::drawExtras() const {
    DrawExtras extras;
    extras.held = &held_.curves();
    return extras;
}

bool PlotController::writePlotFile(const QString& path, QString* error) {
    // The same drawing as on screen, at the canvas's size, in the format the name asks for.
    PlotEnvironment env;
    env.screenPixels = plotPage_->canvas().size();
    return savePlotFile(path, lastInput_, setup_->options(), plotPage_->canvas().size(), env,
                        drawExtras(), error);
}

void PlotController::showHeldState() {
    plotPage_->showHeldCount(held_.count(), hasPlot_ && !held_.full());
}

void PlotController::redrawPlot() {
    if (!hasPlot_) return;
    PlotCanvas& canvas = plotPage_->canvas();
    PlotEnvironment env;
    env.screenPixels = canvas.size();
    OutputText scratch;
    lastPlot_ = plot::plotResults(canvas, lastInput_, setup_->options(), scratch, env, nullptr,
                                  drawExtras());
    plotPage_->canvasChanged();
}

void PlotController::holdCurve() {
    if (!hasPlot_) return;
    if (!held_.hold(lastInput_)) {
        ui_.message({QStringLiteral("%1 curves are held already; clear them to hold another.")
                         .arg(kMaxHeldCurves),
                     kDefaultTitle, MessageIcon::Information, MessageButtons::Ok});
        return;
    }
    showHeldState();
}

void PlotController::clearHeld() {
    const bool had = !held_.empty();
    held_.clear();
    showHeldState();
    if (had) redrawPlot();
}

void PlotController::copyPlot() {
    if (!hasPlot_) return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(plotPage_->canvas().image());
}

} // namespace lumetra
