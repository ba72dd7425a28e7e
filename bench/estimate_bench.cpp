// The in-memory path (no files, no report) for the cases the job-file benchmarks time, the
// throughput of runs on one and on two threads, and the parts a job-file run adds: reading the
// data file, writing the report, the whole run from the job file.
#include "bench_job.h"
#include "data_records.h"
#include "engine_api.h"
#include "report.h"
#include "specest/job_record.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
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
// Process CPU time: threads a kernel starts count too.
BENCHMARK(BM_EstimatePeriodogram)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

namespace fs = std::filesystem;

// A folder with record16k() as a two-column data file ("i value", 8 significant digits).
const fs::path& file_dir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / "specest-estimate-bench";
        fs::create_directories(d);
        std::ofstream out(d / "data.txt", std::ios::binary);
        char buf[64];
        const auto& x = record16k();
        for (std::size_t i = 0; i < x.size(); ++i) {
            std::snprintf(buf, sizeof buf, "%zu %.8g\n", i, static_cast<double>(x[i]));
            out << buf;
        }
        return d;
    }();
    return dir;
}

// Reading the 16384-line data file as a job-file run does: the count, then the records.
void BM_ReadDataFile(benchmark::State& state) {
    const std::string path = (file_dir() / "data.txt").string();
    specest::JobParams jp;
    std::vector<float> x(16384), y(16384);
    std::vector<specest::cfloat> amp(16384);
    specest::TextFile data;
    specest::KeptTimes times;
    for (auto _ : state) {
        if (!data.open(path)) state.SkipWithError(data.error().c_str());
        const int n = specest::count_records(data, 0, std::numeric_limits<int>::max(), times);
        const auto s =
            specest::read_records(data, jp, n, times, specest::Vec1<float>(x),
                                  specest::Vec1<float>(y), specest::Vec1<specest::cfloat>(amp));
        if (s.count != 16384) state.SkipWithError("short read");
        benchmark::DoNotOptimize(y.data());
        data.close();
    }
}
BENCHMARK(BM_ReadDataFile)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The report's spectrum listing of a 16384-point run (8192 one-sided points, 16383 two-sided),
// written to a file and put in place.
void BM_WriteReportSpectrum(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<float> f(static_cast<std::size_t>(n)), db(f.size());
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-100.0f, 0.0f);
    for (int i = 0; i < n; ++i) {
        f[static_cast<std::size_t>(i)] = static_cast<float>(i) / 16384.0f;
        db[static_cast<std::size_t>(i)] = u(rng);
    }
    const std::string path = (file_dir() / "~Lumetra.out").string();
    for (auto _ : state) {
        specest::Report r;
        if (!r.open(path)) state.SkipWithError(r.error().c_str());
        specest::list_spectrum(r, f.data(), db.data(), n);
        r.close();
        if (!r.ok()) state.SkipWithError(r.error().c_str());
    }
}
BENCHMARK(BM_WriteReportSpectrum)
    ->Arg(8192)
    ->Arg(16383)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The whole run from a job file (report included), the same case as BM_EstimatePeriodogram.
void BM_EstimateFilePeriodogram(benchmark::State& state) {
    using bench::record::Field;
    const fs::path job = file_dir() / "per.0";
    bench::BenchJob(Method::periodogram)
        .set(Field::npoints, 16384)
        .set(Field::window, "Hamming")
        .write(job);
    std::vector<float> x(16384), db(16384);
    specest::RunOptions opt{file_dir().string(), false};
    for (auto _ : state) {
        const auto r = specest::run_job(job.string(), x, db, opt);
        if (r.status != specest::RunStatus::success) state.SkipWithError(r.stop_text.c_str());
        benchmark::DoNotOptimize(db.data());
    }
}
BENCHMARK(BM_EstimateFilePeriodogram)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_EstimateBlackmanTukey(benchmark::State& state) {
    auto p = params(Method::blackman_tukey, 16384);
    p.mode = 1;
    p.m_lags = 1000;
    run(state, p, 16384);
}
BENCHMARK(BM_EstimateBlackmanTukey)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_EstimateYuleWalker(benchmark::State& state) {
    auto p = params(Method::yule_walker, 16384);
    p.npoles = static_cast<int>(state.range(0));
    run(state, p, 16384);
}
BENCHMARK(BM_EstimateYuleWalker)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_EstimateBurg(benchmark::State& state) {
    auto p = params(Method::burg, 16384);
    p.npoles = static_cast<int>(state.range(0));
    run(state, p, 16384);
}
BENCHMARK(BM_EstimateBurg)
    ->Arg(50)
    ->Arg(210)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_EstimateCovariance(benchmark::State& state) {
    auto p = params(state.range(0) == 0 ? Method::covariance : Method::modified_covariance, 16384);
    p.npoles = 50;
    p.eps = 1e-7f;
    run(state, p, 16384);
}
// 0: covariance, 1: modified covariance
BENCHMARK(BM_EstimateCovariance)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_EstimateMvse(benchmark::State& state) {
    auto p = params(Method::mvse, 4096);
    p.npoles = 100;
    p.mode = 0;
    p.l_pts = 4096;
    p.eps = 1e-7f;
    run(state, p, 4096);
}
BENCHMARK(BM_EstimateMvse)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

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
