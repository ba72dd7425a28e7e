// The text reading under every job and data file, against a plain reference: lines split at
// LF, CRLF or a lone CR, whatever the chunk borders; the job reader on the same bytes never
// crashes and, when it accepts them, gives 21 values without line ends; a quoted field stays
// within its bound. The first byte repeats the rest, so lines cross the reader's 64 KiB chunks.
#include "job_reader.h"
#include "text_file.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

static const fs::path& work_dir() {
    static const fs::path d = [] {
        fs::path p = fs::temp_directory_path() / ("specest-rfuzz-" + std::to_string(::getpid()));
        fs::create_directories(p);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(work_dir(), ec);
        });
        return p;
    }();
    return d;
}

static std::vector<std::string> reference_lines(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    bool open = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\n' || c == '\r') {
            out.push_back(cur);
            cur.clear();
            open = false;
            if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            cur += c;
            open = true;
        }
    }
    if (open) out.push_back(cur);
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const unsigned repeat = 1 + data[0] % 64;
    const std::string unit(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string text;
    for (unsigned k = 0; k < repeat && text.size() < (300u << 10); ++k) text += unit;
    const fs::path file = work_dir() / "in.txt";
    std::ofstream(file, std::ios::binary) << text;

    specest::TextFile f;
    if (!f.open(file.string())) __builtin_trap();
    const auto want = reference_lines(text);
    std::string_view line;
    std::size_t n = 0;
    while (f.next(line)) {
        if (n >= want.size() || line != want[n]) __builtin_trap();
        if (f.line_number() != static_cast<int>(n + 1)) __builtin_trap();
        ++n;
    }
    if (!f.error().empty() || n != want.size()) __builtin_trap();
    // Read again after a rewind: the same lines.
    f.rewind();
    std::size_t again = 0;
    while (f.next(line)) ++again;
    if (again != n) __builtin_trap();

    // The job reader on the unit itself.
    std::ofstream(work_dir() / "job.0", std::ios::binary) << unit;
    std::array<std::string, specest::kJobLines> values;
    std::string why;
    if (specest::read_job((work_dir() / "job.0").string(), values, why)) {
        for (const auto& v : values)
            if (v.find_first_of("\r\n") != std::string::npos || v.find('\0') != std::string::npos)
                __builtin_trap();
    } else if (why.empty() || why.size() > 600) {
        __builtin_trap();
    }

    const std::string q = specest::quote_field(unit);
    if (q.size() > specest::kMaxQuoted + 40 || q.front() != '"') __builtin_trap();
    return 0;
}
