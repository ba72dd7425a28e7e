// The plot side of frmMain: startPlot, the Setup and Plot pages, the states around a plot,
// the plot options in the settings store, saving the picture and printing it.
#pragma once

#include "form_view.h"
#include "job_state.h"
#include "plot_held.h"
#include "plot_render.h"
#include "plot_states.h"
#include "registry_store.h"
#include "run_result.h"
#include "user_interaction.h"

#include <QObject>

class QPlainTextEdit;
class QTabWidget;

namespace lumetra {

class PlotPage;
class RunPipeline;
class SetupPage;

inline const QString kSaveAsTitle = QStringLiteral("In 'cmdFileSaveAs' routine ...");
inline const QString kPrintTitle = QStringLiteral("In 'cmdPrint' routine ...");

class PlotController : public QObject {
    Q_OBJECT
  public:
    // Makes the two pages; the window puts them into its notebook and calls attach(). view:
    // the window's switches; state: the job's names and folders; pipeline: "Plot results"
    // runs the job again.
    PlotController(FormView& view, JobState& state, RunPipeline& pipeline, UserInteraction& ui,
                   RegistryStore& registry, QObject* parent = nullptr);

    SetupPage* setupPage() const { return setup_; }
    PlotPage* plotPage() const { return plotPage_; }
    void attach(QTabWidget* tabs, QPlainTextEdit* outBox);

    // Start-up: options from the store, overrides off, grid "X && Y Axes" and "Dotted",
    // plot-setup controls disabled.
    void loadPlotOptions();
    void startPlot(const RunResult& result);
    void startSetup();
    void setPlotControls(bool on);
    void setColorControls();

    // Handlers of the two pages.
    void chooseColor(int slot);
    void blackAndWhiteToggled();
    void axisOverrideToggled(char axis);
    void validateStep(char axis);
    void saveOptions();
    void plotAgain();
    void quitPlot();
    void exitPlotting();
    void savePlotAs();
    void printPlot();
    void tabChanged(int index);

    // Comparing runs: Hold keeps the current curve, Clear held drops them all; copyPlot puts
    // the plot, as shown, on the clipboard.
    void holdCurve();
    void clearHeld();
    void copyPlot();
    const plot::HeldCurves& heldCurves() const { return held_; }

    const plot::PlotScale& lastPlot() const { return lastPlot_; }
    const plot::PeakList& lastPeaks() const { return lastPeaks_; }
    bool hasPlot() const { return hasPlot_; }

  private:
    void applyEvent(plot::PlotEvent e);
    void applyState();
    void syncTab();
    void focusOverrideBoxes(bool x, bool y);

    FormView& view_;
    JobState& state_;
    RunPipeline& pipeline_;
    UserInteraction& ui_;
    RegistryStore& registry_;
    SetupPage* setup_ = nullptr;
    PlotPage* plotPage_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QPlainTextEdit* outBox_ = nullptr;

    plot::PlotUiState st_;
    plot::PlotScale lastPlot_;
    plot::PeakList lastPeaks_;
    float lastSig2_ = 0;
    QString lastJobName_;
    bool hasPlot_ = false;
    bool validatingStep_ = false;

    // The last run's plot input and the curves held for comparison.
    plot::PlotInput lastInput_;
    plot::HeldCurves held_;
    plot::DrawExtras drawExtras() const;
    void redrawPlot();
    void showHeldState();
    bool writePlotFile(const QString& path, QString* error);
};

} // namespace lumetra
