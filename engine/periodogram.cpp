#include "periodogram.h"

#include "complex_ops.h"
#include "fft.h"

namespace specest {

void periodogram(Vec1<cfloat> x, int n, Vec1<float> w, int nexp, Vec1<float> pper, int npoints) {
    const int big_n = 1 << nexp;
    for (int i = 1; i <= n; ++i) x(i) = {x(i).real() * w(i), x(i).imag() * w(i)};
    for (int i = n + 1; i <= big_n; ++i) x(i) = cfloat();
    fft(x, nexp, 1, npoints);
    const int half = big_n / 2;
    const double dn = n;
    for (int i = 1; i <= half; ++i) {
        pper(half + i) = static_cast<float>(abs2(x(i)) / dn);
        pper(i) = static_cast<float>(abs2(x(half + i)) / dn);
    }
}

} // namespace specest
