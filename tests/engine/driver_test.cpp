// Whole runs: data reading, frequency grids, decibels, zero fill and the result block.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace specest {
namespace {

using test::Job;

class DriverRun : public ::testing::Test {
  protected:
    test::RunOutput run(const Job& j, int capacity = 0) {
        return test::run(test::write_job(dir_ / "job.0", j), capacity);
    }
    void real_data(const std::vector<double>& x, double dt = 1.0) {
        test::write_real_data(dir_ / "data.txt", x, dt);
    }
    static std::vector<double> tone(std::size_t n, double f, double noise = 0.0) {
        std::vector<double> x(n);
        for (std::size_t i = 0; i < n; ++i)
            x[i] = std::cos(2 * M_PI * f * i) + noise * std::sin(12.9898 * i * i);
        return x;
    }
    test::TempDir dir_;
    Job job_;
};

TEST_F(DriverRun, OneSidedGrid) {
    real_data(tone(100, 0.125), 0.5);
    job_.npoints = "256";
    const auto out = run(job_);
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    ASSERT_EQ(out.result.n_freq_pts, 128);
    const float df = 1.0f / (256 * 0.5f);
    EXPECT_EQ(out.x[0], 0.0f);
    EXPECT_FLOAT_EQ(out.x[127], 127 * df);
    EXPECT_EQ(out.x[128], 12345.0f); // nothing beyond the grid
    EXPECT_EQ(out.db[128], 12345.0f);
    EXPECT_NE(out.report.find("delta_t/t_window =  0.5 49.5 0\n"), std::string::npos);
    EXPECT_NE(out.report.find("  n_freq_pts/dF/Fmax =  128 0.0078125 1\n"), std::string::npos);
    EXPECT_NE(out.report.find("  nPoints / n_freq_pts = 256 128\n"), std::string::npos);
}

TEST_F(DriverRun, TwoSidedGrid) {
    std::vector<double> x = tone(100, 0.1);
    real_data(x, 0.5);
    job_.npoints = "128";
    job_.neg_freq = "y";
    const auto out = run(job_);
    ASSERT_EQ(out.result.status, RunStatus::success);
    ASSERT_EQ(out.result.n_freq_pts, 127);
    const float df = 1.0f / 64.0f;
    EXPECT_FLOAT_EQ(out.x[0], -64 * df);
    EXPECT_FLOAT_EQ(out.x[64], 0.0f);
    EXPECT_FLOAT_EQ(out.x[126], 62 * df);
    // Real data: the two-sided spectrum is symmetric about zero frequency.
    for (int k = 1; k < 63; ++k) EXPECT_NEAR(out.db[64 + k], out.db[64 - k], 1e-3) << k;
}

TEST_F(DriverRun, DecibelsRelativeToTheMaximumWithFloor) {
    // Constant record: all power at zero frequency, exact zeros elsewhere.
    real_data(std::vector<double>(64, 1.0));
    job_.npoints = "64";
    const auto out = run(job_);
    ASSERT_EQ(out.result.status, RunStatus::success);
    EXPECT_EQ(out.db[0], 0.0f);
    for (int i = 1; i < out.result.n_freq_pts; ++i) EXPECT_NEAR(out.db[i], -100.0f, 1e-4f) << i;
    // A spread-out spectrum stays within (-100, 0] with 0 exactly at the maximum.
    real_data(tone(200, 0.2, 0.5));
    job_.npoints = "256";
    const auto out2 = run(job_);
    float mx = -1000;
    for (int i = 0; i < out2.result.n_freq_pts; ++i) {
        EXPECT_LE(out2.db[i], 0.0f);
        EXPECT_GE(out2.db[i], -100.0001f);
        mx = std::max(mx, out2.db[i]);
    }
    EXPECT_EQ(mx, 0.0f);
}

TEST_F(DriverRun, ZeroFillPercentage) {
    // One-sided with 256 frequency points: 128 output points.
    job_.npoints = "256";
    const std::pair<int, float> cases[] = {{100, 21.0f}, {255, -99.0f}, {256, -100.0f}};
    for (auto [n, expect] : cases) {
        real_data(tone(static_cast<std::size_t>(n), 0.1));
        auto out = run(job_);
        ASSERT_EQ(out.result.status, RunStatus::success);
        EXPECT_EQ(out.result.zero_fill, expect) << n;
    }
    // The quotient truncates toward zero: (256 - 300) * 100 / 256 = -17.
    real_data(tone(300, 0.1));
    job_.npoints = "512";
    EXPECT_EQ(run(job_).result.zero_fill, -17.0f);
}

TEST_F(DriverRun, SuccessWithMinus99ZeroFillIsStillASuccess) {
    real_data(tone(255, 0.1));
    job_.npoints = "256";
    auto out = run(job_);
    EXPECT_EQ(out.result.status, RunStatus::success);
    EXPECT_EQ(out.result.zero_fill, -99.0f);
    EXPECT_NE(out.report.find("Finished PSD Calculations"), std::string::npos);
}

TEST_F(DriverRun, BadPointsAreZeroedAndReported) {
    auto x = tone(64, 0.1);
    x[9] = 2.0e10;
    real_data(x);
    auto out = run(job_);
    ASSERT_EQ(out.result.status, RunStatus::success);
    EXPECT_NE(out.report.find("  Bad point= #i,y_array= 10 2e+10 1e+10\n"), std::string::npos);
    // Complex samples beyond the limit are zeroed silently.
    std::vector<std::complex<double>> c(64, {1.0, 0.0});
    c[3] = {3.0e10, 0.0};
    test::write_complex_data(dir_ / "data.txt", c);
    job_.data_type = "C";
    job_.npoints = "64";
    out = run(job_);
    EXPECT_EQ(out.report.find("Bad point"), std::string::npos);
    EXPECT_EQ(out.db[0], 0.0f);
}

TEST_F(DriverRun, BlackmanTukeyLagWindowSetsIptsAndName) {
    real_data(tone(100, 0.1, 0.3));
    job_.method = "Blackman-Tukey";
    job_.m_lags = "4";
    job_.mode = "1";
    job_.npoints = "128";
    auto out = run(job_);
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    // ipts = 2 m + 1 = 9 enters the zero fill: (64 - 9) * 100 / 64.
    EXPECT_EQ(out.result.zero_fill, static_cast<float>((64 - 9) * 100 / 64));
    EXPECT_NE(out.report.find("  n_freq_pts/dF/Fmax =  64"), std::string::npos);
}

TEST_F(DriverRun, AllZeroRecordGivesTheFloorEverywhere) {
    real_data(std::vector<double>(64, 0.0));
    auto out = run(job_);
    ASSERT_EQ(out.result.status, RunStatus::success);
    for (int i = 0; i < out.result.n_freq_pts; ++i) ASSERT_EQ(out.db[i], -100.0f);
    EXPECT_NE(out.report.find("the spectrum is zero at every frequency"), std::string::npos);
    EXPECT_EQ(out.report.find("PSD waveform contained following peaks"), std::string::npos);
}

TEST_F(DriverRun, EstimatorFailureLeavesTimeValuesAndCapacity) {
    real_data(std::vector<double>(64, 0.0), 0.25);
    job_.method = "Auto-correlation";
    job_.npoles = "4";
    auto out = run(job_, 256);
    EXPECT_EQ(out.result.status, RunStatus::estimator_failure);
    EXPECT_EQ(out.result.zero_fill, -99.0f);
    EXPECT_EQ(out.result.n_time_values, 64);
    EXPECT_FLOAT_EQ(out.x[1], 0.25f);
    EXPECT_FLOAT_EQ(out.x[63], 63 * 0.25f);
    EXPECT_EQ(out.db[0], 12345.0f);
    EXPECT_NE(out.report.find("  ----------- No Plot ! -----------"), std::string::npos);
    EXPECT_NE(out.report.find("Digital Spectral Analysis with Applications"), std::string::npos);
}

TEST_F(DriverRun, SecondRunRewritesTheReportAndCarriesNothingOver) {
    real_data(tone(128, 0.1, 0.2));
    job_.method = "Auto-correlation";
    job_.npoles = "4";
    auto ar = run(job_);
    ASSERT_EQ(ar.result.status, RunStatus::success);
    EXPECT_GT(ar.result.sig2, 0.0f);
    EXPECT_NE(ar.report.find("\n Sig2 = "), std::string::npos);
    job_ = Job();
    auto per = run(job_);
    EXPECT_EQ(per.result.sig2, 0.0f); // a method that fits no model has no noise variance
    EXPECT_EQ(per.report.find("Sig2"), std::string::npos);
    EXPECT_EQ(per.report.rfind("  \n  Starting Spectral Estimation", 0), 0u);
}

struct BadData {
    const char* name;
    std::string text;
    const char* type;
    const char* expect;
};

class BadDataFiles : public DriverRun, public ::testing::WithParamInterface<BadData> {};

TEST_P(BadDataFiles, AreRefusedClearly) {
    const BadData& c = GetParam();
    test::write_text(dir_ / "data.txt", c.text);
    job_.data_type = c.type;
    auto out = run(job_, 512);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_NE(out.result.stop_text.find(c.expect), std::string::npos) << out.result.stop_text;
    for (float v : out.db) ASSERT_EQ(v, 12345.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadDataFiles,
    ::testing::Values(BadData{"empty", "", "R", "at least two data points"},
                      BadData{"one_record", "0 1.5\n", "R", "at least two data points"},
                      BadData{"one_field", "0 1\n1\n2 3\n", "R",
                              "line 2: a record needs a time value and a sample value"},
                      BadData{"non_numeric_time", "0 1\nx 2\n", "R",
                              "line 2: the time value \"x\" is not a number"},
                      BadData{"non_numeric_sample", "0 1\n1 abc\n", "R",
                              "line 2: the sample \"abc\" is not a real number"},
                      BadData{"complex_without_parentheses", "0 1.0\n1 2.0\n", "C",
                              "line 1: the sample \"1.0\" is not a complex value"},
                      BadData{"complex_for_real", "0 (1,2)\n1 (2,3)\n", "R",
                              "line 1: the sample \"(1,2)\" is not a real number"},
                      BadData{"equal_times", "5 1\n5 2\n5 3\n", "R", "give no time step"},
                      BadData{"nan_sample", "0 1\n1 nan\n", "R", "line 2"}),
    [](const auto& info) { return std::string(info.param.name); });

// npts caps what a run reads: a fault past the records it uses no longer stops it, while every
// fault among them is reported as before (the count's message first, with the header count).
struct CountCase {
    const char* name;
    int bad_line; // 1-based line of 600 records (after 2 header lines) with a broken time
    const char* npts;
    const char* expect; // in the stop text; nullptr: success with npts records
};

class RecordCount : public DriverRun, public ::testing::WithParamInterface<CountCase> {};

TEST_P(RecordCount, ReadsOnlyTheRecordsTheRunUses) {
    const CountCase& c = GetParam();
    std::string text = "header one\nheader two\n";
    for (int i = 0; i < 600; ++i)
        text += (i + 3 == c.bad_line ? std::string("t") : std::to_string(i)) + " " +
                std::to_string(std::cos(0.3 * i)) + "\n";
    test::write_text(dir_ / "data.txt", text);
    job_.header_lines = "2";
    job_.npts = c.npts;
    job_.npoints = "1024";
    auto out = run(job_);
    if (c.expect == nullptr) {
        ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
        EXPECT_EQ(out.result.npts, std::stoi(c.npts));
        EXPECT_EQ(out.result.t_final, static_cast<float>(std::stoi(c.npts) - 1));
    } else {
        EXPECT_EQ(out.result.status, RunStatus::stopped);
        EXPECT_NE(out.result.stop_text.find(c.expect), std::string::npos) << out.result.stop_text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordCount,
    ::testing::Values(
        CountCase{"fault_past_npts", 515, "512", nullptr},
        CountCase{"fault_on_the_last_record_used", 514, "512",
                  "line 514: the time value \"t\" is not a number (header lines skipped: 2)"},
        CountCase{"fault_among_the_records_used", 100, "512",
                  "line 100: the time value \"t\" is not a number (header lines skipped: 2)"},
        CountCase{"every_record_wanted", 600, "0",
                  "line 600: the time value \"t\" is not a number (header lines skipped: 2)"},
        CountCase{"more_wanted_than_there_are", 602, "700",
                  "line 602: the time value \"t\" is not a number (header lines skipped: 2)"},
        CountCase{"no_fault", 0, "600", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DriverRun, AllHeaderAndMissingDataFile) {
    test::write_text(dir_ / "data.txt", "h1\nh2\n");
    job_.header_lines = "5";
    auto out = run(job_, 512);
    EXPECT_EQ(out.result.stop_text, "Error reading data file!");
    EXPECT_NE(out.report.find("  End-of-file reached while reading file.data.txt"),
              std::string::npos);
    job_.header_lines = "0";
    job_.data_file = "absent.txt";
    out = run(job_, 512);
    EXPECT_EQ(out.result.stop_text,
              "Error reading Data file for specest! absent.txt: No such file or directory");
    EXPECT_NE(out.report.find("  ERROR while opening Data file: absent.txt"), std::string::npos);
    EXPECT_NE(out.report.find(" dataFile = absent.txt<---"), std::string::npos);
}

TEST_F(DriverRun, CapacityIsCheckedBeforeAnythingIsWritten) {
    real_data(tone(100, 0.1));
    job_.npoints = "200"; // rounds to 256
    auto out = run(job_, 255);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_NE(out.result.stop_text.find("hold 255 points; this job needs 256"), std::string::npos);
    for (float v : out.x) ASSERT_EQ(v, 12345.0f);
    EXPECT_EQ(run(job_, 256).result.status, RunStatus::success);
}

TEST_F(DriverRun, ModelOrderMustBeBelowThePointCount) {
    real_data(tone(10, 0.1));
    job_.method = "Auto-correlation";
    job_.npoles = "10";
    auto out = run(job_);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_NE(out.result.stop_text.find("nPoles = 10 with 10 data points"), std::string::npos);
    job_.npoles = "9";
    EXPECT_NE(run(job_).result.status, RunStatus::stopped);
}

TEST_F(DriverRun, OrderAboveMaxOrderStopsInTheDriver) {
    real_data(tone(200, 0.1));
    job_.method = "Burg";
    job_.npoles = "70";
    job_.npoints = "64"; // maxorder 64
    auto out = run(job_);
    EXPECT_EQ(out.result.stop_text, "spectrum_est ... 720 label");
    EXPECT_NE(out.report.find(" ABORTing ... Max_Order must be \">=\" nPoles"), std::string::npos);
    EXPECT_NE(out.report.find("          nPoles =   70    Max_Order =   64"), std::string::npos);
}

TEST_F(DriverRun, PeakTableRules) {
    std::vector<double> x(256);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = std::cos(2 * M_PI * 0.125 * i) + 0.5 * std::cos(2 * M_PI * 0.3125 * i);
    real_data(x);
    job_.npoints = "256";
    auto out = run(job_);
    ASSERT_EQ(out.result.status, RunStatus::success);
    EXPECT_NE(out.report.find("\n\n\n\n" + std::string(52, '-') +
                              "\n      PSD waveform contained following peaks\n"),
              std::string::npos);
    EXPECT_NE(out.report.find(" Peak # 1  at Freq = 1.25000E-01  Ampl. =    0.00000E+00\n"),
              std::string::npos)
        << out.report.substr(out.report.find("PSD waveform"), 400);
    EXPECT_NE(
        out.report.find(" Ck. 4 Peak ... at Freq =     1.21094E-01 Ampl. =   -1.00000E+02\n\n"),
        std::string::npos);
    EXPECT_NE(out.report.find(" Peak # 2  at Freq = 3.12500E-01  Ampl. =   -1.20412E+01\n"),
              std::string::npos);
}

} // namespace
} // namespace specest
