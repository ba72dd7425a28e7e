// The desktop's own association of ".out" run reports with the program's text viewer: a MIME
// type definition and a .desktop entry in the user's XDG data folder, written only on request.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace lumetra {

inline const QString kRunReportMimeType = QStringLiteral("text/x-lumetra-run-report");
inline const QString kRunReportMimeFile = QStringLiteral("lumetra-run-report.xml");
inline const QString kRunReportDesktopFile = QStringLiteral("lumetra-run-report.desktop");
// What the type claims: the report this program writes by name, and any file whose first
// lines are a run report's (its copies beside the jobs) - never every "*.out".
inline const QString kRunReportGlob = QStringLiteral("~Lumetra*.out");
inline const QString kRunReportMagic = QStringLiteral("Starting Spectral Estimation calculations");

class DesktopAssociation {
  public:
    enum class Outcome {
        Created,           // both files written (and the desktop caches refreshed when possible)
        AlreadyAssociated, // ".out" already has a type or our files exist: nothing touched
        Failed             // could not write; nothing of ours is left behind
    };

    // dataHome: $XDG_DATA_HOME, else ~/.local/share (see defaultDataHome).
    explicit DesktopAssociation(const QString& dataHome = defaultDataHome());

    static QString defaultDataHome();

    // The viewer the entry starts: program, its fixed arguments, then the file.
    void setViewer(const QString& program, const QStringList& arguments = {});
    // Where update-mime-database / update-desktop-database are looked for (empty: PATH).
    void setToolSearchPaths(const QStringList& paths) { toolPaths_ = paths; }
    // Whether the desktop's MIME database already maps "*.out" to a type; by default asks
    // the shared MIME database.
    void setExtensionKnown(std::function<bool()> known) { extensionKnown_ = std::move(known); }

    QString mimePackagePath() const;
    QString desktopEntryPath() const;

    // True when some association of ".out" exists for this user already.
    bool hasExistingAssociation() const;
    Outcome associate();

    // The files' contents, for the given viewer.
    static QString mimePackageText();
    QString desktopEntryText() const;
    // An Exec= argument: quoted when needed, with the desktop entry escapes applied.
    static QString execArgument(const QString& argument);

    // The tools that ran at the last associate() (program paths), for the record.
    QStringList toolsRun() const { return toolsRun_; }

  private:
    bool userPackageHasOutGlob() const;
    void refreshDesktopCaches();

    QString dataHome_;
    QString viewerProgram_;
    QStringList viewerArguments_;
    QStringList toolPaths_;
    std::function<bool()> extensionKnown_;
    QStringList toolsRun_;
};

} // namespace lumetra
