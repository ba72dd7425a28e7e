#include "cholesky.h"

#include "complex_ops.h"
#include "estimator_context.h"
#include "stop.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace specest {
namespace {

template <class R> void pivot_diagnostic(const EstimatorContext<R>& ctx, int i, int l) {
    Report& r = ctx.report;
    Vec1<cx<R>> hc = ctx.work.hc();
    r.blank();
    r.line(Line().a(" Error in CHOLESKY: I = ").i(i, 5).a("  L = ").i(l, 5));
    const int last = std::min(l + 2, hc.size());
    for (int k = std::max(1, i - 2); k <= last; ++k)
        r.line(Line()
                   .a(" hc(")
                   .i(k, 5)
                   .a(") = ")
                   .pe(hc(k).real(), 12, 4)
                   .x(3)
                   .pe(hc(k).imag(), 12, 4));
}

} // namespace

template <class R>
void cholesky_factor(const EstimatorContext<R>& ctx, const int& n, const R& eps, int& iflag) {
    Vec1<cx<R>> hc = ctx.work.hc();
    Mat1<cx<R>> xl = ctx.work.xl();
    const int cap = ctx.work.capacity();
    Vec1<R> d = ctx.work.pivots(); // read again by cholesky_solve
    iflag = 0;
    if (n > cap) {
        Report& r = ctx.report;
        r.blanks(2);
        r.line(
            Line().x(9).a("CHOLESKY: system order").i(n, 6).a(" exceeds the capacity").i(cap, 6));
        r.blanks(2);
        stop(" CHOLESKY: system order out of range");
    }
    if (n < 1) return;
    int l = 1;
    d(1) = hc(1).real();
    for (int i = 2; i <= n; ++i) {
        for (int j = 1; j <= i - 1; ++j) {
            ++l;
            cdouble sum = std::conj(wide(hc(l)));
            for (int k = 1; k <= j - 1; ++k)
                sum -= cmul(wide(xl(i, k)) * static_cast<double>(d(k)), std::conj(wide(xl(j, k))));
            xl(i, j) = narrow_to<R>(sum / static_cast<double>(d(j)));
        }
        ++l;
        double temp = hc(l).real();
        for (int k = 1; k <= i - 1; ++k) temp -= static_cast<double>(d(k)) * abs2(xl(i, k));
        d(i) = static_cast<R>(temp);
        if (!(d(i) > eps)) { // a NaN pivot fails too
            iflag = -1;
            pivot_diagnostic(ctx, i, l);
            return;
        }
    }
}

template <class R> void cholesky_solve(const EstimatorContext<R>& ctx, const int& n) {
    Vec1<cx<R>> theta = ctx.work.theta();
    Mat1<cx<R>> xl = ctx.work.xl();
    const int cap = ctx.work.capacity();
    Vec1<R> d = ctx.work.pivots();
    Vec1<cx<R>> y = ctx.work.forward();
    if (n < 1 || n > cap) return;
    y(1) = theta(1);
    for (int i = 2; i <= n; ++i) {
        cdouble sum = wide(theta(i));
        for (int k = 1; k <= i - 1; ++k) sum -= cmul(wide(xl(i, k)), wide(y(k)));
        y(i) = narrow_to<R>(sum);
    }
    theta(n) = narrow_to<R>(wide(y(n)) / static_cast<double>(d(n)));
    for (int i = n - 1; i >= 1; --i) {
        cdouble sum = wide(y(i)) / static_cast<double>(d(i));
        for (int k = i + 1; k <= n; ++k) sum -= cmul(std::conj(wide(xl(k, i))), wide(theta(k)));
        theta(i) = narrow_to<R>(sum);
    }
}

template <class R>
void cholesky(const EstimatorContext<R>& ctx, const int& n, const R& eps, int& iflag) {
    cholesky_factor(ctx, n, eps, iflag);
    if (iflag != 0) return;
    cholesky_solve<R>(ctx, n);
}

template void cholesky<float>(const EstimatorContext<float>& ctx, const int& n, const float& eps,
                              int& iflag);
template void cholesky<double>(const EstimatorContext<double>& ctx, const int& n, const double& eps,
                               int& iflag);
template void cholesky_factor<float>(const EstimatorContext<float>& ctx, const int& n,
                                     const float& eps, int& iflag);
template void cholesky_factor<double>(const EstimatorContext<double>& ctx, const int& n,
                                      const double& eps, int& iflag);
template void cholesky_solve<float>(const EstimatorContext<float>& ctx, const int& n);
template void cholesky_solve<double>(const EstimatorContext<double>& ctx, const int& n);

} // namespace specest
