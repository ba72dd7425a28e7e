// The modern profile's double-precision kernels alone, and the whole modern estimate of the
// cases bench/peers.py times against scipy and statsmodels (16384 real samples, order 50, dB
// values and peaks included). SPECEST_THREADS=1 keeps the kernels on one thread.
#include "correlation.h"
#include "engine_api.h"
#include "fft_any.h"
#include "simd/burg64_kernels.h"
#include "simd/dispatch.h"
#include "simd/lags64_kernels.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// Two lines in white noise, as in bench/peers.py.
const std::vector<double>& record16k() {
    static const std::vector<double> x = [] {
        std::mt19937_64 rng(7);
        std::normal_distribution<double> g(0, 1);
        std::vector<double> v(16384);
        for (std::size_t i = 0; i < v.size(); ++i) {
            const double t = static_cast<double>(i);
            v[i] = std::cos(0.2 * 2 * M_PI * t) + 0.5 * std::cos(0.31 * 2 * M_PI * t) + g(rng);
        }
        return v;
    }();
    return x;
}

// One order of Burg's recursion on 16384 pairs (arg 1: complex), the step run up and down
// with w and its inverse effect kept small so the values stay bounded.
void BM_Burg64Order(benchmark::State& state) {
    const bool complex = state.range(0) != 0;
    const auto shift = static_cast<std::size_t>(state.range(1)); // doubles past a 64-byte line
    const std::size_t s = complex ? 2 : 1, count = 16384, stride = s * count + 64;
    std::vector<double> buf(2 * stride + 8);
    const auto base = reinterpret_cast<std::uintptr_t>(buf.data());
    double* f = buf.data() + ((64 - base % 64) % 64) / 8 + shift;
    double* g = f + stride;
    const auto& x = record16k();
    for (std::size_t i = 0; i < s * count; ++i) {
        f[i] = x[(i + 1) % x.size()];
        g[i] = x[i % x.size()];
    }
    double sums[3];
    for (auto _ : state) {
        specest::simd::burg64_step(f, g, count, complex, 1e-9, 1e-9, sums);
        benchmark::DoNotOptimize(sums);
        benchmark::ClobberMemory();
    }
    state.SetLabel(specest::simd::target_name());
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(count));
}
BENCHMARK(BM_Burg64Order)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

// The lags of a real record of 16384 samples: direct sums in vector lanes (arg 1: 0), or two
// real transforms of the padded record (arg 1: 1), whose cost hardly depends on the lags. The
// crossing sets kFftCostPerLog in engine/correlation.cpp.
void BM_RealLags(benchmark::State& state) {
    const auto lags = static_cast<std::size_t>(state.range(0));
    const bool fft = state.range(1) != 0;
    const auto& x = record16k();
    const std::size_t n = x.size(), m = 2 * specest::fft64::next_fast_length((n + lags + 1) / 2);
    std::vector<double> s(lags), v(m);
    std::vector<std::complex<double>> spec(m / 2 + 1);
    for (auto _ : state) {
        if (!fft) {
            specest::simd::real_lag_sums(x.data(), n, 0, lags, 0.0, s.data());
        } else {
            std::copy(x.begin(), x.end(), v.begin());
            std::fill(v.begin() + static_cast<std::ptrdiff_t>(n), v.end(), 0.0);
            specest::fft64::rfft(v.data(), m, spec.data());
            for (std::size_t k = 0; k <= m / 2; ++k) {
                v[k] = std::norm(spec[k]);
                if (k > 0 && k < m - k) v[m - k] = v[k];
            }
            specest::fft64::rfft(v.data(), m, spec.data());
            for (std::size_t k = 0; k < lags; ++k) s[k] = spec[k].real() / static_cast<double>(m);
        }
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(BM_RealLags)
    ->ArgsProduct({{51, 100, 135, 200, 400}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();

specest::ModernEstimate modern(int method, int order) {
    specest::ModernParams p;
    p.method = method;
    p.order = order;
    specest::Samples64 s;
    s.real = record16k();
    return specest::estimate(p, s);
}

void run_modern(benchmark::State& state, int method) {
    const int order = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const auto e = modern(method, order);
        if (e.status != specest::EstimateStatus::success) state.SkipWithError(e.message.c_str());
        benchmark::DoNotOptimize(e.psd.data());
    }
}

void BM_ModernBurg(benchmark::State& state) {
    run_modern(state, 2);
}
BENCHMARK(BM_ModernBurg)->Arg(1)->Arg(50)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_ModernYuleWalker(benchmark::State& state) {
    run_modern(state, 1);
}
BENCHMARK(BM_ModernYuleWalker)
    ->Arg(1)
    ->Arg(50)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();

} // namespace
