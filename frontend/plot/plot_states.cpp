#include "plot_states.h"

namespace lumetra::plot {

PlotTransition TransitionFor(PlotEvent e) {
    using T = TabChange;
    switch (e) {
    case PlotEvent::StartPlot:
        return {true, false, false, {T::Off, T::Off, T::On}, PlotTab::Plot, FocusTarget::Quit};
    case PlotEvent::Quit:
        return {
            false, true, false, {T::Off, T::Off, T::On}, PlotTab::Setup, FocusTarget::ExitPlotting};
    case PlotEvent::ExitPlotting:
        return {false,
                false,
                true,
                {T::On, T::Unchanged, T::Off},
                PlotTab::ParameterSelection,
                FocusTarget::None};
    case PlotEvent::StartSetup:
        return {false,        true,
                false,        {T::Unchanged, T::Unchanged, T::Unchanged},
                std::nullopt, FocusTarget::None};
    }
    return {false,        false,
            false,        {T::Unchanged, T::Unchanged, T::Unchanged},
            std::nullopt, FocusTarget::None};
}

void SetRunControls(PlotUiState& s, bool flag) {
    s.runButtonsEnabled = !flag;
}

void SetColorControls(PlotUiState& s, const PlotOptions& opt) {
    // Colours mean nothing in black-and-white mode.
    s.colorControlsEnabled = s.plotSetupEnabled && !opt.blackAndWhite;
    s.colorLabelsEnabled = !opt.blackAndWhite;
}

void UpdateXOverride(PlotUiState& s, const PlotOptions& opt) {
    s.xOverrideBoxesEnabled = s.currentTab == PlotTab::Setup && opt.xOverride.enabled;
}

void UpdateYOverride(PlotUiState& s, const PlotOptions& opt) {
    s.yOverrideBoxesEnabled = s.currentTab == PlotTab::Setup && opt.yOverride.enabled;
}

void SetPlotControls(PlotUiState& s, bool flag, const PlotOptions& opt) {
    s.plotSetupEnabled = flag;
    s.setupButtonsVisible = flag;
    SetColorControls(s, opt);
    UpdateXOverride(s, opt);
    UpdateYOverride(s, opt);
}

void SetMenus(PlotUiState& s, bool flag) {
    s.fileMenuEnabled = flag;
    s.demosMenuEnabled = flag;
}

void ShowTab(PlotUiState& s, PlotTab tab, const PlotOptions& opt) {
    s.currentTab = tab;
    UpdateXOverride(s, opt);
    UpdateYOverride(s, opt);
}

void OverrideCheckClicked(PlotUiState& s, PlotOptions& opt, const PlotScale& lastPlot, char axis) {
    const bool x = axis == 'X';
    if (x)
        UpdateXOverride(s, opt);
    else
        UpdateYOverride(s, opt);
    AxisOverride& ov = x ? opt.xOverride : opt.yOverride;
    const OverridePrefill fill = x ? PrefillX(lastPlot) : PrefillY(lastPlot);
    if (ov.minText.isEmpty()) ov.minText = fill.minText;
    if (ov.stepText.isEmpty()) ov.stepText = fill.stepText;
}

void ApplyPlotEvent(PlotUiState& s, PlotEvent e, const PlotOptions& opt) {
    const PlotTransition t = TransitionFor(e);
    SetRunControls(s, t.runControlsFlag);
    SetPlotControls(s, t.plotControlsFlag, opt);
    SetMenus(s, t.menusFlag);
    for (int i = 0; i < 3; ++i) {
        const TabChange c = t.tabs[static_cast<std::size_t>(i)];
        if (c != TabChange::Unchanged)
            s.tabEnabled[static_cast<std::size_t>(i)] = c == TabChange::On;
    }
    s.tabEnabled[3] = s.tabEnabled[4] = true;
    if (t.shownAfter) ShowTab(s, *t.shownAfter, opt);
    s.focus = t.focus;
}

} // namespace lumetra::plot
