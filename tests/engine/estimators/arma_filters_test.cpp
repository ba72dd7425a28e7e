// ARMA filters and the likelihood derivatives of the Akaike iteration.
#include "arma_test_helpers.h"
#include "estimator_test_context.h"
#include "estimators/arma_filters.h"
#include "estimators/arma_likelihood.h"

#include <random>

namespace specest {
namespace {

using test::cd;

std::vector<float> randn(std::size_t n, std::mt19937_64& rng) {
    std::normal_distribution<float> g;
    std::vector<float> v(n);
    for (auto& x : v) x = g(rng);
    return v;
}
std::vector<cfloat> crandn(std::size_t n, std::mt19937_64& rng) {
    std::normal_distribution<float> g;
    std::vector<cfloat> v(n);
    for (auto& x : v) x = {g(rng), g(rng)};
    return v;
}

TEST(RealFilters, PoleFilterThenZeroFilterWithTheSameCoefficientsIsTheIdentity) {
    auto rng = test::seeded_rng("PoleThenZero");
    const int n = 500;
    for (int order : {1, 2, 5}) {
        auto x = randn(n, rng);
        std::vector<float> c = {0.5f, -0.3f, 0.2f, 0.1f, -0.05f};
        std::vector<float> y(n), back(n);
        polefilt(Vec1<float>(x), n, order, Vec1<float>(c), Vec1<float>(y));
        zerofilt(Vec1<float>(y), n, order, Vec1<float>(c), Vec1<float>(back));
        for (int i = 0; i < n; ++i) EXPECT_NEAR(back[i], x[i], 1e-5f) << "order " << order;
    }
}

TEST(RealFilters, ImpulseThroughFirstOrderPoleFilterIsAGeometricSequence) {
    const int n = 12;
    std::vector<float> x(n, 0.0f), y(n);
    x[0] = 1.0f;
    std::vector<float> b = {0.75f};
    polefilt(Vec1<float>(x), n, 1, Vec1<float>(b), Vec1<float>(y));
    double expect = 1.0;
    for (int i = 0; i < n; ++i) {
        EXPECT_FLOAT_EQ(y[i], static_cast<float>(expect)) << "sample " << i + 1;
        expect *= -0.75;
    }
}

TEST(RealFilters, OrderZeroCopiesAndZeroFilterMatchesDirectConvolution) {
    auto rng = test::seeded_rng("ZeroFilterDirect");
    const int n = 40;
    auto x = randn(n, rng);
    std::vector<float> a = {0.4f, -0.7f, 0.25f}, y(n);
    polefilt(Vec1<float>(x), n, 0, Vec1<float>(a), Vec1<float>(y));
    EXPECT_EQ(y, x);
    zerofilt(Vec1<float>(x), n, 3, Vec1<float>(a), Vec1<float>(y));
    for (int i = 0; i < n; ++i) {
        double s = x[i];
        for (int j = 1; j <= 3 && i - j >= 0; ++j) s += double(a[j - 1]) * x[i - j];
        EXPECT_FLOAT_EQ(y[i], static_cast<float>(s));
    }
}

TEST(ComplexFilters, ZeroFilterMatchesAPlainDoubleLoopBitForBit) {
    auto rng = test::seeded_rng("CZeroFilter");
    for (int n : {1, 3, 7, 101}) {
        for (int ip : {0, 1, 4, 9, 120}) {
            auto x = crandn(n, rng), a = crandn(std::max(ip, 1), rng);
            std::vector<cfloat> y(n);
            czerofilt(Vec1<cfloat>(x), n, ip, Vec1<cfloat>(a), Vec1<cfloat>(y));
            for (int i = 0; i < n; ++i) {
                double sr = x[i].real(), si = x[i].imag();
                for (int j = 1; j <= ip && i - j >= 0; ++j) {
                    const cd p =
                        cd(a[j - 1].real(), a[j - 1].imag()) * cd(x[i - j].real(), x[i - j].imag());
                    sr += p.real();
                    si += p.imag();
                }
                ASSERT_EQ(y[i], cfloat(float(sr), float(si))) << "n " << n << " ip " << ip;
            }
        }
    }
}

TEST(ComplexFilters, PoleFilterUndoesZeroFilter) {
    auto rng = test::seeded_rng("CPoleUndoesZero");
    const int n = 300;
    auto x = crandn(n, rng);
    std::vector<cfloat> b = {{0.3f, 0.4f}, {-0.2f, 0.1f}}, y(n), back(n);
    czerofilt(Vec1<cfloat>(x), n, 2, Vec1<cfloat>(b), Vec1<cfloat>(y));
    cpolefilt(Vec1<cfloat>(y), n, Vec1<cfloat>(b), 2, Vec1<cfloat>(back));
    for (int i = 0; i < n; ++i) EXPECT_LT(std::abs(back[i] - x[i]), 1e-5f);
    cpolefilt(Vec1<cfloat>(x), n, Vec1<cfloat>(b), 0, Vec1<cfloat>(back));
    EXPECT_EQ(back, x);
}

TEST(Likelihood, CorrIsBiasedAndZeroBeyondTheRecord) {
    std::vector<float> x = {1, 2, 3, 4}, y = {1, 1, 1, 1};
    float r = -1;
    corr(4, 1, Vec1<float>(x), Vec1<float>(y), r);
    EXPECT_FLOAT_EQ(r, (1 + 2 + 3) / 4.0f);
    corr(4, 4, Vec1<float>(x), Vec1<float>(y), r);
    EXPECT_EQ(r, 0.0f);
    corr(4, 9, Vec1<float>(x), Vec1<float>(y), r);
    EXPECT_EQ(r, 0.0f);
}

class VarTest : public test::EstimatorTest {};

TEST_F(VarTest, VarOfTheTrivialModelIsTheMeanSquare) {
    auto rng = test::seeded_rng("VarTrivial");
    const int n = 257;
    auto x = randn(n, rng);
    std::vector<float> a(3, 0.0f), b(2, 0.0f), e(n), y(n);
    float sig2 = -1;
    var(Vec1<float>(x), n, 3, 2, Vec1<float>(a), Vec1<float>(b), sig2, Vec1<float>(e),
        Vec1<float>(y));
    double ms = 0;
    for (float v : x) ms += double(v) * v;
    EXPECT_FLOAT_EQ(sig2, static_cast<float>(ms / n));
    EXPECT_EQ(e, x);
}

// Fills ry, rz, ryz, rzy for a random y, z and builds the Hessian.
struct Derivatives {
    std::vector<float> ry = std::vector<float>(211), rz = ry, ryz = ry, rzy = ry;
    Vec1<float> v(std::vector<float>& s) { return Vec1<float>(s.data(), 211); }
};

TEST(Likelihood, HessianIsTwiceTheToeplitzMatrixOfOneCorrelationWhenAnOrderIsZero) {
    auto rng = test::seeded_rng("HessianToeplitz");
    const int n = 200;
    auto y = randn(n, rng), z = randn(n, rng);
    Derivatives d;
    for (auto [ip, iq] : {std::pair{4, 0}, std::pair{0, 3}}) {
        corrcomp(n, Vec1<float>(y), Vec1<float>(z), ip, iq, d.v(d.ry), d.v(d.rz), d.v(d.ryz),
                 d.v(d.rzy));
        hessian(test::ctx(), ip, iq, d.v(d.ry), d.v(d.rz), d.v(d.ryz), d.v(d.rzy));
        const std::vector<float>& r = iq == 0 ? d.ry : d.rz;
        Mat1<float> h = test::work().hess();
        for (int i = 1; i <= ip + iq; ++i)
            for (int j = 1; j <= ip + iq; ++j)
                EXPECT_EQ(h(i, j), 2.0f * r[std::abs(i - j)]) << ip << "," << iq;
    }
}

TEST(Likelihood, MixedHessianIsSymmetricWithCrossCorrelationsOffTheDiagonalBlocks) {
    auto rng = test::seeded_rng("HessianMixed");
    const int n = 300, ip = 3, iq = 4;
    auto y = randn(n, rng), z = randn(n, rng);
    Derivatives d;
    corrcomp(n, Vec1<float>(y), Vec1<float>(z), ip, iq, d.v(d.ry), d.v(d.rz), d.v(d.ryz),
             d.v(d.rzy));
    hessian(test::ctx(), ip, iq, d.v(d.ry), d.v(d.rz), d.v(d.ryz), d.v(d.rzy));
    Mat1<float> h = test::work().hess();
    auto cross = [&](int lag) { // sum y(j) z(j+lag) / n, lag may be negative
        double s = 0;
        for (int j = 0; j < n; ++j)
            if (j + lag >= 0 && j + lag < n) s += double(y[j]) * z[j + lag];
        return s / n;
    };
    for (int i = 1; i <= ip + iq; ++i)
        for (int j = 1; j <= ip + iq; ++j) EXPECT_EQ(h(i, j), h(j, i));
    // h(i, ip+q) = -2 E[y(t-i) z(t-q)] = -2 cross(i - q)
    for (int i = 1; i <= ip; ++i)
        for (int q = 1; q <= iq; ++q)
            EXPECT_NEAR(h(i, ip + q), -2.0 * cross(i - q), 1e-5) << i << "," << q;
}

// For a pure AR model the Gauss-Newton step is exact: whatever the current coefficients,
// hess * theta' = bv gives the same (Yule-Walker) solution.
TEST(Likelihood, ArNewtonStepLandsOnTheSameSolutionFromAnyStart) {
    auto rng = test::seeded_rng("ArNewtonStep");
    const int n = 2000, ip = 3;
    auto xd = test::ar_process({-0.9, 0.5, -0.2}, n, 1.0, rng);
    auto x = test::to_float(xd);
    Derivatives d;
    std::vector<float> b(1, 0.0f);
    corrcomp(n, Vec1<float>(x), Vec1<float>(x), ip, 0, d.v(d.ry), d.v(d.rz), d.v(d.ryz),
             d.v(d.rzy));
    std::vector<cd> first;
    for (std::vector<float> a :
         {std::vector<float>{0, 0, 0}, std::vector<float>{0.3f, -1.2f, 0.7f}}) {
        gradient(Vec1<float>(a), Vec1<float>(b), ip, 0, d.v(d.ry), d.v(d.rz), test::work().grad());
        hessian(test::ctx(), ip, 0, d.v(d.ry), d.v(d.rz), d.v(d.ryz), d.v(d.rzy));
        bvect(test::ctx(), Vec1<float>(a), Vec1<float>(b), ip, 0);
        std::vector<std::vector<cd>> H(ip, std::vector<cd>(ip));
        std::vector<cd> rhs(ip);
        for (int i = 0; i < ip; ++i) {
            rhs[i] = test::work().bv()(i + 1);
            for (int j = 0; j < ip; ++j) H[i][j] = test::work().hess()(i + 1, j + 1);
        }
        auto sol = test::solve(H, rhs);
        if (first.empty()) first = sol;
        for (int i = 0; i < ip; ++i) EXPECT_NEAR(sol[i].real(), first[i].real(), 1e-4);
    }
    EXPECT_NEAR(first[0].real(), -0.9, 0.1);
    EXPECT_NEAR(first[1].real(), 0.5, 0.1);
}

// The gradient formula against a finite difference of (1/n) sum e^2 for a pure AR model, where
// the correlation form is exact up to end effects of order ip/n.
TEST(Likelihood, ArGradientAgreesWithAFiniteDifferenceOfTheCriterion) {
    auto rng = test::seeded_rng("ArGradient");
    const int n = 4000, ip = 2;
    auto x = test::to_float(test::ar_process({-0.5, 0.3}, n, 1.0, rng));
    std::vector<float> a = {-0.2f, 0.1f}, b(1, 0.0f), e(n), w(n);
    Derivatives d;
    corrcomp(n, Vec1<float>(x), Vec1<float>(x), ip, 0, d.v(d.ry), d.v(d.rz), d.v(d.ryz),
             d.v(d.rzy));
    gradient(Vec1<float>(a), Vec1<float>(b), ip, 0, d.v(d.ry), d.v(d.rz), test::work().grad());
    auto crit = [&](std::vector<float> c) {
        double s = 0;
        for (int i = 0; i < n; ++i) {
            double v = x[i];
            for (int j = 1; j <= ip && i - j >= 0; ++j) v += double(c[j - 1]) * x[i - j];
            s += v * v;
        }
        return s / n;
    };
    for (int i = 0; i < ip; ++i) {
        auto up = a, down = a;
        up[i] += 1e-3f;
        down[i] -= 1e-3f;
        const double fd = (crit(up) - crit(down)) / (double(up[i]) - down[i]);
        EXPECT_NEAR(test::work().grad()(i + 1), fd, 0.02 * std::fabs(fd) + 1e-3)
            << "a(" << i + 1 << ")";
    }
}

} // namespace
} // namespace specest
