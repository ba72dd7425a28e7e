#include "memory_job.h"

#include "free_form.h"
#include "job_reader.h"
#include "report.h"
#include "stop.h"
#include "text_file.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace specest {
namespace {

constexpr std::size_t kNameWidth = 21;
constexpr std::size_t kNoteWidth = 120;

[[noreturn]] void input_error(const std::string& what) {
    Report& r = run_report();
    run_context().explanation.clear();
    r.blanks(2);
    r.line(Line().x(2).rep('-', 70));
    r.line(Line().x(9).a("Input ERROR: ").a(what));
    r.line(Line().x(2).rep('-', 70));
    r.blanks(2);
    stop(" " + what);
}

bool known_window(std::string_view name) {
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    return name.substr(0, 7) == "Rectang" || name == "Barlett" || name == "Hanning" ||
           name == "Hamming" || name == "Blackman" || (!name.empty() && name[0] == 'N');
}

std::string cut(std::string s, std::size_t w) {
    if (s.size() > w) s.resize(w);
    return s;
}

template <class T> void check_finite(std::span<const T> v, const char* what) {
    for (std::size_t i = 0; i < v.size(); ++i) {
        const T x = v[i];
        bool ok = false;
        if constexpr (std::is_same_v<T, float>)
            ok = std::isfinite(x);
        else
            ok = std::isfinite(x.real()) && std::isfinite(x.imag());
        if (!ok)
            input_error(std::string(what) + " " + std::to_string(i + 1) +
                        " is not a finite number");
    }
}

} // namespace

void set_up_memory_job(const EstimateParams& p, const MemorySamples& m, int& npts, int& npoints) {
    JobParams& jp = job();
    Report& r = run_report();
    r.list("dataFile = ", kMemoryJobName, "<---");

    const auto* info = record::method_info(p.method);
    if (!info)
        input_error("method " + std::to_string(p.method) + " is not a method number (1..14)");
    const std::size_t n = p.complex_data ? m.complex.size() : m.real.size();
    if ((p.complex_data ? m.real.size() : m.complex.size()) != 0)
        input_error(p.complex_data ? "complex data expected, real samples given"
                                   : "real data expected, complex samples given");
    if (n > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        input_error("too many samples: " + std::to_string(n));
    if (p.complex_data)
        check_finite(m.complex, "sample");
    else
        check_finite(m.real, "sample");
    if (!m.times.empty()) {
        if (m.times.size() != n)
            input_error("times holds " + std::to_string(m.times.size()) + " values for " +
                        std::to_string(n) + " samples");
        check_finite(m.times, "time value");
    } else if (!(m.dt > 0.0) || !std::isfinite(m.dt) || !std::isfinite(static_cast<float>(m.dt)) ||
               static_cast<float>(m.dt) == 0.0f) {
        input_error("the sampling interval dt must be a positive number, not " +
                    std::to_string(m.dt));
    }

    jp.fileIn = kMemoryJobName;
    jp.dataFile = kMemoryJobName;
    jp.irec_skip = 0;
    jp.itype = p.complex_data ? 2 : 1;
    jp.ipts = static_cast<int>(n);
    jp.ixtype = 0;
    jp.method_name = cut(std::string(info->table_name), kNameWidth);
    jp.neg_freq = p.twosided ? 1 : 0;

    npoints = p.npoints;
    check_npoints(npoints);
    npts = p.npts;
    choose_npts(jp, npts);

    jp.maxpoles = kMaxPoles;
    jp.maxzeros = kMaxZeros;
    jp.maxorder = std::min(npoints, kMaxOrder);
    jp.npoles = p.npoles;
    jp.nzeros = p.nzeros;
    jp.eps = p.eps;
    jp.mode = p.mode;
    jp.m_eqs = p.m_eqs;
    jp.l_pts = p.l_pts;
    jp.m_lags = p.m_lags;
    jp.nit = p.nit;
    jp.per = p.per;
    jp.window_name = cut(p.window, kNameWidth);
    // A job file falls back to the rectangular window on a name it does not know (and says so
    // in the report); a caller in memory gets the error instead of a quiet substitute.
    if (p.method == static_cast<int>(record::Method::periodogram) && !known_window(p.window))
        input_error("window \"" + p.window +
                    "\" is not one of Rectangular, Barlett, Hanning, Hamming, Blackman");
    jp.note1 = std::string(kNoteWidth, ' ');
    jp.note2 = std::string(kNoteWidth, ' ');
    finish_job(jp, npts);
}

long long memory_job_capacity(const EstimateParams& p, std::string* message) {
    auto fail = [&](std::string text) {
        if (message) *message = std::move(text);
        return 0LL;
    };
    if (p.npoints < 1 || p.npoints > record::kMaxFreqPoints)
        return fail("nPoints parameter out of range (nPoints = " + std::to_string(p.npoints) +
                    "; 0 < nPoints <= " + std::to_string(record::kMaxFreqPoints) + ")");
    const int npoints = record::round_to_power_of_two(p.npoints);
    if (p.method == static_cast<int>(record::Method::mvse) &&
        (p.l_pts < 2 || p.l_pts > record::kMaxMvsePoints))
        return fail("L_PTS parameter out of range (l_pts = " + std::to_string(p.l_pts) +
                    "; 2 <= l_pts <= " + std::to_string(record::kMaxMvsePoints) + ")");
    return record::grid_capacity(p.method, npoints, p.l_pts);
}

int file_job_capacity(std::string_view job_path, std::string* message) {
    // The job reader every run uses, so a job sized here is a job the run reads the same way.
    std::array<std::string, record::kJobLines> v;
    std::string why;
    if (!read_job(job_path, v, why, false)) {
        if (message) *message = why;
        return 0;
    }
    auto fail = [&](std::string text) {
        if (message) *message = "Job file " + std::string(job_path) + ": " + std::move(text);
        return 0;
    };
    auto at = [&v](record::Field f) { return v[static_cast<std::size_t>(record::line(f) - 1)]; };
    int npoints = 0, l_pts = 0;
    free_form::to_int(at(record::Field::npoints), npoints);
    free_form::to_int(at(record::Field::l_pts), l_pts);
    if (npoints < 1 || npoints > record::kMaxFreqPoints)
        return fail("nPoints parameter out of range");
    const long long cap = record::grid_capacity(record::match_method(at(record::Field::method)),
                                                record::round_to_power_of_two(npoints), l_pts);
    if (cap > record::kMaxMvsePoints) return fail("L_PTS parameter out of range");
    return static_cast<int>(cap);
}

} // namespace specest
