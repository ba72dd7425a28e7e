// Akaike's maximum-likelihood ARMA refinement of a real record: Gauss-Newton steps on
// sum e^2, e = (A/B) x, keeping the MA polynomial minimum-phase.
#include "estimators.h"

#include "akaike.h"
#include "arma_filters.h"
#include "arma_likelihood.h"
#include "cholesky.h"
#include "estimator_context.h"
#include "stepdown.h"
#include "work_array.h"

#include <array>
#include <cmath>

namespace specest {

namespace {

// No relative change can be formed from a zero (or unusable) previous variance.
template <class R> bool unusable_variance(Report& r, R sig2p, int& iflag) {
    if (sig2p != 0.0f && std::isfinite(sig2p)) return false;
    r.blank();
    r.list(" AKAIKE: the innovation variance of the previous model is", sig2p);
    r.list(" (the record is all zeros, or the model fits it exactly), so the change");
    r.list(" between iterations cannot be measured; the iteration is stopped.");
    iflag = kAkaikeZeroVariance;
    return true;
}

} // namespace

template <class R>
void chkdn(const EstimatorContext<R>& ctx, R sig2p, int n, Vec1<R> x, Vec1<R> a, Vec1<R> b, int ip,
           int iq, R per, R& sig2, int& iflag, Vec1<R> e, Vec1<R> y) {
    var(x, n, ip, iq, a, b, sig2, e, y);
    if (unusable_variance(ctx.report, sig2p, iflag)) return;
    const R err = static_cast<R>((static_cast<double>(sig2) - sig2p) * 100.0 / sig2p);
    if (std::fabs(err) < per) iflag = 0;
}

template <class R>
void akaike(const EstimatorContext<R>& ctx, Vec1<R> x, int& n, Vec1<R> a0, Vec1<R> b0, int& ip,
            int& iq, int& nit, R& eps, R& per, R& sig2, int& iflag, int& npoints) {
    const char* abort_line = " Aborting AKAIKE due to Allocation error #: ";
    const char* stop_text = "Allocate error in AKAIKE routine";
    const auto len = static_cast<std::size_t>(npoints > n ? npoints : n);
    auto y_buf = work_array<R>(len, abort_line, stop_text);
    auto y1_buf = work_array<R>(len, abort_line, stop_text);
    auto z_buf = work_array<R>(len, abort_line, stop_text);
    Vec1<R> y(y_buf), y1(y1_buf), z(z_buf);
    std::array<R, 211> ry_s{}, rz_s{}, ryz_s{}, rzy_s{};
    Vec1<R> ry(ry_s.data(), 211), rz(rz_s.data(), 211), ryz(ryz_s.data(), 211),
        rzy(rzy_s.data(), 211);
    Vec1<cx<R>> theta = ctx.work.theta(), hc = ctx.work.hc(), bc = ctx.work.bc();
    Vec1<R> bv = ctx.work.bv();
    Mat1<R> hess = ctx.work.hess();
    const int m = ip + iq;

    R sig2p = 0.0f;
    var(x, n, ip, iq, a0, b0, sig2p, z, y);
    iflag = 3;
    if (nit < 1) // status 3 has no message of its own in the driver
        ctx.report.list(" AKAIKE: no iteration was run: nit =", nit, "(at least 1 is needed).");
    // Checked before the first step too: a Newton step on a record with no residual power
    // divides by zero.
    if (nit >= 1 && unusable_variance(ctx.report, sig2p, iflag)) return;
    for (int it = 1; it <= nit; ++it) {
        ctx.akaike_iterations = it;
        polefilt(x, n, iq, b0, y);
        polefilt(y, n, iq, b0, y1);
        zerofilt(y1, n, ip, a0, z);

        corrcomp(n, y, z, ip, iq, ry, rz, ryz, rzy);
        gradient(a0, b0, ip, iq, ry, rz, ctx.work.grad());
        hessian(ctx, ip, iq, ry, rz, ryz, rzy);
        bvect(ctx, a0, b0, ip, iq);

        int l = 0;
        for (int i = 1; i <= m; ++i) {
            theta(i) = cx<R>(bv(i), 0.0f);
            for (int k = 1; k <= i; ++k) hc(++l) = cx<R>(hess(k, i), 0.0f);
        }
        cholesky(ctx, m, eps, iflag);
        if (iflag == -1) break;
        iflag = 3;

        for (int k = 1; k <= iq; ++k) bc(k) = theta(ip + k);
        const int bad = min_phase_failure<R>(ctx, iq);
        if (bad != 0) {
            ctx.report.list(" Failed min-phase test ... i/aa(i,i)=", bad,
                            std::abs(ctx.work.aa()(bad, bad)));
            iflag = 1;
            break;
        }

        for (int k = 1; k <= ip; ++k) a0(k) = theta(k).real();
        for (int k = 1; k <= iq; ++k) b0(k) = theta(ip + k).real();

        chkdn(ctx, sig2p, n, x, a0, b0, ip, iq, per, sig2, iflag, z, y);
        if (iflag == 0 || iflag == kAkaikeZeroVariance) break;
        if (it >= nit) {
            iflag = 2;
            break;
        }
        sig2p = sig2;
    }
}

template void chkdn<float>(const EstimatorContext<float>& ctx, float sig2p, int n, Vec1<float> x,
                           Vec1<float> a, Vec1<float> b, int ip, int iq, float per, float& sig2,
                           int& iflag, Vec1<float> e, Vec1<float> y);
template void chkdn<double>(const EstimatorContext<double>& ctx, double sig2p, int n,
                            Vec1<double> x, Vec1<double> a, Vec1<double> b, int ip, int iq,
                            double per, double& sig2, int& iflag, Vec1<double> e, Vec1<double> y);
template void akaike<float>(const EstimatorContext<float>& ctx, Vec1<float> x, int& n,
                            Vec1<float> a0, Vec1<float> b0, int& ip, int& iq, int& nit, float& eps,
                            float& per, float& sig2, int& iflag, int& npoints);
template void akaike<double>(const EstimatorContext<double>& ctx, Vec1<double> x, int& n,
                             Vec1<double> a0, Vec1<double> b0, int& ip, int& iq, int& nit,
                             double& eps, double& per, double& sig2, int& iflag, int& npoints);

} // namespace specest
