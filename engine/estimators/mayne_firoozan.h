// Least-squares ARMA regression of the Mayne-Firoozan method, reachable by tests.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

// Fits yz(t) + sum a(k) y(t-k) ~ sum b(m) z(t-m), t = 1..n, values before the record taken as
// zero, through the normal equations (shared hc, theta and the Cholesky solver). Writes
// a(1..ip) = -theta(1..ip) and the shared bc(1..iq) = theta(ip+1..ip+iq) whatever iflag is.
// a may be the shared theta itself.
template <class R>
void ls(const EstimatorContext<R>& ctx, Vec1<cx<R>> y, Vec1<cx<R>> z, Vec1<cx<R>> yz, int n, int ip,
        int iq, R eps, Vec1<cx<R>> a, int& iflag);

} // namespace specest
