#include "path_rules.h"

#include <QDir>
#include <QFileInfo>

namespace lumetra {
namespace {

qsizetype lastSeparator(const QString& path) {
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
}

bool isAbsolute(const QString& path) {
    return path.startsWith(u'/');
}

QString existing(const QString& path) {
    return QFileInfo(path).isFile() ? QDir::cleanPath(path) : QString();
}

// Two names of one file: links and "..", then the spelling when it does not exist.
bool sameFile(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath(), cb = QFileInfo(b).canonicalFilePath();
    if (!ca.isEmpty() || !cb.isEmpty()) return ca == cb;
    return QDir::cleanPath(QDir(a).absolutePath()) == QDir::cleanPath(QDir(b).absolutePath());
}

} // namespace

QString resolveDataReference(const QString& reference, const QString& jobDir,
                             const QString& currentDir) {
    const QString ref = reference.trimmed();
    if (ref.isEmpty()) return ref;
    if (isAbsolute(ref)) {
        if (const QString p = existing(ref); !p.isEmpty()) return p;
    } else {
        for (const QString& dir : {currentDir, jobDir})
            if (const QString p = existing(QDir(dir).absoluteFilePath(ref)); !p.isEmpty()) return p;
    }
    return QDir::cleanPath(QDir(jobDir).absoluteFilePath(fileNamePart(ref)));
}

QString dataReferenceFor(const QString& dataPath, const QString& jobDir,
                         const QString& currentDir) {
    if (dataPath.trimmed().isEmpty()) return dataPath.trimmed();
    const QString absolute = QDir::cleanPath(QDir(jobDir).absoluteFilePath(dataPath.trimmed()));
    const QString name = fileNamePart(absolute);
    const QString inCurrent = QDir(currentDir).absoluteFilePath(name);
    const bool currentAgrees = !QFileInfo(inCurrent).isFile() || sameFile(inCurrent, absolute);
    if (currentAgrees && sameFile(QDir(jobDir).absoluteFilePath(name), absolute)) return name;
    return absolute;
}

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
