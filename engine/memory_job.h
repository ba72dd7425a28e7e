// Jobs that come from memory rather than a job file: the job record filled from the caller's
// settings, with the same checks and report lines as a job file's; and the result capacity
// of either kind of job.
#pragma once

#include "engine_api.h"
#include "run_context.h"

#include <string>
#include <string_view>

namespace specest {

// The name a run from memory gives where a job file run names its file.
inline constexpr const char* kMemoryJobName = "(samples in memory)";

// Fills the current run's job record from the settings; on return npts is the number of
// samples to use and npoints the number of frequency points (a power of two). Stops on bad
// input, as the job reader does.
void set_up_memory_job(const EstimateParams& p, const MemorySamples& m, int& npts, int& npoints);

// Result-array elements a job needs; 0 (with a message when asked) when it cannot be told.
long long memory_job_capacity(const EstimateParams& p, std::string* message);
int file_job_capacity(std::string_view job_path, std::string* message);

} // namespace specest
