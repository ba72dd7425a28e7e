// Mayne-Firoozan ARMA: the regressions against double-precision least squares, the first-stage
// minimum-phase test, recovery and whole runs.
#include "arma_test_helpers.h"
#include "estimator_test_context.h"
#include "estimators/arma_filters.h"
#include "estimators/estimators.h"
#include "estimators/mayne_firoozan.h"
#include "levinson.h"
#include "stop.h"

#include <random>

namespace specest {
namespace {

using test::cd;

class MayneFiroozanTest : public test::EstimatorTest {
  protected:
    struct Fit {
        std::vector<cfloat> a, b;
        float sig2 = -1;
        int iflag = 7;
    };
    Fit fit(std::vector<cfloat> x, int ip, int iq, int l, float eps = 1e-9f) {
        Fit f;
        int n = int(x.size());
        int nexp = 0;
        while ((1 << nexp) < n) ++nexp;
        int npoints = 1 << nexp;
        x.resize(npoints);
        std::vector<cfloat> a(std::max(l, ip) + 1, cfloat(99.0f, 99.0f));
        job().iflag = 0;
        maynefir(test::ctx(), Vec1<cfloat>(x), n, ip, iq, l, eps, nexp, Vec1<cfloat>(a), f.sig2,
                 f.iflag, npoints);
        f.a.assign(a.begin(), a.begin() + ip);
        for (int m = 1; m <= iq; ++m) f.b.push_back(test::work().bc()(m));
        return f;
    }
    // Innovations of the order-l Yule-Walker model of x.
    static std::vector<cfloat> innovations(std::vector<cfloat> x, int l, float& sig2) {
        int n = int(x.size());
        std::vector<cfloat> a(l), u(n);
        autocorr(test::ctx(), Vec1<cfloat>(x), n, l, Vec1<cfloat>(a), sig2, n);
        czerofilt(Vec1<cfloat>(x), n, l, Vec1<cfloat>(a), Vec1<cfloat>(u));
        return u;
    }
};

cd to_cd(cfloat v) {
    return {v.real(), v.imag()};
}

// Least-squares a for target(t) + sum a(k) s(t-k) ~ 0 with zeros before the record.
std::vector<cd> ls_ar(const std::vector<cfloat>& s, const std::vector<cd>& target, int ip) {
    const int n = int(s.size());
    std::vector<std::vector<cd>> R;
    std::vector<cd> rhs;
    for (int t = 0; t < n; ++t) {
        std::vector<cd> row(ip);
        for (int k = 1; k <= ip; ++k) row[k - 1] = t - k >= 0 ? to_cd(s[t - k]) : cd();
        R.push_back(row);
        rhs.push_back(-target[t]);
    }
    return test::least_squares(R, rhs);
}

// Without zeros both regressions are least-squares AR fits; the second one regresses x - u.
TEST_F(MayneFiroozanTest, WithoutZerosTheArPartIsALeastSquaresFit) {
    auto rng = test::seeded_rng("MayneAr");
    std::normal_distribution<float> g;
    std::vector<cfloat> x(600);
    for (std::size_t t = 0; t < x.size(); ++t) {
        x[t] = {g(rng), g(rng)};
        if (t >= 1) x[t] += cfloat(0.9f, 0.3f) * x[t - 1];
        if (t >= 2) x[t] -= cfloat(0.5f, 0.0f) * x[t - 2];
    }
    const int ip = 2, l = 12;
    float sig2_long = 0;
    auto u = innovations(x, l, sig2_long);
    std::vector<cd> target(x.size());
    for (std::size_t t = 0; t < x.size(); ++t) target[t] = to_cd(x[t]) - to_cd(u[t]);
    auto oracle = ls_ar(x, target, ip);
    auto f = fit(x, ip, 0, l);
    ASSERT_EQ(f.iflag, 0);
    for (int k = 0; k < ip; ++k)
        EXPECT_LT(std::abs(to_cd(f.a[k]) - oracle[k]), 1e-4 * (1 + std::abs(oracle[k])));
    EXPECT_GT(f.sig2, 0.0f);
}

TEST_F(MayneFiroozanTest, RegressionMatchesADoublePrecisionLeastSquaresSolve) {
    auto rng = test::seeded_rng("MayneLs");
    std::normal_distribution<float> g;
    const int n = 300, ip = 2, iq = 2;
    std::vector<cfloat> y(n), z(n), yz(n), a(ip);
    for (int t = 0; t < n; ++t)
        y[t] = {g(rng), g(rng)}, z[t] = {g(rng), g(rng)}, yz[t] = {g(rng), g(rng)};
    int iflag = 7;
    ls(test::ctx(), Vec1<cfloat>(y), Vec1<cfloat>(z), Vec1<cfloat>(yz), n, ip, iq, 1e-9f,
       Vec1<cfloat>(a), iflag);
    ASSERT_EQ(iflag, 0);
    std::vector<std::vector<cd>> R;
    std::vector<cd> rhs;
    for (int t = 0; t < n; ++t) {
        std::vector<cd> row;
        for (int k = 1; k <= ip; ++k) row.push_back(t - k >= 0 ? to_cd(y[t - k]) : cd());
        for (int m = 1; m <= iq; ++m) row.push_back(t - m >= 0 ? to_cd(z[t - m]) : cd());
        R.push_back(row);
        rhs.push_back(to_cd(yz[t]));
    }
    auto theta = test::least_squares(R, rhs);
    for (int k = 0; k < ip; ++k) EXPECT_LT(std::abs(to_cd(a[k]) + theta[k]), 1e-5);
    for (int m = 0; m < iq; ++m)
        EXPECT_LT(std::abs(to_cd(test::work().bc()(m + 1)) - theta[ip + m]), 1e-5);
    // The shared theta may be passed as a: the result is the same.
    ls(test::ctx(), Vec1<cfloat>(y), Vec1<cfloat>(z), Vec1<cfloat>(yz), n, ip, iq, 1e-9f,
       test::work().theta(), iflag);
    for (int k = 0; k < ip; ++k) EXPECT_EQ(test::work().theta()(k + 1), a[k]);
}

// The normal equations against plain per-entry loops in the same order, bit for bit, for orders
// that exercise every grouping of the regressors.
TEST_F(MayneFiroozanTest, NormalEquationsMatchPlainLoopsBitForBit) {
    auto rng = test::seeded_rng("MayneNormalEquations");
    std::normal_distribution<float> g;
    const int n = 97;
    std::vector<cfloat> y(n), z(n), yz(n), a(8);
    for (int t = 0; t < n; ++t)
        y[t] = {g(rng), g(rng)}, z[t] = {g(rng), g(rng)}, yz[t] = {g(rng), g(rng)};
    for (auto [ip, iq] : {std::pair{1, 0}, std::pair{0, 3}, std::pair{3, 2}, std::pair{7, 6}}) {
        int iflag = 7;
        ls(test::ctx(), Vec1<cfloat>(y), Vec1<cfloat>(z), Vec1<cfloat>(yz), n, ip, iq, -1.0f,
           Vec1<cfloat>(a), iflag);
        auto h = [&](int k, int t) { // regressor k at time t (1-based), zero before the record
            const int d = k <= ip ? k : k - ip;
            return t - d >= 1 ? to_cd((k <= ip ? y : z)[t - d - 1]) : cd();
        };
        int l = 0;
        for (int i = 1; i <= ip + iq; ++i) {
            for (int k = 1; k <= i; ++k) {
                double sr = 0, si = 0;
                for (int t = 1; t <= n; ++t) {
                    const cd u = h(k, t), v = h(i, t);
                    if (u == cd() || v == cd()) continue;
                    sr += u.real() * v.real() + u.imag() * v.imag();
                    si += u.real() * v.imag() - u.imag() * v.real();
                }
                ASSERT_EQ(test::work().hc()(++l), cfloat(float(sr), float(si)))
                    << ip << "," << iq << " (" << i << "," << k << ")";
            }
        }
    }
}

// A growing exponential makes the first-stage b(1) far larger than 1: status 1, no second
// regression and no varm (sig2 stays that of the long model).
TEST_F(MayneFiroozanTest, NonMinimumPhaseFirstStageStops) {
    auto rng = test::seeded_rng("MayneNonMinPhase");
    std::normal_distribution<float> g(0.0f, 1e-3f);
    std::vector<cfloat> x(40);
    for (int t = 0; t < 40; ++t) x[t] = {std::pow(1.3f, float(t)) * (1.0f + g(rng)), 0.0f};
    float sig2_long = 0;
    innovations(x, 1, sig2_long);
    auto f = fit(x, 0, 1, 1);
    EXPECT_EQ(f.iflag, 1);
    EXPECT_GE(std::abs(f.b[0]), 1.0f);
    EXPECT_EQ(f.sig2, sig2_long);
}

TEST_F(MayneFiroozanTest, SolverFailureGivesStatusMinus1) {
    auto rng = test::seeded_rng("MayneChol");
    auto x = test::to_cfloat(test::arma_process({-0.5}, {0.3}, 300, 1.0, rng));
    auto f = fit(x, 2, 2, 20, 1e30f);
    EXPECT_EQ(f.iflag, -1);
}

TEST_F(MayneFiroozanTest, LongOrderBelowOneIsAnInputError) {
    std::vector<cfloat> x(64, cfloat(1.0f, 0.0f));
    EXPECT_THROW(fit(x, 1, 1, 0), RunStopped);
}

// ARMA(2,1), 4096 samples: the full model (a, bc, sig2) within 1 dB of the truth at the peak.
TEST_F(MayneFiroozanTest, RecoversAnArma21Model) {
    auto rng = test::seeded_rng("MayneArma21");
    const std::vector<double> a_true = {-1.3, 0.9025}, b_true = {0.5};
    auto x = test::to_cfloat(test::arma_process(a_true, b_true, 4096, 1.0, rng));
    auto f = fit(x, 2, 1, 40);
    ASSERT_EQ(f.iflag, 0);
    EXPECT_NEAR(f.b[0].real(), 0.5, 0.1);
    const double peak = test::true_peak(a_true, b_true);
    EXPECT_LT(std::fabs(test::db_diff(test::model_spectrum(f.a, f.b, f.sig2, peak),
                                      test::arma_spectrum(a_true, b_true, 1.0, peak))),
              1.0);
}

struct MayneRun : ::testing::Test {
    test::TempDir dir;
    test::RunOutput go(const std::vector<double>& x, int npoles, int nzeros, const char* l,
                       const char* eps = "1.0E-05", int npoints = 4096) {
        test::write_real_data(dir / "data.txt", x);
        auto j = test::arma_job("MayneFir", npoints, npoles, nzeros);
        j.eps = eps;
        j.l_pts = l;
        return test::run(test::write_job(dir / "job.txt", j));
    }
};

// The run's spectrum is sig2/|A|^2 (the MA part is not evaluated): its peak sits at the AR
// peak of the true model.
TEST_F(MayneRun, WholeRunPutsThePeakWhereTheTruePolesAre) {
    auto rng = test::seeded_rng("MayneRunOk");
    const std::vector<double> a_true = {-1.3, 0.9025}, b_true = {0.5};
    auto out = go(test::arma_process(a_true, b_true, 4096, 1.0, rng), 2, 1, "40");
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    EXPECT_EQ(out.result.method_name, "MAYNEFIR");
    EXPECT_EQ(test::count_lines_with(out.report, " Sig2 = "), 1);
    EXPECT_EQ(test::count_lines_with(out.report, " ... Summation =  0.00000E+00"), 1); // b(i)
    EXPECT_TRUE(test::all_finite(out.db));
    int top = 0;
    for (int i = 0; i < out.result.n_freq_pts; ++i)
        if (out.db[i] > out.db[top]) top = i;
    EXPECT_NEAR(out.x[top], test::true_peak(a_true, {}), 0.005);
}

TEST_F(MayneRun, SolverFailureWritesMessageF) {
    auto rng = test::seeded_rng("MayneRunFail");
    auto out = go(test::arma_process({-0.5}, {0.3}, 300, 1.0, rng), 2, 2, "20", "1.0E+20", 512);
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(test::count_lines_with(out.report, " IFLAG =-1    EPS = 1.000E+20"), 1);
    EXPECT_EQ(test::count_lines_with(out.report, " One of the di's in CHOLESKY is less than EPS"),
              1);
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
}

TEST_F(MayneRun, NonMinimumPhaseWritesMessageD) {
    std::vector<double> x(40);
    for (int t = 0; t < 40; ++t) x[t] = std::pow(1.3, t);
    auto out = go(x, 0, 1, "1", "1.0E-05", 64);
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure) << out.report;
    EXPECT_EQ(test::count_lines_with(out.report, " MA filter estimate not minimum-phase"), 1);
    EXPECT_EQ(test::count_lines_with(out.report, " ----------- No Plot ! -----------"), 1);
}

TEST_F(MayneRun, LongOrderAboveMaxOrderStopsInLevinson) {
    auto rng = test::seeded_rng("MayneRunLong");
    auto out = go(test::arma_process({-0.5}, {0.3}, 1000, 1.0, rng), 1, 1, "420", "1.0E-05", 1024);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_EQ(out.result.stop_text, "Levinson ... Label 710");
}

} // namespace
} // namespace specest
