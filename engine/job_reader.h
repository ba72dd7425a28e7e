// The job reader: reads and checks the 21-line job file, fills the job record, opens the data
// file and counts its records, and writes the trace and the parameter summary.
#pragma once

#include <string>
#include <string_view>

namespace specest {

constexpr int kJobLines = 21;
// Largest number of frequency points a job may ask for (after rounding up).
constexpr int kMaxFreqPoints = 1 << 24;

// Tabs become blanks; from the last "!" on, everything is blanked.
void split(std::string& s);

// Method number 1..14 from the first two characters (case-sensitive), or 0.
int match_method(std::string_view name);
// Name stored in the job record for a recognised method.
const char* method_display_name(int method);

// Smallest power of two >= n, for 1 <= n <= kMaxFreqPoints.
int round_to_power_of_two(int n);

// Reads the job; on return npts is the number of data points to use and npoints the number of
// frequency points (a power of two). Stops on bad input. `k` is the report unit (6).
void spec_info(std::string_view fileNam, int k, int& npts, int& npoints);

} // namespace specest
