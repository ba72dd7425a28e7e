// FFT and whole runs of the non-parametric methods and Yule-Walker (no pause, report included).
#include "bench_job.h"
#include "engine_api.h"
#include "fft.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void BM_Fft(benchmark::State& state) {
    const int nexp = static_cast<int>(state.range(0));
    const int n = 1 << nexp;
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> u(-1, 1);
    std::vector<specest::cfloat> x(static_cast<std::size_t>(n));
    for (auto& v : x) v = {u(rng), u(rng)};
    for (auto _ : state) {
        specest::fft(specest::Vec1<specest::cfloat>(x), nexp, 1, n);
        benchmark::DoNotOptimize(x.data());
    }
    state.SetLabel("N=" + std::to_string(n));
}
BENCHMARK(BM_Fft)->DenseRange(10, 16)->Unit(benchmark::kMicrosecond);

// A folder with a 16384-sample real record and one job per case, made once.
const fs::path& bench_dir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / "specest-engine-bench";
        fs::create_directories(d);
        std::mt19937_64 rng(7);
        std::normal_distribution<double> g(0, 1);
        std::ofstream out(d / "data.txt");
        char buf[64];
        for (int i = 0; i < 16384; ++i) {
            const double v =
                std::cos(0.2 * 2 * M_PI * i) + 0.5 * std::cos(0.31 * 2 * M_PI * i) + g(rng);
            std::snprintf(buf, sizeof buf, "%d %.8g\n", i, v);
            out << buf;
        }
        return d;
    }();
    return dir;
}

std::string write_job(const std::string& name, bench::record::Method method, int npoles, int m_lags,
                      const std::string& window) {
    using bench::record::Field;
    const fs::path p = bench_dir() / name;
    bench::BenchJob(method)
        .set(Field::npoints, 16384)
        .set(Field::npoles, npoles)
        .set(Field::mode, 1)
        .set(Field::m_lags, m_lags)
        .set(Field::window, window)
        .write(p);
    return p.string();
}

void whole_run(benchmark::State& state, const std::string& job) {
    std::vector<float> x(16384), s(16384);
    specest::RunOptions opt{bench_dir().string(), false};
    for (auto _ : state) {
        auto r = specest::run_job(job, x, s, opt);
        if (r.status != specest::RunStatus::success) state.SkipWithError(r.stop_text.c_str());
        benchmark::DoNotOptimize(s.data());
    }
}

void BM_RunPeriodogram(benchmark::State& state) {
    whole_run(state, write_job("per.0", bench::record::Method::periodogram, 0, 0, "Hamming"));
}
void BM_RunBlackmanTukey(benchmark::State& state) {
    whole_run(state, write_job("bt.0", bench::record::Method::blackman_tukey, 0, 1000, ""));
}
void BM_RunYuleWalker(benchmark::State& state) {
    const int p = static_cast<int>(state.range(0));
    whole_run(state, write_job("yw" + std::to_string(p) + ".0", bench::record::Method::yule_walker,
                               p, 0, ""));
}
BENCHMARK(BM_RunPeriodogram)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunBlackmanTukey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunYuleWalker)->Arg(50)->Arg(210)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
