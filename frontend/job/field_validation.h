// Checks of the job form's numeric answers before a job is saved or run: the kind of number
// and the range each question accepts, taken from the shared job record.
#pragma once

#include "job_answers.h"

#include <QString>
#include <optional>

namespace lumetra {

struct FieldRange {
    bool whole = true; // a whole number, or any number
    double low = 0.0;
    double high = 0.0;
};

// The range question `number` accepts under the method (its form name); nullopt for questions
// that are not numbers or that the method does not use.
std::optional<FieldRange> questionRange(int number, const QString& method);

// "a whole number from 1 to 16384", "a number of at least 0", ...
QString rangeText(const FieldRange& range);

struct FieldProblem {
    int question = 0;
    QString control; // the form's control to focus
    QString text;    // names the question, what was typed and the accepted range
};

// The first answer, in question order, that is not a number in its range; nullopt when all are.
std::optional<FieldProblem> checkAnswers(const JobAnswers& answers);

inline const QString kFieldProblemTitle = QStringLiteral("Please correct this answer");

} // namespace lumetra
