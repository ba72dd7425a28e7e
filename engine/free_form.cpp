#include "free_form.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fast_float/fast_float.h>
#include <limits>

namespace specest::free_form {
namespace {

// Byte classes of the free-form reader: one table lookup per byte where the scans run.
enum : unsigned char { kOther = 0, kBlank = 1, kComma = 2 };
constexpr std::array<unsigned char, 256> kClass = [] {
    std::array<unsigned char, 256> t{};
    for (unsigned char c : {' ', '\t', '\r', '\v', '\f'}) t[c] = kBlank;
    t[static_cast<unsigned char>(',')] = kComma;
    return t;
}();

unsigned char byte_class(char c) {
    return kClass[static_cast<unsigned char>(c)];
}

bool is_blank(char c) {
    return byte_class(c) == kBlank;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

} // namespace

std::vector<std::string> fields(std::string_view line, std::size_t max_fields) {
    std::vector<std::string> out;
    std::size_t i = 0, n = line.size();
    while (i < n && out.size() < max_fields) {
        while (i < n && is_blank(line[i])) ++i;
        if (i >= n) break;
        char c = line[i];
        if (c == ',') { // an empty field between two commas
            ++i;
            continue;
        }
        std::string f;
        if (c == '\'' || c == '"') {
            ++i;
            while (i < n) {
                if (line[i] == c) {
                    if (i + 1 < n && line[i + 1] == c) { // doubled quote stands for itself
                        f += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                f += line[i++];
            }
        } else if (c == '(') {
            std::size_t close = line.find(')', i);
            std::size_t end = close == std::string_view::npos ? n : close + 1;
            f.assign(line.substr(i, end - i));
            i = end;
        } else {
            while (i < n && !is_blank(line[i]) && line[i] != ',') f += line[i++];
        }
        out.push_back(std::move(f));
        while (i < n && is_blank(line[i])) ++i;
        if (i < n && line[i] == ',') ++i;
    }
    return out;
}

bool field_views(std::string_view line, std::string_view* out, std::size_t max_fields,
                 std::size_t& count) {
    count = 0;
    std::size_t i = 0, n = line.size();
    while (i < n && count < max_fields) {
        while (i < n && is_blank(line[i])) ++i;
        if (i >= n) break;
        const char c = line[i];
        if (c == ',') {
            ++i;
            continue;
        }
        if (c == '\'' || c == '"') return false;
        const std::size_t start = i;
        if (c == '(') {
            const std::size_t close = line.find(')', i);
            i = close == std::string_view::npos ? n : close + 1;
        } else {
            while (i < n && byte_class(line[i]) == kOther) ++i;
        }
        out[count++] = line.substr(start, i - start);
        while (i < n && is_blank(line[i])) ++i;
        if (i < n && line[i] == ',') ++i;
    }
    return true;
}

std::optional<std::string> first_field(std::string_view line) {
    auto f = fields(line, 1);
    if (f.empty()) return std::nullopt;
    return f.front();
}

bool to_int(std::string_view s, int& v) {
    s = trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool to_double(std::string_view s, double& v) {
    s = trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty() || s.size() > 80) return false;
    // Fast path: a finite value that takes the whole text needs no copy ('d' exponents,
    // letters and junk stop fast_float short and take the full path below).
    {
        double d = 0;
        const auto r = fast_float::from_chars(s.data(), s.data() + s.size(), d);
        if (r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(d)) {
            v = d;
            return true;
        }
    }
    char buf[96];
    std::size_t k = 0;
    for (char c : s) buf[k++] = (c == 'd' || c == 'D') ? 'e' : c;
    for (std::size_t j = 0; j < k; ++j) {
        const char lower = static_cast<char>(buf[j] | 0x20);
        if (lower >= 'a' && lower <= 'z' && lower != 'e') return false;
    }
    double d = 0;
    const auto r = fast_float::from_chars(buf, buf + k, d);
    if (r.ec != std::errc() || r.ptr != buf + k || !std::isfinite(d)) return false;
    v = d;
    return true;
}

bool to_float(std::string_view s, float& v) {
    s = trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty() || s.size() > 80) return false;
    // Fast path: fast_float reads the grammar std::from_chars reads and rounds correctly as it
    // does, so when it takes the whole text and the value is a normal single below the top of
    // the range, the bits agree. A 'd' exponent stops it short; inf and nan are not normal.
    // Everything else (zero, subnormals, the edge of range, junk) takes the full path.
    {
        float f = 0;
        const auto r = fast_float::from_chars(s.data(), s.data() + s.size(), f);
        if (r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isnormal(f) &&
            std::fabs(f) < std::numeric_limits<float>::max()) {
            v = f;
            return true;
        }
    }
    char buf[96];
    std::size_t k = 0;
    for (char c : s) buf[k++] = (c == 'd' || c == 'D') ? 'e' : c;
    // No infinities or NaNs from a data or job file.
    for (std::size_t j = 0; j < k; ++j) {
        const char lower = static_cast<char>(buf[j] | 0x20); // ASCII letters only, as "C" has
        if (lower >= 'a' && lower <= 'z' && lower != 'e') return false;
    }
    // Correctly rounded straight to single precision, as a REAL read would be.
    float f = 0;
    auto rf = std::from_chars(buf, buf + k, f);
    if (rf.ec == std::errc() && std::fabs(f) < std::numeric_limits<float>::max()) {
        if (rf.ptr != buf + k) return false;
        v = f;
        return true;
    }
    // Out of single range: an overflow is refused, an underflow rounds to a subnormal or zero.
    double d = 0;
    auto r = std::from_chars(buf, buf + k, d);
    if (r.ec != std::errc() || r.ptr != buf + k) return false;
    if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max()) return false;
    v = rf.ec == std::errc() ? f : static_cast<float>(d);
    return true;
}

bool to_complex(std::string_view s, float& re, float& im) {
    s = trim(s);
    if (s.size() < 5 || s.front() != '(' || s.back() != ')') return false;
    s = s.substr(1, s.size() - 2);
    auto comma = s.find(',');
    if (comma == std::string_view::npos) return false;
    return to_float(s.substr(0, comma), re) && to_float(s.substr(comma + 1), im);
}

bool to_float_and_double(std::string_view s, float& f, double& d) {
    std::string_view t = trim(s);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    if (!t.empty() && t.size() <= 80) {
        double x = 0;
        const auto r = fast_float::from_chars(t.data(), t.data() + t.size(), x);
        if (r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(x)) {
            // Rounding the correctly rounded double again to float gives the correctly rounded
            // float unless the double sits exactly halfway between two floats (low 29 bits of
            // its significand 1000...0); for normal floats below the top, as to_float's fast
            // path takes them.
            const float g = static_cast<float>(x);
            std::uint64_t bits = 0;
            std::memcpy(&bits, &x, sizeof bits);
            const bool halfway =
                (bits & ((std::uint64_t{1} << 29) - 1)) == (std::uint64_t{1} << 28);
            if (!halfway && std::isnormal(g) && std::fabs(g) < std::numeric_limits<float>::max()) {
                f = g;
                d = x;
                return true;
            }
        }
    }
    if (!to_float(s, f)) return false;
    if (!to_double(s, d)) d = f;
    return true;
}

} // namespace specest::free_form
