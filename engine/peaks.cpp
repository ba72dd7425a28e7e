#include "peaks.h"

#include "run_context.h"

#include <chrono>
#include <thread>

namespace specest {

std::vector<int> find_peaks(Vec1<float> y, int nfreq) {
    std::vector<int> peak;
    if (nfreq >= 2 && y(1) > y(2)) peak.push_back(1);
    for (int i = 2; i <= nfreq - 1 && static_cast<int>(peak.size()) < kMaxPeaks; ++i)
        if (y(i - 1) < y(i) && y(i) > y(i + 1)) peak.push_back(i);
    return peak;
}

void tab_peaks(int k, Vec1<float> x, Vec1<float> y, int nfreq) {
    const std::vector<int> peak = find_peaks(y, nfreq);
    if (peak.empty()) return;
    Report& r = run_report();
    r.blanks(3);
    r.line(Line().rep('-', 52));
    r.line(Line().x(5).a(" PSD waveform contained following peaks"));
    r.line(Line().rep('-', 52));
    int n = 0;
    for (int j : peak) {
        ++n;
        r.line(Line()
                   .a(" Peak #")
                   .i(n, 2)
                   .a("  at Freq =")
                   .pe(x(j), 12, 5)
                   .a("  Ampl. =")
                   .pe(y(j), 15, 5));
        for (int q = j - 1; q <= j + 1; ++q) {
            if (q < 1 || q > nfreq) continue;
            r.line(Line()
                       .a(" Ck. 4 Peak ... at Freq =")
                       .col(30)
                       .pe(x(q), 12, 5)
                       .a(" Ampl. =")
                       .pe(y(q), 15, 5));
            r.blank();
        }
    }
    if (k == 6 && run_context().pause_after_peaks) {
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_until(start + std::chrono::milliseconds(2000));
    }
}

} // namespace specest
