// For calling estimators and solvers directly, outside a run: the context over this thread's
// own run context (whose report ReportTest opens and whose job record it resets), and the
// classic work area in it.
#pragma once

#include "estimator_context.h"
#include "estimator_test_context.h"

namespace specest::test {

inline EstimatorContext<float> ctx() {
    return estimator_context<float>(run_context());
}

inline wa::WorkArea& work() {
    return run_context().area;
}

} // namespace specest::test
