// Recursive and FIR filters with zero initial conditions, used by the ARMA estimators.
// Inner sums are carried in double precision and each output sample is stored in single
// precision; the accumulator starts from the input sample and adds the terms j = 1, 2, ...
#pragma once

#include "views.h"

namespace specest {

// y = A(z) x: y(i) = x(i) + sum_{j=1..min(i-1,ip)} a(j) x(i-j). y must not overlap x.
void czerofilt(Vec1<cfloat> x, int n, int ip, Vec1<cfloat> a, Vec1<cfloat> y);

// y = x / B(z): y(i) = x(i) - b(1) y(i-1) - ... with every partial result rounded to single
// precision. y must not overlap x.
void cpolefilt(Vec1<cfloat> x, int n, Vec1<cfloat> b, int iq, Vec1<cfloat> y);

// Real versions for the Akaike iteration.
void polefilt(Vec1<float> x, int n, int iq, Vec1<float> b, Vec1<float> y);
void zerofilt(Vec1<float> x, int n, int ip, Vec1<float> a, Vec1<float> y);

// Innovation variance of the model A/B on x: e = A (x / B), sig2 = sum e^2 / n.
// e holds the residuals afterwards; y is work space.
void var(Vec1<float> x, int n, int ip, int iq, Vec1<float> a, Vec1<float> b, float& sig2,
         Vec1<float> e, Vec1<float> y);

} // namespace specest
