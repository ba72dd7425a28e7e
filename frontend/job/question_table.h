// The eighteen questions of the job form: label, control name and design default.
#pragma once

#include <specest/job_record.hpp>

#include <QString>

namespace lumetra {

// Questions 1..18 are job lines 2..19, from the data file to the window.
constexpr int kQuestionCount = specest::record::question(specest::record::Field::window);

QString questionLabel(int number);
QString questionControl(int number);
QString questionDefault(int number);

// The comment written for job lines 20 and 21.
QString noteComment(int which);
QString noteDefault(int which);

inline const QString kNotesLabel = QStringLiteral("20. \u00BB Keep notes below ...");
inline const QString kInstructions = QStringLiteral(
    "Instructions: Answer following questions; Save your responses into a file for later "
    "retrieval; and, press 'start calculations' button for execution.");
inline const QString kWarning1 =
    QStringLiteral("Warning: Uniform spacing between your data points is assumed.");

} // namespace lumetra
