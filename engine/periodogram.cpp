#include "periodogram.h"

#include "complex_ops.h"
#include "fft.h"

namespace specest {

template <class R>
void periodogram(Vec1<cx<R>> x, int n, Vec1<R> w, int nexp, Vec1<R> pper, int npoints) {
    const int big_n = transform_length<R>(nexp);
    for (int i = 1; i <= n; ++i) x(i) = {x(i).real() * w(i), x(i).imag() * w(i)};
    for (int i = n + 1; i <= big_n; ++i) x(i) = cx<R>();
    transform<R>(x, nexp, 1, npoints);
    const double dn = n;
    if constexpr (!kClassic<R>) {
        // The modern grid keeps the transform's order (numpy's fftfreq).
        for (int i = 1; i <= big_n; ++i) pper(i) = static_cast<R>(abs2(x(i)) / dn);
        return;
    }
    const int half = big_n / 2;
    for (int i = 1; i <= half; ++i) {
        pper(half + i) = static_cast<R>(abs2(x(i)) / dn);
        pper(i) = static_cast<R>(abs2(x(half + i)) / dn);
    }
}

template void periodogram<float>(Vec1<cx<float>> x, int n, Vec1<float> w, int nexp,
                                 Vec1<float> pper, int npoints);
template void periodogram<double>(Vec1<cx<double>> x, int n, Vec1<double> w, int nexp,
                                  Vec1<double> pper, int npoints);

} // namespace specest
