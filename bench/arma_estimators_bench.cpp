// Whole runs (no pause, report written) of the Durbin, MYWE, LSMYWE, Akaike and Mayne-Firoozan
// estimators on a real ARMA(4,2) record with ten sinusoids. Args: samples, frequency points, then
// the orders.
#include "bench_job.h"
#include "engine_api.h"
#include "estimators/estimators.h"
#include "estimators/mayne_firoozan.h"
#include "run_context.h"

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

struct Orders {
    int npoles = -999, nzeros = -999, m_eqs = -999, l_pts = -999, nit = -999;
    const char* per = "-999";
};

// Coefficients 1..2m of the real polynomial with roots r e^(+-2 pi i f) for each f.
std::vector<double> real_polynomial(double r, const std::vector<double>& freqs) {
    std::vector<double> c = {1.0};
    for (double f : freqs) {
        const double q1 = -2.0 * r * std::cos(6.283185307179586 * f), q2 = r * r;
        std::vector<double> next(c.size() + 2, 0.0);
        for (std::size_t i = 0; i < c.size(); ++i) {
            next[i] += c[i];
            next[i + 1] += q1 * c[i];
            next[i + 2] += q2 * c[i];
        }
        c = next;
    }
    return std::vector<double>(c.begin() + 1, c.end());
}

// A folder holding one job and its data, removed at the end of the benchmark.
class ArmaRunFolder {
  public:
    ArmaRunFolder(record::Method method, int samples, int npoints, const Orders& o, int sinusoids) {
        static int counter = 0;
        dir_ = fs::temp_directory_path() /
               ("specest-bench3-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(dir_);
        std::mt19937_64 rng(20261207);
        std::normal_distribution<double> g;
        // sinusoids < 0: an ARMA(10,10) record with poles at radius 0.9 and zeros at radius 0.5.
        std::vector<double> a = {-1.8173, 1.9696, -1.4346, 0.6561}, b = {0.4, -0.2};
        if (sinusoids < 0) {
            a = real_polynomial(0.9, {0.05, 0.12, 0.2, 0.3, 0.4});
            b = real_polynomial(0.5, {0.08, 0.16, 0.25, 0.35, 0.45});
        }
        const std::size_t warm = 500;
        std::vector<double> x(static_cast<std::size_t>(samples) + warm), e(x.size());
        for (std::size_t t = 0; t < x.size(); ++t) {
            e[t] = g(rng);
            double v = e[t];
            for (std::size_t k = 1; k <= a.size() && k <= t; ++k) v -= a[k - 1] * x[t - k];
            for (std::size_t k = 1; k <= b.size() && k <= t; ++k) v += b[k - 1] * e[t - k];
            x[t] = v;
        }
        // Sinusoids on top, so that models of many poles are well determined.
        std::uniform_real_distribution<double> phase(0.0, 6.283185307179586);
        for (int k = 1; k <= sinusoids; ++k) {
            const double f = 0.043 * k, p = phase(rng);
            for (std::size_t t = 0; t < x.size(); ++t)
                x[t] += 3.0 * std::cos(6.283185307179586 * f * static_cast<double>(t) + p);
        }
        std::ofstream data(dir_ / "data.txt", std::ios::binary);
        char buf[64];
        for (int i = 0; i < samples; ++i) {
            std::snprintf(buf, sizeof buf, "%d %.9g\n", i, x[static_cast<std::size_t>(i) + warm]);
            data << buf;
        }
        using record::Field;
        bench::BenchJob(method)
            .set(Field::npoints, npoints)
            .set(Field::npoles, o.npoles)
            .set(Field::nzeros, o.nzeros)
            .set(Field::eps, "1.0E-7")
            .set(Field::m_eqs, o.m_eqs)
            .set(Field::l_pts, o.l_pts)
            .set(Field::nit, o.nit)
            .set(Field::per, o.per)
            .write(dir_ / "job.txt");
        x_.resize(static_cast<std::size_t>(npoints));
        y_.resize(static_cast<std::size_t>(npoints));
    }
    ~ArmaRunFolder() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    specest::RunResult run() {
        return specest::run_job((dir_ / "job.txt").string(), x_, y_, {dir_.string(), false});
    }

  private:
    fs::path dir_;
    std::vector<float> x_, y_;
};

void run_loop(benchmark::State& state, record::Method method, const Orders& o, int sinusoids = 10,
              specest::RunStatus expected = specest::RunStatus::success,
              const std::string& must_report = "") {
    ArmaRunFolder folder(method, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                         o, sinusoids);
    specest::RunResult r;
    for (auto _ : state) {
        r = folder.run();
        benchmark::DoNotOptimize(r.sig2);
    }
    std::ifstream in(r.report_path);
    std::string line;
    bool found = must_report.empty();
    std::string flags;
    while (std::getline(in, line)) {
        if (!found && line.find(must_report) != std::string::npos) found = true;
        if (line.find("FLAG") != std::string::npos || line.find("min-phase") != std::string::npos)
            flags += line + ";";
    }
    if (r.status != expected || !found)
        state.SkipWithError(("run did not end as expected: " + r.stop_text + flags).c_str());
}

// samples, npoints, nzeros, L
void BM_Durbin(benchmark::State& state) {
    Orders o;
    o.nzeros = static_cast<int>(state.range(2));
    o.l_pts = static_cast<int>(state.range(3));
    run_loop(state, record::Method::durbin, o);
}
BENCHMARK(BM_Durbin)
    ->Args({16384, 16384, 20, 400})
    ->Args({8192, 8192, 20, 400})
    ->Args({16384, 16384, 20, 200})
    ->Unit(benchmark::kMillisecond);

// samples, npoints, npoles, nzeros, L
void BM_MayneFiroozan(benchmark::State& state) {
    Orders o;
    o.npoles = static_cast<int>(state.range(2));
    o.nzeros = static_cast<int>(state.range(3));
    o.l_pts = static_cast<int>(state.range(4));
    run_loop(state, record::Method::mayne_firoozan, o);
}
BENCHMARK(BM_MayneFiroozan)
    ->Args({16384, 16384, 10, 10, 100})
    ->Args({8192, 8192, 10, 10, 100})
    ->Args({16384, 16384, 20, 20, 100})
    ->Unit(benchmark::kMillisecond);

// samples, npoints, npoles, nzeros (the Durbin stage uses L = samples / 5)
void BM_Mywe(benchmark::State& state) {
    Orders o;
    o.npoles = static_cast<int>(state.range(2));
    o.nzeros = static_cast<int>(state.range(3));
    run_loop(state, record::Method::mywe, o);
}
BENCHMARK(BM_Mywe)
    ->Args({2000, 2048, 20, 20})
    ->Args({1000, 1024, 20, 20})
    ->Args({2000, 2048, 40, 40})
    ->Unit(benchmark::kMillisecond);

// samples, npoints, npoles, nzeros, M
void BM_Lsmywe(benchmark::State& state) {
    Orders o;
    o.npoles = static_cast<int>(state.range(2));
    o.nzeros = static_cast<int>(state.range(3));
    o.m_eqs = static_cast<int>(state.range(4));
    run_loop(state, record::Method::lsmywe, o);
}
BENCHMARK(BM_Lsmywe)
    ->Args({2000, 2048, 20, 20, 200})
    ->Args({1000, 1024, 20, 20, 200})
    ->Args({2000, 2048, 20, 20, 1000})
    ->Unit(benchmark::kMillisecond);

// samples, npoints, npoles, nzeros, M, nit, sinusoids (-1: ARMA(10,10) record), full
void BM_Akaike(benchmark::State& state) {
    Orders o;
    o.npoles = static_cast<int>(state.range(2));
    o.nzeros = static_cast<int>(state.range(3));
    o.m_eqs = static_cast<int>(state.range(4));
    o.nit = static_cast<int>(state.range(5));
    // full: per 0, so that all nit iterations run (status 2, no spectrum)
    const bool full = state.range(7) != 0;
    o.per = full ? "0.0" : "0.01";
    run_loop(state, record::Method::akaike, o, static_cast<int>(state.range(6)),
             full ? specest::RunStatus::estimator_failure : specest::RunStatus::success,
             full ? " ALL NIT iterations completed" : "");
}
BENCHMARK(BM_Akaike)
    ->Args({2000, 2048, 10, 10, 200, 20, -1, 0})
    ->Args({2000, 2048, 10, 10, 200, 20, -1, 1})
    ->Args({2000, 2048, 10, 10, 200, 10, -1, 1})
    ->Unit(benchmark::kMillisecond);

// The Newton iterations alone: akaike() on an ARMA(m,m) record, started at the true model, all
// nit = 20 iterations (per 0). Args: samples, m.
void BM_AkaikeIterations(benchmark::State& state) {
    const int n0 = static_cast<int>(state.range(0)), m = static_cast<int>(state.range(1));
    std::vector<double> freqs_a, freqs_b;
    for (int k = 0; k < m / 2; ++k) {
        freqs_a.push_back(0.04 + 0.45 * k / (m / 2));
        freqs_b.push_back(0.06 + 0.45 * k / (m / 2));
    }
    const auto a_true = real_polynomial(0.9, freqs_a), b_true = real_polynomial(0.5, freqs_b);
    std::mt19937_64 rng(20261207);
    std::normal_distribution<double> g;
    std::vector<double> xd(static_cast<std::size_t>(n0) + 500), e(xd.size());
    for (std::size_t t = 0; t < xd.size(); ++t) {
        e[t] = g(rng);
        double v = e[t];
        for (std::size_t k = 1; k <= a_true.size() && k <= t; ++k) v -= a_true[k - 1] * xd[t - k];
        for (std::size_t k = 1; k <= b_true.size() && k <= t; ++k) v += b_true[k - 1] * e[t - k];
        xd[t] = v;
    }
    std::vector<float> x(xd.begin() + 500, xd.end());
    const fs::path report =
        fs::temp_directory_path() / ("specest-bench3-iter-" + std::to_string(::getpid()) + ".out");
    specest::run_report().open(report.string());
    int iflag = 0;
    for (auto _ : state) {
        std::vector<float> a(a_true.begin(), a_true.end()), b(b_true.begin(), b_true.end());
        int n = n0, npoints = n0, ip = m, iq = m, nit = 20;
        float eps = 1e-7f, per = 0.0f, sig2 = 0.0f;
        specest::akaike(specest::Vec1<float>(x), n, specest::Vec1<float>(a),
                        specest::Vec1<float>(b), ip, iq, nit, eps, per, sig2, iflag, npoints);
        benchmark::DoNotOptimize(sig2);
    }
    specest::run_report().close();
    std::error_code ec;
    fs::remove(report, ec);
    if (iflag != 2)
        state.SkipWithError(("expected 20 iterations, status " + std::to_string(iflag)).c_str());
}
BENCHMARK(BM_AkaikeIterations)
    ->Args({2000, 10})
    ->Args({8000, 10})
    ->Args({8000, 20})
    ->Args({8000, 4})
    ->Unit(benchmark::kMillisecond);

// One least-squares regression of the Mayne-Firoozan method (normal equations and solve).
// Args: samples, ip = iq.
void BM_MayneFiroozanRegression(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), m = static_cast<int>(state.range(1));
    std::mt19937_64 rng(20261207);
    std::normal_distribution<float> g;
    std::vector<specest::cfloat> y(static_cast<std::size_t>(n)), z(y.size()), yz(y.size()),
        a(static_cast<std::size_t>(m));
    for (std::size_t t = 0; t < y.size(); ++t) {
        y[t] = {g(rng), g(rng)};
        z[t] = {g(rng), g(rng)};
        yz[t] = y[t] - z[t];
    }
    const fs::path report =
        fs::temp_directory_path() / ("specest-bench3-ls-" + std::to_string(::getpid()) + ".out");
    specest::run_report().open(report.string());
    int iflag = 0;
    for (auto _ : state) {
        specest::ls(specest::Vec1<specest::cfloat>(y), specest::Vec1<specest::cfloat>(z),
                    specest::Vec1<specest::cfloat>(yz), n, m, m, 1e-7f,
                    specest::Vec1<specest::cfloat>(a), iflag);
        benchmark::DoNotOptimize(a.data());
    }
    specest::run_report().close();
    std::error_code ec;
    fs::remove(report, ec);
}
BENCHMARK(BM_MayneFiroozanRegression)
    ->Args({16384, 10})
    ->Args({16384, 20})
    ->Unit(benchmark::kMillisecond);

} // namespace

// The benchmark files share one executable; a weak main lets any of them (or none) provide it.
__attribute__((weak)) int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
