// Options of the "Setup" tab: colour slots, black-and-white mode, grid and axis overrides.
#pragma once

#include "plot_scale.h"

#include <QColor>
#include <QString>
#include <QVariant>
#include <Qt>

#include <array>
#include <cstdint>
#include <utility>

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

QColor colorFromBgr(std::uint32_t bgr);
std::uint32_t bgrFromColor(const QColor& c);

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

// The per-user store the options live in: one key with DWORD and string values.
class PlotSettingsStore {
  public:
    virtual ~PlotSettingsStore() = default;
    virtual bool keyExists() const = 0;
    virtual void createKey() = 0;
    // An invalid QVariant when the value is missing or cannot be read.
    virtual QVariant dword(const QString& name) const = 0;
    virtual QVariant string(const QString& name) const = 0;
    virtual void setDword(const QString& name, qint32 value) = 0;
    virtual void setString(const QString& name, const QString& value) = 0;
};

// The store over a QSettings object: the key is a group, which exists when it holds anything.
class QSettingsPlotStore : public PlotSettingsStore {
  public:
    explicit QSettingsPlotStore(QSettings& settings, QString key = kPlotSettingsKey)
        : settings_(settings), key_(std::move(key)) {}
    bool keyExists() const override;
    void createKey() override {} // groups come into being with their first value
    QVariant dword(const QString& name) const override;
    QVariant string(const QString& name) const override;
    void setDword(const QString& name, qint32 value) override;
    void setString(const QString& name, const QString& value) override;

  private:
    QSettings& settings_;
    QString key_;
};

// Restores options from the plot settings key. Fields the stored values do
// not cover keep what they hold in `options`.
void loadPlotOptions(const PlotSettingsStore& store, PlotOptions& options);
void loadPlotOptions(QSettings& settings, PlotOptions& options,
                     const QString& key = kPlotSettingsKey);
// Creates the key when missing and writes the options (colours only outside
// black-and-white mode).
void savePlotOptions(PlotSettingsStore& store, const PlotOptions& options);
void savePlotOptions(QSettings& settings, const PlotOptions& options,
                     const QString& key = kPlotSettingsKey);
// What start-up does: overrides off, load, then grid "X && Y Axes" and "Dotted".
void restorePlotOptionsAtStartup(const PlotSettingsStore& store, PlotOptions& options);
void restorePlotOptionsAtStartup(QSettings& settings, PlotOptions& options,
                                 const QString& key = kPlotSettingsKey);

} // namespace lumetra::plot
