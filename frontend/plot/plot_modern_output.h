// The modern view beyond the drawing: which view the user chose (kept with the plot options)
// and the modern plot written as PNG, BMP, SVG or PDF.
#pragma once

#include "plot_modern.h"
#include "plot_options.h"

#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace lumetra::plot {

// A two-sided grid comes in numpy's fftfreq order (0 up, then the negative half): the points
// in order of frequency, so the line runs left to right.
void orderByFrequency(ModernCurve& curve);

// The stored view; Classic when nothing (or nothing readable) is stored.
PlotView storedPlotView(const PlotSettingsStore& store);
// Throws what the store throws when its key cannot be made.
void storePlotView(PlotSettingsStore& store, PlotView view);

// The modern plot at `size`, in the format the file's suffix names (.svg, .pdf, else an image
// format such as .png or .bmp); the old file stays until the new one is whole. The layout
// drawn, or nullopt with *error set.
std::optional<ModernLayout> saveModernPlot(const QString& path, QSize size, const ModernCurve& live,
                                           const std::vector<ModernCurve>& held,
                                           const QString& header, const QColor& curve1,
                                           QString* error);

} // namespace lumetra::plot
