// Full PSD plot of 16384 points, from the call to a finished image.
#include "bench_spectrum.h"
#include "plot_render.h"

#include <benchmark/benchmark.h>

using namespace lumetra::plot;
using lumetra::plot::bench::spectrum16k;

namespace {

// New image per call: the headless export path.
void BM_RenderPlotImage(benchmark::State& state) {
    const PlotInput in = spectrum16k();
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    PlotOptions opt;
    for (auto _ : state) {
        QImage img = renderPlotImage(in, opt, size);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_RenderPlotImage)->Args({800, 600})->Args({1600, 1200})->Unit(benchmark::kMillisecond);

// The screen path: run header, plot on the persistent canvas, peak list.
void BM_StartPlot(benchmark::State& state) {
    const PlotInput in = spectrum16k();
    PlotCanvas canvas(QSize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
    PlotOptions opt;
    OutputText out;
    for (auto _ : state) {
        startPlot(canvas, in, opt, out);
        benchmark::DoNotOptimize(canvas.image().constBits());
    }
}
BENCHMARK(BM_StartPlot)->Args({800, 600})->Args({1600, 1200})->Unit(benchmark::kMillisecond);

// Eight held curves under the live one, 16384 points each, at 1920 x 1080: the overlay plot.
std::vector<PlotInput> eightHeld() {
    std::vector<PlotInput> held;
    for (int k = 0; k < kMaxHeldCurves; ++k) {
        held.push_back(spectrum16k(0.01 * (k + 1)));
        held.back().jobName = QStringLiteral("held%1.0").arg(k);
    }
    return held;
}

// Drawn from the start, or (zoomed) one zoom step: the frequency axis narrowed through the
// override and drawn again.
void drawHeld8(benchmark::State& state, bool zoomed) {
    const PlotInput in = spectrum16k();
    const std::vector<PlotInput> held = eightHeld();
    DrawExtras extras;
    extras.held = &held;
    PlotCanvas canvas(QSize(1920, 1080));
    PlotOptions opt;
    if (zoomed) opt.xOverride = {true, QStringLiteral("0.02"), QStringLiteral("0.012")};
    OutputText out;
    for (auto _ : state) {
        if (zoomed)
            plotResults(canvas, in, opt, out, {}, nullptr, extras);
        else
            startPlot(canvas, in, opt, out, {}, nullptr, extras);
        benchmark::DoNotOptimize(canvas.image().constBits());
    }
}

void BM_RenderHeld8(benchmark::State& state) {
    drawHeld8(state, false);
}
BENCHMARK(BM_RenderHeld8)->Unit(benchmark::kMillisecond);

void BM_ZoomStepHeld8(benchmark::State& state) {
    drawHeld8(state, true);
}
BENCHMARK(BM_ZoomStepHeld8)->Unit(benchmark::kMillisecond);

} // namespace
