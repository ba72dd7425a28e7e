#include "plot_held.h"

namespace lumetra::plot {

bool HeldCurves::hold(const PlotInput& run) {
    if (full()) return false;
    curves_.push_back(run);
    return true;
}

} // namespace lumetra::plot
