// Per-call work arrays from the heap. When memory runs out the routine's abort line and the
// status go to the report and the run stops with the routine's stop text.
#pragma once

#include "run_context.h"
#include "stop.h"
#include "work_pool.h"

#include <cstddef>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace specest {

constexpr int kAllocationFailedStatus = 5014;

// A work vector of n elements; running out of memory stops the run with the allocation lines.
template <class V>
V allocate_work_vector(std::size_t n, std::string_view abort_line, std::string_view stop_text) {
    try {
        return V(n);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    run_report().list(" ");
    run_report().list(abort_line, kAllocationFailedStatus);
    stop(std::string(stop_text), StopKind::resource);
}

template <class T>
WorkVector<T> work_array(std::size_t n, std::string_view abort_line, std::string_view stop_text) {
    return allocate_work_vector<WorkVector<T>>(n, abort_line, stop_text);
}

template <class T>
UnsetWorkVector<T> unset_work_array(std::size_t n, std::string_view abort_line,
                                    std::string_view stop_text) {
    return allocate_work_vector<UnsetWorkVector<T>>(n, abort_line, stop_text);
}

} // namespace specest
