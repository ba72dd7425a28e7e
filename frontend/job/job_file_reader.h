// A job's 21 values, as the engine's job reader gives them, turned into the form's answers.
#pragma once

#include "job_answers.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace lumetra {

// The engine's job reader: the 21 values of a job file, or nullopt with the engine's message
// (naming the file, the line and the problem) in `error`. The window and --batch give
// readJobValues (lumetra_run), so the program reads jobs exactly as a run will.
using JobValuesReader =
    std::function<std::optional<QStringList>(const QString& path, QString* error)>;

// Lines 2..19 give answers 1..18, lines 20 and 21 the notes; a value beginning with "-999" is
// an empty answer, and the method line's first field names the method of the form's list.
// Answer 1 keeps only its file name; `dataReference` (when given) receives line 2 as written.
void answersFromJobValues(const QStringList& values, JobAnswers& answers,
                          QString* dataReference = nullptr);

} // namespace lumetra
