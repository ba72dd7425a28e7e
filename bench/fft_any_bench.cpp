// The any-length double FFT alone: the real transform of the periodogram's usual length and
// complex transforms of smooth, prime (Bluestein) and power-of-two lengths. Plans are cached
// on the first call, so each figure is the steady-state transform.
#include "fft_any.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <complex>
#include <random>
#include <vector>

namespace {

void BM_Fft64Real(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> x(n);
    for (double& v : x) v = u(rng);
    std::vector<std::complex<double>> out(n / 2 + 1);
    for (auto _ : state) {
        specest::fft64::rfft(x.data(), n, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Fft64Real)->Arg(16384)->Arg(16383)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_Fft64Complex(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::mt19937_64 rng(2);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<std::complex<double>> src(n), x(n);
    for (auto& v : src) v = {u(rng), u(rng)};
    // A fresh copy each time keeps the values bounded; the copy is a few percent of the time.
    for (auto _ : state) {
        std::copy(src.begin(), src.end(), x.begin());
        specest::fft64::fft(x.data(), n);
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Fft64Complex)
    ->Arg(1000)
    ->Arg(1009)
    ->Arg(8192)
    ->Arg(16384)
    ->Unit(benchmark::kMicrosecond);

} // namespace
