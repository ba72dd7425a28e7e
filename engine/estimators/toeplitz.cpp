#include "toeplitz.h"

#include "complex_ops.h"
#include "estimator_context.h"

#include <cmath>

namespace specest {
namespace {

template <class R> bool finite(cx<R> z) {
    return std::isfinite(z.real()) && std::isfinite(z.imag());
}

// Products are formed in double and each partial sum is rounded to single precision.
template <class R> cx<R> mul_add(cx<R> s, cx<R> u, cx<R> v) {
    return narrow_to<R>(wide(s) + cmul(wide(u), wide(v)));
}
template <class R> cx<R> quotient(cx<R> num, cx<R> den) {
    return narrow_to<R>(cdiv(wide(num), wide(den)));
}

// The pivot must exceed eps in magnitude; a zero one fails even when eps is not positive, as
// the next order divides by it.
template <class R> bool pivot_ok(cx<R> rho, R eps) {
    const R mag = std::abs(rho);
    return mag > eps && mag != 0.0f;
}

} // namespace

template <class R>
void toepeqn(const EstimatorContext<R>& ctx, Vec1<cx<R>> rxx, int ip, int iq, R eps, Vec1<cx<R>> a,
             int& iflag) {
    auto r = [&](int m) { return m >= 0 ? rxx(m + 1) : std::conj(rxx(-m + 1)); };
    Mat1<cx<R>> aa = ctx.work.aa(), bb = ctx.work.bb();
    iflag = 0;
    if (ip < 1) return;
    const cx<R> r0 = r(iq);
    // The first pivot is r(iq) itself; the order-1 division needs it non-zero even when no
    // other pivot is tested.
    if ((r0.real() == 0.0f && r0.imag() == 0.0f) || !finite(r0)) {
        ctx.report.list(" The correlation at lag", iq,
                        "is zero (or not a number): the modified Yule-Walker equations have"
                        " no solution.");
        iflag = -1;
        return;
    }
    aa(1, 1) = quotient(-r(iq + 1), r0);
    if (ip > 1) {
        bb(1, 1) = quotient(-r(iq - 1), r0);
        cx<R> rho = narrow_to<R>(cmul(wide(r0), 1.0 - cmul(wide(bb(1, 1)), wide(aa(1, 1)))));
        if (!pivot_ok(rho, eps)) {
            iflag = -1;
            return;
        }
        for (int k = 2; k <= ip; ++k) {
            cx<R> s = r(iq + k);
            for (int j = 1; j <= k - 1; ++j) s = mul_add(s, aa(j, k - 1), r(iq + k - j));
            aa(k, k) = quotient(-s, rho);
            for (int i = 1; i <= k - 1; ++i)
                aa(i, k) = mul_add(aa(i, k - 1), aa(k, k), bb(k - i, k - 1));
            if (k == ip) break;
            s = r(iq - k);
            for (int j = 1; j <= k - 1; ++j) s = mul_add(s, bb(j, k - 1), r(iq + j - k));
            bb(k, k) = quotient(-s, rho);
            for (int i = 1; i <= k - 1; ++i)
                bb(i, k) = mul_add(bb(i, k - 1), bb(k, k), aa(k - i, k - 1));
            rho = narrow_to<R>(cmul(wide(rho), 1.0 - cmul(wide(bb(k, k)), wide(aa(k, k)))));
            if (!pivot_ok(rho, eps)) {
                iflag = -1;
                return;
            }
        }
    }
    for (int i = 1; i <= ip; ++i) a(i) = aa(i, ip);
}

template void toepeqn<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> rxx, int ip,
                             int iq, float eps, Vec1<cx<float>> a, int& iflag);
template void toepeqn<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> rxx, int ip,
                              int iq, double eps, Vec1<cx<double>> a, int& iflag);

} // namespace specest
