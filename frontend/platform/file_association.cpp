#include "file_association.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace lumetra {
namespace {

// The name under which a key's default value is kept.
const QString kDefaultValueName = QStringLiteral("@");
// The 255-byte buffer of the query holds the text and its terminating null.
constexpr int kReadBufferBytes = 255;

QString& overrideFile() {
    static QString file;
    return file;
}

bool isClassesRoot(const QString& root) {
    bool ok = false;
    const qlonglong handle = root.trimmed().toLongLong(&ok);
    return ok && handle == -2147483648LL;
}

QStringList keyParts(const QString& subkey) {
    QString path = subkey;
    path.replace(u'\\', u'/');
    return path.split(u'/', Qt::SkipEmptyParts);
}

// Registry keys and value names are matched without regard to case; an existing spelling wins.
QString matchNoCase(const QStringList& names, const QString& wanted) {
    if (names.contains(wanted)) return wanted;
    for (const QString& n : names)
        if (n.compare(wanted, Qt::CaseInsensitive) == 0) return n;
    return QString();
}

// The settings group of the key, or an empty text when some level of it does not exist.
QString findGroup(QSettings& s, const QStringList& parts, bool keepMissing) {
    QString prefix;
    for (const QString& part : parts) {
        s.beginGroup(prefix);
        const QString found = matchNoCase(s.childGroups(), part);
        s.endGroup();
        if (found.isEmpty() && !keepMissing) return QString();
        prefix = prefix.isEmpty() ? (found.isEmpty() ? part : found)
                                  : prefix + u'/' + (found.isEmpty() ? part : found);
    }
    return prefix;
}

} // namespace

ClassStore::ClassStore() : file_(defaultFile()) {}
ClassStore::ClassStore(const QString& file) : file_(file) {}

QString ClassStore::defaultFile() {
    if (!overrideFile().isEmpty()) return overrideFile();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tavrenco/classes.ini");
}

void ClassStore::setDefaultFile(const QString& file) {
    overrideFile() = file;
}

QString ClassStore::readRegString(const QString& root, const QString& subkey,
                                  const QString& valueName, const QString& defaultValue) const {
    if (!isClassesRoot(root)) return defaultValue;
    const QStringList parts = keyParts(subkey);
    if (parts.isEmpty() || !QFileInfo::exists(file_)) return defaultValue;
    QSettings s(file_, QSettings::IniFormat);
    const QString group = findGroup(s, parts, false);
    if (group.isEmpty()) return defaultValue;
    s.beginGroup(group);
    const QString name =
        valueName.isEmpty() ? kDefaultValueName : matchNoCase(s.childKeys(), valueName);
    const QVariant v = name.isEmpty() ? QVariant() : s.value(name);
    s.endGroup();
    if (!v.isValid()) return defaultValue;
    const QString text = v.toString();
    if (text.toUtf8().size() + 1 > kReadBufferBytes) return defaultValue;
    // The blank-filled buffer is trimmed: leading blanks go, the value's own end stays.
    qsizetype first = 0;
    while (first < text.size() && text.at(first) == u' ') ++first;
    return text.mid(first);
}

int ClassStore::writeRegString(const QString& root, const QString& subkey, const QString& valueName,
                               const QString& data) {
    if (!isClassesRoot(root)) return kStatusInvalidHandle;
    QStringList parts = keyParts(subkey);
    if (!valueName.isEmpty()) parts += keyParts(valueName);
    if (parts.isEmpty()) return kStatusInvalidHandle;
    if (!QDir().mkpath(QFileInfo(file_).absolutePath())) return kStatusAccessDenied;
    QSettings s(file_, QSettings::IniFormat);
    if (s.status() != QSettings::NoError) return kStatusAccessDenied;
    const QString group = findGroup(s, parts, true);
    s.setValue(group + u'/' + kDefaultValueName, data);
    s.sync();
    return s.status() == QSettings::NoError ? kStatusOk : kStatusAccessDenied;
}

QString getAssociation(const ClassStore& store, const QString& extension) {
    return store.readRegString(kClassesRoot, u'.' + extension, QString(), QString());
}

QString associationCommand(const QString& directory, const QString& program,
                           const QStringList& arguments) {
    const QString dir = directory.endsWith(u'/') ? directory : directory + u'/';
    QString command = u'"' + dir + program + u'"';
    for (const QString& a : arguments) command += u' ' + a;
    return command + QStringLiteral(" %1");
}

void createAssociation(ClassStore& store, const QString& extension, const QString& directory,
                       const QString& program, const QString& description, const QString& iconFile,
                       const QString& command, const QStringList& arguments) {
    // Failures are silent: an association that could not be written simply is not there.
    store.writeRegString(kClassesRoot, u'.' + extension, QString(), program);
    store.writeRegString(kClassesRoot, program, QString(), description);
    if (!iconFile.isEmpty())
        store.writeRegString(kClassesRoot, program + QStringLiteral("\\DefaultIcon"), QString(),
                             iconFile + QStringLiteral(",0"));
    store.writeRegString(
        kClassesRoot, program + QStringLiteral("\\shell\\open\\command"), QString(),
        associationCommand(directory, command.isEmpty() ? program : command, arguments));
}

bool registerRunReportAssociation(ClassStore& store, const QString& viewerDirectory) {
    if (!getAssociation(store, kOutExtension).isEmpty()) return false;
    createAssociation(store, kOutExtension, viewerDirectory, kOutClass, kOutDescription, QString(),
                      kRunReportViewer, {kRunReportViewerArgument});
    return getAssociation(store, kOutExtension) == kOutClass;
}

} // namespace lumetra
