// Lumetra --batch JOB --compare METHOD,...: the compare without a window, its overlay written
// as PNG, SVG or PDF and its peak table as CSV.
#pragma once

#include "batch_export.h"

namespace lumetra {

int runCompareBatch(const BatchRequest& request, EngineLibrary& engine,
                    const plot::PlotSettingsStore& settings, QTextStream& out, QTextStream& err,
                    const BatchSetup& setup);

} // namespace lumetra
