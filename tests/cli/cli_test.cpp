// specest-run: exit codes, summary, peak table, CSV and JSON outputs.
#include "result_writers.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

namespace specest {
namespace {

namespace fs = std::filesystem;

struct Cli {
    int code;
    std::string out;
};

Cli run_cli(const std::string& args, const fs::path& dir, const std::string& shell_prefix = "") {
    const std::string cmd = shell_prefix + std::string(SPECEST_RUN_EXE) + " " + args + " > " +
                            (dir / "stdout.txt").string() + " 2>&1";
    const int rc = std::system(cmd.c_str());
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, test::read_text(dir / "stdout.txt")};
}

class CliRun : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy_file(SPECEST_SAMPLE_DATA, dir_ / "marple64.txt");
        job_.data_file = "marple64.txt";
        job_.header_lines = "1";
        job_.data_type = "C";
        job_.neg_freq = "Y";
        job_.npoints = "128";
        job_.window = "Rectangular";
    }
    test::TempDir dir_;
    test::Job job_;
};

TEST_F(CliRun, SuccessWritesSummaryPeaksCsvAndJson) {
    const auto job = test::write_job(dir_ / "per.0", job_);
    const auto c =
        run_cli(job.string() + " --no-pause --report-dir " + dir_.path().string() + " --csv " +
                    (dir_ / "s.csv").string() + " --json " + (dir_ / "s.json").string(),
                dir_.path());
    ASSERT_EQ(c.code, 0) << c.out;
    EXPECT_NE(c.out.find("PERIODOGRAM estimate from 64 data points"), std::string::npos) << c.out;
    EXPECT_NE(c.out.find("127 frequency points"), std::string::npos);
    EXPECT_NE(c.out.find("Peak"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir_ / "~Lumetra.out"));

    const std::string csv = test::read_text(dir_ / "s.csv");
    EXPECT_EQ(csv.rfind("frequency,dB\n-0.5,", 0), 0u);
    EXPECT_EQ(test::count_lines_with(csv, ","), 128);

    const auto j = nlohmann::json::parse(test::read_text(dir_ / "s.json"));
    EXPECT_EQ(j["status"], "success");
    EXPECT_EQ(j["npts"], 64);
    EXPECT_EQ(j["n_freq_pts"], 127);
    EXPECT_EQ(j["frequency"].size(), 127u);
    EXPECT_EQ(j["spectrum_db"].size(), 127u);
    float mx = -1000;
    for (float v : j["spectrum_db"]) mx = std::max(mx, v);
    EXPECT_EQ(mx, 0.0f);
}

TEST_F(CliRun, StopAndEstimatorFailureExitCodes) {
    const auto missing =
        run_cli((dir_ / "none.0").string() + " --no-pause --report-dir " + dir_.path().string(),
                dir_.path());
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.out.find("specest-run: Error reading Input file for specest!"),
              std::string::npos)
        << missing.out;

    test::write_real_data(dir_ / "zero.txt", std::vector<double>(32, 0.0));
    job_.data_file = "zero.txt";
    job_.header_lines = "0";
    job_.data_type = "R";
    job_.method = "Auto-correlation";
    job_.npoles = "3";
    const auto job = test::write_job(dir_ / "ar.0", job_);
    const auto failed = run_cli(job.string() + " --no-pause --report-dir " + dir_.path().string() +
                                    " --json " + (dir_ / "f.json").string(),
                                dir_.path());
    EXPECT_EQ(failed.code, 1) << failed.out;
    EXPECT_NE(failed.out.find("estimator failed"), std::string::npos);
    // The summary says what the estimator said, not only where to look.
    EXPECT_NE(failed.out.find("no spectrum was produced. "), std::string::npos) << failed.out;
    EXPECT_EQ(failed.out.find("produced. The run report"), std::string::npos) << failed.out;
    // No spectrum, no JSON: a result file only ever holds a result.
    EXPECT_FALSE(fs::exists(dir_ / "f.json"));
    EXPECT_NE(failed.out.find((dir_ / "f.json").string() + " left as it was"), std::string::npos)
        << failed.out;
}

TEST_F(CliRun, FailingRunLeavesEarlierOutputsAsTheyWere) {
    const std::string outputs = " --no-pause --report-dir " + dir_.path().string() + " --csv " +
                                (dir_ / "s.csv").string() + " --json " + (dir_ / "s.json").string();
    const auto good = test::write_job(dir_ / "good.0", job_);
    ASSERT_EQ(run_cli(good.string() + outputs, dir_.path()).code, 0);
    const std::string csv = test::read_text(dir_ / "s.csv");
    const std::string json = test::read_text(dir_ / "s.json");
    ASSERT_GT(csv.size(), 1000u);

    test::write_real_data(dir_ / "zero.txt", std::vector<double>(32, 0.0));
    struct Row {
        const char* what;
        std::function<void(test::Job&)> change;
        int code;
    };
    const Row rows[] = {
        {"stopped: no data file", [](test::Job& j) { j.data_file = "none.txt"; }, 2},
        {"stopped: unknown method", [](test::Job& j) { j.method = "Xyz"; }, 2},
        {"estimator failure",
         [](test::Job& j) {
             j = test::Job{};
             j.data_file = "zero.txt";
             j.method = "Auto-correlation";
             j.npoles = "3";
         },
         1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        test::Job job = job_;
        row.change(job);
        const auto bad = test::write_job(dir_ / "bad.0", job);
        const auto c = run_cli(bad.string() + outputs, dir_.path());
        EXPECT_EQ(c.code, row.code) << c.out;
        EXPECT_EQ(test::read_text(dir_ / "s.csv"), csv);
        EXPECT_EQ(test::read_text(dir_ / "s.json"), json);
    }
}

TEST_F(CliRun, AnOutputThatCannotBeWrittenFailsTheRun) {
    const auto job = test::write_job(dir_ / "per.0", job_);
    const fs::path csv = dir_ / "none" / "s.csv";
    const auto c = run_cli(job.string() + " --no-pause --report-dir " + dir_.path().string() +
                               " --csv " + csv.string() + " --json /dev/full",
                           dir_.path());
    EXPECT_EQ(c.code, 3) << c.out;
    EXPECT_NE(c.out.find("cannot write " + csv.string() + ": "), std::string::npos) << c.out;
    EXPECT_NE(c.out.find("No such file or directory"), std::string::npos) << c.out;
    EXPECT_NE(c.out.find("cannot write /dev/full: not a regular file"), std::string::npos) << c.out;
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(CliRun, JsonStaysValidForPathsInAnyEncoding) {
    // A folder named "°C" in Latin-1: the job path and the report path are not UTF-8.
    const fs::path latin1 = dir_ / "d\xb0"
                                   "C";
    fs::create_directory(latin1);
    fs::copy_file(dir_ / "marple64.txt", latin1 / "marple64.txt");
    const auto job = test::write_job(latin1 / "per.0", job_);
    const auto c = run_cli("'" + job.string() + "' --no-pause --report-dir '" + latin1.string() +
                               "' --json '" + (latin1 / "s.json").string() + "'",
                           dir_.path());
    ASSERT_EQ(c.code, 0) << c.out;
    const auto j = nlohmann::json::parse(test::read_text(latin1 / "s.json"));
    EXPECT_EQ(j["job"], (dir_ /
                         "d\xef\xbf\xbd"
                         "C" /
                         "per.0")
                            .string());
    EXPECT_EQ(j["n_freq_pts"], 127);
}

TEST_F(CliRun, OutOfMemoryIsAClearStopNotAnAbort) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-space limit does not work under AddressSanitizer";
#endif
    job_.npoints = "16777216"; // result arrays alone need 128 MB
    const auto job = test::write_job(dir_ / "big.0", job_);
    const auto c = run_cli("--no-pause --report-dir " + dir_.path().string() + " --json " +
                               (dir_ / "s.json").string() + " " + job.string(),
                           dir_.path(), "ulimit -v 100000; ");
    EXPECT_EQ(c.code, 2) << c.out;
    EXPECT_NE(c.out.find("specest-run: out of memory"), std::string::npos) << c.out;
    EXPECT_FALSE(fs::exists(dir_ / "s.json"));
}

TEST(CliWriters, PeakTableUsesTheEngineRule) {
    const float f[] = {0, 1, 2, 3, 4, 5};
    const float db[] = {-10, -20, -5,
                        -5,  -30, 0}; // peak at 1 only: flat tops and the last point are not peaks
    std::ostringstream out;
    cli::write_peak_table(out, {f, db});
    EXPECT_NE(out.str().find("     1                0      -10.000"), std::string::npos)
        << out.str();
    EXPECT_EQ(out.str().find("     2"), std::string::npos);
    std::ostringstream none;
    const float flat[] = {-1, -1, -1};
    cli::write_peak_table(none, {std::span<const float>(f, 3), flat});
    EXPECT_EQ(none.str(), "No peaks.\n");
}

// Outputs that would lose a file are refused before the run, with exit 4 and nothing written.
TEST_F(CliRun, OutputsThatWouldLoseAFileAreRefusedBeforeTheRun) {
    const auto job = test::write_job(dir_ / "per.0", job_);
    test::write_text(dir_ / "s.csv", "earlier\n");
    const std::string data = test::read_text(dir_ / "marple64.txt");
    ::mkfifo((dir_ / "fifo").c_str(), 0600);
    const std::string base = job.string() + " --no-pause --report-dir " + dir_.path().string();
    struct Row {
        std::string args;
        const char* expect;
    } rows[] = {
        {" --csv " + (dir_ / "s.csv").string() + " --json " + (dir_ / "s.csv").string(),
         "--csv and --json name the same file"},
        {" --csv " + (dir_ / "marple64.txt").string(), "is an input of the run"},
        {" --json " + job.string(), "is an input of the run"},
        {" --csv " + (dir_ / "~Lumetra.out").string(), "the run report and --csv"},
        {" --csv \"\"", "--csv needs a file name"},
        {" --bogus", "bogus"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        const auto c = run_cli(base + row.args, dir_.path());
        EXPECT_EQ(c.code, 4) << c.out;
        EXPECT_NE(c.out.find(row.expect), std::string::npos) << c.out;
        EXPECT_FALSE(fs::exists(dir_ / "~Lumetra.out")) << "the run must not have started";
    }
    EXPECT_EQ(test::read_text(dir_ / "s.csv"), "earlier\n");
    EXPECT_EQ(test::read_text(dir_ / "marple64.txt"), data);
    // A FIFO is refused when written, and stays a FIFO.
    const auto c = run_cli(base + " --csv " + (dir_ / "fifo").string(), dir_.path());
    EXPECT_EQ(c.code, 3) << c.out;
    EXPECT_NE(c.out.find("not a regular file (a FIFO)"), std::string::npos) << c.out;
    EXPECT_TRUE(fs::is_fifo(dir_ / "fifo"));
}

// Eight processes in one report folder, each with its own job: each prints exactly what it
// prints when it runs alone (its own result, its own reason), whatever the others write.
TEST_F(CliRun, ProcessesSharingAReportFolderEachTellTheirOwnRun) {
    test::write_real_data(dir_ / "zero.txt", std::vector<double>(32, 0.0));
    std::vector<std::string> cmds;
    for (int i = 0; i < 8; ++i) {
        test::Job j = job_;
        if (i % 4 == 1) { // stopped: the reason names its own data file
            j.data_file = "missing-" + std::to_string(i) + ".txt";
        } else if (i % 4 == 3) { // the estimator fails: its reason comes from its own report
            j.data_file = "zero.txt";
            j.header_lines = "0";
            j.data_type = "R";
            j.method = i == 3 ? "Auto-correlation" : "Burg";
            j.npoles = std::to_string(i);
        } else {
            j.npoints = std::to_string(64 << (i / 2)); // its own grid size
        }
        const auto job = test::write_job(dir_ / ("j" + std::to_string(i) + ".0"), j);
        cmds.push_back(std::string(SPECEST_RUN_EXE) + " " + job.string() +
                       " --no-pause --report-dir " + dir_.path().string() + " > " +
                       (dir_ / ("o" + std::to_string(i))).string() + " 2>&1; echo $? >> " +
                       (dir_ / ("o" + std::to_string(i))).string());
    }
    std::vector<std::string> alone;
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(std::system(cmds[static_cast<std::size_t>(i)].c_str()), 0);
        alone.push_back(test::read_text(dir_ / ("o" + std::to_string(i))));
    }
    EXPECT_NE(alone[1].find("missing-1.txt"), std::string::npos) << alone[1];
    EXPECT_NE(alone[3].find("estimator failed"), std::string::npos) << alone[3];
    EXPECT_NE(alone[4].find("255 frequency points"), std::string::npos) << alone[4];
    for (int round = 0; round < 5; ++round) {
        std::string all = "(";
        for (const auto& c : cmds) all += c + " & ";
        all += "wait)";
        ASSERT_EQ(std::system(all.c_str()), 0);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(test::read_text(dir_ / ("o" + std::to_string(i))),
                      alone[static_cast<std::size_t>(i)])
                << "process " << i << ", round " << round;
    }
    // No temporary of any run is left in the folder.
    for (const auto& e : fs::directory_iterator(dir_.path()))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

} // namespace
} // namespace specest
