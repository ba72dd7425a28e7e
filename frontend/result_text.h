// The text of the "Output" page for a finished run.
#pragma once

#include "run_result.h"

#include <QString>
#include <QStringList>

namespace lumetra {

// The peak table of a run report: its heading and every peak and neighbour line.
QStringList peakLines(const QString& reportText);

// The result block (scalars and every point) followed by the peak lines.
QString resultText(const RunResult& result, const QString& jobName, const QString& reportText);

} // namespace lumetra
