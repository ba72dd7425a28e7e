// Number-to-text conversions shared by the plot, its labels and the Output text.
#pragma once

#include <QString>

namespace lumetra::plot {

// Plain conversion of a 32-bit value: no leading blank, shortest form that
// reproduces the value with at most 7 significant digits, "0." before
// fractions, and an E-suffix ("1.5E-05", "1E+08") only for very large or
// very small magnitudes.
QString numberText(float v);
// Same for a 64-bit value, at most 15 significant digits.
QString numberText(double v);
QString numberText(int v);

// Text with a leading blank for values >= 0 (used for the exponent notes).
QString signedText(float v);
QString signedText(double v);
QString signedText(int v);

// Digit patterns "###.#" (decimals = 1) and "###.##" (decimals = 2): no
// leading or trailing zeros, the point is always written, rounding is half
// away from zero on the value's 15-digit decimal form.
QString formatPattern(double v, int decimals);
inline QString xLabelText(double v) {
    return formatPattern(v, 1);
}
inline QString yLabelText(double v) {
    return formatPattern(v, 2);
}

} // namespace lumetra::plot
