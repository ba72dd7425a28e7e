// Fixed-layout numbers and free-form lines of the run report.
#include "fortran_format.h"
#include "report.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

namespace specest {
namespace {

std::string e(double v, int w, int d) {
    return Line().e(v, w, d).str();
}
std::string pe(double v, int w, int d) {
    return Line().pe(v, w, d).str();
}
std::string f(double v, int w, int d) {
    return Line().f(v, w, d).str();
}
std::string i(long long v, int w) {
    return Line().i(v, w).str();
}

TEST(FortranFormat, EditDescriptors) {
    EXPECT_EQ(e(1.2345, 12, 5), " 0.12345E+01");
    EXPECT_EQ(e(-1.2345, 12, 5), "-0.12345E+01");
    EXPECT_EQ(e(0.0, 12, 5), " 0.00000E+00");
    EXPECT_EQ(e(9.999996, 12, 5), " 0.10000E+02"); // rounding carries into the exponent
    EXPECT_EQ(e(1.0e-120, 12, 5), " 0.10000-119"); // three-digit exponents drop the E
    EXPECT_EQ(pe(1.0e-5, 12, 3), "   1.000E-05");
    EXPECT_EQ(pe(1.0e-5, 9, 3), "1.000E-05");
    EXPECT_EQ(pe(-12.3456, 12, 5), "-1.23456E+01");
    EXPECT_EQ(pe(0.0, 15, 5), "    0.00000E+00");
    EXPECT_EQ(f(2.5, 6, 3), " 2.500");
    EXPECT_EQ(f(-0.5, 6, 3), "-0.500");
    EXPECT_EQ(f(-0.5, 5, 3), "-.500");
    EXPECT_EQ(f(1234.5, 6, 3), "******");
    EXPECT_EQ(i(64, 6), "    64");
    EXPECT_EQ(i(-999, 6), "  -999");
    EXPECT_EQ(i(1234567, 6), "******");
    EXPECT_EQ(pe(std::numeric_limits<double>::quiet_NaN(), 12, 5), "         NaN");
}

// The edit descriptors as they were written with printf, for the comparison below.
namespace reference {
std::string pad(std::string_view s, int w) {
    if (static_cast<int>(s.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
    return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + std::string(s);
}
void scientific(double v, int digits, std::string& mant, int& exp10) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*E", digits, v);
    std::string_view s(buf);
    auto e = s.find('E');
    mant.assign(s.substr(0, e));
    exp10 = std::atoi(buf + e + 1);
}
std::string exponent(int exp10) {
    char buf[16];
    const int a = std::abs(exp10);
    if (a <= 99)
        std::snprintf(buf, sizeof buf, "E%c%02d", exp10 < 0 ? '-' : '+', a);
    else
        std::snprintf(buf, sizeof buf, "%c%03d", exp10 < 0 ? '-' : '+', a);
    return buf;
}
std::string pe(double v, int w, int d) {
    std::string mant;
    int exp10 = 0;
    scientific(v, d, mant, exp10);
    if (v == 0.0) exp10 = 0;
    return pad(mant + exponent(exp10), w);
}
std::string e(double v, int w, int d) {
    std::string t;
    if (v == 0.0) {
        t = std::string(std::signbit(v) ? "-0." : "0.") +
            std::string(static_cast<std::size_t>(d), '0') + exponent(0);
    } else {
        std::string mant;
        int exp10 = 0;
        scientific(v, d - 1, mant, exp10);
        std::string digits;
        for (char c : mant)
            if (c >= '0' && c <= '9') digits += c;
        t = std::string(mant[0] == '-' ? "-0." : "0.") + digits + exponent(exp10 + 1);
    }
    return pad(t, w);
}
std::string f(double v, int w, int d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", d, v);
    std::string t(buf);
    if (static_cast<int>(t.size()) > w) {
        if (t.rfind("0.", 0) == 0)
            t.erase(0, 1);
        else if (t.rfind("-0.", 0) == 0)
            t.erase(1, 1);
    }
    return pad(t, w);
}
} // namespace reference

// E, 1PE and F write the characters printf wrote, over random floats (as the report passes
// them, widened), random doubles, exact ties and values that round up into the next decade.
TEST(FortranFormat, SameCharactersAsPrintfOverRandomValues) {
    std::mt19937_64 rng(20261207);
    std::uniform_int_distribution<int> width(3, 20), digits(0, 9);
    auto value = [&](int k) -> double {
        switch (k % 5) {
        case 0:
            return std::bit_cast<float>(static_cast<std::uint32_t>(rng()) & 0xff7fffffu);
        case 1:
            return std::bit_cast<double>(rng() & 0xffefffffffffffffull);
        case 2: // exact ties at every precision: n + 0.5 and n / 2^k
            return static_cast<double>(static_cast<int>(rng() % 100000)) / (1 << (rng() % 12));
        case 3: // just below a power of ten
            return std::nextafter(std::pow(10.0, static_cast<int>(rng() % 40) - 20), 0.0);
        default:
            return (static_cast<double>(rng() % 2000001) - 1e6) * 1e-3;
        }
    };
    for (int k = 0; k < 300000; ++k) {
        const double v = value(k);
        if (!std::isfinite(v)) continue;
        const int w = width(rng), d = digits(rng);
        ASSERT_EQ(pe(v, w, d), reference::pe(v, w, d)) << v << " " << w << " " << d;
        if (d >= 1) {
            ASSERT_EQ(e(v, w, d), reference::e(v, w, d)) << v << " " << w << " " << d;
        }
        ASSERT_EQ(f(v, w, d), reference::f(v, w, d)) << v << " " << w << " " << d;
    }
}

TEST(FortranFormat, LineColumnsAndPadding) {
    EXPECT_EQ(Line().x(1).rep('-', 3).col(8).a("x").str(), " ---   x");
    EXPECT_EQ(Line().a("abc").col(2).a("d").str(), "abcd"); // never moves back
    EXPECT_EQ(Line().a_padded("ab", 4).a("|").str(), "ab  |");
    EXPECT_EQ(Line().a_padded("abcdef", 4).a("|").str(), "abcdef|"); // a longer text is kept whole
}

TEST(Report, FreeFormLayoutAndContinuation) {
    test::TempDir dir;
    const auto path = (dir / "r.out").string();
    {
        Report r;
        ASSERT_TRUE(r.open(path));
        r.list(" filenam = ", "job.0", "<===");
        r.list(" nPoints = ", 128);
        r.list("x", 1, 2.5f, "y");
        r.partial("     Enter L: ");
        r.list(" ");
        r.partial("dangling");
        r.close();
    }
    EXPECT_EQ(test::read_text(path), "  filenam = job.0<===\n"
                                     "  nPoints =  128\n"
                                     " x 1 2.5 y\n"
                                     "     Enter L:   \n"
                                     "dangling\n");
}

TEST(Report, ReopenRewritesFromTheStart) {
    test::TempDir dir;
    const auto path = (dir / "r.out").string();
    Report r;
    ASSERT_TRUE(r.open(path));
    r.line("first run, a long line");
    r.close();
    ASSERT_TRUE(r.open(path));
    r.line("second");
    r.close();
    EXPECT_EQ(test::read_text(path), "second\n");
    EXPECT_FALSE(r.open((dir / "no/such/dir/r.out").string()));
}

// A run quotes the lines between two marks after the file has moved on by many flushes; lines
// past keep_until are not held, yet the file has them all, and ranges stay aligned.
TEST(Report, MarkedRangesSurviveFlushesAndNothingPastTheKeptEndIsHeld) {
    test::TempDir dir;
    const auto path = (dir / "r.out").string();
    Report r;
    ASSERT_TRUE(r.open(path));
    for (int i = 0; i < 5000; ++i) r.line("before the estimator " + std::to_string(i));
    const std::size_t begin = r.mark();
    r.line(" IFLAG =  1    EPS =  1.000E-05");
    r.line(" the estimator's message");
    const std::size_t end = r.mark();
    r.keep_until(end);
    for (int i = 0; i < 20000; ++i) r.line("listing line " + std::to_string(i));
    EXPECT_EQ(r.text_range(begin, end),
              " IFLAG =  1    EPS =  1.000E-05\n the estimator's message\n");
    EXPECT_EQ(r.text_range(end, end + 10), "");
    r.close();
    ASSERT_TRUE(r.ok()) << r.error();
    const std::string file = test::read_text(path);
    EXPECT_EQ(file.substr(begin, end - begin), r.text_range(begin, end));
    EXPECT_NE(file.find("listing line 19999\n"), std::string::npos);
}

// The spectrum listing built in place writes the very lines the free-form list writes, over
// random bit patterns (every exponent, subnormals, signed zeros) and after a partial line.
TEST(ReportLines, SpectrumListingEqualsTheFreeFormLines) {
    std::mt19937 rng(20261207);
    std::vector<float> x(20000), y(20000);
    for (std::size_t k = 0; k < x.size(); ++k) {
        x[k] = std::bit_cast<float>(static_cast<std::uint32_t>(rng()) & 0xff7fffffu); // finite
        y[k] = k % 3 == 0 ? static_cast<float>(k) / 16384.0f
                          : std::bit_cast<float>(static_cast<std::uint32_t>(rng()) & 0xff7fffffu);
    }
    x[0] = -0.0f;
    y[1] = std::numeric_limits<float>::denorm_min();
    const int n = static_cast<int>(x.size());
    Report fast, slow;
    fast.open_memory();
    slow.open_memory();
    for (Report* r : {&fast, &slow}) r->partial(" before");
    fast.list_points(x.data(), y.data(), n);
    for (int k = 0; k < n; ++k) slow.list(" freq(i) & spectrum(i)=", k + 1, x[k], y[k]);
    fast.close();
    slow.close();
    ASSERT_EQ(fast.text().size(), slow.text().size());
    EXPECT_TRUE(fast.text() == slow.text());
    EXPECT_EQ(fast.text().substr(0, 39), " before  freq(i) & spectrum(i)= 1 -0 0\n");
}

} // namespace
} // namespace specest
