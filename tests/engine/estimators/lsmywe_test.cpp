// Least-squares modified Yule-Walker ARMA: the AR part against a double-precision least-squares
// solve (also with more than 411 equations), real records, failures and whole runs.
#include "arma_test_helpers.h"
#include "estimator_test_context.h"
#include "estimators/estimators.h"

#include <random>

namespace specest {
namespace {

using test::cd;

class LsmyweTest : public test::EstimatorTest {
  protected:
    struct Fit {
        std::vector<cfloat> a, b;
        float sig2 = -1;
        int iflag = 7;
    };
    Fit fit(std::vector<cfloat> x, int ip, int iq, int m, float eps = 1e-9f) {
        Fit f;
        int n = int(x.size()), npoints = n;
        f.b.assign(std::max(iq, 1), cfloat(99.0f, 99.0f));
        job().iflag = 0;
        lsmywe(test::ctx(), Vec1<cfloat>(x), n, ip, iq, m, eps, Vec1<cfloat>(f.b), f.sig2, f.iflag,
               npoints);
        for (int i = 1; i <= ip; ++i) f.a.push_back(test::work().theta()(i));
        return f;
    }
    // Least-squares AR part of the M - iq equations, from unbiased lags in double.
    static std::vector<cd> oracle(const std::vector<cfloat>& x, int ip, int iq, int m) {
        auto r = test::lags(x, int(x.size()), m + 1, true);
        auto at = [&](int k) { return k >= 0 ? r[k] : std::conj(r[-k]); };
        std::vector<std::vector<cd>> R(m - iq, std::vector<cd>(ip));
        std::vector<cd> rhs(m - iq);
        for (int i = 1; i <= m - iq; ++i) {
            for (int j = 1; j <= ip; ++j) R[i - 1][j - 1] = at(iq + i - j);
            rhs[i - 1] = -at(iq + i);
        }
        return test::least_squares(R, rhs);
    }
};

std::vector<cfloat> complex_arma(std::size_t n, const char* name) {
    auto rng = test::seeded_rng(name);
    std::normal_distribution<float> g;
    std::vector<cfloat> x(n), e(n);
    const cfloat p1(0.5f, 0.7f), p2(-0.6f, 0.2f), z1(0.4f, -0.3f);
    for (std::size_t t = 0; t < n; ++t) {
        e[t] = {g(rng), g(rng)};
        cfloat v = e[t];
        if (t >= 1) v += (p1 + p2) * x[t - 1] + z1 * e[t - 1];
        if (t >= 2) v -= p1 * p2 * x[t - 2];
        x[t] = v;
    }
    return x;
}

TEST_F(LsmyweTest, ArPartIsTheLeastSquaresSolutionOfTheModifiedEquations) {
    auto x = complex_arma(1500, "LsmyweOracle");
    for (auto [ip, iq, m] : {std::tuple{2, 1, 5}, std::tuple{2, 1, 30}, std::tuple{4, 3, 60}}) {
        auto f = fit(x, ip, iq, m);
        ASSERT_EQ(f.iflag, 0);
        auto o = oracle(x, ip, iq, m);
        for (int i = 0; i < ip; ++i)
            EXPECT_LT(std::abs(cd(f.a[i].real(), f.a[i].imag()) - o[i]),
                      1e-3 * (1 + std::abs(o[i])))
                << "ip " << ip << " iq " << iq << " M " << m << " a(" << i + 1 << ")";
        EXPECT_GT(f.sig2, 0.0f);
    }
}

// More equations than the 411 rows of the shared coefficient table.
TEST_F(LsmyweTest, MoreThan411EquationsAreAllUsed) {
    auto x = complex_arma(1300, "LsmyweManyRows");
    const int ip = 3, iq = 2, m = 1000;
    auto f = fit(x, ip, iq, m);
    ASSERT_EQ(f.iflag, 0);
    auto o = oracle(x, ip, iq, m);
    auto o411 = oracle(x, ip, iq, 411 + iq);
    double dist411 = 0;
    for (int i = 0; i < ip; ++i) {
        EXPECT_LT(std::abs(cd(f.a[i].real(), f.a[i].imag()) - o[i]), 1e-3 * (1 + std::abs(o[i])));
        dist411 += std::abs(o[i] - o411[i]);
    }
    EXPECT_GT(dist411, 1e-3); // the oracle can tell the two apart
}

TEST_F(LsmyweTest, RealRecordGivesRealCoefficients) {
    auto rng = test::seeded_rng("LsmyweReal");
    auto x = test::to_cfloat(test::arma_process({-1.3, 0.9025}, {0.5}, 1000, 1.0, rng));
    auto f = fit(x, 2, 1, 25);
    ASSERT_EQ(f.iflag, 0);
    for (auto v : f.a) EXPECT_EQ(v.imag(), 0.0f);
    EXPECT_EQ(f.b[0].imag(), 0.0f);
}

TEST_F(LsmyweTest, SolverFailureProducesNeitherMaPartNorVariance) {
    auto x = complex_arma(500, "LsmyweFail");
    auto f = fit(x, 3, 1, 20, 1e30f);
    EXPECT_EQ(f.iflag, -1);
    EXPECT_EQ(f.sig2, -1.0f);
    EXPECT_EQ(f.b[0], cfloat(99.0f, 99.0f));
    EXPECT_EQ(test::count_lines_with(report(), " Error in CHOLESKY: I = "), 1);
}

// ARMA(2,1), 2048 samples (the Durbin stage's order n/5 stays within 411): the fitted
// spectrum within 2 dB of the truth at the peak.
TEST_F(LsmyweTest, RecoversAnArma21SpectrumAtThePeak) {
    auto rng = test::seeded_rng("LsmyweArma21");
    const std::vector<double> a_true = {-1.3, 0.9025}, b_true = {0.5};
    auto xd = test::arma_process(a_true, b_true, 4096, 1.0, rng);
    xd.resize(2048);
    auto f = fit(test::to_cfloat(xd), 2, 1, 40);
    ASSERT_EQ(f.iflag, 0);
    const double peak = test::true_peak(a_true, b_true);
    EXPECT_LT(std::fabs(test::db_diff(test::model_spectrum(f.a, f.b, f.sig2, peak),
                                      test::arma_spectrum(a_true, b_true, 1.0, peak))),
              2.0);
}

struct LsmyweRun : ::testing::Test {
    test::TempDir dir;
    test::RunOutput go(const std::vector<double>& x, int npoles, int nzeros, int m, const char* eps,
                       const char* l_pts = "-999") {
        test::write_real_data(dir / "data.txt", x);
        auto j = test::arma_job("LSMYWE", 512, npoles, nzeros);
        j.eps = eps;
        j.m_eqs = std::to_string(m);
        j.l_pts = l_pts;
        return test::run(test::write_job(dir / "job.txt", j));
    }
};

TEST_F(LsmyweRun, WholeRunSucceedsAndIgnoresLPts) {
    auto rng = test::seeded_rng("LsmyweRunOk");
    auto x = test::arma_process({-1.3, 0.9025}, {0.5}, 500, 1.0, rng);
    auto out = go(x, 2, 1, 30, "1.0E-05", "-999");
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    EXPECT_EQ(out.result.method_name, "LSMYWE");
    EXPECT_EQ(test::count_lines_with(out.report, " Sig2 = "), 1);
    EXPECT_EQ(
        test::count_lines_with(out.report, " ----------- Finished PSD Calculations ! -----------"),
        1);
    EXPECT_TRUE(test::all_finite(out.db));
    auto other = go(x, 2, 1, 30, "1.0E-05", "7");
    ASSERT_EQ(other.result.status, RunStatus::success);
    EXPECT_EQ(other.db, out.db);
    EXPECT_EQ(other.result.sig2, out.result.sig2);
}

TEST_F(LsmyweRun, SolverFailureWritesMessageAAndNoPlot) {
    auto rng = test::seeded_rng("LsmyweRunFail");
    auto out = go(test::ar_process({-1.2, 0.6}, 300, 1.0, rng), 3, 1, 20, "1.0E+20");
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(out.result.zero_fill, -99.0f);
    EXPECT_EQ(test::count_lines_with(out.report, " IFLAG = -1    EPS = 1.000E+20"), 1);
    EXPECT_EQ(test::count_lines_with(out.report,
                                     " One of the di's in Cholesky decomposition is less than EPS"),
              1);
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
}

// One AR coefficient leaves a single, untested pivot: an all-zero record must not turn it into
// 0/0 coefficients in the report.
TEST_F(LsmyweRun, AllZeroRecordFailsWithAnExplanationAndNoNan) {
    auto out = go(std::vector<double>(100, 0.0), 1, 1, 20, "1.0E-05");
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(test::count_lines_with(out.report,
                                     " LSMYWE: the correlations at lags 1 to 19 are all zero"),
              1)
        << out.report;
    EXPECT_EQ(test::count_lines_with(out.report, "nan"), 0);
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
}

} // namespace
} // namespace specest
