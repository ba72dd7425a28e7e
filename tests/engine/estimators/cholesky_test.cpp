// Hermitian solver: edge cases, the pivot test, and a double-precision cross-check.
#include "estimator_test_context.h"
#include "estimators/cholesky.h"
#include "run_context.h"
#include "stop.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace specest {
namespace {

using cd = std::complex<double>;
using DMat = std::vector<std::vector<cd>>;

class CholeskyTest : public test::ReportTest {};

// Packs A (Hermitian) the way the solver reads it: conj(A(i,j)) for j <= i, row by row.
void pack(const DMat& A) {
    Vec1<cfloat> hc = test::work().hc();
    int l = 0;
    for (std::size_t i = 0; i < A.size(); ++i)
        for (std::size_t j = 0; j <= i; ++j) {
            const cd v = std::conj(A[i][j]);
            hc(++l) = {static_cast<float>(v.real()), static_cast<float>(v.imag())};
        }
}

// Well-conditioned random Hermitian positive definite matrix, rounded to float entries.
DMat random_hpd(int n, std::mt19937_64& rng) {
    std::normal_distribution<double> g;
    DMat B(n, std::vector<cd>(n)), A(n, std::vector<cd>(n));
    for (auto& row : B)
        for (auto& v : row) v = {g(rng), g(rng)};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            cd s = i == j ? cd(2.0 * n, 0.0) : cd();
            for (int k = 0; k < n; ++k) s += std::conj(B[k][i]) * B[k][j];
            A[i][j] = s;
        }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            A[i][j] = {static_cast<float>(A[i][j].real()), static_cast<float>(A[i][j].imag())};
            A[j][i] = std::conj(A[i][j]);
        }
    for (int i = 0; i < n; ++i) A[i][i] = {A[i][i].real(), 0.0};
    return A;
}

// Direct double-precision solve by Gaussian elimination with partial pivoting.
std::vector<cd> direct_solve(DMat A, std::vector<cd> r) {
    const std::size_t n = r.size();
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t p = c;
        for (std::size_t i = c + 1; i < n; ++i)
            if (std::abs(A[i][c]) > std::abs(A[p][c])) p = i;
        std::swap(A[c], A[p]);
        std::swap(r[c], r[p]);
        for (std::size_t i = c + 1; i < n; ++i) {
            const cd f = A[i][c] / A[c][c];
            for (std::size_t j = c; j < n; ++j) A[i][j] -= f * A[c][j];
            r[i] -= f * r[c];
        }
    }
    std::vector<cd> x(n);
    for (std::size_t i = n; i-- > 0;) {
        cd s = r[i];
        for (std::size_t j = i + 1; j < n; ++j) s -= A[i][j] * x[j];
        x[i] = s / A[i][i];
    }
    return x;
}

TEST_F(CholeskyTest, OrderOneDividesByTheRealPartAndTestsNoPivot) {
    test::work().hc()(1) = {4.0f, 7.0f}; // the imaginary part of a diagonal entry is ignored
    test::work().theta()(1) = {2.0f, -6.0f};
    int iflag = 99;
    cholesky(test::ctx(), 1, 10.0f, iflag); // eps above the only pivot: it is not tested
    EXPECT_EQ(iflag, 0);
    EXPECT_EQ(test::work().theta()(1), cfloat(0.5f, -1.5f));
}

TEST_F(CholeskyTest, IdentityReturnsTheRightHandSide) {
    Vec1<cfloat> hc = test::work().hc(), theta = test::work().theta();
    hc(1) = 1.0f;
    hc(2) = 0.0f;
    hc(3) = 1.0f;
    theta(1) = {3.0f, -1.0f};
    theta(2) = {-0.25f, 8.0f};
    int iflag = 99;
    cholesky(test::ctx(), 2, 0.5f, iflag);
    EXPECT_EQ(iflag, 0);
    EXPECT_EQ(theta(1), cfloat(3.0f, -1.0f));
    EXPECT_EQ(theta(2), cfloat(-0.25f, 8.0f));
}

// A = [4 2; 2 2] has pivots 4 and exactly 1.
void load_pivot_one() {
    Vec1<cfloat> hc = test::work().hc(), theta = test::work().theta();
    hc(1) = 4.0f;
    hc(2) = 2.0f;
    hc(3) = 2.0f;
    hc(4) = {11.0f, -12.0f}; // beyond the matrix: only shown by the diagnostic
    hc(5) = {-0.5f, 0.25f};
    theta(1) = {6.0f, 0.0f};
    theta(2) = {4.0f, 2.0f};
}

TEST_F(CholeskyTest, PivotEqualToEpsFailsAndLeavesThetaUntouched) {
    load_pivot_one();
    int iflag = 0;
    cholesky(test::ctx(), 2, 1.0f, iflag);
    EXPECT_EQ(iflag, -1);
    EXPECT_EQ(test::work().theta()(1), cfloat(6.0f, 0.0f));
    EXPECT_EQ(test::work().theta()(2), cfloat(4.0f, 2.0f));
    const std::string text = report();
    EXPECT_NE(text.find("\n Error in CHOLESKY: I =     2  L =     3\n"), std::string::npos) << text;
    // k runs from max(1, i-2) to l+2
    EXPECT_NE(text.find(" hc(    1) =   4.0000E+00     0.0000E+00\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" hc(    4) =   1.1000E+01    -1.2000E+01\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" hc(    5) =  -5.0000E-01     2.5000E-01\n"), std::string::npos) << text;
    EXPECT_EQ(test::count_lines_with(text, " hc("), 5);
    EXPECT_EQ(text.find("\n Error in CHOLESKY"), 0u); // after one blank line
}

TEST_F(CholeskyTest, PivotJustAboveEpsSolves) {
    load_pivot_one();
    int iflag = 0;
    cholesky(test::ctx(), 2, std::nextafter(1.0f, 0.0f), iflag);
    EXPECT_EQ(iflag, 0);
    // [4 2; 2 2] theta = (6, 4+2i)  ->  theta = (1 - i, 1 + 2i)
    EXPECT_EQ(test::work().theta()(1), cfloat(1.0f, -1.0f));
    EXPECT_EQ(test::work().theta()(2), cfloat(1.0f, 2.0f));
}

TEST_F(CholeskyTest, NotANumberPivotFails) {
    Vec1<cfloat> hc = test::work().hc();
    hc(1) = 1.0f;
    hc(2) = 0.0f;
    hc(3) = std::numeric_limits<float>::quiet_NaN();
    test::work().theta()(1) = 1.0f;
    test::work().theta()(2) = 2.0f;
    int iflag = 0;
    cholesky(test::ctx(), 2, -1.0e30f, iflag);
    EXPECT_EQ(iflag, -1);
    EXPECT_EQ(test::work().theta()(2), cfloat(2.0f));
}

TEST_F(CholeskyTest, SingularMatrixFailsAtTheDependentRow) {
    // rows 1 and 2 of a rank-one matrix: the second pivot is zero
    DMat A = {{{1, 0}, {0, 2}}, {{0, -2}, {4, 0}}};
    pack(A);
    int iflag = 0;
    cholesky(test::ctx(), 2, 1.0e-6f, iflag);
    EXPECT_EQ(iflag, -1);
    EXPECT_NE(report().find("I =     2"), std::string::npos);
}

TEST_F(CholeskyTest, AgreesWithADoublePrecisionSolve) {
    auto rng = test::seeded_rng("Cholesky.AgreesWithADoublePrecisionSolve");
    std::normal_distribution<double> g;
    for (int n : {1, 2, 3, 7, 20, 60, 150, 410}) {
        DMat A = random_hpd(n, rng);
        pack(A);
        std::vector<cd> r(n);
        for (auto& v : r) v = {static_cast<float>(g(rng)), static_cast<float>(g(rng))};
        for (int i = 1; i <= n; ++i)
            test::work().theta()(i) = {static_cast<float>(r[i - 1].real()),
                                       static_cast<float>(r[i - 1].imag())};
        int iflag = 0;
        cholesky(test::ctx(), n, 1.0e-6f, iflag);
        ASSERT_EQ(iflag, 0) << "n = " << n;
        const std::vector<cd> x = direct_solve(A, r);
        double err = 0, norm = 0;
        for (int i = 1; i <= n; ++i) {
            const cd t(test::work().theta()(i).real(), test::work().theta()(i).imag());
            err = std::max(err, std::abs(t - x[i - 1]));
            norm = std::max(norm, std::abs(x[i - 1]));
        }
        // The matrices have condition numbers of a few units; single-precision storage of the
        // factor and solution leaves relative errors of a few hundred ulps at n = 410.
        EXPECT_LT(err, 2.0e-5 * norm) << "n = " << n;
    }
}

TEST_F(CholeskyTest, FactorOnceSolveManyIsBitIdenticalToRefactoring) {
    auto rng = test::seeded_rng("Cholesky.FactorOnceSolveMany");
    for (int n : {1, 5, 33, 100}) {
        pack(random_hpd(n, rng));
        std::vector<cfloat> refactored(static_cast<std::size_t>(n) * n), reused(refactored.size());
        int iflag = 0;
        for (int j = 1; j <= n; ++j) {
            for (int i = 1; i <= n; ++i) test::work().theta()(i) = i == j ? 1.0f : 0.0f;
            cholesky(test::ctx(), n, 1.0e-6f, iflag);
            ASSERT_EQ(iflag, 0);
            for (int i = 1; i <= n; ++i) refactored[(j - 1) * n + i - 1] = test::work().theta()(i);
        }
        cholesky_factor(test::ctx(), n, 1.0e-6f, iflag);
        ASSERT_EQ(iflag, 0);
        for (int j = 1; j <= n; ++j) {
            for (int i = 1; i <= n; ++i) test::work().theta()(i) = i == j ? 1.0f : 0.0f;
            cholesky_solve(test::ctx(), n);
            for (int i = 1; i <= n; ++i) reused[(j - 1) * n + i - 1] = test::work().theta()(i);
        }
        EXPECT_EQ(std::memcmp(refactored.data(), reused.data(), refactored.size() * sizeof(cfloat)),
                  0)
            << "n = " << n;
    }
}

TEST_F(CholeskyTest, OrderAboveCapacityStopsTheRun) {
    int iflag = 0;
    EXPECT_THROW(cholesky(test::ctx(), 411, 0.0f, iflag), RunStopped);
}

} // namespace
} // namespace specest
