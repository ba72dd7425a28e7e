// Recursive maximum likelihood: the cubic, the root choice, the sums, and whole runs.
#include "estimator_test_context.h"
#include "estimators/estimators.h"
#include "estimators/rmle.h"
#include "job_params.h"
#include "run_context.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace specest {
namespace {

using namespace rmle_steps;

class RmleTest : public test::ReportTest {
  protected:
    std::vector<float> fit(std::vector<float> x, int ip, float& sig2) {
        int n = static_cast<int>(x.size());
        std::vector<float> a(static_cast<std::size_t>(std::max(ip, 1)), 0.0f);
        rmle(test::ctx(), Vec1<float>(x), n, ip, Vec1<float>(a), sig2);
        return a;
    }
};

std::vector<float> roots_of(float p, float q, float r, int& nreal) {
    float root[3] = {-99, -99, -99};
    cubic(p, q, r, nreal, root);
    std::vector<float> v(root, root + (nreal == 3 ? 3 : 1));
    std::sort(v.begin(), v.end());
    return v;
}

TEST(RmleCubic, OneRealRoot) {
    int nreal = 0;
    // (x - 0.5)(x^2 + 1)
    auto v = roots_of(-0.5f, 1.0f, -0.5f, nreal);
    EXPECT_EQ(nreal, 1);
    EXPECT_NEAR(v[0], 0.5f, 1.0e-6f);
    // (x - 3)(x^2 + 1): outside [-1, 1], still the root
    v = roots_of(-3.0f, 1.0f, -3.0f, nreal);
    EXPECT_EQ(nreal, 1);
    EXPECT_NEAR(v[0], 3.0f, 1.0e-5f);
}

TEST(RmleCubic, ThreeRealRoots) {
    int nreal = 0;
    // (x - 0.5)(x + 0.25)(x - 2) = x^3 - 2.25 x^2 + 0.375 x + 0.25
    auto v = roots_of(-2.25f, 0.375f, 0.25f, nreal);
    ASSERT_EQ(nreal, 3);
    EXPECT_NEAR(v[0], -0.25f, 1.0e-5f);
    EXPECT_NEAR(v[1], 0.5f, 1.0e-5f);
    EXPECT_NEAR(v[2], 2.0f, 1.0e-5f);
}

TEST(RmleCubic, ZeroCubeRootTermAndTripleRootStayFinite) {
    int nreal = 0;
    // x^3 - 8: u = 8, v = 0 exactly, where w/|w| would be 0/0
    auto v = roots_of(0.0f, 0.0f, -8.0f, nreal);
    EXPECT_EQ(nreal, 1);
    EXPECT_EQ(v[0], 2.0f);
    // (x - 0.5)^3: A = B = D = 0, no angle
    v = roots_of(-1.5f, 0.75f, -0.125f, nreal);
    ASSERT_EQ(nreal, 3);
    for (float r : v) EXPECT_NEAR(r, 0.5f, 1.0e-6f);
}

TEST(RmleCubic, NotANumberDiscriminantGivesNoRoots) {
    int nreal = -1;
    roots_of(std::nanf(""), 1.0f, 1.0f, nreal);
    EXPECT_EQ(nreal, 0);
}

double likelihood(double rho, double c, double d, double e, int i, int n) {
    const double p = 2 * rho * c + e + rho * rho * d;
    return i / 2.0 * std::log10(1 - rho * rho) - n / 2.0 * std::log10(p / n);
}

TEST(RmleTestStep, PicksTheInRangeRootOfLargestLikelihood) {
    const float c = -30.0f, d = 100.0f, e = 120.0f;
    const int i = 1, n = 100;
    float aii = 42.0f;
    const float only[3] = {-3.0f, 0.2f, 5.0f};
    rmle_steps::test(only, c, d, e, i, n, aii);
    EXPECT_EQ(aii, 0.2f);

    const float two[3] = {0.1f, 0.35f, -4.0f};
    aii = 42.0f;
    rmle_steps::test(two, c, d, e, i, n, aii);
    const float want =
        likelihood(0.1, c, d, e, i, n) > likelihood(0.35, c, d, e, i, n) ? 0.1f : 0.35f;
    EXPECT_EQ(aii, want);

    const float edges[3] = {1.0f, -1.0f, 7.0f}; // log10(0) at +-1: never chosen
    aii = 42.0f;
    rmle_steps::test(edges, c, d, e, i, n, aii);
    EXPECT_EQ(aii, 42.0f);
    const float with_edge[3] = {1.0f, 0.3f, -1.0f};
    rmle_steps::test(with_edge, c, d, e, i, n, aii);
    EXPECT_EQ(aii, 0.3f);
}

TEST_F(RmleTest, LaggedSumsAreSymmetricAndMatchADoubleOracle) {
    auto rng = test::seeded_rng("Rmle.Smat");
    std::normal_distribution<float> g;
    std::vector<float> x(500);
    for (auto& v : x) v = g(rng);
    const int ip = 12;
    smat(test::ctx(), Vec1<float>(x), 500, ip);
    for (int i = 1; i <= ip + 1; ++i)
        for (int j = 1; j <= ip + 1; ++j) {
            double want = 0, mag = 0;
            for (int t = 1; t <= 500 + 2 - i - j; ++t) {
                want += static_cast<double>(x[t + i - 2]) * x[t + j - 2];
                mag += std::fabs(static_cast<double>(x[t + i - 2]) * x[t + j - 2]);
            }
            EXPECT_EQ(test::work().s()(i, j), test::work().s()(j, i));
            EXPECT_NEAR(test::work().s()(i, j), want, 1.0e-5 * mag) << i << "," << j;
        }
}

TEST_F(RmleTest, WhiteNoiseOrderOneGivesASmallReflectionAndTheMeanSquare) {
    auto rng = test::seeded_rng("Rmle.WhiteNoise");
    std::normal_distribution<float> g(0.0f, 2.0f);
    std::vector<float> x(4000);
    for (auto& v : x) v = g(rng);
    double ms = 0;
    for (float v : x) ms += static_cast<double>(v) * v;
    ms /= x.size();
    float sig2 = 0;
    auto a = fit(x, 1, sig2);
    EXPECT_EQ(job().iflag, 0);
    EXPECT_LT(std::fabs(a[0]), 4.0 / std::sqrt(4000.0));
    EXPECT_NEAR(sig2, ms, 0.01 * ms);
    EXPECT_EQ(sig2, test::work().rho()(1));
}

TEST_F(RmleTest, Ar2RecordGivesItsCoefficients) {
    auto rng = test::seeded_rng("Rmle.Ar2");
    const std::vector<double> truth = {-1.2, 0.6};
    std::vector<float> x;
    for (double v : test::ar_process(truth, 8000, 1.0, rng)) x.push_back(static_cast<float>(v));
    float sig2 = 0;
    auto a = fit(x, 2, sig2);
    EXPECT_EQ(job().iflag, 0);
    EXPECT_NEAR(a[0], truth[0], 0.05);
    EXPECT_NEAR(a[1], truth[1], 0.05);
    EXPECT_NEAR(sig2, 1.0, 0.1);
    for (int k = 1; k <= 2; ++k) EXPECT_LE(std::fabs(test::work().aa_real()(k, k)), 1.0f);
}

TEST_F(RmleTest, AllZeroRecordEndsWithAnExplanationNotNaN) {
    float sig2 = -1;
    auto a = fit(std::vector<float>(30, 0.0f), 2, sig2);
    EXPECT_EQ(job().iflag, kRmleUndefinedFlag);
    EXPECT_EQ(a[0], 0.0f);
    EXPECT_EQ(sig2, -1.0f);
    run_report().close();
    EXPECT_NE(test::read_text(dir / "r.out")
                  .find("RMLE stopped at order   1: the backward error energy d is zero."),
              std::string::npos);
}

// Whole runs ---------------------------------------------------------------------------------

test::Job rmle_job(const std::string& type) {
    test::Job j;
    j.method = "RMLE";
    j.npoles = "2";
    j.data_type = type;
    j.npoints = "256";
    return j;
}

TEST(RmleRun, Ar2RecordPeaksAtItsResonance) {
    test::TempDir dir;
    auto rng = test::seeded_rng("RmleRun.Ar2");
    const double r = 0.95, th = 2 * M_PI * 0.15;
    test::write_real_data(dir / "data.txt",
                          test::ar_process({-2 * r * std::cos(th), r * r}, 800, 1.0, rng));
    test::write_job(dir / "job.0", rmle_job("R"));
    auto out = test::run(dir / "job.0");
    ASSERT_EQ(out.result.status, RunStatus::success) << out.report;
    const auto top = std::max_element(out.db.begin(), out.db.begin() + 128) - out.db.begin();
    EXPECT_NEAR(out.x[top], 0.15, 0.01);
    EXPECT_GT(out.result.sig2, 0.8f);
    EXPECT_LT(out.result.sig2, 1.2f);
}

TEST(RmleRun, ComplexDataIsRefused) {
    test::TempDir dir;
    test::write_complex_data(dir / "data.txt", std::vector<std::complex<double>>(40, {1.0, 2.0}));
    test::write_job(dir / "job.0", rmle_job("C"));
    auto out = test::run(dir / "job.0");
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_EQ(out.result.stop_text, "Input error: REAL data required for RMLE method");
    EXPECT_EQ(test::count_lines_with(out.report,
                                     "          Input Error: RMLE method requires REAL data type."),
              1);
}

TEST(RmleRun, AllZeroRecordGivesNoPlot) {
    test::TempDir dir;
    test::write_real_data(dir / "data.txt", std::vector<double>(64, 0.0));
    test::write_job(dir / "job.0", rmle_job("R"));
    auto out = test::run(dir / "job.0");
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(out.result.zero_fill, -99.0f);
    EXPECT_EQ(test::count_lines_with(out.report, "RMLE stopped at order"), 1);
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
}

} // namespace
} // namespace specest
