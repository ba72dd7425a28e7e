// The shared reaction of the file commands to file-system errors.
#pragma once

#include "user_interaction.h"

#include <QString>
#include <functional>

namespace lumetra {

enum class FileProbe {
    Exists,            // a normal file
    Missing,           // no such file (or no such directory)
    DriveNotReady,     // removable drive without a medium
    DeviceUnavailable, // the device behind the path is gone
    OtherError,
};

struct FileProbeResult {
    FileProbe kind = FileProbe::Missing;
    int errorNumber = 0;
    QString description;
};

// Looks at path without opening it. Tests may replace the probe.
FileProbeResult probeFile(const QString& path);
using FileProbeFunction = std::function<FileProbeResult(const QString&)>;
void setFileProbeForTesting(FileProbeFunction probe); // empty: the real one

inline const QString kDriveNotReadyText =
    QStringLiteral("Put a floppy disk in the drive and cloce the drive door.");
inline const QString kDeviceUnavailableText = QStringLiteral("This drive or path does not exist: ");

// "# 53", "#-5": a number's sign place is a blank when it is not negative, as the other
// texts write numbers.
QString signedNumberText(int number);

// "Unexpected error # 53 occured: <description>", then the file it met, when known.
QString unexpectedErrorText(int number, const QString& description,
                            const QString& path = QString());

// Shows "Unexpected error #..." with an error icon and the routine's title. The command that
// met it ends; the program goes on.
void showUnexpectedError(UserInteraction& ui, const QString& title, int number,
                         const QString& description, const QString& path = QString());

enum class ExistsAnswer { Yes, No, Abandoned };

// The existence test with the error policy: a drive without medium asks to retry (Cancel gives
// "no"), an unavailable device asks to retry (Cancel abandons the command), any other error is
// shown and abandons the command.
ExistsAnswer fileExists(const QString& path, UserInteraction& ui, const QString& title);

} // namespace lumetra
