// One complete run: report, job, data, estimator, decibels, peaks, results to the caller.
#include "specest/specest.hpp"

#include "free_form.h"
#include "job_params.h"
#include "job_reader.h"
#include "peaks.h"
#include "run_context.h"
#include "spectrum_driver.h"
#include "stop.h"
#include "work_array.h"

#include <cmath>
#include <mutex>
#include <new>

namespace specest {

RunContext& run_context() {
    static RunContext context;
    return context;
}

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

[[noreturn]] void capacity_error(int capacity, int needed, int npoints) {
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

bool all_finite(const std::vector<float>& y, const std::vector<cfloat>& amp, int itype, int n) {
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

RunResult run_locked(std::string_view job_path, std::span<float> x_out, std::span<float> spec_out,
                     const RunOptions& options) {
    RunContext& c = run_context();
    c.report.close();
    c.data.close();
    c.job_path.assign(job_path);
    c.pause_after_peaks = options.pause_after_peaks;
    JobParams& jp = job();

    RunResult res;
    res.report_path = options.report_dir.empty() ? std::string("~Lumetra.out")
                                                 : options.report_dir + "/~Lumetra.out";
    Report& r = c.report;
    if (!r.open(res.report_path)) {
        res.status = RunStatus::stopped;
        res.stop_text = "Cannot write the run report " + res.report_path;
        return res;
    }
    try {
        r.list(" ");
        r.list(" Starting Spectral Estimation calculations and Plot");
        r.list(" ");
        r.list(" ");
        r.list(" filenam = ", c.job_path, "<===");

        int npts = 0, npoints = 0;
        spec_info(c.job_path, 6, npts, npoints);
        const int cap = grid_capacity(jp.method, npoints, jp.l_pts);
        const auto caller_cap = static_cast<long long>(std::min(x_out.size(), spec_out.size()));
        if (caller_cap < cap) capacity_error(static_cast<int>(caller_cap), cap, npoints);

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
        res.method = jp.method;
        res.method_name = trim_copy(jp.method_name);

        if (jp.iflag == 0 && !all_finite(y_buf, amp_buf, jp.itype, n_freq_pts)) {
            r.blanks(2);
            r.line(
                Line().x(9).a("The estimate holds values that are not numbers (overflow or 0/0)."));
            jp.iflag = kNonFiniteFlag;
        }

        float zero_fill = kNoPlot;
        if (jp.iflag != 0) {
            no_plot_lines(r);
            // The caller's x_array gets the time values read, as documented.
            const int nt = std::min(npts, cap);
            for (int i = 0; i < nt; ++i)
                x_out[static_cast<std::size_t>(i)] = x_buf[static_cast<std::size_t>(i)];
            res.n_time_values = nt;
            res.status = RunStatus::estimator_failure;
        } else {
            r.list(" nPoints / n_freq_pts =", npoints, n_freq_pts);
            float* spectrum = spec_out.data();
            for (int i = 0; i < n_freq_pts; ++i) {
                const auto k = static_cast<std::size_t>(i);
                spectrum[i] = jp.itype == 1 ? std::fabs(y_buf[k]) : std::abs(amp_buf[k]);
            }
            float ymax = -1.0e11f;
            for (int i = 0; i < n_freq_pts; ++i) ymax = std::max(ymax, spectrum[i]);
            if (ymax == 0.0f) {
                // No power anywhere: every point sits at the floor.
                r.list(" Note: the spectrum is zero at every frequency; all values are set to -100 "
                       "dB.");
                for (int i = 0; i < n_freq_pts; ++i) spectrum[i] = -100.0f;
                for (int i = 0; i < n_freq_pts; ++i)
                    r.list(" freq(i) & spectrum(i)=", i + 1, x_buf[static_cast<std::size_t>(i)],
                           spectrum[i]);
            } else {
                const float floor = 1.0e-5f * ymax;
                for (int i = 0; i < n_freq_pts; ++i) {
                    if (spectrum[i] < floor) spectrum[i] = floor;
                    spectrum[i] =
                        static_cast<float>(20.0 * std::log10(static_cast<double>(spectrum[i]) /
                                                             static_cast<double>(ymax)));
                    r.list(" freq(i) & spectrum(i)=", i + 1, x_buf[static_cast<std::size_t>(i)],
                           spectrum[i]);
                }
            }
            for (int i = 0; i < n_freq_pts; ++i)
                x_out[static_cast<std::size_t>(i)] = x_buf[static_cast<std::size_t>(i)];
            tab_peaks(6, Vec1<float>(x_out.data(), n_freq_pts),
                      Vec1<float>(spec_out.data(), n_freq_pts), n_freq_pts);
            r.list(" ");
            r.list(" ----------- Finished PSD Calculations ! -----------");
            r.list(" ");
            res.npts = npts;
            res.n_freq_pts = n_freq_pts;
            res.t_start = jp.t_start;
            const long long q = (static_cast<long long>(n_freq_pts) - jp.ipts) * 100 / n_freq_pts;
            zero_fill = static_cast<float>(q);
            res.status = RunStatus::success;
        }
        res.t_final = jp.t_final;
        res.zero_fill = zero_fill;
        res.sig2 = jp.sig2;
        r.close();
        return res;
    } catch (const RunStopped& s) {
        r.list(" STOP", s.text());
        res.stop_text = trim_copy(s.text());
    } catch (const std::bad_alloc&) {
        r.list(" ");
        r.list(" Aborting: out of memory");
        res.stop_text = "Out of memory";
    } catch (const std::exception& e) {
        r.list(" ");
        r.list(" Aborting: ", e.what());
        res.stop_text = std::string("Internal error: ") + e.what();
    }
    c.data.close();
    r.close();
    res.status = RunStatus::stopped;
    res.t_final = jp.t_final;
    res.sig2 = jp.sig2;
    res.zero_fill = kNoPlot;
    res.method = jp.method;
    return res;
}

} // namespace

RunResult run_job(std::string_view job_path, std::span<float> x_array, std::span<float> spectrum,
                  const RunOptions& options) {
    static std::mutex one_run_at_a_time;
    std::lock_guard<std::mutex> lock(one_run_at_a_time);
    try {
        return run_locked(job_path, x_array, spectrum, options);
    } catch (...) {
        RunResult res;
        res.stop_text = "Internal error";
        return res;
    }
}

int32_t required_capacity(std::string_view job_path) {
    TextFile f;
    if (!f.open(std::string(job_path))) return 0;
    std::string line, method_name;
    int npoints = 0, l_pts = 0;
    for (int n = 1; n <= 15 && f.next(line); ++n) {
        auto field = free_form::first_field(line);
        if (n == 7 && field) method_name = *field;
        if (n == 9 && (!field || !free_form::to_int(*field, npoints))) return 0;
        if (n == 15 && field && !free_form::to_int(*field, l_pts)) l_pts = 0;
    }
    if (npoints < 1 || npoints > kMaxFreqPoints) return 0;
    return grid_capacity(match_method(method_name), round_to_power_of_two(npoints), l_pts);
}

} // namespace specest
