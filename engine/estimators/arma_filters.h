// Recursive and FIR filters with zero initial conditions, used by the ARMA estimators.
// Inner sums are carried in double precision and each output sample is stored in single
// precision; the accumulator starts from the input sample and adds the terms j = 1, 2, ...
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

// y = A(z) x: y(i) = x(i) + sum_{j=1..min(i-1,ip)} a(j) x(i-j). y must not overlap x.
template <class R> void czerofilt(Vec1<cx<R>> x, int n, int ip, Vec1<cx<R>> a, Vec1<cx<R>> y);

// y = x / B(z): y(i) = x(i) - b(1) y(i-1) - ... with every partial result rounded to single
// precision. y must not overlap x.
template <class R> void cpolefilt(Vec1<cx<R>> x, int n, Vec1<cx<R>> b, int iq, Vec1<cx<R>> y);

// Real versions for the Akaike iteration.
template <class R> void polefilt(Vec1<R> x, int n, int iq, Vec1<R> b, Vec1<R> y);
template <class R> void zerofilt(Vec1<R> x, int n, int ip, Vec1<R> a, Vec1<R> y);

// Innovation variance of the model A/B on x: e = A (x / B), sig2 = sum e^2 / n.
// e holds the residuals afterwards; y is work space.
template <class R>
void var(Vec1<R> x, int n, int ip, int iq, Vec1<R> a, Vec1<R> b, R& sig2, Vec1<R> e, Vec1<R> y);

} // namespace specest
