// Akaike maximum-likelihood ARMA iteration: statuses, the minimum-phase test, convergence,
// recovery after the LSMYWE stage, and whole runs.
#include "arma_test_helpers.h"
#include "estimator_test_context.h"
#include "estimators/akaike.h"
#include "estimators/arma_filters.h"
#include "estimators/estimators.h"

#include <random>

namespace specest {
namespace {

using test::cd;

class AkaikeTest : public test::EstimatorTest {
  protected:
    struct Fit {
        std::vector<float> a, b;
        float sig2 = -1;
        int iflag = 7;
    };
    Fit fit(std::vector<float> x, std::vector<float> a, std::vector<float> b, int nit, float per,
            float eps = 1e-9f) {
        Fit f;
        int n = int(x.size()), npoints = n, ip = int(a.size()), iq = int(b.size());
        f.a = a;
        f.b = b;
        f.a.resize(std::max(ip, 1));
        f.b.resize(std::max(iq, 1));
        akaike(test::ctx(), Vec1<float>(x), n, Vec1<float>(f.a), Vec1<float>(f.b), ip, iq, nit, eps,
               per, f.sig2, f.iflag, npoints);
        f.a.resize(ip);
        f.b.resize(iq);
        return f;
    }
    static float variance(std::vector<float> x, std::vector<float> a, std::vector<float> b) {
        const int n = int(x.size());
        std::vector<float> e(n), y(n);
        a.resize(std::max<std::size_t>(a.size(), 1));
        b.resize(std::max<std::size_t>(b.size(), 1));
        float s = -1;
        var(Vec1<float>(x), n, int(a.size()), int(b.size()), Vec1<float>(a), Vec1<float>(b), s,
            Vec1<float>(e), Vec1<float>(y));
        return s;
    }
    // Yule-Walker solution on biased lags computed in double: the fixed point of the
    // iteration when there are no zeros.
    static std::vector<double> yule_walker(const std::vector<float>& x, int ip) {
        std::vector<cfloat> c(x.size());
        for (std::size_t i = 0; i < x.size(); ++i) c[i] = x[i];
        auto r = test::lags(c, int(c.size()), ip + 1, false);
        std::vector<std::vector<cd>> R(ip, std::vector<cd>(ip));
        std::vector<cd> rhs(ip);
        for (int i = 0; i < ip; ++i) {
            for (int j = 0; j < ip; ++j) R[i][j] = r[std::abs(i - j)];
            rhs[i] = -r[i + 1];
        }
        auto s = test::solve(R, rhs);
        std::vector<double> out;
        for (auto v : s) out.push_back(v.real());
        return out;
    }
};

TEST_F(AkaikeTest, WithoutZerosItConvergesToTheYuleWalkerSolution) {
    auto rng = test::seeded_rng("AkaikeAr");
    auto x = test::to_float(test::ar_process({-1.2, 0.6}, 2000, 1.0, rng));
    auto f = fit(x, {0.0f, 0.0f}, {}, 10, 0.01f);
    ASSERT_EQ(f.iflag, 0);
    auto yw = yule_walker(x, 2);
    for (int i = 0; i < 2; ++i) EXPECT_NEAR(f.a[i], yw[i], 1e-4);
    EXPECT_EQ(f.sig2, variance(x, f.a, {}));
}

TEST_F(AkaikeTest, OneIterationWithoutConvergenceGivesStatus2AndTheNewtonStep) {
    auto rng = test::seeded_rng("AkaikeNit1");
    auto x = test::to_float(test::ar_process({-1.2, 0.6}, 2000, 1.0, rng));
    auto f = fit(x, {0.0f, 0.0f}, {}, 1, 0.01f);
    ASSERT_EQ(f.iflag, 2);
    auto yw = yule_walker(x, 2); // one exact Newton step reaches it
    for (int i = 0; i < 2; ++i) EXPECT_NEAR(f.a[i], yw[i], 1e-4);
    EXPECT_EQ(f.sig2, variance(x, f.a, {}));
}

TEST_F(AkaikeTest, OptimalStartConvergesInTheFirstIteration) {
    auto rng = test::seeded_rng("AkaikeOptimal");
    const std::vector<double> a_true = {-1.3, 0.9025}, b_true = {0.5};
    auto x = test::to_float(test::arma_process(a_true, b_true, 2000, 1.0, rng));
    auto first = fit(x, {-1.3f, 0.9f}, {0.5f}, 50, 1e-4f);
    ASSERT_EQ(first.iflag, 0);
    auto again = fit(x, first.a, first.b, 1, 0.01f);
    EXPECT_EQ(again.iflag, 0);
    for (int i = 0; i < 2; ++i) EXPECT_NEAR(again.a[i], first.a[i], 1e-3);
    EXPECT_NEAR(again.b[0], first.b[0], 1e-3);
    // ...and for a pure AR start at the Yule-Walker solution
    auto yw = yule_walker(x, 3);
    auto ar = fit(x, {float(yw[0]), float(yw[1]), float(yw[2])}, {}, 1, 0.01f);
    EXPECT_EQ(ar.iflag, 0);
}

// A record close to a constant drives the first step of b(1) from 0.5 past 1.
TEST_F(AkaikeTest, NonMinimumPhaseStepKeepsThePreviousModel) {
    auto rng = test::seeded_rng("AkaikeMinPhase");
    std::normal_distribution<float> g(0.0f, 0.01f);
    std::vector<float> x(400);
    for (auto& v : x) v = 1.0f + g(rng);
    auto f = fit(x, {}, {0.5f}, 10, 0.01f);
    EXPECT_EQ(f.iflag, 1);
    EXPECT_EQ(f.b[0], 0.5f);
    const std::string text = report();
    EXPECT_EQ(test::count_lines_with(text, " Failed min-phase test ... i/aa(i,i)= 1"), 1) << text;
    EXPECT_EQ(f.sig2, -1.0f); // no model was accepted
}

// From b(1) = -0.4 the first step lands inside the unit circle and the second outside: the
// result is the first iterate, exactly what a one-iteration run returns.
TEST_F(AkaikeTest, NonMinimumPhaseSecondStepReturnsTheFirstIterate) {
    auto rng = test::seeded_rng("AkaikeMinPhase2");
    std::normal_distribution<float> g(0.0f, 0.01f);
    std::vector<float> x(400);
    for (auto& v : x) v = 1.0f + g(rng);
    auto one = fit(x, {}, {-0.4f}, 1, 1e-6f);
    ASSERT_EQ(one.iflag, 2);
    ASSERT_LT(std::fabs(one.b[0]), 1.0f);
    auto f = fit(x, {}, {-0.4f}, 10, 1e-6f);
    EXPECT_EQ(f.iflag, 1);
    EXPECT_EQ(f.b[0], one.b[0]);
    EXPECT_EQ(f.sig2, one.sig2);
}

TEST_F(AkaikeTest, IllConditionedNewtonSystemGivesStatusMinus1) {
    auto rng = test::seeded_rng("AkaikeChol");
    auto x = test::to_float(test::arma_process({-0.5}, {0.3}, 500, 1.0, rng));
    auto f = fit(x, {-0.4f, 0.0f}, {0.2f}, 5, 0.01f, 1e30f);
    EXPECT_EQ(f.iflag, -1);
    EXPECT_EQ(f.a, (std::vector<float>{-0.4f, 0.0f}));
    EXPECT_EQ(f.b, (std::vector<float>{0.2f}));
}

TEST_F(AkaikeTest, NoIterationGivesStatus3) {
    auto rng = test::seeded_rng("AkaikeNit0");
    auto x = test::to_float(test::ar_process({-0.5}, 300, 1.0, rng));
    auto f = fit(x, {-0.1f}, {0.1f}, 0, 0.01f);
    EXPECT_EQ(f.iflag, 3);
    EXPECT_EQ(f.a[0], -0.1f);
    EXPECT_EQ(f.b[0], 0.1f);
    EXPECT_EQ(test::count_lines_with(report(), " AKAIKE: no iteration was run: nit = 0"), 1);
}

// An all-zero record has no innovation variance to compare against: a clear stop, no NaN.
TEST_F(AkaikeTest, ZeroInnovationVarianceStopsWithAnExplanation) {
    for (auto [a, b] : {std::pair{std::vector<float>{0.3f}, std::vector<float>{}},
                        std::pair{std::vector<float>{0.3f}, std::vector<float>{0.2f}}}) {
        auto f = fit(std::vector<float>(100, 0.0f), a, b, 5, 0.01f);
        EXPECT_EQ(f.iflag, kAkaikeZeroVariance);
        EXPECT_EQ(f.a, a);
        EXPECT_EQ(f.b, b);
    }
    EXPECT_EQ(test::count_lines_with(report(), "the iteration is stopped."), 2);
}

TEST_F(AkaikeTest, ChkdnWithZeroPreviousVarianceNeverDividesByIt) {
    std::vector<float> x = {1, -1, 2, 0.5f}, a = {0.1f}, b = {0.0f}, e(4), y(4);
    float sig2 = -1;
    int iflag = 3;
    chkdn(test::ctx(), 0.0f, 4, Vec1<float>(x), Vec1<float>(a), Vec1<float>(b), 1, 0, 1.0f, sig2,
          iflag, Vec1<float>(e), Vec1<float>(y));
    EXPECT_EQ(iflag, kAkaikeZeroVariance);
    EXPECT_TRUE(std::isfinite(sig2));
    iflag = 3;
    chkdn(test::ctx(), sig2 * 1.001f, 4, Vec1<float>(x), Vec1<float>(a), Vec1<float>(b), 1, 0, 1.0f,
          sig2, iflag, Vec1<float>(e), Vec1<float>(y));
    EXPECT_EQ(iflag, 0);
    iflag = 3;
    chkdn(test::ctx(), sig2 * 2.0f, 4, Vec1<float>(x), Vec1<float>(a), Vec1<float>(b), 1, 0, 1.0f,
          sig2, iflag, Vec1<float>(e), Vec1<float>(y));
    EXPECT_EQ(iflag, 3);
}

// LSMYWE then Akaike on an ARMA(2,1) record of 2048 samples: within 1.5 dB at the peak.
TEST_F(AkaikeTest, RefinesLsmyweToTheTrueArma21Spectrum) {
    auto rng = test::seeded_rng("AkaikeArma21");
    const std::vector<double> a_true = {-1.3, 0.9025}, b_true = {0.5};
    auto xd = test::arma_process(a_true, b_true, 4096, 1.0, rng);
    xd.resize(2048);
    auto xc = test::to_cfloat(xd);
    int n = 2048, npoints = n, ip = 2, iq = 1, m = 40, iflag = 7;
    float eps = 1e-9f, sig2 = 0;
    std::vector<cfloat> bc(1);
    lsmywe(test::ctx(), Vec1<cfloat>(xc), n, ip, iq, m, eps, Vec1<cfloat>(bc), sig2, iflag,
           npoints);
    ASSERT_EQ(iflag, 0);
    auto f =
        fit(test::to_float(xd), {test::work().theta()(1).real(), test::work().theta()(2).real()},
            {bc[0].real()}, 30, 0.01f);
    ASSERT_EQ(f.iflag, 0);
    EXPECT_NEAR(f.b[0], 0.5, 0.1);
    const double peak = test::true_peak(a_true, b_true);
    const std::vector<double> a(f.a.begin(), f.a.end()), b(f.b.begin(), f.b.end());
    EXPECT_LT(std::fabs(test::db_diff(test::arma_spectrum(a, b, f.sig2, peak),
                                      test::arma_spectrum(a_true, b_true, 1.0, peak))),
              1.5);
}

struct AkaikeRun : ::testing::Test {
    test::TempDir dir;
    test::RunOutput go(const std::vector<double>& x, const char* nit, const char* per,
                       bool complex = false, const char* eps = "1.0E-05") {
        if (complex) {
            std::vector<std::complex<double>> c(x.begin(), x.end());
            test::write_complex_data(dir / "data.txt", c);
        } else {
            test::write_real_data(dir / "data.txt", x);
        }
        auto j = test::arma_job("Akaike", 512, 2, 1);
        j.data_type = complex ? "C" : "R";
        j.eps = eps;
        j.m_eqs = "30";
        j.nit = nit;
        j.per = per;
        return test::run(test::write_job(dir / "job.txt", j));
    }
};

TEST_F(AkaikeRun, WholeRunConverges) {
    auto rng = test::seeded_rng("AkaikeRunOk");
    auto out = go(test::arma_process({-1.3, 0.9025}, {0.5}, 500, 1.0, rng), "30", "0.1");
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text << out.report;
    EXPECT_EQ(out.result.method_name, "AKAIKE");
    EXPECT_EQ(test::count_lines_with(out.report, " Sig2 = "), 1);
    EXPECT_EQ(
        test::count_lines_with(out.report, " ----------- Finished PSD Calculations ! -----------"),
        1);
    EXPECT_TRUE(test::all_finite(out.db));
}

TEST_F(AkaikeRun, OneIterationWritesMessageEAndNoPlot) {
    auto rng = test::seeded_rng("AkaikeRunNit1");
    auto out = go(test::arma_process({-1.3, 0.9025}, {0.5}, 500, 1.0, rng), "1", "0.000001");
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(test::count_lines_with(out.report, " IFGLAG, EPS and NIT =  2    1.000E-05       1"),
              1)
        << out.report;
    EXPECT_EQ(
        test::count_lines_with(out.report, " ALL NIT iterations completed causing termination."),
        1);
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
}

// The LSMYWE normal matrix holds products of correlations (about 30 r^2 here), the Newton
// Hessian only 2 r: a threshold between the two lets the first stage pass and stops the second.
TEST_F(AkaikeRun, IllConditionedHessianWritesMessageC) {
    auto rng = test::seeded_rng("AkaikeRunHessian");
    auto out = go(test::arma_process({-1.3, 0.9025}, {0.5}, 500, 10.0, rng), "10", "0.1", false,
                  "1.0E+03");
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure) << out.report;
    EXPECT_EQ(test::count_lines_with(out.report, " Error in CHOLESKY: I = "), 1);
    EXPECT_EQ(test::count_lines_with(out.report, " IFLAG =-1    EPS = 1.000E+03"), 1);
    EXPECT_EQ(test::count_lines_with(out.report, " One of the di's in CHOLESKY is less than "), 1);
    EXPECT_EQ(test::count_lines_with(
                  out.report, "EPS causing premature termination (Hessian is ill-conditioned.)"),
              1);
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
}

TEST_F(AkaikeRun, ComplexDataIsRefusedAfterTheLsmyweStage) {
    auto rng = test::seeded_rng("AkaikeRunComplex");
    auto out = go(test::arma_process({-1.3, 0.9025}, {0.5}, 300, 1.0, rng), "10", "0.1", true);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_EQ(out.result.stop_text, "Input error: REAL data required for AKAIKE method");
    EXPECT_EQ(
        test::count_lines_with(out.report, " Input Error: AKAIKE method requires REAL data type."),
        1);
}

} // namespace
} // namespace specest
