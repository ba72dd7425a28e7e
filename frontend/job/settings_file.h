// The small settings file "Lumetra.ini" in the base directory.
#pragma once

#include <QString>

namespace lumetra {

struct SettingsFile {
    bool ok = true;
    float numericSetting = 1.0f;
    QString userName = QStringLiteral("no name");
    QString message; // the error text when not ok
};

inline const QString kSettingsFileName = QStringLiteral("Lumetra.ini");
inline const QString kStartIniTitle = QStringLiteral("In 'Start_INI' routine ...");

// The three lines written when the file is created (date in the user's short form).
QString settingsFileText(const QString& shortDate);

// Reads baseDir/Lumetra.ini, or creates it when missing.
SettingsFile startIni(const QString& baseDir);

} // namespace lumetra
