#include "start_path.h"

#include "file_association.h"
#include "path_rules.h"
#include "registry_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace lumetra {
namespace {

// An XDG base folder: the variable when it holds an absolute path, else the default.
QString xdgFolder(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) return QDir::cleanPath(value);
    return QDir::homePath() + fallback;
}

} // namespace

LayoutEnvironment LayoutEnvironment::fromSystem() {
    LayoutEnvironment env;
    env.configHome = xdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"));
    env.dataHome = xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
    env.writable = [](const QString& dir) {
        return ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
    };
    return env;
}

QString installedDataDir(const QString& programDir) {
    // Relative to the program, so a prefix moved elsewhere still works.
    const QString dir = QDir::cleanPath(programDir + QStringLiteral("/" LUMETRA_BIN_TO_DATA));
    return QFileInfo(dir).isDir() ? dir : QString();
}

ProgramLayout programLayout(const QString& programDir, const LayoutEnvironment& env) {
    ProgramLayout l;
    l.programDir = QDir::cleanPath(programDir);
    l.examplesDir = childDirNoCase(l.programDir, QStringLiteral("user"));
    l.dataDir = l.programDir;
    const bool hasUser = QFileInfo(l.examplesDir).isDir();
    const bool portable = hasUser && env.writable && env.writable(l.programDir);
    l.installed = !portable;
    if (!hasUser) {
        if (const QString data = installedDataDir(l.programDir); !data.isEmpty()) {
            l.dataDir = data;
            l.examplesDir = joinPath(data, QStringLiteral("examples"));
        }
    }
    if (portable) {
        l.settingsDir = l.programDir;
        l.userDir = l.examplesDir;
    } else {
        l.settingsDir = joinPath(env.configHome, QStringLiteral("Lumetra"));
        l.userDir = joinPath(env.dataHome, QStringLiteral("Lumetra/user"));
    }
    return l;
}

ProgramLayout programLayout(const QString& programDir) {
    return programLayout(programDir, LayoutEnvironment::fromSystem());
}

QString useSettingsStore(const ProgramLayout& layout, const QString& oldFile) {
    const QString file = joinPath(layout.settingsDir, QStringLiteral("registry.ini"));
    RegistryStore::adoptFile(file, oldFile);
    if (layout.installed)
        ClassStore::setDefaultFile(joinPath(layout.settingsDir, QStringLiteral("classes.ini")));
    return file;
}

QString useSettingsStore(const ProgramLayout& layout) {
    return useSettingsStore(layout, RegistryStore::legacyFile());
}

QStringList seedExamples(const QString& fromDir, const QString& toDir) {
    QStringList copied;
    const QDir from(fromDir);
    for (const QString& name : from.entryList(QDir::Files)) {
        const QString target = joinPath(toDir, name);
        if (QFileInfo::exists(target)) continue; // the user's own copy stays as it is
        if (QFile::copy(from.filePath(name), target)) {
            // Editable by its owner like any file of theirs.
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
            copied << name;
        }
    }
    return copied;
}

StartPathResult startPath(const QString& programDir) {
    return startPath(programDir, LayoutEnvironment::fromSystem());
}

StartPathResult startPath(const QString& programDir, const LayoutEnvironment& env) {
    StartPathResult r;
    const QString dir = QDir::cleanPath(programDir);
    const qsizetype slash = dir.lastIndexOf(u'/');
    const QString parent = slash < 0 ? QString() : dir.left(slash);
    if (parent.isEmpty()) {
        r.message = QStringLiteral("Missing Lumetra's base directory, \\KV-Tools; Can't proceed "
                                   "without it.\nDid you re-boot since installing Lumetra?\n"
                                   "Please re-boot or re-install Lumetra AND re-boot.");
        return r;
    }
    const ProgramLayout layout = programLayout(dir, env);
    r.baseDir = layout.dataDir;
    r.settingsDir = layout.settingsDir;
    r.userDir = layout.userDir;
    if (!QDir().mkpath(r.userDir) || !QDir().mkpath(r.settingsDir)) {
        r.message = QStringLiteral("The working folder '") + r.userDir +
                    QStringLiteral("' or the settings folder '") + r.settingsDir +
                    QStringLiteral("' cannot be made.");
        return r;
    }
    if (layout.installed) r.seeded = seedExamples(layout.examplesDir, r.userDir);
    // The engine resolves relative data file names of the example jobs from here.
    QDir::setCurrent(r.userDir);
    r.ok = true;
    return r;
}

} // namespace lumetra
