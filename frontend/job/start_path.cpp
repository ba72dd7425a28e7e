#include "start_path.h"

#include "path_rules.h"

#include <QDir>

namespace lumetra {

StartPathResult startPath(const QString& programDir) {
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
    r.baseDir = dir;
    r.userDir = childDirNoCase(dir, QStringLiteral("user"));
    QDir().mkpath(r.userDir);
    // The engine resolves relative data file names of the example jobs from here.
    QDir::setCurrent(r.userDir);
    r.ok = true;
    return r;
}

} // namespace lumetra
