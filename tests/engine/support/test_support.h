// Helpers for engine tests: temporary folders, job and data files, one-call runs.
#pragma once

#include "engine_api.h"

#include <gtest/gtest.h>

#include <complex>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace specest::test {

namespace fs = std::filesystem;

// A fresh directory removed at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

  private:
    fs::path path_;
};

// The 21 values of a job file, as text; "-999" marks what does not apply.
struct Job {
    std::string title = "test job";
    std::string data_file = "data.txt";
    std::string header_lines = "0";
    std::string npts = "0";
    std::string data_type = "R";
    std::string ixtype = "0";
    std::string method = "Periodogram";
    std::string neg_freq = "N";
    std::string npoints = "256";
    std::string npoles = "-999";
    std::string nzeros = "-999";
    std::string eps = "-999";
    std::string mode = "-999";
    std::string m_eqs = "-999";
    std::string l_pts = "-999";
    std::string m_lags = "-999";
    std::string nit = "-999";
    std::string per = "-999";
    std::string window = "-999";
    std::string note1 = "";
    std::string note2 = "";

    std::vector<std::string> values() const;
};

// Writes the job as the front end does: value, two blanks, two tabs, "! " and a label; CRLF.
fs::path write_job(const fs::path& file, const Job& job);
void write_text(const fs::path& file, const std::string& text);
std::string read_text(const fs::path& file);

// Data files: "t value" or "t (re,im)" per line, t = i * dt.
void write_real_data(const fs::path& file, const std::vector<double>& x, double dt = 1.0,
                     const std::string& header = "");
void write_complex_data(const fs::path& file, const std::vector<std::complex<double>>& x,
                        double dt = 1.0, const std::string& header = "");

struct RunOutput {
    RunResult result;
    std::vector<float> x;  // caller's x_array after the run
    std::vector<float> db; // caller's spectrum after the run
    std::string report;    // text of ~Lumetra.out
};

// Runs a job without the pause, report in the job's directory. capacity 0: what the job needs.
RunOutput run(const fs::path& job_file, int capacity = 0, float fill = 12345.0f);

// Seeded generator; the seed is printed so a failure can be reproduced.
std::mt19937_64 seeded_rng(const char* test_name, std::uint64_t seed = 0);

// Real AR process x(t) = -sum a(k) x(t-k) + e(t), e ~ N(0, sigma^2), after a warm-up.
std::vector<double> ar_process(const std::vector<double>& a, std::size_t n, double sigma,
                               std::mt19937_64& rng);
// Real ARMA process x(t) = -sum a(k) x(t-k) + e(t) + sum b(k) e(t-k).
std::vector<double> arma_process(const std::vector<double>& a, const std::vector<double>& b,
                                 std::size_t n, double sigma, std::mt19937_64& rng);

// True ARMA spectrum sig2 |B|^2/|A|^2 at normalised frequency f (cycles per sample).
double arma_spectrum(const std::vector<double>& a, const std::vector<double>& b, double sig2,
                     double f);

// For calling engine routines directly: a run report open in the test's own folder and a job
// record with no failure flag and the full order limit.
class ReportTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Closes the report and returns its text.
    std::string report();
    TempDir dir;
};

// Number of lines of `text` that contain `needle`.
int count_lines_with(const std::string& text, const std::string& needle);

} // namespace specest::test
