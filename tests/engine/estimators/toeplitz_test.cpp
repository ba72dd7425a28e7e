// Non-Hermitian Toeplitz solver of the modified Yule-Walker equations.
#include "arma_test_helpers.h"
#include "estimator_test_context.h"
#include "estimators/toeplitz.h"
#include "levinson.h"

#include <random>

namespace specest {
namespace {

using test::cd;

class ToeplitzTest : public test::EstimatorTest {
  protected:
    // Lags 0..count-1 of a random complex record, in single precision.
    std::vector<cfloat> random_lags(int count, const char* name) {
        auto rng = test::seeded_rng(name);
        std::normal_distribution<float> g;
        const int n = 400;
        std::vector<cfloat> x(n);
        for (int i = 0; i < n; ++i) {
            x[i] = {g(rng), g(rng)};
            if (i > 0) x[i] += cfloat(0.6f, 0.3f) * x[i - 1];
        }
        auto r = test::lags(x, n, count, true);
        std::vector<cfloat> out(count);
        for (int k = 0; k < count; ++k) out[k] = {float(r[k].real()), float(r[k].imag())};
        return out;
    }
};

cd r_at(const std::vector<cfloat>& rxx, int m) {
    const cfloat v = m >= 0 ? rxx[m] : std::conj(rxx[-m]);
    return {v.real(), v.imag()};
}

TEST_F(ToeplitzTest, SolvesTheModifiedEquationsLikeADirectDoubleSolve) {
    for (auto [ip, iq] : {std::pair{2, 1}, std::pair{5, 3}, std::pair{8, 0}, std::pair{6, 9}}) {
        auto rxx = random_lags(ip + iq + 1, "ToeplitzDirect");
        std::vector<cfloat> a(ip);
        int iflag = 7;
        toepeqn(test::ctx(), Vec1<cfloat>(rxx), ip, iq, 1e-12f, Vec1<cfloat>(a), iflag);
        ASSERT_EQ(iflag, 0);
        std::vector<std::vector<cd>> A(ip, std::vector<cd>(ip));
        std::vector<cd> rhs(ip);
        for (int k = 1; k <= ip; ++k) {
            for (int j = 1; j <= ip; ++j) A[k - 1][j - 1] = r_at(rxx, iq + k - j);
            rhs[k - 1] = -r_at(rxx, iq + k);
        }
        auto oracle = test::solve(A, rhs);
        for (int i = 0; i < ip; ++i)
            EXPECT_LT(std::abs(cd(a[i].real(), a[i].imag()) - oracle[i]),
                      2e-4 * (1 + std::abs(oracle[i])))
                << "ip " << ip << " iq " << iq << " a(" << i + 1 << ")";
    }
}

TEST_F(ToeplitzTest, WithoutZerosItIsTheYuleWalkerSolution) {
    const int ip = 6;
    auto rxx = random_lags(ip + 1, "ToeplitzYuleWalker");
    std::vector<cfloat> a(ip), yw(ip);
    int iflag = 7;
    toepeqn(test::ctx(), Vec1<cfloat>(rxx), ip, 0, 1e-12f, Vec1<cfloat>(a), iflag);
    ASSERT_EQ(iflag, 0);
    ASSERT_TRUE(levinson(test::ctx(), Vec1<cfloat>(rxx), ip, Vec1<cfloat>(yw)));
    for (int i = 0; i < ip; ++i) EXPECT_LT(std::abs(a[i] - yw[i]), 1e-5f) << i + 1;
}

TEST_F(ToeplitzTest, OrderOneNeedsNoPivotTest) {
    auto rxx = random_lags(4, "ToeplitzOrderOne");
    std::vector<cfloat> a(1);
    int iflag = 7;
    toepeqn(test::ctx(), Vec1<cfloat>(rxx), 1, 2, 1e30f, Vec1<cfloat>(a), iflag);
    EXPECT_EQ(iflag, 0);
    const cd expect = -r_at(rxx, 3) / r_at(rxx, 2);
    EXPECT_NEAR(a[0].real(), expect.real(), 1e-6 * std::abs(expect));
    EXPECT_NEAR(a[0].imag(), expect.imag(), 1e-6 * std::abs(expect));
}

TEST_F(ToeplitzTest, SmallPivotFailsAndLeavesTheCoefficientsAlone) {
    auto rxx = random_lags(6, "ToeplitzPivot");
    std::vector<cfloat> a(3, cfloat(9.0f, 9.0f));
    int iflag = 0;
    toepeqn(test::ctx(), Vec1<cfloat>(rxx), 3, 2, 1e30f, Vec1<cfloat>(a), iflag);
    EXPECT_EQ(iflag, -1);
    for (auto v : a) EXPECT_EQ(v, cfloat(9.0f, 9.0f));
}

TEST_F(ToeplitzTest, ZeroPivotFailsEvenWithANegativeEps) {
    std::vector<cfloat> rxx(5, cfloat(1.0f, 0.0f)); // r = 1 at every lag: the pivot is 1 - 1
    std::vector<cfloat> a(2, cfloat(9.0f, 9.0f));
    int iflag = 0;
    toepeqn(test::ctx(), Vec1<cfloat>(rxx), 2, 1, -1.0f, Vec1<cfloat>(a), iflag);
    EXPECT_EQ(iflag, -1);
    for (auto v : a) EXPECT_EQ(v, cfloat(9.0f, 9.0f));
}

TEST_F(ToeplitzTest, ZeroCorrelationAtLagIqFailsWithAnExplanation) {
    for (int ip : {1, 3}) {
        std::vector<cfloat> rxx = {{1, 0}, {0.5f, 0}, {0, 0}, {0.25f, 0}, {0.1f, 0}, {0.05f, 0}};
        std::vector<cfloat> a(ip, cfloat(9.0f, 9.0f));
        int iflag = 0;
        toepeqn(test::ctx(), Vec1<cfloat>(rxx), ip, 2, 1e-6f, Vec1<cfloat>(a), iflag);
        EXPECT_EQ(iflag, -1) << "ip " << ip;
        for (auto v : a) EXPECT_EQ(v, cfloat(9.0f, 9.0f));
    }
    EXPECT_EQ(test::count_lines_with(report(), "The correlation at lag 2 is zero"), 2);
}

TEST_F(ToeplitzTest, RealCorrelationsGiveRealCoefficientsFromANonSymmetricSystem) {
    std::vector<cfloat> rxx = {{2.0f, 0}, {1.2f, 0}, {0.4f, 0}, {-0.3f, 0}, {-0.5f, 0}, {-0.2f, 0}};
    std::vector<cfloat> a(3);
    int iflag = 7;
    toepeqn(test::ctx(), Vec1<cfloat>(rxx), 3, 2, 1e-9f, Vec1<cfloat>(a), iflag);
    ASSERT_EQ(iflag, 0);
    std::vector<std::vector<cd>> A(3, std::vector<cd>(3));
    std::vector<cd> rhs(3);
    for (int k = 1; k <= 3; ++k) {
        for (int j = 1; j <= 3; ++j) A[k - 1][j - 1] = r_at(rxx, 2 + k - j);
        rhs[k - 1] = -r_at(rxx, 2 + k);
    }
    auto oracle = test::solve(A, rhs);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a[i].imag(), 0.0f);
        EXPECT_NEAR(a[i].real(), oracle[i].real(), 1e-4 * (1 + std::abs(oracle[i])));
    }
}

} // namespace
} // namespace specest
