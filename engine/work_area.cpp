#include "work_area.h"

#include "run_context.h"

namespace specest::wa {
namespace {

WorkArea& area() {
    return run_context().area;
}

WorkArea64& area64() {
    return run_context().area64;
}

template <class T> Vec1<T> vec(std::vector<T>& v, int n) {
    if (v.size() < static_cast<std::size_t>(n)) v.assign(static_cast<std::size_t>(n), T{});
    return {v.data(), n};
}
template <class T> Mat1<T> mat(std::vector<T>& v, int rows, int cols) {
    const auto need = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
    if (v.size() < need) v.assign(need, T{});
    return {v.data(), rows, cols};
}

} // namespace

void WorkArea64::size_for(int n) {
    // Arrays sized for another order are dropped; the next access makes them afresh.
    if (n == order) return;
    *this = WorkArea64();
    order = n;
}

template <> int capacity<float>() {
    return kVec;
}
template <> int capacity<double>() {
    return area64().order;
}

#define SPECEST_FLOAT(name, T)                                                                     \
    template <> T name<float>() {                                                                  \
        return name();                                                                             \
    }
SPECEST_FLOAT(theta, Vec1<cfloat>)
SPECEST_FLOAT(a, Vec1<cfloat>)
SPECEST_FLOAT(bc, Vec1<cfloat>)
SPECEST_FLOAT(bv, Vec1<float>)
SPECEST_FLOAT(grad, Vec1<float>)
SPECEST_FLOAT(rho, Vec1<float>)
SPECEST_FLOAT(hc, Vec1<cfloat>)
SPECEST_FLOAT(rmat, Vec1<cfloat>)
SPECEST_FLOAT(s, Mat1<float>)
SPECEST_FLOAT(bb, Mat1<cfloat>)
SPECEST_FLOAT(xl, Mat1<cfloat>)
SPECEST_FLOAT(aa, Mat1<cfloat>)
SPECEST_FLOAT(hess, Mat1<float>)
SPECEST_FLOAT(aa_real, Mat1<float>)
SPECEST_FLOAT(b, Vec1<cfloat>)
SPECEST_FLOAT(a0, Vec1<float>)
SPECEST_FLOAT(b0, Vec1<float>)
#undef SPECEST_FLOAT

// The modern area: every vector one longer than the system order, as the classic one is.
template <> Vec1<cdouble> theta<double>() {
    return vec(area64().theta, area64().order + 1);
}
template <> Vec1<cdouble> a<double>() {
    return theta<double>();
}
template <> Vec1<cdouble> bc<double>() {
    return vec(area64().bc, area64().order + 1);
}
template <> Vec1<double> bv<double>() {
    return vec(area64().bv, area64().order + 1);
}
template <> Vec1<double> grad<double>() {
    return vec(area64().grad, area64().order + 1);
}
template <> Vec1<double> rho<double>() {
    return vec(area64().rho, area64().order + 1);
}
template <> Vec1<cdouble> hc<double>() {
    const int n = area64().order + 1;
    return vec(area64().hc, n * (n + 1) / 2);
}
template <> Vec1<cdouble> rmat<double>() {
    return hc<double>();
}
template <> Mat1<double> s<double>() {
    const int n = area64().order + 1;
    return mat(area64().s, n, n);
}
template <> Mat1<cdouble> bb<double>() {
    const int n = area64().order + 1;
    return mat(area64().bb, n, n);
}
template <> Mat1<cdouble> xl<double>() {
    const int n = area64().order + 1;
    return mat(area64().xl, n, n);
}
template <> Mat1<cdouble> aa<double>() {
    const int n = area64().order + 1;
    return mat(area64().aa, n, n);
}
template <> Mat1<double> hess<double>() {
    const int n = area64().order + 1;
    return mat(area64().hess, n, n);
}
template <> Mat1<double> aa_real<double>() {
    const int n = area64().order + 1;
    return mat(area64().aa_real, n, n);
}
template <> Vec1<cdouble> b<double>() {
    return vec(area64().b, area64().order + 1);
}
template <> Vec1<double> a0<double>() {
    return vec(area64().a0, area64().order + 1);
}
template <> Vec1<double> b0<double>() {
    return vec(area64().b0, area64().order + 1);
}

Vec1<cfloat> theta() {
    return {area().theta.data(), kVec};
}
Vec1<cfloat> a() {
    return {area().theta.data(), 411};
}
Vec1<cfloat> bc() {
    return {area().bc.data(), kVec};
}
Vec1<float> bv() {
    return {area().bv.data(), kVec};
}
Vec1<float> grad() {
    return {area().grad.data(), kVec};
}
Vec1<float> rho() {
    return {area().rho.data(), 411};
}
Vec1<cfloat> hc() {
    return {area().hc.data(), kPacked};
}
Vec1<cfloat> rmat() {
    return {area().hc.data(), kPacked};
}
Mat1<float> s() {
    return {area().s.data(), 211, 211};
}
Mat1<cfloat> bb() {
    return {area().bb.data(), 210, 210};
}
Mat1<cfloat> xl() {
    return {area().xl.data(), 410, 410};
}
Mat1<cfloat> aa() {
    return {area().aa.data(), 411, 411};
}
Mat1<float> hess() {
    return {area().hess.data(), 410, 410};
}
Mat1<float> aa_real() {
    return {area().aa_real.data(), 210, 210};
}
Vec1<cfloat> b() {
    return {area().b.data(), 411};
}
Vec1<float> a0() {
    return {area().a0.data(), 411};
}
Vec1<float> b0() {
    return {area().b0.data(), 411};
}

} // namespace specest::wa
