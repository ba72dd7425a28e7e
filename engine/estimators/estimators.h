// The parametric estimators the spectrum driver dispatches to. Scalars are passed by reference
// as the algorithms were written; arrays are 1-based views. Each takes its run's context first
// (estimator_context.h): the job record, the report it writes its lines to, the work arrays.
#pragma once

#include "complex_ops.h"
#include "views.h"

namespace specest {

template <class R> struct EstimatorContext; // estimator_context.h

// Method 2
template <class R>
void burg(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, Vec1<cx<R>> a, R& sig2,
          int& npoints);
// Method 3 (real data)
template <class R>
void rmle(const EstimatorContext<R>& ctx, Vec1<R> x, int& n, int& ip, Vec1<R> a0, R& sig2);
// Methods 4 (mode 0) and 5 (mode 1); coefficients are left in theta (the driver's a)
template <class R>
void covmcov(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& mode, R& eps,
             int& iflag, R& sig2);
// Method 6
template <class R>
void mywe(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& iq, R& eps,
          Vec1<cx<R>> a, Vec1<cx<R>> b, R& sig2, int& iflag, int& npoints);
// Method 7 (and the first stage of 8); AR part left in theta
template <class R>
void lsmywe(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& iq, int& m, R& eps,
            Vec1<cx<R>> b, R& sig2, int& iflag, int& npoints);
// Method 8, second stage (real data)
template <class R>
void akaike(const EstimatorContext<R>& ctx, Vec1<R> x, int& n, Vec1<R> a0, Vec1<R> b0, int& ip,
            int& iq, int& nit, R& eps, R& per, R& sig2, int& iflag, int& npoints);
// Method 9
template <class R>
void maynefir(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& iq, int& l,
              R& eps, int& nexp, Vec1<cx<R>> a, R& sig2, int& iflag, int& npoints);
// Method 10
template <class R>
void durbin(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& iq, int& l, Vec1<cx<R>> b,
            R& sig2, int& npoints);
// Method 13: fills psd(1..l) on the two-sided convention
template <class R>
void mvse(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& l, R& eps, int& mode,
          Vec1<R> psd, int& iflag);
// Method 14
template <class R>
void lockheed(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, int& iq,
              Vec1<cx<R>> a, Vec1<cx<R>> b, int& nexp, R& sig2, int& npoints);

} // namespace specest
