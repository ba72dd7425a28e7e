// State of the run in progress: the report every engine routine writes to, the data file
// the job reader leaves open for the driver, and the caller's options.
#pragma once

#include "report.h"
#include "text_file.h"

#include <string>

namespace specest {

struct RunContext {
    Report report;
    TextFile data;        // opened by the job reader, read by the driver
    std::string job_path; // as given by the caller
    bool pause_after_peaks = true;
};

RunContext& run_context();
inline Report& run_report() {
    return run_context().report;
}

} // namespace specest
