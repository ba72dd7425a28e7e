// The one preparation of a run that the window and the batch run share: the job file is read
// as far as the engine's sizing needs, and the result arrays are sized for it.
#pragma once

#include "run_result.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace lumetra {

// Elements the result arrays need for a job's method line, point count (line 9) and L (line
// 15), as the engine computes it: the rounded point count, or MVSE's L when larger. Unreadable
// counts give 1; larger jobs are left for the engine to refuse against this capacity.
int32_t resultCapacity(const QString& method, const QString& points, const QString& l);

// The 21 values of a job as the engine's job reader takes them (any line ends); empty with
// *error naming the file, the line and the problem when it is not a job.
std::optional<QStringList> readJobValues(const QString& jobPath, QString* error);

// A result for the job at jobPath with its arrays sized and its method and path set; empty
// with *error set when the job file cannot be read.
std::optional<RunResult> sizedResultFor(const QString& jobPath, QString* error);

} // namespace lumetra
