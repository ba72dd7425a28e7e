// The plot's input taken from a finished engine run of the front end.
#pragma once

#include "plot_render.h"

#include "run_result.h"

namespace lumetra::plot {

inline PlotInput plotInputFromRun(const RunResult& r, const QString& jobName) {
    PlotInput in;
    in.frequencies = r.x_array;
    in.spectrum = r.spectrum;
    in.nPts = r.nptsZ;
    in.nFreqPts = r.npointsZ; // pointCount() keeps it within the arrays
    in.tStart = r.t_startZ;
    in.tFinal = r.t_finalZ;
    in.zeroFill = r.zeroFillZ;
    in.sig2 = r.sig2Z;
    in.methodName = r.method;
    in.jobPath = r.jobPath;
    in.jobName = jobName;
    return in;
}

} // namespace lumetra::plot
