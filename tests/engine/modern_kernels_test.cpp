// The modern profile's double-precision vector kernels against plain scalar recursions, on
// every instruction set this CPU runs, and the estimators that use them against their scalar
// reference path. Seeds are printed; SPECEST_TEST_SEED replaces them.
#include "correlation.h"
#include "estimator_context.h"
#include "fft.h"
#include "model_spectrum.h"
#include "run_context.h"
#include "simd/burg64_kernels.h"
#include "simd/db64_kernels.h"
#include "simd/dispatch.h"
#include "simd/grid64_kernels.h"
#include "simd/lags64_kernels.h"
#include "simd/parallel.h"

#include "engine_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace specest {
namespace {

using cd = std::complex<double>;

std::uint64_t seed_for(std::uint64_t fallback) {
    const char* env = std::getenv("SPECEST_TEST_SEED");
    const std::uint64_t seed = env ? std::strtoull(env, nullptr, 10) : fallback;
    std::printf("[ seed     ] %llu\n", static_cast<unsigned long long>(seed));
    return seed;
}

template <class F> void on_every_target(F body) {
    for (long long t : simd::available_targets()) {
        simd::restrict_target(t);
        SCOPED_TRACE(simd::target_name(t));
        body();
    }
    simd::restrict_target(0);
}

// Lengths around and between the vector widths and the unrolled blocks.
const std::size_t kCounts[] = {1, 2, 3, 4, 5, 8, 9, 16, 17, 31, 33, 64, 65, 100, 257, 1000};

// Burg's recursion written out: the reflection coefficients of `orders` orders from pairs
// f[j], g[j] (j < count), with fresh arrays per order.
std::vector<cd> burg_oracle(std::vector<cd> f, std::vector<cd> g, int orders) {
    std::vector<cd> k;
    for (int o = 0; o < orders && f.size() >= 1; ++o) {
        cd num = 0;
        double den = 0;
        for (std::size_t j = 0; j < f.size(); ++j) {
            num += f[j] * std::conj(g[j]);
            den += std::norm(f[j]) + std::norm(g[j]);
        }
        const cd w = -2.0 * num / den;
        k.push_back(w);
        std::vector<cd> f1, g1;
        for (std::size_t j = 1; j < f.size(); ++j) {
            f1.push_back(f[j] + w * g[j]);
            g1.push_back(g[j - 1] + std::conj(w) * f[j - 1]);
        }
        f = f1;
        g = g1;
    }
    return k;
}

// The same through burg64_sums and burg64_step, in place on the kernels' layout, the arrays
// `shift` doubles past the allocation (the kernel's blocks follow f's alignment).
std::vector<cd> burg_kernels(const std::vector<cd>& f0, const std::vector<cd>& g0, int orders,
                             bool complex, std::size_t shift) {
    const std::size_t s = complex ? 2 : 1, count = f0.size();
    std::vector<double> fbuf(s * count + shift), gbuf(s * count + shift);
    double* f = fbuf.data() + shift;
    double* g = gbuf.data() + shift;
    for (std::size_t j = 0; j < count; ++j) {
        f[s * j] = f0[j].real(), g[s * j] = g0[j].real();
        if (complex) f[s * j + 1] = f0[j].imag(), g[s * j + 1] = g0[j].imag();
    }
    std::vector<cd> k;
    double sums[3];
    simd::burg64_sums(f, g, count, complex, sums);
    for (int o = 0; o < orders && static_cast<std::size_t>(o) < count; ++o) {
        const cd w = -2.0 * cd(sums[0], sums[1]) / sums[2];
        k.push_back(w);
        const std::size_t at = s * static_cast<std::size_t>(o);
        simd::burg64_step(f + at, g + at, count - static_cast<std::size_t>(o), complex, w.real(),
                          w.imag(), sums);
    }
    return k;
}

TEST(ModernKernels, BurgRecursionMatchesThePlainOne) {
    std::mt19937_64 rng(seed_for(20261208));
    std::normal_distribution<double> gauss;
    on_every_target([&] {
        for (bool complex : {false, true}) {
            for (std::size_t count : kCounts) {
                // An AR(2) record with a strong resonance, so the coefficients are far from 0.
                std::vector<cd> x(count + 1);
                for (std::size_t t = 0; t < x.size(); ++t) {
                    const cd e(gauss(rng), complex ? gauss(rng) : 0.0);
                    x[t] = e + (t >= 1 ? 1.6 * x[t - 1] : 0.0) - (t >= 2 ? 0.9 * x[t - 2] : 0.0);
                }
                const std::vector<cd> f(x.begin() + 1, x.end()), g(x.begin(), x.end() - 1);
                const int orders = static_cast<int>(std::min<std::size_t>(count, 12));
                const auto want = burg_oracle(f, g, orders);
                for (std::size_t shift : {0, 1}) {
                    const auto got = burg_kernels(f, g, orders, complex, shift);
                    ASSERT_EQ(got.size(), want.size());
                    for (std::size_t o = 0; o < want.size(); ++o) {
                        EXPECT_LE(std::abs(got[o] - want[o]), 1e-11)
                            << "complex " << complex << " count " << count << " order " << o + 1
                            << " shift " << shift;
                        if (!complex) {
                            EXPECT_EQ(got[o].imag(), 0.0);
                        }
                    }
                }
            }
        }
    });
}

// The estimator on its vector path (real records as real values) against its scalar
// reference path, through the modern entry.
ModernEstimate modern_burg(const std::vector<cd>& x, bool complex, int order, bool scalar) {
    const bool was = simd::force_scalar();
    simd::set_force_scalar(scalar);
    ModernParams p;
    p.method = 2;
    p.order = order;
    p.complex_data = complex;
    std::vector<double> re;
    for (const cd& v : x) re.push_back(v.real());
    Samples64 s;
    if (complex)
        s.complex = x;
    else
        s.real = re;
    ModernEstimate e = estimate(p, s);
    simd::set_force_scalar(was);
    return e;
}

TEST(ModernKernels, BurgEstimateMatchesItsScalarReference) {
    std::mt19937_64 rng(seed_for(77));
    std::normal_distribution<double> gauss;
    for (bool complex : {false, true}) {
        std::vector<cd> x(3001);
        for (std::size_t t = 0; t < x.size(); ++t)
            x[t] = cd(gauss(rng), complex ? gauss(rng) : 0.0) + (t >= 1 ? 1.2 * x[t - 1] : 0.0) -
                   (t >= 2 ? 0.8 * x[t - 2] : 0.0);
        for (int order : {1, 2, 7, 30}) {
            const ModernEstimate fast = modern_burg(x, complex, order, false);
            const ModernEstimate slow = modern_burg(x, complex, order, true);
            ASSERT_EQ(fast.status, EstimateStatus::success) << fast.message;
            ASSERT_EQ(slow.status, EstimateStatus::success) << slow.message;
            ASSERT_EQ(fast.a.size(), slow.a.size());
            for (std::size_t i = 0; i < fast.a.size(); ++i)
                EXPECT_LE(std::abs(fast.a[i] - slow.a[i]), 1e-10 * (1 + std::abs(slow.a[i])))
                    << "complex " << complex << " order " << order << " a" << i + 1;
            EXPECT_NEAR(fast.sig2 / slow.sig2, 1.0, 1e-11);
            ASSERT_EQ(fast.psd.size(), slow.psd.size());
            for (std::size_t k = 0; k < fast.psd.size(); ++k)
                EXPECT_NEAR(fast.psd[k] / slow.psd[k], 1.0, 1e-9) << "bin " << k;
        }
    }
}

// sum_{i < n-k} x[i] x[i+k], term by term.
std::vector<double> plain_lags(const std::vector<double>& x, std::size_t lags) {
    std::vector<double> s(lags, 0.0);
    for (std::size_t k = 0; k < lags; ++k)
        for (std::size_t i = 0; i + k < x.size(); ++i) s[k] += x[i] * x[i + k];
    return s;
}

TEST(ModernKernels, RealLagSumsMatchThePlainSumsAndIgnoreTheSplit) {
    std::mt19937_64 rng(seed_for(5150));
    std::normal_distribution<double> gauss;
    on_every_target([&] {
        for (std::size_t n : kCounts) {
            std::vector<double> x(n);
            for (double& v : x) v = 3.0 + gauss(rng); // an offset: sums far from 0
            const std::size_t lags = n + 3;           // lags from n on are 0
            const auto want = plain_lags(x, lags);
            std::vector<double> whole(lags), split(lags);
            simd::real_lag_sums(x.data(), n, 0, lags, 0.0, whole.data());
            for (std::size_t k = 0; k < lags; ++k)
                EXPECT_LE(std::abs(whole[k] - want[k]), 1e-13 * want[0]) << n << " lag " << k;
            // Any cut of the lags gives each lag the same bits.
            const std::size_t cut = std::uniform_int_distribution<std::size_t>(0, lags)(rng);
            simd::real_lag_sums(x.data(), n, 0, cut, 0.0, split.data());
            simd::real_lag_sums(x.data(), n, cut, lags, 0.0, split.data() + cut);
            EXPECT_EQ(std::memcmp(whole.data(), split.data(), lags * sizeof(double)), 0)
                << n << " cut at " << cut;
            // An offset subtracted as the samples are read gives the bits of a subtracted copy.
            std::vector<double> less(n), from_copy(lags), offset(lags);
            for (std::size_t i = 0; i < n; ++i) less[i] = x[i] - 2.9;
            simd::real_lag_sums(less.data(), n, 0, lags, 0.0, from_copy.data());
            simd::real_lag_sums(x.data(), n, 0, lags, 2.9, offset.data());
            EXPECT_EQ(std::memcmp(offset.data(), from_copy.data(), lags * sizeof(double)), 0) << n;
        }
    });
}

// The real entry of the correlation reads the samples where they lie; its lags are the bits of
// the complex call on x + 0i (direct sums and, past the crossing, transforms), and within
// rounding of the plain sums.
TEST(ModernKernels, RealCorrelationIsTheComplexCallOnRealPairs) {
    std::mt19937_64 rng(seed_for(4711));
    std::normal_distribution<double> gauss;
    struct Case {
        int n, lag, mode;
    };
    for (const Case c : {Case{1, 3, 1}, Case{17, 5, 0}, Case{1000, 51, 1}, Case{1000, 1003, 0},
                         Case{16384, 51, 1}, Case{16384, 400, 1}}) {
        std::vector<double> x(static_cast<std::size_t>(c.n));
        for (double& v : x) v = 2.0 + gauss(rng);
        std::vector<cd> pairs(x.begin(), x.end());
        std::vector<cd> want(static_cast<std::size_t>(c.lag)), got(want.size(), cd(-1, -1));
        correlation<double>(c.n, c.lag, c.mode, Vec1<cd>(pairs), Vec1<cd>(pairs), Vec1<cd>(want));
        correlation(c.n, c.lag, c.mode, x.data(), 0.0, Vec1<cd>(got));
        EXPECT_EQ(std::memcmp(want.data(), got.data(), want.size() * sizeof(cd)), 0)
            << c.n << " samples, " << c.lag << " lags";
        // Less an offset: the complex call on the subtracted pairs.
        std::vector<cd> less(pairs), want_less(want.size()), got_less(want.size());
        for (cd& v : less) v -= 1.9;
        correlation<double>(c.n, c.lag, c.mode, Vec1<cd>(less), Vec1<cd>(less),
                            Vec1<cd>(want_less));
        correlation(c.n, c.lag, c.mode, x.data(), 1.9, Vec1<cd>(got_less));
        EXPECT_EQ(std::memcmp(want_less.data(), got_less.data(), want.size() * sizeof(cd)), 0)
            << c.n << " samples less 1.9, " << c.lag << " lags";
        const auto plain = plain_lags(x, static_cast<std::size_t>(std::min(c.lag, c.n)));
        for (std::size_t k = 0; k < plain.size(); ++k) {
            const double div = c.mode == 0 ? c.n - static_cast<double>(k) : c.n;
            EXPECT_NEAR(got[k].real(), plain[k] / div, 1e-12 * plain[0] / c.n)
                << c.n << " lag " << k;
            EXPECT_EQ(got[k].imag(), 0.0);
        }
    }
}

// The driver's per-sample and per-bin kernels do only exact operations: on every target their
// bits are the scalar loops' bits, and one bad value anywhere is reported.
TEST(ModernKernels, GridKernelsAreTheScalarLoopsBitForBit) {
    std::mt19937_64 rng(seed_for(8086));
    std::normal_distribution<double> gauss;
    auto same = [](const std::vector<double>& a, const std::vector<double>& b) {
        return a.size() == b.size() &&
               std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
    };
    on_every_target([&] {
        for (std::size_t n : kCounts) {
            std::vector<double> x(n);
            for (double& v : x) v = 1e3 * gauss(rng);
            // Real samples as complex pairs (less an offset), and the range check.
            std::vector<double> pairs(2 * n, -1.0), want(2 * n), shifted(2 * n);
            for (std::size_t k = 0; k < n; ++k) want[2 * k] = x[k], want[2 * k + 1] = 0.0;
            for (std::size_t k = 0; k < n; ++k) shifted[2 * k] = x[k] - 0.3, shifted[2 * k + 1] = 0;
            EXPECT_TRUE(simd::real_to_complex_checked(x.data(), n, 1e20, 0.0, pairs.data())) << n;
            EXPECT_TRUE(same(pairs, want)) << n;
            EXPECT_TRUE(simd::real_to_complex_checked(x.data(), n, 1e20, 0.3, pairs.data())) << n;
            EXPECT_TRUE(same(pairs, shifted)) << n;
            const std::size_t bad = std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
            for (double v : {double(NAN), double(INFINITY), -1.0000001e10}) {
                std::vector<double> y = x;
                y[bad] = v;
                EXPECT_FALSE(simd::real_to_complex_checked(y.data(), n, 1e20, 0.0, pairs.data()))
                    << n << " " << v << " at " << bad;
                double parts[16];
                EXPECT_FALSE(simd::residue_sums(y.data(), n, 16, 1e20, parts))
                    << n << " " << v << " at " << bad;
            }
            // Sums by index residue, each in index order, at every width the means use (the
            // range check as above).
            for (std::size_t width : {1, 2, 16, 32}) {
                std::vector<double> got(width, -1.0), ref(width, 0.0);
                for (std::size_t i = 0; i < n; ++i) ref[i % width] += x[i];
                EXPECT_TRUE(simd::residue_sums(x.data(), n, width, 1e20, got.data())) << n;
                EXPECT_TRUE(same(got, ref)) << n << " width " << width;
            }
            // Complex pairs back to real parts; any nonzero (or NaN) imaginary part is seen.
            std::vector<double> back(n, -1.0);
            EXPECT_TRUE(simd::real_parts(want.data(), n, back.data())) << n;
            EXPECT_TRUE(same(back, x)) << n;
            for (double v : {1e-300, double(NAN)}) {
                std::vector<double> y = want;
                y[2 * bad + 1] = v;
                EXPECT_FALSE(simd::real_parts(y.data(), n, back.data())) << n << " at " << bad;
            }
            // The AR spectrum s2 / |A|^2 from pairs, and a zero of A seen as not finite.
            {
                std::vector<double> got(n), ref(n);
                for (std::size_t k = 0; k < n; ++k)
                    ref[k] = 1.7 / (want[2 * k] * want[2 * k] + x[k] * x[k]);
                std::vector<double> den = want;
                for (std::size_t k = 0; k < n; ++k) den[2 * k + 1] = x[k];
                EXPECT_TRUE(simd::ar_spectrum(den.data(), n, 1.7, got.data())) << n;
                EXPECT_TRUE(same(got, ref)) << n;
                den[2 * bad] = den[2 * bad + 1] = 0.0;
                EXPECT_FALSE(simd::ar_spectrum(den.data(), n, 1.7, got.data())) << n;
            }
            // Peak candidates: the scan's first hit from every start is the plain loop's, on
            // data with plateaus, repeated values and a NaN.
            {
                std::vector<double> v(n + 2);
                for (double& e : v)
                    e = std::floor(3 * std::uniform_real_distribution<double>(0, 1)(rng));
                v[bad] = NAN;
                for (std::size_t from = 1; from <= n; ++from) {
                    std::size_t want_i = from;
                    while (want_i < n + 1 &&
                           !(v[want_i] > v[want_i - 1] && !(v[want_i + 1] > v[want_i])))
                        ++want_i;
                    EXPECT_EQ(simd::next_peak_candidate(v.data(), from, n + 1), want_i)
                        << n << " from " << from;
                }
            }
            // Density: scaled, doubled inside [lo, hi), the finite check.
            const double scale = 0.37 + gauss(rng) * 0.01;
            for (std::size_t lo : {std::size_t{0}, std::size_t{1}, n}) {
                const std::size_t hi = lo + (n - lo) / 2 + (n > 2 ? 1 : 0);
                std::vector<double> got(n), ref(n);
                for (std::size_t k = 0; k < n; ++k) {
                    ref[k] = x[k] * scale;
                    if (k >= lo && k < hi) ref[k] *= 2.0;
                }
                EXPECT_TRUE(simd::scale_density(x.data(), n, scale, lo, hi, got.data())) << n;
                EXPECT_TRUE(same(got, ref)) << n << " lo " << lo << " hi " << hi;
                std::vector<double> y = x;
                // DBL_MAX doubled overflows; elsewhere a NaN.
                y[bad] = lo <= bad && bad < hi ? DBL_MAX : NAN;
                EXPECT_FALSE(simd::scale_density(y.data(), n, lo <= bad && bad < hi ? 1.0 : scale,
                                                 lo, hi, got.data()))
                    << n << " at " << bad;
            }
            // Frequencies of one- and two-sided grids of odd and even lengths.
            for (int grid : {static_cast<int>(n), static_cast<int>(2 * n + 1)}) {
                const double fs = 44100.0 / 3.0;
                for (bool onesided : {true, false}) {
                    const std::size_t nf = onesided ? static_cast<std::size_t>(grid / 2 + 1)
                                                    : static_cast<std::size_t>(grid);
                    const std::size_t positive =
                        onesided ? nf : (static_cast<std::size_t>(grid) + 1) / 2;
                    std::vector<double> got(nf), ref(nf);
                    for (std::size_t k = 0; k < nf; ++k) {
                        const int signed_k = onesided || 2 * static_cast<int>(k) < grid
                                                 ? static_cast<int>(k)
                                                 : static_cast<int>(k) - grid;
                        ref[k] = signed_k * (1.0 / (grid * (1.0 / fs)));
                    }
                    simd::grid_frequencies(got.data(), nf, positive, fs, grid);
                    EXPECT_TRUE(same(got, ref)) << grid << (onesided ? " one" : " two");
                }
            }
        }
    });
}

// The modern correlation of a real record (direct sums below the transforms' crossing, two
// real transforms above it) against the plain sums, biased and unbiased; and the same bits
// on one thread and on three.
TEST(ModernKernels, RealCorrelationMatchesThePlainSums) {
    std::mt19937_64 rng(seed_for(8128));
    std::normal_distribution<double> gauss;
    for (int n : {1, 7, 300, 4099}) {
        std::vector<double> re(static_cast<std::size_t>(n));
        std::vector<cd> x(re.size());
        for (std::size_t i = 0; i < re.size(); ++i) x[i] = re[i] = 1.0 + gauss(rng);
        for (int lag : {1, 5, 60, 300, 1500}) {
            const auto want = plain_lags(re, static_cast<std::size_t>(lag));
            for (int mode : {0, 1}) {
                std::vector<cd> r(static_cast<std::size_t>(lag));
                correlation<double>(n, lag, mode, Vec1<cd>(x.data(), n), Vec1<cd>(x.data(), n),
                                    Vec1<cd>(r.data(), lag));
                for (int k = 0; k < lag; ++k) {
                    const double div = k >= n ? 1.0 : mode == 0 ? n - k : n;
                    EXPECT_LE(std::abs(r[static_cast<std::size_t>(k)] * div -
                                       want[static_cast<std::size_t>(k)]),
                              1e-12 * want[0])
                        << "n " << n << " lag " << k << " of " << lag << " mode " << mode;
                }
            }
        }
    }
    // One imaginary part, at the very end, sends the record down the complex road.
    {
        const int m = 500, lag = 40;
        std::vector<cd> z(m);
        for (cd& v : z) v = gauss(rng);
        z[m - 1] += cd(0.0, 3.0);
        std::vector<cd> r(lag);
        correlation<double>(m, lag, 1, Vec1<cd>(z.data(), m), Vec1<cd>(z.data(), m),
                            Vec1<cd>(r.data(), lag));
        for (int k = 0; k < lag; ++k) {
            cd want = 0;
            for (int i = 0; i + k < m; ++i)
                want +=
                    std::conj(z[static_cast<std::size_t>(i)]) * z[static_cast<std::size_t>(i + k)];
            EXPECT_LE(std::abs(r[static_cast<std::size_t>(k)] * double(m) - want), 1e-10) << k;
        }
        EXPECT_NE(r[lag - 1].imag(), 0.0); // the imaginary part was not dropped
    }
    const int n = 100000, lag = 80;
    std::vector<cd> x(n);
    for (cd& v : x) v = gauss(rng);
    auto lags_on = [&](int threads) {
        const int before = simd::max_threads();
        simd::set_max_threads(threads);
        std::vector<cd> r(lag);
        correlation<double>(n, lag, 1, Vec1<cd>(x.data(), n), Vec1<cd>(x.data(), n),
                            Vec1<cd>(r.data(), lag));
        simd::set_max_threads(before);
        return r;
    };
    const auto one = lags_on(1), three = lags_on(3);
    EXPECT_EQ(std::memcmp(one.data(), three.data(), lag * sizeof(cd)), 0);
}

TEST(ModernKernels, DecibelsAreTheLibraryLog10) {
    std::mt19937_64 rng(seed_for(1010));
    std::uniform_real_distribution<double> exponent(-300.0, 300.0);
    on_every_target([&] {
        for (std::size_t n : kCounts) {
            std::vector<double> p(n), db(n, 0.0);
            for (double& v : p) v = std::pow(10.0, exponent(rng));
            p[0] = 0.0;                    // the floor: 10 log10 of the least normal double
            if (n > 1) p[1] = -2.5;        // a value below zero counts by its size
            if (n > 2) p[2] = DBL_MIN / 8; // subnormal: the floor too
            simd::decibels(p.data(), n, db.data());
            for (std::size_t k = 0; k < n; ++k) {
                const double want = 10.0 * std::log10(std::max(std::fabs(p[k]), DBL_MIN));
                EXPECT_LE(std::abs(db[k] - want), 8 * DBL_EPSILON * std::abs(want) + 1e-15)
                    << "n " << n << " p " << p[k];
            }
        }
    });
}

// A modern context of a run of its own (report in memory) with transforms of `length` points.
EstimatorContext<double> model_context(int length) {
    static RunContext run;
    run.report.open_memory();
    return estimator_context<double>(run, length);
}

// The model spectrum of real coefficients (real transforms, the upper half mirrored) against
// sig2 |B|^2 / |A|^2 summed term by term at every grid frequency, odd and even grids.
TEST(ModernKernels, RealModelSpectrumIsTheDirectSum) {
    std::mt19937_64 rng(seed_for(4242));
    std::uniform_real_distribution<double> u(-0.4, 0.4);
    std::uniform_real_distribution<double> small(-0.02, 0.02); // no zero of A near the circle
    // Orders up to 50 (the benchmarks' order) as well as short models.
    for (int nfft : {7, 64, 1000, 1001, 4096}) {
        for (auto [ip, iq] : {std::pair{3, 2}, std::pair{5, 0}, std::pair{0, 4}, std::pair{30, 0},
                              std::pair{50, 0}}) {
            if (ip >= nfft) continue; // the driver takes orders below the grid's length only
            std::vector<cd> a(static_cast<std::size_t>(ip) + 1),
                b(static_cast<std::size_t>(iq) + 1);
            for (cd& v : a) v = ip > 10 ? small(rng) : u(rng);
            for (cd& v : b) v = u(rng);
            const double sig2 = 1.7;
            std::vector<double> psd(static_cast<std::size_t>(nfft));
            armapsd<double>(model_context(nfft), ip, iq, Vec1<cd>(a.data(), ip + 1),
                            Vec1<cd>(b.data(), iq + 1), sig2, 0, Vec1<double>(psd.data(), nfft),
                            nfft);
            for (int k = 0; k < nfft; ++k) {
                auto poly = [&](const std::vector<cd>& c, int order) {
                    cd sum = 1.0;
                    for (int j = 1; j <= order; ++j)
                        sum += c[static_cast<std::size_t>(j - 1)] *
                               std::polar(1.0, -2 * M_PI * j * k / nfft);
                    return std::norm(sum);
                };
                const double want = sig2 * poly(b, iq) / poly(a, ip);
                EXPECT_NEAR(psd[static_cast<std::size_t>(k)] / want, 1.0, 1e-12)
                    << "nfft " << nfft << " p " << ip << " q " << iq << " bin " << k;
            }
        }
    }
    // A(z) = 1 + 1/z is zero at the Nyquist bin: held at the largest double, not infinity.
    std::vector<cd> a{1.0};
    std::vector<double> psd(64);
    armapsd<double>(model_context(64), 1, 0, Vec1<cd>(a.data(), 1), Vec1<cd>(), 1.0, 0,
                    Vec1<double>(psd.data(), 64), 64);
    EXPECT_EQ(psd[32], DBL_MAX);
    EXPECT_NEAR(psd[0], 0.25, 1e-15);
}

} // namespace
} // namespace specest
