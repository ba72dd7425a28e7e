// The "Setup" page: colour slots, black-and-white mode, grid choices, axis overrides and the
// buttons that leave or redo the plot. The widgets hold the options; the plot core decides.
#pragma once

#include "plot_options.h"
#include "plot_states.h"

#include <QWidget>
#include <array>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lumetra {

class SetupPage : public QWidget {
    Q_OBJECT
  public:
    explicit SetupPage(QWidget* parent = nullptr);

    // The options as the controls show them, and back.
    plot::PlotOptions options() const;
    void setOptions(const plot::PlotOptions& options);

    std::uint32_t color(int slot) const { return colors_.at(static_cast<size_t>(slot)); }
    void setColor(int slot, std::uint32_t bgr);

    // Enabled and shown states of the controls from the plot core's rules.
    void applyState(const plot::PlotUiState& state);

    QLineEdit* txtXmin() const { return txtXmin_; }
    QLineEdit* txtXstep() const { return txtXstep_; }
    QLineEdit* txtYmin() const { return txtYmin_; }
    QLineEdit* txtYstep() const { return txtYstep_; }
    QCheckBox* chkXaxis() const { return chkXaxis_; }
    QCheckBox* chkYaxis() const { return chkYaxis_; }
    QCheckBox* chkBlacknWhite() const { return chkBlacknWhite_; }
    QPushButton* cmdExitPlotting() const { return cmdExitPlotting_; }

  signals:
    void colorClicked(int slot); // cmdColor(i)
    void blackAndWhiteClicked();
    void xAxisClicked();
    void yAxisClicked();
    void stepLeft(char axis); // focus left txtXstep / txtYstep
    void saveOptionsClicked();
    void plotClicked();
    void exitPlottingClicked();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void paintSwatch(int slot);
    static void setBoxUsable(QLineEdit* box, bool usable);

    std::array<std::uint32_t, plot::kColorSlotCount> colors_ = plot::kDefaultColors;
    std::array<QLabel*, plot::kColorSlotCount> lblColor_{};
    std::array<QFrame*, plot::kColorSlotCount> txtColor_{};
    std::array<QPushButton*, plot::kColorSlotCount> cmdColor_{};
    QCheckBox* chkBlacknWhite_ = nullptr;
    QButtonGroup* gridLines_ = nullptr;
    QButtonGroup* gridType_ = nullptr;
    std::array<QRadioButton*, 4> optGridLines_{};
    std::array<QRadioButton*, 4> optGridType_{};
    QCheckBox* chkXaxis_ = nullptr;
    QCheckBox* chkYaxis_ = nullptr;
    QLineEdit* txtXmin_ = nullptr;
    QLineEdit* txtXstep_ = nullptr;
    QLineEdit* txtYmin_ = nullptr;
    QLineEdit* txtYstep_ = nullptr;
    QPushButton* cmdSaveOptions_ = nullptr;
    QPushButton* cmdPlot_ = nullptr;
    QPushButton* cmdExitPlotting_ = nullptr;
};

} // namespace lumetra
