// Feeds arbitrary job and data files through a whole run: the input is split at the first
// NUL byte into the job text and the data text.
#include "engine_api.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

static const fs::path& work_dir() {
    static const fs::path d = [] {
        fs::path p = fs::temp_directory_path() / ("specest-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(p);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(work_dir(), ec);
        });
        return p;
    }();
    return d;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    const auto cut = in.find('\0');
    const std::string job = in.substr(0, cut);
    const std::string series = cut == std::string::npos ? std::string() : in.substr(cut + 1);
    const fs::path job_file = work_dir() / "fuzz.0";
    {
        std::ofstream(job_file, std::ios::binary) << job;
        std::ofstream(work_dir() / "data.txt", std::ios::binary) << series;
    }
    int32_t cap = specest::required_capacity(job_file.string());
    if (cap > (1 << 15)) return 0; // large grids only cost time
    if (cap <= 0) cap = 64;        // the run must refuse the job itself
    // Guard cells on both sides catch any write outside the capacity.
    std::vector<float> x(static_cast<std::size_t>(cap) + 2, 7.0f), s(x.size(), 7.0f);
    specest::RunOptions opt{work_dir().string(), false};
    const auto r = specest::run_job(job_file.string(), std::span<float>(x.data() + 1, cap),
                                    std::span<float>(s.data() + 1, cap), opt);
    if (x.front() != 7.0f || x.back() != 7.0f || s.front() != 7.0f || s.back() != 7.0f)
        __builtin_trap();
    if (r.status == specest::RunStatus::success) {
        for (int i = 1; i <= r.n_freq_pts; ++i)
            if (!std::isfinite(s[static_cast<std::size_t>(i)]) ||
                !std::isfinite(x[static_cast<std::size_t>(i)]))
                __builtin_trap();
    }
    return 0;
}
