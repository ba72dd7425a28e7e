#include "plot_states.h"

namespace lumetra::plot {

PlotTransition transitionFor(PlotEvent e) {
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

void setRunControls(PlotUiState& s, bool flag) {
    s.runButtonsEnabled = !flag;
}

void setColorControls(PlotUiState& s, const PlotOptions& opt) {
    // Colours mean nothing in black-and-white mode.
    s.colorControlsEnabled = s.plotSetupEnabled && !opt.blackAndWhite;
    s.colorLabelsEnabled = !opt.blackAndWhite;
}

void updateXOverride(PlotUiState& s, const PlotOptions& opt) {
    s.xOverrideBoxesEnabled = s.currentTab == PlotTab::Setup && opt.xOverride.enabled;
}

void updateYOverride(PlotUiState& s, const PlotOptions& opt) {
    s.yOverrideBoxesEnabled = s.currentTab == PlotTab::Setup && opt.yOverride.enabled;
}

void setPlotControls(PlotUiState& s, bool flag, const PlotOptions& opt) {
    s.plotSetupEnabled = flag;
    s.setupButtonsVisible = flag;
    setColorControls(s, opt);
    updateXOverride(s, opt);
    updateYOverride(s, opt);
}

void setMenus(PlotUiState& s, bool flag) {
    s.fileMenuEnabled = flag;
    s.demosMenuEnabled = flag;
}

void showTab(PlotUiState& s, PlotTab tab, const PlotOptions& opt) {
    s.currentTab = tab;
    updateXOverride(s, opt);
    updateYOverride(s, opt);
}

void overrideCheckClicked(PlotUiState& s, PlotOptions& opt, const PlotScale& lastPlot, char axis) {
    const bool x = axis == 'X';
    if (x)
        updateXOverride(s, opt);
    else
        updateYOverride(s, opt);
    AxisOverride& ov = x ? opt.xOverride : opt.yOverride;
    const OverridePrefill fill = x ? prefillX(lastPlot) : prefillY(lastPlot);
    if (ov.minText.isEmpty()) ov.minText = fill.minText;
    if (ov.stepText.isEmpty()) ov.stepText = fill.stepText;
}

void applyTransition(const PlotTransition& t, TransitionSteps& steps) {
    steps.setRunControls(t.runControlsFlag);
    steps.setPlotControls(t.plotControlsFlag);
    steps.setMenus(t.menusFlag);
    for (int i = 0; i < 3; ++i) {
        const TabChange c = t.tabs[static_cast<std::size_t>(i)];
        if (c != TabChange::Unchanged) steps.setTabEnabled(i, c == TabChange::On);
    }
    if (t.shownAfter) steps.showTab(*t.shownAfter);
}

void applyPlotEvent(PlotUiState& s, PlotEvent e, const PlotOptions& opt) {
    struct StateSteps : TransitionSteps {
        PlotUiState& s;
        const PlotOptions& opt;
        StateSteps(PlotUiState& state, const PlotOptions& options) : s(state), opt(options) {}
        void setRunControls(bool flag) override { plot::setRunControls(s, flag); }
        void setPlotControls(bool flag) override { plot::setPlotControls(s, flag, opt); }
        void setMenus(bool flag) override { plot::setMenus(s, flag); }
        void setTabEnabled(int tab, bool enabled) override {
            s.tabEnabled[static_cast<std::size_t>(tab)] = enabled;
        }
        void showTab(PlotTab tab) override {
            s.tabEnabled[3] = s.tabEnabled[4] = true;
            plot::showTab(s, tab, opt);
        }
    } steps(s, opt);
    const PlotTransition t = transitionFor(e);
    applyTransition(t, steps);
    s.tabEnabled[3] = s.tabEnabled[4] = true;
    s.focus = t.focus;
}

} // namespace lumetra::plot
