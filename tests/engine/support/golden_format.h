// How the golden files record a run, shared by the engine's golden test and the installed C++
// interface's test (which links nothing of the engine's, so this stays header-only): a hash of
// an array's bits, a float's bits in hex, and a report with its date, time and folder masked.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>

namespace golden {

// FNV-1a over the bytes of v[0 .. n).
inline std::uint64_t fnv1a(const float* v, std::size_t n) {
    std::uint64_t h = 1469598103934665603ULL;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v[i], sizeof bits);
        for (int b = 0; b < 4; ++b) {
            h ^= (bits >> (8 * b)) & 0xffu;
            h *= 1099511628211ULL;
        }
    }
    return h;
}

inline std::string hex(std::uint64_t h) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

inline std::string bits(float f) {
    std::uint32_t u = 0;
    std::memcpy(&u, &f, sizeof u);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", u);
    return buf;
}

inline std::string masked(std::string report, const std::filesystem::path& dir) {
    report = std::regex_replace(report, std::regex(R"(\d\d/\d\d/\d\d   \d\d:\d\d:\d\d)"),
                                "YY/MM/DD   HH:MM:SS");
    const std::string d = dir.string();
    for (std::size_t p = report.find(d); p != std::string::npos; p = report.find(d, p))
        report.replace(p, d.size(), "<DIR>");
    return report;
}

} // namespace golden
