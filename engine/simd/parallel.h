// Independent parts of one kernel call (lag ranges, matrix rows, blocks of frequencies) on
// threads of their own. Each part keeps its sums in their own order, so the bits do not depend
// on the number of parts.
#pragma once

#include <algorithm>
#include <functional>
#include <vector>

namespace specest::simd {

// The number of parts for a call of about `work` multiply-adds: 1 when threads would not pay
// for themselves or the scalar reference path is forced, else up to max_threads().
int parts_for(double work);

// At most this many threads per call. Starts from SPECEST_THREADS (a positive number) or the
// hardware threads; set_max_threads(1) runs every part on the calling thread.
int max_threads();
void set_max_threads(int n);

// While one lives, parts_for gives 1 on this thread: its caller already keeps every thread
// busy with parts of its own (records of a batch), and parts within parts would only queue.
class SerialScope {
  public:
    SerialScope();
    ~SerialScope();
    SerialScope(const SerialScope&) = delete;
    SerialScope& operator=(const SerialScope&) = delete;
};

// Runs part(0) .. part(parts - 1): part 0 on the calling thread, the others on threads of
// their own (one after the other on the calling thread when a thread cannot be started).
// An exception from a part is passed on to the caller after every part has ended.
void run_parts(int parts, const std::function<void(int)>& part);

// Boundaries first = b[0] <= b[1] <= ... <= b[parts] = last + 1 that cut rows first..last into
// parts of about equal work, row r costing work(r).
template <class Work> std::vector<int> split_rows(int first, int last, int parts, Work work) {
    double total = 0;
    for (int r = first; r <= last; ++r) total += work(r);
    std::vector<int> b{first};
    double done = 0;
    for (int r = first; r <= last && static_cast<int>(b.size()) < parts; ++r) {
        done += work(r);
        if (done >= total * static_cast<double>(b.size()) / parts) b.push_back(r + 1);
    }
    while (static_cast<int>(b.size()) <= parts) b.push_back(last + 1);
    return b;
}

// body(lo, hi) over first <= lo < hi <= last + 1, cut into parts of equal length when the
// items (each costing about `cost` multiply-adds) are worth threads.
template <class Body> void for_range(int first, int last, double cost, Body body) {
    const int count = last - first + 1;
    if (count <= 0) return;
    const int parts = std::min(count, parts_for(cost * count));
    run_parts(parts, [&](int p) {
        const auto lo = first + static_cast<int>(static_cast<long long>(count) * p / parts);
        const auto hi = first + static_cast<int>(static_cast<long long>(count) * (p + 1) / parts);
        if (hi > lo) body(lo, hi);
    });
}

// A call of the C library's cos or sin, in (vector lane) multiply-adds, for for_range.
constexpr double kTrigCost = 150.0;

} // namespace specest::simd
