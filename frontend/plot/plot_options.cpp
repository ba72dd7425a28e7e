#include "plot_options.h"

#include <QSettings>
#include <QStringList>

namespace lumetra::plot {

QColor colorFromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t bgrFromColor(const QColor& c) {
    const QColor rgb = c.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | static_cast<std::uint32_t>(rgb.green()) << 8 |
           static_cast<std::uint32_t>(rgb.blue()) << 16;
}

QColor PlotOptions::penColor(ColorSlot slot) const {
    if (blackAndWhite) return QColor(Qt::black);
    return colorFromBgr(colors[static_cast<size_t>(slot)]);
}

QColor PlotOptions::backgroundColor() const {
    if (blackAndWhite) return QColor(Qt::white);
    return colorFromBgr(colors[Background]);
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
    const QString x = validateOverride(xOverride, 'X');
    if (!x.isEmpty()) return x;
    return validateOverride(yOverride, 'Y');
}

bool QSettingsPlotStore::keyExists() const {
    settings_.beginGroup(key_);
    const bool exists = !settings_.childKeys().isEmpty() || !settings_.childGroups().isEmpty();
    settings_.endGroup();
    return exists;
}

QVariant QSettingsPlotStore::dword(const QString& name) const {
    const QVariant v = settings_.value(key_ + QLatin1Char('/') + name);
    bool ok = false;
    const int n = v.isValid() ? v.toInt(&ok) : 0;
    return ok ? QVariant(n) : QVariant();
}

QVariant QSettingsPlotStore::string(const QString& name) const {
    const QVariant v = settings_.value(key_ + QLatin1Char('/') + name);
    if (!v.isValid() || v.typeId() == QMetaType::QStringList || !v.canConvert<QString>()) return {};
    return v.toString();
}

void QSettingsPlotStore::setDword(const QString& name, qint32 value) {
    settings_.setValue(key_ + QLatin1Char('/') + name, value);
}

void QSettingsPlotStore::setString(const QString& name, const QString& value) {
    settings_.setValue(key_ + QLatin1Char('/') + name, value);
}

namespace {

// A DWORD that cannot be read counts as 0.
int readDword(const PlotSettingsStore& s, const QString& name, bool* present = nullptr) {
    const QVariant v = s.dword(name);
    bool ok = false;
    const int n = v.isValid() ? v.toInt(&ok) : 0;
    if (present) *present = ok;
    return ok ? n : 0;
}

// A string that cannot be read counts as empty.
QString readString(const PlotSettingsStore& s, const QString& name) {
    const QVariant v = s.string(name);
    return v.isValid() ? v.toString() : QString();
}

} // namespace

void loadPlotOptions(const PlotSettingsStore& store, PlotOptions& o) {
    if (store.keyExists()) {
        o.blackAndWhite = readDword(store, QStringLiteral("BlacknWhite")) != 0;
        const int gridType = readDword(store, QStringLiteral("GridType"));
        if (gridType >= 0 && gridType <= 3) o.gridType = gridType;
        const int gridLines = readDword(store, QStringLiteral("GridLines"));
        if (gridLines >= 0 && gridLines <= 3) o.gridLines = gridLines;
        o.xOverride.enabled = readDword(store, QStringLiteral("chkXaxis")) != 0;
        o.xOverride.stepText = readString(store, QStringLiteral("txtXstep"));
        o.xOverride.minText = readString(store, QStringLiteral("txtXmin"));
        o.yOverride.enabled = readDword(store, QStringLiteral("chkYaxis")) != 0;
        o.yOverride.stepText = readString(store, QStringLiteral("txtYstep"));
        o.yOverride.minText = readString(store, QStringLiteral("txtYmin"));
    } else {
        o.colors = kDefaultColors;
        o.xOverride = AxisOverride{};
        o.yOverride = AxisOverride{};
    }
    // A missing or black titles colour marks colours that were never saved.
    bool titlesPresent = false;
    const int titles = readDword(store, QStringLiteral("Titles"), &titlesPresent);
    if (titlesPresent && titles != 0) {
        for (int i = 0; i < kColorSlotCount; ++i)
            o.colors[static_cast<size_t>(i)] = static_cast<std::uint32_t>(
                readDword(store, kColorValueNames[static_cast<size_t>(i)]));
    }
}

void loadPlotOptions(QSettings& settings, PlotOptions& options, const QString& key) {
    loadPlotOptions(QSettingsPlotStore(settings, key), options);
}

void savePlotOptions(PlotSettingsStore& store, const PlotOptions& o) {
    if (!store.keyExists()) store.createKey();
    store.setDword(QStringLiteral("BlacknWhite"), o.blackAndWhite ? 1 : 0);
    if (o.gridType >= 0 && o.gridType <= 3) store.setDword(QStringLiteral("GridType"), o.gridType);
    if (o.gridLines >= 0 && o.gridLines <= 3)
        store.setDword(QStringLiteral("GridLines"), o.gridLines);
    // Black-and-white mode leaves the stored colours as they were.
    if (!o.blackAndWhite) {
        for (int i = 0; i < kColorSlotCount; ++i)
            store.setDword(kColorValueNames[static_cast<size_t>(i)],
                           static_cast<qint32>(o.colors[static_cast<size_t>(i)] & 0xFFFFFFu));
    }
    store.setDword(QStringLiteral("chkXaxis"), o.xOverride.enabled ? 1 : 0);
    store.setString(QStringLiteral("txtXstep"), o.xOverride.stepText);
    store.setString(QStringLiteral("txtXmin"), o.xOverride.minText);
    store.setDword(QStringLiteral("chkYaxis"), o.yOverride.enabled ? 1 : 0);
    store.setString(QStringLiteral("txtYstep"), o.yOverride.stepText);
    store.setString(QStringLiteral("txtYmin"), o.yOverride.minText);
}

void savePlotOptions(QSettings& settings, const PlotOptions& options, const QString& key) {
    QSettingsPlotStore store(settings, key);
    savePlotOptions(store, options);
}

void restorePlotOptionsAtStartup(const PlotSettingsStore& store, PlotOptions& o) {
    o.xOverride.enabled = false;
    o.yOverride.enabled = false;
    loadPlotOptions(store, o);
    o.gridLines = 1;
    o.gridType = 2;
}

void restorePlotOptionsAtStartup(QSettings& settings, PlotOptions& options, const QString& key) {
    restorePlotOptionsAtStartup(QSettingsPlotStore(settings, key), options);
}

} // namespace lumetra::plot
