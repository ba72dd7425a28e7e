#include "plot_text.h"

#include <charconv>
#include <cmath>
#include <string>

namespace lumetra::plot {
namespace {

// Decimal digits without trailing zeros and the power of ten of the first digit.
struct Decimal {
    bool negative = false;
    std::string digits; // "12345" means 1.2345 x 10^exp10
    int exp10 = 0;
};

Decimal splitScientific(const char* begin, const char* end) {
    Decimal d;
    const char* p = begin;
    if (p != end && *p == '-') {
        d.negative = true;
        ++p;
    }
    for (; p != end && *p != 'e'; ++p)
        if (*p != '.') d.digits.push_back(*p);
    if (p != end) d.exp10 = std::stoi(std::string(p + 1, end));
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

template <typename T> Decimal toDecimal(T v, int maxDigits) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    Decimal d = splitScientific(buf, r.ptr);
    if (static_cast<int>(d.digits.size()) > maxDigits) {
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, maxDigits - 1);
        d = splitScientific(buf, r.ptr);
    }
    return d;
}

QString layout(const Decimal& d, int maxDigits) {
    std::string s;
    if (d.negative) s.push_back('-');
    const int nd = static_cast<int>(d.digits.size());
    if (d.exp10 >= maxDigits || d.exp10 < -4) {
        s.push_back(d.digits[0]);
        if (nd > 1) {
            s.push_back('.');
            s.append(d.digits, 1, std::string::npos);
        }
        s.push_back('E');
        s.push_back(d.exp10 < 0 ? '-' : '+');
        std::string e = std::to_string(std::abs(d.exp10));
        if (e.size() < 2) e = std::string(1, '0') + e;
        s += e;
    } else if (d.exp10 < 0) {
        s += "0.";
        s.append(static_cast<size_t>(-d.exp10 - 1), '0');
        s += d.digits;
    } else {
        const int intDigits = d.exp10 + 1;
        if (nd <= intDigits) {
            s += d.digits;
            s.append(static_cast<size_t>(intDigits - nd), '0');
        } else {
            s.append(d.digits, 0, static_cast<size_t>(intDigits));
            s.push_back('.');
            s.append(d.digits, static_cast<size_t>(intDigits), std::string::npos);
        }
    }
    return QString::fromStdString(s);
}

template <typename T> QString textOf(T v, int maxDigits) {
    if (std::isnan(v)) return QStringLiteral("NaN");
    if (std::isinf(v)) return v < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
    if (v == 0) return QStringLiteral("0");
    return layout(toDecimal(v, maxDigits), maxDigits);
}

} // namespace

QString numberText(float v) {
    return textOf(v, 7);
}
QString numberText(double v) {
    return textOf(v, 15);
}
QString numberText(int v) {
    return QString::number(v);
}

QString signedText(float v) {
    return v >= 0 ? QLatin1Char(' ') + numberText(v) : numberText(v);
}
QString signedText(double v) {
    return v >= 0 ? QLatin1Char(' ') + numberText(v) : numberText(v);
}
QString signedText(int v) {
    return v >= 0 ? QLatin1Char(' ') + numberText(v) : numberText(v);
}

QString formatPattern(double v, int decimals) {
    if (!std::isfinite(v)) return textOf(v, 15);
    if (v == 0) return QStringLiteral(".");
    // Round on the 15-digit decimal form, as the value reads, not on its binary
    // expansion: -12.345 must come out as -12.35.
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    Decimal d = splitScientific(buf, r.ptr);
    // Digits of the value from position 10^exp10 downwards, padded to the last decimal kept.
    std::string digits = d.digits;
    int lead = d.exp10; // power of ten of digits[0]
    if (lead < -decimals - 1) return QStringLiteral(".");
    if (lead < 0) { // left-pad so that digits[0] is the 10^0 place
        digits.insert(0, static_cast<size_t>(-lead), '0');
        lead = 0;
    }
    const int keep = lead + 1 + decimals; // digits down to 10^-decimals
    if (static_cast<int>(digits.size()) < keep + 1)
        digits.append(static_cast<size_t>(keep + 1 - static_cast<int>(digits.size())), '0');
    const bool roundUp = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (roundUp) {
        int i = keep - 1;
        for (; i >= 0; --i) {
            if (digits[static_cast<size_t>(i)] == '9') {
                digits[static_cast<size_t>(i)] = '0';
            } else {
                ++digits[static_cast<size_t>(i)];
                break;
            }
        }
        if (i < 0) {
            digits = std::string(1, '1') + digits;
            ++lead;
        }
    }
    std::string intPart = digits.substr(0, static_cast<size_t>(lead + 1));
    std::string frac = digits.substr(static_cast<size_t>(lead + 1));
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? std::string() : intPart.substr(nz);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    std::string s;
    // A value that rounds to zero prints as a lone point, without a sign.
    if (d.negative && !(intPart.empty() && frac.empty())) s.push_back('-');
    s += intPart;
    s.push_back('.');
    s += frac;
    return QString::fromStdString(s);
}

} // namespace lumetra::plot
