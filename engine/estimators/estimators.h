// The parametric estimators the spectrum driver dispatches to. Scalars are passed by reference
// as the algorithms were written; arrays are 1-based views. They read their settings from the
// job record and write their lines to the run report.
#pragma once

#include "views.h"

namespace specest {

// Method 2
void burg(Vec1<cfloat> x, int& n, int& ip, Vec1<cfloat> a, float& sig2, int& npoints);
// Method 3 (real data)
void rmle(Vec1<float> x, int& n, int& ip, Vec1<float> a0, float& sig2);
// Methods 4 (mode 0) and 5 (mode 1); coefficients are left in theta (the driver's a)
void covmcov(Vec1<cfloat> x, int& n, int& ip, int& mode, float& eps, int& iflag, float& sig2);
// Method 6
void mywe(Vec1<cfloat> x, int& n, int& ip, int& iq, float& eps, Vec1<cfloat> a, Vec1<cfloat> b,
          float& sig2, int& iflag, int& npoints);
// Method 7 (and the first stage of 8); AR part left in theta
void lsmywe(Vec1<cfloat> x, int& n, int& ip, int& iq, int& m, float& eps, Vec1<cfloat> b,
            float& sig2, int& iflag, int& npoints);
// Method 8, second stage (real data)
void akaike(Vec1<float> x, int& n, Vec1<float> a0, Vec1<float> b0, int& ip, int& iq, int& nit,
            float& eps, float& per, float& sig2, int& iflag, int& npoints);
// Method 9
void maynefir(Vec1<cfloat> x, int& n, int& ip, int& iq, int& l, float& eps, int& nexp,
              Vec1<cfloat> a, float& sig2, int& iflag, int& npoints);
// Method 10
void durbin(Vec1<cfloat> x, int& n, int& iq, int& l, Vec1<cfloat> b, float& sig2, int& npoints);
// Method 13: fills psd(1..l) on the two-sided convention
void mvse(Vec1<cfloat> x, int& n, int& ip, int& l, float& eps, int& mode, Vec1<float> psd,
          int& iflag);
// Method 14
void lockheed(Vec1<cfloat> x, int& n, int& ip, int& iq, Vec1<cfloat> a, Vec1<cfloat> b, int& nexp,
              float& sig2, int& npoints);

} // namespace specest
