// Which controls and tabs are available around a plot, as plain data the widgets bind to.
#pragma once

#include "plot_options.h"

#include <array>
#include <optional>

namespace lumetra::plot {

enum class PlotTab : int { ParameterSelection = 0, Demos = 1, Setup = 2, Output = 3, Plot = 4 };
inline const std::array<QString, 5> kTabTitles = {QStringLiteral("Parameter Selection"),
                                                  QStringLiteral("Demos"), QStringLiteral("Setup"),
                                                  QStringLiteral("Output"), QStringLiteral("Plot")};

enum class PlotEvent { StartPlot, Quit, ExitPlotting, StartSetup };
enum class TabChange { Unchanged, On, Off };
enum class FocusTarget { None, Quit, ExitPlotting };

// One row of the states table.
struct PlotTransition {
    bool runControlsFlag;          // setRunControls(flag): true disables the run buttons
    bool plotControlsFlag;         // setPlotControls(flag)
    bool menusFlag;                // setMenus(flag)
    std::array<TabChange, 3> tabs; // tabs 0..2; tabs 3 and 4 are always available
    std::optional<PlotTab> shownAfter;
    FocusTarget focus;
};

PlotTransition transitionFor(PlotEvent e);

// What a transition switches. The state model and the window each supply their own steps, so
// the order of the steps is written once.
class TransitionSteps {
  public:
    virtual ~TransitionSteps() = default;
    virtual void setRunControls(bool flag) = 0;
    virtual void setPlotControls(bool flag) = 0;
    virtual void setMenus(bool flag) = 0;
    virtual void setTabEnabled(int tab, bool enabled) = 0;
    virtual void showTab(PlotTab tab) = 0;
};

// Run controls, plot controls, menus, tabs 0..2, then the tab shown after.
void applyTransition(const PlotTransition& t, TransitionSteps& steps);

// Enabled/visible state of everything the rules switch.
struct PlotUiState {
    // Run buttons: cmdSubmit, cmdRunDemo ("&Calculate") and cmdCancelDemo ("Parameter Selection").
    bool runButtonsEnabled = true;
    // Plot-setup controls: colour buttons and swatches, grid option buttons,
    // chkBlacknWhite, chkXaxis, chkYaxis.
    bool plotSetupEnabled = true;
    // "&Save Settings", "&Plot results >>", "E&xit Plotting" shown.
    bool setupButtonsVisible = true;
    bool fileMenuEnabled = true;
    bool demosMenuEnabled = true;
    std::array<bool, 5> tabEnabled{true, true, true, true, true};
    PlotTab currentTab = PlotTab::ParameterSelection;
    FocusTarget focus = FocusTarget::None;
    // Colour swatches and "Pick Color" buttons; their labels.
    bool colorControlsEnabled = true;
    bool colorLabelsEnabled = true;
    // Override boxes txtXmin/txtXstep and txtYmin/txtYstep.
    bool xOverrideBoxesEnabled = false;
    bool yOverrideBoxesEnabled = false;
};

void setRunControls(PlotUiState& s, bool flag);
void setPlotControls(PlotUiState& s, bool flag, const PlotOptions& opt);
void setMenus(PlotUiState& s, bool flag);
// Colour controls follow black-and-white mode (and are off while plot setup is).
void setColorControls(PlotUiState& s, const PlotOptions& opt);
// Override boxes are usable only on the Setup tab with their check box on.
void updateXOverride(PlotUiState& s, const PlotOptions& opt);
void updateYOverride(PlotUiState& s, const PlotOptions& opt);
// chkXaxis / chkYaxis clicked (axis 'X' or 'Y', options already holding the
// new check state): the boxes follow, and empty ones get the last plot's values.
void overrideCheckClicked(PlotUiState& s, PlotOptions& opt, const PlotScale& lastPlot, char axis);
// Applies one row of the states table.
void applyPlotEvent(PlotUiState& s, PlotEvent e, const PlotOptions& opt);
// The user switched tabs: the override boxes follow.
void showTab(PlotUiState& s, PlotTab tab, const PlotOptions& opt);

} // namespace lumetra::plot
