#include "registry_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace lumetra {
namespace {

// A key exists as soon as this marker is in its group; values stay free for the callers.
const QString kKeyMarker = QStringLiteral(".key");

QString& overrideFile() {
    static QString file;
    return file;
}

QString groupOf(const QString& subkey) {
    QString g = subkey;
    g.replace(u'\\', u'/');
    while (g.endsWith(u'/')) g.chop(1);
    return g;
}

QString keyOf(const QString& subkey, const QString& name) {
    return groupOf(subkey) + u'/' + name;
}

bool markerSet(const QSettings& s, const QString& subkey) {
    return s.contains(keyOf(subkey, kKeyMarker));
}

} // namespace

RegistryStore::RegistryStore() : file_(defaultFile()) {}
RegistryStore::RegistryStore(const QString& file) : file_(file) {}

QString RegistryStore::defaultFile() {
    if (!overrideFile().isEmpty()) return overrideFile();
    return legacyFile();
}

QString RegistryStore::legacyFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tavrenco/registry.ini");
}

bool RegistryStore::adoptFile(const QString& file, const QString& oldFile) {
    setDefaultFile(file);
    if (QFileInfo::exists(file) || oldFile.isEmpty() || !QFileInfo(oldFile).isFile() ||
        QFileInfo(oldFile).absoluteFilePath() == QFileInfo(file).absoluteFilePath())
        return false;
    QDir().mkpath(QFileInfo(file).absolutePath());
    // A copy: an older version run later still finds its keys.
    return QFile::copy(oldFile, file);
}

void RegistryStore::setDefaultFile(const QString& file) {
    overrideFile() = file;
}

bool RegistryStore::keyExists(quint32 root, const QString& subkey) const {
    if (root != kCurrentUser) return false;
    const QSettings s(file_, QSettings::IniFormat);
    return markerSet(s, subkey);
}

bool RegistryStore::createKey(quint32 root, const QString& subkey) {
    if (root == kCurrentUser) {
        QSettings s(file_, QSettings::IniFormat);
        if (markerSet(s, subkey)) return true;
        QDir().mkpath(QFileInfo(file_).absolutePath());
        // Parent keys come into being with their child, as in the registry.
        const QStringList parts = groupOf(subkey).split(u'/', Qt::SkipEmptyParts);
        for (qsizetype i = 1; i <= parts.size(); ++i)
            s.setValue(keyOf(parts.mid(0, i).join(u'/'), kKeyMarker), true);
        s.sync();
        if (s.status() == QSettings::NoError && markerSet(s, subkey)) return false;
    }
    throw RegistryError(1001, QStringLiteral("Unable to create the registry key"));
}

QVariant RegistryStore::getValue(quint32 root, const QString& subkey, const QString& name, int type,
                                 const QVariant& defaultValue) const {
    if (type != kRegString && type != kRegBinary && type != kRegDword)
        throw RegistryError(1001, QStringLiteral("Unsupported value type"));
    if (root != kCurrentUser) return defaultValue;
    const QSettings s(file_, QSettings::IniFormat);
    if (!markerSet(s, subkey)) return defaultValue;
    const QVariant v = s.value(keyOf(subkey, name));
    if (!v.isValid()) return defaultValue;
    switch (type) {
    case kRegString: {
        const QString text = v.toString();
        // The 1024-byte buffer holds at most 1023 characters and the null.
        if (text.size() > 1023) return defaultValue;
        return text;
    }
    case kRegBinary: {
        const QByteArray bytes = v.toByteArray();
        if (bytes.size() > 4096) return defaultValue;
        return bytes;
    }
    default: {
        bool ok = false;
        const qint64 n = v.toLongLong(&ok);
        if (!ok) return defaultValue;
        return static_cast<qint32>(static_cast<quint32>(n));
    }
    }
}

void RegistryStore::setValue(quint32 root, const QString& subkey, const QString& name, int type,
                             const QVariant& value) {
    if (root != kCurrentUser) return;
    QSettings s(file_, QSettings::IniFormat);
    if (!markerSet(s, subkey)) return;
    switch (type) {
    case kRegString:
        s.setValue(keyOf(subkey, name), value.toString());
        break;
    case kRegBinary:
        s.setValue(keyOf(subkey, name), value.toByteArray());
        break;
    case kRegDword:
        s.setValue(keyOf(subkey, name), static_cast<qint32>(value.toLongLong()));
        break;
    default:
        return;
    }
    s.sync();
}

} // namespace lumetra
