// The peak table: local maxima of the finished dB spectrum, listed in the run report.
#pragma once

#include "specest/job_record.hpp"
#include "views.h"

#include <vector>

namespace specest {

constexpr int kMaxPeaks = record::kMaxPeaks;

// Indices (1-based) of the peaks, in the order found, at most kMaxPeaks.
std::vector<int> find_peaks(Vec1<float> y, int nfreq);

// Writes the table to the run report; pauses 2 seconds after a non-empty table on unit 6 when
// the run asks for the pause.
void tab_peaks(int k, Vec1<float> x, Vec1<float> y, int nfreq);

} // namespace specest
