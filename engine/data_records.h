// The data file's records: counted while the job is read, then read into the driver's arrays.
// A record is a line with a time value and a sample; blank lines hold none.
#pragma once

#include "job_params.h"
#include "text_file.h"
#include "views.h"
#include "work_pool.h"

#include <vector>

namespace specest {

// Records after the header lines, counting no further than `limit`: a run never uses more
// records than that, so a long file is not parsed past what the run needs. Stops on a time
// value that is not a number among the records counted. The file is rewound. The time values
// of the first kKeptTimes records go to `times`, so the reading need not parse them again.
// Each is kept in both precisions, read by one parse where that gives the float's bits.
constexpr int kKeptTimes = 1 << 20;
struct KeptTime {
    float t;
    double t64;
};
// From the thread's work pool: a long file's times would otherwise be mapped and faulted in
// afresh on every run.
using KeptTimes = UnsetWorkVector<KeptTime>;
int count_records(TextFile& data, int header_lines, int limit, KeptTimes& times);

// What the reading found: the records read, and where the time values first failed to
// increase (a data line, or a sample number for samples in memory; 0 when they always do).
struct SeriesRead {
    int count = 0;
    int not_increasing_at = 0;
    float previous_time = 0, bad_time = 0;
    // The time values in double precision: the first, the last, and the one before the last
    // (whether times increase is decided on these, so 1.7e9 + k * 0.01 s increases).
    double first_time = 0, last_time = 0;
};

// Reads up to npts records after the header lines into x_array and y_array (real data) or
// signal_amp (complex data). Stops on a record it cannot read. `times` holds the time values
// of the first records as count_records found them.
SeriesRead read_records(TextFile& data, const JobParams& jp, int npts, const KeptTimes& times,
                        Vec1<float> x_array, Vec1<float> y_array, Vec1<cfloat> signal_amp);

// Notes the first time value that does not increase.
void note_time(SeriesRead& s, int at, float t, double t64, Vec1<float> x_array);

} // namespace specest
