// Latency of one zoom step on a 16384-point plot: the new view, its round ticks as an axis
// override, and the whole plot drawn again on the screen canvas, as the Plot page does it.
#include "bench_spectrum.h"
#include "plot_render.h"
#include "plot_zoom.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace lumetra::plot;
using lumetra::plot::bench::spectrum16k;

namespace {

// One wheel notch about a point near a peak, in and out in turn so the view stays comparable;
// range(2) != 0 zooms the dB axis too.
void BM_ZoomStep(benchmark::State& state) {
    const PlotInput in = spectrum16k();
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const bool both = state.range(2) != 0;
    PlotCanvas canvas(size);
    PlotEnvironment env;
    env.screenPixels = size;
    PlotOptions opt;
    OutputText out;
    PlotScale st = plotResults(canvas, in, opt, out, env);
    AxisRange x = shownXRange(st), y = shownYRange(st);
    const QPointF cursor(toPixelX(st, 0.12 / st.xFactor, size.width()), size.height() * 0.4);
    int k = 0;
    for (auto _ : state) {
        const double factor = (k++ % 2) ? 1 / 0.8 : 0.8;
        const double ax = realXAt(st, cursor.x(), size.width());
        x = limitWidth(zoomAbout(x, ax, factor), ax, minimumWidth(x), 1e9);
        opt.xOverride = overrideFor(niceTicks(x, 10));
        if (both) {
            const double ay = realYAt(st, cursor.y(), size.height());
            y = limitWidth(zoomAbout(y, ay, factor), ay, minimumWidth(y), 1e9);
            opt.yOverride = overrideFor(niceTicks(y, 5));
        }
        OutputText scratch;
        Qt::PenStyle style = Qt::SolidLine;
        canvas.resize(size);
        QPainter p(&canvas.image());
        st = drawPlot(p, QSizeF(size), style, in, opt, scratch, env);
        p.end();
        benchmark::DoNotOptimize(canvas.image().constBits());
    }
}
BENCHMARK(BM_ZoomStep)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({1280, 800, 0})
    ->Unit(benchmark::kMillisecond);

// The readout's lookup on every mouse move.
void BM_NearestPoint(benchmark::State& state) {
    const PlotInput in = spectrum16k();
    OutputText out;
    PlotCanvas canvas(QSize(1920, 1080));
    const PlotScale st = plotResults(canvas, in, PlotOptions{}, out);
    double x = -0.5;
    for (auto _ : state) {
        x = x > 0.5 ? -0.5 : x + 0.000731;
        benchmark::DoNotOptimize(nearestCurvePoint(st, x));
    }
}
BENCHMARK(BM_NearestPoint)->Unit(benchmark::kMicrosecond);

} // namespace
