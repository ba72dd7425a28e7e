// Covariance (forward) and modified covariance (forward + backward) least-squares AR fits.
#include "estimators.h"

#include "cholesky.h"
#include "complex_ops.h"
#include "run_context.h"
#include "simd/dispatch.h"
#include "simd/kernels.h"
#include "simd/parallel.h"
#include "stop.h"
#include "work_area.h"

#include <vector>

namespace specest {
namespace {

// Correlation sums of the record, one single-precision accumulator per element, each summed in
// the order of increasing i: first the forward terms, then (modified method) the backward ones.
// Row 0 holds the sums with the unshifted sample, k = 0..ip:
//   F(0,k) = sum_{i=ip+1..n} conj(x(i-k)) x(i),  B(0,k) = sum_{i=1..n-ip} x(i+k) conj(x(i)),
// rows j = 1..ip the packed lower triangle, k = 1..j:
//   F(j,k) = sum_{i=ip+1..n} conj(x(i-k)) x(i-j), B(j,k) = sum_{i=1..n-ip} x(i+k) conj(x(i+j)).
// The accumulators are independent, so the work for one i runs across all of them at once.
class Sums {
  public:
    Sums(Vec1<cfloat> x, int n, int ip) : n_(n), ip_(ip) {
        const auto un = static_cast<std::size_t>(n);
        re_.resize(un);
        im_.resize(un);
        rre_.resize(un);
        rim_.resize(un);
        for (int t = 0; t < n; ++t) {
            re_[t] = x(t + 1).real();
            im_[t] = x(t + 1).imag();
            rre_[n - 1 - t] = re_[t];
            rim_[n - 1 - t] = im_[t];
        }
        const auto total = static_cast<std::size_t>(ip + 1 + ip * (ip + 1) / 2);
        cre_.assign(total, 0.0f);
        cim_.assign(total, 0.0f);
    }

    void forward() {
        if (!simd::force_scalar()) {
            widen();
            by_rows(n_ - ip_, [&](int j_lo, int j_hi) {
                simd::covariance_forward(dre_.data(), dim_.data(), drre_.data(), drim_.data(), n_,
                                         ip_, j_lo, j_hi, cre_.data(), cim_.data());
            });
            return;
        }
        for (int i = ip_ + 1; i <= n_; ++i) {
            for (int j = 0; j <= ip_; ++j) {
                const double br = re_[i - j - 1], bi = im_[i - j - 1];
                const int klo = j == 0 ? 0 : 1, khi = j == 0 ? ip_ : j;
                // x(i-k) read backwards through the reversed copy: index n-i+k
                const float* ar = rre_.data() + (n_ - i + klo);
                const float* ai = rim_.data() + (n_ - i + klo);
                float* cr = cre_.data() + row(j);
                float* ci = cim_.data() + row(j);
                const int len = khi - klo + 1;
                for (int m = 0; m < len; ++m) {
                    const double xr = ar[m], xi = ai[m];
                    cr[m] = static_cast<float>(cr[m] + (xr * br + xi * bi));
                    ci[m] = static_cast<float>(ci[m] + (xr * bi - xi * br));
                }
            }
        }
    }

    void backward() {
        if (!simd::force_scalar()) {
            widen();
            by_rows(n_ - ip_, [&](int j_lo, int j_hi) {
                simd::covariance_backward(dre_.data(), dim_.data(), n_, ip_, j_lo, j_hi,
                                          cre_.data(), cim_.data());
            });
            return;
        }
        for (int i = 1; i <= n_ - ip_; ++i) {
            for (int j = 0; j <= ip_; ++j) {
                const double br = re_[i + j - 1], bi = im_[i + j - 1];
                const int klo = j == 0 ? 0 : 1, khi = j == 0 ? ip_ : j;
                const float* ar = re_.data() + (i + klo - 1);
                const float* ai = im_.data() + (i + klo - 1);
                float* cr = cre_.data() + row(j);
                float* ci = cim_.data() + row(j);
                const int len = khi - klo + 1;
                for (int m = 0; m < len; ++m) {
                    const double xr = ar[m], xi = ai[m];
                    cr[m] = static_cast<float>(cr[m] + (xr * br + xi * bi));
                    ci[m] = static_cast<float>(ci[m] + (xi * br - xr * bi));
                }
            }
        }
    }

    // Row 0, k = 0..ip
    cfloat lag(int k) const { return {cre_[k], cim_[k]}; }
    // Packed element l = j(j-1)/2 + k of the lower triangle
    cfloat packed(int l) const {
        const auto at = static_cast<std::size_t>(ip_ + l);
        return {cre_[at], cim_[at]};
    }

  private:
    // Rows of accumulators are independent: parts of about equal work run side by side.
    template <class F> void by_rows(int terms, F rows) {
        auto len = [this](int j) { return static_cast<double>(j == 0 ? ip_ + 1 : j); };
        double work = 0;
        for (int j = 0; j <= ip_; ++j) work += len(j) * terms;
        const int parts = simd::parts_for(work);
        const auto cuts = simd::split_rows(0, ip_, parts, len);
        simd::run_parts(parts, [&](int p) {
            const auto at = static_cast<std::size_t>(p);
            if (cuts[at + 1] > cuts[at]) rows(cuts[at], cuts[at + 1] - 1);
        });
    }
    // Double copies for the vector kernels (exact widening of the floats).
    void widen() {
        if (!dre_.empty()) return;
        dre_.assign(re_.begin(), re_.end());
        dim_.assign(im_.begin(), im_.end());
        drre_.assign(rre_.begin(), rre_.end());
        drim_.assign(rim_.begin(), rim_.end());
    }
    std::size_t row(int j) const {
        return j == 0 ? 0 : static_cast<std::size_t>(ip_ + 1 + j * (j - 1) / 2);
    }
    int n_, ip_;
    std::vector<float> re_, im_, rre_, rim_, cre_, cim_;
    std::vector<double> dre_, dim_, drre_, drim_;
};

} // namespace

void covmcov(Vec1<cfloat> x, int& n, int& ip, int& mode, float& eps, int& iflag, float& sig2) {
    if (ip < 0 || ip >= n || ip > wa::kVec) {
        Report& r = run_report();
        r.blanks(2);
        r.line(Line().x(9).a("COVARIANCE: the AR order must lie in 0 .. n-1:"));
        r.line(Line().x(9).a("order =").i(ip, 6).a("   n =").i(n, 7));
        r.blanks(2);
        stop(" COVARIANCE: AR order out of range");
    }
    Sums sums(x, n, ip);
    sums.forward();
    if (mode == 1) sums.backward();

    Vec1<cfloat> hc = wa::hc(), theta = wa::theta();
    const int packed = ip * (ip + 1) / 2;
    for (int l = 1; l <= packed; ++l) hc(l) = sums.packed(l);
    for (int k = 1; k <= ip; ++k) theta(k) = -sums.lag(k);

    cholesky(ip, eps, iflag);
    if (iflag == -1) return;

    // The energy sums are the conjugates of the right-hand-side sums term by term, and
    // rounding is symmetric, so the conjugated accumulators are exactly those sums.
    cfloat sum = sums.lag(0);
    for (int k = 1; k <= ip; ++k)
        sum = narrow(wide(sum) + cmul(std::conj(wide(sums.lag(k))), wide(theta(k))));
    const double terms = mode == 1 ? 2.0 * (n - ip) : static_cast<double>(n - ip);
    sig2 = static_cast<float>(sum.real() / terms);
}

} // namespace specest
