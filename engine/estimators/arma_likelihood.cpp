#include "arma_likelihood.h"

#include "estimator_context.h"

#include <cstdlib>

namespace specest {

template <class R> void corr(int n, int lag, Vec1<R> x, Vec1<R> y, R& r) {
    double s = 0.0;
    for (int j = 1; j <= n - lag; ++j) s += static_cast<double>(x(j)) * y(j + lag);
    r = static_cast<R>(s / n);
}

template <class R>
void corrcomp(int n, Vec1<R> y, Vec1<R> z, int ip, int iq, Vec1<R> ry, Vec1<R> rz, Vec1<R> ryz,
              Vec1<R> rzy) {
    for (int k = 0; k <= ip; ++k) corr(n, k, y, y, ry(k + 1));
    for (int k = 0; k <= iq; ++k) corr(n, k, z, z, rz(k + 1));
    for (int k = 0; k <= ip - 1; ++k) corr(n, k, y, z, ryz(k + 1));
    for (int k = 1; k <= iq - 1; ++k) corr(n, k, z, y, rzy(k + 1));
}

template <class R>
void gradient(Vec1<R> a, Vec1<R> b, int ip, int iq, Vec1<R> ry, Vec1<R> rz, Vec1<R> grad) {
    for (int i = 1; i <= ip; ++i) {
        double s = 2.0 * ry(i + 1);
        for (int j = 1; j <= ip; ++j) s += 2.0 * a(j) * ry(std::abs(i - j) + 1);
        grad(i) = static_cast<R>(s);
    }
    for (int i = 1; i <= iq; ++i) {
        double s = -2.0 * rz(i + 1);
        for (int j = 1; j <= iq; ++j) s -= 2.0 * b(j) * rz(std::abs(i - j) + 1);
        grad(ip + i) = static_cast<R>(s);
    }
}

template <class R>
void hessian(const EstimatorContext<R>& ctx, int ip, int iq, Vec1<R> ry, Vec1<R> rz, Vec1<R> ryz,
             Vec1<R> rzy) {
    Mat1<R> hess = ctx.work.hess();
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

template <class R>
void bvect(const EstimatorContext<R>& ctx, Vec1<R> a, Vec1<R> b, int ip, int iq) {
    Mat1<R> hess = ctx.work.hess();
    Vec1<R> grad = ctx.work.grad(), bv = ctx.work.bv();
    const int m = ip + iq;
    for (int i = 1; i <= m; ++i) {
        double s = -static_cast<double>(grad(i));
        for (int j = 1; j <= ip; ++j) s += static_cast<double>(hess(i, j)) * a(j);
        for (int j = ip + 1; j <= m; ++j) s += static_cast<double>(hess(i, j)) * b(j - ip);
        bv(i) = static_cast<R>(s);
    }
}

template void corr<float>(int n, int lag, Vec1<float> x, Vec1<float> y, float& r);
template void corr<double>(int n, int lag, Vec1<double> x, Vec1<double> y, double& r);
template void corrcomp<float>(int n, Vec1<float> y, Vec1<float> z, int ip, int iq, Vec1<float> ry,
                              Vec1<float> rz, Vec1<float> ryz, Vec1<float> rzy);
template void corrcomp<double>(int n, Vec1<double> y, Vec1<double> z, int ip, int iq,
                               Vec1<double> ry, Vec1<double> rz, Vec1<double> ryz,
                               Vec1<double> rzy);
template void gradient<float>(Vec1<float> a, Vec1<float> b, int ip, int iq, Vec1<float> ry,
                              Vec1<float> rz, Vec1<float> grad);
template void gradient<double>(Vec1<double> a, Vec1<double> b, int ip, int iq, Vec1<double> ry,
                               Vec1<double> rz, Vec1<double> grad);
template void hessian<float>(const EstimatorContext<float>& ctx, int ip, int iq, Vec1<float> ry,
                             Vec1<float> rz, Vec1<float> ryz, Vec1<float> rzy);
template void hessian<double>(const EstimatorContext<double>& ctx, int ip, int iq, Vec1<double> ry,
                              Vec1<double> rz, Vec1<double> ryz, Vec1<double> rzy);
template void bvect<float>(const EstimatorContext<float>& ctx, Vec1<float> a, Vec1<float> b, int ip,
                           int iq);
template void bvect<double>(const EstimatorContext<double>& ctx, Vec1<double> a, Vec1<double> b,
                            int ip, int iq);

} // namespace specest
