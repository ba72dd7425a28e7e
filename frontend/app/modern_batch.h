// Lumetra --batch JOB ... --view modern: each job through the engine's modern file run, drawn
// by the modern view (dB/Hz against Hz), earlier jobs as held curves under the last.
#pragma once

#include "batch_export.h"

namespace lumetra {

int runModernBatch(const BatchRequest& request, EngineLibrary& engine,
                   const plot::PlotSettingsStore& settings, QTextStream& out, QTextStream& err,
                   const BatchSetup& setup);

} // namespace lumetra
