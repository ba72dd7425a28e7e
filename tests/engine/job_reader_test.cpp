// The job reader: text cleaning, method matching, rounding, checks and the report it writes.
#include "job_params.h"
#include "job_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>

namespace specest {
namespace {

using test::Job;

TEST(JobReader, SplitBlanksTabsAndComment) {
    std::string s = "data.txt  \t\t! data file name";
    split(s);
    EXPECT_EQ(s.find_first_not_of(' ', 8), std::string::npos);
    EXPECT_EQ(s.substr(0, 8), "data.txt");
    EXPECT_EQ(s.size(), std::string("data.txt  \t\t! data file name").size());
    std::string two = "a!b!c";
    split(two);
    EXPECT_EQ(two, "a!b  "); // blanked from the last "!"
    std::string none = "x\ty";
    split(none);
    EXPECT_EQ(none, "x y");
}

TEST(JobReader, MethodMatchingOnTwoCharacters) {
    EXPECT_EQ(match_method("Modified Covariance"), 5);
    EXPECT_EQ(match_method("Mo"), 5);
    EXPECT_EQ(match_method("modified"), 0);
    EXPECT_EQ(match_method("Lockheed"), 14);
    EXPECT_EQ(match_method("Auto-Correlation"), 1);
    EXPECT_EQ(match_method("MYWE"), 6);
    EXPECT_EQ(match_method("MVSE"), 13);
    EXPECT_EQ(match_method("Mayne-Firoozan"), 9);
    EXPECT_EQ(match_method("Periodogram"), 11);
    EXPECT_EQ(match_method("P"), 0);
    EXPECT_STREQ(method_display_name(12), "BLACKTUKEY");
    EXPECT_STREQ(method_display_name(5), "Modified COVARIANCE");
}

TEST(JobReader, PowerOfTwoRounding) {
    const std::pair<int, int> cases[] = {
        {64, 64}, {100, 128},    {129, 256},   {1, 1},         {2, 2},
        {3, 4},   {8193, 16384}, {1000, 1024}, {65535, 65536}, {1 << 24, 1 << 24}};
    for (auto [in, out] : cases) EXPECT_EQ(round_to_power_of_two(in), out) << in;
}

class JobRun : public ::testing::Test {
  protected:
    void SetUp() override {
        std::vector<double> x(500);
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = std::sin(0.3 * i) + 0.1 * std::cos(1.1 * i);
        test::write_real_data(dir_ / "data.txt", x, 1.0, "header one\nheader two\n");
        job_.header_lines = "2";
    }
    test::RunOutput run(const Job& j) { return test::run(test::write_job(dir_ / "job.0", j)); }
    test::TempDir dir_;
    Job job_;
};

TEST_F(JobRun, TraceSummaryAndPointCounts) {
    job_.npts = "0";
    job_.npoints = "512";
    job_.window = "Rectangular";
    job_.note1 = "first note ! with bang";
    const auto out = run(job_);
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    EXPECT_EQ(out.result.npts, 500);
    EXPECT_EQ(test::count_lines_with(out.report, " \xC2\xAF Line "), 21);
    EXPECT_NE(out.report.find(" \xC2\xAF Line  21\n"), std::string::npos);
    EXPECT_NE(out.report.find(" dataFile = data.txt<---\n"), std::string::npos);
    EXPECT_NE(out.report.find("  nPoints =  512\n"), std::string::npos);
    EXPECT_NE(out.report.find("         method_name = PERIODOGRAM"), std::string::npos);
    EXPECT_NE(out.report.find("         window_name = Rectangular"), std::string::npos);
    EXPECT_NE(out.report.find("         negative freq.s = No    \n"), std::string::npos);
    EXPECT_NE(out.report.find("         Note1 = first note ! with bang"), std::string::npos);
    EXPECT_EQ(out.report.find("npoles = "), std::string::npos); // -999 is left out
    EXPECT_EQ(out.report.find("eps = "), std::string::npos);
    // Periodogram has no pole/zero note.
    EXPECT_EQ(out.report.find("Note: Maximum # of POLES"), std::string::npos);
}

TEST_F(JobRun, PointsToUseFollowTheRecordCount) {
    job_.npts = "800";
    job_.npoints = "1024";
    EXPECT_EQ(run(job_).result.npts, 500);
    job_.npts = "100";
    EXPECT_EQ(run(job_).result.npts, 100);
    // npts is also limited by the number of frequency points.
    job_.npts = "0";
    job_.npoints = "200";
    EXPECT_EQ(run(job_).result.npts, 256);
}

TEST_F(JobRun, SummaryFieldsAndPoleNoteForParametricMethods) {
    job_.method = "Auto-correlation";
    job_.npoles = "6";
    job_.nzeros = "3";
    job_.eps = "1.0E-05";
    job_.per = "2.5";
    const auto out = run(job_);
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    EXPECT_NE(out.report.find(
                  "     Note: Maximum # of POLES & ZEROS at this compile was (   210   200 )."),
              std::string::npos);
    EXPECT_NE(out.report.find("         npoles =      6\n"), std::string::npos);
    EXPECT_NE(out.report.find("         nzeros =      0\n"),
              std::string::npos); // AR methods have no zeros
    EXPECT_NE(out.report.find("         per =  2.500\n"), std::string::npos);
    EXPECT_NE(out.report.find("         eps =    1.000E-05\n"), std::string::npos);
    EXPECT_NE(out.report.find("         method_name = AUTO-CORRELATION"), std::string::npos);
}

TEST_F(JobRun, BlackmanTukeyLagLimit) {
    job_.method = "Blackman-Tukey";
    job_.npts = "100";
    job_.mode = "0";
    job_.m_lags = "49";
    auto ok = run(job_);
    EXPECT_EQ(ok.result.status, RunStatus::success) << ok.result.stop_text;
    EXPECT_NE(ok.report.find(" Note: Largest Lag (M) ... M < NPTS / 2 : "), std::string::npos);
    job_.m_lags = "50";
    auto bad = run(job_);
    EXPECT_EQ(bad.result.status, RunStatus::stopped);
    EXPECT_EQ(bad.result.stop_text, "M_Lags parameter out of range");
    EXPECT_NE(bad.report.find("         Input ERROR: parameter outside of range:\n"),
              std::string::npos);
    EXPECT_NE(bad.report.find("                      m_lags =     50\n"), std::string::npos);
    EXPECT_NE(bad.report.find("                      m_lags < nPts/2!\n"), std::string::npos);
    EXPECT_NE(bad.report.find("  " + std::string(70, '-')), std::string::npos);
    EXPECT_EQ(bad.report.find("Using following Estimator Parameters"), std::string::npos);
}

TEST_F(JobRun, DurbinLengthLimit) {
    job_.method = "Durbin";
    job_.nzeros = "2";
    job_.npoints = "128"; // maxorder = 128
    job_.l_pts = "129";
    auto bad = run(job_);
    EXPECT_EQ(bad.result.status, RunStatus::stopped);
    EXPECT_EQ(bad.result.stop_text, "L_PTS parameter out of range");
    EXPECT_NE(bad.report.find("     Maximum value is 128  ... Enter L: \n"), std::string::npos);
    EXPECT_NE(bad.report.find("                      nZeros << L_pts << nPts  -and-," +
                              std::string(22, ' ') + "nZeros << L_pts << MaxOrder!\n"),
              std::string::npos);
    job_.l_pts = "128";
    auto ok = run(job_);
    EXPECT_NE(ok.result.stop_text, "L_PTS parameter out of range");
    EXPECT_NE(ok.report.find("Maximum value is 128  ... Enter L:   \n"), std::string::npos);
}

TEST_F(JobRun, EquationCountRange) {
    job_.method = "LSMYWE";
    job_.npoles = "10";
    job_.nzeros = "2";
    job_.npts = "300";
    job_.m_eqs = "13";
    auto bad = run(job_);
    EXPECT_EQ(bad.result.stop_text, "M_Eqs parameter out of range");
    EXPECT_NE(bad.report.find("       Minimum/Maximum range for M_Eqs =     14  to   300\n"),
              std::string::npos);
    EXPECT_NE(bad.report.find("                      nPoles+nZeros+1 =     13\n"),
              std::string::npos);
    EXPECT_NE(bad.report.find("                      nPoles+nZeros+1 < M_Eqs <= nPts\n\n  ---"),
              std::string::npos);
    for (const char* m : {"14", "300"}) {
        job_.m_eqs = m;
        EXPECT_NE(run(job_).result.stop_text, "M_Eqs parameter out of range") << m;
    }
    job_.m_eqs = "301";
    EXPECT_EQ(run(job_).result.stop_text, "M_Eqs parameter out of range");
}

TEST_F(JobRun, UnknownMethodStopsAfterTheDataAreRead) {
    job_.method = "modified";
    auto out = run(job_);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    // The system's sentence first, then the name that did not match and the names that do.
    EXPECT_EQ(out.result.stop_text.rfind("in Spectrum_est: the method \"modified\" matches none "
                                         "of Auto-correlation, Burg, RMLE,",
                                         0),
              0u)
        << out.result.stop_text;
    EXPECT_NE(out.report.find("         --> METHOD number out of range: method =   0\n"),
              std::string::npos);
    EXPECT_NE(out.report.find("delta_t/t_window = "), std::string::npos);
    EXPECT_NE(out.report.find("         method_name = modified"), std::string::npos);
}

TEST_F(JobRun, LongDataPathIsReadWhole) {
    // Longer than 60 characters: must not be cut.
    const auto deep =
        dir_.path() / "a-rather-long-folder-name-for-measurement-data" / "campaign-2026";
    std::filesystem::create_directories(deep);
    std::filesystem::copy_file(dir_ / "data.txt", deep / "series.txt");
    job_.data_file = (deep / "series.txt").string();
    ASSERT_GT(job_.data_file.size(), 60u);
    auto out = run(job_);
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    EXPECT_NE(out.report.find(job_.data_file + "<---"), std::string::npos);
}

TEST_F(JobRun, LfLineEndsAndQuotedValuesAreAccepted) {
    std::string text;
    for (const auto& v : job_.values()) text += v + "\n";
    test::write_text(dir_ / "lf.0", text);
    EXPECT_EQ(test::run(dir_ / "lf.0").result.status, RunStatus::success);
    job_.method = "'Periodogram'";
    job_.window = "\"Hanning\"";
    auto out = run(job_);
    EXPECT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    EXPECT_NE(out.report.find("window_name = Hanning"), std::string::npos);
}

struct BadJob {
    const char* name;
    int line;
    std::string value;
    const char* expect; // part of the stop text
};

class BadJobValues : public JobRun, public ::testing::WithParamInterface<BadJob> {};

TEST_P(BadJobValues, AreRefusedWithFileLineAndProblem) {
    const BadJob& c = GetParam();
    auto values = job_.values();
    values[static_cast<std::size_t>(c.line - 1)] = c.value;
    std::string text;
    for (const auto& v : values) text += v + "  \t\t! q\r\n";
    test::write_text(dir_ / "bad.0", text);
    std::vector<float> x(64, 5.0f), s(64, 5.0f);
    const auto out = test::run(dir_ / "bad.0", 4096);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_NE(out.result.stop_text.find(c.expect), std::string::npos) << out.result.stop_text;
    for (float v : out.x) ASSERT_EQ(v, 12345.0f); // nothing written to the caller's arrays
    EXPECT_NE(out.report.find(" STOP"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadJobValues,
    ::testing::Values(BadJob{"letters_for_npoints", 9, "many",
                             "line 9: the number of frequency points must be a whole number"},
                      BadJob{"float_for_integer", 3, "2.5", "line 3:"},
                      BadJob{"empty_value_line", 4, "", "line 4: no value"},
                      BadJob{"bad_eps", 12, "1.0E-5x", "line 12: eps must be a number"},
                      BadJob{"zero_npoints", 9, "0", "nPoints parameter out of range"},
                      BadJob{"negative_npoints", 9, "-5", "nPoints parameter out of range"},
                      BadJob{"huge_npoints", 9, "2147483647", "nPoints parameter out of range"},
                      BadJob{"negative_npts", 4, "-1", "nPts parameter out of range"},
                      BadJob{"negative_header", 3, "-1", "line 3:"},
                      BadJob{"maybe_for_negative_frequencies", 8, "maybe",
                             "line 8: the negative-frequency answer must be Y or N"}),
    [](const auto& info) { return std::string(info.param.name); });

// The run refuses what read_job refuses, with the same message: one reader.
TEST_F(JobRun, RunAndReadJobRefuseTheSameExtraLine) {
    std::string text;
    for (const auto& v : job_.values()) text += v + "\r\n";
    test::write_text(dir_ / "extra.0", text + "\r\n  \r\n");
    EXPECT_EQ(run(job_).result.status, RunStatus::success);
    EXPECT_EQ(test::run(dir_ / "extra.0").result.status, RunStatus::success);
    test::write_text(dir_ / "extra.0", text + "22nd line\r\n");
    std::array<std::string, kJobLines> v;
    std::string why;
    EXPECT_FALSE(read_job((dir_ / "extra.0").string(), v, why));
    const auto out = test::run(dir_ / "extra.0", 4096);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_EQ(out.result.stop_text, why);
    EXPECT_NE(why.find("line 22: the file goes on past line 21"), std::string::npos) << why;
}

TEST_F(JobRun, LagCountIsBoundedLikeTheGrid) {
    job_.method = "Blackman-Tukey";
    job_.mode = "0";
    job_.m_lags = std::to_string(record::kMaxLength + 1);
    const auto out = run(job_);
    EXPECT_EQ(out.result.stop_text, "M_Lags parameter out of range");
    EXPECT_NE(out.report.find("m_lags <= 16777216"), std::string::npos);
}

TEST_F(JobRun, ShortOrMissingJobFile) {
    std::string text;
    auto values = job_.values();
    for (int i = 0; i < 15; ++i) text += values[static_cast<std::size_t>(i)] + "\r\n";
    test::write_text(dir_ / "short.0", text);
    auto out = test::run(dir_ / "short.0", 512);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_NE(out.result.stop_text.find("short.0, line 16: the file ends here"), std::string::npos)
        << out.result.stop_text;

    auto missing = test::run(dir_ / "nope.0", 512);
    EXPECT_EQ(missing.result.status, RunStatus::stopped);
    EXPECT_EQ(missing.result.stop_text, "Error reading Input file for specest! " +
                                            (dir_ / "nope.0").string() +
                                            ": No such file or directory");
    EXPECT_NE(
        missing.report.find("  ERROR while opening Input file: " + (dir_ / "nope.0").string()),
        std::string::npos);
}

// read_job: the values of a job as the run takes them, whatever the line ends.
std::string joined(const std::array<std::string, kJobLines>& v) {
    std::string s;
    for (const auto& x : v) s += x + "|";
    return s;
}

TEST_F(JobRun, ReadJobGivesTheSameValuesForEveryLineEnd) {
    job_.note1 = "a note ! its comment";
    job_.eps = "1.0E-05";
    test::write_job(dir_ / "crlf.0", job_);
    const std::string crlf = test::read_text(dir_ / "crlf.0");
    std::array<std::string, kJobLines> base, other;
    std::string why;
    ASSERT_TRUE(read_job((dir_ / "crlf.0").string(), base, why)) << why;
    EXPECT_EQ(base[0], "test job");
    EXPECT_EQ(base[1], "data.txt");
    EXPECT_EQ(base[6], "Periodogram");
    EXPECT_EQ(base[8], "256");
    EXPECT_EQ(base[9], "-999");
    EXPECT_EQ(base[11], "1.0E-05");
    EXPECT_EQ(base[19], "a note"); // from the last "!" on, as split() takes it
    auto with_ends = [&](const std::string& end) {
        std::string t;
        for (std::size_t i = 0; i < crlf.size(); ++i) {
            if (crlf[i] == '\r') continue;
            t += crlf[i] == '\n' ? end : std::string(1, crlf[i]);
        }
        return t;
    };
    // Mixed: line ends cycle through LF, CR and CRLF.
    std::string mixed;
    int k = 0;
    for (char c : with_ends("\n")) {
        if (c != '\n') {
            mixed += c;
            continue;
        }
        mixed += k % 3 == 0 ? "\n" : k % 3 == 1 ? "\r" : "\r\n";
        ++k;
    }
    for (const std::string& text :
         {with_ends("\n"), with_ends("\r"), mixed, with_ends("\r\n") + "\r\n  \r\n"}) {
        test::write_text(dir_ / "other.0", text);
        ASSERT_TRUE(read_job((dir_ / "other.0").string(), other, why)) << why;
        EXPECT_EQ(joined(other), joined(base));
        // The run reads the same file the same way: CR-only jobs run too.
        EXPECT_EQ(test::run(dir_ / "other.0").result.status, RunStatus::success);
    }
}

struct NotAJob {
    const char* name;
    std::string text; // "{JOB}" stands for the 21 lines of the default job
    const char* expect;
};

class ReadJobRefuses : public JobRun, public ::testing::WithParamInterface<NotAJob> {};

TEST_P(ReadJobRefuses, WithFileLineAndProblem) {
    std::string job;
    for (const auto& v : job_.values()) job += v + "\r\n";
    std::string text = GetParam().text;
    if (auto at = text.find("{JOB}"); at != std::string::npos) text.replace(at, 5, job);
    const auto path = dir_ / "bad.0";
    test::write_text(path, text);
    std::array<std::string, kJobLines> v;
    std::string why;
    EXPECT_FALSE(read_job(path.string(), v, why));
    EXPECT_NE(why.find(path.string()), std::string::npos) << why;
    EXPECT_NE(why.find(GetParam().expect), std::string::npos) << why;
    EXPECT_LE(why.size(), path.string().size() + 300u) << "a message quotes at most 80 bytes";
}

std::string utf16(const std::string& ascii) {
    std::string s = "\xFF\xFE";
    for (char c : ascii) s += std::string(1, c) + '\0';
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadJobRefuses,
    ::testing::Values(
        NotAJob{"binary",
                std::string("\x7F"
                            "ELF\x02\x01\x01\0\0\0",
                            10),
                "line 1: the line holds a NUL byte"},
        NotAJob{"utf16", utf16("title\r\ndata.txt\r\n"), "NUL byte"},
        NotAJob{"twenty_lines",
                "1\n2\n3\n4\n5\n6\n7\nN\n9\n10\n11\n12\n13\n14\n15\n16\n17\n18\n19\n20\n",
                "line 21: the file ends here"},
        NotAJob{"short", "t\r\nd\r\n0\r\n0\r\nR\r\n0\r\nBurg\r\nN\r\n256\r\n",
                "line 10: the file ends here"},
        NotAJob{"maybe", "t\nd\n0\n0\nR\n0\nBurg\nmaybe\n",
                "line 8: the negative-frequency answer must be Y or N (Yes or No), not \"maybe\""},
        NotAJob{"extra_line", "{JOB}more\r\n", "line 22: the file goes on past line 21"},
        NotAJob{"unknown_method",
                "t\nd\n0\n0\nR\n0\nZebra\nN\n256\n-999\n-999\n-999\n-999\n-999\n"
                "-999\n-999\n-999\n-999\n-999\n\n\n",
                "line 7: the method \"Zebra\" is none of the fourteen"},
        NotAJob{"bad_number", "t\nd\n0\n0\nR\n0\nBurg\nN\n" + std::string(200, '7') + "x\n",
                "line 9: nfft must be a whole number, not \"77777"},
        NotAJob{"long_line", "t\n" + std::string((1 << 20) + 10, 'a') + "\n",
                "at most 1048576 are expected"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JobRun, ReadJobRefusesADirectoryAndAMissingFile) {
    std::array<std::string, kJobLines> v;
    std::string why;
    EXPECT_FALSE(read_job(dir_.path().string(), v, why));
    EXPECT_NE(why.find("a directory"), std::string::npos) << why;
    EXPECT_FALSE(read_job((dir_ / "none.0").string(), v, why));
    EXPECT_NE(why.find("none.0: No such file"), std::string::npos) << why;
}

TEST_F(JobRun, RunStopsOnALongLineNamingItAndQuotesLittle) {
    // A data line of 2 MiB without a line end: refused, naming its line, not echoed whole.
    test::write_text(dir_ / "long.txt", "h1\nh2\n1 2\n" + std::string(2 << 20, '5'));
    job_.data_file = (dir_ / "long.txt").string();
    auto out = run(job_);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_NE(out.result.stop_text.find("line 4: the line is longer than"), std::string::npos)
        << out.result.stop_text.substr(0, 300);
    EXPECT_LT(out.report.size(), 20000u);
    // A bad field of 5000 characters is quoted by its first 80.
    test::write_text(dir_ / "wide.txt", "h1\nh2\n1 2\n2 " + std::string(5000, 'q') + "\n");
    job_.data_file = (dir_ / "wide.txt").string();
    out = run(job_);
    EXPECT_EQ(out.result.status, RunStatus::stopped);
    EXPECT_NE(out.result.stop_text.find("\"" + std::string(80, 'q') + "...\" (5000 bytes)"),
              std::string::npos)
        << out.result.stop_text;
    EXPECT_LT(out.result.stop_text.size(), 400u);
}

} // namespace
} // namespace specest
