// Text forms of a run's result block: the summary paragraph, the peak table, CSV and JSON.
#pragma once

#include "engine_api.h"

#include <ostream>
#include <span>
#include <string>

namespace specest::cli {

struct Spectrum {
    std::span<const float> freq;
    std::span<const float> db;
};

std::string status_name(RunStatus s);
void write_summary(std::ostream& out, const std::string& job, const RunResult& r);
void write_peak_table(std::ostream& out, const Spectrum& s);
void write_csv(std::ostream& out, const Spectrum& s);
void write_json(std::ostream& out, const std::string& job, const RunResult& r, const Spectrum& s);

} // namespace specest::cli
