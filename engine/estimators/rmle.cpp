#include "rmle.h"

#include "estimator_context.h"
#include "estimators.h"
#include "job_params.h"
#include "stop.h"

#include <algorithm>

// The order limit the messages below quote.
static_assert(specest::record::kMaxPoles == 210, "rmle.cpp quotes the pole limit 210");
#include <cmath>
#include <vector>

namespace specest {
namespace rmle_steps {

template <class R>
void smat(const EstimatorContext<R>& ctx, Vec1<R> x, const int& n, const int& ip) {
    // One single-precision accumulator per element of the upper triangle (the matrix is
    // symmetric term by term), all advanced together along t in increasing order.
    const int m = ip + 1;
    std::vector<R> acc(static_cast<std::size_t>(m) * m, 0.0f); // row i: columns i..m
    const R* xp = x.data();
    for (int t = 1; t <= n; ++t) {
        for (int i = 1; i <= m; ++i) {
            const int jmax = std::min(m, n + 2 - i - t);
            if (jmax < i) break; // rows further down are shorter still
            const double xi = xp[t + i - 2];
            R* row = acc.data() + static_cast<std::size_t>(i - 1) * m;
            const R* xj = xp + (t - 1);
            for (int j = i; j <= jmax; ++j)
                row[j - 1] = static_cast<R>(row[j - 1] + xi * static_cast<double>(xj[j - 1]));
        }
    }
    Mat1<R> s = ctx.work.s();
    for (int i = 1; i <= m; ++i)
        for (int j = i; j <= m; ++j) {
            s(i, j) = acc[static_cast<std::size_t>(i - 1) * m + (j - 1)];
            s(j, i) = s(i, j);
        }
}

template <class R>
void coeff(const EstimatorContext<R>& ctx, const int& i, const int& ip, const int& n, R& p, R& q,
           R& r, R& c, R& d, R& e) {
    (void)ip;
    Mat1<R> s = ctx.work.s();
    if (i == 1) {
        c = s(1, 2);
        d = s(2, 2);
        e = s(1, 1);
    } else {
        Mat1<R> aa = ctx.work.aa_real();
        std::vector<R> ap(static_cast<std::size_t>(i) + 1), b(static_cast<std::size_t>(i) + 1);
        ap[1] = 1.0f;
        for (int j = 1; j <= i - 1; ++j) ap[j + 1] = aa(j, i - 1);
        for (int j = 1; j <= i; ++j) b[j] = ap[i - j + 1];
        c = 0.0f;
        for (int j = 1; j <= i; ++j)
            for (int l = 1; l <= i; ++l)
                c = static_cast<R>(c + static_cast<double>(ap[l]) * b[j] * s(l, j + 1));
        d = 0.0f;
        for (int j = 1; j <= i; ++j)
            for (int l = 1; l <= i; ++l)
                d = static_cast<R>(d + static_cast<double>(b[l]) * b[j] * s(l + 1, j + 1));
    }
    const double dn = n, di = i;
    p = static_cast<R>(((dn - 2.0 * di) / (dn - di)) * (static_cast<double>(c) / d));
    q = static_cast<R>((static_cast<double>(e) * di + static_cast<double>(d) * dn) /
                       (static_cast<double>(d) * (di - dn)));
    r = static_cast<R>(static_cast<double>(c) * dn / (static_cast<double>(d) * (di - dn)));
}

template <class R> void cubic(const R& p, const R& q, const R& r, int& nreal, R root[3]) {
    const double dp = p, dq = q, dr = r;
    const R a = static_cast<R>((3.0 * dq - dp * dp) / 3.0);
    const R b = static_cast<R>((2.0 * dp * dp * dp - 9.0 * dp * dq + 27.0 * dr) / 27.0);
    const double da = a, db = b;
    const R disc = static_cast<R>(db * db / 4.0 + da * da * da / 27.0);
    if (disc > 0.0f) {
        nreal = 1;
        const R sq = static_cast<R>(std::sqrt(static_cast<double>(disc)));
        const R u = static_cast<R>(sq - db / 2.0);
        const R v = static_cast<R>(-static_cast<double>(sq) - db / 2.0);
        // The real cube root keeps its sign and is 0 at 0, where w/|w| has no value.
        root[0] = static_cast<R>(std::cbrt(static_cast<double>(v)) +
                                 std::cbrt(static_cast<double>(u)) - dp / 3.0);
    } else if (disc <= 0.0f) {
        nreal = 3;
        const R pi = static_cast<R>(4.0 * std::atan(1.0f));
        const R m = static_cast<R>(2.0 * std::sqrt(-da / 3.0));
        // A triple root (a = 0) has no angle; rounding can also push |C| just past 1.
        R cc = a == 0.0f ? 1.0f : static_cast<R>(3.0 * db / (static_cast<double>(m) * da));
        cc = std::clamp(cc, R(-1), R(1));
        R phi = static_cast<R>(std::atan(std::sqrt(1.0 - static_cast<double>(cc) * cc) /
                                         std::fabs(static_cast<double>(cc))));
        if (cc < 0.0f) phi = static_cast<R>(pi - static_cast<double>(phi));
        const R th = static_cast<R>(phi / 3.0);
        const double dm = m, dth = th, dpi = pi;
        root[0] = static_cast<R>(dm * std::cos(dth) - dp / 3.0);
        root[1] = static_cast<R>(dm * std::cos(2.0 * dpi / 3.0 + dth) - dp / 3.0);
        root[2] = static_cast<R>(dm * std::cos(4.0 * dpi / 3.0 + dth) - dp / 3.0);
    } else {
        nreal = 0; // the discriminant is not a number
    }
}

template <class R>
void test(const R root[3], const R& c, const R& d, const R& e, const int& i, const int& n, R& aii) {
    R best = -1.0e7f;
    for (int k = 0; k < 3; ++k) {
        const double rho = root[k];
        if (rho < -1.0 || rho > 1.0) continue;
        const R pw = static_cast<R>(2.0 * rho * c + e + rho * rho * d);
        const R like = static_cast<R>((i / 2.0) * std::log10(1.0 - rho * rho) -
                                      (n / 2.0) * std::log10(static_cast<double>(pw) / n));
        if (like > best) { // a NaN likelihood (no power left) never wins
            aii = root[k];
            best = like;
        }
    }
}

template <class R>
void arupt(const EstimatorContext<R>& ctx, const int& i, const int& n, const R& c, const R& d, R& e,
           R& rho_i) {
    Mat1<R> aa = ctx.work.aa_real();
    const double rho = aa(i, i);
    for (int j = 1; j <= i - 1; ++j)
        aa(j, i) = static_cast<R>(aa(j, i - 1) + rho * aa(i - j, i - 1));
    e = static_cast<R>(e + 2.0 * c * rho + d * rho * rho);
    rho_i = static_cast<R>(static_cast<double>(e) / n);
}

template void smat<float>(const EstimatorContext<float>& ctx, Vec1<float> x, const int& n,
                          const int& ip);
template void smat<double>(const EstimatorContext<double>& ctx, Vec1<double> x, const int& n,
                           const int& ip);
template void coeff<float>(const EstimatorContext<float>& ctx, const int& i, const int& ip,
                           const int& n, float& p, float& q, float& r, float& c, float& d,
                           float& e);
template void coeff<double>(const EstimatorContext<double>& ctx, const int& i, const int& ip,
                            const int& n, double& p, double& q, double& r, double& c, double& d,
                            double& e);
template void cubic<float>(const float& p, const float& q, const float& r, int& nreal,
                           float root[3]);
template void cubic<double>(const double& p, const double& q, const double& r, int& nreal,
                            double root[3]);
template void test<float>(const float root[3], const float& c, const float& d, const float& e,
                          const int& i, const int& n, float& aii);
template void test<double>(const double root[3], const double& c, const double& d, const double& e,
                           const int& i, const int& n, double& aii);
template void arupt<float>(const EstimatorContext<float>& ctx, const int& i, const int& n,
                           const float& c, const float& d, float& e, float& rho_i);
template void arupt<double>(const EstimatorContext<double>& ctx, const int& i, const int& n,
                            const double& c, const double& d, double& e, double& rho_i);

} // namespace rmle_steps

namespace {

template <class R>
void undefined_block(Report& r_, int order, const char* what, R p, R q, R r, R d) {
    r_.blanks(2);
    r_.line(Line().rep('-', 72));
    r_.line(Line().x(9).a("RMLE stopped at order").i(order, 4).a(": ").a(what));
    r_.line(Line().x(9).a("p, q, r = ").pe(p, 12, 4).x(2).pe(q, 12, 4).x(2).pe(r, 12, 4));
    r_.line(Line().x(9).a("d = ").pe(d, 12, 4));
    r_.line(Line().x(9).a("The record has too little power for a model of this order."));
    r_.line(Line().rep('-', 72));
    r_.blanks(2);
}

} // namespace

template <class R>
void rmle(const EstimatorContext<R>& ctx, Vec1<R> x, int& n, int& ip, Vec1<R> a0, R& sig2) {
    using namespace rmle_steps;
    if (ip < 0 || ip > (kClassic<R> ? kMaxPoles : ctx.work.capacity() - 1) || ip >= n ||
        n > x.size()) {
        Report& r = ctx.report;
        r.blanks(2);
        r.line(Line().x(9).a("RMLE: the AR order must lie in 0 .. min(210, n-1):"));
        r.line(Line().x(9).a("order =").i(ip, 6).a("   n =").i(n, 7));
        r.blanks(2);
        stop(" RMLE: AR order out of range");
    }
    smat(ctx, x, n, ip);
    if (ip < 1) { // no poles: white noise at the record's power
        sig2 = static_cast<R>(static_cast<double>(ctx.work.s()(1, 1)) / n);
        return;
    }
    Mat1<R> aa = ctx.work.aa_real();
    Vec1<R> rho = ctx.work.rho();
    R p = 0, q = 0, r = 0, c = 0, d = 0, e = 0, rho_i = 0;
    R root[3] = {0, 0, 0};
    for (int i = 1; i <= ip; ++i) {
        coeff(ctx, i, ip, n, p, q, r, c, d, e);
        if (d == 0.0f || !std::isfinite(d)) {
            undefined_block(ctx.report, i, "the backward error energy d is zero.", p, q, r, d);
            ctx.job.iflag = kRmleUndefinedFlag;
            return;
        }
        if (!std::isfinite(p) || !std::isfinite(q) || !std::isfinite(r)) {
            undefined_block(ctx.report, i, "the cubic's coefficients are not finite.", p, q, r, d);
            ctx.job.iflag = kRmleUndefinedFlag;
            return;
        }
        int nreal = 0;
        cubic(p, q, r, nreal, root);
        if (nreal == 0) {
            undefined_block(ctx.report, i, "the cubic's discriminant is not a number.", p, q, r, d);
            ctx.job.iflag = kRmleUndefinedFlag;
            return;
        }
        aa(i, i) = root[0];
        if (nreal == 3) test(root, c, d, e, i, n, aa(i, i));
        if (!std::isfinite(aa(i, i))) {
            undefined_block(ctx.report, i, "the cubic has no finite root.", p, q, r, d);
            ctx.job.iflag = kRmleUndefinedFlag;
            return;
        }
        arupt(ctx, i, n, c, d, e, rho_i);
        rho(i) = rho_i;
    }
    for (int j = 1; j <= ip; ++j) a0(j) = aa(j, ip);
    sig2 = rho(ip);
}

template void rmle<float>(const EstimatorContext<float>& ctx, Vec1<float> x, int& n, int& ip,
                          Vec1<float> a0, float& sig2);
template void rmle<double>(const EstimatorContext<double>& ctx, Vec1<double> x, int& n, int& ip,
                           Vec1<double> a0, double& sig2);

} // namespace specest
