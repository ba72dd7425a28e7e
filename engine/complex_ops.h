// Complex arithmetic carried in double precision within one expression and stored as a pair of
// 32-bit floats, with the plain textbook formulas so results do not depend on library helpers.
#pragma once

#include "views.h"

#include <type_traits>

namespace specest {

// Rounds to single precision and keeps it so: GCC may otherwise carry the double result of
// sin/cos (merged into one sincos call) past a float conversion.
inline float to_float(double v) {
    float f = static_cast<float>(v);
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    asm("" : "+x"(f));
#elif defined(__GNUC__)
    asm("" : "+r"(f));
#endif
    return f;
}

inline cdouble wide(cfloat z) {
    return {z.real(), z.imag()};
}
inline cfloat narrow(cdouble z) {
    return {static_cast<float>(z.real()), static_cast<float>(z.imag())};
}
// The same arithmetic at either precision: a run's values are stored as R (float in the classic
// profile, double in the modern one) and carried in double within one expression.
template <class R> using cx = std::complex<R>;
inline cdouble wide(cdouble z) {
    return z;
}
template <class R> inline cx<R> narrow_to(cdouble z) {
    return {static_cast<R>(z.real()), static_cast<R>(z.imag())};
}
template <class R> inline R to_real(double v) {
    if constexpr (std::is_same_v<R, float>)
        return to_float(v);
    else
        return v;
}
// True for the classic profile's single-precision instantiation.
template <class R> inline constexpr bool kClassic = std::is_same_v<R, float>;

inline cdouble cmul(cdouble a, cdouble b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}
inline cdouble cdiv(cdouble a, cdouble b) {
    double den = b.real() * b.real() + b.imag() * b.imag();
    return {(a.real() * b.real() + a.imag() * b.imag()) / den,
            (a.imag() * b.real() - a.real() * b.imag()) / den};
}
inline double abs2(cdouble z) {
    return z.real() * z.real() + z.imag() * z.imag();
}
inline double abs2(cfloat z) {
    return abs2(wide(z));
}

} // namespace specest
