// The job reader: reads and checks the 21-line job file, fills the job record, opens the data
// file and counts its records, and writes the trace and the parameter summary.
#pragma once

#include "specest/job_record.hpp"

#include <array>
#include <string>
#include <string_view>

namespace specest {

constexpr int kJobLines = record::kJobLines;
// Largest number of frequency points a job may ask for (after rounding up).
constexpr int kMaxFreqPoints = record::kMaxFreqPoints;

// Tabs become blanks; from the last "!" on, everything is blanked.
void split(std::string& s);

// Method number 1..14 from the first two characters (case-sensitive), or 0.
int match_method(std::string_view name);
// Name stored in the job record for a recognised method.
const char* method_display_name(int method);

// Smallest power of two >= n, for 1 <= n <= kMaxFreqPoints.
int round_to_power_of_two(int n);

struct JobParams;

// Steps every job takes, from a file or from memory, in this order:
// npoints checked and rounded up to a power of two (reported);
void check_npoints(int& npoints);
// the number of points to use: npts >= 0 checked, 0 or more than the records read (ipts) -> all;
void choose_npts(const JobParams& jp, int& npts);
// once every setting is in: the method matched, the method-specific checks, the summary.
void finish_job(JobParams& jp, int npts);

// Reads the job; on return npts is the number of data points to use and npoints the number of
// frequency points (a power of two). Stops on bad input. `k` is the report unit (6).
void spec_info(std::string_view fileNam, int k, int& npts, int& npoints);

// Reads a job file as the run reads it, without its data and without a report: `values` gets
// the 21 values (lines 1, 2, 20 and 21 through split() and trimmed, value lines their first
// field, checked to read as the number the line holds). False with a message naming the file,
// the line and the problem for anything that is not a job: no regular file, a NUL byte (binary,
// UTF-16), too few lines or more than 21 that are not blank, a missing or unreadable value, a
// method none of the fourteen matches (when `need_method`; a run reads such a job and its
// driver refuses the method).
bool read_job(std::string_view path, std::array<std::string, kJobLines>& values,
              std::string& message, bool need_method = true);

} // namespace specest
