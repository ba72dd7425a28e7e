// Options of the "Setup" tab: colour slots, black-and-white mode, grid and axis overrides.
#pragma once

#include "plotscale.h"

#include <QColor>
#include <QString>
#include <Qt>

#include <array>
#include <cstdint>

class QSettings;

namespace lumetra::plot {

enum ColorSlot : int { Axes = 0, Titles = 1, MiscInfo = 2, Curve1 = 3, Curve2 = 4, Background = 5 };
constexpr int kColorSlotCount = 6;

// Colours are kept as the stored 0x00BBGGRR values.
constexpr std::array<std::uint32_t, kColorSlotCount> kDefaultColors = {
    0x6F6F6F, 0x8000FF, 0x000080, 0xFF0000, 0x00FFFF, 0xC0C0C0};

// Registry key path of the plot settings, as a QSettings group.
inline const QString kPlotSettingsKey = QStringLiteral("Software/Tavrenco/Lumetra");

// Value names under the plot settings key.
inline const std::array<QString, kColorSlotCount> kColorValueNames = {
    QStringLiteral("Axes"),   QStringLiteral("Titles"), QStringLiteral("MiscInfo"),
    QStringLiteral("Curve1"), QStringLiteral("Curve2"), QStringLiteral("Background")};

// Labels beside the colour swatches.
inline const std::array<QString, kColorSlotCount> kColorLabels = {
    QStringLiteral("Axes:"),   QStringLiteral("Titles:"), QStringLiteral("Misc Info:"),
    QStringLiteral("Curve1:"), QStringLiteral("Curve2:"), QStringLiteral("Background:")};

inline const std::array<QString, 4> kGridLinesLabels = {
    QStringLiteral("No Grid Lines"), QStringLiteral("X && Y Axes"), QStringLiteral("X Axis Only"),
    QStringLiteral("Y Axis Only")};
inline const std::array<QString, 4> kGridTypeLabels = {
    QStringLiteral("Solid"), QStringLiteral("Dashed"), QStringLiteral("Dotted"),
    QStringLiteral("Dashed-Dot-Dot")};

QColor ColorFromBgr(std::uint32_t bgr);
std::uint32_t BgrFromColor(const QColor& c);

class PlotOptions {
  public:
    std::array<std::uint32_t, kColorSlotCount> colors = kDefaultColors;
    bool blackAndWhite = false;
    int gridLines = 1; // 0..3, -1 when no button is selected
    int gridType = 2;  // 0..3, -1 when no button is selected
    AxisOverride xOverride;
    AxisOverride yOverride;

    // Pen colour of a slot: black in black-and-white mode.
    QColor penColor(ColorSlot slot) const;
    // Canvas background: white in black-and-white mode.
    QColor backgroundColor() const;

    // Line style of the vertical (at the x positions) and horizontal grid
    // lines; Qt::NoPen when that direction has none.
    Qt::PenStyle verticalGridStyle() const;
    Qt::PenStyle horizontalGridStyle() const;
    Qt::PenStyle gridLineStyle() const;

    // Empty when both overrides are usable (or off), else the message for the user.
    QString validateOverrides() const;
};

// Restores options from the plot settings key. Fields the stored values do
// not cover keep what they hold in `options`.
void LoadPlotOptions(QSettings& settings, PlotOptions& options,
                     const QString& key = kPlotSettingsKey);
// Writes the options (colours only outside black-and-white mode).
void SavePlotOptions(QSettings& settings, const PlotOptions& options,
                     const QString& key = kPlotSettingsKey);
// What start-up does: overrides off, load, then grid "X && Y Axes" and "Dotted".
void RestorePlotOptionsAtStartup(QSettings& settings, PlotOptions& options,
                                 const QString& key = kPlotSettingsKey);

} // namespace lumetra::plot
