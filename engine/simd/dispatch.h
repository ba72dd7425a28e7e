// Runtime choice between the vector kernels (best instruction set of this CPU, picked by
// Highway) and the scalar reference code. Both give the same bits; the switch exists so that
// tests can compare them in one process and users can rule the vector code out.
#pragma once

#include <vector>

namespace specest::simd {

// True when the scalar reference path is forced. Starts from SPECEST_FORCE_SCALAR (set and not
// "0"); set_force_scalar overrides it for the whole process.
bool force_scalar();
void set_force_scalar(bool on);

// Name of the instruction set the vector kernels run with here (e.g. "AVX3", "AVX2", "EMU128").
const char* target_name();

// For tests: every instruction set compiled in that this CPU supports, and a way to run the
// kernels with one of them (0 returns to the best). Not for use while runs are in progress.
std::vector<long long> available_targets();
const char* target_name(long long target);
void restrict_target(long long target);

} // namespace specest::simd
