// Covariance and modified covariance: exact recovery, a double-precision least-squares
// cross-check, the pivot failure, and whole runs.
#include "estimator_test_context.h"
#include "estimators/estimators.h"
#include "job_params.h"
#include "run_context.h"
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

class CovarianceTest : public test::ReportTest {
  protected:
    // Returns theta(1..ip) after covmcov.
    std::vector<cfloat> fit(std::vector<cfloat> x, int ip, int mode, float eps, int& iflag,
                            float& sig2) {
        int n = static_cast<int>(x.size());
        covmcov(test::ctx(), Vec1<cfloat>(x), n, ip, mode, eps, iflag, sig2);
        std::vector<cfloat> a;
        for (int i = 1; i <= ip; ++i) a.push_back(test::work().theta()(i));
        return a;
    }
};

std::vector<cfloat> to_float(const std::vector<cd>& v) {
    std::vector<cfloat> out;
    for (auto z : v) out.push_back({static_cast<float>(z.real()), static_cast<float>(z.imag())});
    return out;
}

// Least squares in double precision straight from the definition: minimise the forward (and
// backward) prediction-error energy over i = ip+1..n by solving the normal equations directly.
std::vector<cd> least_squares(const std::vector<cfloat>& xf, int ip, bool modified, double& sig2) {
    const int n = static_cast<int>(xf.size());
    auto x = [&](int i) { return cd(xf[i - 1].real(), xf[i - 1].imag()); };
    std::vector<std::vector<cd>> M(ip, std::vector<cd>(ip + 1));
    // forward error e(i) = x(i) + sum a(k) x(i-k); backward g(i) = conj(x(i-ip)) + sum a(k)
    // conj(x(i-ip+k))
    for (int i = ip + 1; i <= n; ++i) {
        for (int r = 1; r <= ip; ++r) {
            for (int k = 1; k <= ip; ++k) M[r - 1][k - 1] += std::conj(x(i - r)) * x(i - k);
            M[r - 1][ip] -= std::conj(x(i - r)) * x(i);
            if (modified) {
                const int m = i - ip;
                for (int k = 1; k <= ip; ++k) M[r - 1][k - 1] += x(m + r) * std::conj(x(m + k));
                M[r - 1][ip] -= x(m + r) * std::conj(x(m));
            }
        }
    }
    for (int c = 0; c < ip; ++c)
        for (int r = c + 1; r < ip; ++r) {
            const cd f = M[r][c] / M[c][c];
            for (int k = c; k <= ip; ++k) M[r][k] -= f * M[c][k];
        }
    std::vector<cd> a(ip);
    for (int r = ip - 1; r >= 0; --r) {
        cd s = M[r][ip];
        for (int k = r + 1; k < ip; ++k) s -= M[r][k] * a[k];
        a[r] = s / M[r][r];
    }
    double energy = 0;
    for (int i = ip + 1; i <= n; ++i) {
        cd e = x(i);
        for (int k = 1; k <= ip; ++k) e += a[k - 1] * x(i - k);
        energy += std::norm(e);
        if (modified) {
            const int m = i - ip;
            cd g = std::conj(x(m));
            for (int k = 1; k <= ip; ++k) g += a[k - 1] * std::conj(x(m + k));
            energy += std::norm(g);
        }
    }
    sig2 = energy / ((modified ? 2.0 : 1.0) * (n - ip));
    return a;
}

TEST_F(CovarianceTest, NoiseFreeArRecursionIsRecoveredExactly) {
    auto rng = test::seeded_rng("Covariance.ExactRecovery");
    std::normal_distribution<double> g;
    const std::vector<cd> a = {{-0.6, 0.3}, {0.4, -0.2}, {-0.1, 0.05}};
    std::vector<cd> x(80);
    for (int i = 0; i < 3; ++i) x[i] = {g(rng), g(rng)};
    for (int i = 3; i < 80; ++i) {
        cd v;
        for (int k = 1; k <= 3; ++k) v -= a[k - 1] * x[i - k];
        x[i] = v + (i < 6 ? cd(g(rng), g(rng)) : cd()); // excite, then let it run free
    }
    // the fit window i = 4..80 must hold only the free recursion: start the record at 4
    std::vector<cd> rec(x.begin() + 3, x.end());
    int iflag = 7;
    float sig2 = -1;
    auto est = fit(to_float(rec), 3, 0, 1.0e-12f, iflag, sig2);
    ASSERT_EQ(iflag, 0);
    double power = 0;
    for (auto z : rec) power += std::norm(z);
    power /= rec.size();
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(est[k].real(), a[k].real(), 2.0e-4) << k;
        EXPECT_NEAR(est[k].imag(), a[k].imag(), 2.0e-4) << k;
    }
    EXPECT_LT(std::fabs(sig2), 1.0e-6 * power);
}

TEST_F(CovarianceTest, RealRecordGivesRealCoefficientsInBothModes) {
    auto rng = test::seeded_rng("Covariance.Real");
    std::vector<cfloat> x;
    for (double v : test::ar_process({-0.9, 0.5}, 300, 1.0, rng))
        x.push_back({static_cast<float>(v), 0.0f});
    for (int mode : {0, 1}) {
        int iflag = 0;
        float sig2 = 0;
        auto a = fit(x, 6, mode, 1.0e-6f, iflag, sig2);
        ASSERT_EQ(iflag, 0);
        for (auto z : a) EXPECT_EQ(z.imag(), 0.0f);
        EXPECT_GT(sig2, 0.0f);
    }
}

TEST_F(CovarianceTest, ModesOtherThanOneAreTheCovarianceMethod) {
    auto rng = test::seeded_rng("Covariance.OtherModes");
    std::normal_distribution<double> g;
    std::vector<cd> xd(100);
    for (auto& z : xd) z = {g(rng), g(rng)};
    const auto x = to_float(xd);
    int iflag = 0;
    float s0 = 0, s7 = 0;
    auto a0 = fit(x, 5, 0, 1.0e-6f, iflag, s0);
    auto a7 = fit(x, 5, 7, 1.0e-6f, iflag, s7);
    EXPECT_EQ(std::memcmp(a0.data(), a7.data(), a0.size() * sizeof(cfloat)), 0);
    EXPECT_EQ(s0, s7);
}

TEST_F(CovarianceTest, AgreesWithADoublePrecisionLeastSquaresFit) {
    auto rng = test::seeded_rng("Covariance.CrossCheck");
    const std::vector<double> truth = {-1.8173, 1.9696, -1.4346, 0.6561};
    std::vector<cfloat> x;
    for (double v : test::ar_process(truth, 2048, 1.0, rng))
        x.push_back({static_cast<float>(v), 0.0f});
    for (int mode : {0, 1}) {
        int iflag = 0;
        float sig2 = 0;
        auto a = fit(x, 4, mode, 1.0e-6f, iflag, sig2);
        ASSERT_EQ(iflag, 0);
        double sig2d = 0;
        auto ad = least_squares(x, 4, mode == 1, sig2d);
        // Sums of about 2000 terms rounded to 24 bits (relative error ~ 3e-6 each) solved through
        // a normal matrix of condition ~1e3 at these pole radii: coefficient errors stay below
        // 1e-3 with margin; sig2 is an energy difference, so it gets a relative 1e-3.
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(a[k].real(), ad[k].real(), 1.0e-3) << "mode " << mode << " k " << k;
        EXPECT_NEAR(sig2, sig2d, 1.0e-3 * sig2d) << "mode " << mode;
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(a[k].real(), truth[k], 0.1);
    }
}

TEST_F(CovarianceTest, ComplexRecordAgreesWithADoublePrecisionFitInBothModes) {
    auto rng = test::seeded_rng("Covariance.ComplexCrossCheck");
    std::normal_distribution<double> g;
    // complex AR(2) with one pole at 0.9 exp(i 1.0) and one at 0.5 exp(-i 2.0)
    const cd p1 = std::polar(0.9, 1.0), p2 = std::polar(0.5, -2.0);
    const cd a1 = -(p1 + p2), a2 = p1 * p2;
    std::vector<cd> xd(1500);
    for (std::size_t i = 0; i < xd.size(); ++i) {
        cd v(g(rng), g(rng));
        if (i >= 1) v -= a1 * xd[i - 1];
        if (i >= 2) v -= a2 * xd[i - 2];
        xd[i] = v;
    }
    const auto x = to_float(xd);
    for (int mode : {0, 1}) {
        int iflag = 0;
        float sig2 = 0;
        auto a = fit(x, 4, mode, 1.0e-6f, iflag, sig2);
        ASSERT_EQ(iflag, 0);
        double sig2d = 0;
        auto ad = least_squares(x, 4, mode == 1, sig2d);
        for (int k = 0; k < 4; ++k)
            EXPECT_LT(std::abs(cd(a[k].real(), a[k].imag()) - ad[k]), 1.0e-4)
                << "mode " << mode << " k " << k;
        EXPECT_NEAR(sig2, sig2d, 1.0e-4 * sig2d) << "mode " << mode;
    }
}

TEST_F(CovarianceTest, PivotFailureLeavesSig2AndReportsTheSolverDiagnostic) {
    std::vector<cfloat> x(40, cfloat(1.0f, 0.0f)); // constant record: rank-one normal matrix
    int iflag = 0;
    float sig2 = -5.0f;
    fit(x, 3, 1, 1.0e-5f, iflag, sig2);
    EXPECT_EQ(iflag, -1);
    EXPECT_EQ(sig2, -5.0f);
    run_report().close();
    EXPECT_NE(test::read_text(dir / "r.out").find(" Error in CHOLESKY: I =     2"),
              std::string::npos);
}

// Whole runs ---------------------------------------------------------------------------------

TEST(CovarianceRun, BothMethodsFindTheResonance) {
    test::TempDir dir;
    auto rng = test::seeded_rng("CovarianceRun.Ar2");
    const double r = 0.95, th = 2 * M_PI * 0.2;
    test::write_real_data(dir / "data.txt",
                          test::ar_process({-2 * r * std::cos(th), r * r}, 600, 1.0, rng), 0.5);
    for (const char* method : {"Covariance", "Modified Covariance"}) {
        test::Job j;
        j.method = method;
        j.npoles = "4";
        j.eps = "1.0E-5";
        j.npoints = "256";
        test::write_job(dir / "job.0", j);
        auto out = test::run(dir / "job.0");
        ASSERT_EQ(out.result.status, RunStatus::success) << method << "\n" << out.report;
        const auto top = std::max_element(out.db.begin(), out.db.begin() + 128) - out.db.begin();
        EXPECT_NEAR(out.x[top], 0.2 / 0.5, 0.02) << method; // dt = 0.5
        EXPECT_EQ(test::count_lines_with(out.report, " Sig2 = "), 1);
    }
}

TEST(CovarianceRun, PivotFailureGivesMessageAAndNoPlot) {
    test::TempDir dir;
    test::write_real_data(dir / "data.txt", std::vector<double>(50, 2.0));
    test::Job j;
    j.method = "Covariance";
    j.npoles = "3";
    j.eps = "1.0E-5";
    test::write_job(dir / "job.0", j);
    auto out = test::run(dir / "job.0");
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(out.result.zero_fill, -99.0f);
    EXPECT_NE(out.report.find("\n IFLAG = -1    EPS = 1.000E-05\n"
                              " One of the di's in Cholesky decomposition is less than EPS\n"
                              " causing premature termination.\n"),
              std::string::npos)
        << out.report;
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
}

} // namespace
} // namespace specest
