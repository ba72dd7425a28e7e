#include "path_rules.h"

#include <QDir>

namespace lumetra {
namespace {

qsizetype lastSeparator(const QString& path) {
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
}

} // namespace

QString fileNamePart(const QString& path) {
    const qsizetype i = lastSeparator(path);
    return i < 0 ? path : path.mid(i + 1);
}

QString splitPath(const QString& path, const QString& currentDir, QString* dir) {
    const qsizetype i = lastSeparator(path);
    if (i < 0) {
        if (dir) *dir = currentDir;
        return path;
    }
    if (dir) *dir = i == 0 ? path.left(1) : path.left(i);
    return path.mid(i + 1);
}

QString joinPath(const QString& dir, const QString& name) {
    if (dir.isEmpty()) return name;
    if (dir.endsWith(u'/')) return dir + name;
    return dir + u'/' + name;
}

QString suggestedSaveAsName(const QString& jobName) {
    const qsizetype dot = jobName.indexOf(u'.');
    QString stem = dot <= 0 ? jobName : jobName.left(dot);
    // A suggestion is a name the dialog can take as it is: never a pattern.
    stem.remove(u'*');
    stem.remove(u'?');
    stem = stem.trimmed();
    return stem.isEmpty() ? QStringLiteral("job") : stem;
}

QString runReportCopyPath(const QString& jobName, const QString& jobDir,
                          const QString& currentDir) {
    const QStringList parts = jobName.split(u'.');
    if (parts.size() < 2) return joinPath(currentDir, (jobName + QStringLiteral(".out")).toLower());
    const QString name = parts[0] + u'_' + parts[1] + QStringLiteral(".out");
    return joinPath(jobDir, name.toLower());
}

QString childDirNoCase(const QString& base, const QString& name) {
    const QDir dir(base);
    const QStringList entries = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (entries.contains(name)) return joinPath(base, name);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0) return joinPath(base, e);
    return joinPath(base, name);
}

} // namespace lumetra
