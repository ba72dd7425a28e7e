#include "data_records.h"

#include "free_form.h"
#include "run_context.h"
#include "stop.h"

#include <optional>
#include <string>
#include <vector>

namespace specest {
namespace {

[[noreturn]] void data_error(const TextFile& data, const std::string& problem) {
    Report& r = run_report();
    r.list(" ");
    r.list(" ERROR while reading Data file: ", data.path());
    r.list("   line ", data.line_number(), ": ", problem);
    r.list(" ");
    stop("Data file " + data.path() + ", line " + std::to_string(data.line_number()) + ": " +
         problem);
}

} // namespace

int count_records(TextFile& data, int header_lines, int limit, KeptTimes& times) {
    times.clear();
    std::string_view view;
    for (int i = 0; i < header_lines; ++i)
        if (!data.next(view)) break;
    if (!data.error().empty()) data_error(data, data.error());
    int count = 0;
    while (count < limit && data.next(view)) {
        std::string_view first;
        std::size_t nf = 0;
        std::optional<std::string> quoted;
        if (!free_form::field_views(view, &first, 1, nf)) {
            quoted = free_form::first_field(view);
            nf = quoted ? 1 : 0;
            if (quoted) first = *quoted;
        }
        if (nf == 0) continue; // blank lines hold no record
        float t = 0;
        double t64 = 0;
        if (!free_form::to_float_and_double(first, t, t64)) {
            Report& r = run_report();
            std::string problem =
                "the time value " + quote_field(first) +
                " is not a number (header lines skipped: " + std::to_string(header_lines) + ")";
            r.list(" ");
            r.list(" ERROR while reading Data file: ", data.path());
            r.list("   line ", data.line_number(), ": ", problem);
            r.list(" ");
            stop("Data file " + data.path() + ", line " + std::to_string(data.line_number()) +
                 ": " + problem);
        }
        if (count < kKeptTimes) times.push_back({t, t64});
        ++count;
    }
    if (!data.error().empty()) data_error(data, data.error());
    data.rewind();
    return count;
}

void note_time(SeriesRead& s, int at, float t, double t64, Vec1<float> x_array) {
    if (s.count == 1) s.first_time = t64;
    if (s.count > 1 && s.not_increasing_at == 0 && !(t64 > s.last_time)) {
        s.not_increasing_at = at;
        s.previous_time = x_array(s.count - 1);
        s.bad_time = t;
    }
    s.last_time = t64;
}

SeriesRead read_records(TextFile& data, const JobParams& jp, int npts, const KeptTimes& times,
                        Vec1<float> x_array, Vec1<float> y_array, Vec1<cfloat> signal_amp) {
    std::string_view line;
    for (int i = 0; i < jp.irec_skip; ++i) {
        if (!data.next(line)) {
            if (!data.error().empty()) data_error(data, data.error());
            Report& r = run_report();
            r.list(" ");
            r.list(" End-of-file reached while reading file.", jp.dataFile);
            r.list(" ");
            r.list(" ");
            stop(" Error reading data file!");
        }
    }
    SeriesRead s;
    std::string_view f[3];
    std::vector<std::string> quoted;
    while (s.count < npts && data.next(line)) {
        std::size_t nf = 0;
        if (!free_form::field_views(line, f, 3, nf)) {
            quoted = free_form::fields(line, 3);
            nf = quoted.size();
            for (std::size_t k = 0; k < nf; ++k) f[k] = quoted[k];
        }
        if (nf == 0) continue; // blank lines hold no record
        if (nf < 2)
            data_error(data, "a record needs a time value and a sample value; found only " +
                                 quote_field(f[0]));
        // The count read this record's time value already (and stopped had it been bad).
        float t = 0;
        double t64 = 0;
        if (static_cast<std::size_t>(s.count) < times.size()) {
            t = times[static_cast<std::size_t>(s.count)].t;
            t64 = times[static_cast<std::size_t>(s.count)].t64;
        } else if (!free_form::to_float_and_double(f[0], t, t64)) {
            data_error(data, "the time value " + quote_field(f[0]) + " is not a number");
        }
        const int read = ++s.count;
        x_array(read) = t;
        note_time(s, data.line_number(), t, t64, x_array);
        if (jp.itype == 1) {
            float v = 0;
            if (!free_form::to_float(f[1], v))
                data_error(data, "the sample " + quote_field(f[1]) + " is not a real number");
            y_array(read) = v;
        } else {
            float re = 0, im = 0;
            if (!free_form::to_complex(f[1], re, im))
                data_error(data, "the sample " + quote_field(f[1]) +
                                     " is not a complex value written as (real,imaginary)");
            signal_amp(read) = {re, im};
        }
    }
    if (!data.error().empty()) data_error(data, data.error());
    return s;
}

} // namespace specest
