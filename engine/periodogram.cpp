#include "periodogram.h"

#include "complex_ops.h"
#include "estimator_context.h"
#include "fft.h"
#include "fft_any.h"

#include <vector>

namespace specest {

template <class R>
void periodogram(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int n, Vec1<R> w, int nexp,
                 Vec1<R> pper, int npoints) {
    const int big_n = transform_length(ctx, nexp);
    if constexpr (!kClassic<R>) {
        bool real = true;
        for (int i = 1; i <= n && real; ++i) real = x(i).imag() == 0.0;
        if (real && big_n <= npoints && big_n <= x.size()) {
            // Real data: the half-length transform, the other half by symmetry.
            std::vector<double> r(static_cast<std::size_t>(big_n), 0.0);
            for (int i = 1; i <= n && i <= big_n; ++i)
                r[static_cast<std::size_t>(i - 1)] = x(i).real() * w(i);
            fft64::rfft(r.data(), r.size(), x.data());
            const double dn = n;
            for (int k = 0; k <= big_n / 2; ++k) {
                const double v = abs2(x(k + 1)) / dn;
                pper(k + 1) = v;
                if (k > 0 && big_n - k > big_n / 2) pper(big_n - k + 1) = v;
            }
            return;
        }
    }
    for (int i = 1; i <= n; ++i) x(i) = {x(i).real() * w(i), x(i).imag() * w(i)};
    for (int i = n + 1; i <= big_n; ++i) x(i) = cx<R>();
    transform(ctx, x, nexp, 1, npoints);
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

template void periodogram<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, int n,
                                 Vec1<float> w, int nexp, Vec1<float> pper, int npoints);
template void periodogram<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, int n,
                                  Vec1<double> w, int nexp, Vec1<double> pper, int npoints);

} // namespace specest
