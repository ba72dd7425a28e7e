#include "correlation.h"

namespace specest {

void correlation(int n, int lag, int mode, Vec1<cfloat> x, Vec1<cfloat> y, Vec1<cfloat> rxx) {
    const cfloat* xp = x.data();
    const cfloat* yp = y.data();
    int k = 0;
    // Four lags per pass: each sum keeps its own order, the passes just share the loads.
    for (; k + 3 < lag && k + 3 < n; k += 4) {
        double sr[4] = {0, 0, 0, 0}, si[4] = {0, 0, 0, 0};
        const int common = n - (k + 3);
        for (int i = 0; i < common; ++i) {
            const double xr = xp[i].real(), xi = xp[i].imag();
            for (int q = 0; q < 4; ++q) {
                const double yr = yp[i + k + q].real(), yi = yp[i + k + q].imag();
                sr[q] += xr * yr + xi * yi;
                si[q] += xr * yi - xi * yr;
            }
        }
        for (int q = 0; q < 3; ++q) { // the tails of the shorter lags
            for (int i = common; i < n - (k + q); ++i) {
                const double xr = xp[i].real(), xi = xp[i].imag();
                const double yr = yp[i + k + q].real(), yi = yp[i + k + q].imag();
                sr[q] += xr * yr + xi * yi;
                si[q] += xr * yi - xi * yr;
            }
        }
        for (int q = 0; q < 4; ++q) {
            const double div = mode == 0 ? n - (k + q) : n;
            rxx(k + q + 1) = {static_cast<float>(sr[q] / div), static_cast<float>(si[q] / div)};
        }
    }
    for (; k < lag; ++k) {
        if (n - k <= 0) { // no products for this lag
            rxx(k + 1) = cfloat();
            continue;
        }
        double sr = 0, si = 0;
        for (int i = 0; i < n - k; ++i) {
            const double xr = xp[i].real(), xi = xp[i].imag();
            const double yr = yp[i + k].real(), yi = yp[i + k].imag();
            sr += xr * yr + xi * yi;
            si += xr * yi - xi * yr;
        }
        const double div = mode == 0 ? n - k : n;
        rxx(k + 1) = {static_cast<float>(sr / div), static_cast<float>(si / div)};
    }
}

} // namespace specest
