#include "run_context.h"

namespace specest {
namespace {

thread_local RunContext* current = nullptr;

} // namespace

RunContext& run_context() {
    if (current) return *current;
    thread_local RunContext own;
    return own;
}

JobParams& job() {
    return run_context().job;
}

ActiveRun::ActiveRun(RunContext& c) : previous_(current) {
    current = &c;
}

ActiveRun::~ActiveRun() {
    current = previous_;
}

} // namespace specest
