#include "fft.h"

#include "complex_ops.h"
#include "run_context.h"
#include "stop.h"
#include "work_array.h"

#include <cmath>
#include <string>
#include <vector>

namespace specest {
namespace {

// Twiddles w(j) = exp(-i*2*pi*invrs*j/n) for j < n/2, rounded exactly as the butterfly loop
// would round them. Scaling the index and the length by a power of two is exact in binary
// arithmetic, so the table of the longest transform serves every shorter stage and transform
// bit for bit.
struct TwiddleTable {
    int n = 0;
    std::vector<cfloat> w;
};

const TwiddleTable& twiddles(int n, int invrs) {
    static TwiddleTable forward, inverse;
    TwiddleTable& t = invrs == 1 ? forward : inverse;
    if (t.n >= n) return t;
    const float pi = 4.0f * std::atan(1.0f);
    t.n = n;
    t.w.assign(static_cast<std::size_t>(n / 2), cfloat());
    for (int j = 0; j < n / 2; ++j) {
        float arg = static_cast<float>(-(2.0 * static_cast<double>(pi) * invrs * j) / n);
        t.w[static_cast<std::size_t>(j)] = {to_float(std::cos(static_cast<double>(arg))),
                                            to_float(std::sin(static_cast<double>(arg)))};
    }
    return t;
}

} // namespace

namespace {

void transform(Vec1<cfloat> x, int nexp, int invrs, int npoints, bool use_table) {
    if (nexp < 0 || nexp > 30) stop(" FFT length out of range: nexp = " + std::to_string(nexp));
    const int n = 1 << nexp;
    if (npoints < n || x.size() < n) {
        run_report().list(" FFT length", n, "exceeds its work array of", npoints);
        stop(" FFT length exceeds its work array");
    }
    auto ybuf = work_array<cfloat>(
        static_cast<std::size_t>(npoints),
        " Aborting FFT due to Allocation error #: ", "Allocate error in FFT routine");
    Vec1<cfloat> y(ybuf);

    // Bit reversal into y.
    y(1) = x(1);
    for (int i = 2; i <= n; ++i) {
        int l = i - 1, r = 0, m = n;
        for (int b = 1; b <= nexp; ++b) {
            m /= 2;
            if (l >= m) {
                r += 1 << (b - 1);
                l -= m;
            }
        }
        y(i) = x(r + 1);
    }

    const bool tabulated = use_table && (invrs == 1 || invrs == -1);
    const cfloat* table = nullptr;
    int table_n = 0;
    if (tabulated) {
        const TwiddleTable& t = twiddles(n, invrs);
        table = t.w.data();
        table_n = t.n;
    }
    const float pi = 4.0f * std::atan(1.0f);
    cfloat* yp = y.data();
    int ldft = 1, ndft = n;
    for (int stage = 1; stage <= nexp; ++stage) {
        ldft *= 2;
        ndft /= 2;
        const int half = ldft / 2;
        const int stride = tabulated ? table_n / ldft : 0;
        for (int b = 1; b <= ndft; ++b) {
            const int base = (b - 1) * ldft;
            for (int k = 1; k <= half; ++k) {
                cfloat w;
                if (tabulated) {
                    w = table[static_cast<std::size_t>((k - 1) * stride)];
                } else {
                    float arg = static_cast<float>(
                        -(2.0 * static_cast<double>(pi) * invrs * (k - 1)) / ldft);
                    w = {to_float(std::cos(static_cast<double>(arg))),
                         to_float(std::sin(static_cast<double>(arg)))};
                }
                const int i1 = base + k - 1, i2 = i1 + half; // 0-based
                const double ur = yp[i1].real(), ui = yp[i1].imag();
                const double vr = yp[i2].real(), vi = yp[i2].imag();
                const double tr = vr * w.real() - vi * w.imag();
                const double ti = vr * w.imag() + vi * w.real();
                yp[i1] = {static_cast<float>(ur + tr), static_cast<float>(ui + ti)};
                yp[i2] = {static_cast<float>(ur - tr), static_cast<float>(ui - ti)};
            }
        }
    }

    if (invrs == 1) {
        for (int i = 1; i <= n; ++i) x(i) = y(i);
    } else if (invrs == -1) {
        const double dn = n;
        for (int i = 1; i <= n; ++i)
            x(i) = {static_cast<float>(y(i).real() / dn), static_cast<float>(y(i).imag() / dn)};
    }
}

} // namespace

void fft(Vec1<cfloat> x, int nexp, int invrs, int npoints) {
    transform(x, nexp, invrs, npoints, true);
}

void fft_recomputed_twiddles(Vec1<cfloat> x, int nexp, int invrs, int npoints) {
    transform(x, nexp, invrs, npoints, false);
}

} // namespace specest
