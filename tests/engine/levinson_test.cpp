// Levinson recursion and the Yule-Walker estimate against a direct solve.
#include "estimator_test_context.h"
#include "job_params.h"
#include "levinson.h"
#include "run_context.h"
#include "stop.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace specest {
namespace {

class LevinsonTest : public test::ReportTest {};

TEST_F(LevinsonTest, OrderOneAndTwoExamples) {
    std::vector<cfloat> r = {{1, 0}, {0.5f, 0}, {0.25f, 0}};
    std::vector<cfloat> a(2);
    ASSERT_TRUE(levinson(test::ctx(), Vec1<cfloat>(r), 1, Vec1<cfloat>(a)));
    EXPECT_EQ(a[0], cfloat(-0.5f, 0));
    EXPECT_FLOAT_EQ(test::work().rho()(1), 0.75f);
    ASSERT_TRUE(levinson(test::ctx(), Vec1<cfloat>(r), 2, Vec1<cfloat>(a)));
    EXPECT_EQ(test::work().aa()(2, 2), cfloat(0, 0));
    EXPECT_EQ(a[0], cfloat(-0.5f, 0));
    EXPECT_EQ(a[1], cfloat(0, 0));
    EXPECT_FLOAT_EQ(test::work().rho()(2), 0.75f);
}

TEST_F(LevinsonTest, OrderOneTouchesOnlyItsEntries) {
    test::work().aa()(1, 2) = cfloat(9, 9);
    test::work().rho()(2) = 9.0f;
    std::vector<cfloat> r = {{2, 0}, {1, 0}};
    std::vector<cfloat> a(1);
    ASSERT_TRUE(levinson(test::ctx(), Vec1<cfloat>(r), 1, Vec1<cfloat>(a)));
    EXPECT_EQ(test::work().aa()(1, 2), cfloat(9, 9));
    EXPECT_EQ(test::work().rho()(2), 9.0f);
}

TEST_F(LevinsonTest, OrderAboveMaxOrderStops) {
    job().maxorder = 4;
    std::vector<cfloat> r(6, cfloat(1, 0)), a(5);
    EXPECT_THROW(levinson(test::ctx(), Vec1<cfloat>(r), 5, Vec1<cfloat>(a)), RunStopped);
    run_report().close();
    const std::string rep = test::read_text(dir / "r.out");
    EXPECT_NE(rep.find("         Aborting ... IP > Max_Order in Levinson"), std::string::npos);
    EXPECT_NE(rep.find("         IP / Max_Order =      5     4"), std::string::npos);
}

// Solves the Hermitian Toeplitz Yule-Walker system R a = -r directly (Gaussian elimination).
std::vector<cdouble> direct_yule_walker(const std::vector<cfloat>& r, int p) {
    std::vector<std::vector<cdouble>> m(p, std::vector<cdouble>(p + 1));
    auto R = [&](int k) {
        cdouble v(r[std::abs(k)].real(), r[std::abs(k)].imag());
        return k >= 0 ? v : std::conj(v);
    };
    for (int i = 0; i < p; ++i) {
        for (int j = 0; j < p; ++j) m[i][j] = R(i - j);
        m[i][p] = -R(i + 1);
    }
    for (int c = 0; c < p; ++c) {
        int piv = c;
        for (int i = c + 1; i < p; ++i)
            if (std::abs(m[i][c]) > std::abs(m[piv][c])) piv = i;
        std::swap(m[c], m[piv]);
        for (int i = c + 1; i < p; ++i) {
            const cdouble f = m[i][c] / m[c][c];
            for (int j = c; j <= p; ++j) m[i][j] -= f * m[c][j];
        }
    }
    std::vector<cdouble> a(p);
    for (int i = p - 1; i >= 0; --i) {
        cdouble s = m[i][p];
        for (int j = i + 1; j < p; ++j) s -= m[i][j] * a[j];
        a[i] = s / m[i][i];
    }
    return a;
}

TEST_F(LevinsonTest, YuleWalkerMatchesDirectSolveAndResidualPower) {
    auto rng = test::seeded_rng("Levinson.YuleWalker");
    const std::vector<double> true_a = {-2.7607, 3.8106, -2.6535, 0.9238};
    const auto x = test::ar_process(true_a, 4096, 1.0, rng);
    std::vector<cfloat> xc(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) xc[i] = cfloat(static_cast<float>(x[i]), 0);
    const int n = static_cast<int>(xc.size());
    for (int p : {1, 4, 8}) {
        std::vector<cfloat> a(p);
        float sig2 = 0;
        autocorr(test::ctx(), Vec1<cfloat>(xc), n, p, Vec1<cfloat>(a), sig2, n);
        ASSERT_EQ(job().iflag, 0);
        std::vector<cfloat> r(p + 1);
        for (int k = 0; k <= p; ++k) {
            double s = 0;
            for (int i = 0; i < n - k; ++i)
                s += static_cast<double>(xc[i].real()) * xc[i + k].real();
            r[k] = cfloat(static_cast<float>(s / n), 0);
        }
        const auto ref = direct_yule_walker(r, p);
        double scale = 0;
        for (auto v : ref) scale = std::max(scale, std::abs(v));
        for (int i = 0; i < p; ++i) {
            // Real data gives real coefficients.
            EXPECT_EQ(a[i].imag(), 0.0f);
            // The order-4 process is close to singular: allow its condition number.
            EXPECT_NEAR(a[i].real(), ref[i].real(), (p >= 4 ? 2e-2 : 1e-5) * scale)
                << "p=" << p << " i=" << i;
        }
        // sig2 is the prediction-error power r(0) + sum a(k) r(k) of the solved model.
        double pe = r[0].real();
        for (int k = 1; k <= p; ++k) pe += ref[k - 1].real() * r[k].real();
        EXPECT_NEAR(sig2, pe, 0.05 * pe + 1e-3 * r[0].real()) << "p=" << p;
    }
}

TEST_F(LevinsonTest, ZeroPowerRecordIsAnEstimatorFailure) {
    std::vector<cfloat> x(16, cfloat(0, 0)), a(3);
    float sig2 = -1;
    autocorr(test::ctx(), Vec1<cfloat>(x), 16, 3, Vec1<cfloat>(a), sig2, 16);
    EXPECT_NE(job().iflag, 0);
    for (auto v : a) EXPECT_TRUE(std::isfinite(v.real()) && std::isfinite(v.imag()));
    run_report().close();
    EXPECT_NE(test::read_text(dir / "r.out").find("prediction-error power"), std::string::npos);
}

} // namespace
} // namespace specest
