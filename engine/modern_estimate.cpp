// The modern profile: the same estimators in double precision, sized by the call, on scipy's
// grids and density scale (docs/numerics.md lists every difference from the classic profile).
#include "engine_api.h"

#include "modern_estimate.h"

#include "data_records.h"
#include "estimator_table.h"
#include "fft.h"
#include "free_form.h"
#include "job_reader.h"
#include "model_spectrum.h"
#include "run_context.h"
#include "simd/db64_kernels.h"
#include "simd/grid64_kernels.h"
#include "stop.h"
#include "window64.h"
#include "work_area.h"
#include "work_array.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <string>

namespace specest {
namespace {

using record::Method;

// A bad argument: the message names the Python keyword and what to pass instead.
struct BadInput {
    std::string text;
};
[[noreturn]] void bad(std::string text) {
    throw BadInput{std::move(text)};
}

constexpr int kUnset = record::kNotApplicableInt;
constexpr double kBadSampleLimit = 1.0e10;

bool unset(double v) {
    return v == kUnset;
}

int next_power_of_two(long long n) {
    long long p = 1;
    while (p < n) p *= 2;
    return static_cast<int>(p);
}

// The settings a method runs with, defaults filled in and checked against the record.
struct Settings {
    int order = 0, zeros = 0, mode = 0, m_eqs = 0, l_pts = 0, m_lags = 0, nit = 0;
    double eps = 0, per = 0;
    int nfft = 0;
    int npts = 0;     // samples used
    int capacity = 0; // largest system order the estimator builds
};

bool uses(const record::MethodInfo& m, record::Field f) {
    return record::uses(m.settings, f);
}

Settings settle(const ModernParams& p, const record::MethodInfo& m, long long n) {
    Settings s;
    const Method method = m.method;
    if (n < 2) bad("x holds " + std::to_string(n) + " samples; at least 2 are needed");
    if (n > std::numeric_limits<int>::max() / 2)
        bad("x holds " + std::to_string(n) + " samples; at most 2**30 can be estimated");
    s.npts = static_cast<int>(n);
    if (p.nfft != 0 && p.nfft < 1)
        bad("nfft=" + std::to_string(p.nfft) + " must be a positive number of grid points");
    if (method == Method::periodogram) {
        // scipy.signal.periodogram: nfft defaults to len(x); a smaller nfft truncates x.
        s.nfft = p.nfft > 0 ? p.nfft : s.npts;
        s.npts = std::min(s.npts, s.nfft);
    } else {
        s.nfft = p.nfft > 0 ? p.nfft : std::max(256, next_power_of_two(n));
    }
    if (s.nfft > record::kMaxFreqPoints)
        bad("nfft=" + std::to_string(s.nfft) + " exceeds the largest grid of " +
            std::to_string(record::kMaxFreqPoints) + " points");

    auto need = [&](record::Field f, int value, const char* what) {
        if (uses(m, f) && value == kUnset)
            bad(std::string(m.short_name) + " needs " + std::string(record::info(f).key) + " (" +
                what + ")");
    };
    need(record::Field::npoles, p.order, "the AR model order, an integer >= 0");
    need(record::Field::nzeros, p.zeros, "the MA model order, an integer >= 0");
    const int np = s.npts;
    s.order = uses(m, record::Field::npoles) ? p.order : 0;
    s.zeros = uses(m, record::Field::nzeros) ? p.zeros : 0;
    if (s.order < 0 || (s.order >= np && uses(m, record::Field::npoles)))
        bad("order=" + std::to_string(s.order) +
            " must lie in 0 .. len(x) - 1 = " + std::to_string(np - 1));
    if (s.zeros < 0 || (s.zeros >= np && uses(m, record::Field::nzeros)))
        bad("zeros=" + std::to_string(s.zeros) +
            " must lie in 0 .. len(x) - 1 = " + std::to_string(np - 1));
    if (method == Method::mvse && s.order < 1)
        bad("order=" + std::to_string(s.order) +
            ": mvse needs order >= 1 (the size of its "
            "correlation matrix)");

    s.eps = unset(p.eps) ? 0.0 : p.eps;
    if (!std::isfinite(s.eps)) bad("eps must be a finite number (default 0: pivots must be > 0)");
    s.mode = p.mode == kUnset ? 1 : p.mode;
    if (uses(m, record::Field::mode) && s.mode != 0 && s.mode != 1)
        bad("mode=" + std::to_string(s.mode) + " must be 0 or 1");
    const int pq = s.order + s.zeros;
    s.m_eqs = p.m_eqs == kUnset ? std::min(np, std::max(pq + 2, 2 * pq + 2)) : p.m_eqs;
    if (uses(m, record::Field::m_eqs) && (s.m_eqs < pq + 2 || s.m_eqs > np))
        bad("m_eqs=" + std::to_string(s.m_eqs) + " must lie in order + zeros + 2 = " +
            std::to_string(pq + 2) + " .. len(x) = " + std::to_string(np));
    if (method == Method::mvse) {
        s.l_pts = s.nfft; // its grid is the call's grid
    } else if (uses(m, record::Field::l_pts)) {
        s.l_pts = p.l_pts == kUnset ? std::min(np - 1, std::max(4 * pq, 32)) : p.l_pts;
        const int low = method == Method::durbin ? std::max(s.zeros, 1) : 1;
        if (s.l_pts < low || s.l_pts >= np)
            bad("l_pts=" + std::to_string(s.l_pts) + " (the long AR model's order) must lie in " +
                std::to_string(low) + " .. len(x) - 1 = " + std::to_string(np - 1));
    }
    if (uses(m, record::Field::m_lags)) {
        s.m_lags = p.m_lags == kUnset ? std::max(1, std::min(np / 10, (s.nfft - 1) / 2)) : p.m_lags;
        if (s.m_lags < 1 || 2 * s.m_lags + 2 > np || 2 * s.m_lags + 1 > s.nfft)
            bad("m_lags=" + std::to_string(s.m_lags) + " must lie in 1 .. min((len(x) - 2) / 2, " +
                "(nfft - 1) / 2) = " + std::to_string(std::min((np - 2) / 2, (s.nfft - 1) / 2)));
    }
    s.nit = p.nit == kUnset ? 20 : p.nit;
    if (uses(m, record::Field::nit) && s.nit < 1)
        bad("nit=" + std::to_string(s.nit) + " must be at least 1");
    s.per = unset(p.per) ? 1.0 : p.per;
    if (uses(m, record::Field::per) && !(s.per >= 0.0 && std::isfinite(s.per)))
        bad("per must be a percentage >= 0");

    int cap = std::max(s.order, s.zeros) + 1;
    if (method == Method::mywe || method == Method::lsmywe || method == Method::akaike)
        cap = std::max({cap, np / 5 + 1, s.m_eqs + 1, pq + 1});
    if (method == Method::durbin || method == Method::mayne_firoozan)
        cap = std::max({cap, s.l_pts + 1, pq + 1});
    s.capacity = cap + 1;
    return s;
}

// A record's sum for its mean: partial sums by the sample's index modulo kMeanResidues (in
// vector lanes, each in index order), then added in pairs: the same bits on every instruction
// set, and many independent additions instead of one chain.
constexpr std::size_t kMeanResidues = 16;

double paired_sum(double* v) {
    for (std::size_t width = kMeanResidues; width > 1; width /= 2)
        for (std::size_t r = 0; r < width / 2; ++r) v[r] = v[2 * r] + v[2 * r + 1];
    return v[0];
}

// With `within`: whether every x[i] * x[i] <= limit2, from the same pass.
double constant_detrend_mean(const double* x, std::size_t n, double limit2 = HUGE_VAL,
                             bool* within = nullptr) {
    double parts[kMeanResidues];
    const bool ok = simd::residue_sums(x, n, kMeanResidues, limit2, parts);
    if (within) *within = ok;
    return paired_sum(parts) / static_cast<double>(n);
}

template <class V> void detrend(V& x, int n, const std::string& how) {
    if (how == "none" || how == "false" || how == "False") return;
    if (how == "constant") {
        // The real and imaginary parts' sums as a real record's (constant_detrend_mean), so a
        // record with zero imaginary parts loses the same mean either way.
        double* d = reinterpret_cast<double*>(x.data());
        const auto m = 2 * static_cast<std::size_t>(n);
        double parts[2 * kMeanResidues];
        simd::residue_sums(d, m, 2 * kMeanResidues, HUGE_VAL, parts); // samples checked before
        double re[kMeanResidues], im[kMeanResidues];
        for (std::size_t r = 0; r < kMeanResidues; ++r)
            re[r] = parts[2 * r], im[r] = parts[2 * r + 1];
        const cdouble sum(paired_sum(re), paired_sum(im));
        const cdouble mean = sum / static_cast<double>(n);
        const double mr = mean.real(), mi = mean.imag();
        for (std::size_t i = 0; i < m; i += 2) {
            d[i] -= mr;
            d[i + 1] -= mi;
        }
        return;
    }
    if (how == "linear") {
        // Least-squares line against the sample index, removed from both parts.
        const double tm = (n - 1) / 2.0;
        double stt = 0;
        cdouble sx = 0, stx = 0;
        for (int i = 0; i < n; ++i) {
            const double t = i - tm;
            stt += t * t;
            sx += x[static_cast<std::size_t>(i)];
            stx += t * x[static_cast<std::size_t>(i)];
        }
        const cdouble mean = sx / static_cast<double>(n), slope = stx / stt;
        for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] -= mean + slope * (i - tm);
        return;
    }
    bad("detrend=\"" + how + "\" is not one of \"constant\", \"linear\" or False");
}

// Peaks of db (on increasing frequency; at(i) gives the i-th value) by their prominence in dB,
// as scipy.signal's peak_prominences measures it: the height above the higher of the two
// lowest points between the peak and the nearest higher point (or the end) on either side.
// When the values lie in order in one array (`in_order`), the bins that cannot start a peak are
// skipped in vector lanes: a rising bin whose next one rises further is passed over as before.
template <class At>
std::vector<std::size_t> ranked_peaks(std::size_t n, At at, double min_prominence,
                                      std::vector<double>& prominence,
                                      const double* in_order = nullptr) {
    std::vector<std::size_t> peaks;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        if (in_order) {
            i = simd::next_peak_candidate(in_order, i, n - 1);
            if (i + 1 >= n) break;
        }
        if (!(at(i) > at(i - 1))) continue;
        std::size_t j = i + 1; // a flat top counts once, at its middle
        while (j < n && at(j) == at(i)) ++j;
        if (j < n && at(j) < at(i)) peaks.push_back((i + j - 1) / 2);
        i = j - 1;
    }
    if (peaks.empty()) return {};
    // The lowest point of a stretch lies in a valley or at an end, and the nearest higher
    // point is on the slope to a higher peak or an end: the ends, the peaks and the lowest
    // point between each two of them decide every prominence. On them, the lowest point back
    // to the previous higher one (or the end), on either side: a stack of ever higher points,
    // each carrying the lowest point of the stretch it stands for.
    std::vector<double> v;            // the deciding values, in order
    std::vector<std::size_t> at_peak; // where each peak is among them
    v.reserve(2 * peaks.size() + 3);
    std::size_t from = 0;
    v.push_back(at(0));
    for (std::size_t k = 0; k <= peaks.size(); ++k) {
        const std::size_t to = k < peaks.size() ? peaks[k] : n - 1;
        if (to > from + 1) {
            // Four minima side by side, so the comparisons do not wait on each other.
            double m0 = at(from + 1), m1 = m0, m2 = m0, m3 = m0;
            std::size_t i = from + 1;
            for (; i + 4 <= to; i += 4) {
                m0 = std::min(m0, at(i)), m1 = std::min(m1, at(i + 1));
                m2 = std::min(m2, at(i + 2)), m3 = std::min(m3, at(i + 3));
            }
            for (; i < to; ++i) m0 = std::min(m0, at(i));
            v.push_back(std::min(std::min(m0, m1), std::min(m2, m3)));
        }
        if (k < peaks.size()) at_peak.push_back(v.size());
        v.push_back(at(to));
        from = to;
    }
    struct Entry {
        std::size_t i;
        double low;
    };
    std::vector<Entry> stack;
    std::vector<double> left(v.size()), right(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        double low = v[i];
        while (!stack.empty() && v[stack.back().i] <= v[i]) {
            low = std::min(low, stack.back().low);
            stack.pop_back();
        }
        left[i] = low;
        stack.push_back({i, low});
    }
    stack.clear();
    for (std::size_t i = v.size(); i-- > 0;) {
        double low = v[i];
        while (!stack.empty() && v[stack.back().i] <= v[i]) {
            low = std::min(low, stack.back().low);
            stack.pop_back();
        }
        right[i] = low;
        stack.push_back({i, low});
    }
    std::vector<std::size_t> kept;
    for (std::size_t p = 0; p < peaks.size(); ++p) {
        const std::size_t k = at_peak[p];
        const double prom = v[k] - std::max(left[k], right[k]);
        if (prom >= min_prominence) {
            kept.push_back(peaks[p]);
            prominence.push_back(prom);
        }
    }
    std::vector<std::size_t> order(kept.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return prominence[a] > prominence[b]; });
    std::vector<std::size_t> out;
    std::vector<double> prom_out;
    for (std::size_t i : order) {
        out.push_back(kept[i]);
        prom_out.push_back(prominence[i]);
    }
    prominence = prom_out;
    return out;
}

constexpr std::size_t kMaxPeaks = 99;

ModernEstimate failure(EstimateStatus status, std::string message) {
    ModernEstimate e;
    e.status = status;
    e.message = std::move(message);
    return e;
}

// Frees a vector's memory now (assigning {} would keep its capacity).
template <class V> void give_back(V& v) {
    V().swap(v);
}

// The raw spectrum's array. Zeroed (calloc: fresh pages from the system are zero already, so a
// large grid takes memory only where the estimator writes it) for the direct methods, which
// may read what they did not write; a model spectrum writes every bin the grid reads.
class SpectrumArray {
  public:
    SpectrumArray(std::size_t n, bool zeroed)
        : p_(static_cast<double*>(zeroed
                                      ? std::calloc(n, sizeof(double))
                                      : std::malloc(std::max<std::size_t>(n, 1) * sizeof(double)))),
          n_(n) {
        if (!p_) {
            run_report().list(" ");
            run_report().list(" Aborting: out of memory", kAllocationFailedStatus);
            stop("Out of memory", StopKind::resource);
        }
    }
    SpectrumArray(const SpectrumArray&) = delete;
    SpectrumArray& operator=(const SpectrumArray&) = delete;
    ~SpectrumArray() { release(); }
    double& operator[](std::size_t i) { return p_[i]; }
    Vec1<double> view() { return {p_, static_cast<int>(n_)}; }
    void release() {
        std::free(p_);
        p_ = nullptr;
        n_ = 0;
    }

  private:
    double* p_;
    std::size_t n_;
};

ModernEstimate run(const ModernParams& p, const Samples64& s, const EstimateOptions& options,
                   ModernGridArrays* out) {
    const record::MethodInfo* info = record::method_info(p.method);
    if (!info) bad("method " + std::to_string(p.method) + " is not a method number (1..14)");
    const bool cplx = p.complex_data;
    const std::size_t given = cplx ? s.complex.size() : s.real.size();
    if ((cplx ? s.real.size() : s.complex.size()) != 0)
        bad(cplx ? "complex data expected, real samples given"
                 : "real data expected, complex samples given");
    if (cplx && info->real_only)
        bad(std::string(info->short_name) +
            " needs real x; pass x.real (or choose another method)");
    Settings st = settle(p, *info, static_cast<long long>(given));
    const int n = st.npts;

    // Samples: finite, and within the range the engine has always taken (the classic profile
    // silently zeroes larger ones; here they are an error).
    const std::size_t work = static_cast<std::size_t>(std::max(st.nfft, n)) + 2;
    const bool real_detrend_constant = !cplx && (p.detrend.empty() || p.detrend == "constant");
    // Yule-Walker reads a real record's lags from the caller's samples, the mean subtracted as
    // they are read: no copy.
    const bool real_record = real_detrend_constant && info->method == Method::yule_walker;
    auto amp = unset_work_array<cdouble>(real_record ? 0 : work, " Aborting: out of memory",
                                         "Out of memory");
    UnsetWorkVector<double> real;
    // One comparison per sample passes every good one (a NaN or an infinity fails it); only
    // then are the samples looked at one by one, to name the first bad one.
    bool within = true;
    const auto un = static_cast<std::size_t>(n);
    double record_mean = 0;
    if (real_record) {
        record_mean =
            constant_detrend_mean(s.real.data(), un, kBadSampleLimit * kBadSampleLimit, &within);
    } else if (cplx) {
        for (std::size_t k = 0; k < un; ++k) {
            const cdouble v = s.complex[k];
            within &= abs2(v) <= kBadSampleLimit * kBadSampleLimit;
            amp[k] = v;
        }
    } else {
        // A real sample's abs2 is x * x exactly. The constant detrend of a real record is done
        // here, in the same pass: the mean summed as detrend() sums it, subtracted on the copy.
        const double mean = real_detrend_constant ? constant_detrend_mean(s.real.data(), un) : 0.0;
        within = simd::real_to_complex_checked(s.real.data(), un, kBadSampleLimit * kBadSampleLimit,
                                               mean, reinterpret_cast<double*>(amp.data()));
    }
    for (int i = 0; i < n && !within; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const cdouble v = cplx ? s.complex[k] : cdouble(s.real[k], 0.0);
        if (!std::isfinite(v.real()) || !std::isfinite(v.imag()))
            bad("x[" + std::to_string(i) + "] is not a finite number");
        if (abs2(v) > kBadSampleLimit * kBadSampleLimit)
            bad("x[" + std::to_string(i) +
                "] has magnitude above 1e10, which the engine does not "
                "take; scale x down");
    }
    if (!real_record) std::fill(amp.begin() + n, amp.end(), cdouble()); // zero beyond the samples
    double fs = p.fs;
    if (!s.times.empty()) {
        if (s.times.size() != given)
            bad("times holds " + std::to_string(s.times.size()) + " values for " +
                std::to_string(given) + " samples");
        const double span = s.times[static_cast<std::size_t>(n - 1)] - s.times[0];
        for (int i = 1; i < n; ++i)
            if (!(s.times[static_cast<std::size_t>(i)] > s.times[static_cast<std::size_t>(i - 1)]))
                bad("times must increase; times[" + std::to_string(i) + "] does not");
        fs = (n - 1) / span;
    }
    if (!(fs > 0.0) || !std::isfinite(fs)) bad("fs must be a positive finite number");
    if (!real_detrend_constant)
        detrend(amp, n, p.detrend.empty() ? std::string("constant") : p.detrend);
    if (p.scaling != "density" && p.scaling != "spectrum")
        bad("scaling=\"" + p.scaling + "\" is not \"density\" or \"spectrum\"");

    RunContext& c = run_context();
    JobParams& jp = c.job;
    jp.method = p.method;
    jp.method_name = std::string(info->table_name);
    jp.itype = cplx ? 2 : 1;
    jp.npoles = st.order;
    jp.nzeros = st.zeros;
    jp.eps = static_cast<float>(st.eps);
    jp.mode = st.mode;
    jp.m_eqs = st.m_eqs;
    jp.l_pts = st.l_pts;
    jp.m_lags = st.m_lags;
    jp.nit = st.nit;
    jp.per = static_cast<float>(st.per);
    jp.ipts = n;
    jp.maxorder = std::numeric_limits<int>::max();
    jp.iflag = 0;
    c.area64.size_for(st.capacity);
    EstimatorContext<double> ctx = estimator_context<double>(c, st.nfft);
    ctx.one_sided = p.onesided && !cplx;

    const std::size_t grid_len = static_cast<std::size_t>(st.nfft) + 2;
    // The real parts, for the estimators that take real data only (written before read).
    if (info->real_only) {
        real = unset_work_array<double>(work, " Aborting: out of memory", "Out of memory");
        for (int i = 0; i < n; ++i)
            real[static_cast<std::size_t>(i)] = amp[static_cast<std::size_t>(i)].real();
    }
    SpectrumArray psd(std::max(grid_len, work), !info->parametric);
    // The periodogram reads its data window where it lies (none for the boxcar, which
    // multiplies by one); Blackman-Tukey writes its lag window into an array of its own.
    UnsetWorkVector<double> lag_window;
    std::vector<double> made_window;
    Vec1<double> window;
    double window_power = n, window_sum = n; // sum w^2 and sum w of the data window
    if (info->method == Method::periodogram) {
        const std::vector<double>* w = &p.window_values;
        if (!p.window_values.empty()) {
            if (p.window_values.size() != static_cast<std::size_t>(n))
                bad("window holds " + std::to_string(p.window_values.size()) +
                    " values; it needs one per sample used (" + std::to_string(n) + ")");
        } else {
            const std::string name = p.window.empty() ? "boxcar" : p.window;
            const auto kind = window64::parse_name(name);
            if (kind == window64::Kind::boxcar) {
                w = nullptr;
            } else {
                // The last short window of this thread is kept: repeated calls on records of
                // one length need its cosines once.
                constexpr std::size_t kKeptWindow = std::size_t{1} << 16;
                thread_local std::string kept_name;
                thread_local std::vector<double> kept;
                const auto len = static_cast<std::size_t>(n);
                if (name != kept_name || kept.size() != len) {
                    auto made = window64::get_window(name, len, true);
                    if (!made.weights) bad("window: " + made.error);
                    made_window = std::move(*made.weights);
                    if (len <= kKeptWindow) {
                        kept = made_window;
                        kept_name = name;
                    }
                }
                w = made_window.empty() ? &kept : &made_window;
            }
        }
        if (w) {
            window_power = window_sum = 0;
            for (int i = 0; i < n; ++i) {
                const double v = (*w)[static_cast<std::size_t>(i)];
                if (!std::isfinite(v)) bad("window[" + std::to_string(i) + "] is not finite");
                window_power += v * v;
                window_sum += v;
            }
            if (!(window_power > 0)) bad("the window is zero everywhere");
            // Only read by the periodogram.
            window = Vec1<double>(const_cast<double*>(w->data()), n);
        }
    } else if (info->method == Method::blackman_tukey) {
        lag_window = unset_work_array<double>(static_cast<std::size_t>(2 * st.m_lags + 2),
                                              " Aborting: out of memory", "Out of memory");
        window = Vec1<double>(lag_window);
    }

    Vec1<cdouble> a = ctx.work.a(), b = ctx.work.b();
    Vec1<double> a0 = ctx.work.a0(), b0 = ctx.work.b0();
    EstimatorCall<double> call{
        Vec1<cdouble>(amp), Vec1<double>(real), window, psd.view(), a, b, a0, b0};
    call.npts = n;
    call.npoints = static_cast<int>(work);
    call.nexp = 0;
    call.eps = st.eps;
    call.per = st.per;
    if (real_record) {
        call.samples = s.real.data();
        call.mean = record_mean;
    }
    Report& r = c.report;
    c.estimator_mark = r.mark();
    run_estimator(*estimator_entry(p.method), ctx, call);
    c.model_mark = r.mark();

    ModernEstimate e;
    e.method = p.method;
    e.method_name = std::string(info->short_name);
    e.npts = n;
    e.nfft = st.nfft;
    if (info->method == Method::akaike) {
        e.iterations = c.akaike_iterations;
        e.akaike_status = jp.iflag;
    }
    if (info->parametric) {
        for (int i = 1; i <= st.order; ++i) e.a.push_back(a(i));
        for (int i = 1; i <= st.zeros; ++i) e.b.push_back(b(i));
    }
    if ((info->method == Method::yule_walker || info->method == Method::burg) && jp.iflag == 0) {
        Mat1<cdouble> aa = ctx.work.aa();
        for (int i = 1; i <= st.order; ++i) e.reflection.push_back(aa(i, i));
    }
    e.sig2 = info->parametric ? call.sig2 : 0.0;
    if (jp.iflag != 0) {
        e.status = EstimateStatus::estimator_failure;
        const std::string& text = r.text();
        std::string m = c.estimator_mark < c.model_mark && c.model_mark <= text.size()
                            ? text.substr(c.estimator_mark, c.model_mark - c.estimator_mark)
                            : std::string();
        while (!m.empty() && (m.back() == '\n' || m.back() == ' ')) m.pop_back();
        while (!m.empty() && (m.front() == '\n' || m.front() == ' ')) m.erase(m.begin());
        e.message = m.empty() ? "The estimator failed." : m;
        return e;
    }

    // The raw spectrum, per cycle/sample, in fftfreq order; then the density scale.
    if (!call.direct)
        armapsd(ctx, st.order, st.zeros, a, b, call.sig2, 0, psd.view(), static_cast<int>(work));
    const int grid = st.nfft;
    double scale = 1.0 / fs;
    switch (info->method) {
    case Method::periodogram:
        // |X|^2 / n from the estimator; scipy: |X|^2 / (fs sum w^2), or / (sum w)^2.
        scale = p.scaling == "spectrum" ? n / (window_sum * window_sum) : n / (fs * window_power);
        break;
    case Method::mvse:
        // (p or 1) / e^H R^-1 e; white noise of variance s2 reads s2 with the factor p.
        scale = (st.mode == 0 ? st.order : 1.0) / fs;
        break;
    default:
        break;
    }
    // "spectrum" for the other methods: the density times the bin width fs / n, the scale on
    // which a periodogram with the boxcar window reads a sinusoid's power.
    if (p.scaling == "spectrum" && info->method != Method::periodogram) scale *= fs / n;

    const bool onesided = p.onesided && !cplx;
    e.onesided = onesided;
    const int count = onesided ? grid / 2 + 1 : grid;
    const auto nf = static_cast<std::size_t>(count);
    // The samples' arrays are done with: their memory goes before the grid's is written.
    give_back(amp);
    give_back(real);
    give_back(lag_window);
    give_back(made_window);
    // The grid goes to the caller's arrays when given, else to the result's vectors.
    if (out && (out->freqs || out->psd || out->db) && out->cap < nf)
        bad("the result arrays hold " + std::to_string(out->cap) + " values; the grid has " +
            std::to_string(nf));
    double* freqs = out ? out->freqs : nullptr;
    double* dens = out ? out->psd : nullptr;
    if (!out) {
        e.freqs.resize(nf);
        e.psd.resize(nf);
        freqs = e.freqs.data();
        dens = e.psd.data();
    }
    // In vector lanes: psd * scale, doubled one-sided except DC and Nyquist; signed_k * fs / grid.
    {
        // Bins [lo, hi) are doubled.
        const std::size_t lo = onesided ? 1 : nf, hi = onesided && grid % 2 == 0 ? nf - 1 : nf;
        bool finite = true;
        if (dens) {
            finite = simd::scale_density(&psd[0], nf, scale, lo, hi, dens);
        } else {
            for (std::size_t k = 0; k < nf; ++k) {
                double v = psd[k] * scale;
                if (k >= lo && k < hi) v *= 2.0;
                finite &= std::fabs(v) <= DBL_MAX;
            }
        }
        if (!finite) {
            e.status = EstimateStatus::estimator_failure;
            e.message = "The estimate holds values that are not finite numbers (overflow).";
            e.freqs.clear();
            e.psd.clear();
            return e;
        }
        if (freqs)
            simd::grid_frequencies(
                freqs, nf, onesided ? nf : (static_cast<std::size_t>(grid) + 1) / 2, fs, grid);
    }
    if (out) out->count = nf;
    e.status = EstimateStatus::success;
    if (options.want_report) e.report = r.text();
    if (!options.want_db && !options.want_peaks) return e;
    // The density again, when the caller keeps none: from the raw spectrum, the same values.
    auto density = [&](std::size_t k) {
        if (dens) return dens[k];
        double v = psd[k] * scale;
        if (onesided && k != 0 && !(grid % 2 == 0 && k == static_cast<std::size_t>(grid / 2)))
            v *= 2.0;
        return v;
    };
    double* db = out ? out->db : nullptr;
    if (!db) {
        e.db.resize(nf);
        db = e.db.data();
    }
    if (dens) {
        simd::decibels(dens, nf, db);
    } else {
        for (std::size_t k = 0; k < nf; ++k) db[k] = density(k);
        simd::decibels(db, nf, db);
    }
    if (dens) psd.release();
    if (!options.want_peaks) {
        if (out) give_back(e.db);
        return e;
    }

    // Peaks along increasing frequency (a two-sided grid is read from -fs/2 up).
    const std::size_t shift = onesided ? 0 : (static_cast<std::size_t>(grid) + 1) / 2;
    auto index = [&](std::size_t i) { return shift == 0 ? i : (i + shift) % nf; };
    std::vector<double> prom;
    // One-sided, the values are read in place: a plain array read keeps the scans simple.
    const double* in_order = db;
    const auto ranked = shift == 0 ? ranked_peaks(
                                         nf, [in_order](std::size_t i) { return in_order[i]; },
                                         p.peak_prominence_db, prom, in_order)
                                   : ranked_peaks(
                                         nf, [&](std::size_t i) { return db[index(i)]; },
                                         p.peak_prominence_db, prom);
    for (std::size_t i = 0; i < ranked.size() && i < kMaxPeaks; ++i) {
        const std::size_t at = index(ranked[i]);
        const int signed_k = onesided || 2 * at < static_cast<std::size_t>(grid)
                                 ? static_cast<int>(at)
                                 : static_cast<int>(at) - grid;
        e.peaks.push_back({signed_k * fs / grid, density(at), prom[i]});
    }
    if (out) give_back(e.db); // the caller's array holds them, or the caller wants none
    return e;
}

ModernEstimate estimate_with(const ModernParams& params, const Samples64& samples,
                             const EstimateOptions& options, ModernGridArrays* out) {
    try {
        auto c = std::make_unique<RunContext>();
        ActiveRun active(*c);
        c->pause_after_peaks = false;
        c->report.open_memory();
        try {
            ModernEstimate e = run(params, samples, options, out);
            c->report.close();
            if (options.want_report) e.report = c->report.text();
            return e;
        } catch (const BadInput& b) {
            return failure(EstimateStatus::invalid_input, b.text);
        } catch (const RunStopped& s) {
            std::string m = s.text();
            while (!m.empty() && m.front() == ' ') m.erase(m.begin());
            if (!c->explanation.empty()) m += " (" + c->explanation + ")";
            return failure(s.kind() == StopKind::resource ? EstimateStatus::stopped
                                                          : EstimateStatus::invalid_input,
                           m);
        }
    } catch (const std::bad_alloc&) {
        return failure(EstimateStatus::stopped, "Out of memory");
    } catch (const std::exception& e) {
        return failure(EstimateStatus::stopped, std::string("Internal error: ") + e.what());
    } catch (...) {
        return failure(EstimateStatus::stopped, "Internal error");
    }
}

} // namespace

ModernEstimate estimate(const ModernParams& params, const Samples64& samples,
                        const EstimateOptions& options) {
    return estimate_with(params, samples, options, nullptr);
}

ModernEstimate estimate_into(const ModernParams& params, const Samples64& samples,
                             const EstimateOptions& options, ModernGridArrays& grid) {
    grid.count = 0;
    return estimate_with(params, samples, options, &grid);
}

long long estimate_capacity(const ModernParams& params, long long n, std::string* message) {
    try {
        const record::MethodInfo* info = record::method_info(params.method);
        if (!info)
            bad("method " + std::to_string(params.method) + " is not a method number (1..14)");
        const Settings st = settle(params, *info, n);
        return st.nfft + 1;
    } catch (const BadInput& b) {
        if (message) *message = b.text;
        return 0;
    }
}

} // namespace specest

namespace specest {
namespace {

// The scipy window a job's window name stands for.
std::string scipy_window(std::string name) {
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.rfind("Rectang", 0) == 0 || name.empty() || name[0] == 'N') return "boxcar";
    if (name == "Barlett") return "bartlett";
    if (name == "Hanning") return "hann";
    if (name == "Hamming") return "hamming";
    if (name == "Blackman") return "blackman";
    return name; // refused by the window table, naming it
}

} // namespace

ModernEstimate run_job_file_modern(std::string_view job_path, const EstimateOptions& options) {
    try {
        std::array<std::string, record::kJobLines> values;
        std::string why;
        if (!read_job(job_path, values, why)) return failure(EstimateStatus::invalid_input, why);
        std::vector<double> real;
        std::vector<cdouble> cplx;
        ModernParams mp;
        SeriesRead series;
        std::string job_report; // the job reader's lines, the start of the run's report
        {
            auto c = std::make_unique<RunContext>();
            ActiveRun active(*c);
            c->job_path.assign(job_path);
            c->pause_after_peaks = false;
            c->report.open_memory();
            try {
                int npts = 0, npoints = 0;
                spec_info(job_path, 6, npts, npoints);
                const JobParams& jp = c->job;
                const auto n = static_cast<std::size_t>(std::max(npts, 0));
                std::vector<float> x(n + 1), y(n + 1);
                std::vector<cfloat> amp(n + 1);
                series = read_records(c->data, jp, npts, c->record_times, Vec1<float>(x),
                                      Vec1<float>(y), Vec1<cfloat>(amp));
                c->data.close();
                c->report.close();
                job_report = c->report.text();
                const auto count = static_cast<std::size_t>(series.count);
                if (jp.itype == 1)
                    real.assign(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(count));
                else
                    cplx.assign(amp.begin(), amp.begin() + static_cast<std::ptrdiff_t>(count));
                mp.method = jp.method;
                mp.complex_data = jp.itype != 1;
                mp.onesided = jp.neg_freq != 1;
                // The job's own point count, not rounded: the modern grid takes it as it is.
                int raw = 0;
                mp.nfft =
                    free_form::to_int(
                        values[static_cast<std::size_t>(record::line(record::Field::npoints) - 1)],
                        raw)
                        ? raw
                        : npoints;
                mp.window = scipy_window(jp.window_name);
                auto given = [](int v) { return v == record::kNotApplicableInt ? -999 : v; };
                mp.order = given(jp.npoles);
                mp.zeros = given(jp.nzeros);
                mp.eps = jp.eps == record::kNotApplicableReal ? -999.0 : jp.eps;
                mp.mode = given(jp.mode);
                mp.m_eqs = given(jp.m_eqs);
                mp.l_pts = given(jp.l_pts);
                mp.m_lags = given(jp.m_lags);
                mp.nit = given(jp.nit);
                mp.per = jp.per == record::kNotApplicableReal ? -999.0 : jp.per;
            } catch (const RunStopped& s) {
                std::string m = s.text();
                while (!m.empty() && m.front() == ' ') m.erase(m.begin());
                if (!c->explanation.empty()) m += " (" + c->explanation + ")";
                return failure(EstimateStatus::invalid_input, m);
            }
        }
        if (series.count >= 2) {
            const double span = series.last_time - series.first_time;
            mp.fs = span > 0 ? (series.count - 1) / span : 0.0;
            if (!(mp.fs > 0) || !std::isfinite(mp.fs))
                return failure(EstimateStatus::invalid_input,
                               "Job file " + std::string(job_path) +
                                   ": the data's time values give no sampling frequency");
        }
        Samples64 s;
        s.real = real;
        s.complex = cplx;
        ModernEstimate e = estimate(mp, s, options);
        if (options.want_report) {
            // The reader's trace, what the estimator wrote, and the modern result in brief.
            std::string summary = "\n Modern profile: nfft = " + std::to_string(e.nfft) +
                                  ", fs = " + std::to_string(mp.fs) + " Hz, window " +
                                  (mp.window.empty() ? std::string("boxcar") : mp.window) +
                                  ", mean removed, " + (e.onesided ? "one" : "two") +
                                  "-sided density\n";
            if (e.status == EstimateStatus::success) {
                summary += " sig2 = " + std::to_string(e.sig2) + "\n Peaks by prominence:\n";
                for (const ModernPeak& pk : e.peaks)
                    summary += "   f = " + std::to_string(pk.freq) + " Hz  " +
                               std::to_string(10.0 * std::log10(std::max(pk.density, DBL_MIN))) +
                               " dB/Hz  prominence " + std::to_string(pk.prominence_db) + " dB\n";
            } else {
                summary += " " + e.message + "\n";
            }
            e.report = job_report + e.report + summary;
        }
        return e;
    } catch (const std::bad_alloc&) {
        return failure(EstimateStatus::stopped, "Out of memory");
    } catch (...) {
        return failure(EstimateStatus::stopped, "Internal error");
    }
}

} // namespace specest
