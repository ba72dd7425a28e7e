// The spectrum driver: reads the data series, runs the chosen estimator, evaluates parametric
// models and lays the magnitudes on the one- or two-sided frequency grid.
#pragma once

#include "views.h"

namespace specest {

constexpr float kBadPointLimit = 1.0e10f;

// Number of elements the driver's arrays need for a job with `npoints` frequency points.
int grid_capacity(int method, int npoints, int l_pts);

struct RunContext;

// Runs the job of `run` (read by the job reader) on the classic profile.
void spectrum_est(RunContext& run, Vec1<float> x_array, Vec1<float> y_array, int& npts,
                  int& nPoints, int& n_freq_pts, Vec1<cfloat> signal_amp);

} // namespace specest
