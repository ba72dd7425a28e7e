#include "arma_filters.h"

#include "complex_ops.h"

#include <algorithm>

namespace specest {

template <class R> void czerofilt(Vec1<cx<R>> x, int n, int ip, Vec1<cx<R>> a, Vec1<cx<R>> y) {
    if (n < 1) return;
    const cx<R>* xp = x.data() - 1; // xp[i] = x(i)
    cx<R>* yp = y.data() - 1;
    const cx<R>* ap = ip > 0 ? a.data() - 1 : nullptr;
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
        yp[i] = {static_cast<R>(sr), static_cast<R>(si)};
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
        for (int q = 0; q < 4; ++q) yp[i + q] = {static_cast<R>(sr[q]), static_cast<R>(si[q])};
    }
    for (; i <= n; ++i) {
        double sr = xp[i].real(), si = xp[i].imag();
        for (int j = 1; j <= ip; ++j) {
            const double ar = ap[j].real(), ai = ap[j].imag();
            const double xr = xp[i - j].real(), xi = xp[i - j].imag();
            sr += ar * xr - ai * xi;
            si += ar * xi + ai * xr;
        }
        yp[i] = {static_cast<R>(sr), static_cast<R>(si)};
    }
}

template <class R> void cpolefilt(Vec1<cx<R>> x, int n, Vec1<cx<R>> b, int iq, Vec1<cx<R>> y) {
    if (n < 1) return;
    y(1) = x(1);
    for (int i = 2; i <= n; ++i) {
        cx<R> v = x(i);
        const int m = std::min(i - 1, iq);
        for (int j = 1; j <= m; ++j) v = narrow_to<R>(wide(v) - cmul(wide(b(j)), wide(y(i - j))));
        y(i) = v;
    }
}

template <class R> void polefilt(Vec1<R> x, int n, int iq, Vec1<R> b, Vec1<R> y) {
    if (n < 1) return;
    y(1) = x(1);
    for (int i = 2; i <= n; ++i) {
        double s = x(i);
        const int m = std::min(i - 1, iq);
        for (int j = 1; j <= m; ++j) s -= static_cast<double>(b(j)) * y(i - j);
        y(i) = static_cast<R>(s);
    }
}

template <class R> void zerofilt(Vec1<R> x, int n, int ip, Vec1<R> a, Vec1<R> y) {
    if (n < 1) return;
    y(1) = x(1);
    for (int i = 2; i <= n; ++i) {
        double s = x(i);
        const int m = std::min(i - 1, ip);
        for (int j = 1; j <= m; ++j) s += static_cast<double>(a(j)) * x(i - j);
        y(i) = static_cast<R>(s);
    }
}

template <class R>
void var(Vec1<R> x, int n, int ip, int iq, Vec1<R> a, Vec1<R> b, R& sig2, Vec1<R> e, Vec1<R> y) {
    polefilt(x, n, iq, b, y);
    zerofilt(y, n, ip, a, e);
    double s = 0.0;
    for (int i = 1; i <= n; ++i) s += static_cast<double>(e(i)) * e(i);
    sig2 = static_cast<R>(s / n);
}

template void czerofilt<float>(Vec1<cx<float>> x, int n, int ip, Vec1<cx<float>> a,
                               Vec1<cx<float>> y);
template void czerofilt<double>(Vec1<cx<double>> x, int n, int ip, Vec1<cx<double>> a,
                                Vec1<cx<double>> y);
template void cpolefilt<float>(Vec1<cx<float>> x, int n, Vec1<cx<float>> b, int iq,
                               Vec1<cx<float>> y);
template void cpolefilt<double>(Vec1<cx<double>> x, int n, Vec1<cx<double>> b, int iq,
                                Vec1<cx<double>> y);
template void polefilt<float>(Vec1<float> x, int n, int iq, Vec1<float> b, Vec1<float> y);
template void polefilt<double>(Vec1<double> x, int n, int iq, Vec1<double> b, Vec1<double> y);
template void zerofilt<float>(Vec1<float> x, int n, int ip, Vec1<float> a, Vec1<float> y);
template void zerofilt<double>(Vec1<double> x, int n, int ip, Vec1<double> a, Vec1<double> y);
template void var<float>(Vec1<float> x, int n, int ip, int iq, Vec1<float> a, Vec1<float> b,
                         float& sig2, Vec1<float> e, Vec1<float> y);
template void var<double>(Vec1<double> x, int n, int ip, int iq, Vec1<double> a, Vec1<double> b,
                          double& sig2, Vec1<double> e, Vec1<double> y);

} // namespace specest
