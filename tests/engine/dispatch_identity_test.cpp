// The vector kernels against the scalar reference, bit for bit: direct kernel calls on seeded
// records of awkward lengths, every method through run_job on real and complex records, and
// every example job. Also slow, obviously-correct oracles for the sums the kernels compute.
#include "blackman_tukey.h"
#include "correlation.h"
#include "estimator_test_context.h"
#include "estimators/estimators.h"
#include "estimators/min_variance.h"
#include "fft.h"
#include "job_params.h"
#include "lag_sums.h"
#include "levinson.h"
#include "model_spectrum.h"
#include "periodogram.h"
#include "simd/dispatch.h"
#include "simd/kernels.h"
#include "simd/parallel.h"
#include "specest/job_record.hpp"
#include "test_support.h"
#include "windows.h"
#include "work_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <regex>
#include <string>
#include <vector>

namespace specest {
namespace {

using record::Field;
using record::Method;
using record::MethodInfo;

// Runs f once on the vector path and once on the scalar path, restoring the setting after.
template <class F> auto both_paths(F f) {
    const bool was = simd::force_scalar();
    simd::set_force_scalar(false);
    auto fast = f();
    simd::set_force_scalar(true);
    auto slow = f();
    simd::set_force_scalar(was);
    return std::make_pair(std::move(fast), std::move(slow));
}

template <class T> bool same_bits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

std::uint32_t bits(float f) {
    return std::bit_cast<std::uint32_t>(f);
}

// Index of the first differing element, for the failure message.
template <class T> std::string first_difference(const std::vector<T>& a, const std::vector<T>& b) {
    if (a.size() != b.size())
        return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(T)) != 0) return "element " + std::to_string(i);
    return "none";
}

#define EXPECT_SAME_BITS(a, b)                                                                     \
    EXPECT_TRUE(same_bits(a, b)) << "first difference: " << first_difference(a, b)

std::uint64_t test_seed(const char* name) {
    const char* env = std::getenv("SPECEST_TEST_SEED");
    return env ? std::strtoull(env, nullptr, 10) : std::hash<std::string>{}(name) | 1u;
}

std::vector<cfloat> noise(int n, std::mt19937_64& rng, double scale = 1.0) {
    std::normal_distribution<double> g(0.0, scale);
    std::vector<cfloat> x(static_cast<std::size_t>(n));
    for (auto& z : x) z = {static_cast<float>(g(rng)), static_cast<float>(g(rng))};
    return x;
}

// Lengths around and between the vector widths (1, 2, 4, 8 doubles).
const int kLengths[] = {1, 2, 3, 5, 7, 8, 9, 15, 17, 31, 33, 64, 100, 257, 1000};

// Direct kernel checks run on every instruction set this CPU can run, not just the best.
class DispatchIdentity : public test::ReportTest {
  protected:
    template <class F> void on_every_target(F body) {
        const auto targets = simd::available_targets();
        ASSERT_FALSE(targets.empty());
        std::string names;
        for (long long t : targets) {
            names += std::string(" ") + simd::target_name(t);
            simd::restrict_target(t);
            ASSERT_STREQ(simd::target_name(), simd::target_name(t));
            SCOPED_TRACE(simd::target_name(t));
            body();
        }
        simd::restrict_target(0);
        std::printf("[ targets  ]%s checked; dispatched: %s\n", names.c_str(), simd::target_name());
    }
};

TEST_F(DispatchIdentity, FftEveryLengthBothDirections) {
    on_every_target([&] {
        auto rng = test::seeded_rng("DispatchIdentity.Fft", test_seed("Fft"));
        for (int nexp = 0; nexp <= 13; ++nexp) {
            const int n = 1 << nexp;
            const auto x = noise(n, rng, 100.0);
            for (int invrs : {1, -1}) {
                auto [fast, slow] = both_paths([&] {
                    auto y = x;
                    fft(Vec1<cfloat>(y), nexp, invrs, n);
                    return y;
                });
                EXPECT_SAME_BITS(fast, slow) << " nexp " << nexp << " invrs " << invrs;
                auto oracle = x; // every twiddle recomputed in its butterfly
                fft_recomputed_twiddles(Vec1<cfloat>(oracle), nexp, invrs, n);
                EXPECT_SAME_BITS(fast, oracle) << " nexp " << nexp << " invrs " << invrs;
            }
        }
    });
}

// The record's peak power: the scalar loop's value at every length, with the largest sample
// anywhere, NaN samples passed over and the extremes of float.
TEST_F(DispatchIdentity, PeakPowerIsTheScalarMaximum) {
    on_every_target([&] {
        auto rng = test::seeded_rng("DispatchIdentity.PeakPower", test_seed("PeakPower"));
        for (int n : kLengths) {
            auto x = noise(n, rng, 1e3);
            for (const int at : {0, n - 1, std::uniform_int_distribution<int>(0, n - 1)(rng)})
                for (cfloat special : {cfloat(std::numeric_limits<float>::max(), -3.0f),
                                       cfloat(std::nanf(""), 1e30f), cfloat(-0.0f, 1e-40f)}) {
                    auto y = x;
                    y[static_cast<std::size_t>(at)] = special;
                    double want = 0.0;
                    for (const cfloat& z : y) {
                        const double re = z.real(), im = z.imag();
                        want = std::max(want, re * re + im * im);
                    }
                    const double got =
                        simd::peak_power(reinterpret_cast<const float*>(y.data()), n);
                    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0)
                        << n << " at " << at << ": " << got << " vs " << want;
                }
        }
    });
}

TEST_F(DispatchIdentity, FftCarriesOverflowNanAndSignedZeroLikeTheScalarCode) {
    on_every_target([&] {
        const int nexp = 6, n = 64;
        const float big = std::numeric_limits<float>::max();
        for (int pattern = 0; pattern < 3; ++pattern) {
            std::vector<cfloat> x(n, cfloat(0.0f, -0.0f));
            if (pattern == 0) { // sums beyond the float range: infinity, as static_cast gives
                x[0] = x[32] = {big, -big};
                x[1] = {big, big};
            } else if (pattern == 1) { // one NaN reaches every output
                x[9] = {std::numeric_limits<float>::quiet_NaN(), 1.0f};
            } else { // signed zeros and denormals only
                x[17] = {std::numeric_limits<float>::denorm_min(), -0.0f};
                x[40] = {-0.0f, -std::numeric_limits<float>::denorm_min()};
            }
            auto [fast, slow] = both_paths([&] {
                auto y = x;
                fft(Vec1<cfloat>(y), nexp, 1, n);
                return y;
            });
            EXPECT_SAME_BITS(fast, slow) << " pattern " << pattern;
            if (pattern == 0) {
                EXPECT_TRUE(std::isinf(slow[0].real()));
            }
        }
    });
}

// The lag sums as the definition reads: one lag at a time, i increasing, in double.
std::vector<cfloat> correlation_oracle(int n, int lag, int mode, const std::vector<cfloat>& x,
                                       const std::vector<cfloat>& y) {
    std::vector<cfloat> r(static_cast<std::size_t>(lag));
    for (int k = 0; k < lag; ++k) {
        if (n - k <= 0) continue;
        double sr = 0, si = 0;
        for (int i = 0; i < n - k; ++i) {
            const double xr = x[i].real(), xi = x[i].imag();
            const double yr = y[i + k].real(), yi = y[i + k].imag();
            sr += xr * yr + xi * yi;
            si += xr * yi - xi * yr;
        }
        const double div = mode == 0 ? n - k : n;
        r[k] = {static_cast<float>(sr / div), static_cast<float>(si / div)};
    }
    return r;
}

TEST_F(DispatchIdentity, CorrelationLagsOfEveryCountAndLength) {
    on_every_target([&] {
        auto rng = test::seeded_rng("DispatchIdentity.Correlation", test_seed("Correlation"));
        for (int n : kLengths) {
            const auto x = noise(n, rng), y = noise(n, rng);
            for (int lag : {1, 2, 3, 4, 5, 8, 9, 33, 51, n, n + 3}) {
                for (int mode : {0, 1}) {
                    for (bool cross : {false, true}) {
                        const auto& other = cross ? y : x;
                        auto [fast, slow] = both_paths([&] {
                            std::vector<cfloat> r(static_cast<std::size_t>(lag), cfloat(-1, -1));
                            auto xs = x, ys = other;
                            correlation(n, lag, mode, Vec1<cfloat>(xs),
                                        cross ? Vec1<cfloat>(ys) : Vec1<cfloat>(xs),
                                        Vec1<cfloat>(r));
                            return r;
                        });
                        EXPECT_SAME_BITS(fast, slow) << " n " << n << " lag " << lag;
                        EXPECT_SAME_BITS(fast, correlation_oracle(n, lag, mode, x, other))
                            << " n " << n << " lag " << lag;
                    }
                }
            }
        }
    });
}

// The kernel's double sums before they are rounded to float, on inputs that are not floats, so
// that a reassociated or fused sum shows in the bits rather than vanishing in the rounding.
TEST_F(DispatchIdentity, CorrelationSumsKeepEachLagsOrderInDouble) {
    on_every_target([&] {
        auto rng = test::seeded_rng("DispatchIdentity.CorrelationSums", test_seed("Sums"));
        std::normal_distribution<double> g;
        for (int n : kLengths) {
            std::vector<double> xr(n), xi(n), yr(n), yi(n);
            for (int i = 0; i < n; ++i)
                xr[i] = g(rng), xi[i] = g(rng), yr[i] = g(rng), yi[i] = g(rng);
            for (int lag : {1, 7, 8, 40, n + 2}) {
                std::vector<double> sr(lag, -1), si(lag, -1), osr(lag), osi(lag);
                simd::correlation_sums(xr.data(), xi.data(), yr.data(), yi.data(), n, lag,
                                       sr.data(), si.data());
                for (int k = 0; k < lag; ++k) {
                    double a = 0, b = 0;
                    for (int i = 0; i < n - k; ++i) {
                        a += xr[i] * yr[i + k] + xi[i] * yi[i + k];
                        b += xr[i] * yi[i + k] - xi[i] * yr[i + k];
                    }
                    osr[k] = a;
                    osi[k] = b;
                }
                EXPECT_SAME_BITS(sr, osr) << " n " << n << " lag " << lag;
                EXPECT_SAME_BITS(si, osi) << " n " << n << " lag " << lag;
            }
        }
    });
}

TEST_F(DispatchIdentity, PeriodogramBlackmanTukeyAndModelSpectrum) {
    on_every_target([&] {
        auto rng = test::seeded_rng("DispatchIdentity.Spectra", test_seed("Spectra"));
        for (int n : {5, 31, 100, 257}) {
            const int nexp = 10, npoints = 1 << nexp;
            auto x = noise(n, rng);
            x.resize(npoints);
            std::vector<float> w(npoints);
            for (int i = 0; i < npoints; ++i)
                w[i] = static_cast<float>(0.5 + 0.5 * std::sin(0.01 * i));
            auto [pf, ps] = both_paths([&] {
                auto y = x;
                std::vector<float> p(npoints);
                periodogram(test::ctx(), Vec1<cfloat>(y), n, Vec1<float>(w), nexp, Vec1<float>(p),
                            npoints);
                return p;
            });
            EXPECT_SAME_BITS(pf, ps) << " periodogram n " << n;
            const int m = n / 3 + 1;
            for (int mode : {0, 1}) {
                auto [bf, bs] = both_paths([&] {
                    auto y = x;
                    std::vector<float> p(npoints);
                    blacktukey(test::ctx(), Vec1<cfloat>(y), n, mode, Vec1<float>(w), m, nexp,
                               Vec1<float>(p), npoints);
                    return p;
                });
                EXPECT_SAME_BITS(bf, bs) << " Blackman-Tukey n " << n << " mode " << mode;
            }
            const int ip = n % 7 + 1, iq = n % 5;
            auto a = noise(ip, rng, 0.2), b = noise(iq + 1, rng, 0.2);
            auto [af, as] = both_paths([&] {
                std::vector<float> p(npoints);
                armapsd(test::ctx(), ip, iq, Vec1<cfloat>(a), Vec1<cfloat>(b), 1.7f, nexp,
                        Vec1<float>(p), npoints);
                return p;
            });
            EXPECT_SAME_BITS(af, as) << " armapsd ip " << ip << " iq " << iq;
        }
    });
}

// The window weights kept per thread equal the ones the scalar path computes every time: on the
// first call of a shape and length, on a repeat, and after other shapes and lengths came between.
TEST_F(DispatchIdentity, KeptWindowsEqualTheComputedOnes) {
    const char* names[] = {"Hamming", "Hanning", "Blackman", "Rectangle", "Barlett"};
    const int lengths[] = {2, 3, 257, 1000, 16384, 16384, 65536, 65537, 1000};
    for (int round = 0; round < 2; ++round)
        for (int n : lengths)
            for (const char* name : names) {
                auto [wf, ws] = both_paths([&] {
                    std::vector<float> w(static_cast<std::size_t>(n), -1.0f);
                    EXPECT_TRUE(window_weights(Vec1<float>(w), n, name));
                    return w;
                });
                EXPECT_SAME_BITS(wf, ws) << name << " n " << n << " round " << round;
            }
    // The weights of a shape the run then changes are not the kept ones.
    std::vector<float> w(1000);
    ASSERT_TRUE(window_weights(Vec1<float>(w), 1000, "Hamming"));
    const float kept = w[10];
    w[10] = 0.0f;
    ASSERT_TRUE(window_weights(Vec1<float>(w), 1000, "Hamming"));
    EXPECT_EQ(bits(w[10]), bits(kept));
}

// The Blackman-Tukey phase factors and the minimum-variance exponentials kept per thread give
// the scalar bits when they are first filled (by parts on several threads), when a later run
// with other data reuses them, and after a run of other sizes replaced them.
TEST_F(DispatchIdentity, KeptPhaseAndExponentialTablesGiveTheScalarBits) {
    auto rng = test::seeded_rng("DispatchIdentity.Tables", test_seed("Tables"));
    const int was = simd::max_threads();
    simd::set_max_threads(3);
    struct Sizes {
        int n, m_lags, nexp, order, l;
    };
    const Sizes sizes[] = {{20000, 300, 14, 80, 1000},
                           {20000, 300, 14, 80, 1000},
                           {3000, 77, 12, 31, 997},
                           {20000, 300, 14, 80, 1000},
                           {20000, 301, 14, 81, 1000}};
    for (const Sizes& z : sizes) {
        const auto x = noise(z.n, rng);
        const int big = 1 << z.nexp;
        auto [bf, bs] = both_paths([&] {
            auto xs = x;
            std::vector<float> w(static_cast<std::size_t>(big), 1.0f), p(w.size());
            blacktukey(test::ctx(), Vec1<cfloat>(xs), z.n, 1, Vec1<float>(w), z.m_lags, z.nexp,
                       Vec1<float>(p), big);
            return p;
        });
        EXPECT_SAME_BITS(bf, bs) << " Blackman-Tukey m " << z.m_lags << " L " << big;
        auto [mf, ms] = both_paths([&] {
            auto xs = x;
            int n = 2000, order = z.order, l = z.l, mode = 0, iflag = 0;
            float eps = 1e-7f;
            std::vector<float> p(static_cast<std::size_t>(l));
            mvse(test::ctx(), Vec1<cfloat>(xs), n, order, l, eps, mode, Vec1<float>(p), iflag);
            p.push_back(static_cast<float>(iflag));
            return p;
        });
        EXPECT_SAME_BITS(mf, ms) << " MVSE order " << z.order << " l " << z.l;
    }
    simd::set_max_threads(was);
}

// Work arrays reuse the blocks of the arrays before them, zeroed again, and the thread keeps a
// bounded amount for later.
TEST(WorkArrays, ComeZeroedFromReusedBlocksWithinTheBound) {
    const void* first = nullptr;
    {
        auto a = work_array<cfloat>(20011, "", "");
        first = a.data();
        for (auto& v : a) v = {1.0f, 2.0f};
    }
    EXPECT_GE(work_pool::kept_bytes(), 20011 * sizeof(cfloat));
    auto b = work_array<cfloat>(20011, "", "");
    EXPECT_EQ(static_cast<const void*>(b.data()), first); // the same block, given again
    for (const auto& v : b) ASSERT_EQ(v, cfloat());
    std::vector<WorkVector<float>> many;
    for (int i = 0; i < 12; ++i) many.push_back(work_array<float>((1u << 20) + i, "", ""));
    many.clear();
    EXPECT_LE(work_pool::kept_bytes(), std::size_t{32} << 20);
    // Text buffers: a large one comes back empty with its capacity; a huge one is not kept.
    std::string t(100000, 'x');
    const char* block = t.data();
    work_pool::give_text(std::move(t));
    std::string again = work_pool::take_text();
    EXPECT_TRUE(again.empty());
    EXPECT_EQ(again.data(), block);
    work_pool::give_text(std::string(std::size_t{3} << 20, 'y'));
    EXPECT_LT(work_pool::take_text().capacity(), std::size_t{3} << 20);
}

// The packed correlation matrix of the minimum-variance method, one entry at a time.
std::vector<cfloat> corrmat_oracle(const std::vector<cfloat>& x, int ip) {
    const int n = static_cast<int>(x.size());
    std::vector<cfloat> r;
    auto at = [&](int t) { return std::complex<double>(x[t - 1].real(), x[t - 1].imag()); };
    for (int i = 1; i <= ip; ++i) {
        for (int j = 1; j <= i; ++j) {
            float sr = 0, si = 0;
            for (int k = ip + 1; k <= n; ++k) {
                const auto a = at(k - j), b = at(k - i), f = at(k - ip + j), g = at(k - ip + i);
                const double tr = (a.real() * b.real() + a.imag() * b.imag()) +
                                  (f.real() * g.real() + f.imag() * g.imag());
                const double ti = (a.real() * b.imag() - a.imag() * b.real()) +
                                  (f.imag() * g.real() - f.real() * g.imag());
                sr = static_cast<float>(sr + tr);
                si = static_cast<float>(si + ti);
            }
            const double scale = 2.0 * (n - ip);
            r.push_back({static_cast<float>(sr / scale), static_cast<float>(si / scale)});
        }
    }
    return r;
}

TEST_F(DispatchIdentity, CorrelationMatrixMatchesItsOracle) {
    on_every_target([&] {
        auto rng = test::seeded_rng("DispatchIdentity.Corrmat", test_seed("Corrmat"));
        for (int n : {9, 33, 100, 257}) {
            const auto x = noise(n, rng);
            for (int ip : {1, 2, 3, 5, 8, 9, 17}) {
                if (ip >= n) continue;
                const int packed = ip * (ip + 1) / 2;
                auto [fast, slow] = both_paths([&] {
                    auto xs = x;
                    std::vector<cfloat> r(static_cast<std::size_t>(packed));
                    corrmat(Vec1<cfloat>(xs), n, ip, Vec1<cfloat>(r));
                    return r;
                });
                EXPECT_SAME_BITS(fast, slow) << " n " << n << " ip " << ip;
                EXPECT_SAME_BITS(fast, corrmat_oracle(x, ip)) << " n " << n << " ip " << ip;
            }
        }
    });
}

// Every accumulator of the diagonal lag sums, one float chain at a time from the formulas.
TEST_F(DispatchIdentity, LagSumsMatchTheirOracle) {
    using Phases = std::vector<LagTerms>;
    const Phases desc{LagTerms::descending}, desc_asc{LagTerms::descending, LagTerms::ascending},
        both{LagTerms::both};
    on_every_target([&] {
        auto rng = test::seeded_rng("DispatchIdentity.LagSums", test_seed("LagSums"));
        // 1500 - 30 steps cross a table chunk; order 30 gives groups across diagonals
        for (auto [n, ip] : {std::pair{9, 4}, {300, 17}, {1500, 30}}) {
            const auto x = noise(n, rng);
            std::vector<float> re, im;
            for (const cfloat z : x) {
                re.push_back(z.real());
                im.push_back(z.imag());
            }
            auto at = [&](int s) { return std::complex<double>(x[s - 1].real(), x[s - 1].imag()); };
            // conj(a) b, or a conj(b) when `backward`, as the estimators form them
            auto product = [](std::complex<double> a, std::complex<double> b, bool backward) {
                const double r = a.real() * b.real() + a.imag() * b.imag();
                return backward
                           ? std::complex<double>(r, a.imag() * b.real() - a.real() * b.imag())
                           : std::complex<double>(r, a.real() * b.imag() - a.imag() * b.real());
            };
            const int steps = n - ip;
            for (const Phases* phases : {&desc, &desc_asc, &both}) {
                for (bool row0 : {false, true}) {
                    if (row0 && phases == &both) continue;
                    LagSums lag(re.data(), im.data(), n, ip, row0);
                    lag.run(*phases, steps);
                    auto chain = [&](auto term) {
                        float sr = 0, si = 0;
                        for (LagTerms ph : *phases)
                            for (int t = 0; t < steps; ++t) {
                                const auto v = term(ph, t);
                                sr = static_cast<float>(sr + v.real());
                                si = static_cast<float>(si + v.imag());
                            }
                        return cfloat(sr, si);
                    };
                    std::vector<cfloat> fast, oracle;
                    for (int k = 0; row0 && k <= ip; ++k) {
                        fast.emplace_back(lag.re(k), lag.im(k));
                        oracle.push_back(chain([&](LagTerms ph, int t) {
                            return ph == LagTerms::descending
                                       ? product(at(ip + 1 + t - k), at(ip + 1 + t), false)
                                       : product(at(1 + t + k), at(1 + t), true);
                        }));
                    }
                    for (int d = 0; d < ip; ++d)
                        for (int l = 0; l < ip - d; ++l) {
                            fast.emplace_back(lag.re(lag.diagonal_start(d) + l),
                                              lag.im(lag.diagonal_start(d) + l));
                            auto p = [&](int s) { return product(at(s), at(s - d), false); };
                            oracle.push_back(chain([&](LagTerms ph, int t) {
                                const auto down = p(ip - l + t), up = p(2 + d + l + t);
                                return ph == LagTerms::descending  ? down
                                       : ph == LagTerms::ascending ? up
                                                                   : down + up;
                            }));
                        }
                    EXPECT_SAME_BITS(fast, oracle) << " n " << n << " ip " << ip << " phases "
                                                   << phases->size() << " row0 " << row0;
                }
            }
        }
    });
}

// Burg's fused error update and sums against the scalar formulas, for every count of samples.
TEST_F(DispatchIdentity, BurgFusedUpdateMatchesItsOracle) {
    on_every_target([&] {
        auto rng = test::seeded_rng("DispatchIdentity.BurgFused", test_seed("BurgFused"));
        const int n = 300;
        const auto ef = noise(n, rng), eb = noise(n, rng), w = noise(1, rng, 0.5);
        const auto* f = reinterpret_cast<const float*>(ef.data());
        const auto* b = reinterpret_cast<const float*>(eb.data());
        const double wr = w[0].real(), wi = w[0].imag();
        for (int count : {0, 1, 2, 3, 4, 5, 7, 8, 9, 16, 17, 63, 290}) {
            const int t0 = 2;
            std::vector<float> ef1(2 * n, -1.0f), eb1(2 * n, -1.0f);
            float sums[3] = {0.25f, -0.5f, 1.0f}; // the kernel continues the caller's sums
            const int end =
                simd::burg_update_and_sums(f, b, ef1.data(), eb1.data(), t0, count, wr, wi, sums);
            ASSERT_GE(end, t0);
            ASSERT_LE(end, t0 + count);
            if (std::string(simd::target_name()) != "SCALAR") { // pairs need two lanes
                EXPECT_LT(t0 + count - end, 4) << "leaves less than a vector to the caller";
            }
            float sr = 0.25f, si = -0.5f, sd = 1.0f;
            bool errors_same = true;
            for (int t = t0; t < end; ++t) {
                const std::complex<double> fo(f[2 * t], f[2 * t + 1]),
                    bo(b[2 * t - 2], b[2 * t - 1]), f1(f[2 * t - 2], f[2 * t - 1]),
                    b2(b[2 * t - 4], b[2 * t - 3]);
                const double Fr = static_cast<float>(fo.real() + (wr * bo.real() - wi * bo.imag()));
                const double Fi = static_cast<float>(fo.imag() + (wr * bo.imag() + wi * bo.real()));
                const double Br =
                    static_cast<float>(b2.real() + (wr * f1.real() - -wi * f1.imag()));
                const double Bi =
                    static_cast<float>(b2.imag() + (wr * f1.imag() + -wi * f1.real()));
                errors_same &= bits(static_cast<float>(Fr)) == bits(ef1[2 * t]) &&
                               bits(static_cast<float>(Fi)) == bits(ef1[2 * t + 1]) &&
                               bits(static_cast<float>(Br)) == bits(eb1[2 * t - 2]) &&
                               bits(static_cast<float>(Bi)) == bits(eb1[2 * t - 1]);
                sr = static_cast<float>(sr + (Fr * Br + Fi * Bi));
                si = static_cast<float>(si + (Fi * Br - Fr * Bi));
                sd = static_cast<float>(sd + ((Fr * Fr + Fi * Fi) + (Br * Br + Bi * Bi)));
            }
            EXPECT_TRUE(errors_same) << " count " << count;
            EXPECT_EQ(bits(sums[0]), bits(sr)) << " count " << count;
            EXPECT_EQ(bits(sums[1]), bits(si)) << " count " << count;
            EXPECT_EQ(bits(sums[2]), bits(sd)) << " count " << count;
            EXPECT_EQ(ef1[2 * end], -1.0f) << "nothing written past the samples it did";
        }
    });
}

struct ModelFit {
    std::vector<cfloat> coef;
    std::vector<float> spectrum;
    std::uint32_t sig2 = 0;
    int iflag = 0;
    bool operator==(const ModelFit& o) const {
        return same_bits(coef, o.coef) && same_bits(spectrum, o.spectrum) && sig2 == o.sig2 &&
               iflag == o.iflag;
    }
};

TEST_F(DispatchIdentity, CovarianceMinimumVarianceYuleWalkerAndBurgDirect) {
    on_every_target([&] {
        auto rng = test::seeded_rng("DispatchIdentity.Estimators", test_seed("Estimators"));
        int fitted = 0;
        // 2500 samples cross the vector path's table chunks; order 40 gives groups of vectors
        // that span several diagonals.
        for (int n : {17, 64, 257, 1000, 2500}) {
            const auto x = noise(n, rng);
            for (int ip : {1, 3, 8, 13, 40}) {
                if (ip >= n / 2 || (ip == 40 && n < 2500)) continue;
                for (int mode : {0, 1}) {
                    auto [fast, slow] = both_paths([&] {
                        auto xs = x;
                        int nn = n, p = ip, md = mode, iflag = 0;
                        float eps = 1e-7f, sig2 = 0;
                        covmcov(test::ctx(), Vec1<cfloat>(xs), nn, p, md, eps, iflag, sig2);
                        ModelFit f;
                        for (int k = 1; k <= ip; ++k) f.coef.push_back(test::work().theta()(k));
                        f.sig2 = bits(sig2);
                        f.iflag = iflag;
                        return f;
                    });
                    EXPECT_TRUE(fast == slow)
                        << " covariance n " << n << " ip " << ip << " mode " << mode;
                    fitted += fast.iflag == 0;
                }
                for (int mode : {0, 1}) {
                    const int l = 37 + n % 64; // grid points not a multiple of any width
                    auto [fast, slow] = both_paths([&] {
                        auto xs = x;
                        int nn = n, p = ip, md = mode, ll = l, iflag = 0;
                        float eps = 1e-7f;
                        ModelFit f;
                        f.spectrum.assign(static_cast<std::size_t>(l), 0.0f);
                        mvse(test::ctx(), Vec1<cfloat>(xs), nn, p, ll, eps, md,
                             Vec1<float>(f.spectrum), iflag);
                        f.iflag = iflag;
                        return f;
                    });
                    EXPECT_TRUE(fast == slow)
                        << " MVSE n " << n << " ip " << ip << " mode " << mode;
                    fitted += fast.iflag == 0;
                }
                auto [fast, slow] = both_paths([&] {
                    auto xs = x;
                    job().iflag = 0;
                    ModelFit f;
                    f.coef.assign(static_cast<std::size_t>(ip), cfloat());
                    float sig2 = 0;
                    autocorr(test::ctx(), Vec1<cfloat>(xs), n, ip, Vec1<cfloat>(f.coef), sig2,
                             std::max(n, 1024));
                    f.sig2 = bits(sig2);
                    f.iflag = job().iflag;
                    return f;
                });
                EXPECT_TRUE(fast == slow) << " Yule-Walker n " << n << " ip " << ip;
                auto [bf, bs] = both_paths([&] {
                    auto xs = x;
                    job().iflag = 0;
                    ModelFit f;
                    f.coef.assign(static_cast<std::size_t>(ip), cfloat());
                    int nn = n, p = ip, npoints = std::max(n, 1024);
                    float sig2 = 0;
                    burg(test::ctx(), Vec1<cfloat>(xs), nn, p, Vec1<cfloat>(f.coef), sig2, npoints);
                    for (int k = 1; k <= ip; ++k) f.spectrum.push_back(test::work().rho()(k));
                    f.sig2 = bits(sig2);
                    f.iflag = job().iflag;
                    return f;
                });
                EXPECT_TRUE(bf == bs) << " Burg n " << n << " ip " << ip;
                fitted += bf.iflag == 0;
            }
        }
        EXPECT_GT(fitted, 40); // the comparisons are of real fits, not of failures
    });
}

// Large enough calls that the work is cut into parts on threads of their own (three when
// allowed), against the scalar path and against one part.
TEST_F(DispatchIdentity, ThreadedPartsGiveTheSameBits) {
    auto rng = test::seeded_rng("DispatchIdentity.Threads", test_seed("Threads"));
    const auto x = noise(20000, rng);
    const auto y = noise(2000, rng);
    auto compute = [&] {
        std::vector<cfloat> out(301);
        auto xs = x;
        correlation(20000, 301, 0, Vec1<cfloat>(xs), Vec1<cfloat>(xs), Vec1<cfloat>(out));
        int n = 20000, ip = 24, mode = 1, iflag = 0;
        float eps = 1e-7f, sig2 = 0;
        covmcov(test::ctx(), Vec1<cfloat>(xs), n, ip, mode, eps, iflag, sig2);
        for (int k = 1; k <= ip; ++k) out.push_back(test::work().theta()(k));
        out.push_back({sig2, static_cast<float>(iflag)});
        auto ys = y;
        std::vector<cfloat> r(80 * 81 / 2);
        corrmat(Vec1<cfloat>(ys), 2000, 80, Vec1<cfloat>(r));
        out.insert(out.end(), r.begin(), r.end());
        int m = 2000, order = 80, l = 1000, md = 0;
        std::vector<float> p(static_cast<std::size_t>(l));
        mvse(test::ctx(), Vec1<cfloat>(ys), m, order, l, eps, md, Vec1<float>(p), iflag);
        for (float v : p) out.push_back({v, static_cast<float>(iflag)});
        const int big = 16384;
        std::vector<float> w(big), pbt(big);
        EXPECT_TRUE(window_weights(Vec1<float>(w), big, "Blackman"));
        for (float v : w) out.push_back({v, 0.0f});
        blacktukey(test::ctx(), Vec1<cfloat>(xs), 20000, 1, Vec1<float>(w), 300, 14,
                   Vec1<float>(pbt), big);
        for (float v : pbt) out.push_back({v, 0.0f});
        return out;
    };
    const int was = simd::max_threads();
    for (int threads : {1, 3}) {
        simd::set_max_threads(threads);
        auto [fast, slow] = both_paths(compute);
        EXPECT_SAME_BITS(fast, slow) << " threads " << threads;
    }
    simd::set_max_threads(was);
}

// ---------------------------------------------------------------------------------------------
// Whole runs.

struct RunBits {
    RunStatus status;
    std::string stop_text, report;
    std::uint32_t sig2;
    int n_freq_pts;
    std::vector<float> x, db;
};

// The report's clock stamp is the one thing two runs may not share.
std::string without_clock(const std::string& report) {
    static const std::regex stamp(R"(\d\d/\d\d/\d\d +\d\d:\d\d:\d\d)");
    return std::regex_replace(report, stamp, "<time>");
}

RunBits run_bits(const test::fs::path& job) {
    auto out = test::run(job);
    out.report = without_clock(out.report);
    return {out.result.status,
            out.result.stop_text,
            out.report,
            bits(out.result.sig2),
            out.result.n_freq_pts,
            out.x,
            out.db};
}

void expect_same_run(const RunBits& fast, const RunBits& slow, const std::string& what) {
    EXPECT_EQ(fast.status, slow.status) << what;
    EXPECT_EQ(fast.stop_text, slow.stop_text) << what;
    EXPECT_EQ(fast.sig2, slow.sig2) << what;
    EXPECT_EQ(fast.n_freq_pts, slow.n_freq_pts) << what;
    EXPECT_SAME_BITS(fast.x, slow.x) << what;
    EXPECT_SAME_BITS(fast.db, slow.db) << what;
    EXPECT_EQ(fast.report, slow.report) << what;
}

TEST(DispatchIdentityRuns, EveryMethodOnRealAndComplexRecords) {
    auto rng = test::seeded_rng("DispatchIdentityRuns.EveryMethod", test_seed("EveryMethod"));
    test::TempDir dir;
    int succeeded = 0, runs = 0;
    for (int n : {37, 64, 203, 1000}) {
        const auto re =
            test::arma_process({-1.2, 0.8}, {0.4}, static_cast<std::size_t>(n), 1.0, rng);
        const auto im = test::arma_process({0.5}, {}, static_cast<std::size_t>(n), 1.0, rng);
        std::vector<std::complex<double>> z(re.size());
        for (std::size_t i = 0; i < z.size(); ++i) z[i] = {re[i], im[i]};
        test::write_real_data(dir / "real.txt", re);
        test::write_complex_data(dir / "complex.txt", z);
        for (const MethodInfo& m : record::kMethods) {
            for (bool complex : {false, true}) {
                if (complex && m.real_only) continue;
                test::Job job;
                job.data_file = complex ? "complex.txt" : "real.txt";
                job.data_type = complex ? "C" : "R";
                job.method = std::string(m.form_name);
                job.npoints = n > 256 ? "1024" : "256";
                auto set = [&](Field f, std::string v) {
                    return record::uses(m.settings, f) ? v : std::string("-999");
                };
                job.npoles = set(Field::npoles, std::to_string(n < 64 ? 4 : 9));
                job.nzeros = set(Field::nzeros, "2");
                job.eps = set(Field::eps, "1.e-7");
                job.mode = set(Field::mode, std::to_string(n % 2));
                job.m_eqs = set(Field::m_eqs, std::to_string(n / 4));
                job.l_pts =
                    set(Field::l_pts, m.method == Method::mvse ? "203" : std::to_string(n / 3));
                job.m_lags = set(Field::m_lags, std::to_string(n / 3));
                job.nit = set(Field::nit, "10");
                job.per = set(Field::per, "1");
                job.window = set(Field::window, "Hamming");
                const auto file = dir / ("job" + std::to_string(runs) + ".0");
                test::write_job(file, job);
                auto [fast, slow] = both_paths([&] { return run_bits(file); });
                const std::string what =
                    job.method + (complex ? " complex" : " real") + " n=" + std::to_string(n);
                expect_same_run(fast, slow, what);
                ++runs;
                succeeded += fast.status == RunStatus::success;
            }
        }
    }
    std::printf("[ runs     ] %d of %d runs produced a spectrum\n", succeeded, runs);
    EXPECT_GT(succeeded, runs * 3 / 4);
}

TEST(DispatchIdentityRuns, EveryExampleJob) {
    test::TempDir dir;
    const auto examples = test::fs::path(SPECEST_SAMPLE_DATA).parent_path();
    int jobs = 0;
    for (const auto& e : test::fs::directory_iterator(examples))
        test::fs::copy(e.path(), dir / e.path().filename().string());
    for (const auto& e : test::fs::directory_iterator(dir.path())) {
        if (e.path().filename().string().rfind("Ex-", 0) != 0) continue;
        auto [fast, slow] = both_paths([&] { return run_bits(e.path()); });
        expect_same_run(fast, slow, e.path().filename().string());
        EXPECT_EQ(fast.status, RunStatus::success) << e.path().filename().string();
        ++jobs;
    }
    EXPECT_GE(jobs, 18);
}

} // namespace
} // namespace specest
