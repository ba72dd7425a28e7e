#include "stepdown.h"

#include "complex_ops.h"
#include "work_area.h"

#include <cmath>

namespace specest {

int stepdown(int iq, float sig2, float& rho0) {
    Mat1<cfloat> aa = wa::aa();
    Vec1<float> rho = wa::rho();
    Vec1<cfloat> bc = wa::bc();
    for (int i = 1; i <= iq; ++i) aa(i, iq) = bc(i);
    rho(iq) = sig2;
    for (int k = iq; k >= 2; --k) {
        const float den = static_cast<float>(1.0 - abs2(aa(k, k)));
        // A unit reflection coefficient puts a zero on the unit circle; dividing by den would
        // only fill the lower orders with infinities.
        if (den == 0.0f || std::isnan(den)) return k;
        rho(k - 1) = rho(k) / den;
        for (int i = 1; i <= k - 1; ++i)
            aa(i, k - 1) =
                narrow((wide(aa(i, k)) - cmul(wide(aa(k, k)), std::conj(wide(aa(k - i, k))))) /
                       static_cast<double>(den));
    }
    const float den1 = static_cast<float>(1.0 - abs2(aa(1, 1)));
    if (den1 == 0.0f || std::isnan(den1)) return 1;
    rho0 = rho(1) / den1;
    return 0;
}

int min_phase_failure(int iq) {
    if (iq < 1) return 0;
    Mat1<cfloat> aa = wa::aa();
    if (iq == 1) {
        aa(1, 1) = wa::bc()(1);
    } else {
        float rho0 = 0.0f;
        const int stopped = stepdown(iq, 1.0f, rho0);
        if (stopped != 0) return stopped;
    }
    for (int k = 1; k <= iq; ++k) {
        const float mag = std::abs(aa(k, k));
        if (!(mag < 1.0f)) return k;
    }
    return 0;
}

} // namespace specest
