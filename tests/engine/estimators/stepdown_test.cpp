// Step-down recursion and the minimum-phase test.
#include "arma_test_helpers.h"
#include "estimator_test_context.h"
#include "estimators/stepdown.h"

namespace specest {
namespace {

using test::cd;

// Step-up (Levinson) in double: the polynomial whose reflection coefficients are k.
std::vector<cd> step_up(const std::vector<cd>& k) {
    std::vector<cd> a;
    for (std::size_t m = 0; m < k.size(); ++m) {
        std::vector<cd> next(m + 1);
        for (std::size_t i = 0; i < m; ++i) next[i] = a[i] + k[m] * std::conj(a[m - 1 - i]);
        next[m] = k[m];
        a = next;
    }
    return a;
}

void load_bc(const std::vector<cd>& c) {
    for (std::size_t i = 0; i < c.size(); ++i)
        test::work().bc()(int(i) + 1) = {float(c[i].real()), float(c[i].imag())};
}

TEST(Stepdown, RecoversTheReflectionCoefficientsAndPowers) {
    const std::vector<cd> k = {{0.5, 0.1}, {-0.3, 0.2}, {0.6, -0.4}, {0.1, 0.0}, {-0.7, 0.05}};
    load_bc(step_up(k));
    const int iq = int(k.size());
    float rho0 = 0;
    ASSERT_EQ(stepdown(test::ctx(), iq, 2.0f, rho0), 0);
    double rho = 2.0;
    for (int m = iq; m >= 1; --m) {
        EXPECT_NEAR(test::work().aa()(m, m).real(), k[m - 1].real(), 1e-5) << "order " << m;
        EXPECT_NEAR(test::work().aa()(m, m).imag(), k[m - 1].imag(), 1e-5) << "order " << m;
        EXPECT_NEAR(test::work().rho()(m), rho, 1e-4 * rho);
        rho /= 1.0 - std::norm(k[m - 1]);
    }
    EXPECT_NEAR(rho0, rho, 1e-4 * rho);
    EXPECT_EQ(min_phase_failure(test::ctx(), iq), 0);
}

TEST(Stepdown, FirstOrderAboveOneFailsTheMinimumPhaseTest) {
    load_bc({{0.999, 0.0}, {0.2, 0.0}});
    EXPECT_EQ(min_phase_failure(test::ctx(), 1), 0);
    load_bc({{1.0, 0.0}});
    EXPECT_EQ(min_phase_failure(test::ctx(), 1), 1);
    load_bc({{0.0, -1.5}});
    EXPECT_EQ(min_phase_failure(test::ctx(), 1), 1);
}

TEST(Stepdown, RootsOutsideTheUnitCircleFailAndTheLowestBadOrderIsReported) {
    // 1 + 2.5 z^-1 + z^-2 has roots -0.5 and -2: not minimum-phase.
    load_bc({{2.5, 0.0}, {1.0 / 1.0001, 0.0}});
    EXPECT_NE(min_phase_failure(test::ctx(), 2), 0);
    // (1 - 0.5 z^-1)(1 + 0.8 z^-1) = 1 + 0.3 z^-1 - 0.4 z^-2: minimum-phase.
    load_bc({{0.3, 0.0}, {-0.4, 0.0}});
    EXPECT_EQ(min_phase_failure(test::ctx(), 2), 0);
    // (1 - 1.25 z^-1)(1 + 0.5 z^-1) = 1 - 0.75 z^-1 - 0.625 z^-2: root 1.25 outside.
    load_bc({{-0.75, 0.0}, {-0.625, 0.0}});
    const int k = min_phase_failure(test::ctx(), 2);
    ASSERT_NE(k, 0);
    EXPECT_GE(std::abs(test::work().aa()(k, k)), 1.0f);
}

TEST(Stepdown, UnitReflectionCoefficientStopsCleanlyWithoutInfinities) {
    // 1 + 0.3 z^-1 + z^-2: the top reflection coefficient is exactly 1.
    for (int i = 1; i <= 3; ++i)
        test::work().aa()(i, 1) = test::work().aa()(1, i) = cfloat(7.0f, 7.0f); // markers
    load_bc({{0.3, 0.0}, {1.0, 0.0}});
    float rho0 = -5.0f;
    EXPECT_EQ(stepdown(test::ctx(), 2, 1.0f, rho0), 2);
    EXPECT_EQ(rho0, -5.0f);
    EXPECT_EQ(test::work().aa()(1, 1), cfloat(7.0f, 7.0f)); // the lower order was not computed
    EXPECT_TRUE(std::isfinite(test::work().rho()(2)));
    EXPECT_EQ(min_phase_failure(test::ctx(), 2), 2);
    // Same at order 1: den of the last division is zero.
    load_bc({{0.0, 1.0}});
    EXPECT_EQ(stepdown(test::ctx(), 1, 1.0f, rho0), 1);
    EXPECT_EQ(rho0, -5.0f);
}

TEST(Stepdown, NotANumberFailsTheTest) {
    load_bc({{std::nan(""), 0.0}, {0.1, 0.0}});
    EXPECT_NE(min_phase_failure(test::ctx(), 2), 0);
    load_bc({{std::nan(""), 0.0}});
    EXPECT_EQ(min_phase_failure(test::ctx(), 1), 1);
}

} // namespace
} // namespace specest
