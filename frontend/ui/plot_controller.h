// The plot side of frmMain: startPlot, the Setup and Plot pages, the states around a plot,
// the plot options in the settings store, saving the picture and printing it.
#pragma once

#include "plot_render.h"
#include "plot_states.h"
#include "registry_store.h"
#include "run_result.h"
#include "user_interaction.h"

#include <QObject>

class QPlainTextEdit;
class QTabWidget;

namespace lumetra {

class MainWindow;
class PlotPage;
class SetupPage;

inline const QString kSaveAsTitle = QStringLiteral("In 'cmdFileSaveAs' routine ...");
inline const QString kPrintTitle = QStringLiteral("In 'cmdPrint' routine ...");

class PlotController : public QObject {
    Q_OBJECT
  public:
    // Makes the two pages; the window puts them into its notebook and calls attach().
    PlotController(MainWindow& window, UserInteraction& ui, RegistryStore& registry,
                   QObject* parent = nullptr);

    SetupPage* setupPage() const { return setup_; }
    PlotPage* plotPage() const { return plotPage_; }
    void attach(QTabWidget* tabs, QPlainTextEdit* outBox);

    // Start-up: options from the store, overrides off, grid "X && Y Axes" and "Dotted",
    // plot-setup controls disabled.
    void LoadPlotOptions();
    void startPlot(const RunResult& result);
    void startSetup();
    void SetPlotControls(bool on);
    void SetColorControls();

    // Handlers of the two pages.
    void cmdColor(int slot);
    void chkBlacknWhite_Click();
    void chkAxis_Click(char axis);
    void txtStep_Validate(char axis);
    void cmdSaveOptions();
    void cmdPlot();
    void cmdQuit();
    void cmdExitPlotting();
    void cmdFileSaveAs();
    void cmdPrint();
    void Plot_Tabs_Click(int index);

    const plot::PlotScale& lastPlot() const { return lastPlot_; }
    const plot::PeakList& lastPeaks() const { return lastPeaks_; }
    const plot::PlotUiState& uiState() const { return st_; }
    bool hasPlot() const { return hasPlot_; }
    // Non-zero: a tab change skips the enabling pass.
    int tabGuard = 0;

  private:
    void applyEvent(plot::PlotEvent e);
    void applyState();
    void syncTab();
    void focusOverrideBoxes(bool x, bool y);

    MainWindow& window_;
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
};

} // namespace lumetra
