// Whole runs (no pause, report written) of the Burg, covariance, modified covariance, RMLE,
// Lockheed and minimum-variance estimators. Args: samples, frequency points, order(s).
#include "bench_job.h"
#include "engine_api.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace record = bench::record;

// A run folder holding one job and its data, removed when the benchmark ends.
class RunFolder {
  public:
    RunFolder(record::Method method, int samples, int npoints, int npoles, int nzeros, int l_pts,
              const char* mode) {
        dir_ = fs::temp_directory_path() /
               ("specest-bench-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        fs::create_directories(dir_);
        // AR(4) record with two resonances, fixed seed
        std::mt19937_64 rng(20261207);
        std::normal_distribution<double> g;
        const double a[4] = {-1.8173, 1.9696, -1.4346, 0.6561};
        std::vector<double> x(static_cast<std::size_t>(samples) + 500, 0.0);
        for (std::size_t t = 0; t < x.size(); ++t) {
            double v = g(rng);
            for (int k = 1; k <= 4 && static_cast<std::size_t>(k) <= t; ++k)
                v -= a[k - 1] * x[t - k];
            x[t] = v;
        }
        std::ofstream data(dir_ / "data.txt", std::ios::binary);
        char buf[64];
        for (int i = 0; i < samples; ++i) {
            std::snprintf(buf, sizeof buf, "%d %.9g\n", i, x[static_cast<std::size_t>(i) + 500]);
            data << buf;
        }
        using record::Field;
        auto value = [](int v) {
            return v < 0 ? std::string(record::kNotApplicable) : std::to_string(v);
        };
        bench::BenchJob(method)
            .set(Field::npoints, npoints)
            .set(Field::npoles, value(npoles))
            .set(Field::nzeros, value(nzeros))
            .set(Field::eps, "1.0E-7")
            .set(Field::mode, mode)
            .set(Field::l_pts, value(l_pts))
            .write(dir_ / "job.0");
        data.close();
        const int cap = specest::required_capacity((dir_ / "job.0").string());
        xs_.assign(static_cast<std::size_t>(cap), 0.0f);
        spec_.assign(xs_.size(), 0.0f);
    }
    ~RunFolder() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // Empty when the run succeeded, else what went wrong.
    std::string run() {
        specest::RunOptions opt;
        opt.report_dir = dir_.string();
        opt.pause_after_peaks = false;
        const auto r = specest::run_job((dir_ / "job.0").string(), xs_, spec_, opt);
        if (r.status == specest::RunStatus::success) return {};
        return r.stop_text.empty() ? "estimator failure, see " + r.report_path : r.stop_text;
    }

  private:
    static inline int counter_ = 0;
    fs::path dir_;
    std::vector<float> xs_, spec_;
};

void whole_run(benchmark::State& state, RunFolder& folder) {
    for (auto _ : state) {
        const std::string problem = folder.run();
        if (!problem.empty()) {
            state.SkipWithError(problem.c_str());
            break;
        }
    }
}

void BM_Burg(benchmark::State& state) {
    RunFolder f(record::Method::burg, static_cast<int>(state.range(0)),
                static_cast<int>(state.range(1)), static_cast<int>(state.range(2)), -1, -1, "-999");
    whole_run(state, f);
}
// order 1: the fixed cost of a whole run (data, model evaluation, report, peaks)
BENCHMARK(BM_Burg)
    ->Args({16384, 16384, 1})
    ->Args({16384, 16384, 210})
    ->Args({8192, 16384, 210})
    ->Args({16384, 16384, 105})
    ->Unit(benchmark::kMillisecond);

void BM_Covariance(benchmark::State& state) {
    RunFolder f(record::Method::covariance, static_cast<int>(state.range(0)),
                static_cast<int>(state.range(1)), static_cast<int>(state.range(2)), -1, -1, "-999");
    whole_run(state, f);
}
BENCHMARK(BM_Covariance)
    ->Args({16384, 16384, 50})
    ->Args({8192, 16384, 50})
    ->Args({16384, 16384, 25})
    ->Unit(benchmark::kMillisecond);

void BM_ModifiedCovariance(benchmark::State& state) {
    RunFolder f(record::Method::modified_covariance, static_cast<int>(state.range(0)),
                static_cast<int>(state.range(1)), static_cast<int>(state.range(2)), -1, -1, "-999");
    whole_run(state, f);
}
BENCHMARK(BM_ModifiedCovariance)
    ->Args({16384, 16384, 50})
    ->Args({8192, 16384, 50})
    ->Args({16384, 16384, 25})
    ->Unit(benchmark::kMillisecond);

void BM_Rmle(benchmark::State& state) {
    RunFolder f(record::Method::rmle, static_cast<int>(state.range(0)),
                static_cast<int>(state.range(1)), static_cast<int>(state.range(2)), -1, -1, "-999");
    whole_run(state, f);
}
BENCHMARK(BM_Rmle)
    ->Args({16384, 16384, 50})
    ->Args({8192, 16384, 50})
    ->Args({16384, 16384, 25})
    ->Unit(benchmark::kMillisecond);

void BM_Lockheed(benchmark::State& state) {
    RunFolder f(record::Method::lockheed, static_cast<int>(state.range(0)),
                static_cast<int>(state.range(1)), static_cast<int>(state.range(2)),
                static_cast<int>(state.range(2)), -1, "-999");
    whole_run(state, f);
}
BENCHMARK(BM_Lockheed)
    ->Args({16384, 16384, 50})
    ->Args({8192, 16384, 50})
    ->Args({16384, 16384, 25})
    ->Unit(benchmark::kMillisecond);

// Args: samples, l_pts, order (nPoints = l_pts)
void BM_Mvse(benchmark::State& state) {
    RunFolder f(record::Method::mvse, static_cast<int>(state.range(0)),
                static_cast<int>(state.range(1)), static_cast<int>(state.range(2)), -1,
                static_cast<int>(state.range(1)), "1");
    whole_run(state, f);
}
BENCHMARK(BM_Mvse)
    ->Args({4096, 4096, 100})
    ->Args({2048, 4096, 100})
    ->Args({4096, 4096, 50})
    ->Args({4096, 2048, 100})
    ->Unit(benchmark::kMillisecond);

} // namespace
