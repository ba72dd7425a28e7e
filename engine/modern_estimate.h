// The modern estimate writing its grid straight into the caller's arrays (the C entry's), so
// that no copy of the grid is held besides them.
#pragma once

#include "engine_api.h"

#include <cstddef>

namespace specest {

// Caller-owned grid arrays of cap values each; a null one is not written. count receives the
// points on the grid (0 when the estimate fails). db is filled only when the options ask for
// the dB values or the peaks.
struct ModernGridArrays {
    double* freqs = nullptr;
    double* psd = nullptr;
    double* db = nullptr;
    std::size_t cap = 0;
    std::size_t count = 0;
};

// estimate(), with freqs, psd and db written to grid instead of the result's vectors (which stay
// empty); the peaks are the same.
ModernEstimate estimate_into(const ModernParams& params, const Samples64& samples,
                             const EstimateOptions& options, ModernGridArrays& grid);

} // namespace specest
