#include "plotoptions.h"

#include <QSettings>
#include <QStringList>

namespace lumetra::plot {

QColor ColorFromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t BgrFromColor(const QColor& c) {
    const QColor rgb = c.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | static_cast<std::uint32_t>(rgb.green()) << 8 |
           static_cast<std::uint32_t>(rgb.blue()) << 16;
}

QColor PlotOptions::penColor(ColorSlot slot) const {
    if (blackAndWhite) return QColor(Qt::black);
    return ColorFromBgr(colors[static_cast<size_t>(slot)]);
}

QColor PlotOptions::backgroundColor() const {
    if (blackAndWhite) return QColor(Qt::white);
    return ColorFromBgr(colors[Background]);
}

Qt::PenStyle PlotOptions::gridLineStyle() const {
    switch (gridType) {
    case 1:
        return Qt::DashLine;
    case 2:
        return Qt::DotLine;
    case 3:
        return Qt::DashDotDotLine;
    default:
        return Qt::SolidLine; // also when no type is selected
    }
}

Qt::PenStyle PlotOptions::verticalGridStyle() const {
    return gridLines == 1 || gridLines == 2 ? gridLineStyle() : Qt::NoPen;
}

Qt::PenStyle PlotOptions::horizontalGridStyle() const {
    return gridLines == 1 || gridLines == 3 ? gridLineStyle() : Qt::NoPen;
}

QString PlotOptions::validateOverrides() const {
    const QString x = ValidateOverride(xOverride, 'X');
    if (!x.isEmpty()) return x;
    return ValidateOverride(yOverride, 'Y');
}

namespace {

// A DWORD that cannot be read counts as 0.
int readDword(QSettings& s, const QString& name, bool* present = nullptr) {
    const QVariant v = s.value(name);
    bool ok = false;
    const int n = v.isValid() ? v.toInt(&ok) : 0;
    if (present) *present = ok;
    return ok ? n : 0;
}

// A string that cannot be read counts as empty.
QString readString(QSettings& s, const QString& name) {
    const QVariant v = s.value(name);
    if (!v.isValid() || !v.canConvert<QString>()) return {};
    return v.toString();
}

bool keyExists(QSettings& s, const QString& key) {
    s.beginGroup(key);
    const bool exists = !s.childKeys().isEmpty() || !s.childGroups().isEmpty();
    s.endGroup();
    return exists;
}

} // namespace

void LoadPlotOptions(QSettings& settings, PlotOptions& o, const QString& key) {
    if (keyExists(settings, key)) {
        settings.beginGroup(key);
        o.blackAndWhite = readDword(settings, QStringLiteral("BlacknWhite")) != 0;
        const int gridType = readDword(settings, QStringLiteral("GridType"));
        if (gridType >= 0 && gridType <= 3) o.gridType = gridType;
        const int gridLines = readDword(settings, QStringLiteral("GridLines"));
        if (gridLines >= 0 && gridLines <= 3) o.gridLines = gridLines;
        o.xOverride.enabled = readDword(settings, QStringLiteral("chkXaxis")) != 0;
        o.xOverride.stepText = readString(settings, QStringLiteral("txtXstep"));
        o.xOverride.minText = readString(settings, QStringLiteral("txtXmin"));
        o.yOverride.enabled = readDword(settings, QStringLiteral("chkYaxis")) != 0;
        o.yOverride.stepText = readString(settings, QStringLiteral("txtYstep"));
        o.yOverride.minText = readString(settings, QStringLiteral("txtYmin"));
        settings.endGroup();
    } else {
        o.colors = kDefaultColors;
        o.xOverride = AxisOverride{};
        o.yOverride = AxisOverride{};
    }
    // A missing or black titles colour marks colours that were never saved.
    settings.beginGroup(key);
    bool titlesPresent = false;
    const int titles = readDword(settings, QStringLiteral("Titles"), &titlesPresent);
    if (titlesPresent && titles != 0) {
        for (int i = 0; i < kColorSlotCount; ++i)
            o.colors[static_cast<size_t>(i)] = static_cast<std::uint32_t>(
                readDword(settings, kColorValueNames[static_cast<size_t>(i)]));
    }
    settings.endGroup();
}

void SavePlotOptions(QSettings& settings, const PlotOptions& o, const QString& key) {
    settings.beginGroup(key);
    settings.setValue(QStringLiteral("BlacknWhite"), o.blackAndWhite ? 1 : 0);
    if (o.gridType >= 0 && o.gridType <= 3)
        settings.setValue(QStringLiteral("GridType"), o.gridType);
    if (o.gridLines >= 0 && o.gridLines <= 3)
        settings.setValue(QStringLiteral("GridLines"), o.gridLines);
    // Black-and-white mode leaves the stored colours as they were.
    if (!o.blackAndWhite) {
        for (int i = 0; i < kColorSlotCount; ++i)
            settings.setValue(kColorValueNames[static_cast<size_t>(i)],
                              static_cast<int>(o.colors[static_cast<size_t>(i)] & 0xFFFFFFu));
    }
    settings.setValue(QStringLiteral("chkXaxis"), o.xOverride.enabled ? 1 : 0);
    settings.setValue(QStringLiteral("txtXstep"), o.xOverride.stepText);
    settings.setValue(QStringLiteral("txtXmin"), o.xOverride.minText);
    settings.setValue(QStringLiteral("chkYaxis"), o.yOverride.enabled ? 1 : 0);
    settings.setValue(QStringLiteral("txtYstep"), o.yOverride.stepText);
    settings.setValue(QStringLiteral("txtYmin"), o.yOverride.minText);
    settings.endGroup();
}

void RestorePlotOptionsAtStartup(QSettings& settings, PlotOptions& o, const QString& key) {
    o.xOverride.enabled = false;
    o.yOverride.enabled = false;
    LoadPlotOptions(settings, o, key);
    o.gridLines = 1;
    o.gridType = 2;
}

} // namespace lumetra::plot
