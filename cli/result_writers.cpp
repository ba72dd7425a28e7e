#include "result_writers.h"

#include "peaks.h"

#include <charconv>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>

namespace specest::cli {
namespace {

std::string num(float v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

} // namespace

std::string status_name(RunStatus s) {
    switch (s) {
    case RunStatus::success:
        return "success";
    case RunStatus::estimator_failure:
        return "estimator failure";
    case RunStatus::stopped:
        return "stopped";
    }
    return "unknown";
}

void write_summary(std::ostream& out, const std::string& job, const RunResult& r) {
    out << "Job " << job << ": ";
    switch (r.status) {
    case RunStatus::success:
        out << r.method_name << " estimate from " << r.npts
            << " data points (t = " << num(r.t_start) << " to " << num(r.t_final) << "), "
            << r.n_freq_pts << " frequency points, zero fill " << num(r.zero_fill) << " %";
        if (r.sig2 != 0.0f) out << ", noise variance " << num(r.sig2);
        out << ". Run report: " << r.report_path << "\n";
        break;
    case RunStatus::estimator_failure: {
        out << "the " << r.method_name << " estimator failed; no spectrum was produced.";
        // The estimator's last paragraph (the reason; numbers before it stay in the report),
        // as one line of words.
        const std::size_t gap = r.stop_text.rfind("\n\n");
        const std::string_view last =
            std::string_view(r.stop_text).substr(gap == std::string::npos ? 0 : gap + 2);
        std::string why;
        for (const char c : last) {
            const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
            if (!blank)
                why += c;
            else if (!why.empty() && why.back() != ' ')
                why += ' ';
        }
        while (!why.empty() && why.back() == ' ') why.pop_back();
        if (!why.empty()) out << " " << why;
        out << " The run report " << r.report_path << " says more.\n";
        break;
    }
    case RunStatus::stopped:
        out << "the run stopped: " << r.stop_text << ". Run report: " << r.report_path << "\n";
        break;
    }
}

void write_peak_table(std::ostream& out, const Spectrum& s) {
    const int n = static_cast<int>(s.db.size());
    auto* y = const_cast<float*>(s.db.data());
    const auto peaks = find_peaks(Vec1<float>(y, n), n);
    if (peaks.empty()) {
        out << "No peaks.\n";
        return;
    }
    char line[96];
    std::snprintf(line, sizeof line, "%6s %16s %12s\n", "Peak", "Frequency", "dB");
    out << line;
    int k = 0;
    for (int j : peaks) {
        const auto i = static_cast<std::size_t>(j - 1);
        std::snprintf(line, sizeof line, "%6d %16.6g %12.3f\n", ++k, static_cast<double>(s.freq[i]),
                      static_cast<double>(s.db[i]));
        out << line;
    }
}

void write_csv(std::ostream& out, const Spectrum& s) {
    out << "frequency,dB\n";
    for (std::size_t i = 0; i < s.db.size(); ++i)
        out << num(s.freq[i]) << ',' << num(s.db[i]) << '\n';
}

void write_json(std::ostream& out, const std::string& job, const RunResult& r, const Spectrum& s) {
    nlohmann::json j;
    j["job"] = job;
    j["status"] = status_name(r.status);
    j["stop_text"] = r.stop_text;
    j["report"] = r.report_path;
    j["method"] = r.method;
    j["method_name"] = r.method_name;
    j["npts"] = r.npts;
    j["n_freq_pts"] = r.n_freq_pts;
    j["t_start"] = r.t_start;
    j["t_final"] = r.t_final;
    j["zero_fill"] = r.zero_fill;
    j["sig2"] = r.sig2;
    j["frequency"] = std::vector<float>(s.freq.begin(), s.freq.end());
    j["spectrum_db"] = std::vector<float>(s.db.begin(), s.db.end());
    // File names and report text may be in any encoding; invalid UTF-8 becomes U+FFFD.
    out << j.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

} // namespace specest::cli
