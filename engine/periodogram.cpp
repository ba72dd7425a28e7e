#include "periodogram.h"

#include "complex_ops.h"
#include "fft.h"
#include "fft_any.h"

#include <vector>

namespace specest {

template <class R>
void periodogram(Vec1<cx<R>> x, int n, Vec1<R> w, int nexp, Vec1<R> pper, int npoints) {
    const int big_n = transform_length<R>(nexp);
    if constexpr (!kClassic<R>) {
        bool real = true;
        for (int i = 1; i <= n && real; ++i) real = x(i).imag() == 0.0;
        if (real && big_n <= npoints && big_n <= x.size()) {
            // Real data, all inside x: even lengths, the half-length transform of the windowed
            // samples put as doubles behind the big_n / 2 + 1 bins it writes (filled from the
            // end, each store lands on a sample already read); odd ones, the complex transform
            // in place. The other half of the grid by symmetry.
            const auto len = static_cast<std::size_t>(big_n);
            const std::size_t bins = len / 2 + 1;
            auto sample = [&](int i) {
                return i > n ? 0.0 : w.size() == 0 ? x(i).real() : x(i).real() * w(i);
            };
            if (len % 2 == 1) {
                for (int i = 1; i <= big_n; ++i) x(i) = {sample(i), 0.0};
                fft64::fft(x.data(), len);
                x(1) = {x(1).real(), 0.0}; // real input: the rounding residue is not a value
            } else {
                const bool packed = bins + len / 2 <= static_cast<std::size_t>(x.size());
                std::vector<double> apart(packed ? 0 : len);
                double* r = packed ? reinterpret_cast<double*>(x.data() + bins) : apart.data();
                for (int i = big_n; i >= 1; --i) r[i - 1] = sample(i);
                fft64::rfft_scratch(r, len, x.data());
            }
            const double dn = n;
            for (int k = 0; k <= big_n / 2; ++k) {
                const double v = abs2(x(k + 1)) / dn;
                pper(k + 1) = v;
                if (k > 0 && big_n - k > big_n / 2) pper(big_n - k + 1) = v;
            }
            return;
        }
    }
    if (w.size() != 0) // no window: the boxcar
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
