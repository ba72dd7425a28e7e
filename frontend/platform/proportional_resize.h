// Proportional resizing of a form: every control keeps its place and size as the same fraction
// of the form's inner area, and text sizes follow the inner height. Widget-free: the controls
// come in as plain states, so the rule is testable without showing anything.
#pragma once

#include <QSizeF>
#include <QString>
#include <vector>

namespace lumetra {

// Twips per pixel of the program's form layout (the job form lays out with the same figure).
inline constexpr double kFormTwipsPerPixel = 12.0;

// Which values a control takes part with.
enum class ControlKind {
    Text,       // top, left, width, height, text size (labels, boxes, buttons, lists, frames)
    Picture,    // top, left, width, height
    TabControl, // tab-strip height, widest tab, width, height, text size
    HScrollBar, // top, left, width
    VScrollBar, // top, left, height
    Line,       // x1, x2, y1, y2
    Ignored,    // nothing (dialogs, timers, menus, image lists)
    Other       // top, left
};

// The kind for a control type name of the original forms ("TextBox", "SSTab", "Line", ...);
// unknown names are Other.
ControlKind controlKindForTypeName(const QString& typeName);

// A control as the form holds it, in form units.
struct ControlState {
    ControlKind kind = ControlKind::Other;
    double left = 0, top = 0, width = 0, height = 0;
    double tabStripHeight = 0, widestTab = 0; // tab control
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;    // line
    double textSize = 0;                      // 0: the control has none
};

class ResizeControls {
  public:
    // The fixed figures of the rule, in the units the controls are measured in.
    struct Units {
        double minInnerWidth = 2000;
        double minInnerHeight = 1500;
        double parkedLeftBelow = -30000; // a control on a hidden tab page
        double parkOffset = 75000;
        // Whether text sizes follow the inner height. Off where the platform sizes text for
        // the screen's density (Qt's scaling): the rule then places and sizes the controls on
        // top of that and leaves their text as it is.
        bool textFollowsHeight = true;
    };
    static Units twips() { return Units{}; }
    static Units pixels(double twipsPerPixel = kFormTwipsPerPixel);

    explicit ResizeControls(Units units = pixels());

    // Record step: the fractions of every control against the inner size. An empty inner
    // area records nothing.
    void record(QSizeF inner, const std::vector<ControlState>& controls);
    bool recorded() const { return recorded_; }
    // Only at or above the minimum inner size does anything move.
    bool canApply(QSizeF inner) const;

    // Apply step: the controls' states at the new inner size. present is what the controls
    // hold now (it decides whether a control is parked); below the minimum size, or for
    // controls beyond the recorded ones, present comes back unchanged.
    std::vector<ControlState> apply(QSizeF inner, const std::vector<ControlState>& present) const;

    const Units& units() const { return units_; }
    // The five tables of 32-bit fractions, one entry per control.
    const std::vector<float>& tableA() const { return a_; }
    const std::vector<float>& tableB() const { return b_; }
    const std::vector<float>& tableC() const { return c_; }
    const std::vector<float>& tableD() const { return d_; }
    const std::vector<float>& tableE() const { return e_; }
    const std::vector<ControlKind>& kinds() const { return kinds_; }

  private:
    double recordLeft(double left) const;
    double applyLeft(float fraction, double innerWidth, double presentLeft) const;

    Units units_;
    bool recorded_ = false;
    std::vector<ControlKind> kinds_;
    std::vector<float> a_, b_, c_, d_, e_;
};

} // namespace lumetra
