// The job form's view of the shared job record: its method list and the questions each method
// uses, both read from specest/job_record.hpp.
#pragma once

#include <specest/job_record.hpp>

#include <QList>
#include <QString>
#include <QStringList>

namespace lumetra {

namespace record = specest::record;

// The marker a job line carries for a setting the method does not use.
inline const QString kNotApplicableText = QString::fromLatin1(
    record::kNotApplicable.data(), static_cast<qsizetype>(record::kNotApplicable.size()));

// Entry 0 is the placeholder; the others, in the form's order, are written to job files as
// they stand.
const QStringList& methodList();
inline const QString kMethodPlaceholder = QStringLiteral("-Select-");

// The method the form lists under this name (compared exactly, letter case included), or null.
const record::MethodInfo* methodByFormName(const QString& name);

// Questions 9..18 that the method uses, ascending; empty for the placeholder or an unknown name.
QList<int> methodQuestions(const QString& method);

// Whether job line `field` carries a value for the method, or the "-999" marker. Lines up to
// the window are the method's settings; the others always carry their value.
bool methodUsesField(const QString& method, record::Field field);

} // namespace lumetra
