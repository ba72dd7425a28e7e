// Whole runs of the example jobs and of failing jobs against stored results: every result
// scalar, a hash of the bits of both result arrays, and the run report with the date, time and
// temporary folder masked. Any change of a computed bit or of a report line shows here.
// SPECEST_UPDATE_GOLDEN=1 rewrites the stored files (only after a change was meant).
#include "golden_format.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace specest {
namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(SPECEST_SAMPLE_DATA).parent_path();
const fs::path kGolden = fs::path(SPECEST_GOLDEN_DIR);

// The first n values of v, as far as it has them.
std::uint64_t fnv1a(const std::vector<float>& v, std::size_t n) {
    return golden::fnv1a(v.data(), std::min(n, v.size()));
}

using golden::bits;
using golden::masked;

std::string describe(const test::RunOutput& out, const fs::path& dir) {
    const RunResult& r = out.result;
    // The arrays hold a spectrum after a success, the time values after a failure.
    const std::size_t n =
        static_cast<std::size_t>(r.status == RunStatus::success ? r.n_freq_pts : r.n_time_values);
    std::string s;
    s += "status " + std::to_string(static_cast<int>(r.status)) + "\n";
    s += "stop_text " + r.stop_text + "\n";
    s += "method " + std::to_string(r.method) + " " + r.method_name + "\n";
    s += "npts " + std::to_string(r.npts) + " n_freq_pts " + std::to_string(r.n_freq_pts) +
         " n_time_values " + std::to_string(r.n_time_values) + "\n";
    s += "t_start " + bits(r.t_start) + " t_final " + bits(r.t_final) + " zero_fill " +
         bits(r.zero_fill) + " sig2 " + bits(r.sig2) + "\n";
    char h[64];
    std::snprintf(h, sizeof h, "x %016llx\n", static_cast<unsigned long long>(fnv1a(out.x, n)));
    s += h;
    std::snprintf(
        h, sizeof h, "spectrum %016llx\n",
        static_cast<unsigned long long>(fnv1a(out.db, r.status == RunStatus::success ? n : 0)));
    s += h;
    s += "---- report\n";
    s += out.report;
    return masked(s, dir);
}

void compare_with_golden(const std::string& name, const std::string& actual) {
    const fs::path file = kGolden / (name + ".txt");
    const char* update = std::getenv("SPECEST_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        test::write_text(file, actual);
        return;
    }
    ASSERT_TRUE(fs::exists(file)) << file << " is missing; run with SPECEST_UPDATE_GOLDEN=1";
    const std::string expected = test::read_text(file);
    if (expected == actual) return;
    // Point at the first differing line rather than printing two whole reports.
    std::size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) ++i;
    const std::size_t ls = expected.rfind('\n', i == 0 ? 0 : i - 1);
    const std::size_t from = ls == std::string::npos ? 0 : ls + 1;
    ADD_FAILURE() << name << " differs from " << file << " at byte " << i
                  << "\n  expected: " << expected.substr(from, expected.find('\n', i) - from)
                  << "\n  actual:   " << actual.substr(from, actual.find('\n', i) - from);
}

class ExampleGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(ExampleGolden, RunMatchesStoredResultAndReport) {
    test::TempDir dir;
    for (const auto& e : fs::directory_iterator(kExamples))
        fs::copy_file(e.path(), dir / e.path().filename().string());
    const auto out = test::run(dir / GetParam());
    compare_with_golden(GetParam(), describe(out, dir.path()));
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleGolden,
                         ::testing::Values("Ex-0-pad.32", "Ex-0-pad.64", "Ex-0-pad.128",
                                           "Ex-0-pad.256", "Ex-0-pad.8k", "Ex-Auto.0", "Ex-Black.0",
                                           "Ex-Burg.0", "Ex-Cov.0", "Ex-Durbi.0", "Ex-LSMYW.0",
                                           "Ex-Lock.0", "Ex-MVSE.0", "Ex-MYWE.0", "Ex-Mayne.0",
                                           "Ex-Perio.0", "Ex-RMLE.0", "Ex-mCov.0"),
                         [](const auto& info) {
                             std::string s = info.param;
                             for (char& c : s)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return s;
                         });

struct FailingJob {
    const char* name;
    test::Job job;
};

void PrintTo(const FailingJob& j, std::ostream* os) {
    *os << j.name;
}

test::Job with(test::Job j, std::string test::Job::*field, std::string value) {
    j.*field = std::move(value);
    return j;
}

const std::vector<FailingJob>& failing_jobs() {
    static const std::vector<FailingJob> all = [] {
        test::Job burg;
        burg.data_file = "marple64.txt";
        burg.header_lines = "1";
        burg.data_type = "C";
        burg.method = "Burg";
        burg.npoles = "15";
        test::Job cov = with(burg, &test::Job::method, "Covariance");
        cov.eps = "1.0E+3";
        test::Job bt = with(burg, &test::Job::method, "Blackman-Tukey");
        bt.npoles = "-999";
        bt.mode = "0";
        bt.m_lags = "40";
        // The long AR model of Mayne-Firoozan beyond the grid (L above nPoints).
        test::Job mf = with(burg, &test::Job::method, "Mayne-Firoozan");
        mf.npoles = "4";
        mf.nzeros = "2";
        mf.eps = "1.0E-7";
        mf.l_pts = "300";
        return std::vector<FailingJob>{
            {"too_many_poles", with(burg, &test::Job::npoles, "300")},
            {"order_not_below_points", with(burg, &test::Job::npoles, "64")},
            {"npoints_out_of_range", with(burg, &test::Job::npoints, "0")},
            {"missing_data_file", with(burg, &test::Job::data_file, "no-such-file.txt")},
            {"unknown_method", with(burg, &test::Job::method, "Xyz")},
            {"lags_out_of_range", bt},
            {"rmle_on_complex_data", with(burg, &test::Job::method, "RMLE")},
            {"cholesky_failure", cov},
            {"bad_number", with(burg, &test::Job::npoles, "fifteen")},
            {"mayne_firoozan_long_model_beyond_grid", mf},
        };
    }();
    return all;
}

class FailingGolden : public ::testing::TestWithParam<FailingJob> {};

TEST_P(FailingGolden, RunMatchesStoredResultAndReport) {
    test::TempDir dir;
    fs::copy_file(kExamples / "marple64.txt", dir / "marple64.txt");
    const auto job = test::write_job(dir / "job.0", GetParam().job);
    const auto out = test::run(job, 1024);
    compare_with_golden(std::string("fail-") + GetParam().name, describe(out, dir.path()));
}

INSTANTIATE_TEST_SUITE_P(Failures, FailingGolden, ::testing::ValuesIn(failing_jobs()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace specest
