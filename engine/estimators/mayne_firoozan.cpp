// Mayne-Firoozan ARMA: a long AR model estimates the innovations, a least-squares regression
// on the record's and the innovations' past gives A and B, and the regression is repeated on
// both sequences filtered by 1/B. The noise variance comes from the frequency-domain estimate.
#include "estimators.h"

#include "mayne_firoozan.h"

#include "arma_filters.h"
#include "cholesky.h"
#include "complex_ops.h"
#include "job_params.h"
#include "levinson.h"
#include "run_context.h"
#include "stepdown.h"
#include "stop.h"
#include "variance.h"
#include "work_area.h"
#include "work_array.h"

#include <algorithm>
#include <vector>

namespace specest {
namespace {

// sum_{t=t0..n} conj(u(t-du)) v(t-dv), in double precision, in order of t.
cfloat lagged_dot(const cfloat* u, int du, const cfloat* v, int dv, int n) {
    const int t0 = std::max(du, dv) + 1;
    double sr = 0.0, si = 0.0;
    const cfloat* up = u - 1 - du; // up[t] = u(t - du)
    const cfloat* vp = v - 1 - dv;
    for (int t = t0; t <= n; ++t) {
        const double ur = up[t].real(), ui = up[t].imag();
        const double vr = vp[t].real(), vi = vp[t].imag();
        sr += ur * vr + ui * vi;
        si += ur * vi - ui * vr;
    }
    return {static_cast<float>(sr), static_cast<float>(si)};
}

} // namespace

void ls(Vec1<cfloat> y, Vec1<cfloat> z, Vec1<cfloat> yz, int n, int ip, int iq, float eps,
        Vec1<cfloat> a, int& iflag) {
    const int m0 = ip + iq;
    if (n >= 1) (void)y(n), (void)z(n), (void)yz(n);
    // Regressor k is y delayed by k (k <= ip) or z delayed by k - ip.
    auto src = [&](int k) { return k <= ip ? y.data() : z.data(); };
    auto delay = [&](int k) { return k <= ip ? k : k - ip; };
    Vec1<cfloat> hc = wa::hc(), theta = wa::theta(), bc = wa::bc();
    int l = 0;
    for (int i = 1; i <= m0; ++i)
        for (int k = 1; k <= i; ++k) hc(++l) = lagged_dot(src(k), delay(k), src(i), delay(i), n);
    for (int i = 1; i <= m0; ++i) theta(i) = lagged_dot(src(i), delay(i), yz.data(), 0, n);
    iflag = 0;
    if (m0 > 0) cholesky(m0, eps, iflag);
    for (int k = 1; k <= ip; ++k) a(k) = -theta(k);
    for (int m = 1; m <= iq; ++m) bc(m) = theta(ip + m);
}

void maynefir(Vec1<cfloat> x, int& n, int& ip, int& iq, int& l, float& eps, int& nexp,
              Vec1<cfloat> a, float& sig2, int& iflag, int& npoints) {
    if (l < 1) {
        Report& r = run_report();
        r.blanks(2);
        r.line(Line().x(9).a("MAYNEFIR needs a long AR model of order L >= 1: L_pts =").i(l, 6));
        r.blanks(2);
        stop(" L_PTS parameter out of range");
    }
    const char* abort_line = " Aborting MAYNEFIR due to Allocation error #:";
    const char* stop_text = "Allocate error in MAYNEFIR routine";
    const auto len = static_cast<std::size_t>(std::max(npoints, n));
    auto u_buf = work_array<cfloat>(len, abort_line, stop_text);
    auto y_buf = work_array<cfloat>(len, abort_line, stop_text);
    auto z_buf = work_array<cfloat>(len, abort_line, stop_text);
    auto yz_buf = work_array<cfloat>(len, abort_line, stop_text);
    Vec1<cfloat> u(u_buf), y(y_buf), z(z_buf), yz(yz_buf);
    iflag = 0;

    autocorr(x, n, l, a, sig2, npoints);
    if (job().iflag != 0) { // the long model failed; autocorr has explained why
        iflag = job().iflag;
        return;
    }
    czerofilt(x, n, l, a, u);

    ls(x, u, x, n, ip, iq, eps, a, iflag);
    if (iflag == -1) return;

    if (min_phase_failure(iq) != 0) {
        iflag = 1;
        return;
    }
    Vec1<cfloat> bc = wa::bc();
    cpolefilt(x, n, bc, iq, y);
    cpolefilt(u, n, bc, iq, z);
    for (int t = 1; t <= n; ++t) yz(t) = narrow(wide(y(t)) - wide(z(t)));

    ls(y, z, yz, n, ip, iq, eps, a, iflag);
    if (iflag == -1) return;

    varm(x, n, a, ip, iq, nexp, sig2, npoints);
    if (job().iflag != 0) iflag = job().iflag;
}

} // namespace specest
