#include "window64.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <utility>

namespace specest::window64 {
namespace {

struct Name {
    std::string_view text;
    Kind kind;
};

constexpr Name kNames[] = {
    {"boxcar", Kind::boxcar},   {"box", Kind::boxcar},         {"ones", Kind::boxcar},
    {"rect", Kind::boxcar},     {"rectangular", Kind::boxcar}, {"hann", Kind::hann},
    {"han", Kind::hann},        {"hanning", Kind::hann},       {"hamming", Kind::hamming},
    {"hamm", Kind::hamming},    {"ham", Kind::hamming},        {"blackman", Kind::blackman},
    {"black", Kind::blackman},  {"blk", Kind::blackman},       {"bartlett", Kind::bartlett},
    {"bart", Kind::bartlett},   {"brt", Kind::bartlett},       {"triang", Kind::triang},
    {"triangle", Kind::triang}, {"tri", Kind::triang},
};

// Sum of a_j cos(2 pi j k / span), evaluated at min(k, span - k) so the window is exactly
// symmetric.
double cosine_sum(std::initializer_list<double> a, std::size_t k, std::size_t span) {
    const std::size_t kk = std::min(k, span - k);
    const double x = 2.0 * std::numbers::pi * static_cast<double>(kk) / static_cast<double>(span);
    double w = 0.0, sign = 1.0;
    std::size_t j = 0;
    for (double aj : a) {
        w += sign * aj * std::cos(static_cast<double>(j) * x);
        sign = -sign;
        ++j;
    }
    return w;
}

// Symmetric window of m >= 2 points.
std::vector<double> symmetric(Kind kind, std::size_t m) {
    std::vector<double> w(m);
    const std::size_t span = m - 1;
    // 1 - |2k - span| / denominator: the two triangles, exactly symmetric.
    auto triangle = [&](std::size_t denominator) {
        for (std::size_t k = 0; k < m; ++k) {
            const std::size_t d = 2 * k > span ? 2 * k - span : span - 2 * k;
            w[k] = 1.0 - static_cast<double>(d) / static_cast<double>(denominator);
        }
    };
    switch (kind) {
    case Kind::boxcar:
        w.assign(m, 1.0);
        break;
    case Kind::hann:
        for (std::size_t k = 0; k < m; ++k) w[k] = cosine_sum({0.5, 0.5}, k, span);
        break;
    case Kind::hamming:
        for (std::size_t k = 0; k < m; ++k) w[k] = cosine_sum({0.54, 0.46}, k, span);
        break;
    case Kind::blackman:
        for (std::size_t k = 0; k < m; ++k) w[k] = cosine_sum({0.42, 0.50, 0.08}, k, span);
        break;
    // Bartlett reaches zero at both ends; triang stops one step short of zero.
    case Kind::bartlett:
        triangle(span);
        break;
    case Kind::triang:
        triangle(m % 2 == 1 ? m + 1 : m);
        break;
    }
    return w;
}

} // namespace

std::optional<Kind> parse_name(std::string_view name) {
    for (const Name& n : kNames)
        if (n.text == name) return n.kind;
    return std::nullopt;
}

const std::string& accepted_names() {
    static const std::string names = [] {
        std::string s;
        for (const Name& n : kNames) {
            if (!s.empty()) s += ", ";
            s += n.text;
        }
        return s;
    }();
    return names;
}

std::vector<double> make(Kind kind, std::size_t n, bool fftbins) {
    if (n <= 1) return std::vector<double>(n, 1.0);
    if (!fftbins) return symmetric(kind, n);
    std::vector<double> w = symmetric(kind, n + 1);
    w.pop_back();
    return w;
}

Result get_window(std::string_view name, std::size_t n, bool fftbins) {
    const std::optional<Kind> kind = parse_name(name);
    if (!kind)
        return {std::nullopt, "unknown window \"" + std::string(name) +
                                  "\"; accepted names: " + accepted_names()};
    return {make(*kind, n, fftbins), {}};
}

} // namespace specest::window64
