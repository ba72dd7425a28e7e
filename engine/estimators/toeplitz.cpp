#include "toeplitz.h"

#include "complex_ops.h"
#include "run_context.h"
#include "work_area.h"

#include <cmath>

namespace specest {
namespace {

bool finite(cfloat z) {
    return std::isfinite(z.real()) && std::isfinite(z.imag());
}

// Products are formed in double and each partial sum is rounded to single precision.
cfloat mul_add(cfloat s, cfloat u, cfloat v) {
    return narrow(wide(s) + cmul(wide(u), wide(v)));
}
cfloat quotient(cfloat num, cfloat den) {
    return narrow(cdiv(wide(num), wide(den)));
}

// The pivot must exceed eps in magnitude; a zero one fails even when eps is not positive, as
// the next order divides by it.
bool pivot_ok(cfloat rho, float eps) {
    const float mag = std::abs(rho);
    return mag > eps && mag != 0.0f;
}

} // namespace

void toepeqn(Vec1<cfloat> rxx, int ip, int iq, float eps, Vec1<cfloat> a, int& iflag) {
    auto r = [&](int m) { return m >= 0 ? rxx(m + 1) : std::conj(rxx(-m + 1)); };
    Mat1<cfloat> aa = wa::aa(), bb = wa::bb();
    iflag = 0;
    if (ip < 1) return;
    const cfloat r0 = r(iq);
    // The first pivot is r(iq) itself; the order-1 division needs it non-zero even when no
    // other pivot is tested.
    if ((r0.real() == 0.0f && r0.imag() == 0.0f) || !finite(r0)) {
        run_report().list(" The correlation at lag", iq,
                          "is zero (or not a number): the modified Yule-Walker equations have"
                          " no solution.");
        iflag = -1;
        return;
    }
    aa(1, 1) = quotient(-r(iq + 1), r0);
    if (ip > 1) {
        bb(1, 1) = quotient(-r(iq - 1), r0);
        cfloat rho = narrow(cmul(wide(r0), 1.0 - cmul(wide(bb(1, 1)), wide(aa(1, 1)))));
        if (!pivot_ok(rho, eps)) {
            iflag = -1;
            return;
        }
        for (int k = 2; k <= ip; ++k) {
            cfloat s = r(iq + k);
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
            rho = narrow(cmul(wide(rho), 1.0 - cmul(wide(bb(k, k)), wide(aa(k, k)))));
            if (!pivot_ok(rho, eps)) {
                iflag = -1;
                return;
            }
        }
    }
    for (int i = 1; i <= ip; ++i) a(i) = aa(i, ip);
}

} // namespace specest
