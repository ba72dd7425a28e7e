// Numbers in data and job files: the one-pass parser accepts exactly what the two-pass
// reference accepted, with the same bits, over a large random set of spellings; and the
// allocation-free field splitter finds the same fields as the allocating one.
#include "free_form.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace specest {
namespace {

// The parser as it was: through double, then straight to single precision.
bool reference_to_float(std::string_view s, float& v) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
    };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty() || s.size() > 80) return false;
    char buf[96];
    std::size_t k = 0;
    for (char c : s) buf[k++] = (c == 'd' || c == 'D') ? 'e' : c;
    for (std::size_t j = 0; j < k; ++j)
        if (std::isalpha(static_cast<unsigned char>(buf[j])) && buf[j] != 'e' && buf[j] != 'E')
            return false;
    double d = 0;
    auto r = std::from_chars(buf, buf + k, d);
    if (r.ec != std::errc() || r.ptr != buf + k) return false;
    if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max()) return false;
    float f = 0;
    auto rf = std::from_chars(buf, buf + k, f);
    if (rf.ec != std::errc()) f = static_cast<float>(d);
    v = f;
    return true;
}

std::string spelling(std::mt19937_64& rng) {
    std::uniform_int_distribution<int> pick(0, 11);
    std::uniform_real_distribution<double> mant(-10.0, 10.0);
    std::uniform_int_distribution<int> ex(-50, 42);
    char buf[128];
    const double v = mant(rng) * std::pow(10.0, ex(rng));
    switch (pick(rng)) {
    case 0:
        std::snprintf(buf, sizeof buf, "%.9g", v);
        break;
    case 1:
        std::snprintf(buf, sizeof buf, "%.17e", v);
        break;
    case 2:
        std::snprintf(buf, sizeof buf, "%+.6E", v);
        break;
    case 3: // Fortran exponent letters
        std::snprintf(buf, sizeof buf, "%.8e", v);
        for (char* p = buf; *p; ++p)
            if (*p == 'e') *p = (rng() & 1) ? 'd' : 'D';
        break;
    case 4:
        std::snprintf(buf, sizeof buf, "  %.7g \t", v);
        break;
    case 5:
        std::snprintf(buf, sizeof buf, "%.12f", v);
        break;
    case 6: // the edge of single precision, above and below
        std::snprintf(buf, sizeof buf, "%.9g",
                      std::numeric_limits<float>::max() * (1.0 + (mant(rng) * 1e-8)));
        break;
    case 7: // subnormal and underflowing values
        std::snprintf(buf, sizeof buf, "%.9g", mant(rng) * 1e-42 * std::pow(10.0, -(rng() % 6)));
        break;
    case 8:
        std::snprintf(buf, sizeof buf, "%d", static_cast<int>(mant(rng) * 1000));
        break;
    case 9: // not numbers, or numbers with something after them
    {
        static const char* junk[] = {"1.5x",  "--1",   "1e",    "e5",    "inf",  "nan",
                                     "1.2.3", "0x1p3", "",      "+",     "1,5",  "1e+",
                                     ".",     "+.5",   "1-2",   "1e5.5", "1.e5", "-",
                                     "-e5",   ".e5",   "1e+-5", "-.5",   "5.",   "00012.5e-0003",
                                     "1e-45", "1E-38", "-0",    "0e9",   "1ee5", "3.4028236e38"};
        std::snprintf(buf, sizeof buf, "%s", junk[rng() % (sizeof junk / sizeof *junk)]);
        break;
    }
    case 10:
        std::snprintf(buf, sizeof buf, "%.3e\r", v); // a CR left over from CRLF
        break;
    default:
        std::snprintf(buf, sizeof buf, "%.40f", v / 1e30);
        break;
    }
    return buf;
}

TEST(NumberParsing, AcceptsAndRoundsExactlyAsTheReferenceOverRandomSpellings) {
    auto rng = test::seeded_rng("NumberParsing");
    int accepted = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::string s = spelling(rng);
        float ref = 0, got = 0;
        const bool ok_ref = reference_to_float(s, ref);
        const bool ok = free_form::to_float(s, got);
        ASSERT_EQ(ok, ok_ref) << "\"" << s << "\"";
        if (ok) {
            ASSERT_EQ(std::memcmp(&ref, &got, sizeof ref), 0) << "\"" << s << "\"";
            ++accepted;
        }
    }
    EXPECT_GT(accepted, 150000); // the set is mostly numbers, so the bits were compared
}

// One parse for both precisions must give to_float's and to_double's bits, including decimals
// that round to a double lying exactly halfway between two floats (where rounding twice would
// be wrong).
TEST(NumberParsing, BothPrecisionsFromOneParseAreTheSeparateParses) {
    auto rng = test::seeded_rng("NumberParsingBoth");
    std::vector<std::string> texts;
    for (int i = 0; i < 100000; ++i) texts.push_back(spelling(rng));
    for (int i = 0; i < 2000; ++i) {
        // 1 + (2k + 1) 2^-24 is halfway between two floats and exact in double; nudged by
        // 1e-17 either way it is still that double, while the decimal lies off the midpoint.
        const double mid = 1.0 + (2.0 * static_cast<double>(rng() % 4000000) + 1.0) * 0x1p-24;
        for (const char* fmt : {"%.17g", "%.25g"}) {
            char buf[64];
            std::snprintf(buf, sizeof buf, fmt, mid);
            texts.push_back(buf);
        }
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g1", mid); // just above the midpoint's decimal
        texts.push_back(buf);
    }
    int fast = 0;
    for (const std::string& s : texts) {
        float f_ref = 0, f = 0;
        double d_ref = 0, d = 0;
        const bool ok_ref = free_form::to_float(s, f_ref);
        if (ok_ref && !free_form::to_double(s, d_ref)) d_ref = f_ref;
        const bool ok = free_form::to_float_and_double(s, f, d);
        ASSERT_EQ(ok, ok_ref) << "\"" << s << "\"";
        if (!ok) continue;
        ASSERT_EQ(std::memcmp(&f, &f_ref, sizeof f), 0) << "\"" << s << "\"";
        ASSERT_EQ(std::memcmp(&d, &d_ref, sizeof d), 0) << "\"" << s << "\"";
        fast += static_cast<double>(f) != d;
    }
    EXPECT_GT(fast, 50000); // most texts are not floats exactly, so the two values were compared
}

TEST(NumberParsing, FieldViewsMatchTheAllocatingSplitter) {
    const char* lines[] = {"1 2 3",       " 1.5,\t(2,3) ,x",    ",,1,,2", "(1, 2) (3,4", "  \t ",
                           "a,b c\td",    "0.5 (1.0e0,-2) 7 8", "1,",     "(,)",         "x(1,2)",
                           "1 'quoted' 2"};
    for (const char* line : lines) {
        std::string_view v[4];
        std::size_t n = 0;
        const bool ok = free_form::field_views(line, v, 4, n);
        const auto ref = free_form::fields(line, 4);
        if (!ok) { // only quoted fields send a line to the allocating path
            EXPECT_NE(std::string(line).find('\''), std::string::npos) << line;
            continue;
        }
        ASSERT_EQ(n, ref.size()) << line;
        for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(std::string(v[i]), ref[i]) << line;
    }
}

} // namespace
} // namespace specest
