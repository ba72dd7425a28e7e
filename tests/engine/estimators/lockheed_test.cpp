// Lockheed ARMA: the special orders against methods 1 and 2, and whole runs.
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

class LockheedTest : public test::ReportTest {};

std::vector<cfloat> record(std::mt19937_64& rng, int n, int capacity) {
    std::vector<cfloat> x(static_cast<std::size_t>(capacity));
    const auto v = test::arma_process({-0.8, 0.4}, {0.5}, static_cast<std::size_t>(n), 1.0, rng);
    for (int i = 0; i < n; ++i) x[i] = {static_cast<float>(v[i]), 0.0f};
    return x;
}

TEST_F(LockheedTest, NoPolesGivesTheBurgFitAsMovingAverage) {
    auto rng = test::seeded_rng("Lockheed.PureMa");
    std::vector<cfloat> x = record(rng, 200, 256), y = x;
    int n = 200, ip = 0, iq = 3, nexp = 8, npoints = 256;
    std::vector<cfloat> a(4), b(4), ab(4);
    float sig2 = 0, burg_sig2 = 0;
    lockheed(test::ctx(), Vec1<cfloat>(x), n, ip, iq, Vec1<cfloat>(a), Vec1<cfloat>(b), nexp, sig2,
             npoints);
    burg(test::ctx(), Vec1<cfloat>(y), n, iq, Vec1<cfloat>(ab), burg_sig2, npoints);
    EXPECT_EQ(std::memcmp(b.data(), ab.data(), 3 * sizeof(cfloat)), 0);
    EXPECT_EQ(sig2, burg_sig2);
    EXPECT_EQ(a[0], cfloat());
}

TEST_F(LockheedTest, NoOrdersGiveTheRecordPowerNotAStaleVariance) {
    std::vector<cfloat> x = {{1, 0}, {-2, 0}, {3, 0}, {0, 0}};
    int n = 4, ip = 0, iq = 0, nexp = 2, npoints = 4;
    std::vector<cfloat> a(1), b(1);
    float sig2 = 1234.0f;
    lockheed(test::ctx(), Vec1<cfloat>(x), n, ip, iq, Vec1<cfloat>(a), Vec1<cfloat>(b), nexp, sig2,
             npoints);
    EXPECT_FLOAT_EQ(sig2, 14.0f / 4.0f);
}

TEST_F(LockheedTest, BothOrdersTakeTheVarianceFromVarmOfTheTwoFits) {
    auto rng = test::seeded_rng("Lockheed.Arma");
    std::vector<cfloat> x = record(rng, 500, 512);
    const std::vector<cfloat> original = x;
    int n = 500, ip = 2, iq = 1, nexp = 9, npoints = 512;
    std::vector<cfloat> a(2), b(1);
    float sig2 = 0;
    lockheed(test::ctx(), Vec1<cfloat>(x), n, ip, iq, Vec1<cfloat>(a), Vec1<cfloat>(b), nexp, sig2,
             npoints);
    ASSERT_EQ(job().iflag, 0);
    // residual of the circular filter A/B applied to the record, computed in the time domain
    std::vector<std::complex<double>> u(512), e(512);
    for (int t = 0; t < 512; ++t) {
        std::complex<double> v(original[t].real(), original[t].imag());
        for (int k = 1; k <= 2; ++k)
            v += std::complex<double>(a[k - 1].real(), a[k - 1].imag()) *
                 std::complex<double>(original[(t - k + 512) % 512].real(),
                                      original[(t - k + 512) % 512].imag());
        u[t] = v; // A x
    }
    // B e = u circularly: solve by iterating to convergence (|b| < 1)
    for (int it = 0; it < 200; ++it)
        for (int t = 0; t < 512; ++t)
            e[t] = u[t] - std::complex<double>(b[0].real(), b[0].imag()) * e[(t + 511) % 512];
    double ms = 0;
    for (auto v : e) ms += std::norm(v);
    ms /= 500.0;
    EXPECT_NEAR(sig2, ms, 1.0e-4 * ms);
}

// Whole runs ---------------------------------------------------------------------------------

test::Job job_for(const char* method, const char* npoles, const char* nzeros) {
    test::Job j;
    j.method = method;
    j.npoles = npoles;
    j.nzeros = nzeros;
    j.npoints = "512";
    return j;
}

TEST(LockheedRun, WithoutZerosItIsTheAutocorrelationMethodExactly) {
    test::TempDir dir;
    auto rng = test::seeded_rng("LockheedRun.NoZeros");
    test::write_real_data(dir / "data.txt", test::ar_process({-1.2, 0.7, -0.1}, 400, 1.0, rng));
    test::write_job(dir / "lock.0", job_for("Lockheed (Autocorr/Burg)", "3", "0"));
    test::write_job(dir / "auto.0", job_for("Auto-Correlation", "3", "-999"));
    auto lock = test::run(dir / "lock.0");
    auto autoc = test::run(dir / "auto.0");
    ASSERT_EQ(lock.result.status, RunStatus::success) << lock.report;
    ASSERT_EQ(autoc.result.status, RunStatus::success) << autoc.report;
    EXPECT_EQ(lock.result.sig2, autoc.result.sig2);
    ASSERT_EQ(lock.result.n_freq_pts, autoc.result.n_freq_pts);
    EXPECT_EQ(std::memcmp(lock.db.data(), autoc.db.data(), lock.db.size() * sizeof(float)), 0);
}

TEST(LockheedRun, ArmaRecordPeaksAtItsResonance) {
    test::TempDir dir;
    auto rng = test::seeded_rng("LockheedRun.Arma");
    const double r = 0.95, th = 2 * M_PI * 0.3;
    test::write_real_data(dir / "data.txt", test::arma_process({-2 * r * std::cos(th), r * r},
                                                               {0.3, 0.2}, 1000, 1.0, rng));
    // one zero: the order-1 Burg fit puts it on the real axis, away from the resonance
    test::write_job(dir / "job.0", job_for("Lockheed (Autocorr/Burg)", "4", "1"));
    auto out = test::run(dir / "job.0");
    ASSERT_EQ(out.result.status, RunStatus::success) << out.report;
    const auto top = std::max_element(out.db.begin(), out.db.begin() + 256) - out.db.begin();
    EXPECT_NEAR(out.x[top], 0.3, 0.01);
    EXPECT_EQ(test::count_lines_with(out.report, " AR filter parameter estimates ... b(i) 's"), 1);
}

TEST(LockheedRun, AllZeroRecordGivesNoPlotWithAnExplanation) {
    test::TempDir dir;
    test::write_real_data(dir / "data.txt", std::vector<double>(64, 0.0));
    test::write_job(dir / "job.0", job_for("Lockheed (Autocorr/Burg)", "2", "2"));
    auto out = test::run(dir / "job.0");
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(out.result.zero_fill, -99.0f);
    EXPECT_TRUE(std::isfinite(out.result.sig2));
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
}

} // namespace
} // namespace specest
