#include "arma_filters.h"

#include "complex_ops.h"

#include <algorithm>

namespace specest {

void czerofilt(Vec1<cfloat> x, int n, int ip, Vec1<cfloat> a, Vec1<cfloat> y) {
    if (n < 1) return;
    const cfloat* xp = x.data() - 1; // xp[i] = x(i)
    cfloat* yp = y.data() - 1;
    const cfloat* ap = ip > 0 ? a.data() - 1 : nullptr;
    (void)x(n), (void)y(n);
    if (ip > 0) (void)a(ip);
    yp[1] = xp[1];
    const int head = std::min(n, ip + 1);
    for (int i = 2; i <= head; ++i) {
        double sr = xp[i].real(), si = xp[i].imag();
        for (int j = 1; j <= i - 1; ++j) {
            const double ar = ap[j].real(), ai = ap[j].imag();
            const double xr = xp[i - j].real(), xi = xp[i - j].imag();
            sr += ar * xr - ai * xi;
            si += ar * xi + ai * xr;
        }
        yp[i] = {static_cast<float>(sr), static_cast<float>(si)};
    }
    // Full-length part: four outputs per pass, each with its own accumulator and order.
    int i = head + 1;
    for (; i + 3 <= n; i += 4) {
        double sr[4], si[4];
        for (int q = 0; q < 4; ++q) sr[q] = xp[i + q].real(), si[q] = xp[i + q].imag();
        for (int j = 1; j <= ip; ++j) {
            const double ar = ap[j].real(), ai = ap[j].imag();
            for (int q = 0; q < 4; ++q) {
                const double xr = xp[i + q - j].real(), xi = xp[i + q - j].imag();
                sr[q] += ar * xr - ai * xi;
                si[q] += ar * xi + ai * xr;
            }
        }
        for (int q = 0; q < 4; ++q)
            yp[i + q] = {static_cast<float>(sr[q]), static_cast<float>(si[q])};
    }
    for (; i <= n; ++i) {
        double sr = xp[i].real(), si = xp[i].imag();
        for (int j = 1; j <= ip; ++j) {
            const double ar = ap[j].real(), ai = ap[j].imag();
            const double xr = xp[i - j].real(), xi = xp[i - j].imag();
            sr += ar * xr - ai * xi;
            si += ar * xi + ai * xr;
        }
        yp[i] = {static_cast<float>(sr), static_cast<float>(si)};
    }
}

void cpolefilt(Vec1<cfloat> x, int n, Vec1<cfloat> b, int iq, Vec1<cfloat> y) {
    if (n < 1) return;
    y(1) = x(1);
    for (int i = 2; i <= n; ++i) {
        cfloat v = x(i);
        const int m = std::min(i - 1, iq);
        for (int j = 1; j <= m; ++j) v = narrow(wide(v) - cmul(wide(b(j)), wide(y(i - j))));
        y(i) = v;
    }
}

void polefilt(Vec1<float> x, int n, int iq, Vec1<float> b, Vec1<float> y) {
    if (n < 1) return;
    y(1) = x(1);
    for (int i = 2; i <= n; ++i) {
        double s = x(i);
        const int m = std::min(i - 1, iq);
        for (int j = 1; j <= m; ++j) s -= static_cast<double>(b(j)) * y(i - j);
        y(i) = static_cast<float>(s);
    }
}

void zerofilt(Vec1<float> x, int n, int ip, Vec1<float> a, Vec1<float> y) {
    if (n < 1) return;
    y(1) = x(1);
    for (int i = 2; i <= n; ++i) {
        double s = x(i);
        const int m = std::min(i - 1, ip);
        for (int j = 1; j <= m; ++j) s += static_cast<double>(a(j)) * x(i - j);
        y(i) = static_cast<float>(s);
    }
}

void var(Vec1<float> x, int n, int ip, int iq, Vec1<float> a, Vec1<float> b, float& sig2,
         Vec1<float> e, Vec1<float> y) {
    polefilt(x, n, iq, b, y);
    zerofilt(y, n, ip, a, e);
    double s = 0.0;
    for (int i = 1; i <= n; ++i) s += static_cast<double>(e(i)) * e(i);
    sig2 = static_cast<float>(s / n);
}

} // namespace specest
