// The spectrum the plot benchmarks draw: 16384 points, two-sided, a few resonances over a noisy
// floor (many local maxima). `shift` moves the resonances, for curves held beside it.
#pragma once

#include "plot_render.h"

#include <cmath>
#include <random>

namespace lumetra::plot::bench {

inline PlotInput spectrum16k(double shift = 0) {
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
        for (double f0 : {-0.31, 0.05, 0.12, 0.33})
            p += 1.0 / (1 + std::pow((f - f0 - shift) / 0.004, 2));
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

} // namespace lumetra::plot::bench
