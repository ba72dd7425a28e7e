#include "model_spectrum.h"

#include "complex_ops.h"
#include "estimator_context.h"
#include "fft.h"
#include "work_array.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace specest {
namespace {

template <class R>
void polynomial_transform(const EstimatorContext<R>& ctx, Vec1<cx<R>> out, int order,
                          Vec1<cx<R>> coef, int nexp, int npoints) {
    const int n = transform_length(ctx, nexp);
    out(1) = cx<R>(1.0f, 0.0f);
    for (int k = 1; k <= order && k + 1 <= n; ++k) out(k + 1) = coef(k);
    for (int k = order + 2; k <= n; ++k) out(k) = cx<R>();
    transform(ctx, out, nexp, 1, npoints);
}

} // namespace

template <class R>
void armapsd(const EstimatorContext<R>& ctx, int ip, int iq, Vec1<cx<R>> a, Vec1<cx<R>> b, R sig2,
             int nexp, Vec1<R> psd, int npoints) {
    const char* abort_line = " Aborting ARMAPSD due to Allocation error #: ";
    const char* stop_text = "Allocate error in ARMAPSD routine";
    auto den_buf = work_array<cx<R>>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    auto num_buf = work_array<cx<R>>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    auto p_buf = work_array<R>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    Vec1<cx<R>> den(den_buf), xnum(num_buf);
    Vec1<R> p(p_buf);
    const int n = transform_length(ctx, nexp);
    if (ip != 0) polynomial_transform(ctx, den, ip, a, nexp, npoints);
    if (iq != 0) polynomial_transform(ctx, xnum, iq, b, nexp, npoints);

    int clamped = 0;
    for (int i = 1; i <= n; ++i) {
        double v;
        if (ip != 0 && iq != 0)
            v = sig2 * abs2(xnum(i)) / abs2(den(i));
        else if (iq == 0 && ip != 0)
            v = sig2 / abs2(den(i));
        else if (ip == 0 && iq != 0)
            v = sig2 * abs2(xnum(i));
        else
            v = sig2; // no poles and no zeros: white noise
        // A zero of A(z) on the grid, or a value beyond single precision, is held at the
        // largest R rather than passed on as infinity.
        constexpr double kMax = std::numeric_limits<R>::max();
        if (!(std::fabs(v) <= kMax)) {
            v = std::isnan(v) ? 0.0 : (v < 0 ? -kMax : kMax);
            ++clamped;
        }
        p(i) = static_cast<R>(v);
    }
    if (clamped > 0)
        ctx.report.list(" Note: model spectrum held at the largest single-precision value at",
                        clamped, "frequencies (a zero of A(z) on the grid).");
    if constexpr (!kClassic<R>) {
        for (int i = 1; i <= n; ++i) psd(i) = p(i);
        return;
    }
    const int half = n / 2;
    for (int i = 1; i <= half; ++i) {
        psd(half + i) = p(i);
        psd(i) = p(half + i);
    }
}

template void armapsd<float>(const EstimatorContext<float>& ctx, int ip, int iq, Vec1<cx<float>> a,
                             Vec1<cx<float>> b, float sig2, int nexp, Vec1<float> psd, int npoints);
template void armapsd<double>(const EstimatorContext<double>& ctx, int ip, int iq,
                              Vec1<cx<double>> a, Vec1<cx<double>> b, double sig2, int nexp,
                              Vec1<double> psd, int npoints);

} // namespace specest
