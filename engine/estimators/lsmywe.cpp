// Least-squares modified Yule-Walker ARMA: the AR part from M - iq correlation equations at
// lags iq+1..M through the normal equations, the MA part by Durbin's method as in MYWE.
#include "estimators.h"

#include "arma_filters.h"
#include "cholesky.h"
#include "complex_ops.h"
#include "correlation.h"
#include "estimator_context.h"
#include "job_params.h"
#include "work_array.h"

#include <algorithm>

namespace specest {

template <class R>
void lsmywe(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& iq, int& m, R& eps,
            Vec1<cx<R>> b, R& sig2, int& iflag, int& npoints) {
    const char* abort_line = " Aborting LSMYWE due to Allocation error #: ";
    const char* stop_text = "Allocate error in LSMYWE routine";
    int lag = m + 1;
    auto r_buf =
        work_array<cx<R>>(static_cast<std::size_t>(std::max(npoints, lag)), abort_line, stop_text);
    auto y_buf =
        work_array<cx<R>>(static_cast<std::size_t>(std::max(npoints, n)), abort_line, stop_text);
    Vec1<cx<R>> rxx(r_buf), y(y_buf);
    auto r = [&](int k) { return k >= 0 ? rxx(k + 1) : std::conj(rxx(-k + 1)); };

    correlation(n, lag, 0, x, x, rxx);

    // Equation matrix R(i,j) = r(iq+i-j): M - iq rows, whatever M the job admits.
    const int rows = std::max(m - iq, 0);
    auto eq_buf = work_array<cdouble>(static_cast<std::size_t>(rows) * std::max(ip, 1) + 1,
                                      abort_line, stop_text);
    Mat1<cdouble> eq(eq_buf.data(), std::max(rows, 1), std::max(ip, 1));
    for (int j = 1; j <= ip; ++j)
        for (int i = 1; i <= rows; ++i) eq(i, j) = wide(r(iq + i - j));

    Vec1<cx<R>> hc = ctx.work.hc(), theta = ctx.work.theta();
    int l = 0;
    for (int j = 1; j <= ip; ++j) {
        const cdouble* rj = &eq(1, j);
        for (int k = 1; k <= j; ++k) {
            const cdouble* rk = &eq(1, k);
            double sr = 0.0, si = 0.0; // conj(R(i,k)) R(i,j), summed over i in order
            for (int i = 0; i < rows; ++i) {
                sr += rk[i].real() * rj[i].real() + rk[i].imag() * rj[i].imag();
                si += rk[i].real() * rj[i].imag() - rk[i].imag() * rj[i].real();
            }
            hc(++l) = {static_cast<R>(sr), static_cast<R>(si)};
        }
    }
    for (int k = 1; k <= ip; ++k) {
        const cdouble* rk = &eq(1, k);
        double sr = 0.0, si = 0.0;
        for (int i = 0; i < rows; ++i) {
            const cdouble v = wide(r(iq + i + 1));
            sr += rk[i].real() * v.real() + rk[i].imag() * v.imag();
            si += rk[i].real() * v.imag() - rk[i].imag() * v.real();
        }
        theta(k) = {static_cast<R>(-sr), static_cast<R>(-si)};
    }

    iflag = 0;
    // The solver does not test its first pivot; a zero one would fill the AR part with 0/0.
    if (ip > 0 && !(hc(1).real() > 0.0f)) {
        ctx.report.list(" LSMYWE: the correlations at lags", iq, "to", m - 1,
                        "are all zero; the equations do not determine the AR part.");
        iflag = -1;
        return;
    }
    if (ip > 0) cholesky(ctx, ip, eps, iflag);
    if (iflag == -1) return;
    czerofilt(x, n, ip, theta, y);
    int big_l = n / 5;
    durbin(ctx, y, n, iq, big_l, b, sig2, npoints);
    if (ctx.job.iflag != 0) iflag = ctx.job.iflag;
}

template void lsmywe<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, int& n, int& ip,
                            int& iq, int& m, float& eps, Vec1<cx<float>> b, float& sig2, int& iflag,
                            int& npoints);
template void lsmywe<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, int& n,
                             int& ip, int& iq, int& m, double& eps, Vec1<cx<double>> b,
                             double& sig2, int& iflag, int& npoints);

} // namespace specest
