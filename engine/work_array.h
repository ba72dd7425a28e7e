// Per-call work arrays from the heap. When memory runs out the routine's abort line and the
// status go to the report and the run stops with the routine's stop text.
#pragma once

#include "run_context.h"
#include "stop.h"

#include <new>
#include <string_view>
#include <vector>

namespace specest {

constexpr int kAllocationFailedStatus = 5014;

template <class T>
std::vector<T> work_array(std::size_t n, std::string_view abort_line, std::string_view stop_text) {
    try {
        return std::vector<T>(n);
    } catch (const std::bad_alloc&) {
        run_report().list(" ");
        run_report().list(abort_line, kAllocationFailedStatus);
        stop(std::string(stop_text), StopKind::resource);
    } catch (const std::length_error&) {
        run_report().list(" ");
        run_report().list(abort_line, kAllocationFailedStatus);
        stop(std::string(stop_text), StopKind::resource);
    }
}

} // namespace specest
