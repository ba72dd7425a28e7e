// Where the program's files are: the base directory and its "user" working directory.
#pragma once

#include <QString>

namespace lumetra {

struct StartPathResult {
    bool ok = false;
    QString baseDir; // the program's own folder
    QString userDir; // baseDir/user, made the current directory
    QString message; // why start-up cannot go on
};

inline const QString kStartPathTitle = QStringLiteral("In 'Start_Path' routine ... Exiting!");

// Works whatever directory the program was started from: everything hangs off programDir.
StartPathResult startPath(const QString& programDir);

} // namespace lumetra
