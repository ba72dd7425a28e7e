// Durbin's moving-average method: a long Yule-Walker AR model, then a Yule-Walker fit of
// order iq to the long model's coefficient sequence 1, a(1), ..., a(L).
#include "estimator_context.h"
#include "estimators.h"

#include "job_params.h"
#include "levinson.h"
#include "work_array.h"

#include <algorithm>

namespace specest {

template <class R>
void durbin(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& iq, int& l, Vec1<cx<R>> b,
            R& sig2, int& npoints) {
    // Sized for the order asked for: the job admits L up to maxorder.
    const int len = std::max(l, 0) + 1;
    const char* abort_line = " Aborting DURBIN due to Allocation error #:";
    const char* stop_text = "Allocate error in DURBIN routine";
    auto a_buf = work_array<cx<R>>(static_cast<std::size_t>(len), abort_line, stop_text);
    auto ap_buf = work_array<cx<R>>(static_cast<std::size_t>(len), abort_line, stop_text);
    Vec1<cx<R>> a(a_buf), ap(ap_buf);

    autocorr(ctx, x, n, l, a, sig2, npoints);
    if (ctx.job.iflag != 0) return; // the long model failed; autocorr has explained why

    int l1 = len;
    ap(1) = cx<R>(1.0f, 0.0f);
    for (int i = 2; i <= l1; ++i) ap(i) = a(i - 1);
    R discarded = 0.0f;
    autocorr(ctx, ap, l1, iq, b, discarded, npoints);
}

template void durbin<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, int& n, int& iq,
                            int& l, Vec1<cx<float>> b, float& sig2, int& npoints);
template void durbin<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, int& n,
                             int& iq, int& l, Vec1<cx<double>> b, double& sig2, int& npoints);

} // namespace specest
