#include "simd/dispatch.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace specest::simd {
namespace {

bool env_forces_scalar() {
    const char* v = std::getenv("SPECEST_FORCE_SCALAR");
    return v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
}

// A process-wide setting, not run state: atomic, so concurrent runs may read it freely.
std::atomic<bool>& flag() {
    static std::atomic<bool> on{env_forces_scalar()};
    return on;
}

} // namespace

bool force_scalar() {
    return flag().load(std::memory_order_relaxed);
}

void set_force_scalar(bool on) {
    flag().store(on, std::memory_order_relaxed);
}

} // namespace specest::simd
