// Whether this is the program's first start, and what happens then: the introduction is shown
// and the run report association is checked. Decided by "Lumetra.ini" in the program folder.
#pragma once

#include "desktop_association.h"
#include "file_association.h"

#include <QString>
#include <optional>

namespace lumetra {

enum class StartRoute {
    MainForm,    // settings file present: straight to the main form
    Introduction // first start: the introduction stays up
};

// The job directory until a job is opened.
inline const QString kNullJobDir = QStringLiteral("null");

struct StartDecision {
    StartRoute route = StartRoute::Introduction;
    QString programDir;   // as given, without trailing separator
    QString settingsPath; // programDir/Lumetra.ini
    QString jobDir = kNullJobDir;
    bool associationChecked = false;                    // the first-start registration ran
    bool associationCreated = false;                    // and registered ".Out" now
    std::optional<DesktopAssociation::Outcome> desktop; // only when a desktop entry was asked for
};

// The program folder without a trailing separator ("/" stays "/"); a relative one made absolute.
QString programFolder(const QString& dir);
QString settingsFilePath(const QString& programDir);
bool isFirstStart(const QString& programDir);

// Load of the introduction: makes the program folder the current directory (so a start from
// elsewhere still finds the settings file), then decides. On a first start the run report
// association is registered unless one exists; desktop, when given, is asked to associate too.
StartDecision introLoad(const QString& programDir, ClassStore& classes,
                        DesktopAssociation* desktop = nullptr);

} // namespace lumetra
