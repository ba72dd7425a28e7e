#include "stepdown.h"

#include "complex_ops.h"
#include "estimator_context.h"

#include <cmath>

namespace specest {

template <class R> int stepdown(const EstimatorContext<R>& ctx, int iq, R sig2, R& rho0) {
    Mat1<cx<R>> aa = ctx.work.aa();
    Vec1<R> rho = ctx.work.rho();
    Vec1<cx<R>> bc = ctx.work.bc();
    for (int i = 1; i <= iq; ++i) aa(i, iq) = bc(i);
    rho(iq) = sig2;
    for (int k = iq; k >= 2; --k) {
        const R den = static_cast<R>(1.0 - abs2(aa(k, k)));
        // A unit reflection coefficient puts a zero on the unit circle; dividing by den would
        // only fill the lower orders with infinities.
        if (den == 0.0f || std::isnan(den)) return k;
        rho(k - 1) = rho(k) / den;
        for (int i = 1; i <= k - 1; ++i)
            aa(i, k - 1) = narrow_to<R>(
                (wide(aa(i, k)) - cmul(wide(aa(k, k)), std::conj(wide(aa(k - i, k))))) /
                static_cast<double>(den));
    }
    const R den1 = static_cast<R>(1.0 - abs2(aa(1, 1)));
    if (den1 == 0.0f || std::isnan(den1)) return 1;
    rho0 = rho(1) / den1;
    return 0;
}

template <class R> int min_phase_failure(const EstimatorContext<R>& ctx, int iq) {
    if (iq < 1) return 0;
    Mat1<cx<R>> aa = ctx.work.aa();
    if (iq == 1) {
        aa(1, 1) = ctx.work.bc()(1);
    } else {
        R rho0 = 0.0f;
        const int stopped = stepdown<R>(ctx, iq, R(1), rho0);
        if (stopped != 0) return stopped;
    }
    for (int k = 1; k <= iq; ++k) {
        const R mag = std::abs(aa(k, k));
        if (!(mag < 1.0f)) return k;
    }
    return 0;
}

template int stepdown<float>(const EstimatorContext<float>& ctx, int iq, float sig2, float& rho0);
template int stepdown<double>(const EstimatorContext<double>& ctx, int iq, double sig2,
                              double& rho0);
template int min_phase_failure<float>(const EstimatorContext<float>& ctx, int iq);
template int min_phase_failure<double>(const EstimatorContext<double>& ctx, int iq);

} // namespace specest
