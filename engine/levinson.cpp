#include "levinson.h"

#include "complex_ops.h"
#include "correlation.h"
#include "estimator_context.h"
#include "job_params.h"
#include "stop.h"
#include "work_array.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace specest {
namespace {

constexpr int kZeroPowerFlag = 3;

void zero_power_block(Report& r, int order) {
    r.blanks(2);
    r.line(Line().rep('-', 72));
    r.line(Line().x(9).a("Levinson recursion stopped at order").i(order, 4).a(":"));
    r.line(Line().x(9).a("the prediction-error power of the previous order is zero."));
    r.line(Line().x(9).a("The record has no power, or a model of lower order fits it exactly."));
    r.line(Line().rep('-', 72));
    r.blanks(2);
}

// What the classic limit on the Levinson order means for the job at hand.
std::string levinson_limit(const JobParams& jp, int ip) {
    std::string name = jp.method_name;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    const std::string limit = std::to_string(jp.maxorder);
    const std::string rule = " exceeds the classic limit of " + limit + " = min(nPoints, " +
                             std::to_string(kMaxOrder) + ")";
    const std::string modern = "; the modern profile has no such limit";
    using M = record::Method;
    const auto m = static_cast<M>(jp.method);
    if (m == M::mywe || m == M::lsmywe || m == M::akaike)
        return name + ": the long AR model of order npts/5 = " + std::to_string(ip) + rule +
               " (records up to " + std::to_string(5 * jp.maxorder + 4) +
               " samples at these settings)" + modern;
    if (m == M::durbin || m == M::mayne_firoozan)
        return name + ": the long AR model of order L_pts = " + std::to_string(ip) + rule + modern;
    return name + ": the AR order " + std::to_string(ip) + rule + modern;
}

template <class R> void check_levinson_order(const EstimatorContext<R>& ctx, int ip) {
    const JobParams& jp = ctx.job;
    if (ip > jp.maxorder) {
        Report& r = ctx.report;
        r.blanks(2);
        r.line(Line().rep('-', 72));
        r.line(Line().x(9).a("Aborting ... IP > Max_Order in Levinson"));
        r.line(Line().x(9).a("IP / Max_Order = ").i(ip, 6).i(jp.maxorder, 6));
        r.line(Line().rep('-', 72));
        r.blanks(2);
        ctx.explanation = levinson_limit(jp, ip);
        stop(" Levinson ... Label 710");
    }
}

} // namespace

template <class R>
bool levinson(const EstimatorContext<R>& ctx, Vec1<cx<R>> rxx, int ip, Vec1<cx<R>> a) {
    check_levinson_order(ctx, ip);
    Mat1<cx<R>> aa = ctx.work.aa();
    Vec1<R> rho = ctx.work.rho();
    if (ip < 1) return true;
    if (rxx(1).real() == 0.0f || std::isnan(rxx(1).real())) {
        zero_power_block(ctx.report, 1);
        return false;
    }
    aa(1, 1) = narrow_to<R>(cdiv(-wide(rxx(2)), wide(rxx(1))));
    rho(1) = static_cast<R>((1.0 - abs2(aa(1, 1))) * rxx(1).real());
    a(1) = aa(1, 1);
    if (ip == 1) return true;
    for (int k = 2; k <= ip; ++k) {
        if (rho(k - 1) == 0.0f || std::isnan(rho(k - 1))) {
            zero_power_block(ctx.report, k);
            return false;
        }
        cx<R> b_levi = -rxx(k + 1);
        for (int i = 1; i <= k - 1; ++i)
            b_levi = narrow_to<R>(wide(b_levi) - cmul(wide(aa(i, k - 1)), wide(rxx(k + 1 - i))));
        aa(k, k) = narrow_to<R>(wide(b_levi) / static_cast<double>(rho(k - 1)));
        for (int i = 1; i <= k - 1; ++i)
            aa(i, k) = narrow_to<R>(wide(aa(i, k - 1)) +
                                    cmul(wide(aa(k, k)), std::conj(wide(aa(k - i, k - 1)))));
        rho(k) = static_cast<R>((1.0 - abs2(aa(k, k))) * rho(k - 1));
    }
    for (int i = 1; i <= ip; ++i) a(i) = aa(i, ip);
    return true;
}

namespace {
// Yule-Walker from the lags lags(rxx) writes (Rxx(1..ip+1)).
template <class R, class Lags>
void autocorr_from(const EstimatorContext<R>& ctx, int ip, Vec1<cx<R>> a, R& sig2, int npoints,
                   Lags lags) {
    // The modern profile sizes it by the lags it holds.
    auto rbuf = work_array<cx<R>>(
        static_cast<std::size_t>(kClassic<R> ? npoints : std::max(ip, 0) + 1) + 1,
        " Aborting AutoCorr due to Allocation error #:", "Allocate error in AutoCorr routine");
    Vec1<cx<R>> rxx(rbuf);
    // An order past the Levinson limit gets Levinson's explanation before anything else.
    check_levinson_order(ctx, ip);
    if (ip + 1 > npoints + 1) stop(" AutoCorr: AR order exceeds the number of frequency points");
    lags(rxx);
    if (ip < 1) { // no poles: white noise at the record's power
        sig2 = rxx(1).real();
        return;
    }
    if (!levinson(ctx, rxx, ip, a)) {
        ctx.job.iflag = kZeroPowerFlag;
        return;
    }
    sig2 = ctx.work.rho()(ip);
}
} // namespace

template <class R>
void autocorr(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int n, int ip, Vec1<cx<R>> a, R& sig2,
              int npoints) {
    autocorr_from(ctx, ip, a, sig2, npoints,
                  [&](Vec1<cx<R>> rxx) { correlation(n, ip + 1, 1, x, x, rxx); });
}

void autocorr(const EstimatorContext<double>& ctx, const double* x, double mean, int n, int ip,
              Vec1<cdouble> a, double& sig2, int npoints) {
    autocorr_from(ctx, ip, a, sig2, npoints,
                  [&](Vec1<cdouble> rxx) { correlation(n, ip + 1, 1, x, mean, rxx); });
}

template bool levinson<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> rxx, int ip,
                              Vec1<cx<float>> a);
template bool levinson<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> rxx, int ip,
                               Vec1<cx<double>> a);
template void autocorr<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, int n, int ip,
                              Vec1<cx<float>> a, float& sig2, int npoints);
template void autocorr<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, int n,
                               int ip, Vec1<cx<double>> a, double& sig2, int npoints);

} // namespace specest
