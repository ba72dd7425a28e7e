#include "simd/parallel.h"

#include "simd/dispatch.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace specest::simd {
namespace {

// Below this many multiply-adds a thread's start-up (tens of microseconds) is not repaid.
constexpr double kWorkPerThread = 2.0e6;
constexpr int kMaxThreads = 16;

int initial_threads() {
    if (const char* v = std::getenv("SPECEST_THREADS")) {
        const long n = std::strtol(v, nullptr, 10);
        if (n >= 1) return static_cast<int>(std::min<long>(n, kMaxThreads));
    }
    const unsigned hw = std::thread::hardware_concurrency();
    return hw == 0 ? 1 : static_cast<int>(std::min<unsigned>(hw, kMaxThreads));
}

// A process-wide setting, not run state: atomic, so concurrent runs may read it freely.
std::atomic<int>& limit() {
    static std::atomic<int> n{initial_threads()};
    return n;
}

thread_local int serial_depth = 0;

} // namespace

SerialScope::SerialScope() {
    ++serial_depth;
}

SerialScope::~SerialScope() {
    --serial_depth;
}

int max_threads() {
    return limit().load(std::memory_order_relaxed);
}

void set_max_threads(int n) {
    limit().store(std::clamp(n, 1, kMaxThreads), std::memory_order_relaxed);
}

int parts_for(double work) {
    if (force_scalar()) return 1; // the reference path runs as it always did
    if (serial_depth > 0) return 1;
    const int by_work = static_cast<int>(std::min(work / kWorkPerThread, double{kMaxThreads}));
    return std::max(1, std::min(by_work, max_threads()));
}

void run_parts(int parts, const std::function<void(int)>& part) {
    std::vector<std::exception_ptr> errors(static_cast<std::size_t>(std::max(parts, 1)));
    auto guarded = [&](int p) {
        try {
            part(p);
        } catch (...) {
            errors[static_cast<std::size_t>(p)] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    int p = 1;
    try {
        for (; p < parts; ++p) threads.emplace_back(guarded, p);
    } catch (const std::system_error&) {
        // No more threads to be had: the remaining parts run here.
    }
    guarded(0);
    for (int q = p; q < parts; ++q) guarded(q);
    for (auto& t : threads) t.join();
    for (const auto& e : errors)
        if (e) std::rethrow_exception(e);
}

} // namespace specest::simd
