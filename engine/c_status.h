// The C status code of an estimate's outcome, for every C entry.
#pragma once

#include "engine_api.h"
#include "specest/specest.h"

#include <cstdint>

namespace specest {

inline int32_t c_status_code(EstimateStatus s) {
    switch (s) {
    case EstimateStatus::success:
        return SPECEST_SUCCESS;
    case EstimateStatus::estimator_failure:
        return SPECEST_ESTIMATOR_FAILURE;
    case EstimateStatus::invalid_input:
        return SPECEST_INVALID_INPUT;
    case EstimateStatus::stopped:
        break;
    }
    return SPECEST_STOPPED;
}

} // namespace specest
