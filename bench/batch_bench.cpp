// A (64, 16384) batch of Burg p = 30 in the modern profile: the batch on the engine's threads,
// the same batch on one thread, and a loop of one-record calls; and the path of the C entry
// (lumetra.psd): the densities alone into rows the caller allocated once.
#include "batch.h"
#include "engine_api.h"
#include "modern_estimate.h"
#include "simd/parallel.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <vector>

namespace {

constexpr int kRecords = 64;
constexpr int kLength = 16384;

const std::vector<double>& records() {
    static const std::vector<double> x = [] {
        std::mt19937_64 rng(64);
        std::normal_distribution<double> g(0, 1);
        std::vector<double> v(static_cast<std::size_t>(kRecords) * kLength);
        for (auto& s : v) s = g(rng);
        return v;
    }();
    return x;
}

specest::ModernParams burg30() {
    specest::ModernParams p;
    p.method = 2; // Burg
    p.order = 30;
    return p;
}

// The least of the repetitions: on a shared machine the one least disturbed by other loads.
double least(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

void set_records_per_second(benchmark::State& state) {
    state.counters["records/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kRecords, benchmark::Counter::kIsRate);
}

void run_batch(benchmark::State& state, int threads) {
    const int before = specest::simd::max_threads();
    if (threads > 0) specest::simd::set_max_threads(threads);
    specest::Samples64 s;
    s.real = records();
    for (auto _ : state) {
        auto b = specest::estimate_batch(burg30(), s, kRecords);
        benchmark::DoNotOptimize(b.psd.data());
        if (b.failed) state.SkipWithError("a record failed");
    }
    specest::simd::set_max_threads(before);
    set_records_per_second(state);
}

void BM_BatchBurg30(benchmark::State& state) {
    run_batch(state, 0);
}
BENCHMARK(BM_BatchBurg30)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", least);

void BM_BatchBurg30OneThread(benchmark::State& state) {
    run_batch(state, 1);
}
BENCHMARK(BM_BatchBurg30OneThread)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", least);

void BM_LoopBurg30(benchmark::State& state) {
    const auto& x = records();
    for (auto _ : state) {
        for (int r = 0; r < kRecords; ++r) {
            specest::Samples64 s;
            s.real =
                std::span<const double>(x).subspan(static_cast<std::size_t>(r) * kLength, kLength);
            auto e = specest::estimate(burg30(), s);
            benchmark::DoNotOptimize(e.psd.data());
        }
    }
    set_records_per_second(state);
}
BENCHMARK(BM_LoopBurg30)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", least);

// What specest_estimate_batch64 does for psd(): each record's densities straight into its row
// of the caller's array, on the batch threads.
void run_rows(benchmark::State& state, int threads) {
    const int before = specest::simd::max_threads();
    if (threads > 0) specest::simd::set_max_threads(threads);
    const auto& x = records();
    constexpr std::size_t nf = 16384 / 2 + 1;
    std::vector<double> psd(nf * kRecords), freqs(nf);
    specest::EstimateOptions density;
    density.want_db = false;
    density.want_peaks = false;
    const specest::ModernParams p = burg30();
    for (auto _ : state) {
        const int parts = specest::batch::parts_for_records(
            kRecords, specest::batch::record_work(kLength, p.order));
        std::atomic<int> failed{0};
        specest::batch::for_each_record(kRecords, parts, [&](int, int r) {
            specest::Samples64 s;
            s.real =
                std::span<const double>(x).subspan(static_cast<std::size_t>(r) * kLength, kLength);
            specest::ModernGridArrays g;
            g.freqs = r == 0 ? freqs.data() : nullptr;
            g.psd = psd.data() + static_cast<std::size_t>(r) * nf;
            g.cap = nf;
            if (specest::estimate_into(p, s, density, g).status != specest::EstimateStatus::success)
                ++failed;
        });
        benchmark::DoNotOptimize(psd.data());
        if (failed) state.SkipWithError("a record failed");
    }
    specest::simd::set_max_threads(before);
    set_records_per_second(state);
}

void BM_BatchRowsBurg30(benchmark::State& state) {
    run_rows(state, 0);
}
BENCHMARK(BM_BatchRowsBurg30)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", least);

void BM_BatchRowsBurg30OneThread(benchmark::State& state) {
    run_rows(state, 1);
}
BENCHMARK(BM_BatchRowsBurg30OneThread)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", least);

// A loop of one-record calls asking for the densities alone, as the 1-D psd() does.
void BM_LoopDensityBurg30(benchmark::State& state) {
    const auto& x = records();
    specest::EstimateOptions density;
    density.want_db = false;
    density.want_peaks = false;
    for (auto _ : state) {
        for (int r = 0; r < kRecords; ++r) {
            specest::Samples64 s;
            s.real =
                std::span<const double>(x).subspan(static_cast<std::size_t>(r) * kLength, kLength);
            auto e = specest::estimate(burg30(), s, density);
            benchmark::DoNotOptimize(e.psd.data());
        }
    }
    set_records_per_second(state);
}
BENCHMARK(BM_LoopDensityBurg30)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", least);

} // namespace
