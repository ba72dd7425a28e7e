#include "min_variance.h"

#include "cholesky.h"
#include "complex_ops.h"
#include "estimator_context.h"
#include "estimators.h"
#include "lag_sums.h"
#include "simd/dispatch.h"
#include "simd/kernels.h"
#include "simd/parallel.h"
#include "stop.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace specest {
namespace {

[[noreturn]] void input_error(Report& r, const std::string& what, const std::string& stop_text) {
    r.blanks(2);
    r.line(Line().x(2).rep('-', 70));
    r.line(Line().x(9).a("MVSE input error: ").a(what));
    r.line(Line().x(2).rep('-', 70));
    r.blanks(2);
    stop(stop_text);
}

// The scalar reference of the correlation sums.
template <class R>
void corrmat_scalar(const std::vector<R>& re, const std::vector<R>& im, const std::vector<R>& rre,
                    const std::vector<R>& rim, int n, int ip, std::vector<R>& cr,
                    std::vector<R>& ci) {
    for (int k = ip + 1; k <= n; ++k) {
        for (int i = 1; i <= ip; ++i) {
            // term = conj(x(k-j)) x(k-i) + x(k-ip+j) conj(x(k-ip+i)), j = 1..i
            const double br = re[k - i - 1], bi = im[k - i - 1];
            const double dr = re[k - ip + i - 1], di = im[k - ip + i - 1];
            const R* ar = rre.data() + (n - k + 1); // x(k-j) backwards: index n-k+j
            const R* ai = rim.data() + (n - k + 1);
            const R* fr = re.data() + (k - ip); // x(k-ip+j): index k-ip+j-1
            const R* fi = im.data() + (k - ip);
            R* sr = cr.data() + i * (i - 1) / 2;
            R* si = ci.data() + i * (i - 1) / 2;
            for (int m = 0; m < i; ++m) {
                const double xr = ar[m], xi = ai[m], yr = fr[m], yi = fi[m];
                sr[m] = static_cast<R>(sr[m] + ((xr * br + xi * bi) + (yr * dr + yi * di)));
                si[m] = static_cast<R>(si[m] + ((xr * bi - xi * br) + (yi * dr - yr * di)));
            }
        }
    }
}

} // namespace

template <class R> void corrmat(Vec1<cx<R>> x, const int& n, const int& ip, Vec1<cx<R>> rmat) {
    // One single-precision accumulator per packed element, summed over k in increasing order;
    // the accumulators are independent, so one k advances all of them together.
    const auto un = static_cast<std::size_t>(n);
    std::vector<R> re(un), im(un), rre(un), rim(un);
    for (int t = 0; t < n; ++t) {
        re[t] = x(t + 1).real();
        im[t] = x(t + 1).imag();
        rre[n - 1 - t] = re[t];
        rim[n - 1 - t] = im[t];
    }
    const int imax = ip * (ip + 1) / 2;
    std::vector<R> cr(static_cast<std::size_t>(imax), 0.0f), ci(cr.size(), 0.0f);
    bool summed = false;
    if constexpr (kClassic<R>) {
        if (!simd::force_scalar()) {
            // Entry (i, j) lies on diagonal i - j at lane j - 1 (lag_sums.h).
            LagSums lag(re.data(), im.data(), n, ip, false);
            lag.run({LagTerms::both}, n - ip);
            for (int d = 0; d < ip; ++d) {
                for (int j = 1; j + d <= ip; ++j) {
                    const int i = j + d;
                    const auto at = static_cast<std::size_t>(i * (i - 1) / 2 + j - 1);
                    cr[at] = lag.re(lag.diagonal_start(d) + j - 1);
                    ci[at] = lag.im(lag.diagonal_start(d) + j - 1);
                }
            }
            summed = true;
        }
    }
    if (!summed) corrmat_scalar(re, im, rre, rim, n, ip, cr, ci);
    const double scale = 2.0 * (n - ip);
    for (int c = 1; c <= imax; ++c)
        rmat(c) = {static_cast<R>(cr[c - 1] / scale), static_cast<R>(ci[c - 1] / scale)};
}

namespace {

// Exponentials of the grid, block by block as the grid loop lays them out; at most this many
// of each (2 MiB).
constexpr std::size_t kMaxTabulated = std::size_t{1} << 19;

template <class R> struct ExponentialTable {
    int l = 0, ip = 0;
    std::vector<R> er, ei;
};

// The scalar reference of the grid: blocks of frequencies, each point's sum i outer, k inner.
template <class R>
void grid_block_scalar(const R* er, const R* ei, int block, int ip, Mat1<cx<R>> rinv, int cnt,
                       R* sr, R* si) {
    for (int i = 1; i <= ip; ++i) {
        const R* eir = er + static_cast<std::size_t>(i - 1) * block;
        const R* eii = ei + static_cast<std::size_t>(i - 1) * block;
        for (int k = 1; k <= ip; ++k) {
            const double rr = rinv(i, k).real(), ri = rinv(i, k).imag();
            const R* ekr = er + static_cast<std::size_t>(k - 1) * block;
            const R* eki = ei + static_cast<std::size_t>(k - 1) * block;
            for (int q = 0; q < cnt; ++q) {
                // (conj(e(i)) rinv(i,k)) e(k)
                const double a = eir[q], b = eii[q];
                const double c1r = a * rr + b * ri, c1i = a * ri - b * rr;
                const double c = ekr[q], d = eki[q];
                sr[q] = static_cast<R>(sr[q] + (c1r * c - c1i * d));
                si[q] = static_cast<R>(si[q] + (c1r * d + c1i * c));
            }
        }
    }
}

} // namespace

template <class R>
void mvse_inverse(const EstimatorContext<R>& ctx, const int& ip, const R& eps, int& iflag,
                  Mat1<cx<R>> rinv) {
    Vec1<cx<R>> theta = ctx.work.theta();
    cholesky_factor(ctx, ip, eps, iflag);
    if (iflag == -1) return;
    for (int j = 1; j <= ip; ++j) {
        for (int i = 1; i <= ip; ++i) theta(i) = cx<R>();
        theta(j) = 1.0f;
        cholesky_solve<R>(ctx, ip);
        for (int i = 1; i <= ip; ++i) rinv(i, j) = theta(i);
    }
}

template <class R>
void mvse(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& l, R& eps, int& mode,
          Vec1<R> psd, int& iflag) {
    if (ip < 1 || ip > (kClassic<R> ? kMvseMaxOrder : ctx.work.capacity()) || ip >= n)
        input_error(ctx.report,
                    "the order (nPoles) must lie in 1 .. min(210, nPts-1); nPoles = " +
                        std::to_string(ip) + ", nPts = " + std::to_string(n),
                    " MVSE: nPoles parameter out of range");
    if (l < 1 || l > psd.size())
        input_error(ctx.report,
                    "L_pts = " + std::to_string(l) + " frequency points do not fit the " +
                        std::to_string(psd.size()) + " points of the spectrum array",
                    " MVSE: L_PTS parameter out of range");
    if (mode != 0 && mode != 1)
        input_error(ctx.report,
                    "mode must be 0 (c = 1) or 1 (c = nPoles); mode = " + std::to_string(mode),
                    " MVSE: mode parameter out of range");

    corrmat(x, n, ip, ctx.work.rmat());
    std::vector<cx<R>> rinv_storage(static_cast<std::size_t>(ip) * ip);
    Mat1<cx<R>> rinv(rinv_storage.data(), ip, ip);
    mvse_inverse(ctx, ip, eps, iflag, rinv);
    if (iflag == -1) return;

    // P(f) for blocks of frequencies at a time: each point's sum runs i outer, k inner, in
    // single precision, and the points of a block advance together.
    constexpr int kBlock = 64;
    const R pi2 = static_cast<R>(8.0 * std::atan(1.0f));
    const double num = mode == 0 ? 1.0 : static_cast<double>(ip);
    // The vector kernel reads widened copies of the exponentials and of rinv.
    const bool vector = kClassic<R> && !simd::force_scalar();
    std::vector<double> rr, ri;
    if (vector) {
        rr.resize(rinv_storage.size());
        ri.resize(rinv_storage.size());
        for (std::size_t e = 0; e < rinv_storage.size(); ++e) {
            rr[e] = rinv_storage[e].real();
            ri[e] = rinv_storage[e].imag();
        }
    }
    const int nblocks = (l + kBlock - 1) / kBlock;
    const auto per_block = static_cast<std::size_t>(ip) * kBlock;
    // The exponentials depend on the grid and the order only: kept per thread (when they fit
    // in a few megabytes), the C library's cos and sin run once for all the runs sharing them.
    thread_local ExponentialTable<R> table;
    ExponentialTable<R>& tab = table; // the parts on other threads fill this thread's table
    const bool tabulated = vector && static_cast<std::size_t>(nblocks) * per_block <= kMaxTabulated;
    const bool filled = tabulated && tab.l == l && tab.ip == ip;
    if (tabulated && !filled) {
        tab.l = 0;
        tab.er.assign(static_cast<std::size_t>(nblocks) * per_block, 0.0f);
        tab.ei.assign(tab.er.size(), 0.0f);
    }
    // Blocks b_lo <= b < b_hi, with work arrays of their own.
    auto blocks = [&](int b_lo, int b_hi) {
        std::vector<R> er_own(tabulated ? 0 : per_block), ei_own(er_own.size());
        std::vector<double> der(vector ? per_block : 0), dei(der.size());
        std::array<R, kBlock> sr{}, si{};
        for (int b = b_lo; b < b_hi; ++b) {
            const int p0 = 1 + b * kBlock;
            const int cnt = std::min(kBlock, l - p0 + 1);
            R* er =
                tabulated ? tab.er.data() + static_cast<std::size_t>(b) * per_block : er_own.data();
            R* ei =
                tabulated ? tab.ei.data() + static_cast<std::size_t>(b) * per_block : ei_own.data();
            for (int q = 0; q < cnt; ++q) {
                if (!filled) {
                    // Classic: from -1/2 up; modern: numpy's fftfreq order.
                    const int k = p0 + q - 1;
                    const R f =
                        kClassic<R>
                            ? static_cast<R>(static_cast<double>(k) / l - 0.5)
                            : static_cast<R>(static_cast<double>(2 * k < l ? k : k - l) / l);
                    for (int i = 1; i <= ip; ++i) {
                        const double arg = static_cast<double>(pi2) * f * (i - 1);
                        er[static_cast<std::size_t>(i - 1) * kBlock + q] =
                            to_real<R>(std::cos(arg));
                        ei[static_cast<std::size_t>(i - 1) * kBlock + q] =
                            to_real<R>(std::sin(arg));
                    }
                }
                sr[q] = 0.0f;
                si[q] = 0.0f;
            }
            if constexpr (kClassic<R>) {
                if (vector) {
                    for (std::size_t e = 0; e < per_block; ++e) {
                        der[e] = er[e];
                        dei[e] = ei[e];
                    }
                    simd::mvse_block(der.data(), dei.data(), kBlock, ip, rr.data(), ri.data(), cnt,
                                     sr.data(), si.data());
                }
            }
            if (!vector) {
                grid_block_scalar(er, ei, kBlock, ip, rinv, cnt, sr.data(), si.data());
            }
            for (int q = 0; q < cnt; ++q)
                psd(p0 + q) = static_cast<R>(cdiv(cdouble(num, 0.0), cdouble(sr[q], si[q])).real());
        }
    };
    if (!vector) {
        blocks(0, nblocks);
        return;
    }
    // The grid points are independent: blocks of them run side by side.
    const int parts = std::min(nblocks, simd::parts_for(static_cast<double>(l) * ip * ip));
    simd::run_parts(parts, [&](int p) {
        blocks(static_cast<int>(static_cast<long long>(nblocks) * p / parts),
               static_cast<int>(static_cast<long long>(nblocks) * (p + 1) / parts));
    });
    if (tabulated && !filled) {
        tab.l = l;
        tab.ip = ip;
    }
}

template void corrmat<float>(Vec1<cx<float>> x, const int& n, const int& ip, Vec1<cx<float>> rmat);
template void corrmat<double>(Vec1<cx<double>> x, const int& n, const int& ip,
                              Vec1<cx<double>> rmat);
template void mvse_inverse<float>(const EstimatorContext<float>& ctx, const int& ip,
                                  const float& eps, int& iflag, Mat1<cx<float>> rinv);
template void mvse_inverse<double>(const EstimatorContext<double>& ctx, const int& ip,
                                   const double& eps, int& iflag, Mat1<cx<double>> rinv);
template void mvse<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, int& n, int& ip,
                          int& l, float& eps, int& mode, Vec1<float> psd, int& iflag);
template void mvse<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, int& n, int& ip,
                           int& l, double& eps, int& mode, Vec1<double> psd, int& iflag);

} // namespace specest
