// Helpers shared by the ARMA estimator tests: a report for direct calls, double-precision
// oracles and conversions between the engine's float views and plain vectors.
#pragma once

#include "job_params.h"
#include "model_spectrum.h"
#include "run_context.h"
#include "test_support.h"
#include "views.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

namespace specest::test {

using cd = std::complex<double>;

// A report open in the test's folder and a clean job record, for direct calls.
using EstimatorTest = ReportTest;

inline std::vector<cfloat> to_cfloat(const std::vector<double>& x, std::size_t size = 0) {
    std::vector<cfloat> v(std::max(size, x.size()));
    for (std::size_t i = 0; i < x.size(); ++i) v[i] = {static_cast<float>(x[i]), 0.0f};
    return v;
}
inline std::vector<float> to_float(const std::vector<double>& x, std::size_t size = 0) {
    std::vector<float> v(std::max(size, x.size()));
    for (std::size_t i = 0; i < x.size(); ++i) v[i] = static_cast<float>(x[i]);
    return v;
}

// Solves A x = b by Gaussian elimination with partial pivoting, in double precision.
inline std::vector<cd> solve(std::vector<std::vector<cd>> A, std::vector<cd> b) {
    const std::size_t n = b.size();
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t p = c;
        for (std::size_t r = c + 1; r < n; ++r)
            if (std::abs(A[r][c]) > std::abs(A[p][c])) p = r;
        std::swap(A[c], A[p]);
        std::swap(b[c], b[p]);
        for (std::size_t r = c + 1; r < n; ++r) {
            const cd f = A[r][c] / A[c][c];
            for (std::size_t k = c; k < n; ++k) A[r][k] -= f * A[c][k];
            b[r] -= f * b[c];
        }
    }
    std::vector<cd> x(n);
    for (std::size_t i = n; i-- > 0;) {
        cd s = b[i];
        for (std::size_t k = i + 1; k < n; ++k) s -= A[i][k] * x[k];
        x[i] = s / A[i][i];
    }
    return x;
}

// Least-squares solution of the overdetermined system R a = rhs (normal equations in double).
inline std::vector<cd> least_squares(const std::vector<std::vector<cd>>& R,
                                     const std::vector<cd>& rhs) {
    const std::size_t rows = R.size(), cols = R.empty() ? 0 : R[0].size();
    std::vector<std::vector<cd>> N(cols, std::vector<cd>(cols));
    std::vector<cd> v(cols);
    for (std::size_t j = 0; j < cols; ++j) {
        for (std::size_t k = 0; k < cols; ++k)
            for (std::size_t i = 0; i < rows; ++i) N[j][k] += std::conj(R[i][j]) * R[i][k];
        for (std::size_t i = 0; i < rows; ++i) v[j] += std::conj(R[i][j]) * rhs[i];
    }
    return solve(N, v);
}

// Correlation lags 0..lag-1 in double: sum conj(x(i)) x(i+k) / (n-k) (unbiased) or / n.
inline std::vector<cd> lags(const std::vector<cfloat>& x, int n, int lag, bool unbiased) {
    std::vector<cd> r(static_cast<std::size_t>(lag));
    for (int k = 0; k < lag; ++k) {
        cd s;
        for (int i = 0; i + k < n; ++i)
            s += std::conj(cd(x[i].real(), x[i].imag())) * cd(x[i + k].real(), x[i + k].imag());
        r[static_cast<std::size_t>(k)] = n - k > 0 ? s / double(unbiased ? n - k : n) : cd();
    }
    return r;
}

// The model's spectrum sig2 |B|^2 / |A|^2 at normalised frequency f, from complex coefficients.
inline double model_spectrum(const std::vector<cfloat>& a, const std::vector<cfloat>& b,
                             double sig2, double f) {
    const double w = 2.0 * M_PI * f;
    cd A(1.0), B(1.0);
    for (std::size_t k = 1; k <= a.size(); ++k)
        A += cd(a[k - 1].real(), a[k - 1].imag()) * std::polar(1.0, -w * double(k));
    for (std::size_t k = 1; k <= b.size(); ++k)
        B += cd(b[k - 1].real(), b[k - 1].imag()) * std::polar(1.0, -w * double(k));
    return sig2 * std::norm(B) / std::norm(A);
}

// Frequency (cycles per sample, 0..0.5) of the largest value of the true spectrum.
inline double true_peak(const std::vector<double>& a, const std::vector<double>& b) {
    double best = 0, fbest = 0;
    for (int k = 0; k <= 5000; ++k) {
        const double f = 0.5 * k / 5000.0;
        const double v = arma_spectrum(a, b, 1.0, f);
        if (v > best) best = v, fbest = f;
    }
    return fbest;
}

inline double db_diff(double est, double truth) {
    return 10.0 * std::log10(est / truth);
}

// A job for the ARMA methods on real data, one-sided, no notes.
inline Job arma_job(const std::string& method, int npoints, int npoles, int nzeros) {
    Job j;
    j.method = method;
    j.npoints = std::to_string(npoints);
    j.npoles = std::to_string(npoles);
    j.nzeros = std::to_string(nzeros);
    return j;
}

inline bool all_finite(const std::vector<float>& v) {
    for (float x : v)
        if (!std::isfinite(x)) return false;
    return true;
}

} // namespace specest::test
