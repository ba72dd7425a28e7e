#include "blackman_tukey.h"

#include "complex_ops.h"
#include "correlation.h"
#include "estimator_context.h"
#include "fft.h"
#include "simd/dispatch.h"
#include "simd/parallel.h"
#include "stop.h"
#include "work_array.h"

#include <cmath>
#include <vector>

namespace specest {
namespace {

// Longer transforms compute their factors afresh: a table of theirs would hold megabytes.
constexpr int kMaxTabulated = 1 << 16;

struct PhaseTable {
    int big_l = 0, m = -1;
    std::vector<double> c, s;
};

} // namespace

template <class R>
void blacktukey(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int n, int mode, Vec1<R> w, int m,
                int nexp, Vec1<R> pbt, int npoints) {
    const int big_l = transform_length(ctx, nexp);
    if (2 * m + 1 > big_l) {
        ctx.report.list(" Blackman-Tukey: 2*m_lags+1 =", 2 * m + 1, "exceeds nPoints =", big_l);
        stop(" M_Lags parameter out of range");
    }
    const char* abort_line = " Aborting BlackTuk due to Allocation error #:";
    const char* stop_text = "Allocate error in BlackTuk routine";
    auto rcorr_buf = work_array<cx<R>>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    auto rxx_buf = work_array<cx<R>>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    auto p_buf = work_array<R>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    Vec1<cx<R>> rcorr(rcorr_buf), rxx(rxx_buf);
    Vec1<R> p(p_buf);

    const R pi = 4.0f * std::atan(1.0f);
    const int m1 = m + 1;
    correlation(n, m + 1, mode, x, x, rcorr);
    rxx(m1) = w(m1) * rcorr(1);
    for (int i = 1; i <= m; ++i) {
        rxx(m1 + i) = w(m1 + i) * rcorr(i + 1);
        rxx(m1 - i) = w(m1 - i) * std::conj(rcorr(i + 1));
    }
    for (int i = 2 * m + 2; i <= big_l; ++i) rxx(i) = cx<R>();
    transform(ctx, rxx, nexp, 1, npoints);
    // Move the lag origin from index m+1 back to zero; only the real part is kept.
    auto phase = [&](int i, double& c, double& s) {
        const R f = static_cast<R>(i - 1) / static_cast<R>(big_l);
        const R arg = static_cast<R>(2.0 * static_cast<double>(pi) * f * m);
        c = std::cos(static_cast<double>(arg));
        s = std::sin(static_cast<double>(arg));
    };
    auto shift = [&](int i, double c, double s) {
        p(i) = static_cast<R>(static_cast<double>(rxx(i).real()) * c -
                              static_cast<double>(rxx(i).imag()) * s);
    };
    if (simd::force_scalar() || big_l > kMaxTabulated) {
        simd::for_range(1, big_l, 2 * simd::kTrigCost, [&](int lo, int hi) {
            for (int i = lo; i < hi; ++i) {
                double c = 0, s = 0;
                phase(i, c, s);
                shift(i, c, s);
            }
        });
    } else {
        // The factors depend on the length and the lag count only: the C library's cos and
        // sin are called once per point for all the runs of this thread that share them.
        thread_local PhaseTable table;
        PhaseTable& t = table; // the parts on other threads fill this thread's table
        if (t.big_l != big_l || t.m != m) {
            t.big_l = 0;
            t.c.resize(static_cast<std::size_t>(big_l));
            t.s.resize(t.c.size());
            simd::for_range(1, big_l, 2 * simd::kTrigCost, [&](int lo, int hi) {
                for (int i = lo; i < hi; ++i)
                    phase(i, t.c[static_cast<std::size_t>(i - 1)],
                          t.s[static_cast<std::size_t>(i - 1)]);
            });
            t.big_l = big_l;
            t.m = m;
        }
        for (int i = 1; i <= big_l; ++i)
            shift(i, t.c[static_cast<std::size_t>(i - 1)], t.s[static_cast<std::size_t>(i - 1)]);
    }
    if constexpr (!kClassic<R>) {
        for (int i = 1; i <= big_l; ++i) pbt(i) = p(i);
        return;
    }
    const int half = big_l / 2;
    for (int i = 1; i <= half; ++i) {
        pbt(half + i) = p(i);
        pbt(i) = p(half + i);
    }
}

template void blacktukey<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, int n,
                                int mode, Vec1<float> w, int m, int nexp, Vec1<float> pbt,
                                int npoints);
template void blacktukey<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, int n,
                                 int mode, Vec1<double> w, int m, int nexp, Vec1<double> pbt,
                                 int npoints);

} // namespace specest
