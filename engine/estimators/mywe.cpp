// Modified Yule-Walker ARMA: AR part from the correlation equations at lags iq+1..iq+ip
// (solved exactly by the Toeplitz solver), MA part by Durbin's method on the AR-filtered record.
#include "estimator_context.h"
#include "estimators.h"

#include "arma_filters.h"
#include "correlation.h"
#include "job_params.h"
#include "toeplitz.h"
#include "work_array.h"

#include <algorithm>

namespace specest {

template <class R>
void mywe(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& iq, R& eps,
          Vec1<cx<R>> a, Vec1<cx<R>> b, R& sig2, int& iflag, int& npoints) {
    const char* abort_line = " Aborting MYWE due to Allocation error #: ";
    const char* stop_text = "Allocate error in MYWE routine";
    int lag = ip + iq + 1;
    // ip + iq + 1 lags may exceed npoints when both orders approach the record length.
    auto r_buf =
        work_array<cx<R>>(static_cast<std::size_t>(std::max(npoints, lag)), abort_line, stop_text);
    auto y_buf =
        work_array<cx<R>>(static_cast<std::size_t>(std::max(npoints, n)), abort_line, stop_text);
    Vec1<cx<R>> rxx(r_buf), y(y_buf);

    correlation(n, lag, 0, x, x, rxx);
    toepeqn(ctx, rxx, ip, iq, eps, a, iflag);
    if (iflag == -1) return;
    czerofilt(x, n, ip, a, y);
    int l = n / 5;
    durbin(ctx, y, n, iq, l, b, sig2, npoints);
    if (ctx.job.iflag != 0) iflag = ctx.job.iflag;
}

template void mywe<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, int& n, int& ip,
                          int& iq, float& eps, Vec1<cx<float>> a, Vec1<cx<float>> b, float& sig2,
                          int& iflag, int& npoints);
template void mywe<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, int& n, int& ip,
                           int& iq, double& eps, Vec1<cx<double>> a, Vec1<cx<double>> b,
                           double& sig2, int& iflag, int& npoints);

} // namespace specest
