// Periodogram, correlation, Blackman-Tukey and model evaluation against direct formulas.
#include "blackman_tukey.h"
#include "correlation.h"
#include "estimator_test_context.h"
#include "model_spectrum.h"
#include "periodogram.h"
#include "run_context.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace specest {
namespace {

class KernelTest : public test::ReportTest {};

std::vector<cfloat> random_signal(int n, std::mt19937_64& rng) {
    std::normal_distribution<float> g(0.0f, 1.0f);
    std::vector<cfloat> x(static_cast<std::size_t>(n));
    for (auto& v : x) v = {g(rng), g(rng)};
    return x;
}

// Direct double-precision value of the spectrum at two-sided index k (1-based) of an N grid.
double grid_frequency(int k, int n) {
    return static_cast<double>(k - 1 - n / 2) / n;
}

TEST_F(KernelTest, PeriodogramMatchesDirectFormula) {
    auto rng = test::seeded_rng("Kernel.Periodogram");
    const int n = 100, nexp = 8, big_n = 1 << nexp;
    auto x = random_signal(n, rng);
    std::vector<float> w(n);
    for (int i = 0; i < n; ++i) w[i] = 0.5f + 0.5f * std::sin(0.1f * i);
    std::vector<cfloat> work(big_n);
    std::copy(x.begin(), x.end(), work.begin());
    std::vector<float> p(big_n);
    periodogram(test::ctx(), Vec1<cfloat>(work), n, Vec1<float>(w), nexp, Vec1<float>(p), big_n);
    double total = 0;
    for (int k = 1; k <= big_n; ++k) {
        cdouble s = 0;
        for (int i = 0; i < n; ++i)
            s += cdouble(x[i].real() * w[i], x[i].imag() * w[i]) *
                 std::polar(1.0, -2 * M_PI * grid_frequency(k, big_n) * i);
        const double ref = std::norm(s) / n;
        total += ref;
        ASSERT_NEAR(p[k - 1], ref, 1e-4 * (1 + ref)) << k;
    }
    EXPECT_GT(total, 0.0);
}

TEST_F(KernelTest, PeriodogramEdgeCases) {
    // Constant record of N ones: N at zero frequency, nothing elsewhere.
    const int nexp = 5, n = 1 << nexp;
    std::vector<cfloat> x(n, cfloat(1, 0));
    std::vector<float> w(n, 1.0f), p(n);
    periodogram(test::ctx(), Vec1<cfloat>(x), n, Vec1<float>(w), nexp, Vec1<float>(p), n);
    for (int k = 1; k <= n; ++k) EXPECT_NEAR(p[k - 1], k == n / 2 + 1 ? n : 0.0, 1e-4) << k;
    // A complex exponential at bin m puts its power n at N/2+1+m.
    const int m = 5;
    for (int i = 0; i < n; ++i) x[i] = std::polar(1.0f, static_cast<float>(2 * M_PI * m * i / n));
    periodogram(test::ctx(), Vec1<cfloat>(x), n, Vec1<float>(w), nexp, Vec1<float>(p), n);
    EXPECT_NEAR(p[n / 2 + m], n, 1e-3);
    // A short record is zero-padded; the divisor stays the record length.
    std::vector<cfloat> y(n, cfloat(0, 0));
    y[0] = y[1] = y[2] = cfloat(2, 0);
    std::vector<float> w3(3, 1.0f);
    periodogram(test::ctx(), Vec1<cfloat>(y), 3, Vec1<float>(w3), nexp, Vec1<float>(p), n);
    EXPECT_NEAR(p[n / 2], 36.0 / 3.0, 1e-5); // |6|^2 / 3 at zero frequency
}

TEST_F(KernelTest, CorrelationEstimates) {
    std::vector<cfloat> ones(4, cfloat(1, 0));
    std::vector<cfloat> r(3);
    correlation(4, 3, 0, Vec1<cfloat>(ones), Vec1<cfloat>(ones), Vec1<cfloat>(r));
    for (auto v : r) EXPECT_EQ(v, cfloat(1, 0));
    correlation(4, 3, 1, Vec1<cfloat>(ones), Vec1<cfloat>(ones), Vec1<cfloat>(r));
    EXPECT_EQ(r[0], cfloat(1, 0));
    EXPECT_EQ(r[1], cfloat(0.75f, 0));
    EXPECT_EQ(r[2], cfloat(0.5f, 0));

    auto rng = test::seeded_rng("Kernel.Correlation");
    const int n = 37, lags = 11; // lag counts that exercise the four-at-a-time path and its tail
    auto x = random_signal(n, rng), y = random_signal(n, rng);
    std::vector<cfloat> rb(lags), ru(lags);
    correlation(n, lags, 1, Vec1<cfloat>(x), Vec1<cfloat>(y), Vec1<cfloat>(rb));
    correlation(n, lags, 0, Vec1<cfloat>(x), Vec1<cfloat>(y), Vec1<cfloat>(ru));
    for (int k = 0; k < lags; ++k) {
        cdouble s = 0;
        for (int i = 0; i < n - k; ++i)
            s += std::conj(cdouble(x[i].real(), x[i].imag())) *
                 cdouble(y[i + k].real(), y[i + k].imag());
        const cfloat biased(static_cast<float>(s.real() / n), static_cast<float>(s.imag() / n));
        const cfloat unbiased(static_cast<float>(s.real() / (n - k)),
                              static_cast<float>(s.imag() / (n - k)));
        EXPECT_EQ(rb[k], biased) << k; // same sum in the same order: the same bits
        EXPECT_EQ(ru[k], unbiased) << k;
    }
    // Lags at or beyond the record give zero, not 0/0.
    std::vector<cfloat> rl(6);
    correlation(4, 6, 0, Vec1<cfloat>(ones), Vec1<cfloat>(ones), Vec1<cfloat>(rl));
    EXPECT_EQ(rl[4], cfloat(0, 0));
    EXPECT_EQ(rl[5], cfloat(0, 0));
}

TEST_F(KernelTest, BlackmanTukeyMatchesDirectFormula) {
    auto rng = test::seeded_rng("Kernel.BlackmanTukey");
    const int n = 200, m = 12, nexp = 7, big_l = 1 << nexp;
    auto x = random_signal(n, rng);
    std::vector<float> w(2 * m + 1);
    for (int i = 1; i <= 2 * m + 1; ++i)
        w[i - 1] = static_cast<float>(m - std::abs(i - (m + 1))) / m;
    std::vector<float> p(big_l);
    blacktukey(test::ctx(), Vec1<cfloat>(x), n, 1, Vec1<float>(w), m, nexp, Vec1<float>(p), big_l);
    std::vector<cdouble> r(m + 1);
    for (int k = 0; k <= m; ++k) {
        for (int i = 0; i < n - k; ++i)
            r[k] += std::conj(cdouble(x[i].real(), x[i].imag())) *
                    cdouble(x[i + k].real(), x[i + k].imag());
        r[k] /= n;
    }
    for (int k = 1; k <= big_l; ++k) {
        const double f = grid_frequency(k, big_l);
        cdouble s = double(w[m]) * r[0];
        for (int l = 1; l <= m; ++l)
            s += double(w[m + l]) * r[l] * std::polar(1.0, -2 * M_PI * f * l) +
                 double(w[m - l]) * std::conj(r[l]) * std::polar(1.0, 2 * M_PI * f * l);
        ASSERT_NEAR(p[k - 1], s.real(), 2e-4 * (1 + std::abs(s.real()))) << k;
    }
}

TEST_F(KernelTest, BlackmanTukeySymmetryAndFlatCase) {
    auto rng = test::seeded_rng("Kernel.BlackmanTukeySymmetry");
    std::normal_distribution<float> g(0.0f, 1.0f);
    const int n = 128, m = 10, nexp = 6, big_l = 1 << nexp;
    std::vector<cfloat> x(n);
    for (auto& v : x) v = {g(rng), 0.0f};
    std::vector<float> w(2 * m + 1, 1.0f), p(big_l);
    blacktukey(test::ctx(), Vec1<cfloat>(x), n, 1, Vec1<float>(w), m, nexp, Vec1<float>(p), big_l);
    for (int k = 1; k < big_l / 2; ++k)
        EXPECT_NEAR(p[big_l / 2 + k], p[big_l / 2 - k], 1e-4 * (1 + std::abs(p[big_l / 2 + k])));
    // Only lag 0 non-zero: flat at that value.
    std::vector<cfloat> imp(n, cfloat(0, 0));
    imp[0] = cfloat(4, 0);
    blacktukey(test::ctx(), Vec1<cfloat>(imp), n, 1, Vec1<float>(w), m, nexp, Vec1<float>(p),
               big_l);
    for (float v : p) EXPECT_NEAR(v, 16.0f / n, 1e-6f);
}

TEST_F(KernelTest, ArmaSpectrumExamples) {
    const int nexp = 3, n = 8;
    std::vector<cfloat> a = {{-0.5f, 0}}, b = {{1.0f, 0}};
    std::vector<float> psd(n);
    armapsd(test::ctx(), 1, 0, Vec1<cfloat>(a), Vec1<cfloat>(b), 1.0f, nexp, Vec1<float>(psd), n);
    EXPECT_FLOAT_EQ(psd[4], 4.0f);
    EXPECT_FLOAT_EQ(psd[0], 1.0f / 2.25f);
    armapsd(test::ctx(), 0, 1, Vec1<cfloat>(a), Vec1<cfloat>(b), 2.0f, nexp, Vec1<float>(psd), n);
    EXPECT_FLOAT_EQ(psd[4], 8.0f);
    EXPECT_NEAR(psd[0], 0.0f, 1e-6f);
    // No poles and no zeros: white noise at sig2.
    armapsd(test::ctx(), 0, 0, Vec1<cfloat>(a), Vec1<cfloat>(b), 3.0f, nexp, Vec1<float>(psd), n);
    for (float v : psd) EXPECT_EQ(v, 3.0f);
}

TEST_F(KernelTest, ArmaSpectrumMatchesDirectEvaluation) {
    auto rng = test::seeded_rng("Kernel.ArmaSpectrum");
    std::uniform_real_distribution<float> u(-0.4f, 0.4f);
    const int nexp = 6, n = 1 << nexp, ip = 4, iq = 3;
    std::vector<cfloat> a(ip), b(iq);
    for (auto& v : a) v = {u(rng), u(rng)};
    for (auto& v : b) v = {u(rng), u(rng)};
    std::vector<float> psd(n);
    armapsd(test::ctx(), ip, iq, Vec1<cfloat>(a), Vec1<cfloat>(b), 0.7f, nexp, Vec1<float>(psd), n);
    for (int k = 1; k <= n; ++k) {
        const double f = grid_frequency(k, n);
        cdouble A = 1, B = 1;
        for (int i = 1; i <= ip; ++i)
            A += cdouble(a[i - 1].real(), a[i - 1].imag()) * std::polar(1.0, -2 * M_PI * f * i);
        for (int i = 1; i <= iq; ++i)
            B += cdouble(b[i - 1].real(), b[i - 1].imag()) * std::polar(1.0, -2 * M_PI * f * i);
        const double ref = 0.7 * std::norm(B) / std::norm(A);
        ASSERT_NEAR(psd[k - 1], ref, 1e-5 * (1 + ref)) << k;
    }
}

TEST_F(KernelTest, PoleOnTheGridIsHeldFinite) {
    const int nexp = 3, n = 8;
    std::vector<cfloat> a = {{-1.0f, 0}}, b;
    std::vector<float> psd(n);
    armapsd(test::ctx(), 1, 0, Vec1<cfloat>(a), Vec1<cfloat>(b), 1.0f, nexp, Vec1<float>(psd), n);
    for (float v : psd) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(psd[4], FLT_MAX);
}

} // namespace
} // namespace specest
