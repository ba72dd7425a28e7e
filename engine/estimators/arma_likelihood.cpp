#include "arma_likelihood.h"

#include "work_area.h"

#include <cstdlib>

namespace specest {

void corr(int n, int lag, Vec1<float> x, Vec1<float> y, float& r) {
    double s = 0.0;
    for (int j = 1; j <= n - lag; ++j) s += static_cast<double>(x(j)) * y(j + lag);
    r = static_cast<float>(s / n);
}

void corrcomp(int n, Vec1<float> y, Vec1<float> z, int ip, int iq, Vec1<float> ry, Vec1<float> rz,
              Vec1<float> ryz, Vec1<float> rzy) {
    for (int k = 0; k <= ip; ++k) corr(n, k, y, y, ry(k + 1));
    for (int k = 0; k <= iq; ++k) corr(n, k, z, z, rz(k + 1));
    for (int k = 0; k <= ip - 1; ++k) corr(n, k, y, z, ryz(k + 1));
    for (int k = 1; k <= iq - 1; ++k) corr(n, k, z, y, rzy(k + 1));
}

void gradient(Vec1<float> a, Vec1<float> b, int ip, int iq, Vec1<float> ry, Vec1<float> rz,
              Vec1<float> grad) {
    for (int i = 1; i <= ip; ++i) {
        double s = 2.0 * ry(i + 1);
        for (int j = 1; j <= ip; ++j) s += 2.0 * a(j) * ry(std::abs(i - j) + 1);
        grad(i) = static_cast<float>(s);
    }
    for (int i = 1; i <= iq; ++i) {
        double s = -2.0 * rz(i + 1);
        for (int j = 1; j <= iq; ++j) s -= 2.0 * b(j) * rz(std::abs(i - j) + 1);
        grad(ip + i) = static_cast<float>(s);
    }
}

void hessian(int ip, int iq, Vec1<float> ry, Vec1<float> rz, Vec1<float> ryz, Vec1<float> rzy) {
    Mat1<float> hess = wa::hess();
    const int m = ip + iq;
    for (int j = 1; j <= ip; ++j)
        for (int i = 1; i <= ip; ++i) hess(i, j) = 2.0f * ry(std::abs(i - j) + 1);
    for (int j = ip + 1; j <= m; ++j)
        for (int i = ip + 1; i <= m; ++i) hess(i, j) = 2.0f * rz(std::abs(i - j) + 1);
    for (int j = ip + 1; j <= m; ++j) {
        const int q = j - ip;
        for (int i = 1; i <= ip; ++i) {
            hess(i, j) = i >= q ? -2.0f * ryz(i - q + 1) : -2.0f * rzy(q - i + 1);
            hess(j, i) = hess(i, j);
        }
    }
}

void bvect(Vec1<float> a, Vec1<float> b, int ip, int iq) {
    Mat1<float> hess = wa::hess();
    Vec1<float> grad = wa::grad(), bv = wa::bv();
    const int m = ip + iq;
    for (int i = 1; i <= m; ++i) {
        double s = -static_cast<double>(grad(i));
        for (int j = 1; j <= ip; ++j) s += static_cast<double>(hess(i, j)) * a(j);
        for (int j = ip + 1; j <= m; ++j) s += static_cast<double>(hess(i, j)) * b(j - ip);
        bv(i) = static_cast<float>(s);
    }
}

} // namespace specest
