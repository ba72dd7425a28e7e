// scipy's windows in double: every name against scipy.signal.get_window run at test time, and
// the properties that hold whatever scipy says.
#include "window64.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace specest {
namespace {

const char* const kCanonical[] = {"boxcar", "hann", "hamming", "blackman", "bartlett", "triang"};
const std::size_t kLengths[] = {1, 2, 5, 8, 9, 16};

// One line per window, name, length and flag: "name n fftbins w0 w1 ...", from scipy.
std::string scipy_rows() {
    std::string script = "from scipy.signal import get_window\n"
                         "for name in ['boxcar','hann','hamming','blackman','bartlett','triang']:\n"
                         "  for n in [1,2,5,8,9,16]:\n"
                         "    for fb in [1,0]:\n"
                         "      w = get_window(name, n, fftbins=bool(fb))\n"
                         "      print(name, n, fb, ' '.join(repr(float(v)) for v in w))\n";
    const std::string command = "/usr/bin/python3 -c \"" + script + "\" 2>&1";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buf[4096];
        while (std::fgets(buf, sizeof buf, pipe)) out += buf;
        if (pclose(pipe) != 0) out = "failed: " + out;
    }
    return out;
}

TEST(Window64, EveryWindowMatchesScipy) {
    const std::string rows = scipy_rows();
    ASSERT_EQ(rows.rfind("failed", 0), std::string::npos) << rows;
    std::istringstream in(rows);
    std::string line;
    int compared = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name;
        std::size_t n = 0;
        int fftbins = 0;
        ASSERT_TRUE(fields >> name >> n >> fftbins) << line;
        std::vector<double> want;
        for (double v; fields >> v;) want.push_back(v);
        const auto got = window64::get_window(name, n, fftbins != 0);
        ASSERT_TRUE(got.weights) << got.error;
        ASSERT_EQ(got.weights->size(), want.size()) << line;
        for (std::size_t k = 0; k < n; ++k)
            EXPECT_NEAR((*got.weights)[k], want[k], 1e-15) << line << " k=" << k;
        ++compared;
    }
    EXPECT_EQ(compared, 6 * 6 * 2);
}

// Closed forms from the definitions, independent of scipy: the rows that tell the two triangles
// apart and pin the cosine coefficients.
TEST(Window64, ClosedFormRows) {
    struct Row {
        const char* name;
        std::size_t n;
        bool fftbins;
        std::vector<double> want;
    };
    const Row rows[] = {
        {"hann", 4, true, {0.0, 0.5, 1.0, 0.5}},
        {"hann", 5, false, {0.0, 0.5, 1.0, 0.5, 0.0}},
        {"hamming", 3, false, {0.08, 1.0, 0.08}},
        {"blackman", 3, false, {0.0, 1.0, 0.0}},
        {"blackman", 5, false, {0.0, 0.34, 1.0, 0.34, 0.0}},
        {"bartlett", 5, false, {0.0, 0.5, 1.0, 0.5, 0.0}},
        {"bartlett", 4, false, {0.0, 2.0 / 3, 2.0 / 3, 0.0}},
        {"triang", 5, false, {1.0 / 3, 2.0 / 3, 1.0, 2.0 / 3, 1.0 / 3}},
        {"triang", 4, false, {0.25, 0.75, 0.75, 0.25}},
        {"triang", 4, true, {1.0 / 3, 2.0 / 3, 1.0, 2.0 / 3}},
        {"bartlett", 4, true, {0.0, 0.5, 1.0, 0.5}},
        {"rectangular", 3, true, {1.0, 1.0, 1.0}},
        {"hanning", 1, true, {1.0}},
        {"triang", 0, true, {}},
    };
    for (const Row& r : rows) {
        const auto got = window64::get_window(r.name, r.n, r.fftbins);
        ASSERT_TRUE(got.weights) << r.name;
        ASSERT_EQ(got.weights->size(), r.want.size()) << r.name << " " << r.n;
        for (std::size_t k = 0; k < r.n; ++k)
            EXPECT_NEAR((*got.weights)[k], r.want[k], 1e-15)
                << r.name << " n=" << r.n << " fftbins=" << r.fftbins << " k=" << k;
    }
}

TEST(Window64, SymmetricIsExactlySymmetricAndPeriodicDropsTheLastPoint) {
    for (const char* name : kCanonical)
        for (std::size_t n : {2, 3, 7, 64, 65, 1000}) {
            const auto kind = window64::parse_name(name);
            ASSERT_TRUE(kind);
            const auto sym = window64::make(*kind, n, false);
            ASSERT_EQ(sym.size(), n);
            for (std::size_t k = 0; k < n; ++k) {
                ASSERT_EQ(sym[k], sym[n - 1 - k]) << name << " n=" << n << " k=" << k;
                ASSERT_GE(sym[k], -1e-16) << name;
                ASSERT_LE(sym[k], 1.0) << name;
            }
            const auto longer = window64::make(*kind, n + 1, false);
            EXPECT_EQ(window64::make(*kind, n, true),
                      std::vector<double>(longer.begin(), longer.end() - 1))
                << name << " n=" << n;
        }
}

TEST(Window64, AliasesNameTheSameWindowAndUnknownNamesListTheAccepted) {
    const char* const groups[][5] = {{"boxcar", "box", "ones", "rect", "rectangular"},
                                     {"hann", "han", "hanning"},
                                     {"hamming", "hamm", "ham"},
                                     {"blackman", "black", "blk"},
                                     {"bartlett", "bart", "brt"},
                                     {"triang", "triangle", "tri"}};
    for (const auto& g : groups)
        for (const char* alias : g)
            if (alias) {
                EXPECT_EQ(window64::parse_name(alias), window64::parse_name(g[0])) << alias;
            }
    for (const char* bad : {"Hann", "kaiser", "", "hann "}) {
        const auto got = window64::get_window(bad, 8);
        EXPECT_FALSE(got.weights) << bad;
        EXPECT_NE(got.error.find('"' + std::string(bad) + '"'), std::string::npos) << got.error;
        for (const char* name : kCanonical)
            EXPECT_NE(got.error.find(name), std::string::npos) << got.error;
    }
}

} // namespace
} // namespace specest
