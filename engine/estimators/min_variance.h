// Minimum-variance (Capon) spectrum; the correlation matrix and its inverse are exposed for tests.
#pragma once

#include "specest/job_record.hpp"
#include "views.h"

namespace specest {

constexpr int kMvseMaxOrder = record::kMaxPoles;

// Packed forward-backward correlation matrix of order ip into rmat (the solver's hc).
void corrmat(Vec1<cfloat> x, const int& n, const int& ip, Vec1<cfloat> rmat);

// rinv(1..ip, 1..ip) = inverse of the matrix in hc, column by column through the Cholesky
// solver. The matrix is factored once and the factor reused for every column, which gives the
// same bits as refactoring it per column. iflag = -1 (nothing written to rinv) when a pivot
// is not above eps.
void mvse_inverse(const int& ip, const float& eps, int& iflag, Mat1<cfloat> rinv);

} // namespace specest
