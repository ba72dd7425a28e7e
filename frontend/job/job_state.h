// The current job as the front end holds it between commands.
#pragma once

#include "job_answers.h"

#include <QString>

namespace lumetra {

inline const QString kStartUpJobName = QStringLiteral("Start Up Values");
inline const QString kNewJobName = QStringLiteral("New data");
inline const QString kRunReportName = QStringLiteral("~Lumetra.out");

struct JobState {
    JobAnswers answers;
    QString dataFileName;
    QString dataFileDir;
    QString jobName;
    QString jobDir;
    // The directory file commands work relative to; an Open or Save As dialog moves it.
    QString currentDir;
    // Where the next file dialog opens.
    QString dialogDir;
    QString baseDir;     // the program folder: the program, its engine and the manual
    QString settingsDir; // Lumetra.ini: the program folder, or the user's config folder
    QString userDir;     // the working folder: the engine's report and the example jobs
    bool formChanged = false;
    int writeErrors = 0;

    QString jobPath() const;
    QString dataFilePath() const;
};

} // namespace lumetra
