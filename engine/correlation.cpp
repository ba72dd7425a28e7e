#include "correlation.h"

#include "fft_any.h"

#include "simd/dispatch.h"
#include "simd/grid64_kernels.h"
#include "simd/kernels.h"
#include "simd/lags64_kernels.h"
#include "simd/parallel.h"
#include "work_array.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace specest {
namespace {

// The scalar reference.
template <class R>
void correlation_scalar(int n, int lag, int mode, Vec1<cx<R>> x, Vec1<cx<R>> y, Vec1<cx<R>> rxx) {
    const cx<R>* xp = x.data();
    const cx<R>* yp = y.data();
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
            rxx(k + q + 1) = {static_cast<R>(sr[q] / div), static_cast<R>(si[q] / div)};
        }
    }
    for (; k < lag; ++k) {
        if (n - k <= 0) { // no products for this lag
            rxx(k + 1) = cx<R>();
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
        rxx(k + 1) = {static_cast<R>(sr / div), static_cast<R>(si / div)};
    }
}

// Lags side by side in vector lanes, each summed in its own order, on widened split copies.
template <class R>
void correlation_vector(int n, int lag, int mode, Vec1<cx<R>> x, Vec1<cx<R>> y, Vec1<cx<R>> rxx) {
    const auto un = static_cast<std::size_t>(n);
    // Every element is written before it is read; kept blocks spare the page faults.
    UnsetWorkVector<double> xr(un), xi(un);
    std::vector<double> sr(static_cast<std::size_t>(lag)), si(sr.size());
    for (std::size_t i = 0; i < un; ++i) {
        xr[i] = x.data()[i].real();
        xi[i] = x.data()[i].imag();
    }
    UnsetWorkVector<double> yr, yi;
    if (y.data() != x.data()) {
        yr.resize(un);
        yi.resize(un);
        for (std::size_t i = 0; i < un; ++i) {
            yr[i] = y.data()[i].real();
            yi[i] = y.data()[i].imag();
        }
    }
    const bool same = y.data() == x.data();
    const double* py_r = same ? xr.data() : yr.data();
    const double* py_i = same ? xi.data() : yi.data();
    // Lags k0 <= k < k1 are the lags 0.. of y shifted by k0 against x, over n - k0 terms.
    const int parts = simd::parts_for(static_cast<double>(n) * lag);
    const auto cuts = simd::split_rows(0, std::min(lag, n) - 1, parts,
                                       [n](int k) { return static_cast<double>(n - k); });
    simd::run_parts(parts, [&](int p) {
        const int k0 = cuts[static_cast<std::size_t>(p)],
                  k1 = cuts[static_cast<std::size_t>(p) + 1];
        if (k1 > k0)
            simd::correlation_sums(xr.data(), xi.data(), py_r + k0, py_i + k0, n - k0, k1 - k0,
                                   sr.data() + k0, si.data() + k0);
    });
    for (int k = 0; k < lag; ++k) {
        if (n - k <= 0) {
            rxx(k + 1) = cx<R>();
            continue;
        }
        const double div = mode == 0 ? n - k : n;
        const auto uk = static_cast<std::size_t>(k);
        rxx(k + 1) = {static_cast<R>(sr[uk] / div), static_cast<R>(si[uk] / div)};
    }
}

} // namespace

// Many lags at once through the FFT: sum conj(x(i)) y(i+k) = IFFT(conj(X) Y)(k) on a length
// that holds every product without wrapping. Double precision only (the classic sums keep
// their order).
namespace {
void correlation_fft(int n, int lag, int mode, Vec1<cdouble> x, Vec1<cdouble> y,
                     Vec1<cdouble> rxx) {
    const auto m =
        fft64::next_fast_length(static_cast<std::size_t>(n) + static_cast<std::size_t>(lag));
    std::vector<cdouble> fx(m), fy;
    std::copy(x.data(), x.data() + n, fx.begin());
    fft64::fft(fx.data(), m);
    const bool same = x.data() == y.data();
    if (!same) {
        fy.assign(m, cdouble());
        std::copy(y.data(), y.data() + n, fy.begin());
        fft64::fft(fy.data(), m);
    }
    for (std::size_t f = 0; f < m; ++f) fx[f] = std::conj(fx[f]) * (same ? fx[f] : fy[f]);
    fft64::fft(fx.data(), m, true);
    for (int k = 0; k < lag; ++k) {
        const double div = (mode == 0 ? std::max(n - k, 1) : n) * static_cast<double>(m);
        rxx(k + 1) = k < n ? fx[static_cast<std::size_t>(k)] / div : cdouble();
    }
}
} // namespace

// The lags of a real record (double precision): direct sums in vector lanes while they are
// cheaper, else the same sums through two real transforms: |X|^2 is real and even, so its
// inverse transform is its forward one over m.
namespace {

// The direct sums cost about n lags, the transforms about 9.5 m log2(m) of the same units
// (bench/modern_bench.cpp, BM_RealLags: on 16384 samples they cross near 135 lags).
constexpr double kFftCostPerLog = 9.5;

// The lags from the real samples x; v, when given, is a scratch copy of x of length
// real_lags_length (the transform's), else x is read where it lies.
std::size_t real_lags_length(int n, int lags) {
    // Even, so the real transform runs as a complex one of half the length.
    return 2 * fft64::next_fast_length(
                   (static_cast<std::size_t>(n) + static_cast<std::size_t>(lags) + 1) / 2);
}

bool lags_by_fft(int n, int lags) {
    const double md = static_cast<double>(real_lags_length(n, lags));
    return static_cast<double>(n) * lags > kFftCostPerLog * md * std::log2(md);
}

void real_lags(int n, int lag, int mode, const double* x, double offset, double* v,
               Vec1<cdouble> rxx) {
    const auto un = static_cast<std::size_t>(n);
    const int lags = std::min(lag, n); // lags from n on have no products
    std::vector<double> sums(static_cast<std::size_t>(lags));
    if (lags_by_fft(n, lags)) {
        const std::size_t m = real_lags_length(n, lags);
        UnsetWorkVector<cdouble> spec(m / 2 + 1);
        if (v != x || offset != 0.0)
            for (std::size_t i = 0; i < un; ++i) v[i] = x[i] - offset;
        std::fill(v + un, v + m, 0.0);
        fft64::rfft(v, m, spec.data());
        for (std::size_t k = 0; k <= m / 2; ++k) {
            v[k] = std::norm(spec[k]);
            if (k > 0 && k < m - k) v[m - k] = v[k];
        }
        fft64::rfft(v, m, spec.data());
        for (std::size_t k = 0; k < sums.size(); ++k)
            sums[k] = spec[k].real() / static_cast<double>(m);
    } else {
        // Parts of lags of about equal work; every lag keeps its own order of sums.
        const int parts = simd::parts_for(static_cast<double>(n) * lags);
        const auto cuts =
            simd::split_rows(0, lags - 1, parts, [n](int k) { return static_cast<double>(n - k); });
        simd::run_parts(parts, [&](int p) {
            const auto k0 = static_cast<std::size_t>(cuts[static_cast<std::size_t>(p)]);
            const auto k1 = static_cast<std::size_t>(cuts[static_cast<std::size_t>(p) + 1]);
            if (k1 > k0) simd::real_lag_sums(x, un, k0, k1, offset, sums.data() + k0);
        });
    }
    for (int k = 0; k < lag; ++k) {
        const double div = mode == 0 ? n - k : n;
        rxx(k + 1) = k < lags ? cdouble(sums[static_cast<std::size_t>(k)] / div, 0.0) : cdouble();
    }
}

// False (nothing written) when the record is not real after all.
bool real_correlation(int n, int lag, int mode, Vec1<cdouble> x, Vec1<cdouble> rxx) {
    const auto un = static_cast<std::size_t>(n);
    const int lags = std::min(lag, n);
    UnsetWorkVector<double> v(lags_by_fft(n, lags) ? real_lags_length(n, lags) : un);
    if (!simd::real_parts(reinterpret_cast<const double*>(x.data()), un, v.data())) return false;
    real_lags(n, lag, mode, v.data(), 0.0, v.data(), rxx);
    return true;
}

} // namespace

template <class R>
void correlation(int n, int lag, int mode, Vec1<cx<R>> x, Vec1<cx<R>> y, Vec1<cx<R>> rxx) {
    if (lag < 1) return;
    if constexpr (!kClassic<R>) {
        if (n >= 1 && x.data() == y.data() && !simd::force_scalar() &&
            real_correlation(n, lag, mode, x, rxx))
            return;
        if (n >= 1 && lag > 64) {
            correlation_fft(n, lag, mode, x, y, rxx);
            return;
        }
    }
    if (n < 1 || simd::force_scalar())
        correlation_scalar(n, lag, mode, x, y, rxx);
    else
        correlation_vector(n, lag, mode, x, y, rxx);
}

void correlation(int n, int lag, int mode, const double* x, double offset, Vec1<cdouble> rxx) {
    if (lag < 1) return;
    if (n < 1 || simd::force_scalar()) {
        // The complex call on the samples as pairs.
        std::vector<cdouble> pairs(static_cast<std::size_t>(std::max(n, 0)));
        for (std::size_t i = 0; i < pairs.size(); ++i) pairs[i] = cdouble(x[i] - offset, 0.0);
        const Vec1<cdouble> xv(pairs.data(), n);
        correlation<double>(n, lag, mode, xv, xv, rxx);
        return;
    }
    const int lags = std::min(lag, n);
    UnsetWorkVector<double> v(lags_by_fft(n, lags) ? real_lags_length(n, lags) : 0);
    real_lags(n, lag, mode, x, offset, v.empty() ? nullptr : v.data(), rxx);
}

template void correlation<float>(int n, int lag, int mode, Vec1<cx<float>> x, Vec1<cx<float>> y,
                                 Vec1<cx<float>> rxx);
template void correlation<double>(int n, int lag, int mode, Vec1<cx<double>> x, Vec1<cx<double>> y,
                                  Vec1<cx<double>> rxx);

} // namespace specest
