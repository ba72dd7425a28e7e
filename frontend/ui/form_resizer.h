// Applies the proportional resizing rule to the controls of a Qt form.
#pragma once

#include "proportional_resize.h"

#include <QList>
#include <QPointer>
#include <QWidget>

namespace lumetra {

// Dynamic property that names a widget's control type as the original forms did
// ("PictureBox", "Line", "Timer", ...) when its Qt class says too little (a drawing canvas).
inline constexpr char kResizeTypeProperty[] = "lumetraControlType";

class FormResizer {
  public:
    explicit FormResizer(QWidget* form, ResizeControls::Units units = ResizeControls::pixels());

    // The controls of the form in the order it lists them: every widget below it, depth first,
    // leaving out windows and the inner parts of composite widgets.
    static QList<QWidget*> controlsOf(QWidget* form);
    static ControlKind kindOf(const QWidget* widget);
    // Whether a layout, a main window or a scroll area places the widget (its geometry is then
    // left to them; its text size still follows).
    static bool placedByContainer(const QWidget* widget);

    // The form's inner area: its contents rectangle.
    QSize innerSize() const;

    // Record step: takes the controls and their fractions at the form's present size.
    void record();
    // Apply step, for the form's present size. False when nothing changed (below the minimum
    // size, or nothing recorded). Controls deleted since the record are passed over.
    bool apply();

    const ResizeControls& model() const { return model_; }
    QList<QWidget*> controls() const;

  private:
    ControlState stateOf(const QWidget* w, ControlKind kind, bool pixelFont) const;
    void write(QWidget* w, const ControlState& s, bool pixelFont) const;

    QPointer<QWidget> form_;
    ResizeControls model_;
    QList<QPointer<QWidget>> controls_;
    QList<ControlKind> kinds_;
    QList<bool> pixelFonts_;
};

} // namespace lumetra
