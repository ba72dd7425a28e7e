// The in-memory path (no files, no report) for the cases the job-file benchmarks time, and the
// throughput of runs on one and on two threads.
#include "specest/job_record.hpp"
#include "specest/specest.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using specest::record::Method;

// 16384 samples of two lines in white noise, the record the job-file benchmarks read.
const std::vector<float>& record16k() {
    static const std::vector<float> x = [] {
        std::mt19937_64 rng(7);
        std::normal_distribution<double> g(0, 1);
        std::vector<float> v(16384);
        for (std::size_t i = 0; i < v.size(); ++i) {
            const double t = static_cast<double>(i);
            v[i] = static_cast<float>(std::cos(0.2 * 2 * M_PI * t) +
                                      0.5 * std::cos(0.31 * 2 * M_PI * t) + g(rng));
        }
        return v;
    }();
    return x;
}

specest::EstimateParams params(Method m, int npoints) {
    specest::EstimateParams p;
    p.method = static_cast<int>(m);
    p.npoints = npoints;
    return p;
}

void run(benchmark::State& state, const specest::EstimateParams& p, std::size_t n) {
    specest::Samples s;
    s.real = std::span<const float>(record16k()).subspan(0, n);
    for (auto _ : state) {
        const specest::Estimate e = specest::estimate(p, s);
        if (e.status != specest::EstimateStatus::success) state.SkipWithError(e.message.c_str());
        benchmark::DoNotOptimize(e.db.data());
    }
}

void BM_EstimatePeriodogram(benchmark::State& state) {
    auto p = params(Method::periodogram, 16384);
    p.window = "Hamming";
    run(state, p, 16384);
}
BENCHMARK(BM_EstimatePeriodogram)->Unit(benchmark::kMillisecond);

void BM_EstimateBlackmanTukey(benchmark::State& state) {
    auto p = params(Method::blackman_tukey, 16384);
    p.mode = 1;
    p.m_lags = 1000;
    run(state, p, 16384);
}
BENCHMARK(BM_EstimateBlackmanTukey)->Unit(benchmark::kMillisecond);

void BM_EstimateYuleWalker(benchmark::State& state) {
    auto p = params(Method::yule_walker, 16384);
    p.npoles = static_cast<int>(state.range(0));
    run(state, p, 16384);
}
BENCHMARK(BM_EstimateYuleWalker)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_EstimateBurg(benchmark::State& state) {
    auto p = params(Method::burg, 16384);
    p.npoles = static_cast<int>(state.range(0));
    run(state, p, 16384);
}
BENCHMARK(BM_EstimateBurg)->Arg(50)->Arg(210)->Unit(benchmark::kMillisecond);

void BM_EstimateCovariance(benchmark::State& state) {
    auto p = params(state.range(0) == 0 ? Method::covariance : Method::modified_covariance, 16384);
    p.npoles = 50;
    p.eps = 1e-7f;
    run(state, p, 16384);
}
// 0: covariance, 1: modified covariance
BENCHMARK(BM_EstimateCovariance)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_EstimateMvse(benchmark::State& state) {
    auto p = params(Method::mvse, 4096);
    p.npoles = 100;
    p.mode = 0;
    p.l_pts = 4096;
    p.eps = 1e-7f;
    run(state, p, 4096);
}
BENCHMARK(BM_EstimateMvse)->Unit(benchmark::kMillisecond);

// Burg p = 50 on 4096 samples, each thread its own runs: items per second is the throughput.
void BM_EstimateThroughput(benchmark::State& state) {
    auto p = params(Method::burg, 4096);
    p.npoles = 50;
    run(state, p, 4096);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EstimateThroughput)
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
