#include "model_spectrum.h"

#include "complex_ops.h"
#include "fft.h"
#include "run_context.h"
#include "work_array.h"

#include <cfloat>
#include <cmath>

namespace specest {
namespace {

void polynomial_transform(Vec1<cfloat> out, int order, Vec1<cfloat> coef, int nexp, int npoints) {
    const int n = 1 << nexp;
    out(1) = cfloat(1.0f, 0.0f);
    for (int k = 1; k <= order && k + 1 <= n; ++k) out(k + 1) = coef(k);
    for (int k = order + 2; k <= n; ++k) out(k) = cfloat();
    fft(out, nexp, 1, npoints);
}

} // namespace

void armapsd(int ip, int iq, Vec1<cfloat> a, Vec1<cfloat> b, float sig2, int nexp, Vec1<float> psd,
             int npoints) {
    const char* abort_line = " Aborting ARMAPSD due to Allocation error #: ";
    const char* stop_text = "Allocate error in ARMAPSD routine";
    auto den_buf = work_array<cfloat>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    auto num_buf = work_array<cfloat>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    auto p_buf = work_array<float>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    Vec1<cfloat> den(den_buf), xnum(num_buf);
    Vec1<float> p(p_buf);
    const int n = 1 << nexp;
    if (ip != 0) polynomial_transform(den, ip, a, nexp, npoints);
    if (iq != 0) polynomial_transform(xnum, iq, b, nexp, npoints);

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
        // largest float rather than passed on as infinity.
        if (!(std::fabs(v) <= FLT_MAX)) {
            v = std::isnan(v) ? 0.0 : (v < 0 ? -FLT_MAX : FLT_MAX);
            ++clamped;
        }
        p(i) = static_cast<float>(v);
    }
    if (clamped > 0)
        run_report().list(" Note: model spectrum held at the largest single-precision value at",
                          clamped, "frequencies (a zero of A(z) on the grid).");
    const int half = n / 2;
    for (int i = 1; i <= half; ++i) {
        psd(half + i) = p(i);
        psd(i) = p(half + i);
    }
}

} // namespace specest
