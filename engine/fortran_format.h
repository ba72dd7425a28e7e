// Fixed-layout number formatting in the style of Fortran edit descriptors (I, E, 1PE, F),
// used for the formatted lines of the run report. A value that does not fit its width is
// shown as asterisks, as a Fortran runtime would.
#pragma once

#include <string>
#include <string_view>

namespace specest::fmt {

// Iw: integer right-aligned in w columns.
void append_i(std::string& out, long long v, int w);
// Ew.d: 0.ddddE+xx, mantissa below one with a leading zero, right-aligned in w columns.
void append_e(std::string& out, double v, int w, int d);
// 1PEw.d: d.ddddE+xx, one digit before the point.
void append_pe(std::string& out, double v, int w, int d);
// Fw.d: fixed point with d decimals.
void append_f(std::string& out, double v, int w, int d);
// Integer in as many columns as it needs.
void append_int(std::string& out, long long v);
// Shortest text that reads back to the same single-precision value (free-form lines).
void append_general(std::string& out, float v);
void append_general(std::string& out, double v);

} // namespace specest::fmt
