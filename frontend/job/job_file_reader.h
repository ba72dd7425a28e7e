// Reading a job file back into the answers of the form.
#pragma once

#include "job_answers.h"

#include <QString>

namespace lumetra {

struct JobReadOutcome {
    bool ok = false;
    int errorNumber = 0;
    QString description;
    QString dataReference; // line 2 as written: the data file the job names
};

// Line 1 is skipped; lines 2..19 give answers 1..18, lines 20 and 21 the notes. Answer 1 keeps
// only its file name: the data file is looked for where the job is read from. Missing lines
// read as "-EOF-".
JobReadOutcome readJobFile(const QString& path, JobAnswers& answers);

} // namespace lumetra
