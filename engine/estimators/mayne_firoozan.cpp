// Mayne-Firoozan ARMA: a long AR model estimates the innovations, a least-squares regression
// on the record's and the innovations' past gives A and B, and the regression is repeated on
// both sequences filtered by 1/B. The noise variance comes from the frequency-domain estimate.
#include "estimators.h"

#include "mayne_firoozan.h"

#include "arma_filters.h"
#include "cholesky.h"
#include "complex_ops.h"
#include "estimator_context.h"
#include "job_params.h"
#include "levinson.h"
#include "stepdown.h"
#include "stop.h"
#include "variance.h"
#include "work_array.h"

#include <algorithm>
#include <vector>

namespace specest {
namespace {

// sum_{t=t0..n} conj(u(t-du)) v(t-dv), in double precision, in order of t.
template <class R> cx<R> lagged_dot(const cx<R>* u, int du, const cx<R>* v, int dv, int n) {
    const int t0 = std::max(du, dv) + 1;
    double sr = 0.0, si = 0.0;
    const cx<R>* up = u - 1 - du; // up[t] = u(t - du)
    const cx<R>* vp = v - 1 - dv;
    for (int t = t0; t <= n; ++t) {
        const double ur = up[t].real(), ui = up[t].imag();
        const double vr = vp[t].real(), vi = vp[t].imag();
        sr += ur * vr + ui * vi;
        si += ur * vi - ui * vr;
    }
    return {static_cast<R>(sr), static_cast<R>(si)};
}

} // namespace

template <class R>
void ls(const EstimatorContext<R>& ctx, Vec1<cx<R>> y, Vec1<cx<R>> z, Vec1<cx<R>> yz, int n, int ip,
        int iq, R eps, Vec1<cx<R>> a, int& iflag) {
    const int m0 = ip + iq;
    if (n >= 1) (void)y(n), (void)z(n), (void)yz(n);
    // Regressor k is y delayed by k (k <= ip) or z delayed by k - ip.
    auto src = [&](int k) { return k <= ip ? y.data() : z.data(); };
    auto delay = [&](int k) { return k <= ip ? k : k - ip; };
    Vec1<cx<R>> hc = ctx.work.hc(), theta = ctx.work.theta(), bc = ctx.work.bc();
    int l = 0;
    for (int i = 1; i <= m0; ++i)
        for (int k = 1; k <= i; ++k) hc(++l) = lagged_dot(src(k), delay(k), src(i), delay(i), n);
    for (int i = 1; i <= m0; ++i) theta(i) = lagged_dot(src(i), delay(i), yz.data(), 0, n);
    iflag = 0;
    if (m0 > 0) cholesky(ctx, m0, eps, iflag);
    for (int k = 1; k <= ip; ++k) a(k) = -theta(k);
    for (int m = 1; m <= iq; ++m) bc(m) = theta(ip + m);
}

template <class R>
void maynefir(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& iq, int& l,
              R& eps, int& nexp, Vec1<cx<R>> a, R& sig2, int& iflag, int& npoints) {
    if (l < 1) {
        Report& r = ctx.report;
        r.blanks(2);
        r.line(Line().x(9).a("MAYNEFIR needs a long AR model of order L >= 1: L_pts =").i(l, 6));
        r.blanks(2);
        stop(" L_PTS parameter out of range");
    }
    const char* abort_line = " Aborting MAYNEFIR due to Allocation error #:";
    const char* stop_text = "Allocate error in MAYNEFIR routine";
    const auto len = static_cast<std::size_t>(std::max(npoints, n));
    auto u_buf = work_array<cx<R>>(len, abort_line, stop_text);
    auto y_buf = work_array<cx<R>>(len, abort_line, stop_text);
    auto z_buf = work_array<cx<R>>(len, abort_line, stop_text);
    auto yz_buf = work_array<cx<R>>(len, abort_line, stop_text);
    Vec1<cx<R>> u(u_buf), y(y_buf), z(z_buf), yz(yz_buf);
    iflag = 0;

    autocorr(ctx, x, n, l, a, sig2, npoints);
    if (ctx.job.iflag != 0) { // the long model failed; autocorr has explained why
        iflag = ctx.job.iflag;
        return;
    }
    czerofilt(x, n, l, a, u);

    ls(ctx, x, u, x, n, ip, iq, eps, a, iflag);
    if (iflag == -1) return;

    if (min_phase_failure<R>(ctx, iq) != 0) {
        iflag = 1;
        return;
    }
    Vec1<cx<R>> bc = ctx.work.bc();
    cpolefilt(x, n, bc, iq, y);
    cpolefilt(u, n, bc, iq, z);
    for (int t = 1; t <= n; ++t) yz(t) = narrow_to<R>(wide(y(t)) - wide(z(t)));

    ls(ctx, y, z, yz, n, ip, iq, eps, a, iflag);
    if (iflag == -1) return;

    varm(ctx, x, n, a, ip, iq, nexp, sig2, npoints);
    if (ctx.job.iflag != 0) iflag = ctx.job.iflag;
}

template void ls<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> y, Vec1<cx<float>> z,
                        Vec1<cx<float>> yz, int n, int ip, int iq, float eps, Vec1<cx<float>> a,
                        int& iflag);
template void ls<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> y,
                         Vec1<cx<double>> z, Vec1<cx<double>> yz, int n, int ip, int iq, double eps,
                         Vec1<cx<double>> a, int& iflag);
template void maynefir<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, int& n,
                              int& ip, int& iq, int& l, float& eps, int& nexp, Vec1<cx<float>> a,
                              float& sig2, int& iflag, int& npoints);
template void maynefir<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, int& n,
                               int& ip, int& iq, int& l, double& eps, int& nexp, Vec1<cx<double>> a,
                               double& sig2, int& iflag, int& npoints);

} // namespace specest
