// Where the program's files are: the program folder, the settings folder and the working
// folder "user".
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace lumetra {

// The facts the layout is decided on, from the environment; tests give their own.
struct LayoutEnvironment {
    QString configHome;                           // $XDG_CONFIG_HOME, else ~/.config
    QString dataHome;                             // $XDG_DATA_HOME, else ~/.local/share
    std::function<bool(const QString&)> writable; // whether this user may write in a folder
    static LayoutEnvironment fromSystem();
};

struct ProgramLayout {
    // A writable program folder with a "user" folder (a build tree, a portable copy) keeps
    // everything beside the program; otherwise (an install under /opt or /usr) the settings
    // and the working folder are the user's own and the program runs where it is.
    bool installed = false;
    QString programDir;  // the program, its engine, the manual and the shipped examples
    QString settingsDir; // Lumetra.ini and the settings store
    QString userDir;     // the working folder: the run report and the user's jobs
    QString examplesDir; // where the shipped examples are (programDir/user)
    QString dataDir;     // the manual and its images (programDir)
    // An install under a prefix (bin/Lumetra) has its examples, manual and images in the
    // prefix's share/lumetra instead.
};

// share/lumetra of the prefix programDir (its bin/) belongs to, or empty when there is none.
QString installedDataDir(const QString& programDir);

ProgramLayout programLayout(const QString& programDir, const LayoutEnvironment& env);
ProgramLayout programLayout(const QString& programDir); // from the system's environment

// The settings store of a layout, for the window and --batch alike: registry.ini in its
// settings folder becomes the file every RegistryStore opens, and an install keeps its file
// classes there too. When that file does not exist yet and `oldFile` (where earlier versions
// kept the keys) does, the keys are copied over once. Returns the store's file.
QString useSettingsStore(const ProgramLayout& layout, const QString& oldFile);
QString useSettingsStore(const ProgramLayout& layout); // the old place of this desktop

// Copies the files of fromDir that toDir does not have yet; a file already there (the user's
// own edit) is never replaced. Returns the names copied.
QStringList seedExamples(const QString& fromDir, const QString& toDir);

struct StartPathResult {
    bool ok = false;
    QString baseDir;     // the folder of the manual: the program's own, or share/lumetra
    QString settingsDir; // where Lumetra.ini lives
    QString userDir;     // the working folder, made the current directory
    QStringList seeded;  // examples copied into it now
    QString message;     // why start-up cannot go on
};

inline const QString kStartPathTitle = QStringLiteral("In 'Start_Path' routine ... Exiting!");

// Works whatever directory the program was started from: everything hangs off programDir.
StartPathResult startPath(const QString& programDir);
StartPathResult startPath(const QString& programDir, const LayoutEnvironment& env);

} // namespace lumetra
