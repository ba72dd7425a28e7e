#include "common_files.h"

#include "atomic_write.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lumetra {

bool copyFile(const QString& source, const QString& target, UserInteraction& ui) {
    if (source.isEmpty() || !QFileInfo(source).isFile()) {
        ui.message({u'"' + source + QStringLiteral("\" is not a valid file name."),
                    QStringLiteral("File not copied."), MessageIcon::Warning, MessageButtons::Ok});
        return false;
    }
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = in.readAll();
    return writeFileAtomically(target, bytes);
}

QString shortPathName(const QString& path) {
    return QFileInfo::exists(path) ? path : QString();
}

bool isLocalAbsolutePath(const QString& path) {
    if (path.startsWith(QStringLiteral("//")) || path.startsWith(QStringLiteral("\\\\")))
        return false;
    return path.startsWith(u'/');
}

QString lastFilePath(const RegistryStore& store) {
    if (!store.keyExists(kCurrentUser, kProgramKey)) return QString();
    const QString value = store
                              .getValue(kCurrentUser, kProgramKey, QStringLiteral("LastFilePath"),
                                        kRegString, QString())
                              .toString();
    return isLocalAbsolutePath(value) ? value : QString();
}

void saveLastFilePath(RegistryStore& store, const QString& directory) {
    try {
        if (!store.keyExists(kCurrentUser, kProgramKey)) store.createKey(kCurrentUser, kProgramKey);
    } catch (const RegistryError&) {
        return; // settings are a convenience; a run never fails for them
    }
    store.setValue(kCurrentUser, kProgramKey, QStringLiteral("LastFilePath"), kRegString,
                   directory);
}

} // namespace lumetra
