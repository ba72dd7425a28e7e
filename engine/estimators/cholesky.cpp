#include "cholesky.h"

#include "complex_ops.h"
#include "run_context.h"
#include "stop.h"
#include "work_area.h"

#include <algorithm>
#include <array>
#include <string>

namespace specest {
namespace {

// Pivots of the last factorisation; cholesky_solve reads them with xl. One set per thread, so
// runs on different threads never share them.
thread_local std::array<float, wa::kVec> pivots{};
thread_local std::array<cfloat, wa::kVec> forward{};

void pivot_diagnostic(int i, int l) {
    Report& r = run_report();
    Vec1<cfloat> hc = wa::hc();
    r.blank();
    r.line(Line().a(" Error in CHOLESKY: I = ").i(i, 5).a("  L = ").i(l, 5));
    const int last = std::min(l + 2, wa::kPacked);
    for (int k = std::max(1, i - 2); k <= last; ++k)
        r.line(Line()
                   .a(" hc(")
                   .i(k, 5)
                   .a(") = ")
                   .pe(hc(k).real(), 12, 4)
                   .x(3)
                   .pe(hc(k).imag(), 12, 4));
}

} // namespace

void cholesky_factor(const int& n, const float& eps, int& iflag) {
    Vec1<cfloat> hc = wa::hc();
    Mat1<cfloat> xl = wa::xl();
    Vec1<float> d(pivots.data(), wa::kVec);
    iflag = 0;
    if (n > wa::kVec) {
        Report& r = run_report();
        r.blanks(2);
        r.line(Line()
                   .x(9)
                   .a("CHOLESKY: system order")
                   .i(n, 6)
                   .a(" exceeds the capacity")
                   .i(wa::kVec, 6));
        r.blanks(2);
        stop(" CHOLESKY: system order out of range");
    }
    if (n < 1) return;
    int l = 1;
    d(1) = hc(1).real();
    for (int i = 2; i <= n; ++i) {
        for (int j = 1; j <= i - 1; ++j) {
            ++l;
            cdouble sum = std::conj(wide(hc(l)));
            for (int k = 1; k <= j - 1; ++k)
                sum -= cmul(wide(xl(i, k)) * static_cast<double>(d(k)), std::conj(wide(xl(j, k))));
            xl(i, j) = narrow(sum / static_cast<double>(d(j)));
        }
        ++l;
        double temp = hc(l).real();
        for (int k = 1; k <= i - 1; ++k) temp -= static_cast<double>(d(k)) * abs2(xl(i, k));
        d(i) = static_cast<float>(temp);
        if (!(d(i) > eps)) { // a NaN pivot fails too
            iflag = -1;
            pivot_diagnostic(i, l);
            return;
        }
    }
}

void cholesky_solve(const int& n) {
    Vec1<cfloat> theta = wa::theta();
    Mat1<cfloat> xl = wa::xl();
    Vec1<float> d(pivots.data(), wa::kVec);
    Vec1<cfloat> y(forward.data(), wa::kVec);
    if (n < 1 || n > wa::kVec) return;
    y(1) = theta(1);
    for (int i = 2; i <= n; ++i) {
        cdouble sum = wide(theta(i));
        for (int k = 1; k <= i - 1; ++k) sum -= cmul(wide(xl(i, k)), wide(y(k)));
        y(i) = narrow(sum);
    }
    theta(n) = narrow(wide(y(n)) / static_cast<double>(d(n)));
    for (int i = n - 1; i >= 1; --i) {
        cdouble sum = wide(y(i)) / static_cast<double>(d(i));
        for (int k = i + 1; k <= n; ++k) sum -= cmul(std::conj(wide(xl(k, i))), wide(theta(k)));
        theta(i) = narrow(sum);
    }
}

void cholesky(const int& n, const float& eps, int& iflag) {
    cholesky_factor(n, eps, iflag);
    if (iflag != 0) return;
    cholesky_solve(n);
}

} // namespace specest
