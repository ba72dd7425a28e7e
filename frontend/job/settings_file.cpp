#include "settings_file.h"

#include "atomic_write.h"
#include "file_error_policy.h"
#include "job_line_reader.h"
#include "path_rules.h"

#include <QDate>
#include <QFileInfo>
#include <QLocale>

namespace lumetra {
namespace {

QString errorText(int number, const QString& baseDir, const QString& description) {
    return QStringLiteral("Unexpected error #") + signedNumberText(number) +
           QStringLiteral(" occured: \nPath =") + baseDir + u'\n' + description +
           QStringLiteral(". Suggest re-installing Lumetra.");
}

} // namespace

QString settingsFileText(const QString& shortDate) {
    const QString blanks13(13, u' ');
    return QStringLiteral("Lumetra\u2122 Program") + QString(17, u' ') + shortDate + u'\n' + u'1' +
           blanks13 + QStringLiteral("! Increase if COMMAND still active and stops your run\n") +
           QStringLiteral("no name") + blanks13 + QStringLiteral("! User name\n");
}

SettingsFile startIni(const QString& baseDir) {
    SettingsFile s;
    const QString path = joinPath(baseDir, kSettingsFileName);
    if (QFileInfo::exists(path)) {
        JobLineReader reader;
        if (!reader.open(path)) {
            s.ok = false;
            s.message = errorText(75, baseDir, reader.errorString());
            return s;
        }
        const QString first = reader.readRawLine();
        // A first line "1 more" lets start-up pass over a damaged file.
        const bool lenient = first == u"1 more";
        bool isNumber = false;
        const QString second = reader.readAnswer();
        const float value = second.toFloat(&isNumber);
        if (isNumber) {
            s.numericSetting = value;
        } else if (!lenient) {
            s.ok = false;
            s.message = errorText(13, baseDir, QStringLiteral("Type mismatch"));
            return s;
        }
        const QString name = reader.readAnswer();
        if (name != kEndOfFile) {
            s.userName = name;
        } else if (!lenient) {
            s.ok = false;
            s.message = errorText(62, baseDir, QStringLiteral("Input past end of file"));
            return s;
        }
        return s;
    }
    const QByteArray text =
        settingsFileText(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat))
            .toUtf8();
    QString why;
    if (!writeFileAtomically(path, text, &why)) {
        s.ok = false;
        s.message = errorText(75, baseDir, why);
    }
    return s;
}

} // namespace lumetra
