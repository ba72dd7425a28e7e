#include "variance.h"

#include "complex_ops.h"
#include "estimator_context.h"
#include "fft.h"
#include "job_params.h"
#include "stop.h"
#include "work_array.h"

#include <cmath>
#include <string>

namespace specest {

template <class R>
void varm(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, const int& n, Vec1<cx<R>> a, const int& ip,
          const int& iq, const int& nexp, R& sig2, const int& npoints) {
    const char* abort_line = " Aborting VARM due to Allocation error #: ";
    const char* stop_text = "Allocate error in MAYNEFIR's VARM routine";
    auto abuf = work_array<cx<R>>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    auto bbuf = work_array<cx<R>>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    Vec1<cx<R>> aa_mayn(abuf), bb_mayn(bbuf);
    Vec1<cx<R>> bc = ctx.work.bc();

    if (nexp < 0 || nexp > 30 || transform_length(ctx, nexp) > npoints ||
        transform_length(ctx, nexp) > x.size()) {
        Report& r = ctx.report;
        r.blanks(2);
        r.line(Line()
                   .x(9)
                   .a("VARM: transform length 2**")
                   .i(nexp, 3)
                   .a(" exceeds the work arrays of")
                   .i(npoints, 9));
        r.blanks(2);
        stop(" VARM: transform length out of range");
    }
    const int m = transform_length(ctx, nexp);
    aa_mayn(1) = {1.0f, 0.0f};
    bb_mayn(1) = {1.0f, 0.0f};
    for (int i = n + 1; i <= m; ++i) x(i) = cx<R>();
    for (int i = 2; i <= m; ++i) {
        aa_mayn(i) = i <= ip + 1 ? a(i - 1) : cx<R>();
        bb_mayn(i) = i <= iq + 1 ? bc(i - 1) : cx<R>();
    }
    transform(ctx, x, nexp, 1, npoints);
    transform(ctx, aa_mayn, nexp, 1, npoints);
    transform(ctx, bb_mayn, nexp, 1, npoints);

    R sum = 0.0f;
    for (int k = 1; k <= m; ++k)
        sum = static_cast<R>(sum + abs2(x(k)) * abs2(aa_mayn(k)) / abs2(bb_mayn(k)));
    sum = static_cast<R>(sum / (static_cast<double>(n) * m));
    if (!std::isfinite(sum)) {
        Report& r = ctx.report;
        r.blanks(2);
        r.line(Line().rep('-', 72));
        r.line(Line().x(9).a("VARM: the noise variance estimate is not finite:"));
        r.line(Line().x(9).a("the MA polynomial B(z) has a zero on (or next to) a transform"));
        r.line(Line().x(9).a("frequency, where the residual filter A/B is unbounded."));
        r.line(Line().rep('-', 72));
        r.blanks(2);
        ctx.job.iflag = kVarmNotFiniteFlag;
        sig2 = 0.0f;
        return;
    }
    sig2 = sum;
}

template void varm<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, const int& n,
                          Vec1<cx<float>> a, const int& ip, const int& iq, const int& nexp,
                          float& sig2, const int& npoints);
template void varm<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, const int& n,
                           Vec1<cx<double>> a, const int& ip, const int& iq, const int& nexp,
                           double& sig2, const int& npoints);

} // namespace specest
