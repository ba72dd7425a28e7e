// Least-squares ARMA regression of the Mayne-Firoozan method, reachable by tests.
#pragma once

#include "views.h"

namespace specest {

// Fits yz(t) + sum a(k) y(t-k) ~ sum b(m) z(t-m), t = 1..n, values before the record taken as
// zero, through the normal equations (shared hc, theta and the Cholesky solver). Writes
// a(1..ip) = -theta(1..ip) and the shared bc(1..iq) = theta(ip+1..ip+iq) whatever iflag is.
// a may be the shared theta itself.
void ls(Vec1<cfloat> y, Vec1<cfloat> z, Vec1<cfloat> yz, int n, int ip, int iq, float eps,
        Vec1<cfloat> a, int& iflag);

} // namespace specest
