// The modern profile's dB values in vector lanes.
#pragma once

#include <cstddef>

namespace specest::simd {

// db[k] = 10 log10(max(|p[k]|, DBL_MIN)) for k < n (db may be p), within a few units in
// the last place of the C library's log10 (Highway's Log10); the same bits on every call for a
// given instruction set.
void decibels(const double* p, std::size_t n, double* db);

} // namespace specest::simd
