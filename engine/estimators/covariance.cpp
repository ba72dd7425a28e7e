// Covariance (forward) and modified covariance (forward + backward) least-squares AR fits.
#include "estimators.h"

#include "cholesky.h"
#include "complex_ops.h"
#include "estimator_context.h"
#include "lag_sums.h"
#include "simd/dispatch.h"
#include "stop.h"
#include "work_array.h"

#include <vector>

namespace specest {
namespace {

// Correlation sums of the record, one single-precision accumulator per element, each summed in
// the order of increasing i: first the forward terms, then (modified method) the backward ones.
// Row 0 holds the sums with the unshifted sample, k = 0..ip:
//   F(0,k) = sum_{i=ip+1..n} conj(x(i-k)) x(i),  B(0,k) = sum_{i=1..n-ip} x(i+k) conj(x(i)),
// rows j = 1..ip the packed lower triangle, k = 1..j:
//   F(j,k) = sum_{i=ip+1..n} conj(x(i-k)) x(i-j), B(j,k) = sum_{i=1..n-ip} x(i+k) conj(x(i+j)).
// The accumulators are independent: the vector path runs them along the diagonals (lag_sums.h).
template <class R> class Sums {
  public:
    Sums(Vec1<cx<R>> x, int n, int ip) : n_(n), ip_(ip) {
        const auto un = static_cast<std::size_t>(n);
        re_.resize(un);
        im_.resize(un);
        for (int t = 0; t < n; ++t) {
            re_[t] = x(t + 1).real();
            im_[t] = x(t + 1).imag();
        }
        const auto total = static_cast<std::size_t>(ip + 1 + ip * (ip + 1) / 2);
        cre_.assign(total, 0.0f);
        cim_.assign(total, 0.0f);
    }

    // Both sums, forward then (modified method) backward, on the vector kernels.
    void vector_sums(bool backward) {
        if constexpr (kClassic<R>) {
            LagSums lag(re_.data(), im_.data(), n_, ip_, true);
            std::vector<LagTerms> phases{LagTerms::descending};
            if (backward) phases.push_back(LagTerms::ascending);
            lag.run(phases, n_ - ip_);
            for (int k = 0; k <= ip_; ++k) {
                cre_[static_cast<std::size_t>(k)] = lag.re(k);
                cim_[static_cast<std::size_t>(k)] = lag.im(k);
            }
            // F(j,k) sits on diagonal d = j - k at lane k - 1
            for (int d = 0; d < ip_; ++d) {
                for (int k = 1; k + d <= ip_; ++k) {
                    const std::size_t at = row(k + d) + static_cast<std::size_t>(k - 1);
                    cre_[at] = lag.re(lag.diagonal_start(d) + k - 1);
                    cim_[at] = lag.im(lag.diagonal_start(d) + k - 1);
                }
            }
        }
    }

    // The modern profile's sums: row 0 and the first column of the triangle directly, the rest
    // down each diagonal, where one step adds the product entering the range and removes the
    // one leaving it: O(n p + p^2) instead of O(n p^2). A fixed order, so the same bits on
    // every run.
    void recursive_sums(bool backward) {
        const int n = n_, ip = ip_;
        auto xv = [&](int i) { return cdouble(re_[i - 1], im_[i - 1]); };
        std::vector<cdouble> s(cre_.size());
        auto at = [&](int j, int k) -> cdouble& {
            return s[j == 0 ? static_cast<std::size_t>(k)
                            : row(j) + static_cast<std::size_t>(k - 1)];
        };
        auto direct = [&](int j, int k) {
            cdouble f = 0;
            for (int i = ip + 1; i <= n; ++i) f += std::conj(xv(i - k)) * xv(i - j);
            if (backward)
                for (int i = 1; i <= n - ip; ++i) f += xv(i + k) * std::conj(xv(i + j));
            return f;
        };
        for (int k = 0; k <= ip; ++k) at(0, k) = direct(0, k);
        for (int j = 1; j <= ip; ++j) at(j, 1) = direct(j, 1);
        for (int j = 1; j < ip; ++j)
            for (int k = 1; k <= j; ++k) {
                cdouble v = at(j, k) + std::conj(xv(ip - k)) * xv(ip - j) -
                            std::conj(xv(n - k)) * xv(n - j);
                if (backward)
                    v += xv(n - ip + 1 + k) * std::conj(xv(n - ip + 1 + j)) -
                         xv(1 + k) * std::conj(xv(1 + j));
                at(j + 1, k + 1) = v;
            }
        for (std::size_t e = 0; e < s.size(); ++e) {
            cre_[e] = static_cast<R>(s[e].real());
            cim_[e] = static_cast<R>(s[e].imag());
        }
    }

    // The scalar reference.
    void forward() {
        reverse();
        for (int i = ip_ + 1; i <= n_; ++i) {
            for (int j = 0; j <= ip_; ++j) {
                const double br = re_[i - j - 1], bi = im_[i - j - 1];
                const int klo = j == 0 ? 0 : 1, khi = j == 0 ? ip_ : j;
                // x(i-k) read backwards through the reversed copy: index n-i+k
                const R* ar = rre_.data() + (n_ - i + klo);
                const R* ai = rim_.data() + (n_ - i + klo);
                R* cr = cre_.data() + row(j);
                R* ci = cim_.data() + row(j);
                const int len = khi - klo + 1;
                for (int m = 0; m < len; ++m) {
                    const double xr = ar[m], xi = ai[m];
                    cr[m] = static_cast<R>(cr[m] + (xr * br + xi * bi));
                    ci[m] = static_cast<R>(ci[m] + (xr * bi - xi * br));
                }
            }
        }
    }

    void backward() {
        for (int i = 1; i <= n_ - ip_; ++i) {
            for (int j = 0; j <= ip_; ++j) {
                const double br = re_[i + j - 1], bi = im_[i + j - 1];
                const int klo = j == 0 ? 0 : 1, khi = j == 0 ? ip_ : j;
                const R* ar = re_.data() + (i + klo - 1);
                const R* ai = im_.data() + (i + klo - 1);
                R* cr = cre_.data() + row(j);
                R* ci = cim_.data() + row(j);
                const int len = khi - klo + 1;
                for (int m = 0; m < len; ++m) {
                    const double xr = ar[m], xi = ai[m];
                    cr[m] = static_cast<R>(cr[m] + (xr * br + xi * bi));
                    ci[m] = static_cast<R>(ci[m] + (xi * br - xr * bi));
                }
            }
        }
    }

    // Row 0, k = 0..ip
    cx<R> lag(int k) const { return {cre_[k], cim_[k]}; }
    // Packed element l = j(j-1)/2 + k of the lower triangle
    cx<R> packed(int l) const {
        const auto at = static_cast<std::size_t>(ip_ + l);
        return {cre_[at], cim_[at]};
    }

  private:
    void reverse() {
        if (!rre_.empty()) return;
        rre_.assign(re_.rbegin(), re_.rend());
        rim_.assign(im_.rbegin(), im_.rend());
    }
    std::size_t row(int j) const {
        return j == 0 ? 0 : static_cast<std::size_t>(ip_ + 1 + j * (j - 1) / 2);
    }
    int n_, ip_;
    WorkVector<R> re_, im_, rre_, rim_;
    std::vector<R> cre_, cim_;
};

} // namespace

template <class R>
void covmcov(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& mode, R& eps,
             int& iflag, R& sig2) {
    if (ip < 0 || ip >= n || ip > ctx.work.capacity()) {
        Report& r = ctx.report;
        r.blanks(2);
        r.line(Line().x(9).a("COVARIANCE: the AR order must lie in 0 .. n-1:"));
        r.line(Line().x(9).a("order =").i(ip, 6).a("   n =").i(n, 7));
        r.blanks(2);
        stop(" COVARIANCE: AR order out of range");
    }
    Sums<R> sums(x, n, ip);
    if constexpr (!kClassic<R>) {
        sums.recursive_sums(mode == 1);
    } else if (!simd::force_scalar()) {
        sums.vector_sums(mode == 1);
    } else {
        sums.forward();
        if (mode == 1) sums.backward();
    }

    Vec1<cx<R>> hc = ctx.work.hc(), theta = ctx.work.theta();
    const int packed = ip * (ip + 1) / 2;
    for (int l = 1; l <= packed; ++l) hc(l) = sums.packed(l);
    for (int k = 1; k <= ip; ++k) theta(k) = -sums.lag(k);

    cholesky(ctx, ip, eps, iflag);
    if (iflag == -1) return;

    // The energy sums are the conjugates of the right-hand-side sums term by term, and
    // rounding is symmetric, so the conjugated accumulators are exactly those sums.
    cx<R> sum = sums.lag(0);
    for (int k = 1; k <= ip; ++k)
        sum = narrow_to<R>(wide(sum) + cmul(std::conj(wide(sums.lag(k))), wide(theta(k))));
    const double terms = mode == 1 ? 2.0 * (n - ip) : static_cast<double>(n - ip);
    sig2 = static_cast<R>(sum.real() / terms);
}

template void covmcov<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, int& n, int& ip,
                             int& mode, float& eps, int& iflag, float& sig2);
template void covmcov<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, int& n,
                              int& ip, int& mode, double& eps, int& iflag, double& sig2);

} // namespace specest
