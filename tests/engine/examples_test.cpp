// The eighteen example jobs shipped in examples/: their files are what the front end writes,
// their data are what the README says, and each run finds the peaks its notes promise.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <complex>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace specest {
namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(SPECEST_SAMPLE_DATA).parent_path();

// A spectral line the example must show: a local maximum within `tol` of `freq`
// (cycles per sample) and not below `min_db`.
struct Line {
    double freq;
    double tol;
    double min_db = -100.0;
};

struct Example {
    const char* job;
    const char* data;
    int npts;       // data points used
    int n_freq_pts; // output points
    double top;     // frequency of the 0 dB maximum
    double top_tol;
    std::vector<Line> lines;
    // A band in which the estimator shows only one peak (a merged pair), when lo < hi.
    double merged_lo = 0.0, merged_hi = 0.0;
};

// The textbook record holds two close lines near 0.2 and 0.21 and a weaker one near -0.15.
const Line kLow{0.200, 0.0045}, kHigh{0.210, 0.0045};
Line minus015(double min_db) {
    return {-0.150, 0.005, min_db};
}

const std::vector<Example>& examples() {
    static const std::vector<Example> all = {
        // Zero padding: 32 samples of cos(2 pi 0.1 t) + 0.5 cos(2 pi 0.3 t + 1), grid 1/nPoints.
        {"Ex-0-pad.32", "sines32.txt", 32, 16, 0.1, 0.02, {{0.1, 0.02}, {0.3, 0.02, -20}}},
        {"Ex-0-pad.64", "sines32.txt", 32, 32, 0.1, 0.01, {{0.1, 0.01}, {0.3, 0.01, -20}}},
        {"Ex-0-pad.128", "sines32.txt", 32, 64, 0.1, 0.005, {{0.1, 0.005}, {0.3, 0.006, -20}}},
        {"Ex-0-pad.256", "sines32.txt", 32, 128, 0.1, 0.004, {{0.1, 0.004}, {0.3, 0.004, -20}}},
        {"Ex-0-pad.8k", "sines32.txt", 32, 4096, 0.1, 0.003, {{0.1, 0.003}, {0.3, 0.003, -20}}},
        // AR methods, order 15.
        {"Ex-Auto.0", "marple64.txt", 64, 511, 0.205, 0.006, {minus015(-50)}, 0.19, 0.225},
        {"Ex-Burg.0", "marple64.txt", 64, 511, 0.205, 0.01, {kLow, kHigh, minus015(-95)}},
        {"Ex-Cov.0", "marple64.txt", 64, 511, 0.205, 0.01, {kLow, {0.21, 0.0045, -40}}},
        {"Ex-mCov.0", "marple64.txt", 64, 511, 0.205, 0.01, {kLow, kHigh, minus015(-80)}},
        // Simulated real AR(4) record: true peaks at 0.1102 and 0.1397.
        {"Ex-RMLE.0", "ar4real.txt", 256, 256, 0.110, 0.004, {{0.110, 0.004}, {0.140, 0.008, -15}}},
        {"Ex-Lock.0", "marple64.txt", 64, 511, 0.195, 0.01, {{0.195, 0.01}}},
        // MA.
        {"Ex-Durbi.0", "marple64.txt", 64, 511, 0.205, 0.008, {minus015(-50)}, 0.19, 0.225},
        // ARMA.
        {"Ex-MYWE.0", "marple64.txt", 64, 511, 0.205, 0.01, {kLow, kHigh, minus015(-40)}},
        {"Ex-LSMYW.0", "marple64.txt", 64, 511, 0.205, 0.01, {kLow, kHigh, minus015(-60)}},
        {"Ex-Mayne.0", "marple64.txt", 64, 511, 0.205, 0.006, {minus015(-50)}, 0.19, 0.225},
        // Classical and minimum variance.
        {"Ex-Perio.0", "marple64.txt", 64, 511, 0.205, 0.01, {kLow, kHigh, minus015(-50)}},
        {"Ex-Black.0", "marple64.txt", 64, 511, 0.205, 0.006, {minus015(-50)}, 0.19, 0.225},
        {"Ex-MVSE.0", "marple64.txt", 64, 511, 0.205, 0.01, {kLow, kHigh, minus015(-60)}},
    };
    return all;
}

// Local maxima as the run report lists them: the first point when it falls, then strict
// interior maxima; never the last point.
std::vector<std::size_t> local_maxima(const std::vector<float>& y, std::size_t n) {
    std::vector<std::size_t> peaks;
    if (n >= 2 && y[0] > y[1]) peaks.push_back(0);
    for (std::size_t i = 1; i + 1 < n; ++i)
        if (y[i - 1] < y[i] && y[i] > y[i + 1]) peaks.push_back(i);
    return peaks;
}

class ExampleRun : public ::testing::TestWithParam<Example> {};

TEST_P(ExampleRun, FindsItsPeaks) {
    const Example& ex = GetParam();
    test::TempDir dir;
    fs::copy_file(kExamples / ex.job, dir / ex.job);
    fs::copy_file(kExamples / ex.data, dir / ex.data);

    const auto out = test::run(dir / ex.job);
    ASSERT_EQ(out.result.status, RunStatus::success) << out.result.stop_text;
    EXPECT_EQ(out.result.npts, ex.npts);
    ASSERT_EQ(out.result.n_freq_pts, ex.n_freq_pts);
    EXPECT_NE(out.report.find("Finished PSD Calculations"), std::string::npos);

    const auto n = static_cast<std::size_t>(out.result.n_freq_pts);
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_TRUE(std::isfinite(out.x[i]) && std::isfinite(out.db[i])) << "point " << i;
        ASSERT_GE(out.db[i], -100.0f) << "point " << i;
        ASSERT_LE(out.db[i], 0.0f) << "point " << i;
    }
    const auto top = static_cast<std::size_t>(
        std::max_element(out.db.begin(), out.db.begin() + static_cast<std::ptrdiff_t>(n)) -
        out.db.begin());
    EXPECT_EQ(out.db[top], 0.0f);
    EXPECT_NEAR(out.x[top], ex.top, ex.top_tol);

    const auto peaks = local_maxima(out.db, n);
    std::string listing;
    for (auto j : peaks) {
        char buf[64];
        std::snprintf(buf, sizeof buf, " %.4f:%.1f", static_cast<double>(out.x[j]),
                      static_cast<double>(out.db[j]));
        listing += buf;
    }
    // The report's peak table and the arrays agree.
    EXPECT_EQ(test::count_lines_with(out.report, " Peak #"), static_cast<int>(peaks.size()));

    std::vector<std::size_t> used;
    for (const Line& line : ex.lines) {
        std::size_t best = n;
        for (auto j : peaks) {
            if (std::find(used.begin(), used.end(), j) != used.end()) continue;
            if (std::abs(out.x[j] - line.freq) > line.tol || out.db[j] < line.min_db) continue;
            if (best == n || out.db[j] > out.db[best]) best = j;
        }
        EXPECT_NE(best, n) << "no peak within " << line.tol << " of " << line.freq
                           << " at or above " << line.min_db << " dB; peaks:" << listing;
        if (best != n) used.push_back(best);
    }
    if (ex.merged_lo < ex.merged_hi) {
        const auto in_band = std::count_if(peaks.begin(), peaks.end(), [&](std::size_t j) {
            return out.x[j] >= ex.merged_lo && out.x[j] <= ex.merged_hi;
        });
        EXPECT_EQ(in_band, 1) << "peaks:" << listing;
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleRun, ::testing::ValuesIn(examples()),
                         [](const ::testing::TestParamInfo<Example>& info) {
                             std::string name = info.param.job;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// ---- The job files as the front end writes them ----

std::vector<std::string> crlf_lines(const std::string& text, bool& only_crlf) {
    std::vector<std::string> lines;
    only_crlf = true;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto lf = text.find('\n', start);
        if (lf == std::string::npos) {
            only_crlf = false;
            lines.push_back(text.substr(start));
            break;
        }
        if (lf == start || text[lf - 1] != '\r') only_crlf = false;
        const auto end = (lf > start && text[lf - 1] == '\r') ? lf - 1 : lf;
        lines.push_back(text.substr(start, end - start));
        start = lf + 1;
    }
    return lines;
}

std::size_t utf8_length(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

const std::array<const char*, 18> kLabels = {
    "1. \u00BB  File name containing data points for analysis?",
    "2. \u00BB  Skip how many (header) lines -before- starting to read data?",
    "3. \u00BB  Total number of lines to read for data (0 ==> All)?",
    "4. \u00BB  Data type:  Real -or- Complex?",
    "5. \u00BB  x-Data format in Time units ... HH:MM:SS?",
    "6. \u00BB  Select a Method/Algorithm for Spectral Estimation?",
    "7. \u00BB  Want negative frequencies in plots?",
    "8. \u00BB  nPoints: must be power of 2 (e.g. 64, 128, 256, etc.)?",
    "9. \u00BB  nPoles: AR (AutoRegressive) model order? ",
    "10. \u00BB  nZeros: MA (Moving Average) model order?",
    "11. \u00BB  EPS: Small positive number to test for ill-conditioning of Hessian?",
    "12. \u00BB  Mode: 0 or 1 ?",
    "13. \u00BB  M equations: ?",
    "14. \u00BB  L points: Large AR model order (nPoints / 5 usually works well)?",
    "15. \u00BB  M lag: Largest Lag (M) ... M < nPoints / 2: ?",
    "16. \u00BB  NIT: Maximum number of iterations allowed?",
    "17. \u00BB  PER: stopping criterion, if % change from previous iteration less than PER?",
    "18. \u00BB  Windows for Time Data?",
};

// The first 50 characters (not bytes) of a UTF-8 label.
std::string cut50(const std::string& s) {
    std::size_t chars = 0, i = 0;
    for (; i < s.size(); ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            if (chars == 50) break;
            ++chars;
        }
    }
    return s.substr(0, i);
}

std::vector<int> questions_used(const std::string& method) {
    if (method == "Auto-Correlation" || method == "Burg" || method == "RMLE") return {9};
    if (method == "Covariance" || method == "Modified Covariance") return {9, 11};
    if (method == "MYWE") return {9, 10, 11};
    if (method == "LSMYWE") return {9, 10, 11, 13};
    if (method == "Mayne-Firoozan") return {9, 10, 11, 14};
    if (method == "Durbin") return {10, 14};
    if (method == "Periodogram") return {18};
    if (method == "Blackman-Tukey") return {12, 15};
    if (method == "MVSE") return {9, 11, 12, 14};
    if (method == "Lockheed (Autocorr/Burg)") return {9, 10};
    if (method == "Akaike") return {9, 10, 11, 13, 16, 17};
    return {};
}

TEST(ExampleFiles, WrittenAsTheFrontEndWritesThem) {
    const std::regex date_comment(" 18; (January|February|March|April|May|June|July|August|"
                                  "September|October|November|December) [0-3][0-9], [0-9]{4} @ "
                                  "(1[0-2]|[1-9]):[0-5][0-9] (AM|PM)");
    for (const Example& ex : examples()) {
        SCOPED_TRACE(ex.job);
        bool only_crlf = false;
        const auto lines = crlf_lines(test::read_text(kExamples / ex.job), only_crlf);
        EXPECT_TRUE(only_crlf) << "every line ends with CR LF";
        ASSERT_EQ(lines.size(), 21u);

        std::vector<std::string> values, comments;
        for (const auto& l : lines) {
            const auto sep = l.find("  \t\t! ");
            ASSERT_NE(sep, std::string::npos) << l;
            values.push_back(l.substr(0, sep));
            comments.push_back(l.substr(sep + 6));
            EXPECT_FALSE(values.back().empty());
            EXPECT_EQ(values.back().find('!'), std::string::npos) << l;
            EXPECT_EQ(values.back(),
                      values.back().substr(0, values.back().find_last_not_of(' ') + 1))
                << "values are trimmed";
            EXPECT_LE(utf8_length(comments.back()), 50u) << l;
        }
        EXPECT_EQ(values[0], ex.job);
        EXPECT_TRUE(std::regex_match(comments[0], date_comment)) << comments[0];
        for (int q = 1; q <= 18; ++q) EXPECT_EQ(comments[q], cut50(kLabels[q - 1])) << q;
        EXPECT_EQ(comments[19], "20. \u00BB Note1");
        EXPECT_EQ(comments[20], "    \u00BB Note2");

        EXPECT_EQ(values[1], ex.data) << "a bare file name, found beside the job";
        EXPECT_TRUE(values[4] == "Real" || values[4] == "Complex");
        EXPECT_EQ(values[5], "-999");
        EXPECT_TRUE(values[7] == "Yes" || values[7] == "No");
        const int npoints = std::stoi(values[8]);
        EXPECT_TRUE(npoints > 0 && (npoints & (npoints - 1)) == 0) << npoints;
        const auto used = questions_used(values[6]);
        ASSERT_FALSE(used.empty()) << "method " << values[6];
        for (int q = 9; q <= 18; ++q) {
            const bool uses = std::find(used.begin(), used.end(), q) != used.end();
            EXPECT_EQ(values[q] == "-999", !uses) << "question " << q;
        }
        EXPECT_NE(values[19], "-999") << "every example explains itself in its notes";
    }
}

// ---- The data files are what their headers and the README say ----

std::vector<std::vector<double>> numeric_records(const fs::path& file, int skip) {
    std::istringstream in(test::read_text(file));
    std::string line;
    std::vector<std::vector<double>> rows;
    for (int i = 0; i < skip; ++i) std::getline(in, line);
    while (std::getline(in, line)) {
        for (char& c : line)
            if (c == '(' || c == ')' || c == ',') c = ' ';
        std::istringstream fields(line);
        std::vector<double> row;
        double v;
        while (fields >> v) row.push_back(v);
        if (!row.empty()) rows.push_back(row);
    }
    return rows;
}

TEST(ExampleData, SinesRecordIsTheStatedFormula) {
    const auto rows = numeric_records(kExamples / "sines32.txt", 1);
    ASSERT_EQ(rows.size(), 32u);
    for (std::size_t t = 0; t < rows.size(); ++t) {
        ASSERT_EQ(rows[t].size(), 2u);
        EXPECT_EQ(rows[t][0], static_cast<double>(t));
        const double x = std::cos(2 * M_PI * 0.1 * t) + 0.5 * std::cos(2 * M_PI * 0.3 * t + 1.0);
        EXPECT_NEAR(rows[t][1], x, 1e-6) << "t = " << t;
    }
}

TEST(ExampleData, Ar4RecordFollowsItsRecursion) {
    // Residuals of the stated AR(4) recursion are the unit-variance driving noise.
    const auto rows = numeric_records(kExamples / "ar4real.txt", 1);
    ASSERT_EQ(rows.size(), 256u);
    const double a[4] = {2.7607, -3.8106, 2.6535, -0.9238};
    double sum = 0.0, sum2 = 0.0;
    int count = 0;
    for (std::size_t t = 4; t < rows.size(); ++t) {
        double e = rows[t][1];
        for (int k = 0; k < 4; ++k) e -= a[k] * rows[t - 1 - static_cast<std::size_t>(k)][1];
        sum += e;
        sum2 += e * e;
        ++count;
    }
    const double mean = sum / count, var = sum2 / count - mean * mean;
    EXPECT_NEAR(mean, 0.0, 0.2);
    EXPECT_NEAR(var, 1.0, 0.25);
}

TEST(ExampleData, TextbookRecordHas64ComplexSamples) {
    const auto rows = numeric_records(kExamples / "marple64.txt", 1);
    ASSERT_EQ(rows.size(), 64u);
    for (std::size_t t = 0; t < rows.size(); ++t) {
        ASSERT_EQ(rows[t].size(), 3u) << "time (re,im)";
        EXPECT_EQ(rows[t][0], static_cast<double>(t));
    }
}

} // namespace
} // namespace specest
