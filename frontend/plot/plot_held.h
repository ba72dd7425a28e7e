// Curves kept on the plot for comparison: "Hold" keeps the current run, later runs draw on top.
#pragma once

#include "plot_render.h"

#include <vector>

namespace lumetra::plot {

class HeldCurves {
  public:
    // Keeps a copy of the run; false (nothing kept) when kMaxHeldCurves are held already.
    bool hold(const PlotInput& run);
    void clear() { curves_.clear(); }
    bool empty() const { return curves_.empty(); }
    bool full() const { return static_cast<int>(curves_.size()) >= kMaxHeldCurves; }
    int count() const { return static_cast<int>(curves_.size()); }
    // Oldest first, as the renderer draws them.
    const std::vector<PlotInput>& curves() const { return curves_; }

  private:
    std::vector<PlotInput> curves_;
};

} // namespace lumetra::plot
