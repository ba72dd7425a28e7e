// Minimum-variance (Capon) spectrum; the correlation matrix and its inverse are exposed for tests.
#pragma once

#include "complex_ops.h"
#include "specest/job_record.hpp"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

constexpr int kMvseMaxOrder = record::kMaxPoles;

// Packed forward-backward correlation matrix of order ip into rmat (the solver's hc).
template <class R> void corrmat(Vec1<cx<R>> x, const int& n, const int& ip, Vec1<cx<R>> rmat);

// rinv(1..ip, 1..ip) = inverse of the matrix in hc, column by column through the Cholesky
// solver. The matrix is factored once and the factor reused for every column, which gives the
// same bits as refactoring it per column. iflag = -1 (nothing written to rinv) when a pivot
// is not above eps.
template <class R>
void mvse_inverse(const EstimatorContext<R>& ctx, const int& ip, const R& eps, int& iflag,
                  Mat1<cx<R>> rinv);

} // namespace specest
