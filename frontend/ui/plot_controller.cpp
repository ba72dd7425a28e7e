#include "plot_controller.h"

#include "file_error_policy.h"
#include "plot_from_run.h"
#include "plot_marks.h"
#include "plot_modern_output.h"
#include "plot_output.h"
#include "plot_page.h"
#include "plot_registry.h"
#include "run_pipeline.h"
#include "setup_page.h"
#include <QSpinBox>

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>

#include <cmath>

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

// Stored beside the other plot options; off keeps the plot as the classic renderer drew it.
const QString kMarkPeaksValue = QStringLiteral("MarkPeaks");
const QString kMarkCountValue = QStringLiteral("MarkPeakCount");

// Each wheel notch shows this share of the width.
constexpr double kZoomPerNotch = 0.8;

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

    connect(plotPage_, &PlotPage::canvasResized, this, &PlotController::redrawPlot);
    connect(plotPage_, &PlotPage::markPeaksToggled, this, &PlotController::setMarkPeaks);
    connect(plotPage_, &PlotPage::markCountChanged, this, &PlotController::setMarkCount);
    PlotCanvasView* v = plotPage_->view();
    connect(v, &PlotCanvasView::wheelZoom, this, &PlotController::zoomAt);
    connect(v, &PlotCanvasView::bandZoom, this, &PlotController::zoomToBand);
    connect(v, &PlotCanvasView::panStarted, this, &PlotController::startPan);
    connect(v, &PlotCanvasView::panMoved, this, &PlotController::panTo);
    connect(plotPage_, &PlotPage::resetViewRequested, this, &PlotController::resetView);
    connect(v, &PlotCanvasView::hovered, this, &PlotController::readoutAt);
    connect(v, &PlotCanvasView::left, this, &PlotController::clearReadout);
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
    const QVariant marks = store.dword(kMarkPeaksValue);
    markPeaks_ = marks.isValid() && marks.toInt() != 0;
    const QVariant count = store.dword(kMarkCountValue);
    markCount_ = count.isValid() ? std::clamp(count.toInt(), 1, kMaxPeakMarks) : kDefaultPeakMarks;
    plotView_ = storedPlotView(store);
    const QSignalBlocker block(plotPage_->chkMarkPeaks());
    plotPage_->chkMarkPeaks()->setChecked(markPeaks_);
    const QSignalBlocker blockCount(plotPage_->spnMarkCount());
    plotPage_->spnMarkCount()->setValue(markCount_);
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

QString PlotController::refusedMix(PlotView live) const {
    std::vector<ModernCurve> held;
    for (int i = 0; i < held_.count(); ++i) {
        held.emplace_back();
        held.back().view = PlotView::Classic;
    }
    for (const ModernCurve& c : modernHeld_) held.push_back(c);
    return mixedViewsMessage(held, live);
}

void PlotController::setView(PlotView view) {
    plotView_ = view;
    RegistryPlotStore store(registry_);
    try {
        storePlotView(store, view);
    } catch (const RegistryError&) {
        // The choice holds for this session.
    }
}

ModernPeaks PlotController::modernPeaks() const {
    return {modernPeakHz_, modernPeakDb_, markPeaks_ ? markCount_ : 0};
}

void PlotController::drawModern(QPainter& p, QSizeF size) {
    modernLayout_ = drawModernPlot(p, size, modernLive_, modernHeld_, modernHeader_,
                                   setup_->options().penColor(Curve1), modernZoom_.view());
    modernMarks_.clear();
    if (!modernLayout_ || !markPeaks_) return;
    std::vector<const ModernCurve*> curves;
    for (const ModernCurve& c : modernHeld_) curves.push_back(&c);
    curves.push_back(&modernLive_);
    modernMarks_ = drawModernMarks(p, size, *modernLayout_, curves, modernPeaks());
}

void PlotController::startModernPlot(const ModernRun& run) {
    if (const QString why = refusedMix(PlotView::Modern); !why.isEmpty()) {
        ui_.message({why, kDefaultTitle, MessageIcon::Warning, MessageButtons::Ok});
        view_.setRunControls(false);
        return;
    }
    applyEvent(PlotEvent::StartPlot);
    // A new run is shown whole.
    modernZoom_.reset();
    lastJobName_ = state_.jobName;
    modernLive_ = modernCurveFromRun(run, lastJobName_);
    modernHeader_ = modernHeader(run, lastJobName_);
    modernPeakHz_ = run.peakHz;
    modernPeakDb_ = run.peakDb;
    PlotCanvas& canvas = plotPage_->canvas();
    canvas.resize(plotPage_->canvasSizeForPlot());
    {
        QPainter p(&canvas.image());
        drawModern(p, QSizeF(canvas.size()));
    }
    hasPlot_ = true;
    zoomX_.reset();
    zoomY_.reset();
    pan_.reset();
    plotPage_->setPlotAvailable(true, true);
    clearReadout();
    showHeldState();
    plotPage_->canvasChanged();
    if (outBox_) {
        QStringList lines{modernHeader_, QStringLiteral("Peaks (most prominent first):")};
        for (std::size_t k = 0; k < run.peakHz.size(); ++k)
            lines << QStringLiteral("  %1").arg(modernReadout(run.peakHz[k], run.peakDb[k]));
        outBox_->setPlainText(lines.join(QLatin1Char('\n')));
    }
    plotPage_->cmdQuit()->setFocus();
}

void PlotController::startPlot(const RunResult& result) {
    if (result.modern) {
        startModernPlot(pipeline_.lastModern());
        return;
    }
    if (const QString why = refusedMix(PlotView::Classic); !why.isEmpty()) {
        ui_.message({why, kDefaultTitle, MessageIcon::Warning, MessageButtons::Ok});
        view_.setRunControls(false);
        return;
    }
    modernLayout_.reset();
    modernZoom_.reset();
    // The Plot page is shown before drawing, so the canvas takes the size it is shown at.
    applyEvent(PlotEvent::StartPlot);

    const PlotOptions opt = setup_->options();
    lastJobName_ = state_.jobName;
    const PlotInput in = plotInputFromRun(result, lastJobName_);
    PlotCanvas& canvas = plotPage_->canvas();
    canvas.resize(plotPage_->canvasSizeForPlot());
    PlotEnvironment env;
    // Drawn again at other sizes, the plot keeps the time of its run.
    env.timestamp = QDateTime::currentDateTime();
    // Text sizes and line widths follow the canvas as they followed the screen it filled.
    env.screenPixels = canvas.size();
    OutputText out;
    styleBeforePlot_ = canvas.lineStyle();
    lastPlot_ = plot::startPlot(canvas, in, opt, out, env, &lastPeaks_, drawExtras());
    hasPlot_ = true;
    lastInput_ = in;
    lastEnv_ = env;
    baseOptions_ = viewOptions_ = opt;
    baseX_ = shownXRange(lastPlot_);
    baseY_ = shownYRange(lastPlot_);
    zoomX_.reset();
    zoomY_.reset();
    pan_.reset();
    plotPage_->setPlotAvailable(true);
    clearReadout();
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
    if (!hasPlot_) return;
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
        ui_.message({imageWriteFailedText(path, error), kSaveAsTitle, MessageIcon::Warning,
                     MessageButtons::Ok});
        return;
    }
    // The job keeps its name and folder; only the dialogs move on.
    s.dialogDir = dialogDirAfterSave(path);
}

void PlotController::printPlot() {
    if (!hasPlot_) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(lastJobName_);
    if (!ui_.printSetup(printer)) return;
    QCoreApplication::processEvents();
    QString error;
    if (modernShown()) {
        QPainter p;
        if (!p.begin(&printer)) {
            ui_.message({QStringLiteral("The printer could not be started."), kPrintTitle,
                         MessageIcon::Warning, MessageButtons::Ok});
            return;
        }
        const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
        const QSizeF size(plotPage_->canvas().size());
        const double scale = std::min(page.width() / size.width(), page.height() / size.height());
        p.scale(scale, scale);
        drawModern(p, size);
        return;
    }
    if (!plot::printPlot(printer, plotPage_->canvas().size(), lastInput_, setup_->options(),
                         canvasEnvironment(), drawExtras(), &error))
        ui_.message({error, kPrintTitle, MessageIcon::Warning, MessageButtons::Ok});
}

void PlotController::tabChanged(int index) {
    st_.currentTab = static_cast<PlotTab>(index);
    showTab(st_, st_.currentTab, setup_->options());
    applyState();
    // Hidden pages cannot take the focus here; the shown one gives it to its first control.
    focusFirstControl(tabs_ ? tabs_->widget(index) : nullptr);
}

QString imageWriteFailedText(const QString& path, const QString& reason) {
    const QString why =
        reason.trimmed().isEmpty() ? QStringLiteral("the system gave no reason") : reason.trimmed();
    return QStringLiteral("The plot could not be saved as \"%1\": %2.\nNothing was written; "
                          "choose another folder or name.")
        .arg(QDir::toNativeSeparators(path), why);
}

DrawExtras PlotController::drawExtras() const {
    DrawExtras extras;
    extras.held = &held_.curves();
    extras.peakMarks = markPeaks_ ? markCount_ : 0;
    return extras;
}

PlotEnvironment PlotController::canvasEnvironment() const {
    // Drawn again (on screen, into a file, on paper), the plot keeps the time of its run and
    // the text sizes of the canvas.
    PlotEnvironment env = lastEnv_;
    env.screenPixels = plotPage_->canvas().size();
    return env;
}

bool PlotController::writePlotFile(const QString& path, QString* error) {
    if (modernShown())
        return saveModernPlot(path, plotPage_->canvas().size(), modernLive_, modernHeld_,
                              modernHeader_, setup_->options().penColor(Curve1), error,
                              modernPeaks(), modernZoom_.view())
            .has_value();
    // The same drawing as on screen, at the canvas's size, in the format the name asks for.
    return savePlotFile(path, lastInput_, setup_->options(), plotPage_->canvas().size(),
                        canvasEnvironment(), drawExtras(), error);
}

void PlotController::showHeldState() {
    const int count = held_.count() + static_cast<int>(modernHeld_.size());
    plotPage_->showHeldCount(count, hasPlot_ && count < kMaxHeldCurves);
}

void PlotController::redrawPlot() {
    if (!hasPlot_) return;
    PlotCanvas& canvas = plotPage_->canvas();
    canvas.resize(plotPage_->canvasSizeForPlot());
    if (modernShown()) {
        {
            QPainter p(&canvas.image());
            drawModern(p, QSizeF(canvas.size()));
        }
        plotPage_->canvasChanged();
        if (cursor_) readoutAt(*cursor_);
        return;
    }
    const PlotEnvironment env = canvasEnvironment();
    // The carried line style is taken as the run's plot found it, so every redraw looks alike.
    Qt::PenStyle style = styleBeforePlot_;
    OutputText scratch;
    {
        QPainter p(&canvas.image());
        lastPlot_ = drawPlot(p, QSizeF(canvas.size()), style, lastInput_, viewOptions_, scratch,
                             env, drawExtras());
    }
    canvas.setLineStyle(style);
    plotPage_->canvasChanged();
    // The readout follows the new scale.
    if (cursor_) readoutAt(*cursor_);
}

AxisRange PlotController::viewX() const {
    return zoomX_.value_or(shownXRange(lastPlot_));
}

AxisRange PlotController::viewY() const {
    return zoomY_.value_or(shownYRange(lastPlot_));
}

void PlotController::applyZoom() {
    viewOptions_.xOverride = zoomX_ ? overrideFor(niceTicks(*zoomX_, 10)) : baseOptions_.xOverride;
    viewOptions_.yOverride = zoomY_ ? overrideFor(niceTicks(*zoomY_, 5)) : baseOptions_.yOverride;
    // The Setup page holds the zoom as its overrides.
    PlotOptions o = setup_->options();
    o.xOverride = viewOptions_.xOverride;
    o.yOverride = viewOptions_.yOverride;
    setup_->setOptions(o);
    syncTab();
    updateXOverride(st_, o);
    updateYOverride(st_, o);
    applyState();
    redrawPlot();
}

CurveRanges PlotController::modernData() const {
    return modernDataRanges(modernLive_, modernHeld_);
}

void PlotController::zoomAt(QPointF pixel, double notches, bool both) {
    if (!hasPlot_ || notches == 0) return;
    if (modernShown()) {
        if (modernZoom_.zoomAt(*modernLayout_, pixel, notches, both, modernData())) redrawPlot();
        return;
    }
    const QSizeF size(plotPage_->canvas().size());
    const double factor = std::pow(kZoomPerNotch, notches);
    const double ax = realXAt(lastPlot_, pixel.x(), size.width());
    const AxisRange x = zoomAbout(viewX(), ax, factor);
    const CurveRanges data = curveRanges(lastInput_, held_.curves());
    zoomX_ = limitedView(x, ax, data.x);
    if (both) {
        const double ay = realYAt(lastPlot_, pixel.y(), size.height());
        const AxisRange y = zoomAbout(viewY(), ay, factor);
        zoomY_ = limitedView(y, ay, data.y);
    }
    applyZoom();
}

void PlotController::zoomToBand(QRectF pixels, bool both) {
    if (!hasPlot_) return;
    if (modernShown()) {
        if (modernZoom_.zoomToBand(*modernLayout_, pixels, both, modernData())) redrawPlot();
        return;
    }
    const QSizeF size(plotPage_->canvas().size());
    const AxisRange x = bandRange(realXAt(lastPlot_, pixels.left(), size.width()),
                                  realXAt(lastPlot_, pixels.right(), size.width()));
    const CurveRanges data = curveRanges(lastInput_, held_.curves());
    zoomX_ = limitedView(x, (x.lo + x.hi) / 2, data.x);
    if (both && pixels.height() >= 1) {
        const AxisRange y = bandRange(realYAt(lastPlot_, pixels.top(), size.height()),
                                      realYAt(lastPlot_, pixels.bottom(), size.height()));
        zoomY_ = limitedView(y, (y.lo + y.hi) / 2, data.y);
    }
    applyZoom();
}

void PlotController::startPan(QPointF pixel, bool both) {
    if (!hasPlot_) return;
    if (modernShown()) {
        modernZoom_.startPan(*modernLayout_, pixel, both);
        return;
    }
    // The pan starts from what is shown, so it moves whole grid divisions.
    pan_ = PanStart{pixel, lastPlot_, shownXRange(lastPlot_), shownYRange(lastPlot_),
                    both || zoomY_.has_value()};
}

void PlotController::panTo(QPointF pixel) {
    if (!hasPlot_) return;
    if (modernShown()) {
        if (modernZoom_.panTo(pixel, modernData())) redrawPlot();
        return;
    }
    if (!pan_) return;
    const QSizeF size(plotPage_->canvas().size());
    const PlotScale& s = pan_->scale;
    // The view moves against the drag, by whole divisions: the ticks stay round and the
    // width stays as it was.
    auto moved = [](AxisRange r, double delta, int steps) {
        const double step = r.width() / steps;
        return panBy(r, -std::round(delta / step) * step);
    };
    // Pixels to real units through the renderer's frame, as the readout takes them.
    const double dx =
        realXAt(s, pixel.x(), size.width()) - realXAt(s, pan_->pixel.x(), size.width());
    const CurveRanges data = curveRanges(lastInput_, held_.curves());
    // A pan stops where the curves end.
    const AxisRange x = keepWithin(moved(pan_->x, dx, 10), data.x);
    std::optional<AxisRange> y = zoomY_;
    if (pan_->y_moves) {
        const double dy =
            realYAt(s, pixel.y(), size.height()) - realYAt(s, pan_->pixel.y(), size.height());
        y = keepWithin(moved(pan_->y, dy, 5), data.y);
    }
    if (zoomX_ && *zoomX_ == x && y == zoomY_) return;
    zoomX_ = x;
    zoomY_ = y;
    applyZoom();
}

void PlotController::resetView() {
    pan_.reset();
    modernZoom_.endPan();
    if (!hasPlot_ || !zoomed()) return;
    if (modernShown()) {
        modernZoom_.reset();
        redrawPlot();
        return;
    }
    zoomX_.reset();
    zoomY_.reset();
    applyZoom();
}

void PlotController::readoutAt(QPointF pixel) {
    if (!hasPlot_) return;
    const QSizeF size(plotPage_->canvas().size());
    if (modernShown()) {
        // The live curve's point nearest the cursor's frequency, through the drawn frame.
        const ModernLayout& L = *modernLayout_;
        const QRectF f = L.frame;
        const std::vector<double>& fr = modernLive_.frequencyHz;
        if (fr.empty() || f.width() <= 0 || pixel.x() < f.left() || pixel.x() > f.right()) {
            clearReadout();
            return;
        }
        const double hz = modernHzAt(L, pixel.x());
        std::size_t k = 0;
        for (std::size_t i = 1; i < fr.size(); ++i)
            if (std::fabs(fr[i] - hz) < std::fabs(fr[k] - hz)) k = i;
        cursor_ = pixel;
        const double db = modernLive_.densityDb[k];
        const QPointF at(modernPixelX(L, fr[k]), modernPixelY(L, std::clamp(db, L.yLo, L.yHi)));
        plotPage_->view()->setCrosshair(pixel, at);
        plotPage_->setStatusText(
            QStringLiteral("%1   (point %2 of %3)%4")
                .arg(modernReadout(fr[k], db))
                .arg(k + 1)
                .arg(fr.size())
                .arg(zoomed() ? QStringLiteral("   zoomed: Home shows it all") : QString()));
        return;
    }
    const PlotScale& st = lastPlot_;
    const auto i = nearestCurvePoint(st, realXAt(st, pixel.x(), size.width()));
    if (!i) {
        clearReadout();
        return;
    }
    cursor_ = pixel;
    const auto k = static_cast<std::size_t>(*i);
    const double f = static_cast<double>(st.freq[k]) * st.xFactor;
    const double db = static_cast<double>(st.psd[k]) * st.yFactor;
    const QPointF at(toPixelX(st, st.freq[k], size.width()),
                     toPixelY(st, st.psd[k], size.height()));
    plotPage_->view()->setCrosshair(pixel, at);
    plotPage_->setStatusText(
        QStringLiteral("Frequency %1   PSD %2 dB   (point %3 of %4)%5")
            .arg(QString::number(f, 'g', 6), QString::number(db, 'f', 2))
            .arg(*i + 1)
            .arg(st.n)
            .arg(zoomed() ? QStringLiteral("   zoomed: Home shows it all") : QString()));
}

void PlotController::clearReadout() {
    cursor_.reset();
    plotPage_->view()->setCrosshair(std::nullopt, std::nullopt);
    plotPage_->setStatusText({});
}

void PlotController::setMarkPeaks(bool on) {
    markPeaks_ = on;
    if (plotPage_->chkMarkPeaks()->isChecked() != on) {
        const QSignalBlocker block(plotPage_->chkMarkPeaks());
        plotPage_->chkMarkPeaks()->setChecked(on);
    }
    RegistryPlotStore store(registry_);
    try {
        if (!store.keyExists()) store.createKey();
        store.setDword(kMarkPeaksValue, on ? 1 : 0);
    } catch (const RegistryError&) {
        // The choice holds for this session.
    }
    redrawPlot();
}

void PlotController::setMarkCount(int count) {
    markCount_ = std::clamp(count, 1, kMaxPeakMarks);
    if (plotPage_->spnMarkCount()->value() != markCount_) {
        const QSignalBlocker block(plotPage_->spnMarkCount());
        plotPage_->spnMarkCount()->setValue(markCount_);
    }
    RegistryPlotStore store(registry_);
    try {
        if (!store.keyExists()) store.createKey();
        store.setDword(kMarkCountValue, markCount_);
    } catch (const RegistryError&) {
        // The choice holds for this session.
    }
    if (markPeaks_) redrawPlot();
}

void PlotController::holdCurve() {
    if (!hasPlot_) return;
    const bool full = held_.count() + static_cast<int>(modernHeld_.size()) >= kMaxHeldCurves;
    if (modernShown() && !full) {
        modernHeld_.push_back(modernLive_);
        showHeldState();
        return;
    }
    if (full || !held_.hold(lastInput_)) {
        ui_.message({QStringLiteral("%1 curves are held already; clear them to hold another.")
                         .arg(kMaxHeldCurves),
                     kDefaultTitle, MessageIcon::Information, MessageButtons::Ok});
        return;
    }
    showHeldState();
}

void PlotController::clearHeld() {
    const bool had = !held_.empty() || !modernHeld_.empty();
    held_.clear();
    modernHeld_.clear();
    showHeldState();
    if (had) redrawPlot();
}

void PlotController::copyPlot() {
    if (!hasPlot_) return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(plotPage_->canvas().image());
}

} // namespace lumetra
