#include "first_start.h"

#include "path_rules.h"
#include "settings_file.h"
#include "start_path.h"

#include <QDir>
#include <QFileInfo>

namespace lumetra {

QString programFolder(const QString& dir) {
    if (dir.isEmpty()) return dir;
    return QDir::cleanPath(QDir(dir).absolutePath());
}

QString settingsFilePath(const QString& programDir) {
    return joinPath(programLayout(programFolder(programDir)).settingsDir, kSettingsFileName);
}

bool isFirstStart(const QString& programDir) {
    return !QFileInfo(settingsFilePath(programDir)).isFile();
}

StartDecision introLoad(const QString& programDir, ClassStore& classes,
                        DesktopAssociation* desktop) {
    StartDecision d;
    d.programDir = programFolder(programDir);
    d.settingsPath = settingsFilePath(d.programDir);
    QDir::setCurrent(d.programDir);
    if (!isFirstStart(d.programDir)) {
        d.route = StartRoute::MainForm;
        return d;
    }
    d.route = StartRoute::Introduction;
    d.associationChecked = true;
    // The program's own text viewer stands in for the system editor.
    d.associationCreated = registerRunReportAssociation(classes, d.programDir);
    if (desktop) d.desktop = desktop->associate();
    return d;
}

} // namespace lumetra
