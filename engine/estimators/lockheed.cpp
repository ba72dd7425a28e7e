// Lockheed ARMA: Yule-Walker AR part, Burg fit as the MA part, noise variance from varm.
#include "estimators.h"

#include "estimator_context.h"
#include "job_params.h"
#include "levinson.h"
#include "variance.h"

namespace specest {

template <class R>
void lockheed(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& iq,
              Vec1<cx<R>> a, Vec1<cx<R>> b, int& nexp, R& sig2, int& npoints) {
    // With no poles and no zeros the autocorrelation method's order 0 gives the record's
    // power, so sig2 is never left from an earlier run.
    if (ip > 0 || iq == 0) autocorr(ctx, x, n, ip, a, sig2, npoints);
    if (ctx.job.iflag != 0) return;
    if (iq > 0) burg(ctx, x, n, iq, b, sig2, npoints);
    if (ctx.job.iflag != 0) return;
    if (ip * iq != 0) {
        Vec1<cx<R>> bc = ctx.work.bc();
        for (int i = 1; i <= iq; ++i) bc(i) = b(i);
        varm(ctx, x, n, a, ip, iq, nexp, sig2, npoints);
    }
}

template void lockheed<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, int& n,
                              int& ip, int& iq, Vec1<cx<float>> a, Vec1<cx<float>> b, int& nexp,
                              float& sig2, int& npoints);
template void lockheed<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, int& n,
                               int& ip, int& iq, Vec1<cx<double>> a, Vec1<cx<double>> b, int& nexp,
                               double& sig2, int& npoints);

} // namespace specest
