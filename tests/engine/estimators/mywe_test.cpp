// Modified Yule-Walker ARMA: the AR stage, the Durbin stage's order n/5, recovery, whole runs.
#include "arma_test_helpers.h"
#include "correlation.h"
#include "estimator_test_context.h"
#include "estimators/arma_filters.h"
#include "estimators/estimators.h"
#include "levinson.h"

namespace specest {
namespace {

class MyweTest : public test::EstimatorTest {
  protected:
    struct Fit {
        std::vector<cfloat> a, b;
        float sig2 = -1;
        int iflag = 7;
    };
    Fit fit(std::vector<cfloat> x, int ip, int iq, float eps = 1e-9f) {
        Fit f;
        int n = int(x.size()), npoints = n;
        f.a.assign(std::max(ip, 1), cfloat(99.0f, 99.0f));
        f.b.assign(std::max(iq, 1), cfloat(99.0f, 99.0f));
        job().iflag = 0;
        mywe(test::ctx(), Vec1<cfloat>(x), n, ip, iq, eps, Vec1<cfloat>(f.a), Vec1<cfloat>(f.b),
             f.sig2, f.iflag, npoints);
        return f;
    }
};

TEST_F(MyweTest, WithoutZerosTheArPartIsYuleWalkerOnUnbiasedLags) {
    auto rng = test::seeded_rng("MyweYuleWalker");
    auto x = test::to_cfloat(test::ar_process({-1.2, 0.6}, 800, 1.0, rng));
    auto f = fit(x, 3, 0);
    ASSERT_EQ(f.iflag, 0);
    int n = int(x.size());
    std::vector<cfloat> rxx(4), yw(3);
    correlation(n, 4, 0, Vec1<cfloat>(x), Vec1<cfloat>(x), Vec1<cfloat>(rxx));
    ASSERT_TRUE(levinson(test::ctx(), Vec1<cfloat>(rxx), 3, Vec1<cfloat>(yw)));
    for (int i = 0; i < 3; ++i) EXPECT_LT(std::abs(f.a[i] - yw[i]), 1e-5f);
    EXPECT_EQ(f.b[0], cfloat(99.0f, 99.0f)); // no MA coefficients
    EXPECT_GT(f.sig2, 0.5f);                 // but the Durbin stage set sig2
    EXPECT_LT(f.sig2, 1.5f);
}

TEST_F(MyweTest, OrderOneArIsTheLagRatioWhateverEps) {
    auto rng = test::seeded_rng("MyweOrderOne");
    auto x = test::to_cfloat(test::arma_process({-0.8}, {0.4}, 600, 1.0, rng));
    auto f = fit(x, 1, 1, 1e30f);
    ASSERT_EQ(f.iflag, 0);
    auto r = test::lags(x, int(x.size()), 3, true);
    const test::cd expect = -r[2] / r[1];
    EXPECT_NEAR(f.a[0].real(), expect.real(), 1e-5);
}

// The MA stage runs Durbin with L = n/5 on the AR-filtered record: the same sig2 as a direct
// Durbin call with that order, and not the one of the next order.
TEST_F(MyweTest, MaStageUsesAFifthOfTheRecordLength) {
    auto rng = test::seeded_rng("MyweFifth");
    for (int n : {9, 123}) {
        auto x = test::to_cfloat(test::arma_process({-0.5}, {0.3}, std::size_t(n), 1.0, rng));
        auto f = fit(x, 1, 1);
        ASSERT_EQ(f.iflag, 0);
        std::vector<cfloat> y(n), b(1);
        czerofilt(Vec1<cfloat>(x), n, 1, Vec1<cfloat>(f.a), Vec1<cfloat>(y));
        int iq = 1, npoints = n;
        for (int l : {n / 5, n / 5 + 1}) {
            float sig2 = -1;
            int nn = n;
            durbin(test::ctx(), Vec1<cfloat>(y), nn, iq, l, Vec1<cfloat>(b), sig2, npoints);
            if (l == n / 5) {
                EXPECT_EQ(sig2, f.sig2) << "n " << n;
                EXPECT_EQ(b[0], f.b[0]);
            } else {
                EXPECT_NE(sig2, f.sig2) << "n " << n;
            }
        }
    }
}

TEST_F(MyweTest, PivotFailureProducesNeitherMaPartNorVariance) {
    auto rng = test::seeded_rng("MywePivot");
    auto x = test::to_cfloat(test::ar_process({-1.2, 0.6}, 300, 1.0, rng));
    auto f = fit(x, 3, 1, 1e30f);
    EXPECT_EQ(f.iflag, -1);
    EXPECT_EQ(f.sig2, -1.0f);
    EXPECT_EQ(f.b[0], cfloat(99.0f, 99.0f));
}

// ARMA(2,1) with poles at radius 0.95: the fitted spectrum within 3 dB of the truth at the peak
// and its peak within 0.01 cycles per sample (2048 samples: the Durbin order n/5 must stay
// within the 411 of the Levinson tables).
TEST_F(MyweTest, RecoversAnArma21SpectrumAtThePeak) {
    auto rng = test::seeded_rng("MyweArma21");
    const std::vector<double> a_true = {-1.3, 0.9025}, b_true = {0.5};
    auto xd = test::arma_process(a_true, b_true, 4096, 1.0, rng);
    xd.resize(2048);
    auto f = fit(test::to_cfloat(xd), 2, 1);
    ASSERT_EQ(f.iflag, 0);
    const double peak = test::true_peak(a_true, b_true);
    EXPECT_LT(std::fabs(test::db_diff(test::model_spectrum(f.a, f.b, f.sig2, peak),
                                      test::arma_spectrum(a_true, b_true, 1.0, peak))),
              3.0);
    double best = 0, fbest = 0;
    for (int k = 0; k <= 5000; ++k) {
        const double v = test::model_spectrum(f.a, f.b, f.sig2, 0.5 * k / 5000);
        if (v > best) best = v, fbest = 0.5 * k / 5000;
    }
    EXPECT_NEAR(fbest, peak, 0.01);
}

struct MyweRun : ::testing::Test {
    test::TempDir dir;
    test::RunOutput go(const std::vector<double>& x, int npoles, int nzeros, const char* eps,
                       int npoints = 512) {
        test::write_real_data(dir / "data.txt", x);
        auto j = test::arma_job("MYWE", npoints, npoles, nzeros);
        j.eps = eps;
        return test::run(test::write_job(dir / "job.txt", j));
    }
};

TEST_F(MyweRun, WholeRunSucceeds) {
    auto rng = test::seeded_rng("MyweRunOk");
    auto out = go(test::arma_process({-1.3, 0.9025}, {0.5}, 500, 1.0, rng), 2, 1, "1.0E-05");
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    EXPECT_EQ(out.result.method_name, "MYWE");
    EXPECT_EQ(test::count_lines_with(out.report, " Sig2 = "), 1);
    EXPECT_EQ(
        test::count_lines_with(out.report, " ----------- Finished PSD Calculations ! -----------"),
        1);
    EXPECT_TRUE(test::all_finite(out.db));
}

TEST_F(MyweRun, PivotFailureWritesMessageBAndNoPlot) {
    auto rng = test::seeded_rng("MyweRunPivot");
    auto out = go(test::ar_process({-1.2, 0.6}, 300, 1.0, rng), 3, 1, "1.0E+20");
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(out.result.zero_fill, -99.0f);
    EXPECT_EQ(test::count_lines_with(out.report, " IFLAG = -1    EPS = 1.000E+20"), 1);
    EXPECT_EQ(
        test::count_lines_with(out.report, " Magnitude of one of complex rho's is less than EPS"),
        1);
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
}

TEST_F(MyweRun, AllZeroRecordFailsWithAnExplanation) {
    auto out = go(std::vector<double>(100, 0.0), 2, 1, "1.0E-05");
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(test::count_lines_with(out.report, "is zero (or not a number)"), 1);
    EXPECT_EQ(test::count_lines_with(out.report, "nan"), 0);
}

// The Durbin stage's order n/5 is limited by the Levinson tables: a record of 2100 points
// asks for order 420 > 411, and the run stops with the Levinson order block.
TEST_F(MyweRun, RecordLongerThanFiveTimesMaxOrderStops) {
    auto rng = test::seeded_rng("MyweRunLong");
    auto out = go(test::arma_process({-0.5}, {0.3}, 2100, 1.0, rng), 1, 1, "1.0E-05", 4096);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_EQ(out.result.stop_text, "Levinson ... Label 710");
    EXPECT_EQ(test::count_lines_with(out.report, "IP / Max_Order =    420   411"), 1);
}

} // namespace
} // namespace specest
