// The "Plot" page: the canvas that keeps the image of the last plot, a status line with the
// cursor readout, the peak-marker toggle, and Quit, Print, Save As.
#pragma once

#include "plot_render.h"

#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <optional>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace lumetra {

// picBox: shows the canvas image as it is, pixel for pixel, and turns the mouse into zoom,
// pan and readout requests. The canvas follows the widget's size; the crosshair and the
// rubber band are drawn over the image, never into it.
class PlotCanvasView : public QWidget {
    Q_OBJECT
  public:
    explicit PlotCanvasView(const plot::PlotCanvas& canvas, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void canvasChanged(); // after a drawing
    // Without a plot the canvas is not shown.
    void setHasPlot(bool hasPlot);
    // The crosshair at the cursor and a ring on the curve point the readout names.
    void setCrosshair(std::optional<QPointF> cursor, std::optional<QPointF> point);

  signals:
    void resized();
    // notches > 0 zooms in; both: the dB axis too.
    void wheelZoom(QPointF at, double notches, bool both);
    void bandZoom(QRectF band, bool both);
    void panStarted(QPointF at, bool both);
    void panMoved(QPointF at);
    void resetRequested();
    void hovered(QPointF at);
    void left();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    enum class Drag { None, Band, Pan };
    const plot::PlotCanvas& canvas_;
    Drag drag_ = Drag::None;
    bool dragBoth_ = false;
    QPointF dragStart_, dragNow_;
    std::optional<QPointF> cursor_, point_;
    bool hasPlot_ = false;
};

class PlotPage : public QWidget {
    Q_OBJECT
  public:
    explicit PlotPage(QWidget* parent = nullptr);

    plot::PlotCanvas& canvas() { return canvas_; }
    const plot::PlotCanvas& canvas() const { return canvas_; }
    PlotCanvasView* view() const { return view_; }
    QPushButton* cmdQuit() const { return cmdQuit_; }
    QPushButton* cmdPrint() const { return cmdPrint_; }
    QPushButton* cmdFileSaveAs() const { return cmdFileSaveAs_; }
    QCheckBox* chkMarkPeaks() const { return chkMarkPeaks_; }
    QSpinBox* spnMarkCount() const { return spnMarkCount_; }
    QLabel* statusLine() const { return status_; }
    QPushButton* cmdHold() const { return cmdHold_; }
    QPushButton* cmdClearHeld() const { return cmdClearHeld_; }
    QPushButton* cmdCopy() const { return cmdCopy_; }
    // Held curves: "Clear held" shows how many there are and is usable only when there are some.
    void showHeldCount(int count, bool canHold);

    // Size for the next plot: the canvas widget's own size.
    QSize canvasSizeForPlot() const;
    void canvasChanged();
    // Print and Save As act on a plot; without one they are off.
    // modern: the plot is the modern view's, whose dB axis reads dB/Hz.
    void setPlotAvailable(bool available, bool modern = false);
    // The readout; empty shows the hint on how to explore (or that there is no plot yet).
    void setStatusText(const QString& text);

  signals:
    void quitClicked();
    void printClicked();
    void saveAsClicked();
    // The canvas widget changed size; sent once the resizing has settled.
    void canvasResized();
    void markPeaksToggled(bool on);
    void markCountChanged(int count);
    // Double-click on the plot, or Home anywhere on the page.
    void resetViewRequested();
    void holdClicked();
    void clearHeldClicked();
    void copyClicked();

  private:
    plot::PlotCanvas canvas_;
    PlotCanvasView* view_ = nullptr;
    QTimer* resizeTimer_ = nullptr;
    QLabel* status_ = nullptr;
    QCheckBox* chkMarkPeaks_ = nullptr;
    QSpinBox* spnMarkCount_ = nullptr;
    QPushButton* cmdQuit_ = nullptr;
    QPushButton* cmdPrint_ = nullptr;
    QPushButton* cmdFileSaveAs_ = nullptr;
    bool plotAvailable_ = false;
    bool modern_ = false;
    QString hint() const;
    QPushButton* cmdHold_ = nullptr;
    QPushButton* cmdClearHeld_ = nullptr;
    QPushButton* cmdCopy_ = nullptr;
    void addCompareButtons(QHBoxLayout* buttons);
};

// The status line's text when the cursor is not over the curve, in the view's units.
QString plotExploreHint(bool modern = false);
QString noPlotYetText();

} // namespace lumetra
