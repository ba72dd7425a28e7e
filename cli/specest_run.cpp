// specest-run: runs one job from the command line, for scripting.
#include "result_writers.h"

#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <vector>

int main(int argc, char** argv) {
    CLI::App app{"Runs one spectral-estimation job and prints its summary and peak table."};
    std::string job, report_dir = ".", csv, json;
    bool no_pause = false;
    app.add_option("JOB", job, "job file (21 lines)")->required();
    app.add_option("--report-dir", report_dir, "directory for the run report ~Lumetra.out");
    app.add_option("--csv", csv, "write frequency and dB as CSV to this file");
    app.add_option("--json", json, "write the whole result block as JSON to this file");
    app.add_flag("--no-pause", no_pause, "skip the 2-second pause after the peak table");
    CLI11_PARSE(app, argc, argv);

    const int capacity = specest::required_capacity(job);
    std::vector<float> x(static_cast<std::size_t>(capacity > 0 ? capacity : 1));
    std::vector<float> db(x.size());
    specest::RunOptions opt;
    opt.report_dir = report_dir;
    opt.pause_after_peaks = !no_pause;
    const specest::RunResult r = specest::run_job(job, x, db, opt);

    const auto n =
        static_cast<std::size_t>(r.status == specest::RunStatus::success ? r.n_freq_pts : 0);
    const specest::cli::Spectrum s{{x.data(), n}, {db.data(), n}};
    specest::cli::write_summary(std::cout, job, r);
    if (r.status == specest::RunStatus::success) specest::cli::write_peak_table(std::cout, s);

    auto write_file = [&](const std::string& path, auto&& writer) {
        std::ofstream out(path, std::ios::binary);
        writer(out);
        out.close();
        if (!out) {
            std::cerr << "specest-run: cannot write " << path << "\n";
            return false;
        }
        return true;
    };
    bool ok = true;
    if (!csv.empty())
        ok &= write_file(csv, [&](std::ostream& o) { specest::cli::write_csv(o, s); });
    if (!json.empty())
        ok &= write_file(json, [&](std::ostream& o) { specest::cli::write_json(o, job, r, s); });

    if (r.status == specest::RunStatus::stopped) {
        std::cerr << "specest-run: " << r.stop_text << "\n";
        return 2;
    }
    if (r.status == specest::RunStatus::estimator_failure) return 1;
    return ok ? 0 : 3;
}
