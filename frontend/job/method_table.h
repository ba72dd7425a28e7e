// The method list of the job form and the questions each method uses.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace lumetra {

// Entry 0 is the placeholder; the others are written to job files as they stand.
const QStringList& methodList();
inline const QString kMethodPlaceholder = QStringLiteral("-Select-");

// Questions 9..18 that the method uses, ascending; empty for the placeholder or an unknown name.
QList<int> methodQuestions(const QString& method);

} // namespace lumetra
