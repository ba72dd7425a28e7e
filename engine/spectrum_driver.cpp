#include "spectrum_driver.h"

#include "blackman_tukey.h"
#include "complex_ops.h"
#include "data_records.h"
#include "estimator_table.h"
#include "job_params.h"
#include "levinson.h"
#include "model_spectrum.h"
#include "periodogram.h"
#include "run_context.h"
#include "simd/dispatch.h"
#include "simd/kernels.h"
#include "specest/job_record.hpp"
#include "stop.h"
#include "windows.h"
#include "work_array.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace specest {
namespace {

std::string fmt_number(float v) {
    std::string s;
    fmt::append_general(s, v);
    return s;
}

std::string trim_right(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string accepted_method_names() {
    std::string s;
    for (const auto& m : record::kMethods) {
        if (!s.empty()) s += ", ";
        s += std::string(trim_right(std::string(m.table_name)));
    }
    return s;
}

[[noreturn]] void limit_error(RunContext& run, const char* label, int value,
                              const std::string& rule, const std::string& stop_text) {
    Report& r = run.report;
    run.explanation = std::string(label) + std::to_string(value) + "; " + rule;
    r.blanks(2);
    r.line(Line().x(2).rep('-', 70));
    r.line(Line().x(9).a("Input ERROR: parameter outside").a(" of range:"));
    r.line(Line().x(22).a(label).i(value, 6));
    r.blank();
    r.line(Line().x(22).a(rule));
    r.line(Line().x(2).rep('-', 70));
    r.blanks(2);
    stop(stop_text);
}

// What the samples came from, for messages.
std::string source_name(const RunContext& c) {
    return c.memory ? std::string("Samples") : "Data file " + c.data.path();
}

// Takes up to npts samples handed over in memory.
SeriesRead take_samples(const MemorySamples& m, const JobParams& jp, int npts, Vec1<float> x_array,
                        Vec1<float> y_array, Vec1<cfloat> signal_amp) {
    const auto available = static_cast<long long>(jp.itype == 1 ? m.real.size() : m.complex.size());
    SeriesRead s;
    const int n = static_cast<int>(std::min<long long>(npts, available));
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i - 1);
        const double t64 = !m.times64.empty() ? m.times64[k]
                           : m.times.empty()  ? static_cast<double>(i - 1) * m.dt
                                              : static_cast<double>(m.times[k]);
        const float t = !m.times.empty() ? m.times[k] : static_cast<float>(t64);
        s.count = i;
        x_array(i) = t;
        note_time(s, i, t, t64, x_array);
        if (jp.itype == 1)
            y_array(i) = m.real[k];
        else
            signal_amp(i) = m.complex[k];
    }
    return s;
}

// Reads up to npts records, holding nothing but the samples.
SeriesRead read_series(RunContext& c, int npts, Vec1<float> x_array, Vec1<float> y_array,
                       Vec1<cfloat> signal_amp) {
    const JobParams& jp = c.job;
    if (const MemorySamples* m = c.memory)
        return take_samples(*m, jp, npts, x_array, y_array, signal_amp);
    SeriesRead s = read_records(c.data, jp, npts, c.record_times, x_array, y_array, signal_amp);
    KeptTimes().swap(c.record_times); // back to the pool
    return s;
}

// The largest |x|^2 of x(1..n), from exact float squares in double (no hypot call per sample).
double peak_power(Vec1<cfloat> x, int n) {
    if (n < 1) return 0.0;
    const float* pairs = reinterpret_cast<const float*>(&x(1));
    if (!simd::force_scalar()) return simd::peak_power(pairs, n);
    double best = 0.0;
    for (int i = 0; i < n; ++i) {
        const double re = pairs[2 * i], im = pairs[2 * i + 1];
        best = std::max(best, re * re + im * im);
    }
    return best;
}

using record::uses_poles;
using record::uses_zeros;

[[noreturn]] void order_error(RunContext& run, const char* label, int order, int npts) {
    Report& r = run.report;
    run.explanation = std::string(label) + std::to_string(order) +
                      "; nPts = " + std::to_string(npts) + "; model order < nPts";
    r.blanks(2);
    r.line(Line().x(2).rep('-', 70));
    r.line(Line().x(9).a("Input ERROR: parameter outside").a(" of range:"));
    r.line(Line().x(22).a(label).i(order, 6));
    r.line(Line().x(22).a("nPts = ").i(npts, 6));
    r.blank();
    r.line(Line().x(22).a("model order < nPts"));
    r.line(Line().x(2).rep('-', 70));
    r.blanks(2);
    stop(std::string(" Model order parameter out of range: ") + label + std::to_string(order) +
         " with " + std::to_string(npts) + " data points");
}

} // namespace

int grid_capacity(int method, int npoints, int l_pts) {
    return static_cast<int>(record::grid_capacity(method, npoints, l_pts));
}

void spectrum_est(RunContext& run, Vec1<float> x_array, Vec1<float> y_array, int& npts,
                  int& nPoints, int& n_freq_pts, Vec1<cfloat> signal_amp) {
    JobParams& jp = run.job;
    Report& r = run.report;
    const EstimatorContext<float> ctx = estimator_context<float>(run);

    // 1. Own storage
    jp.ipts = 0;
    jp.maxorder = std::min(kMaxOrder, nPoints);
    const char* abort_line = " Aborting Spec_Est due to Allocation error #:";
    const char* stop_text = "Allocate error in Spectrum_Est routine";
    const auto own = static_cast<std::size_t>(nPoints);
    auto window_buf = work_array<float>(own, abort_line, stop_text);
    auto psd_buf =
        work_array<float>(static_cast<std::size_t>(grid_capacity(jp.method, nPoints, jp.l_pts)),
                          abort_line, stop_text);
    auto real_buf = work_array<float>(own, abort_line, stop_text);
    Vec1<float> window(window_buf), psd(psd_buf), signal_real(real_buf);

    // 2. Order check
    if (jp.npoles > jp.maxorder) {
        r.blanks(2);
        r.line(Line().rep('-', 72));
        r.line(
            Line().x(9).a(" nPoles = ").i(jp.npoles, 4).x(4).a("Max_Order = ").i(jp.maxorder, 4));
        r.line(" ABORTing ... Max_Order must be \">=\" nPoles");
        run.explanation = "nPoles = " + std::to_string(jp.npoles) +
                          " exceeds the classic limit Max_Order = " + std::to_string(jp.maxorder) +
                          " = min(nPoints, " + std::to_string(kMaxOrder) +
                          ") (raise nPoints or lower nPoles); the modern profile has "
                          "no such limit";
        r.line(Line().rep('-', 72));
        r.blanks(2);
        stop(" spectrum_est ... 720 label");
    }
    // 3.
    if (npts > nPoints) npts = nPoints;

    // 4. Periodogram window (unknown names fall back to the rectangular window)
    if (jp.method == 11) {
        jp.ipts = npts;
        if (!jp.window_name.empty() && jp.window_name[0] == 'N') jp.window_name = "Rectangular";
        for (int i = 1; i <= nPoints; ++i) window(i) = 1.0f;
        if (npts > 0 && !window_weights(window, npts, jp.window_name))
            r.list(" Using the Rectangular window instead.");
    }

    // 5.-6. Data
    const SeriesRead series = read_series(run, npts, x_array, y_array, signal_amp);
    const std::string source = source_name(run);
    run.data.close();
    jp.ipts = series.count;
    npts = jp.ipts;
    if (npts < 2) {
        r.list(" ");
        r.list(" ERROR: at least two data points are needed; points read =", npts,
               " nPoints =", nPoints);
        r.list(" ");
        stop(source + ": at least two data points are needed (" + std::to_string(npts) +
             " read, nPoints " + std::to_string(nPoints) + ")");
    }

    // 7. Time axis
    jp.t_start = x_array(1);
    jp.t_final = x_array(npts);
    const float t_window = jp.t_final - jp.t_start;
    float delta_t = static_cast<float>(static_cast<double>(t_window) / (npts - 1));
    // Samples in memory without time values keep the sampling interval they were given.
    if (const MemorySamples* m = run.memory; m && m->times.empty() && m->times64.empty())
        delta_t = static_cast<float>(m->dt);
    // Times too close together for single precision (Unix timestamps: 1.7e9 + k * 0.01 s) give
    // their step in double precision.
    if (!(delta_t != 0.0f) || !std::isfinite(delta_t))
        delta_t = static_cast<float>((series.last_time - series.first_time) / (npts - 1));
    r.list("delta_t/t_window = ", delta_t, t_window, jp.t_start);
    if (!(delta_t != 0.0f) || !std::isfinite(delta_t)) {
        r.list(" ");
        r.list(" ERROR: the first and last time values give no time step; delta_t =", delta_t);
        r.list(" ");
        stop(source + ": the time values of the first and last records give no time step");
    }
    if (series.not_increasing_at != 0) {
        // A grid needs time running forward at one step; a reversed or shuffled column would
        // give a spectrum at the wrong frequencies.
        const std::string where =
            (run.memory ? "time value " : "line ") + std::to_string(series.not_increasing_at);
        r.list(" ");
        r.list(" ERROR: the time values must increase; at", where, ":", series.bad_time, "after",
               series.previous_time);
        r.list(" ");
        stop(source + ", " + where + ": the time values must increase (" +
             fmt_number(series.bad_time) + " follows " + fmt_number(series.previous_time) + ")");
    }

    // 8. Clamp the orders (-999 marks a parameter the method does not use); an order the
    // method uses must lie in the work area's range.
    if (uses_poles(jp.method) && (jp.npoles < 0 || jp.npoles > kMaxPoles))
        limit_error(run, "nPoles = ", jp.npoles, "0 <= nPoles <= " + std::to_string(kMaxPoles),
                    " nPoles parameter out of range");
    if (uses_zeros(jp.method) && (jp.nzeros < 0 || jp.nzeros > kMaxZeros))
        limit_error(run, "nZeros = ", jp.nzeros, "0 <= nZeros <= " + std::to_string(kMaxZeros),
                    " nZeros parameter out of range");
    jp.npoles = std::clamp(jp.npoles, 0, kMaxPoles);
    jp.nzeros = std::clamp(jp.nzeros, 0, kMaxZeros);
    if (uses_poles(jp.method) && jp.npoles >= npts) order_error(run, "nPoles = ", jp.npoles, npts);
    if (uses_zeros(jp.method) && jp.nzeros >= npts) order_error(run, "nZeros = ", jp.nzeros, npts);

    // 9. Bad points
    int bad_points = 0;
    std::vector<int> bad_at; // for callers in memory, who have no data file's documentation
    if (jp.itype == 1) {
        for (int i = 1; i <= npts; ++i) {
            if (std::fabs(y_array(i)) > kBadPointLimit) {
                r.list(" Bad point= #i,y_array=", i, y_array(i), kBadPointLimit);
                y_array(i) = 0.0f;
                ++bad_points;
                if (bad_at.size() < 10) bad_at.push_back(i - 1);
            }
            signal_real(i) = y_array(i);
            signal_amp(i) = {y_array(i), 0.0f};
        }
    } else {
        for (int i = 1; i <= npts; ++i) {
            if (std::abs(signal_amp(i)) > kBadPointLimit) {
                signal_amp(i) = cfloat();
                ++bad_points;
                if (bad_at.size() < 10) bad_at.push_back(i - 1);
            }
            signal_real(i) = signal_amp(i).real();
        }
    }

    if (bad_points == npts) {
        r.list(" ");
        r.list(" ERROR: every sample is a bad point (magnitude above", kBadPointLimit, ")");
        r.list(" ");
        stop(source + ": every one of the " + std::to_string(npts) +
             " samples is a bad point (magnitude above 1e10); there is nothing to estimate");
    }

    if (bad_points > 0 && bad_points < npts && run.memory) {
        std::string& w = run.warning;
        w = std::to_string(bad_points) +
            " sample(s) above 1e10 in magnitude were set to zero, as " +
            "job files do (indices from 0:";
        for (int i : bad_at) w += " " + std::to_string(i);
        w += bad_points > static_cast<int>(bad_at.size()) ? " ...)" : ")";
    }

    // Records of very small or very large magnitude are scaled by a power of two into
    // [2^-60, 2^60] (exact in binary floating point) and the scale undone on the results, so
    // their spectrum neither underflows nor overflows single precision; the relative dB and
    // the model coefficients do not depend on it, and no other record changes.
    const float peak = static_cast<float>(std::sqrt(peak_power(signal_amp, npts)));
    int scale_exp = 0;
    if (peak > 0.0f && (peak < 0x1p-60f || peak > 0x1p60f)) {
        scale_exp = -std::ilogb(peak);
        for (int i = 1; i <= npts; ++i) {
            signal_amp(i) = {std::ldexp(signal_amp(i).real(), scale_exp),
                             std::ldexp(signal_amp(i).imag(), scale_exp)};
            signal_real(i) = std::ldexp(signal_real(i), scale_exp);
        }
        r.list(" Note: samples scaled by 2 **", scale_exp, "for the calculation (undone after).");
    }
    run.power_scale_exp = -2 * scale_exp;

    // 10. Zero fill
    for (int i = npts + 1; i <= nPoints; ++i) {
        signal_real(i) = 0.0f;
        signal_amp(i) = cfloat();
    }
    Vec1<cfloat> a = ctx.work.a(), b = ctx.work.b();
    Vec1<float> a0 = ctx.work.a0(), b0 = ctx.work.b0();
    for (int i = 1; i <= jp.npoles; ++i) a(i) = cfloat();
    for (int i = 1; i <= jp.nzeros; ++i) b(i) = cfloat();

    // 11.
    int nexp = static_cast<int>(std::log(static_cast<double>(nPoints)) / std::log(2.0) + 0.1);

    // 12. Estimator
    run.estimator_mark = run.model_mark = r.mark();
    const EstimatorEntry* entry = estimator_entry(jp.method);
    if (!entry) {
        r.blanks(2);
        r.line(Line().x(9).a("--> METHOD number out of range: method =").i(jp.method, 4));
        r.blanks(2);
        stop(" in Spectrum_est: the method \"" + trim_right(jp.method_name) +
             "\" matches none of " + accepted_method_names() +
             " (the first two letters count, letter case included)");
    }
    EstimatorCall<float> call{signal_amp, signal_real, window, psd, a, b, a0, b0};
    call.npts = npts;
    call.npoints = nPoints;
    call.nexp = nexp;
    call.sig2 = jp.sig2;
    call.eps = std::ldexp(jp.eps, 2 * scale_exp); // a pivot threshold scales with the power
    call.per = jp.per;
    run_estimator(*entry, ctx, call);
    jp.sig2 = std::ldexp(call.sig2, -2 * scale_exp);
    npts = call.npts;
    const bool direct = call.direct;
    if (direct) nPoints = call.grid;

    // Yule-Walker and Burg leave their reflection coefficients on the diagonal of aa.
    if ((jp.method == 1 || jp.method == 2) && jp.iflag == 0 && jp.npoles > 0) {
        Mat1<cfloat> aa = ctx.work.aa();
        auto& k = run.reflection;
        k.clear();
        for (int i = 1; i <= jp.npoles; ++i) k.push_back(aa(i, i));
    }

    // 13. Parametric models
    run.model_mark = r.mark();
    r.keep_until(run.model_mark); // a failure quotes the estimator's lines, nothing after
    if (!direct) {
        float sum_a = 0.0f, sum_b = 0.0f;
        for (int i = 1; i <= jp.npoles; ++i)
            sum_a = static_cast<float>(sum_a + std::abs(wide(a(i))));
        for (int i = 1; i <= jp.nzeros; ++i)
            sum_b = static_cast<float>(sum_b + std::abs(wide(b(i))));
        r.blank();
        r.line(Line()
                   .a(" Sig2 = ")
                   .e(jp.sig2, 12, 5)
                   .a("  nexp = ")
                   .i(nexp, 3)
                   .a("   npts = ")
                   .i(npts, 5)
                   .a("   nPoints = ")
                   .i(nPoints, 7));
        r.line(Line()
                   .a(" AR filter parameter estimates ... a(i)")
                   .a(" 's")
                   .x(5)
                   .a(" ... Summation = ")
                   .e(sum_a, 12, 5));
        r.line(Line()
                   .a(" AR filter parameter estimates ... b(i)")
                   .a(" 's")
                   .x(5)
                   .a(" ... Summation = ")
                   .e(sum_b, 12, 5));
        if (jp.iflag != 0) return;
        armapsd(ctx, jp.npoles, jp.nzeros, a, b, call.sig2, nexp, psd, nPoints);
    }

    // 14. Frequency grid
    const float delta_f = static_cast<float>(1.0 / (static_cast<double>(nPoints) * delta_t));
    float freq_min = 0.0f;
    int offset = 0;
    if (jp.neg_freq == 1) {
        n_freq_pts = nPoints - 1;
        freq_min = static_cast<float>(-static_cast<double>(nPoints) * delta_f / 2.0);
    } else {
        n_freq_pts = nPoints / 2;
        offset = nPoints / 2;
    }
    r.list(" n_freq_pts/dF/Fmax = ", n_freq_pts, delta_f,
           static_cast<float>(static_cast<double>(n_freq_pts) * delta_f + freq_min));
    const float f_last =
        static_cast<float>(static_cast<double>(n_freq_pts - 1) * delta_f + freq_min);
    if (!std::isfinite(delta_f) || !(delta_f > 0.0f) || !std::isfinite(freq_min) ||
        !std::isfinite(f_last)) {
        r.list(" ");
        r.list(" ERROR: the time step", delta_t, "gives no frequency grid: dF =", delta_f);
        r.list(" ");
        stop(source + ": the time step " + fmt_number(delta_t) +
             " is too small for a frequency grid (the frequencies overflow)");
    }
    for (int i = 1; i <= n_freq_pts; ++i) {
        x_array(i) = static_cast<float>(static_cast<double>(i - 1) * delta_f + freq_min);
        psd(i) = std::fabs(psd(offset + i));
    }
    if (jp.itype == 1)
        for (int i = 1; i <= n_freq_pts; ++i) y_array(i) = psd(i);
    else
        for (int i = 1; i <= n_freq_pts; ++i) signal_amp(i) = {psd(i), 0.0f};
}

} // namespace specest
