// Full PSD plot of 16384 points, from the call to a finished image.
#include "plot_render.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

using namespace lumetra::plot;

namespace {

PlotInput spectrum16k() {
    const int n = 16384;
    PlotInput in;
    in.nFreqPts = n;
    in.nPts = 4096;
    std::mt19937 rng(42);
    std::normal_distribution<double> noise(0.0, 1.5);
    for (int i = 0; i < n; ++i) {
        // Two-sided grid with a few resonances over a noisy floor: many local maxima.
        const double f = (i - n / 2) / static_cast<double>(n);
        double p = 1e-4;
        for (double f0 : {-0.31, 0.05, 0.12, 0.33}) p += 1.0 / (1 + std::pow((f - f0) / 0.004, 2));
        in.frequencies.push_back(static_cast<float>(f));
        in.spectrum.push_back(static_cast<float>(10 * std::log10(p) + noise(rng)));
    }
    in.tFinal = 4095;
    in.sig2 = 0.01f;
    in.methodName = QStringLiteral("Burg");
    in.jobPath = QStringLiteral("/home/u/Lumetra/user/bench.0");
    in.jobName = QStringLiteral("bench.0");
    return in;
}

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

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
