#include "test_support.h"

#include "job_params.h"
#include "run_context.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace specest::test {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() / ("specest-test-" + std::to_string(::getpid()) + "-" +
                                         std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::vector<std::string> Job::values() const {
    return {title,    data_file, header_lines, npts,   data_type, ixtype, method,
            neg_freq, npoints,   npoles,       nzeros, eps,       mode,   m_eqs,
            l_pts,    m_lags,    nit,          per,    window,    note1,  note2};
}

fs::path write_job(const fs::path& file, const Job& job) {
    std::string text;
    int n = 0;
    for (const auto& v : job.values()) {
        ++n;
        if (n >= 20)
            text += v + "\r\n";
        else
            text += v + "  \t\t! question " + std::to_string(n) + "\r\n";
    }
    write_text(file, text);
    return file;
}

void write_text(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void write_real_data(const fs::path& file, const std::vector<double>& x, double dt,
                     const std::string& header) {
    std::string text = header;
    char buf[128];
    for (std::size_t i = 0; i < x.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%.9g %.9g\n", static_cast<double>(i) * dt, x[i]);
        text += buf;
    }
    write_text(file, text);
}

void write_complex_data(const fs::path& file, const std::vector<std::complex<double>>& x, double dt,
                        const std::string& header) {
    std::string text = header;
    char buf[160];
    for (std::size_t i = 0; i < x.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%.9g (%.9g,%.9g)\n", static_cast<double>(i) * dt,
                      x[i].real(), x[i].imag());
        text += buf;
    }
    write_text(file, text);
}

RunOutput run(const fs::path& job_file, int capacity, float fill) {
    RunOutput out;
    if (capacity <= 0) capacity = required_capacity(job_file.string());
    if (capacity <= 0) capacity = 1;
    out.x.assign(static_cast<std::size_t>(capacity), fill);
    out.db.assign(static_cast<std::size_t>(capacity), fill);
    RunOptions opt;
    opt.report_dir = job_file.parent_path().string();
    opt.pause_after_peaks = false;
    out.result = run_job(job_file.string(), out.x, out.db, opt);
    out.report = read_text(job_file.parent_path() / "~Lumetra.out");
    return out;
}

std::mt19937_64 seeded_rng(const char* test_name, std::uint64_t seed) {
    if (seed == 0) seed = static_cast<std::uint64_t>(std::hash<std::string>{}(test_name) | 1u);
    std::printf("[ seed     ] %s: %llu\n", test_name, static_cast<unsigned long long>(seed));
    return std::mt19937_64(seed);
}

std::vector<double> ar_process(const std::vector<double>& a, std::size_t n, double sigma,
                               std::mt19937_64& rng) {
    return arma_process(a, {}, n, sigma, rng);
}

std::vector<double> arma_process(const std::vector<double>& a, const std::vector<double>& b,
                                 std::size_t n, double sigma, std::mt19937_64& rng) {
    std::normal_distribution<double> noise(0.0, sigma);
    const std::size_t warm = 2000;
    std::vector<double> x(n + warm, 0.0), e(n + warm, 0.0);
    for (std::size_t t = 0; t < n + warm; ++t) {
        e[t] = noise(rng);
        double v = e[t];
        for (std::size_t k = 1; k <= a.size() && k <= t; ++k) v -= a[k - 1] * x[t - k];
        for (std::size_t k = 1; k <= b.size() && k <= t; ++k) v += b[k - 1] * e[t - k];
        x[t] = v;
    }
    return std::vector<double>(x.begin() + static_cast<std::ptrdiff_t>(warm), x.end());
}

double arma_spectrum(const std::vector<double>& a, const std::vector<double>& b, double sig2,
                     double f) {
    const double w = 2.0 * M_PI * f;
    std::complex<double> A(1.0, 0.0), B(1.0, 0.0);
    for (std::size_t k = 1; k <= a.size(); ++k)
        A += a[k - 1] * std::polar(1.0, -w * static_cast<double>(k));
    for (std::size_t k = 1; k <= b.size(); ++k)
        B += b[k - 1] * std::polar(1.0, -w * static_cast<double>(k));
    return sig2 * std::norm(B) / std::norm(A);
}

void ReportTest::SetUp() {
    ASSERT_TRUE(run_report().open((dir / "r.out").string()));
    job().iflag = 0;
    job().maxorder = kMaxOrder;
}

void ReportTest::TearDown() {
    run_report().close();
}

std::string ReportTest::report() {
    run_report().close();
    return read_text(dir / "r.out");
}

int count_lines_with(const std::string& text, const std::string& needle) {
    std::istringstream in(text);
    std::string line;
    int n = 0;
    while (std::getline(in, line))
        if (line.find(needle) != std::string::npos) ++n;
    return n;
}

} // namespace specest::test
