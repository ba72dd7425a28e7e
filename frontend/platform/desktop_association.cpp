#include "desktop_association.h"

#include "atomic_write.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>

namespace lumetra {
namespace {

const QString kOutGlob = QStringLiteral("*.out");
constexpr int kToolTimeoutMs = 30000;

bool writeFile(const QString& path, const QString& text) {
    return writeFileAtomically(path, text.toUtf8());
}

bool systemKnowsOutFiles() {
    // A literal name such as "gmon.out" does not count; only a type for every ".out" file.
    const QMimeDatabase db;
    return !db.mimeTypesForFileName(QStringLiteral("report.out")).isEmpty();
}

bool packageHasOutGlob(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QStringLiteral("glob") &&
            xml.attributes()
                    .value(QStringLiteral("pattern"))
                    .compare(kOutGlob, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

DesktopAssociation::DesktopAssociation(const QString& dataHome)
    : dataHome_(dataHome), extensionKnown_(systemKnowsOutFiles) {}

QString DesktopAssociation::defaultDataHome() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative value is invalid and ignored.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

void DesktopAssociation::setViewer(const QString& program, const QStringList& arguments) {
    viewerProgram_ = program;
    viewerArguments_ = arguments;
}

QString DesktopAssociation::mimePackagePath() const {
    return dataHome_ + QStringLiteral("/mime/packages/") + kRunReportMimeFile;
}

QString DesktopAssociation::desktopEntryPath() const {
    return dataHome_ + QStringLiteral("/applications/") + kRunReportDesktopFile;
}

bool DesktopAssociation::userPackageHasOutGlob() const {
    const QDir packages(dataHome_ + QStringLiteral("/mime/packages"));
    const QStringList files = packages.entryList({QStringLiteral("*.xml")}, QDir::Files);
    for (const QString& f : files)
        if (packageHasOutGlob(packages.filePath(f))) return true;
    return false;
}

bool DesktopAssociation::hasExistingAssociation() const {
    if (QFileInfo::exists(mimePackagePath()) || QFileInfo::exists(desktopEntryPath())) return true;
    if (userPackageHasOutGlob()) return true;
    return extensionKnown_ && extensionKnown_();
}

QString DesktopAssociation::mimePackageText() {
    // A kind of plain text, so any text editor stays a choice for these files.
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"") +
           kRunReportMimeType +
           QStringLiteral("\">\n"
                          "    <sub-class-of type=\"text/plain\"/>\n"
                          "    <comment>Lumetra run report</comment>\n"
                          "    <glob pattern=\"") +
           kRunReportGlob +
           QStringLiteral("\"/>\n"
                          "    <magic priority=\"50\">\n"
                          "      <match type=\"string\" offset=\"0:16\" value=\"") +
           kRunReportMagic +
           QStringLiteral("\"/>\n"
                          "    </magic>\n"
                          "  </mime-type>\n"
                          "</mime-info>\n");
}

QString DesktopAssociation::execArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString arg = argument;
    arg.replace(u'%', QStringLiteral("%%"));
    bool quote = arg.isEmpty();
    for (const QChar c : arg)
        if (reserved.contains(c)) quote = true;
    if (quote) {
        QString inner;
        for (const QChar c : arg) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') inner += u'\\';
            inner += c;
        }
        arg = u'"' + inner + u'"';
    }
    // The string-value escapes of the entry file come on top of the quoting.
    arg.replace(u'\\', QStringLiteral("\\\\"));
    arg.replace(u'\n', QStringLiteral("\\n"));
    arg.replace(u'\t', QStringLiteral("\\t"));
    return arg;
}

QString DesktopAssociation::desktopEntryText() const {
    QStringList exec{execArgument(viewerProgram_)};
    for (const QString& a : viewerArguments_) exec << execArgument(a);
    exec << QStringLiteral("%f");
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.0\n"
                          "Name=Lumetra Run Report Viewer\n"
                          "Comment=FC Output\n"
                          "Exec=") +
           exec.join(u' ') + QStringLiteral("\nMimeType=") + kRunReportMimeType +
           QStringLiteral(";\n"
                          "NoDisplay=true\n"
                          "Terminal=false\n");
}

DesktopAssociation::Outcome DesktopAssociation::associate() {
    toolsRun_.clear();
    if (hasExistingAssociation()) return Outcome::AlreadyAssociated;
    if (viewerProgram_.isEmpty()) return Outcome::Failed;
    if (!QDir().mkpath(QFileInfo(mimePackagePath()).absolutePath()) ||
        !QDir().mkpath(QFileInfo(desktopEntryPath()).absolutePath()))
        return Outcome::Failed;
    if (!writeFile(mimePackagePath(), mimePackageText())) return Outcome::Failed;
    if (!writeFile(desktopEntryPath(), desktopEntryText())) {
        // Half an association would give the files a type nothing of ours opens.
        QFile::remove(mimePackagePath());
        return Outcome::Failed;
    }
    refreshDesktopCaches();
    return Outcome::Created;
}

void DesktopAssociation::refreshDesktopCaches() {
    const struct {
        QString tool;
        QString folder;
    } steps[] = {
        {QStringLiteral("update-mime-database"), dataHome_ + QStringLiteral("/mime")},
        {QStringLiteral("update-desktop-database"), dataHome_ + QStringLiteral("/applications")}};
    for (const auto& step : steps) {
        const QString program = QStandardPaths::findExecutable(step.tool, toolPaths_);
        if (program.isEmpty()) continue; // the desktop picks the files up on its own
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, {step.folder});
        if (!p.waitForFinished(kToolTimeoutMs)) {
            p.kill();
            p.waitForFinished(1000);
        }
        toolsRun_ << program;
    }
}

} // namespace lumetra
