// The estimators' explicit context: an estimator reads and writes the run it is handed (its
// record, report, work arrays and transform length) and nothing of the thread's own run.
#include "estimator_context.h"
#include "estimator_test_context.h"
#include "estimators/estimators.h"
#include "periodogram.h"
#include "run_context.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <random>
#include <vector>

namespace specest {
namespace {

// A run of its own beside the thread's, its report kept in memory.
std::unique_ptr<RunContext> separate_run() {
    auto run = std::make_unique<RunContext>();
    run->report.open_memory();
    run->job.maxorder = kMaxOrder;
    return run;
}

std::vector<cfloat> ar2_record(int n) {
    auto rng = test::seeded_rng("EstimatorContext.ar2");
    const auto x = test::ar_process({-1.2, 0.8}, static_cast<std::size_t>(n), 1.0, rng);
    return std::vector<cfloat>(x.begin(), x.end());
}

class EstimatorContextTest : public test::ReportTest {};

TEST_F(EstimatorContextTest, AFailingEstimatorMarksOnlyTheRunItIsHanded) {
    auto other = separate_run();
    const float marker = 12345.0f;
    test::work().rho()(1) = marker;
    std::vector<cfloat> x(32, cfloat()), a(3);
    int n = 32, ip = 3, npoints = 32;
    float sig2 = -1.0f;
    burg(estimator_context<float>(*other), Vec1<cfloat>(x), n, ip, Vec1<cfloat>(a), sig2, npoints);
    EXPECT_NE(other->job.iflag, 0);
    EXPECT_EQ(job().iflag, 0);
    EXPECT_NE(other->report.text().find("BURG: no reflection coefficient at order"),
              std::string::npos);
    EXPECT_EQ(report().find("BURG"), std::string::npos);
    EXPECT_EQ(test::work().rho()(1), marker);
}

TEST_F(EstimatorContextTest, TheSameCallOnAnotherRunGivesTheSameBitsInItsOwnArrays) {
    const std::vector<cfloat> record = ar2_record(400);
    for (int ip : {1, 2, 6}) {
        auto other = separate_run();
        std::vector<cfloat> x1 = record, x2 = record, a1(ip), a2(ip);
        int n1 = 400, n2 = 400, ip1 = ip, ip2 = ip, np1 = 400, np2 = 400;
        float s1 = 0, s2 = 0;
        burg(test::ctx(), Vec1<cfloat>(x1), n1, ip1, Vec1<cfloat>(a1), s1, np1);
        const std::vector<cfloat> own_diagonal = [&] {
            std::vector<cfloat> d;
            for (int k = 1; k <= ip; ++k) d.push_back(test::work().aa()(k, k));
            return d;
        }();
        test::work().aa()(1, 1) = cfloat(7.0f, 7.0f); // must stay: the other run has its own aa
        burg(estimator_context<float>(*other), Vec1<cfloat>(x2), n2, ip2, Vec1<cfloat>(a2), s2,
             np2);
        ASSERT_EQ(other->job.iflag, 0);
        EXPECT_EQ(a2, a1) << "order " << ip;
        EXPECT_EQ(s2, s1) << "order " << ip;
        for (int k = 1; k <= ip; ++k)
            EXPECT_EQ(other->area.aa()(k, k), own_diagonal[static_cast<std::size_t>(k - 1)]);
        EXPECT_EQ(test::work().aa()(1, 1), cfloat(7.0f, 7.0f));
    }
}

// |DFT of length m of x zero-padded| ^ 2 / n, bin k in fftfreq order.
std::vector<double> dft_power(const std::vector<cdouble>& x, int m) {
    std::vector<double> p(static_cast<std::size_t>(m));
    for (int k = 0; k < m; ++k) {
        std::complex<long double> s = 0;
        for (std::size_t t = 0; t < x.size(); ++t) {
            const long double ang = -2.0L * 3.14159265358979323846264338327950288L * k *
                                    static_cast<long double>(t) / m;
            s += std::complex<long double>(x[t].real(), x[t].imag()) *
                 std::complex<long double>(std::cos(ang), std::sin(ang));
        }
        p[static_cast<std::size_t>(k)] = static_cast<double>(std::norm(s)) / x.size();
    }
    return p;
}

TEST_F(EstimatorContextTest, EachModernContextCarriesItsOwnTransformLength) {
    // Two modern runs on one thread, interleaved, with grids of 12 and 21 points (not powers of
    // two): each periodogram is the DFT of its own context's length.
    auto rng = test::seeded_rng("EstimatorContext.lengths");
    std::normal_distribution<double> g;
    std::vector<cdouble> x(10);
    for (auto& v : x) v = {g(rng), g(rng)}; // complex: the full-length transform path
    auto run12 = separate_run(), run21 = separate_run();
    const auto ctx12 = estimator_context<double>(*run12, 12);
    const auto ctx21 = estimator_context<double>(*run21, 21);
    for (int round = 0; round < 2; ++round)
        for (const auto* ctx : {&ctx12, &ctx21}) {
            const int m = ctx->transform_length;
            std::vector<cdouble> work(x);
            work.resize(static_cast<std::size_t>(m));
            std::vector<double> w(x.size(), 1.0), p(static_cast<std::size_t>(m), -1.0);
            periodogram(*ctx, Vec1<cdouble>(work), static_cast<int>(x.size()), Vec1<double>(w), 0,
                        Vec1<double>(p), m);
            const std::vector<double> want = dft_power(x, m);
            double peak = 0;
            for (double v : want) peak = std::max(peak, v);
            for (int k = 0; k < m; ++k)
                EXPECT_NEAR(p[static_cast<std::size_t>(k)], want[static_cast<std::size_t>(k)],
                            1e-12 * peak)
                    << "m = " << m << ", bin " << k;
        }
}

} // namespace
} // namespace specest
