// Inputs that once ran to a wrong success, hung or hit the wrong file: each is now a clear
// input error naming the file and the problem, and the run report appears whole or not at all.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace specest {
namespace {

namespace fs = std::filesystem;
using test::Job;

std::string record(int n, double dt, const char* line_end, double value = 0.0) {
    std::string s;
    char buf[96];
    for (int i = 0; i < n; ++i) {
        const double v = value != 0.0 ? value : std::cos(0.7 * i) + 0.1 * std::sin(2.3 * i);
        std::snprintf(buf, sizeof buf, "%.9g %.9g%s", i * dt, v, line_end);
        s += buf;
    }
    return s;
}

struct BadCase {
    const char* name;
    std::string data;   // the data file's text
    void (*edit)(Job&); // changes to a Burg order-4 job on it
    const char* says;   // in the stop text
};

void none(Job&) {}

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<BadCase> bad_cases() {
    std::string descending;
    for (int i = 63; i >= 0; --i)
        descending += std::to_string(i) + " " + std::to_string(i % 5) + "\n";
    return {
        {"tiny_time_step", record(64, 1e-44, "\n"), none, "too small for a frequency grid"},
        {"descending_times", descending, none, "line 2: the time values must increase"},
        {"every_sample_bad", record(64, 1.0, "\n", 1e37), none,
         "every one of the 64 samples is a bad point"},
        {"negative_order", record(64, 1.0, "\n"), [](Job& j) { j.npoles = "-1"; },
         "nPoles parameter out of range"},
        {"order_beyond_the_work_area", record(600, 1.0, "\n"),
         [](Job& j) {
             j.npoles = "300";
             j.npoints = "1024";
         },
         "nPoles parameter out of range"},
        {"negative_zeros", record(64, 1.0, "\n"),
         [](Job& j) {
             j.method = "MYWE";
             j.nzeros = "-2";
             j.eps = "1e-7";
         },
         "nZeros parameter out of range"},
        {"blackman_tukey_mode_minus_one", record(64, 1.0, "\n"),
         [](Job& j) {
             j.method = "Blackman-Tukey";
             j.mode = "-1";
             j.m_lags = "10";
         },
         "MODE parameter out of range"},
        {"blackman_tukey_mode_huge", record(64, 1.0, "\n"),
         [](Job& j) {
             j.method = "Blackman-Tukey";
             j.mode = "2147483647";
             j.m_lags = "10";
         },
         "MODE parameter out of range"},
        {"mvse_grid_beyond_any_array", record(64, 1.0, "\n"),
         [](Job& j) {
             j.method = "MVSE";
             j.mode = "0";
             j.eps = "1e-7";
             j.l_pts = "2147483647";
         },
         "L_PTS parameter out of range"},
        {"akaike_iterations_past_the_report_width", record(64, 1.0, "\n"),
         [](Job& j) {
             j.method = "Akaike";
             j.npoles = "2";
             j.nzeros = "1";
             j.eps = "1e-7";
             j.m_eqs = "20";
             j.nit = "177014272";
             j.per = "1";
         },
         "NIT parameter out of range"},
        {"data_path_is_a_directory", "", [](Job& j) { j.data_file = "."; },
         "Error reading Data file for specest! .: is a directory, not a regular file"},
        {"unknown_method_in_capitals", record(64, 1.0, "\n"), [](Job& j) { j.method = "BURG"; },
         "the method \"BURG\" matches none of"},
    };
}

class BadInputFile : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadInputFile, StopsWithAClearInputError) {
    test::TempDir dir;
    test::write_text(dir / "data.txt", GetParam().data);
    Job job;
    job.method = "Burg";
    job.npoles = "4";
    GetParam().edit(job);
    const auto out = test::run(test::write_job(dir / "job.0", job), 4096);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_NE(out.result.stop_text.find(GetParam().says), std::string::npos)
        << out.result.stop_text;
    EXPECT_NE(out.report.find(" STOP "), std::string::npos); // the report explains it
    EXPECT_EQ(out.db[0], 12345.0f);                          // and nothing reached the caller
}

INSTANTIATE_TEST_SUITE_P(Rows, BadInputFile, ::testing::ValuesIn(bad_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InputSafety, EveryLineEndReadsTheSameRecord) {
    std::vector<float> first;
    for (const char* end : {"\n", "\r\n", "\r"}) {
        test::TempDir dir;
        test::write_text(dir / "data.txt", record(256, 0.5, end));
        Job job;
        job.method = "Burg";
        job.npoles = "6";
        const auto out = test::run(test::write_job(dir / "job.0", job));
        ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
        EXPECT_EQ(out.result.npts, 256) << "line end " << int(end[0]) << int(end[1]);
        if (first.empty())
            first = out.db;
        else
            EXPECT_EQ(out.db, first);
    }
}

TEST(InputSafety, FifosAndDevicesAreRefusedAtOnce) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    test::write_text(dir / "data.txt", record(64, 1.0, "\n"));
    Job job;
    job.method = "Burg";
    job.npoles = "4";
    job.data_file = (dir / "fifo").string();
    auto out = test::run(test::write_job(dir / "job.0", job), 512);
    EXPECT_NE(out.result.stop_text.find("is a FIFO, not a regular file"), std::string::npos)
        << out.result.stop_text;
    for (const fs::path& job_path : {dir / "fifo", fs::path("/dev/zero")}) {
        RunOptions opt;
        opt.report_dir = dir.path().string();
        opt.pause_after_peaks = false;
        std::vector<float> x(512), s(512);
        const RunResult r = run_job(job_path.string(), x, s, opt);
        EXPECT_EQ(r.status, RunStatus::stopped);
        EXPECT_NE(r.stop_text.find("not a regular file"), std::string::npos) << r.stop_text;
    }
    // A job file is 21 short lines: a huge one is refused before it is read.
    test::write_text(dir / "huge.0", std::string(2 << 20, 'x'));
    out = test::run(dir / "huge.0", 512);
    EXPECT_NE(out.result.stop_text.find("bytes long"), std::string::npos) << out.result.stop_text;
}

TEST(InputSafety, TheReportReplacesASymlinkAndNeverWritesThroughIt) {
    test::TempDir dir;
    test::write_text(dir / "victim.txt", "keep me\n");
    fs::create_symlink(dir / "victim.txt", dir / "~Lumetra.out");
    test::write_text(dir / "data.txt", record(64, 1.0, "\n"));
    Job job;
    job.method = "Burg";
    job.npoles = "4";
    const auto out = test::run(test::write_job(dir / "job.0", job));
    EXPECT_EQ(out.result.status, RunStatus::success);
    EXPECT_EQ(test::read_text(dir / "victim.txt"), "keep me\n");
    EXPECT_FALSE(fs::is_symlink(dir / "~Lumetra.out"));
    EXPECT_NE(out.report.find("Finished PSD Calculations"), std::string::npos);
    // No temporary file is left behind, after a success or a stop.
    job.npoles = "-1";
    test::run(test::write_job(dir / "job.0", job));
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 4); // victim, data, job, report
}

TEST(InputSafety, AReportThatCannotBeWrittenFailsTheRun) {
    RunOptions opt;
    opt.report_dir = "/proc"; // no file can be created there, not even by root
    opt.pause_after_peaks = false;
    std::vector<float> x(512, 7.0f), s(512, 7.0f);
    const RunResult r = run_job("/nonexistent.0", x, s, opt);
    EXPECT_EQ(r.status, RunStatus::stopped);
    EXPECT_EQ(r.stop_text.rfind("Cannot write the run report /proc/~Lumetra.out: ", 0), 0u)
        << r.stop_text;
}

} // namespace
} // namespace specest

namespace specest {
namespace {

// Found by fuzzing: a constant record gave a flat spectrum with a NaN noise variance.
TEST(InputSafety, ANonFiniteNoiseVarianceIsAFailureNotASuccess) {
    test::TempDir dir;
    test::write_text(dir / "data.txt", "0 (1,1)\n1 (1,1)\n2 (1,1)\n3 (1,1)\n");
    Job job;
    job.data_type = "C";
    job.neg_freq = "Y";
    job.npoints = "32";
    job.method = "Modified Covariance";
    job.npoles = "2";
    const auto out = test::run(test::write_job(dir / "job.0", job));
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    // It names what is not a number and the setting the job left out.
    EXPECT_NE(out.report.find("The noise variance is not a number (overflow or 0/0). eps is "
                              "-999, the \"not used\" marker, but this method uses it."),
              std::string::npos)
        << out.report;
}

} // namespace
} // namespace specest
