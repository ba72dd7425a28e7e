// One complete run: report, job, data, estimator, decibels, peaks, results to the caller.
// Job files and samples in memory take the same path from the job record on; each run owns
// its context, so runs on different threads proceed in parallel.
#include "engine_api.h"

#include "memory_job.h"
#include "peaks.h"
#include "run_context.h"
#include "spectrum_driver.h"
#include "stop.h"
#include "work_array.h"

#include "job_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>

namespace specest {
namespace {

constexpr float kNoPlot = -99.0f;
constexpr int kNonFiniteFlag = 98;

void no_plot_lines(Report& r) {
    r.list(" ");
    r.list("For more on how to solve this calculation problem ");
    r.list("see S. L. Marple Jr., Digital Spectral Analysis with Applications,");
    r.list("Prentice-Hall, Englewood Cliffs, NJ, 1987.");
    r.list(" ");
    r.list(" ----------- No Plot ! -----------");
    r.list(" ");
}

[[noreturn]] void capacity_error(long long capacity, long long needed, int npoints) {
    Report& r = run_report();
    r.blanks(2);
    r.line(Line().x(2).rep('-', 70));
    r.line(Line().x(9).a("ERROR: the result arrays are too small for this job:"));
    r.line(Line().x(22).a("capacity = ").i(capacity, 9));
    r.line(Line().x(22).a("needed = ").i(needed, 9));
    r.line(Line().x(22).a("nPoints = ").i(npoints, 9));
    r.line(Line().x(2).rep('-', 70));
    r.blanks(2);
    stop("Result arrays hold " + std::to_string(capacity) + " points; this job needs " +
         std::to_string(needed));
}

bool all_finite(const WorkVector<float>& y, const WorkVector<cfloat>& amp, int itype, int n) {
    for (int i = 0; i < n; ++i) {
        const float v =
            itype == 1 ? y[static_cast<std::size_t>(i)] : amp[static_cast<std::size_t>(i)].real();
        if (!std::isfinite(v)) return false;
    }
    return true;
}

std::string trim_copy(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return s.substr(i);
}

// Everything a run produces, before it is handed to a caller in one form or another.
struct Outcome {
    RunStatus status = RunStatus::stopped;
    StopKind stop_kind = StopKind::input;
    std::string stop_text;
    std::string explanation;                        // one line on an input error
    std::size_t failure_begin = 0, failure_end = 0; // report range explaining a failure
    std::string non_finite_note;                    // the failure written after the estimator
    std::string warning;                            // said to a caller in memory on success
    int npts = 0, n_freq_pts = 0, n_time_values = 0;
    float t_start = 0, t_final = 0, zero_fill = kNoPlot, sig2 = 0;
    int method = 0;
    std::string method_name;
    std::vector<float> x;     // the grid after a success, the time values after a failure
    std::vector<float> db;    // the spectrum in dB
    std::vector<float> power; // magnitudes before the conversion
    std::vector<cfloat> a, b, reflection;
    std::vector<Peak> peaks;
    int iterations = 0, akaike_status = 0;
};

using Setup = std::function<void(int& npts, int& npoints)>;

// Runs the job the setup reads into the current context. caller_cap < 0: no caller arrays.
void execute(RunContext& c, const Setup& setup, long long caller_cap, Outcome& out) {
    JobParams& jp = c.job;
    Report& r = c.report;
    try {
        r.list(" ");
        r.list(" Starting Spectral Estimation calculations and Plot");
        r.list(" ");
        r.list(" ");
        r.list(" filenam = ", c.job_path, "<===");

        int npts = 0, npoints = 0;
        setup(npts, npoints);
        const int cap = grid_capacity(jp.method, npoints, jp.l_pts);
        if (caller_cap >= 0 && caller_cap < cap) capacity_error(caller_cap, cap, npoints);

        const char* abort_line = " Aborting Main due to Allocation error #:";
        const char* stop_text = "Allocate Main in error";
        const auto n = static_cast<std::size_t>(cap);
        auto x_buf = work_array<float>(n, abort_line, stop_text);
        auto y_buf = work_array<float>(n, abort_line, stop_text);
        auto amp_buf = work_array<cfloat>(n, abort_line, stop_text);

        jp.iflag = 0;
        int n_freq_pts = 0;
        spectrum_est(Vec1<float>(x_buf), Vec1<float>(y_buf), npts, npoints, n_freq_pts,
                     Vec1<cfloat>(amp_buf));
        out.method = jp.method;
        out.method_name = trim_copy(jp.method_name);
        out.failure_begin = c.estimator_mark;
        out.failure_end = c.model_mark;

        const bool spectrum_finite = all_finite(y_buf, amp_buf, jp.itype, n_freq_pts);
        // A scaled record's spectrum must fit single precision once the scale is undone.
        bool in_range = std::isfinite(jp.sig2);
        for (int k = 0; k < n_freq_pts && c.power_scale_exp > 0 && in_range; ++k) {
            const auto uk = static_cast<std::size_t>(k);
            const float v = jp.itype == 1 ? y_buf[uk] : std::abs(amp_buf[uk]);
            in_range = std::isfinite(std::ldexp(v, c.power_scale_exp));
        }
        if (jp.iflag == 0 && (!spectrum_finite || !std::isfinite(jp.sig2) || !in_range)) {
            out.non_finite_note =
                c.power_scale_exp != 0 && spectrum_finite
                    ? "The record's dynamic range puts its spectrum outside single precision "
                      "(the samples reach 2**" +
                          std::to_string(-c.power_scale_exp / 2) +
                          "); the modern profile computes it in double precision."
                : spectrum_finite
                    ? "The noise variance is not a number (overflow or 0/0)."
                    : "The estimate holds values that are not numbers (overflow or 0/0).";
            // The likeliest cause, when the job left out a setting the method reads.
            const auto* m = record::method_info(jp.method);
            if (m && record::uses(m->settings, record::Field::eps) && jp.eps == kNotApplicableF)
                out.non_finite_note +=
                    " eps is -999, the \"not used\" marker, but this method uses it.";
            r.blanks(2);
            r.line(Line().x(9).a(out.non_finite_note));
            jp.iflag = kNonFiniteFlag;
        }

        if (jp.iflag != 0) {
            no_plot_lines(r);
            // The caller's x_array gets the time values read, as documented.
            const int nt = std::min(npts, cap);
            out.x.assign(x_buf.begin(), x_buf.begin() + nt);
            out.n_time_values = nt;
            out.status = RunStatus::estimator_failure;
        } else {
            r.list(" nPoints / n_freq_pts =", npoints, n_freq_pts);
            const auto nf = static_cast<std::size_t>(n_freq_pts);
            out.power.resize(nf);
            for (std::size_t k = 0; k < nf; ++k)
                out.power[k] = jp.itype == 1 ? std::fabs(y_buf[k]) : std::abs(amp_buf[k]);
            out.db = out.power;
            float* spectrum = out.db.data();
            float ymax = -1.0e11f;
            for (int i = 0; i < n_freq_pts; ++i) ymax = std::max(ymax, spectrum[i]);
            if (ymax == 0.0f) {
                // No power anywhere: every point sits at the floor.
                r.list(" Note: the spectrum is zero at every frequency; all values are set to -100 "
                       "dB.");
                for (int i = 0; i < n_freq_pts; ++i) spectrum[i] = -100.0f;
                if (c.list_spectrum) list_spectrum(r, x_buf.data(), spectrum, n_freq_pts);
            } else {
                const float floor = 1.0e-5f * ymax;
                for (int i = 0; i < n_freq_pts; ++i) {
                    if (spectrum[i] < floor) spectrum[i] = floor;
                    spectrum[i] =
                        static_cast<float>(20.0 * std::log10(static_cast<double>(spectrum[i]) /
                                                             static_cast<double>(ymax)));
                }
                if (c.list_spectrum) list_spectrum(r, x_buf.data(), spectrum, n_freq_pts);
            }
            if (c.power_scale_exp != 0)
                for (float& v : out.power) v = std::ldexp(v, c.power_scale_exp);
            out.x.assign(x_buf.begin(), x_buf.begin() + n_freq_pts);
            Vec1<float> xs(out.x.data(), n_freq_pts), ys(out.db.data(), n_freq_pts);
            for (int j : find_peaks(ys, n_freq_pts)) out.peaks.push_back({xs(j), ys(j)});
            tab_peaks(6, xs, ys, n_freq_pts);
            r.list(" ");
            r.list(" ----------- Finished PSD Calculations ! -----------");
            r.list(" ");
            out.npts = npts;
            out.n_freq_pts = n_freq_pts;
            out.t_start = jp.t_start;
            const long long q = (static_cast<long long>(n_freq_pts) - jp.ipts) * 100 / n_freq_pts;
            out.zero_fill = static_cast<float>(q);
            out.status = RunStatus::success;
        }
        if (const auto* m = record::method_info(jp.method); m && m->parametric) {
            Vec1<cfloat> a = wa::a(), b = wa::b();
            for (int i = 1; i <= jp.npoles; ++i) out.a.push_back(a(i));
            for (int i = 1; i <= jp.nzeros; ++i) out.b.push_back(b(i));
        }
        out.reflection = c.reflection;
        if (jp.method == static_cast<int>(record::Method::akaike)) {
            out.iterations = c.akaike_iterations;
            out.akaike_status = jp.iflag;
        }
        out.t_final = jp.t_final;
        out.sig2 = jp.sig2;
        out.warning = c.warning;
        return;
    } catch (const RunStopped& s) {
        // A blank always separates STOP from the stop text.
        r.list(!s.text().empty() && s.text().front() == ' ' ? " STOP" : " STOP ", s.text());
        out.stop_text = trim_copy(s.text());
        out.stop_kind = s.kind();
        out.explanation = c.explanation;
    } catch (const std::bad_alloc&) {
        r.list(" ");
        r.list(" Aborting: out of memory");
        out.stop_text = "Out of memory";
        out.stop_kind = StopKind::resource;
    } catch (const std::exception& e) {
        r.list(" ");
        r.list(" Aborting: ", e.what());
        out.stop_text = std::string("Internal error: ") + e.what();
        out.stop_kind = StopKind::resource;
    }
    c.data.close();
    out.status = RunStatus::stopped;
    out.t_final = jp.t_final;
    out.sig2 = jp.sig2;
    out.zero_fill = kNoPlot;
    out.method = jp.method;
}

std::string report_path(const RunOptions& options) {
    return options.report_dir.empty() ? std::string("~Lumetra.out")
                                      : options.report_dir + "/~Lumetra.out";
}

std::string report_failure(const std::string& path, const std::string& why) {
    return "Cannot write the run report " + path + ": " + why;
}

Setup file_setup(RunContext& c) {
    return [&c](int& npts, int& npoints) { spec_info(c.job_path, 6, npts, npoints); };
}

// The lines an estimator wrote about its failure, without blank lines at either end.
std::string failure_text(std::string text) {
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        if (!line.empty() || !out.empty()) out += line + "\n";
        start = end + 1;
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// What a failed estimator wrote about its failure, and the note on non-finite values.
std::string failure_message(const Outcome& out, const std::string& report_range) {
    std::string m = failure_text(report_range);
    if (!out.non_finite_note.empty()) m += (m.empty() ? "" : "\n") + out.non_finite_note;
    return m;
}

Estimate to_estimate(Outcome&& out, const std::string& failure) {
    Estimate e;
    switch (out.status) {
    case RunStatus::success:
        e.status = EstimateStatus::success;
        e.message = out.warning;
        break;
    case RunStatus::estimator_failure:
        e.status = EstimateStatus::estimator_failure;
        e.message = failure_message(out, failure);
        if (e.message.empty()) e.message = "The estimator failed.";
        break;
    case RunStatus::stopped:
        e.status = out.stop_kind == StopKind::resource ? EstimateStatus::stopped
                                                       : EstimateStatus::invalid_input;
        e.message = out.stop_text;
        if (!out.explanation.empty()) e.message += " (" + out.explanation + ")";
        break;
    }
    e.method = out.method;
    e.method_name = std::move(out.method_name);
    if (out.status == RunStatus::success) {
        e.freqs = std::move(out.x);
        e.db = std::move(out.db);
        e.power = std::move(out.power);
        e.peaks = std::move(out.peaks);
    }
    e.a = std::move(out.a);
    e.b = std::move(out.b);
    e.reflection = std::move(out.reflection);
    e.sig2 = out.sig2;
    e.zero_fill = out.zero_fill;
    e.t_start = out.t_start;
    e.t_final = out.t_final;
    e.npts = out.npts;
    e.iterations = out.iterations;
    e.akaike_status = out.akaike_status;
    return e;
}

RunResult run_file(std::string_view job_path, std::span<float> x_out, std::span<float> spec_out,
                   const RunOptions& options) {
    auto c = std::make_unique<RunContext>();
    ActiveRun active(*c);
    c->job_path.assign(job_path);
    c->pause_after_peaks = options.pause_after_peaks;

    RunResult res;
    res.report_path = report_path(options);
    if (!c->report.open(res.report_path, options.keep_report)) {
        res.status = RunStatus::stopped;
        res.stop_text = report_failure(res.report_path, c->report.error());
        return res;
    }
    Outcome out;
    execute(*c, file_setup(*c), static_cast<long long>(std::min(x_out.size(), spec_out.size())),
            out);
    c->report.close();
    if (!c->report.ok()) { // a run whose report is lost has failed, whatever it computed
        res.status = RunStatus::stopped;
        res.stop_text = report_failure(res.report_path, c->report.error());
        res.method = out.method;
        return res;
    }
    if (out.status == RunStatus::success) {
        std::copy(out.x.begin(), out.x.end(), x_out.begin());
        std::copy(out.db.begin(), out.db.end(), spec_out.begin());
    } else if (out.status == RunStatus::estimator_failure) {
        std::copy(out.x.begin(), out.x.end(), x_out.begin());
        // For callers that show one line and not the report.
        out.stop_text =
            failure_message(out, c->report.text_range(out.failure_begin, out.failure_end));
    }
    if (options.keep_report) res.report = c->report.text();
    res.status = out.status;
    res.stop_text = out.stop_text;
    res.npts = out.npts;
    res.n_freq_pts = out.n_freq_pts;
    res.n_time_values = out.n_time_values;
    res.t_start = out.t_start;
    res.t_final = out.t_final;
    res.zero_fill = out.zero_fill;
    res.sig2 = out.sig2;
    res.method = out.method;
    res.method_name = out.method_name;
    return res;
}

Estimate internal_error(EstimateStatus status, std::string message) {
    Estimate e;
    e.status = status;
    e.message = std::move(message);
    return e;
}

} // namespace

RunResult run_job(std::string_view job_path, std::span<float> x_array, std::span<float> spectrum,
                  const RunOptions& options) {
    try {
        return run_file(job_path, x_array, spectrum, options);
    } catch (...) {
        RunResult res;
        res.stop_text = "Internal error";
        return res;
    }
}

Estimate run_job_file(std::string_view job_path, const RunOptions& options) {
    try {
        auto c = std::make_unique<RunContext>();
        ActiveRun active(*c);
        c->job_path.assign(job_path);
        c->pause_after_peaks = options.pause_after_peaks;
        const std::string path = report_path(options);
        // A report folder that cannot take the report is the caller's input, not a lack of
        // memory: invalid_input, so no binding reports it as one.
        if (!c->report.open(path, options.keep_report))
            return internal_error(EstimateStatus::invalid_input,
                                  report_failure(path, c->report.error()));
        Outcome out;
        execute(*c, file_setup(*c), -1, out);
        c->report.close();
        if (!c->report.ok())
            return internal_error(EstimateStatus::stopped, report_failure(path, c->report.error()));
        // The run's own text, never the file: another run may have replaced it already.
        const std::string failure = out.status == RunStatus::estimator_failure
                                        ? c->report.text_range(out.failure_begin, out.failure_end)
                                        : std::string();
        Estimate e = to_estimate(std::move(out), failure);
        if (options.keep_report) e.report = c->report.text();
        return e;
    } catch (const std::bad_alloc&) {
        return internal_error(EstimateStatus::stopped, "Out of memory");
    } catch (...) {
        return internal_error(EstimateStatus::stopped, "Internal error");
    }
}

Estimate estimate(const EstimateParams& params, const Samples& samples,
                  const EstimateOptions& options) {
    try {
        auto c = std::make_unique<RunContext>();
        ActiveRun active(*c);
        c->job_path = kMemoryJobName;
        c->pause_after_peaks = false;
        c->list_spectrum = options.want_report;
        c->report.open_memory();
        MemorySamples memory{
            samples.real,
            {reinterpret_cast<const cfloat*>(samples.complex.data()), samples.complex.size()},
            samples.times,
            samples.dt,
            samples.times64};
        c->memory = &memory;
        Outcome out;
        execute(
            *c, [&](int& npts, int& npoints) { set_up_memory_job(params, memory, npts, npoints); },
            -1, out);
        c->report.close();
        const std::string& text = c->report.text();
        const std::string failure = out.status == RunStatus::estimator_failure
                                        ? c->report.text_range(out.failure_begin, out.failure_end)
                                        : std::string();
        Estimate e = to_estimate(std::move(out), failure);
        if (options.want_report) e.report = text;
        return e;
    } catch (const std::bad_alloc&) {
        return internal_error(EstimateStatus::stopped, "Out of memory");
    } catch (...) {
        return internal_error(EstimateStatus::stopped, "Internal error");
    }
}

long long estimate_capacity(const EstimateParams& params, std::string* message) {
    return memory_job_capacity(params, message);
}

long long file_capacity(std::string_view job_path, std::string* message) {
    return file_job_capacity(job_path, message);
}

int32_t required_capacity(std::string_view job_path) {
    return file_job_capacity(job_path, nullptr);
}

} // namespace specest
