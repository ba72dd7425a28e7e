// The one output writer: whatever the bytes and whatever sits at the target (a regular file, a
// symbolic link, a FIFO, a directory, a stale temporary), a write either puts exactly the
// bytes in place or fails leaving the target as it was, a FIFO or directory is never replaced,
// a link's target never changes, and no temporary of this process is left behind.
#include "output_file.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

static const fs::path& work_dir() {
    static const fs::path d = [] {
        fs::path p = fs::temp_directory_path() / ("specest-ofuzz-" + std::to_string(::getpid()));
        fs::create_directories(p);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(work_dir(), ec);
        });
        return p;
    }();
    return d;
}

static std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const unsigned what = data[0] % 6;
    const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(work_dir(), ec)) fs::remove_all(e.path(), ec);
    const fs::path target = work_dir() / "out.csv";
    const fs::path victim = work_dir() / "victim";
    std::ofstream(victim, std::ios::binary) << "keep";
    switch (what) {
    case 1:
        std::ofstream(target, std::ios::binary) << "old";
        break;
    case 2:
        fs::create_symlink(victim, target, ec);
        break;
    case 3:
        ::mkfifo(target.c_str(), 0600);
        break;
    case 4:
        fs::create_directory(target, ec);
        break;
    case 5: // a dead writer's temporary beside the target
        std::ofstream(work_dir() / ".out.csv.tmp999999999-3") << "stale";
        break;
    default:
        break;
    }
    // The names the writer recognises as its own are exactly its pattern.
    long pid = 0;
    if (specest::output::is_temporary_name(bytes, &pid) && pid < 0) __builtin_trap();

    const std::string err = specest::output::write_file_atomically(target.string(), bytes);
    struct stat st {};
    const bool there = ::lstat(target.c_str(), &st) == 0;
    if (what == 3 || what == 4) {
        if (err.empty() || !there || S_ISREG(st.st_mode)) __builtin_trap();
    } else {
        if (!err.empty() || !there || !S_ISREG(st.st_mode) || slurp(target) != bytes)
            __builtin_trap();
    }
    if (slurp(victim) != "keep") __builtin_trap();
    for (const auto& e : fs::directory_iterator(work_dir(), ec)) {
        const std::string name = e.path().filename().string();
        if (specest::output::is_temporary_name(name) &&
            name.find(".tmp" + std::to_string(::getpid()) + "-") != std::string::npos)
            __builtin_trap();
    }
    // Two outputs named alike, or an output naming an input, are refused.
    const std::string same = specest::output::check_outputs(
        {{"--csv", target.string()}, {"--json", (work_dir() / "." / "out.csv").string()}}, {});
    const std::string input =
        specest::output::check_outputs({{"--csv", victim.string()}}, {victim.string()});
    if (same.empty() || input.empty()) __builtin_trap();
    return 0;
}
