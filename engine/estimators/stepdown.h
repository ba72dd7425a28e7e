// Step-down (inverse Levinson) recursion: the reflection coefficients of the polynomial
// 1 + sum bc(k) z^-k, used to test whether an MA estimate is minimum-phase.
#pragma once

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

// Fills the shared aa table from bc(1..iq) (aa(k,k) = reflection coefficient of order k) and
// rho (rho(iq) = sig2). Returns 0 when done, or the order k at which a reflection coefficient
// of magnitude 1 (or not a number) stopped the recursion: the orders below k are then not
// computed and rho0 is not set.
template <class R> int stepdown(const EstimatorContext<R>& ctx, int iq, R sig2, R& rho0);

// Minimum-phase test of 1 + sum bc(k) z^-k: the first order k = 1..iq whose reflection
// coefficient has magnitude >= 1 (or is not a number), or 0 when the polynomial passes.
template <class R> int min_phase_failure(const EstimatorContext<R>& ctx, int iq);

} // namespace specest
