// The Signal page: the job's series in time (real and imaginary parts) drawn by the plot
// renderer, with zoom and pan as on the Plot page, its statistics and the import warnings.
// SignalModel holds everything but the widgets.
#pragma once

#include "data_import.h"
#include "plot_render.h"
#include "plot_zoom.h"

#include <QDateTime>
#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

namespace lumetra {

class PlotCanvasView;
struct JobState;

class SignalModel {
  public:
    // Reads the job's data file when the file or questions 1-4 changed since the last read.
    // True when it read.
    bool follow(const JobState& state);
    void reload() { key_.clear(); }

    bool hasSeries() const { return result_.ok(); }
    const data::ImportResult& result() const { return result_; }
    const data::SeriesStats& stats() const { return stats_; }
    // The statistics and warnings as the page lists them (or the reason there is no series).
    QString statsText() const;

    // The real part, and the imaginary part as a second curve, in plot units.
    plot::PlotInput realInput() const;
    std::optional<plot::PlotInput> imagInput() const;
    // Draws onto the canvas with the zoom applied; remembers the scale for the mouse.
    void draw(plot::PlotCanvas& canvas, const plot::PlotOptions& base, const QDateTime& now);

    void zoomAt(QPointF pixel, double notches, bool both, QSizeF canvas);
    void zoomToBand(QRectF pixels, bool both, QSizeF canvas);
    void startPan(QPointF pixel);
    void panTo(QPointF pixel, QSizeF canvas);
    void resetView();
    bool zoomed() const { return zoomX_.has_value() || zoomY_.has_value(); }
    std::optional<plot::AxisRange> zoomX() const { return zoomX_; }

  private:
    QString key_;
    data::ImportResult result_;
    data::SeriesStats stats_;
    plot::PlotScale last_;
    plot::AxisRange baseX_, baseY_;
    std::optional<plot::AxisRange> zoomX_, zoomY_;
    struct Pan {
        QPointF pixel;
        plot::PlotScale scale;
        plot::AxisRange x, y;
    };
    std::optional<Pan> pan_;
};

class SignalPage : public QWidget {
    Q_OBJECT
  public:
    SignalPage(const JobState& state, QWidget* parent = nullptr);
    SignalModel& model() { return model_; }
    // Follows the job (when it changed) and draws.
    void refresh();
    const plot::PlotCanvas& canvas() const { return canvas_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void redraw();

    const JobState& state_;
    SignalModel model_;
    plot::PlotCanvas canvas_;
    PlotCanvasView* view_ = nullptr;
    QLabel* stats_ = nullptr;
};

} // namespace lumetra
