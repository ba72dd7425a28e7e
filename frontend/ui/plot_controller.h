// The plot side of frmMain: startPlot, the Setup and Plot pages, the states around a plot,
// the plot options in the settings store, saving the picture and printing it.
#pragma once

#include "engine_library.h"
#include "form_view.h"
#include "job_state.h"
#include "plot_held.h"
#include "plot_marks.h"
#include "plot_modern.h"
#include "plot_modern_output.h"
#include "plot_render.h"
#include "plot_states.h"
#include "plot_zoom.h"
#include "registry_store.h"
#include "run_result.h"
#include "user_interaction.h"

#include <QObject>
#include <QPointF>
#include <QRectF>

#include <optional>

class QPlainTextEdit;
class QTabWidget;

namespace lumetra {

class PlotPage;
class RunPipeline;
class SetupPage;

inline const QString kSaveAsTitle = QStringLiteral("In 'cmdFileSaveAs' routine ...");
inline const QString kPrintTitle = QStringLiteral("In 'cmdPrint' routine ...");

// The message for an image that could not be written: which file, and the system's reason.
QString imageWriteFailedText(const QString& path, const QString& reason);

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

    // The view runs are drawn in: Classic (the default) or Modern (dB/Hz against Hz, from the
    // engine's modern profile). Remembered with the plot options; loadPlotOptions reads it.
    plot::PlotView view() const { return plotView_; }
    void setView(plot::PlotView view);
    // The modern plot on screen: its layout, curve and held curves (empty in the classic view).
    bool modernShown() const { return modernLayout_.has_value(); }
    const std::optional<plot::ModernLayout>& modernLayout() const { return modernLayout_; }
    const plot::ModernCurve& modernLive() const { return modernLive_; }
    const std::vector<plot::ModernCurve>& modernHeld() const { return modernHeld_; }
    const std::vector<plot::ModernMark>& modernMarks() const { return modernMarks_; }
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

    // Exploring the plot on screen. The last run's input and options are kept, so a new size,
    // a zoom or the peak marks draw the plot again without running the engine. A zoom is an
    // axis override: the Setup page's boxes follow it, so it is saved, printed and plotted
    // again like one typed there.
    const plot::PlotInput& lastInput() const { return lastInput_; }
    // The options of the plot on screen, a zoom included.
    const plot::PlotOptions& viewOptions() const { return viewOptions_; }
    void redrawPlot();
    void zoomAt(QPointF pixel, double notches, bool both);
    void zoomToBand(QRectF pixels, bool both);
    void startPan(QPointF pixel, bool both);
    void panTo(QPointF pixel);
    void resetView();
    void readoutAt(QPointF pixel);
    void clearReadout();
    void setMarkPeaks(bool on);
    bool markPeaks() const { return markPeaks_; }
    // How many of the most prominent peaks are marked (1..20, 5 at first; remembered).
    void setMarkCount(int count);
    int markCount() const { return markCount_; }
    bool zoomed() const {
        return zoomX_.has_value() || zoomY_.has_value() || modernZoom_.view().zoomed();
    }
    // The modern view's zoom (empty: the whole plot).
    const plot::ModernView& modernView() const { return modernZoom_.view(); }

  private:
    void startModernPlot(const ModernRun& run);
    void drawModern(QPainter& p, QSizeF size);
    // Held curves of the other view: the message refusing this run's plot, else empty.
    QString refusedMix(plot::PlotView live) const;
    void applyEvent(plot::PlotEvent e);
    void applyState();
    void syncTab();
    void focusOverrideBoxes(bool x, bool y);
    void applyZoom();
    plot::AxisRange viewX() const;
    plot::AxisRange viewY() const;

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
    QString lastJobName_;
    bool hasPlot_ = false;
    bool validatingStep_ = false;

    plot::PlotInput lastInput_;
    plot::PlotOptions baseOptions_; // as the run was plotted
    plot::PlotOptions viewOptions_; // with the zoom
    plot::PlotEnvironment lastEnv_;
    Qt::PenStyle styleBeforePlot_ = Qt::SolidLine;
    plot::AxisRange baseX_, baseY_;
    std::optional<plot::AxisRange> zoomX_, zoomY_; // the asked-for views; the ticks cover them
    struct PanStart {
        QPointF pixel;
        plot::PlotScale scale;
        plot::AxisRange x, y;
        bool y_moves = false;
    };
    std::optional<PanStart> pan_;
    std::optional<QPointF> cursor_; // where the readout was taken
    bool markPeaks_ = false;
    int markCount_ = plot::kDefaultPeakMarks;
    // The curves held for comparison.
    plot::HeldCurves held_;
    // The modern view: its live curve, header, held curves and the layout last drawn.
    plot::PlotView plotView_ = plot::PlotView::Classic;
    plot::ModernCurve modernLive_;
    QString modernHeader_;
    std::vector<plot::ModernCurve> modernHeld_;
    std::optional<plot::ModernLayout> modernLayout_;
    std::vector<double> modernPeakHz_, modernPeakDb_; // the engine's, most prominent first
    std::vector<plot::ModernMark> modernMarks_;
    plot::ModernExplorer modernZoom_;
    plot::CurveRanges modernData() const;
    plot::ModernPeaks modernPeaks() const;
    plot::DrawExtras drawExtras() const;
    plot::PlotEnvironment canvasEnvironment() const;
    void showHeldState();
    bool writePlotFile(const QString& path, QString* error);
};

} // namespace lumetra
