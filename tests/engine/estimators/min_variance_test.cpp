// Minimum-variance spectrum: noise levels, grid positions, the inverse, and whole runs.
#include "estimator_test_context.h"
#include "estimators/cholesky.h"
#include "estimators/estimators.h"
#include "estimators/min_variance.h"
#include "job_params.h"
#include "run_context.h"
#include "stop.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

namespace specest {
namespace {

using cd = std::complex<double>;

class MvseTest : public test::ReportTest {
  protected:
    std::vector<float> spectrum(std::vector<cfloat> x, int ip, int l, int mode, int& iflag,
                                float fill = -7.0f) {
        int n = static_cast<int>(x.size());
        float eps = 1.0e-6f;
        std::vector<float> pmv(static_cast<std::size_t>(l), fill);
        mvse(test::ctx(), Vec1<cfloat>(x), n, ip, l, eps, mode, Vec1<float>(pmv), iflag);
        return pmv;
    }
};

std::vector<cfloat> white(int n, double sigma2, std::mt19937_64& rng) {
    std::normal_distribution<double> g(0.0, std::sqrt(sigma2 / 2));
    std::vector<cfloat> x(static_cast<std::size_t>(n));
    for (auto& z : x) z = {static_cast<float>(g(rng)), static_cast<float>(g(rng))};
    return x;
}

double mean(const std::vector<float>& v) {
    double s = 0;
    for (float f : v) s += f;
    return s / v.size();
}

TEST_F(MvseTest, WhiteNoiseLevelForBothModes) {
    auto rng = test::seeded_rng("Mvse.WhiteNoise");
    const double sigma2 = 3.0;
    const auto x = white(8192, sigma2, rng);
    const int ip = 8;
    int iflag = 0;
    const auto p1 = spectrum(x, ip, 64, 1, iflag);
    ASSERT_EQ(iflag, 0);
    const auto p0 = spectrum(x, ip, 64, 0, iflag);
    ASSERT_EQ(iflag, 0);
    EXPECT_NEAR(mean(p1), sigma2, 0.05 * sigma2);
    EXPECT_NEAR(mean(p0), sigma2 / ip, 0.05 * sigma2 / ip);
    for (float v : p1) EXPECT_NEAR(v, sigma2, 0.2 * sigma2);
}

TEST_F(MvseTest, OrderOneIsThePowerAtEveryFrequency) {
    auto rng = test::seeded_rng("Mvse.OrderOne");
    const auto x = white(500, 1.0, rng);
    double p = 0;
    for (int k = 2; k <= 500; ++k)
        p += std::norm(cd(x[k - 2].real(), x[k - 2].imag())) +
             std::norm(cd(x[k - 1].real(), x[k - 1].imag()));
    p /= 2.0 * 499;
    int iflag = 0;
    const auto pmv = spectrum(x, 1, 16, 1, iflag);
    ASSERT_EQ(iflag, 0);
    for (float v : pmv) EXPECT_EQ(v, pmv[0]);
    EXPECT_NEAR(pmv[0], p, 1.0e-5 * p);
}

TEST_F(MvseTest, GridStartsAtMinusHalfAndPutsZeroAtTheMiddlePlusOne) {
    auto rng = test::seeded_rng("Mvse.Grid");
    const int l = 64;
    for (double f0 : {-0.5, 0.0, 0.125}) {
        auto x = white(400, 1.0e-4, rng);
        for (int i = 1; i <= 400; ++i)
            x[i - 1] += cfloat(std::polar(1.0f, static_cast<float>(2 * M_PI * f0 * i)));
        int iflag = 0;
        const auto pmv = spectrum(x, 10, l, 1, iflag);
        ASSERT_EQ(iflag, 0);
        const int top =
            static_cast<int>(std::max_element(pmv.begin(), pmv.end()) - pmv.begin()) + 1;
        EXPECT_EQ(top, static_cast<int>(std::lround((f0 + 0.5) * l)) + 1) << "f0 = " << f0;
    }
}

TEST_F(MvseTest, CorrelationMatrixMatchesADoubleOracle) {
    auto rng = test::seeded_rng("Mvse.Corrmat");
    const auto x = white(300, 1.0, rng);
    const int n = 300, ip = 7;
    corrmat(Vec1<cfloat>(const_cast<cfloat*>(x.data()), n), n, ip, test::work().rmat());
    auto X = [&](int i) { return cd(x[i - 1].real(), x[i - 1].imag()); };
    int c = 0;
    for (int i = 1; i <= ip; ++i)
        for (int j = 1; j <= i; ++j) {
            cd want;
            for (int k = ip + 1; k <= n; ++k)
                want += std::conj(X(k - j)) * X(k - i) + X(k - ip + j) * std::conj(X(k - ip + i));
            want /= 2.0 * (n - ip);
            const cfloat got = test::work().hc()(++c);
            EXPECT_LT(std::abs(cd(got.real(), got.imag()) - want), 1.0e-5) << i << "," << j;
        }
}

TEST_F(MvseTest, InverseFromOneFactorIsBitIdenticalToRefactoringAndInverts) {
    auto rng = test::seeded_rng("Mvse.Inverse");
    const int n = 2000, ip = 60;
    auto x = white(n, 1.0, rng);
    for (int i = 1; i <= n; ++i) x[i - 1] += cfloat(std::polar(2.0f, 0.9f * i));
    corrmat(Vec1<cfloat>(x), n, ip, test::work().rmat());
    std::vector<cfloat> once(ip * ip), again(ip * ip);
    int iflag = 0;
    mvse_inverse(test::ctx(), ip, 1.0e-6f, iflag, Mat1<cfloat>(once.data(), ip, ip));
    ASSERT_EQ(iflag, 0);
    for (int j = 1; j <= ip; ++j) { // the column-by-column solve with a fresh factorisation each
        for (int i = 1; i <= ip; ++i) test::work().theta()(i) = i == j ? 1.0f : 0.0f;
        cholesky(test::ctx(), ip, 1.0e-6f, iflag);
        ASSERT_EQ(iflag, 0);
        for (int i = 1; i <= ip; ++i) again[(j - 1) * ip + i - 1] = test::work().theta()(i);
    }
    EXPECT_EQ(std::memcmp(once.data(), again.data(), once.size() * sizeof(cfloat)), 0);
    // R * Rinv = I, R rebuilt from the packed conjugated triangle
    auto R = [&](int i, int j) {
        const cfloat v = i >= j ? std::conj(test::work().hc()(i * (i - 1) / 2 + j))
                                : test::work().hc()(j * (j - 1) / 2 + i);
        return cd(v.real(), v.imag());
    };
    double worst = 0;
    for (int i = 1; i <= ip; ++i)
        for (int j = 1; j <= ip; ++j) {
            cd s;
            for (int k = 1; k <= ip; ++k)
                s += R(i, k) *
                     cd(once[(j - 1) * ip + k - 1].real(), once[(j - 1) * ip + k - 1].imag());
            worst = std::max(worst, std::abs(s - (i == j ? 1.0 : 0.0)));
        }
    EXPECT_LT(worst, 1.0e-3);
}

TEST_F(MvseTest, OtherModesAreRefusedBeforeAnythingIsWritten) {
    auto rng = test::seeded_rng("Mvse.Mode");
    int iflag = 0;
    std::vector<float> pmv;
    EXPECT_THROW(pmv = spectrum(white(100, 1.0, rng), 4, 16, 2, iflag), RunStopped);
    std::vector<cfloat> x = white(100, 1.0, rng);
    int n = 100, ip = 4, l = 16, mode = 2;
    float eps = 1e-6f;
    std::vector<float> out(16, -7.0f);
    EXPECT_THROW(mvse(test::ctx(), Vec1<cfloat>(x), n, ip, l, eps, mode, Vec1<float>(out), iflag),
                 RunStopped);
    for (float v : out) EXPECT_EQ(v, -7.0f);
}

TEST_F(MvseTest, MoreGridPointsThanTheArrayHoldsAreRefused) {
    auto rng = test::seeded_rng("Mvse.Capacity");
    std::vector<cfloat> x = white(100, 1.0, rng);
    int n = 100, ip = 4, l = 17, mode = 1, iflag = 0;
    float eps = 1e-6f;
    std::vector<float> out(16, -7.0f);
    EXPECT_THROW(mvse(test::ctx(), Vec1<cfloat>(x), n, ip, l, eps, mode, Vec1<float>(out), iflag),
                 RunStopped);
    for (float v : out) EXPECT_EQ(v, -7.0f);
}

TEST_F(MvseTest, PivotFailureWritesNoSpectrum) {
    int iflag = 0;
    const auto pmv = spectrum(std::vector<cfloat>(100, cfloat(1.0f, 1.0f)), 5, 8, 1, iflag);
    EXPECT_EQ(iflag, -1);
    for (float v : pmv) EXPECT_EQ(v, -7.0f);
}

// Whole runs ---------------------------------------------------------------------------------

test::Job mvse_job(const std::string& l_pts, const std::string& eps = "1.0E-6") {
    test::Job j;
    j.method = "MVSE";
    j.data_type = "C";
    j.npoles = "12";
    j.eps = eps;
    j.mode = "1";
    j.l_pts = l_pts;
    j.npoints = "256";
    j.neg_freq = "Y";
    return j;
}

void write_tone(const test::TempDir& dir, double f0) {
    auto rng = test::seeded_rng("MvseRun.tone");
    std::normal_distribution<double> g(0.0, 0.1);
    std::vector<std::complex<double>> x(300);
    for (int i = 0; i < 300; ++i)
        x[i] = std::polar(1.0, 2 * M_PI * f0 * i) + std::complex<double>(g(rng), g(rng));
    test::write_complex_data(dir / "data.txt", x);
}

TEST(MvseRun, OwnGridOfLPtsPointsWithTheToneAtItsFrequency) {
    test::TempDir dir;
    write_tone(dir, 0.25);
    test::write_job(dir / "job.0", mvse_job("1024")); // more points than nPoints = 256
    auto out = test::run(dir / "job.0");
    ASSERT_EQ(out.result.status, RunStatus::success) << out.report;
    EXPECT_EQ(out.result.n_freq_pts, 1023);
    EXPECT_FLOAT_EQ(out.x[0], -0.5f);
    const auto top = std::max_element(out.db.begin(), out.db.begin() + 1023) - out.db.begin();
    EXPECT_NEAR(out.x[top], 0.25, 1.0 / 1024);
    EXPECT_EQ(test::count_lines_with(out.report, " nPoints / n_freq_pts = 1024 1023"), 1);
}

TEST(MvseRun, GridLargerThanTheCallersArraysIsRefusedBeforeAnythingIsWritten) {
    test::TempDir dir;
    write_tone(dir, 0.25);
    test::write_job(dir / "job.0", mvse_job("1024"));
    auto out = test::run(dir / "job.0", /*capacity*/ 256, /*fill*/ 12345.0f);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_EQ(out.result.zero_fill, -99.0f);
    for (float v : out.x) ASSERT_EQ(v, 12345.0f);
    for (float v : out.db) ASSERT_EQ(v, 12345.0f);
    EXPECT_NE(out.report.find("the result arrays are too small"), std::string::npos);
}

TEST(MvseRun, PivotFailureGivesMessageFAndNoPlot) {
    test::TempDir dir;
    write_tone(dir, 0.25);
    test::write_job(dir / "job.0", mvse_job("64", "1.0E+30"));
    auto out = test::run(dir / "job.0");
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_NE(out.report.find("\n IFLAG =-1    EPS = 1.000E+30\n"
                              " One of the di's in CHOLESKY is less than EPS\n"
                              " causing premature termination.\n"),
              std::string::npos)
        << out.report;
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
}

} // namespace
} // namespace specest
