#include "fortran_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace specest::fmt {
namespace {

void pad_right_aligned(std::string& out, std::string_view s, int w) {
    if (static_cast<int>(s.size()) > w) {
        out.append(static_cast<size_t>(w), '*');
        return;
    }
    out.append(static_cast<size_t>(w) - s.size(), ' ');
    out.append(s);
}

bool non_finite(std::string& out, double v, int w) {
    if (std::isfinite(v)) return false;
    std::string_view s = std::isnan(v) ? "NaN" : (v > 0 ? "Infinity" : "-Infinity");
    if (static_cast<int>(s.size()) > w && !std::isnan(v)) s = v > 0 ? "Inf" : "-Inf";
    pad_right_aligned(out, s, w);
    return true;
}

// Scientific text with `digits` digits after the point: mantissa and decimal exponent.
// std::to_chars with a precision writes what printf's %.*e writes (correctly rounded, ties to
// even), without printf's multi-precision arithmetic.
void scientific(double v, int digits, std::string& mant, int& exp10) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, digits);
    if (r.ec != std::errc() || r.ptr == buf + sizeof buf) { // printf's cut text, as before
        std::snprintf(buf, sizeof buf, "%.*E", digits, v);
        std::string_view s(buf);
        auto e = s.find('E');
        mant.assign(s.substr(0, e));
        exp10 = std::atoi(buf + e + 1);
        return;
    }
    const std::string_view s(buf, static_cast<std::size_t>(r.ptr - buf));
    const auto e = s.find('e');
    mant.assign(s.substr(0, e));
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exp10);
}

void append_exponent(std::string& t, int exp10) {
    int a = std::abs(exp10);
    char buf[16];
    if (a <= 99)
        std::snprintf(buf, sizeof buf, "E%c%02d", exp10 < 0 ? '-' : '+', a);
    else
        std::snprintf(buf, sizeof buf, "%c%03d", exp10 < 0 ? '-' : '+', a);
    t += buf;
}

} // namespace

void append_i(std::string& out, long long v, int w) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    pad_right_aligned(out, std::string_view(buf, static_cast<size_t>(r.ptr - buf)), w);
}

void append_int(std::string& out, long long v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, static_cast<size_t>(r.ptr - buf));
}

void append_pe(std::string& out, double v, int w, int d) {
    if (non_finite(out, v, w)) return;
    std::string mant;
    int exp10 = 0;
    scientific(v, d, mant, exp10);
    if (v == 0.0) exp10 = 0;
    std::string t = mant;
    append_exponent(t, exp10);
    pad_right_aligned(out, t, w);
}

void append_e(std::string& out, double v, int w, int d) {
    if (non_finite(out, v, w)) return;
    std::string t;
    if (v == 0.0) {
        t = std::signbit(v) ? "-0." : "0.";
        t.append(static_cast<size_t>(d), '0');
        append_exponent(t, 0);
    } else {
        std::string mant;
        int exp10 = 0;
        scientific(v, d - 1, mant, exp10); // d significant digits: x.xxxx
        bool neg = mant[0] == '-';
        std::string digits;
        for (char c : mant)
            if (c >= '0' && c <= '9') digits += c;
        t = neg ? "-0." : "0.";
        t += digits;
        append_exponent(t, exp10 + 1);
    }
    pad_right_aligned(out, t, w);
}

void append_f(std::string& out, double v, int w, int d) {
    if (non_finite(out, v, w)) return;
    char buf[64];
    std::string_view s;
    // As printf's %.*f, which cut a text of 64 or more characters to 63.
    if (const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, d);
        r.ec == std::errc() && r.ptr < buf + sizeof buf) {
        s = std::string_view(buf, static_cast<std::size_t>(r.ptr - buf));
    } else {
        std::snprintf(buf, sizeof buf, "%.*f", d, v);
        s = std::string_view(buf);
    }
    // Fortran drops the leading zero when only that makes the value fit.
    if (static_cast<int>(s.size()) > w) {
        std::string t(s);
        if (t.rfind("0.", 0) == 0)
            t.erase(0, 1);
        else if (t.rfind("-0.", 0) == 0)
            t.erase(1, 1);
        pad_right_aligned(out, t, w);
        return;
    }
    pad_right_aligned(out, s, w);
}

void append_general(std::string& out, float v) {
    char buf[48];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, static_cast<size_t>(r.ptr - buf));
}

void append_general(std::string& out, double v) {
    char buf[48];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, static_cast<size_t>(r.ptr - buf));
}

} // namespace specest::fmt
