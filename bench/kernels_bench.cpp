// The numeric kernels and estimator routines alone (no job file, data parsing or report
// writing), each on the scalar reference path (arg 0) and the dispatched vector path (arg 1).
// Run with --benchmark_repetitions=N for medians; the label names the instruction set. CPU time
// is the process's (every thread); SPECEST_THREADS=1 keeps the kernels on one thread.
#include "blackman_tukey.h"
#include "correlation.h"
#include "estimator_context.h"
#include "estimators/estimators.h"
#include "fft.h"
#include "job_params.h"
#include "levinson.h"
#include "model_spectrum.h"
#include "periodogram.h"
#include "run_context.h"
#include "simd/dispatch.h"
#include "windows.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using specest::cfloat;
using specest::Vec1;

// A run report open in a temporary folder and a job record with the full order limit, as a
// run sets them up before calling an estimator.
class Setup {
  public:
    Setup() {
        dir_ = std::filesystem::temp_directory_path() / "specest-kernels-bench";
        std::filesystem::create_directories(dir_);
        specest::run_report().open((dir_ / "bench.out").string());
        specest::job().iflag = 0;
        specest::job().maxorder = specest::kMaxOrder;
    }
    ~Setup() { specest::run_report().close(); }
    // What a run hands its estimator: this thread's record, report and work area.
    specest::EstimatorContext<float> ctx =
        specest::estimator_context<float>(specest::run_context());

  private:
    std::filesystem::path dir_;
};

void choose_path(benchmark::State& state) {
    const bool vector = state.range(0) != 0;
    specest::simd::set_force_scalar(!vector);
    state.SetLabel(vector ? specest::simd::target_name() : "scalar");
}

// AR(4) record with two resonances (real, stored as complex), fixed seed.
std::vector<cfloat> record(int n) {
    std::mt19937_64 rng(20261207);
    std::normal_distribution<double> g;
    const double a[4] = {-1.8173, 1.9696, -1.4346, 0.6561};
    std::vector<double> x(static_cast<std::size_t>(n) + 500, 0.0);
    for (std::size_t t = 0; t < x.size(); ++t) {
        double v = g(rng);
        for (std::size_t k = 1; k <= 4 && k <= t; ++k) v -= a[k - 1] * x[t - k];
        x[t] = v;
    }
    std::vector<cfloat> out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) out[i] = {static_cast<float>(x[i + 500]), 0.0f};
    return out;
}

constexpr int kN = 16384, kNexp = 14;

void BM_Fft(benchmark::State& state) {
    choose_path(state);
    std::vector<cfloat> x = record(kN);
    for (auto& v : x) v = {v.real(), 0.5f * v.real()};
    const auto x0 = x;
    for (auto _ : state) {
        x = x0;
        specest::fft(Vec1<cfloat>(x), kNexp, 1, kN);
        benchmark::DoNotOptimize(x.data());
    }
}

void BM_Periodogram(benchmark::State& state) {
    choose_path(state);
    Setup s;
    const auto x0 = record(kN);
    std::vector<cfloat> x(kN);
    std::vector<float> w(kN), p(kN);
    for (auto _ : state) {
        x = x0;
        specest::window_weights(Vec1<float>(w), kN, "Hamming");
        specest::periodogram(s.ctx, Vec1<cfloat>(x), kN, Vec1<float>(w), kNexp, Vec1<float>(p), kN);
        benchmark::DoNotOptimize(p.data());
    }
}

void BM_BlackmanTukey(benchmark::State& state) {
    choose_path(state);
    Setup s;
    const int m = 1000;
    auto x = record(kN);
    std::vector<float> w(kN, 1.0f), p(kN);
    for (auto _ : state) {
        specest::blacktukey(s.ctx, Vec1<cfloat>(x), kN, 1, Vec1<float>(w), m, kNexp, Vec1<float>(p),
                            kN);
        benchmark::DoNotOptimize(p.data());
    }
}

void BM_Correlation1000Lags(benchmark::State& state) {
    choose_path(state);
    auto x = record(kN);
    std::vector<cfloat> r(1001);
    for (auto _ : state) {
        specest::correlation(kN, 1001, 1, Vec1<cfloat>(x), Vec1<cfloat>(x), Vec1<cfloat>(r));
        benchmark::DoNotOptimize(r.data());
    }
}

void BM_YuleWalker(benchmark::State& state) {
    choose_path(state);
    Setup s;
    int ip = static_cast<int>(state.range(1));
    auto x = record(kN);
    std::vector<cfloat> a(static_cast<std::size_t>(ip));
    float sig2 = 0;
    for (auto _ : state) {
        specest::autocorr(s.ctx, Vec1<cfloat>(x), kN, ip, Vec1<cfloat>(a), sig2, kN);
        benchmark::DoNotOptimize(sig2);
    }
}

void BM_Burg(benchmark::State& state) {
    choose_path(state);
    Setup s;
    int ip = static_cast<int>(state.range(1)), n = kN, npoints = kN;
    auto x = record(kN);
    std::vector<cfloat> a(static_cast<std::size_t>(ip));
    float sig2 = 0;
    for (auto _ : state) {
        specest::burg(s.ctx, Vec1<cfloat>(x), n, ip, Vec1<cfloat>(a), sig2, npoints);
        benchmark::DoNotOptimize(sig2);
    }
}

void BM_Covariance(benchmark::State& state) {
    choose_path(state);
    Setup s;
    int ip = 50, n = kN, mode = static_cast<int>(state.range(1)), iflag = 0;
    float eps = 1e-7f, sig2 = 0;
    auto x = record(kN);
    for (auto _ : state) {
        specest::covmcov(s.ctx, Vec1<cfloat>(x), n, ip, mode, eps, iflag, sig2);
        benchmark::DoNotOptimize(sig2);
    }
}

void BM_Mvse(benchmark::State& state) {
    choose_path(state);
    Setup s;
    int n = 4096, ip = 100, l = 4096, mode = 1, iflag = 0;
    float eps = 1e-7f;
    auto x = record(n);
    std::vector<float> p(static_cast<std::size_t>(l));
    for (auto _ : state) {
        specest::mvse(s.ctx, Vec1<cfloat>(x), n, ip, l, eps, mode, Vec1<float>(p), iflag);
        benchmark::DoNotOptimize(p.data());
    }
}

void BM_ModelSpectrum(benchmark::State& state) {
    choose_path(state);
    Setup s;
    const int ip = 50;
    std::vector<cfloat> a(ip), b(1);
    for (int k = 0; k < ip; ++k) a[k] = {0.9f / (k + 2), 0.1f / (k + 1)};
    std::vector<float> p(kN);
    for (auto _ : state) {
        specest::armapsd(s.ctx, ip, 0, Vec1<cfloat>(a), Vec1<cfloat>(b), 1.0f, kNexp,
                         Vec1<float>(p), kN);
        benchmark::DoNotOptimize(p.data());
    }
}

// One step of a float accumulator (add in double, round to float, widen for the next add),
// 4096 dependent steps per iteration: the floor under any sum that keeps its order, such as
// Burg's reflection sums (one such chain per sample and order).
void BM_FloatChainStep(benchmark::State& state) {
    std::vector<double> t(4096);
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = 1e-3 * static_cast<double>(i % 997) - 0.5;
    float s = 0.0f;
    for (auto _ : state) {
        for (const double v : t) s = static_cast<float>(s + v);
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(t.size()));
}

BENCHMARK(BM_Fft)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_Periodogram)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_Correlation1000Lags)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_BlackmanTukey)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_YuleWalker)
    ->Args({0, 50})
    ->Args({1, 50})
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_Burg)->Args({0, 50})->Args({1, 50})->Args({0, 210})->Args({1, 210})->Unit(
    benchmark::kMillisecond);
// second arg: 0 covariance, 1 modified covariance
BENCHMARK(BM_Covariance)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_Mvse)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_FloatChainStep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ModelSpectrum)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace
