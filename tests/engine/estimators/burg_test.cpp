// Burg recursion: closed forms, bounds, a double-precision cross-check and whole runs.
#include "estimator_test_context.h"
#include "estimators/estimators.h"
#include "job_params.h"
#include "run_context.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <vector>

namespace specest {
namespace {

using cd = std::complex<double>;

class BurgTest : public test::ReportTest {
  protected:
    // Runs burg on x and returns a(1..ip).
    std::vector<cfloat> fit(std::vector<cfloat> x, int ip, float& sig2) {
        int n = static_cast<int>(x.size()), npoints = n;
        std::vector<cfloat> a(static_cast<std::size_t>(std::max(ip, 1)));
        burg(test::ctx(), Vec1<cfloat>(x), n, ip, Vec1<cfloat>(a), sig2, npoints);
        return a;
    }
};

std::vector<cfloat> to_float(const std::vector<cd>& v) {
    std::vector<cfloat> out;
    for (auto z : v) out.push_back({static_cast<float>(z.real()), static_cast<float>(z.imag())});
    return out;
}

std::vector<cfloat> complex_noise(int n, std::mt19937_64& rng) {
    std::normal_distribution<double> g;
    std::vector<cd> x(n);
    for (auto& z : x) z = {g(rng), g(rng)};
    return to_float(x);
}

std::vector<cfloat> real_record(const std::vector<double>& x) {
    std::vector<cfloat> out;
    for (double v : x) out.push_back({static_cast<float>(v), 0.0f});
    return out;
}

// Independent Burg in double precision, written from the harmonic-mean definition.
std::vector<cd> burg_double(const std::vector<cfloat>& xf, int ip, double& sig2) {
    const int n = static_cast<int>(xf.size());
    std::vector<cd> f(xf.begin(), xf.end()), b(xf.begin(), xf.end()), a;
    double pw = 0;
    for (auto z : f) pw += std::norm(z);
    pw /= n;
    for (int k = 1; k <= ip; ++k) {
        // errors of order k-1: f[t] for t >= k-1, b[t] for t >= k-1 (0-based)
        cd num;
        double den = 0;
        for (int t = k; t < n; ++t) {
            num += f[t] * std::conj(b[t - 1]);
            den += std::norm(f[t]) + std::norm(b[t - 1]);
        }
        const cd kk = -2.0 * num / den;
        std::vector<cd> na(k);
        for (int i = 0; i < k - 1; ++i) na[i] = a[i] + kk * std::conj(a[k - 2 - i]);
        na[k - 1] = kk;
        a = na;
        pw *= 1.0 - std::norm(kk);
        for (int t = n - 1; t >= k; --t) {
            const cd ft = f[t] + kk * b[t - 1];
            b[t] = b[t - 1] + std::conj(kk) * f[t];
            f[t] = ft;
        }
    }
    sig2 = pw;
    return a;
}

TEST_F(BurgTest, OrderOneMatchesTheClosedForm) {
    auto rng = test::seeded_rng("Burg.OrderOne");
    const std::vector<cfloat> x = complex_noise(300, rng);
    cd num;
    double den = 0, pw = 0;
    for (std::size_t j = 1; j < x.size(); ++j) {
        num += cd(x[j].real(), x[j].imag()) * std::conj(cd(x[j - 1].real(), x[j - 1].imag()));
        den += std::norm(cd(x[j].real(), x[j].imag())) +
               std::norm(cd(x[j - 1].real(), x[j - 1].imag()));
    }
    for (auto z : x) pw += std::norm(cd(z.real(), z.imag()));
    pw /= x.size();
    const cd a1 = -2.0 * num / den;
    float sig2 = 0;
    auto a = fit(x, 1, sig2);
    EXPECT_NEAR(a[0].real(), a1.real(), 1.0e-5);
    EXPECT_NEAR(a[0].imag(), a1.imag(), 1.0e-5);
    EXPECT_NEAR(sig2, pw * (1.0 - std::norm(a1)), 1.0e-5 * pw);
}

TEST_F(BurgTest, ReflectionCoefficientsStayInTheUnitDiskAndPowerNeverRises) {
    auto rng = test::seeded_rng("Burg.UnitDisk");
    for (int trial = 0; trial < 4; ++trial) {
        std::vector<cfloat> x = trial % 2 == 0
                                    ? complex_noise(200, rng)
                                    : real_record(test::ar_process({-1.6, 0.95}, 200, 1.0, rng));
        const int ip = 40;
        float sig2 = 0;
        fit(x, ip, sig2);
        double rho0 = 0;
        for (auto z : x) rho0 += std::norm(cd(z.real(), z.imag()));
        rho0 /= x.size();
        float prev = static_cast<float>(rho0 * (1 + 1e-6));
        for (int k = 1; k <= ip; ++k) {
            EXPECT_LE(std::abs(test::work().aa()(k, k)), 1.0f) << "order " << k;
            EXPECT_LE(test::work().rho()(k), prev) << "order " << k;
            prev = test::work().rho()(k);
        }
        EXPECT_EQ(sig2, test::work().rho()(ip));
    }
}

TEST_F(BurgTest, RealRecordGivesRealCoefficients) {
    auto rng = test::seeded_rng("Burg.Real");
    float sig2 = 0;
    auto a = fit(real_record(test::ar_process({-0.5, 0.3, 0.1}, 400, 2.0, rng)), 12, sig2);
    for (auto z : a) EXPECT_EQ(z.imag(), 0.0f);
    EXPECT_GT(sig2, 0.0f);
}

TEST_F(BurgTest, ComplexExponentialIsPerfectlyPredicted) {
    const double w = 0.7;
    std::vector<cd> x(128);
    for (int i = 1; i <= 128; ++i) x[i - 1] = std::polar(1.0, w * i);
    float sig2 = -1;
    auto a = fit(to_float(x), 1, sig2);
    EXPECT_NEAR(a[0].real(), -std::cos(w), 1.0e-6);
    EXPECT_NEAR(a[0].imag(), -std::sin(w), 1.0e-6);
    EXPECT_NEAR(sig2, 0.0f, 1.0e-6);
}

TEST_F(BurgTest, AgreesWithADoublePrecisionBurgOnAnAr4Record) {
    auto rng = test::seeded_rng("Burg.CrossCheck");
    // poles at radius 0.95 and 0.9: peaks well inside the band, moderate dynamic range
    const std::vector<double> truth = {-1.8173, 1.9696, -1.4346, 0.6561};
    const std::vector<cfloat> x = real_record(test::ar_process(truth, 2048, 1.0, rng));
    float sig2 = 0;
    auto a = fit(x, 4, sig2);
    double sig2d = 0;
    auto ad = burg_double(x, 4, sig2d);
    // Each sum has about 2000 terms rounded to 24 bits: relative error of order
    // sqrt(2000) * 6e-8 = 3e-6 in the reflection coefficients, grown by at most the condition
    // of the Levinson map at these pole radii (about 20): 1e-4 leaves a safe margin.
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(a[i].real(), ad[i].real(), 1.0e-4) << i;
        EXPECT_EQ(a[i].imag(), 0.0f);
    }
    EXPECT_NEAR(sig2, sig2d, 1.0e-4 * sig2d);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(a[i].real(), truth[i], 0.1) << i;
}

TEST_F(BurgTest, AgreesWithADoublePrecisionBurgOnAComplexRecord) {
    auto rng = test::seeded_rng("Burg.ComplexCrossCheck");
    std::normal_distribution<double> g;
    const cd p1 = std::polar(0.95, 1.0), p2 = std::polar(0.6, -2.0);
    const cd a1 = -(p1 + p2), a2 = p1 * p2;
    std::vector<cd> xd(2048);
    for (std::size_t i = 0; i < xd.size(); ++i) {
        cd v(g(rng), g(rng));
        if (i >= 1) v -= a1 * xd[i - 1];
        if (i >= 2) v -= a2 * xd[i - 2];
        xd[i] = v;
    }
    const auto x = to_float(xd);
    float sig2 = 0;
    auto a = fit(x, 6, sig2);
    double sig2d = 0;
    auto ad = burg_double(x, 6, sig2d);
    // same single-precision argument as for the real record
    for (int i = 0; i < 6; ++i)
        EXPECT_LT(std::abs(cd(a[i].real(), a[i].imag()) - ad[i]), 1.0e-4) << i;
    EXPECT_NEAR(sig2, sig2d, 1.0e-4 * sig2d);
    EXPECT_LT(std::abs(ad[0] - a1), 0.1);
}

TEST_F(BurgTest, AllZeroRecordEndsWithAnExplanationNotNaN) {
    float sig2 = -1;
    auto a = fit(std::vector<cfloat>(50), 3, sig2);
    EXPECT_NE(job().iflag, 0);
    EXPECT_EQ(sig2, 0.0f);
    for (auto z : a) EXPECT_EQ(z, cfloat());
    EXPECT_NE(report().find("BURG: no reflection coefficient at order   1:"), std::string::npos);
}

TEST_F(BurgTest, OrderNotBelowTheRecordLengthEndsWithAnExplanation) {
    auto rng = test::seeded_rng("Burg.OrderTooHigh");
    float sig2 = -1;
    fit(complex_noise(5, rng), 5, sig2);
    EXPECT_NE(job().iflag, 0);
    EXPECT_TRUE(std::isfinite(sig2));
    EXPECT_NE(report().find("order   5:"), std::string::npos);
}

// Whole runs ---------------------------------------------------------------------------------

test::Job burg_job(const std::string& npoles) {
    test::Job j;
    j.method = "Burg";
    j.npoles = npoles;
    j.npoints = "512";
    return j;
}

TEST(BurgRun, Ar2RecordPeaksAtItsResonance) {
    test::TempDir dir;
    auto rng = test::seeded_rng("BurgRun.Ar2");
    // poles at radius 0.95, angle 2*pi*0.1: resonance near 0.1 cycles per sample
    const double r = 0.95, th = 2 * M_PI * 0.1;
    test::write_real_data(dir / "data.txt",
                          test::ar_process({-2 * r * std::cos(th), r * r}, 1000, 1.0, rng));
    test::write_job(dir / "job.0", burg_job("2"));
    auto out = test::run(dir / "job.0");
    ASSERT_EQ(out.result.status, RunStatus::success) << out.report;
    EXPECT_EQ(out.result.n_freq_pts, 256);
    const auto top = std::max_element(out.db.begin(), out.db.begin() + 256) - out.db.begin();
    EXPECT_NEAR(out.x[top], 0.1, 0.01);
    EXPECT_EQ(test::count_lines_with(out.report, " Sig2 = "), 1);
    EXPECT_EQ(test::count_lines_with(
                  out.report, " AR filter parameter estimates ... a(i) 's      ... Summation = "),
              1);
    EXPECT_EQ(
        test::count_lines_with(out.report, " ----------- Finished PSD Calculations ! -----------"),
        1);
}

TEST(BurgRun, AllZeroRecordGivesNoPlot) {
    test::TempDir dir;
    test::write_real_data(dir / "data.txt", std::vector<double>(64, 0.0));
    test::write_job(dir / "job.0", burg_job("4"));
    auto out = test::run(dir / "job.0");
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(out.result.zero_fill, -99.0f);
    EXPECT_TRUE(std::isfinite(out.result.sig2));
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
    EXPECT_EQ(test::count_lines_with(out.report, "BURG: no reflection coefficient"), 1);
    EXPECT_EQ(out.report.find("nan"), std::string::npos);
}

} // namespace
} // namespace specest

namespace specest {
namespace {

// The shipped example jobs of this group of methods: each must run and put its largest value
// on the strongest line of its record (Marple's record: lines near 0.2 and 0.21 cycles per
// sample; the AR(4) record: resonances near 0.11 and 0.14).
struct Example {
    const char* job;
    const char* data;
    double lo, hi;
};

class ExampleJob : public ::testing::TestWithParam<Example> {};

TEST_P(ExampleJob, RunsAndPeaksOnTheStrongestLine) {
    const Example ex = GetParam();
    const test::fs::path examples = test::fs::path(__FILE__).parent_path() / "../../../examples";
    test::TempDir dir;
    test::fs::copy_file(examples / ex.job, dir / ex.job);
    test::fs::copy_file(examples / ex.data, dir / ex.data);
    auto out = test::run(dir / ex.job);
    ASSERT_EQ(out.result.status, RunStatus::success) << out.report;
    const int n = out.result.n_freq_pts;
    const auto top = std::max_element(out.db.begin(), out.db.begin() + n) - out.db.begin();
    EXPECT_GE(out.x[top], ex.lo) << ex.job;
    EXPECT_LE(out.x[top], ex.hi) << ex.job;
    EXPECT_TRUE(std::all_of(out.db.begin(), out.db.begin() + n,
                            [](float v) { return v >= -100.0f && v <= 0.0f; }));
}

INSTANTIATE_TEST_SUITE_P(ShippedExamples, ExampleJob,
                         ::testing::Values(Example{"Ex-Burg.0", "marple64.txt", 0.19, 0.22},
                                           Example{"Ex-Cov.0", "marple64.txt", 0.19, 0.22},
                                           Example{"Ex-mCov.0", "marple64.txt", 0.19, 0.22},
                                           Example{"Ex-Lock.0", "marple64.txt", 0.18, 0.22},
                                           Example{"Ex-MVSE.0", "marple64.txt", 0.19, 0.22},
                                           Example{"Ex-RMLE.0", "ar4real.txt", 0.10, 0.145}));

} // namespace
} // namespace specest
