// Runs that share a report folder: each gets its own report text and its own reason, from its
// own buffer, while the shared "~Lumetra.out" is replaced whole by whichever run ends last.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <thread>

namespace specest {
namespace {

namespace fs = std::filesystem;
using test::Job;

std::string without_clock(const std::string& report) {
    static const std::regex clock(R"(\d\d/\d\d/\d\d   \d\d:\d\d:\d\d)");
    return std::regex_replace(report, clock, "DATE");
}

struct Own {
    RunStatus status;
    std::string stop_text, report;
    EstimateStatus estimate_status;
    std::string message, estimate_report;
};

Own run_one(const fs::path& job, const fs::path& dir) {
    RunOptions opt;
    opt.report_dir = dir.string();
    opt.keep_report = true;
    std::vector<float> x(1 << 12), s(1 << 12);
    const RunResult r = run_job(job.string(), x, s, opt);
    const Estimate e = run_job_file(job.string(), opt);
    return {r.status, r.stop_text, without_clock(r.report),
            e.status, e.message,   without_clock(e.report)};
}

TEST(ReportIsolation, ThreadsInOneFolderEachGetTheirOwnReportAndReason) {
    test::TempDir dir;
    test::write_real_data(dir / "zero.txt", std::vector<double>(40, 0.0));
    std::vector<double> tone(200);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = std::sin(0.4 * static_cast<double>(i));
    test::write_real_data(dir / "tone.txt", tone);
    constexpr int kRuns = 8;
    std::vector<fs::path> jobs;
    for (int i = 0; i < kRuns; ++i) {
        Job j;
        j.title = "job-" + std::to_string(i);
        if (i % 2 == 0) {
            j.data_file = "tone.txt";
            j.npoints = std::to_string(64 << (i / 2));
        } else { // estimator failures of different estimators and orders
            j.data_file = "zero.txt";
            j.method = i % 4 == 1 ? "Auto-correlation" : "Burg";
            j.npoles = std::to_string(i);
        }
        jobs.push_back(test::write_job(dir / ("job" + std::to_string(i) + ".0"), j));
    }
    std::vector<Own> alone;
    for (const auto& j : jobs) alone.push_back(run_one(j, dir.path()));
    for (int i = 0; i < kRuns; ++i) {
        const Own& a = alone[static_cast<std::size_t>(i)];
        EXPECT_EQ(a.status, i % 2 == 0 ? RunStatus::success : RunStatus::estimator_failure);
        EXPECT_NE(a.report.find("Batch filename = job-" + std::to_string(i) + " "),
                  std::string::npos);
        EXPECT_EQ(a.report, a.estimate_report);
        if (i % 2 == 1) {
            EXPECT_FALSE(a.stop_text.empty());
        }
    }
    EXPECT_NE(alone[1].stop_text, alone[3].stop_text);

    std::vector<int> mismatches(kRuns, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < kRuns; ++i)
        threads.emplace_back([&, i] {
            const auto k = static_cast<std::size_t>(i);
            for (int round = 0; round < 10; ++round) {
                const Own o = run_one(jobs[k], dir.path());
                const Own& a = alone[k];
                if (o.status != a.status || o.stop_text != a.stop_text || o.report != a.report ||
                    o.estimate_status != a.estimate_status || o.message != a.message ||
                    o.estimate_report != a.estimate_report)
                    ++mismatches[k];
            }
        });
    for (auto& t : threads) t.join();
    for (int i = 0; i < kRuns; ++i)
        EXPECT_EQ(mismatches[static_cast<std::size_t>(i)], 0) << "run " << i;
    // The shared file is some run's whole report; no temporary is left.
    const std::string last = without_clock(test::read_text(dir / "~Lumetra.out"));
    bool whole = false;
    for (const Own& a : alone) whole = whole || last == a.report;
    EXPECT_TRUE(whole);
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

} // namespace
} // namespace specest
