// The any-length double FFT against a long-double direct DFT, its round trip, the real-input
// transform, and determinism across threads.
#include "fft_any.h"
#include "simd/dispatch.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace specest {
namespace {

using cd = std::complex<double>;
using cl = std::complex<long double>;

// Mixed radix (every radix and small prime), Bluestein (97, 1009, 37 and 2 * 1009), and powers
// of two up to 65536.
std::vector<std::size_t> lengths() {
    std::vector<std::size_t> n;
    for (std::size_t i = 1; i <= 64; ++i) n.push_back(i);
    for (std::size_t i : {97, 1009, 2018, 1000, 1001, 2310, 961, 3 * 5 * 5 * 7 * 31})
        n.push_back(i);
    for (std::size_t p = 128; p <= 65536; p *= 2) n.push_back(p);
    return n;
}

// X_k = sum_j x_j exp(sign 2 pi i jk/n) in long double, for the bins asked.
std::vector<cl> direct_dft(const std::vector<cd>& x, const std::vector<std::size_t>& bins,
                           int sign) {
    const std::size_t n = x.size();
    const long double two_pi = 6.283185307179586476925286766559005768L;
    std::vector<cl> w(n);
    for (std::size_t j = 0; j < n; ++j) {
        const long double a = two_pi * static_cast<long double>(j) / static_cast<long double>(n);
        w[j] = {std::cos(a), sign * std::sin(a)};
    }
    std::vector<cl> out;
    for (std::size_t k : bins) {
        cl s = 0;
        for (std::size_t j = 0; j < n; ++j) s += cl(x[j].real(), x[j].imag()) * w[j * k % n];
        out.push_back(s);
    }
    return out;
}

// Every bin for short lengths; 64 spread bins (both ends included) for long ones.
std::vector<std::size_t> bins_to_check(std::size_t n, std::size_t count) {
    std::vector<std::size_t> b;
    if (n <= 4096) {
        for (std::size_t k = 0; k < count; ++k) b.push_back(k);
        return b;
    }
    for (std::size_t i = 0; i < 64; ++i) b.push_back(i * (count - 1) / 63);
    return b;
}

std::vector<cd> random_complex(std::size_t n, std::mt19937_64& rng) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<cd> x(n);
    for (auto& v : x) v = {u(rng), u(rng)};
    return x;
}

double tolerance(std::size_t n) {
    return 1e-13 * std::max(1.0, std::log2(double(n)));
}

// max |got - ref| over the checked bins, relative to max |ref|.
double relative_error(const cd* got, const std::vector<cl>& ref,
                      const std::vector<std::size_t>& bins) {
    long double worst = 0, scale = 0;
    for (std::size_t i = 0; i < bins.size(); ++i) {
        const cl g(got[bins[i]].real(), got[bins[i]].imag());
        worst = std::max(worst, std::abs(g - ref[i]));
        scale = std::max(scale, std::abs(ref[i]));
    }
    return static_cast<double>(worst / std::max(scale, 1e-300L));
}

TEST(Fft64, BothDirectionsMatchLongDoubleDirectDft) {
    auto rng = test::seeded_rng("Fft64.BothDirectionsMatchLongDoubleDirectDft");
    double worst_ratio = 0;
    for (std::size_t n : lengths()) {
        const auto x = random_complex(n, rng);
        const auto bins = bins_to_check(n, n);
        for (bool inverse : {false, true}) {
            auto y = x;
            fft64::fft(y.data(), n, inverse);
            const double err =
                relative_error(y.data(), direct_dft(x, bins, inverse ? 1 : -1), bins);
            ASSERT_LT(err, tolerance(n)) << "n=" << n << " inverse=" << inverse;
            worst_ratio = std::max(worst_ratio, err / std::max(1.0, std::log2(double(n))));
        }
    }
    std::printf("[ accuracy ] max relative error / log2(n): %.3g\n", worst_ratio);
}

TEST(Fft64, InverseOfForwardIsNTimesTheInput) {
    auto rng = test::seeded_rng("Fft64.InverseOfForwardIsNTimesTheInput");
    for (std::size_t n : lengths()) {
        const auto x = random_complex(n, rng);
        auto y = x;
        fft64::fft(y.data(), n);
        fft64::fft(y.data(), n, true);
        double worst = 0;
        for (std::size_t j = 0; j < n; ++j)
            worst = std::max(worst, std::abs(y[j] / double(n) - x[j]));
        ASSERT_LT(worst, 2 * tolerance(n)) << "n=" << n;
    }
}

TEST(Fft64, RealTransformGivesTheFirstHalfOfTheComplexOne) {
    auto rng = test::seeded_rng("Fft64.RealTransformGivesTheFirstHalfOfTheComplexOne");
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    auto ns = lengths();
    for (std::size_t n : {4098, 8190, 16384, 1009 * 2, 3 * 1009}) ns.push_back(n);
    for (std::size_t n : ns) {
        std::vector<double> x(n);
        for (double& v : x) v = u(rng);
        // Guard cells past the n/2 + 1 bins must stay untouched.
        const cd guard(12345.0, -6789.0);
        std::vector<cd> out(n / 2 + 3, guard);
        fft64::rfft(x.data(), n, out.data());
        ASSERT_EQ(out[n / 2 + 1], guard) << "n=" << n;
        ASSERT_EQ(out[n / 2 + 2], guard) << "n=" << n;

        std::vector<cd> full(x.begin(), x.end());
        const auto bins = bins_to_check(n, n / 2 + 1);
        const double err = relative_error(out.data(), direct_dft(full, bins, -1), bins);
        ASSERT_LT(err, tolerance(n)) << "n=" << n;
        fft64::fft(full.data(), n);
        double worst = 0, scale = 0;
        for (std::size_t k = 0; k <= n / 2; ++k) {
            worst = std::max(worst, std::abs(out[k] - full[k]));
            scale = std::max(scale, std::abs(full[k]));
        }
        ASSERT_LE(worst, 2 * tolerance(n) * scale) << "n=" << n;
        // The DC bin, and the Nyquist bin of an even length, are real.
        ASSERT_EQ(out[0].imag(), 0.0);
        if (n % 2 == 0) {
            ASSERT_EQ(out[n / 2].imag(), 0.0) << "n=" << n;
        }
    }
}

// The real transform's last step in vector lanes gives the scalar loop's bits, on every
// instruction set this CPU runs, at lengths around the vector blocks and the middle bin.
TEST(Fft64, RealTransformFinishInVectorLanesIsTheScalarLoopBitForBit) {
    auto rng = test::seeded_rng("Fft64.RealTransformFinishInVectorLanesIsTheScalarLoopBitForBit");
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (std::size_t n : {2, 4, 6, 8, 10, 16, 18, 30, 32, 34, 36, 62, 64, 66, 1000, 16384}) {
        std::vector<double> x(n);
        for (double& v : x) v = u(rng);
        std::vector<cd> want(n / 2 + 1);
        simd::set_force_scalar(true);
        fft64::rfft(x.data(), n, want.data());
        simd::set_force_scalar(false);
        for (long long t : simd::available_targets()) {
            simd::restrict_target(t);
            std::vector<cd> got(n / 2 + 1);
            fft64::rfft(x.data(), n, got.data());
            EXPECT_EQ(std::memcmp(got.data(), want.data(), got.size() * sizeof(cd)), 0)
                << "n=" << n << " " << simd::target_name(t);
        }
        simd::restrict_target(0);
    }
}

// A short polynomial on a long grid: the passes that skip the zeros give rfft's values of the
// padded samples (equal numbers; zeros' signs may differ), in vector lanes and in the scalar
// code, at powers of two, mixed radix, odd and Bluestein lengths, up to their guard cells.
TEST(Fft64, PrefixTransformIsTheTransformOfThePaddedSamples) {
    auto rng = test::seeded_rng("Fft64.PrefixTransformIsTheTransformOfThePaddedSamples");
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (std::size_t n : {2, 4, 6, 8, 30, 64, 1000, 1024, 2 * 1009, 6000, 16383, 16384}) {
        for (std::size_t used : {0, 1, 2, 3, 7, 51, 52, 200, 700}) {
            if (used > n) continue;
            std::vector<double> padded(n, 0.0);
            for (std::size_t j = 0; j < used; ++j) padded[j] = u(rng);
            std::vector<cd> want(n / 2 + 1);
            fft64::rfft(padded.data(), n, want.data());
            const std::vector<double> head(padded.begin(),
                                           padded.begin() + static_cast<std::ptrdiff_t>(used));
            auto check = [&](const char* how) {
                const cd guard(12345.0, -6789.0);
                std::vector<cd> got(n / 2 + 2, guard);
                fft64::rfft_prefix(head.data(), used, n, got.data());
                ASSERT_EQ(got[n / 2 + 1], guard) << "n=" << n << " used=" << used;
                for (std::size_t k = 0; k <= n / 2; ++k)
                    ASSERT_TRUE(got[k] == want[k])
                        << how << " n=" << n << " used=" << used << " bin " << k << ": " << got[k]
                        << " vs " << want[k];
            };
            simd::set_force_scalar(true);
            check("scalar");
            simd::set_force_scalar(false);
            for (long long t : simd::available_targets()) {
                simd::restrict_target(t);
                check(simd::target_name(t));
            }
            simd::restrict_target(0);
        }
    }
}

TEST(Fft64, EveryThreadGivesTheSameBits) {
    auto rng = test::seeded_rng("Fft64.EveryThreadGivesTheSameBits");
    const std::vector<std::size_t> ns = {1000, 1009, 1001, 4096, 16384, 2310, 97, 30};
    std::vector<std::vector<cd>> inputs;
    for (std::size_t n : ns) inputs.push_back(random_complex(n, rng));
    // Complex forward, complex inverse and real transform of the same samples, per length.
    auto run = [&] {
        std::vector<std::vector<cd>> out;
        for (const auto& x : inputs) {
            auto f = x, b = x;
            fft64::fft(f.data(), f.size());
            fft64::fft(b.data(), b.size(), true);
            std::vector<double> re(x.size());
            for (std::size_t j = 0; j < x.size(); ++j) re[j] = x[j].real();
            std::vector<cd> r(x.size() / 2 + 1);
            fft64::rfft(re.data(), re.size(), r.data());
            out.push_back(f), out.push_back(b), out.push_back(r);
        }
        return out;
    };
    const auto here = run();
    const auto again = run(); // plans now cached on this thread
    std::vector<std::vector<cd>> t1, t2;
    std::thread a([&] { t1 = run(); }), b([&] { t2 = run(); });
    a.join();
    b.join();
    ASSERT_EQ(here.size(), 3 * ns.size());
    const std::vector<std::vector<cd>>* others[] = {&again, &t1, &t2};
    for (const auto* other : others) {
        ASSERT_EQ(other->size(), here.size());
        for (std::size_t i = 0; i < here.size(); ++i) {
            ASSERT_FALSE(here[i].empty());
            ASSERT_EQ((*other)[i].size(), here[i].size());
            EXPECT_EQ(std::memcmp((*other)[i].data(), here[i].data(), here[i].size() * sizeof(cd)),
                      0)
                << "result " << i;
        }
    }
}

// The real transform with its input as scratch gives rfft's bits and stays inside its bins.
// Above the cache limit (2^19 points) plans are made per call, with no real-twiddle table, and
// still give the transform: a composite length (halves of 3^12) and a prime one (Bluestein).
TEST(Fft64, ScratchInputAndPerCallPlansGiveTheSameBitsAndTheTransform) {
    auto rng = test::seeded_rng("Fft64.ScratchInputAndPerCallPlansGiveTheSameBitsAndTheTransform");
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    auto ns = lengths();
    for (std::size_t n : {std::size_t{2} * 531441, std::size_t{1048583}}) ns.push_back(n);
    for (std::size_t n : ns) {
        std::vector<double> x(n);
        for (double& v : x) v = u(rng);
        const cd guard(12345.0, -6789.0);
        std::vector<cd> kept(n / 2 + 2, guard), scratch(n / 2 + 2, guard);
        fft64::rfft(x.data(), n, kept.data());
        std::vector<double> input = x;
        fft64::rfft_scratch(input.data(), n, scratch.data());
        ASSERT_EQ(scratch[n / 2 + 1], guard) << "n=" << n;
        ASSERT_EQ(std::memcmp(kept.data(), scratch.data(), kept.size() * sizeof(cd)), 0)
            << "n=" << n;
        if (n < (std::size_t{1} << 20)) continue;
        std::vector<std::size_t> bins;
        for (std::size_t i = 0; i < 12; ++i) bins.push_back(i * (n / 2) / 11);
        const std::vector<cd> full(x.begin(), x.end());
        ASSERT_LT(relative_error(kept.data(), direct_dft(full, bins, -1), bins), tolerance(n))
            << "n=" << n;
    }
}

TEST(Fft64, NextFastLengthIsTheSmallestFiveSmoothLength) {
    auto smooth = [](std::size_t v) {
        for (std::size_t p : {2, 3, 5})
            while (v % p == 0) v /= p;
        return v == 1;
    };
    for (std::size_t n = 0; n <= 5000; ++n) {
        const std::size_t got = fft64::next_fast_length(n);
        ASSERT_TRUE(smooth(got)) << n;
        ASSERT_GE(got, std::max<std::size_t>(n, 1)) << n;
        for (std::size_t v = std::max<std::size_t>(n, 1); v < got; ++v)
            ASSERT_FALSE(smooth(v)) << n;
    }
}

} // namespace
} // namespace specest
