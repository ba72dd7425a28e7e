// specest-run: runs one job from the command line, for scripting.
#include "job_reader.h"
#include "output_file.h"
#include "result_writers.h"

#include <CLI/CLI.hpp>

#include <array>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <new>
#include <sstream>
#include <vector>

namespace {

// Exit codes: the run's status (0 success, 1 estimator failure, 2 stopped), 3 when the run
// succeeded but an output could not be written, 4 for a command line that makes no run (as
// Lumetra --batch).
constexpr int kExitStopped = 2;
constexpr int kExitOutput = 3;
constexpr int kExitArguments = 4;

// The data file a job names, found as the run finds it (current folder, then the job's); empty
// when the job cannot be read (the run then says why).
std::string data_file_of(const std::string& job) {
    namespace fs = std::filesystem;
    std::array<std::string, specest::kJobLines> v;
    std::string why;
    if (!specest::read_job(job, v, why, false) || v[1].empty()) return {};
    std::error_code ec;
    const fs::path p(v[1]);
    if (p.is_absolute() || fs::exists(p, ec)) return v[1];
    const fs::path alt = fs::path(job).parent_path() / p;
    return fs::exists(alt, ec) ? alt.string() : v[1];
}

// Outputs named twice, naming an input or the run report, or given as "": refused before the
// run, so nothing is lost.
std::string refused_outputs(const CLI::App& app, const std::string& job,
                            const std::string& report_dir, const std::string& csv,
                            const std::string& json) {
    for (const char* option : {"--csv", "--json"}) {
        const std::string& name = std::string(option) == "--csv" ? csv : json;
        if (app.count(option) > 0 && name.empty())
            return std::string(option) + " needs a file name, not \"\"";
    }
    const std::string report =
        (report_dir.empty() ? std::string(".") : report_dir) + "/~Lumetra.out";
    return specest::output::check_outputs(
        {{"the run report", report}, {"--csv", csv}, {"--json", json}}, {job, data_file_of(job)});
}

int run(int argc, char** argv) {
    CLI::App app{"Runs one spectral-estimation job and prints its summary and peak table."};
    std::string job, report_dir = ".", csv, json;
    bool no_pause = false;
    app.add_option("JOB", job, "job file (21 lines)")->required();
    app.add_option("--report-dir", report_dir, "directory for the run report ~Lumetra.out");
    app.add_option("--csv", csv, "write frequency and dB as CSV to this file");
    app.add_option("--json", json, "write the whole result block as JSON to this file");
    app.add_flag("--no-pause", no_pause, "skip the 2-second pause after the peak table");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e); // --help
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitArguments;
    }
    if (const std::string why = refused_outputs(app, job, report_dir, csv, json); !why.empty()) {
        std::cerr << "specest-run: " << why << "\n";
        return kExitArguments;
    }

    const int capacity = specest::required_capacity(job);
    std::vector<float> x(static_cast<std::size_t>(capacity > 0 ? capacity : 1));
    std::vector<float> db(x.size());
    specest::RunOptions opt;
    opt.report_dir = report_dir;
    opt.pause_after_peaks = !no_pause;
    const specest::RunResult r = specest::run_job(job, x, db, opt);
    const bool success = r.status == specest::RunStatus::success;

    const auto n = static_cast<std::size_t>(success ? r.n_freq_pts : 0);
    const specest::cli::Spectrum s{{x.data(), n}, {db.data(), n}};
    specest::cli::write_summary(std::cout, job, r);
    if (success) specest::cli::write_peak_table(std::cout, s);
    std::cout.flush();

    // A result with a non-finite value is no result; say so rather than write it.
    auto not_a_result = [&](const std::string& what) {
        std::cerr << "specest-run: the engine returned a non-finite " << what
                  << "; no output written\n";
        return kExitStopped;
    };
    if (success) {
        for (std::size_t i = 0; i < n; ++i)
            if (!std::isfinite(x[i]) || !std::isfinite(db[i]))
                return not_a_result("value at frequency point " + std::to_string(i + 1));
        if (!std::isfinite(r.sig2)) return not_a_result("noise variance");
        if (!std::isfinite(r.t_start) || !std::isfinite(r.t_final))
            return not_a_result("time span");
    }

    bool ok = true;
    auto write_file = [&](const std::string& path, auto&& writer) {
        if (path.empty()) return;
        if (!success) {
            std::cerr << "specest-run: no spectrum, " << path << " left as it was\n";
            return;
        }
        std::ostringstream text;
        writer(text);
        const std::string error = specest::cli::write_file_atomically(path, text.str());
        if (!error.empty()) {
            std::cerr << "specest-run: " << error << "\n";
            ok = false;
        }
    };
    write_file(csv, [&](std::ostream& o) { specest::cli::write_csv(o, s); });
    write_file(json, [&](std::ostream& o) { specest::cli::write_json(o, job, r, s); });

    if (!std::cout) {
        std::cerr << "specest-run: cannot write the summary to standard output\n";
        ok = false;
    }
    if (r.status == specest::RunStatus::stopped) {
        std::cerr << "specest-run: " << r.stop_text << "\n";
        return kExitStopped;
    }
    if (!success) return static_cast<int>(r.status);
    return ok ? 0 : kExitOutput;
}

} // namespace

int main(int argc, char** argv) {
    // Over a file-size limit the output writer's writes fail with EFBIG: it holds SIGXFSZ back
    // in its own thread, so nothing is ignored process-wide.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "specest-run: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "specest-run: internal error: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "specest-run: internal error\n";
    }
    return kExitStopped;
}
