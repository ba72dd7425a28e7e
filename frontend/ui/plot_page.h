// The "Plot" page: the canvas that keeps the image of the last plot, and Quit, Print, Save As.
#pragma once

#include "plot_render.h"

#include <QWidget>

class QHBoxLayout;
class QPushButton;
class QScrollArea;

namespace lumetra {

// picBox: shows the canvas image as it is, pixel for pixel, so saving and printing use exactly
// what is on screen.
class PlotCanvasView : public QWidget {
    Q_OBJECT
  public:
    explicit PlotCanvasView(const plot::PlotCanvas& canvas, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    void canvasChanged(); // after a drawing: new size and contents

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const plot::PlotCanvas& canvas_;
};

class PlotPage : public QWidget {
    Q_OBJECT
  public:
    explicit PlotPage(QWidget* parent = nullptr);

    plot::PlotCanvas& canvas() { return canvas_; }
    const plot::PlotCanvas& canvas() const { return canvas_; }
    PlotCanvasView* view() const { return view_; }
    QPushButton* cmdQuit() const { return cmdQuit_; }
    QPushButton* cmdHold() const { return cmdHold_; }
    QPushButton* cmdClearHeld() const { return cmdClearHeld_; }
    QPushButton* cmdCopy() const { return cmdCopy_; }
    // Held curves: "Clear held" shows how many there are and is usable only when there are some.
    void showHeldCount(int count, bool canHold);

    // Size for the next plot: the visible canvas area, at least the 640 x 480 design.
    QSize canvasSizeForPlot() const;
    void canvasChanged();

  signals:
    void quitClicked();
    void printClicked();
    void saveAsClicked();
    void holdClicked();
    void clearHeldClicked();
    void copyClicked();

  private:
    plot::PlotCanvas canvas_;
    PlotCanvasView* view_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QPushButton* cmdQuit_ = nullptr;
    QPushButton* cmdPrint_ = nullptr;
    QPushButton* cmdFileSaveAs_ = nullptr;
    QPushButton* cmdHold_ = nullptr;
    QPushButton* cmdClearHeld_ = nullptr;
    QPushButton* cmdCopy_ = nullptr;
    void addCompareButtons(QHBoxLayout* buttons);
};

} // namespace lumetra
