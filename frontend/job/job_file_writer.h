// Writing a job as the 21-line job file the engine reads.
#pragma once

#include "job_answers.h"

#include <QDateTime>
#include <QString>

namespace lumetra {

// One line without its line end: value, two blanks, two tabs, "! ", comment cut to 50.
QString jobLine(const QString& value, const QString& commentText);

// The comment text of line 1: " 18; " and the date as "December 07, 2026 @ 9:05 AM".
QString jobDateComment(const QDateTime& when);

// The whole file text, CRLF line ends. Rounds answer 8 (stored back) and sets answer 5 to
// "-999"; the caller must have checked the rounding succeeds.
QString jobFileText(const QString& name, JobAnswers& answers, const QDateTime& when);

struct JobWriteOutcome {
    enum Kind { Written, FileError, ValueError } kind = Written;
    int errorNumber = 0;
    QString description;
};

// Writes the job file at path; the old file stays as it was when anything fails.
JobWriteOutcome writeJobFile(const QString& path, const QString& name, JobAnswers& answers,
                             const QDateTime& when);

} // namespace lumetra
