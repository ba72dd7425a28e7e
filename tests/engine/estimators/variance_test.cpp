// Frequency-domain noise variance: Parseval, a double-precision oracle, and the failure path.
#include "estimator_test_context.h"
#include "estimators/variance.h"
#include "job_params.h"
#include "run_context.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

namespace specest {
namespace {

using cd = std::complex<double>;

class VarmTest : public test::ReportTest {};

std::vector<cd> dft(const std::vector<cd>& v, int m) {
    std::vector<cd> out(m);
    for (int k = 0; k < m; ++k) {
        cd s;
        for (std::size_t t = 0; t < v.size(); ++t)
            s += v[t] * std::polar(1.0, -2.0 * M_PI * k * static_cast<double>(t) / m);
        out[k] = s;
    }
    return out;
}

std::vector<cfloat> random_record(int n, int capacity, std::mt19937_64& rng) {
    std::normal_distribution<double> g;
    std::vector<cfloat> x(capacity, cfloat(99.0f, 99.0f)); // junk beyond n must be cleared
    for (int i = 0; i < n; ++i) x[i] = {static_cast<float>(g(rng)), static_cast<float>(g(rng))};
    return x;
}

TEST_F(VarmTest, ZeroPolynomialsGiveTheMeanSquareByParseval) {
    auto rng = test::seeded_rng("Varm.Parseval");
    for (int n : {37, 64}) {
        const int nexp = 6, m = 64;
        std::vector<cfloat> x = random_record(n, m, rng);
        double ms = 0;
        for (int i = 0; i < n; ++i) ms += std::norm(cd(x[i].real(), x[i].imag()));
        ms /= n;
        std::vector<cfloat> a(4, cfloat());
        for (int i = 1; i <= 3; ++i) test::work().bc()(i) = cfloat();
        float sig2 = -1;
        varm(test::ctx(), Vec1<cfloat>(x), n, Vec1<cfloat>(a), 3, 3, nexp, sig2, m);
        EXPECT_EQ(job().iflag, 0);
        EXPECT_NEAR(sig2, ms, 1.0e-5 * ms) << "n = " << n;
    }
}

TEST_F(VarmTest, AgreesWithADoublePrecisionDftAndLeavesTheTransformInX) {
    auto rng = test::seeded_rng("Varm.Oracle");
    const int n = 100, nexp = 7, m = 128, ip = 2, iq = 3;
    std::vector<cfloat> x = random_record(n, m, rng);
    const std::vector<cd> xd(x.begin(), x.begin() + n);
    std::vector<cfloat> a = {{-0.9f, 0.2f}, {0.5f, 0.0f}};
    const std::vector<cfloat> b = {{0.3f, -0.1f}, {0.2f, 0.0f}, {-0.1f, 0.05f}};
    for (int i = 1; i <= iq; ++i) test::work().bc()(i) = b[i - 1];
    std::vector<cd> ap = {1.0}, bp = {1.0};
    for (auto v : a) ap.push_back(cd(v.real(), v.imag()));
    for (auto v : b) bp.push_back(cd(v.real(), v.imag()));
    const auto X = dft(xd, m), A = dft(ap, m), B = dft(bp, m);
    double want = 0;
    for (int k = 0; k < m; ++k) want += std::norm(X[k]) * std::norm(A[k]) / std::norm(B[k]);
    want /= static_cast<double>(n) * m;

    float sig2 = -1;
    varm(test::ctx(), Vec1<cfloat>(x), n, Vec1<cfloat>(a), ip, iq, nexp, sig2, m);
    EXPECT_EQ(job().iflag, 0);
    EXPECT_NEAR(sig2, want, 1.0e-5 * want);
    double scale = 0;
    for (auto v : X) scale = std::max(scale, std::abs(v));
    for (int k = 0; k < m; ++k)
        EXPECT_NEAR(std::abs(cd(x[k].real(), x[k].imag()) - X[k]), 0.0, 1.0e-5 * scale) << k;
}

TEST_F(VarmTest, ZeroOfBOnTheGridEndsWithAnExplanationNotInfinity) {
    auto rng = test::seeded_rng("Varm.ZeroOfB");
    const int n = 16, nexp = 4, m = 16;
    std::vector<cfloat> x = random_record(n, m, rng);
    std::vector<cfloat> a = {{0.5f, 0.0f}};
    test::work().bc()(1) = 1.0f; // B(z) = 1 + 1/z vanishes at half the sampling rate, bin m/2 + 1
    float sig2 = -1;
    varm(test::ctx(), Vec1<cfloat>(x), n, Vec1<cfloat>(a), 1, 1, nexp, sig2, m);
    EXPECT_EQ(job().iflag, kVarmNotFiniteFlag);
    EXPECT_EQ(sig2, 0.0f);
    run_report().close();
    EXPECT_NE(test::read_text(dir / "r.out").find("noise variance estimate is not finite"),
              std::string::npos);
}

} // namespace
} // namespace specest
