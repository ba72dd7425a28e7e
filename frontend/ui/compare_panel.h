// The Compare panel: check boxes from the method table, the methods run in parallel on the
// job's data, their spectra overlaid with a legend, the top peaks side by side, CSV export of
// the peaks, and Cancel for the runs not yet started.
#pragma once

#include "compare_run.h"

#include <QDialog>

#include <atomic>
#include <memory>
#include <thread>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace lumetra {

class JobSession;
class PlotCanvasView;

class ComparePanel : public QDialog {
    Q_OBJECT
  public:
    ComparePanel(JobSession& session, EngineLibrary& engine, QWidget* parent = nullptr);
    ~ComparePanel() override;

    // Ticks the methods (numbers 1..14) and leaves the others clear.
    void choose(const QList<int>& methods);
    // Starts the runs; false (with a message) when the job or the engine is not usable.
    bool start();
    void cancel();
    bool running() const { return worker_ != nullptr; }
    // The profile of the next compare: the modern view's or the classic one.
    void setModern(bool on) { modern_ = on; }
    bool modern() const { return modern_; }
    // Waits for the runs to end (tests, closing).
    void wait();
    const std::vector<CompareResult>& results() const { return results_; }
    QTableWidget* peakTable() const { return table_; }

  signals:
    void finished();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    bool modern_ = false;
    void runsEnded();
    void redraw();
    void exportPeaks();

    JobSession& session_;
    CompareRunner runner_;
    std::optional<CompareSetup> setup_;
    std::vector<CompareResult> results_;
    std::unique_ptr<std::thread> worker_;
    std::atomic<bool> cancel_{false};
    std::vector<std::pair<int, QCheckBox*>> boxes_;
    std::unique_ptr<plot::PlotCanvas> canvas_;
    PlotCanvasView* view_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* export_ = nullptr;
};

} // namespace lumetra
