// Durbin's moving-average method: recovery, the role of iq and L, and whole runs.
#include "arma_test_helpers.h"
#include "estimator_test_context.h"
#include "estimators/estimators.h"

namespace specest {
namespace {

class DurbinTest : public test::EstimatorTest {
  protected:
    float run_durbin(const std::vector<cfloat>& data, int iq, int l, std::vector<cfloat>& b) {
        auto x = data;
        int n = int(x.size()), npoints = n;
        b.assign(std::max(iq, 1), cfloat(99.0f, 99.0f));
        float sig2 = -1;
        durbin(test::ctx(), Vec1<cfloat>(x), n, iq, l, Vec1<cfloat>(b), sig2, npoints);
        return sig2;
    }
};

TEST_F(DurbinTest, RecoversAnMa1ModelWithALongAr) {
    auto rng = test::seeded_rng("DurbinMa1");
    auto x = test::to_cfloat(test::arma_process({}, {0.5}, 4096, 1.5, rng));
    std::vector<cfloat> b;
    const float sig2 = run_durbin(x, 1, 60, b);
    EXPECT_EQ(job().iflag, 0);
    EXPECT_NEAR(b[0].real(), 0.5, 0.05);
    EXPECT_EQ(b[0].imag(), 0.0f);
    EXPECT_NEAR(sig2, 1.5 * 1.5, 0.1 * 2.25);
}

TEST_F(DurbinTest, NoiseVarianceComesFromTheLongModelOnly) {
    auto rng = test::seeded_rng("DurbinSig2");
    auto x = test::to_cfloat(test::arma_process({}, {0.4, -0.3}, 1000, 1.0, rng));
    std::vector<cfloat> b;
    const float s0 = run_durbin(x, 0, 40, b);
    EXPECT_EQ(b[0], cfloat(99.0f, 99.0f)); // iq = 0 writes no coefficients
    for (int iq : {1, 2, 5}) EXPECT_EQ(run_durbin(x, iq, 40, b), s0) << "iq " << iq;
    EXPECT_NE(run_durbin(x, 2, 41, b), s0);
}

// The long model may be as long as the job admits (maxorder), well beyond 200.
TEST_F(DurbinTest, LongModelsBeyond200CoefficientsWork) {
    auto rng = test::seeded_rng("DurbinLongL");
    const std::vector<double> b_true = {1.0, 0.5};
    auto x = test::to_cfloat(test::arma_process({}, b_true, 4096, 1.0, rng));
    for (int l : {300, kMaxOrder}) {
        std::vector<cfloat> b;
        const float sig2 = run_durbin(x, 2, l, b);
        ASSERT_EQ(job().iflag, 0);
        EXPECT_NEAR(b[0].real(), 1.0, 0.1) << "L " << l;
        EXPECT_NEAR(b[1].real(), 0.5, 0.1) << "L " << l;
        EXPECT_NEAR(sig2, 1.0, 0.1);
    }
}

// MA(2) with a spectral maximum at zero frequency: the fitted spectrum at the peak and across
// the band, within 0.5 dB at the peak and 1.5 dB elsewhere above the deepest 10 dB.
TEST_F(DurbinTest, Ma2SpectrumMatchesTheTrueSpectrum) {
    auto rng = test::seeded_rng("DurbinMa2Spectrum");
    const std::vector<double> b_true = {1.0, 0.5};
    auto x = test::to_cfloat(test::arma_process({}, b_true, 4096, 1.0, rng));
    std::vector<cfloat> b;
    const float sig2 = run_durbin(x, 2, 80, b);
    const double peak = test::true_peak({}, b_true);
    EXPECT_NEAR(peak, 0.0, 1e-9);
    EXPECT_LT(std::fabs(test::db_diff(test::model_spectrum({}, b, sig2, peak),
                                      test::arma_spectrum({}, b_true, 1.0, peak))),
              0.5);
    for (double f = 0.0; f <= 0.3; f += 0.05)
        EXPECT_LT(std::fabs(test::db_diff(test::model_spectrum({}, b, sig2, f),
                                          test::arma_spectrum({}, b_true, 1.0, f))),
                  1.5)
            << "f " << f;
}

TEST_F(DurbinTest, AllZeroRecordFailsWithoutNumbersThatAreNotNumbers) {
    std::vector<cfloat> x(200), b;
    const float sig2 = run_durbin(x, 2, 10, b);
    EXPECT_NE(job().iflag, 0);
    EXPECT_TRUE(std::isfinite(sig2));
    EXPECT_EQ(b[0], cfloat(99.0f, 99.0f));
}

struct DurbinRun : ::testing::Test {
    test::TempDir dir;
    test::RunOutput go(const std::vector<double>& x, int nzeros, int l, int npoints = 512) {
        test::write_real_data(dir / "data.txt", x);
        auto j = test::arma_job("Durbin", npoints, 0, nzeros);
        j.npoles = "-999";
        j.l_pts = std::to_string(l);
        return test::run(test::write_job(dir / "job.txt", j));
    }
};

TEST_F(DurbinRun, WholeRunReportsTheModelAndFinishes) {
    auto rng = test::seeded_rng("DurbinRunOk");
    auto out = go(test::arma_process({}, {0.5}, 500, 1.0, rng), 1, 50);
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    EXPECT_EQ(out.result.method_name, "DURBIN");
    EXPECT_EQ(test::count_lines_with(out.report, " Sig2 = "), 1);
    EXPECT_EQ(test::count_lines_with(out.report, " AR filter parameter estimates ... b(i) 's"), 1);
    EXPECT_EQ(
        test::count_lines_with(out.report, " ----------- Finished PSD Calculations ! -----------"),
        1);
    EXPECT_EQ(out.result.n_freq_pts, 256);
    EXPECT_TRUE(test::all_finite(out.db));
    // MA(1) with b = 0.5: maximum at zero frequency, power ratio 9 to Nyquist, which the
    // report's 20 log10 of the power shows as -19.1.
    EXPECT_EQ(out.db[0], 0.0f);
    EXPECT_NEAR(out.db[255], -19.08, 1.5);
}

TEST_F(DurbinRun, WithoutZerosTheSpectrumIsFlat) {
    auto rng = test::seeded_rng("DurbinRunFlat");
    auto out = go(test::arma_process({}, {0.5}, 300, 1.0, rng), 0, 20);
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    for (int i = 0; i < out.result.n_freq_pts; ++i) ASSERT_EQ(out.db[i], 0.0f) << i;
}

TEST_F(DurbinRun, AllZeroRecordEndsWithNoPlot) {
    auto out = go(std::vector<double>(100, 0.0), 2, 10);
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(out.result.zero_fill, -99.0f);
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
    EXPECT_EQ(test::count_lines_with(out.report, "nan"), 0);
}

} // namespace
} // namespace specest
