#include "work_area.h"

#include "run_context.h"

namespace specest::wa {
namespace {

WorkArea& area() {
    return run_context().area;
}

} // namespace

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
