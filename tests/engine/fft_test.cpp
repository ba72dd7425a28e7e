// FFT against a direct DFT in double precision, and its exact identities.
#include "fft.h"
#include "run_context.h"
#include "stop.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace specest {
namespace {

std::vector<cdouble> naive_dft(const std::vector<cfloat>& x, int sign) {
    const std::size_t n = x.size();
    std::vector<cdouble> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        cdouble s = 0;
        for (std::size_t j = 0; j < n; ++j)
            s += cdouble(x[j].real(), x[j].imag()) *
                 std::polar(1.0, sign * 2.0 * M_PI * static_cast<double>(j * k % n) /
                                     static_cast<double>(n));
        out[k] = s;
    }
    return out;
}

std::vector<cfloat> random_signal(int n, std::mt19937_64& rng) {
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<cfloat> x(static_cast<std::size_t>(n));
    for (auto& v : x) v = {u(rng), u(rng)};
    return x;
}

TEST(Fft, MatchesDirectDftForward) {
    auto rng = test::seeded_rng("Fft.MatchesDirectDftForward");
    for (int nexp = 0; nexp <= 10; ++nexp) {
        const int n = 1 << nexp;
        auto x = random_signal(n, rng);
        const auto ref = naive_dft(x, -1);
        fft(Vec1<cfloat>(x), nexp, 1, n);
        // Single-precision rounding grows like log2(N) * eps * sqrt(N) * |x|.
        const double tol = 4e-7 * (nexp + 1) * std::sqrt(static_cast<double>(n)) * 2.0;
        for (int k = 0; k < n; ++k)
            ASSERT_LT(std::abs(cdouble(x[k].real(), x[k].imag()) - ref[k]), tol)
                << "N=" << n << " k=" << k;
    }
}

TEST(Fft, InverseIsScaledConjugateTransformAndRoundTrips) {
    auto rng = test::seeded_rng("Fft.InverseRoundTrip");
    const int nexp = 9, n = 1 << nexp;
    const auto x0 = random_signal(n, rng);
    auto x = x0;
    fft(Vec1<cfloat>(x), nexp, -1, n);
    const auto ref = naive_dft(x0, +1);
    for (int k = 0; k < n; ++k)
        ASSERT_LT(std::abs(cdouble(x[k].real(), x[k].imag()) - ref[k] / double(n)), 1e-6);
    fft(Vec1<cfloat>(x), nexp, 1, n);
    for (int k = 0; k < n; ++k) ASSERT_LT(std::abs(x[k] - x0[k]), 2e-6f);
}

TEST(Fft, ExactIdentities) {
    // N = 1 leaves the value unchanged.
    std::vector<cfloat> one = {{3.5f, -2.0f}};
    fft(Vec1<cfloat>(one), 0, 1, 1);
    EXPECT_EQ(one[0], cfloat(3.5f, -2.0f));
    // Unit impulse -> all ones; all ones -> (N, 0) then zeros.
    for (int nexp : {1, 4, 8}) {
        const int n = 1 << nexp;
        std::vector<cfloat> imp(static_cast<std::size_t>(n)),
            ones(static_cast<std::size_t>(n), cfloat(1, 0));
        imp[0] = 1.0f;
        fft(Vec1<cfloat>(imp), nexp, 1, n);
        fft(Vec1<cfloat>(ones), nexp, 1, n);
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(imp[k].real(), 1.0f, 1e-6f);
            EXPECT_NEAR(imp[k].imag(), 0.0f, 1e-6f);
        }
        EXPECT_EQ(ones[0], cfloat(static_cast<float>(n), 0.0f));
        for (int k = 1; k < n; ++k) EXPECT_LT(std::abs(ones[k]), 1e-5f * n) << k;
    }
    // Any other direction code leaves x unchanged.
    std::vector<cfloat> x = {{1, 2}, {3, 4}, {5, 6}, {7, 8}};
    const auto before = x;
    fft(Vec1<cfloat>(x), 2, 0, 4);
    EXPECT_EQ(x, before);
}

TEST(Fft, TabulatedTwiddlesAreBitIdenticalToRecomputed) {
    auto rng = test::seeded_rng("Fft.TabulatedTwiddles");
    // A long transform first, so shorter ones read the shared table with a stride.
    for (int nexp : {14, 3, 10, 1, 12}) {
        const int n = 1 << nexp;
        for (int dir : {1, -1}) {
            auto a = random_signal(n, rng);
            auto b = a;
            fft(Vec1<cfloat>(a), nexp, dir, n);
            fft_recomputed_twiddles(Vec1<cfloat>(b), nexp, dir, n);
            ASSERT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(cfloat)))
                << "N=" << n << " dir=" << dir;
        }
    }
}

TEST(Fft, WorkArrayShorterThanTransformStopsTheRun) {
    test::TempDir dir;
    ASSERT_TRUE(run_report().open((dir / "r.out").string()));
    std::vector<cfloat> x(8);
    EXPECT_THROW(fft(Vec1<cfloat>(x), 3, 1, 4), RunStopped);
    run_report().close();
}

} // namespace
} // namespace specest
