// The estimators' coefficient tables, matrices and vectors. The classic (single-precision) area
// has the capacities of the job record's limits: 210 poles, 200 zeros, order or length 411. The
// modern (double) area is sized for each run by the orders it asks for. Each run owns both (see
// RunContext); an estimator reaches the area of its precision through its EstimatorContext.
#pragma once

#include "complex_ops.h"
#include "specest/job_record.hpp"
#include "views.h"

#include <array>
#include <memory>
#include <type_traits>
#include <vector>

namespace specest::wa {

constexpr int kVec = 410;
constexpr int kPacked = 410 * 411 / 2; // packed lower triangle of a Hermitian matrix of order 410
// The literal sizes below are the record's limits.
static_assert(record::kMaxOrder == 411 && kVec == record::kMaxOrder - 1 &&
                  record::kMaxPoles == 210 && record::kMaxZeros == 200,
              "the work area's sizes follow the limits of job_record.hpp");

// A zeroed array allocated on first use: a run that never touches a matrix never pays for it.
// When a run ends, its array waits for the thread's next run, which zeroes it again instead of
// mapping fresh pages (runs on several threads would otherwise queue on the kernel's page
// faults).
template <class T, std::size_t N> class Lazy {
  public:
    Lazy() = default;
    Lazy(const Lazy&) = delete;
    Lazy& operator=(const Lazy&) = delete;
    ~Lazy() {
        if (p_ && !pool_gone() && !pool().spare) pool().spare = std::move(p_);
    }
    T* data() {
        if (!p_) {
            if (!pool_gone() && pool().spare) {
                p_ = std::move(pool().spare);
                p_->fill(T{});
            } else {
                p_ = std::make_unique<std::array<T, N>>();
            }
        }
        return p_->data();
    }

  private:
    using Block = std::unique_ptr<std::array<T, N>>;
    struct Pool {
        Block spare;
        ~Pool() { pool_gone() = true; }
    };
    static Pool& pool() {
        thread_local Pool p;
        return p;
    }
    // Trivially destructible, so it can still be read while the thread's objects go away.
    static bool& pool_gone() {
        thread_local bool gone = false;
        return gone;
    }
    Block p_;
};

// The classic area. Each array has storage of its own; only theta/a and hc/rmat are shared, as
// the estimators rely on those two identities.
class WorkArea {
  public:
    // Largest system order the area holds.
    int capacity() const { return kVec; }
    // Parameter vector and Cholesky right-hand side / solution. It is also the driver's AR
    // coefficient vector `a` (411 entries): theta(k) and a(k) are the same value.
    Vec1<cfloat> theta() { return {theta_.data(), kVec}; }
    Vec1<cfloat> a() { return {theta_.data(), 411}; }
    Vec1<cfloat> bc() { return {bc_.data(), kVec}; }
    Vec1<float> bv() { return {bv_.data(), kVec}; }
    Vec1<float> grad() { return {grad_.data(), kVec}; }
    Vec1<float> rho() { return {rho_.data(), 411}; }
    // hc and rmat are two names for one array.
    Vec1<cfloat> hc() { return {hc_.data(), kPacked}; }
    Vec1<cfloat> rmat() { return hc(); }
    Mat1<float> s() { return {s_.data(), 211, 211}; }
    Mat1<cfloat> bb() { return {bb_.data(), 210, 210}; }
    Mat1<cfloat> xl() { return {xl_.data(), 410, 410}; }
    Mat1<cfloat> aa() { return {aa_.data(), 411, 411}; }
    Mat1<float> hess() { return {hess_.data(), 410, 410}; }
    Mat1<float> aa_real() { return {aa_real_.data(), 210, 210}; }
    // The driver's MA coefficients and the real copies for the real-data estimators (411 each).
    Vec1<cfloat> b() { return {b_.data(), 411}; }
    Vec1<float> a0() { return {a0_.data(), 411}; }
    Vec1<float> b0() { return {b0_.data(), 411}; }
    // The Cholesky pivots of the last factorisation (cholesky_solve reads them with xl) and the
    // solver's forward-substitution vector.
    Vec1<float> pivots() { return {pivots_.data(), kVec}; }
    Vec1<cfloat> forward() { return {forward_.data(), kVec}; }

  private:
    std::array<cfloat, 411> theta_{};
    std::array<cfloat, kVec> bc_{};
    std::array<float, kVec> bv_{};
    std::array<float, kVec> grad_{};
    std::array<float, 411> rho_{};
    std::array<cfloat, 411> b_{};
    std::array<float, 411> a0_{};
    std::array<float, 411> b0_{};
    Lazy<cfloat, kPacked> hc_;
    Lazy<float, 211 * 211> s_;
    Lazy<cfloat, 210 * 210> bb_;
    Lazy<cfloat, 410 * 410> xl_;
    Lazy<cfloat, 411 * 411> aa_;
    Lazy<float, 410 * 410> hess_;
    Lazy<float, 210 * 210> aa_real_;
    std::array<float, kVec> pivots_{};
    std::array<cfloat, kVec> forward_{};
};

// The modern profile's area: the same arrays in double, sized for systems of order `order`
// (set by the driver before the estimator runs) and allocated on first use. Every vector is one
// longer than the system order, as the classic one is.
class WorkArea64 {
  public:
    void size_for(int order);
    int capacity() const { return order_; }
    Vec1<cdouble> theta() { return vec(theta_, order_ + 1); }
    Vec1<cdouble> a() { return theta(); }
    Vec1<cdouble> bc() { return vec(bc_, order_ + 1); }
    Vec1<double> bv() { return vec(bv_, order_ + 1); }
    Vec1<double> grad() { return vec(grad_, order_ + 1); }
    Vec1<double> rho() { return vec(rho_, order_ + 1); }
    Vec1<cdouble> hc() { return vec(hc_, (order_ + 1) * (order_ + 2) / 2); }
    Vec1<cdouble> rmat() { return hc(); }
    Mat1<double> s() { return mat(s_); }
    Mat1<cdouble> bb() { return mat(bb_); }
    Mat1<cdouble> xl() { return mat(xl_); }
    Mat1<cdouble> aa() { return mat(aa_); }
    Mat1<double> hess() { return mat(hess_); }
    Mat1<double> aa_real() { return mat(aa_real_); }
    Vec1<cdouble> b() { return vec(b_, order_ + 1); }
    Vec1<double> a0() { return vec(a0_, order_ + 1); }
    Vec1<double> b0() { return vec(b0_, order_ + 1); }
    Vec1<double> pivots() { return vec(pivots_, order_); }
    Vec1<cdouble> forward() { return vec(forward_, order_); }

  private:
    template <class T> static Vec1<T> vec(std::vector<T>& v, int n) {
        if (v.size() < static_cast<std::size_t>(n)) v.assign(static_cast<std::size_t>(n), T{});
        return {v.data(), n};
    }
    template <class T> Mat1<T> mat(std::vector<T>& v) const {
        const int n = order_ + 1;
        const auto need = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
        if (v.size() < need) v.assign(need, T{});
        return {v.data(), n, n};
    }
    int order_ = 0;
    std::vector<cdouble> theta_, bc_, b_, hc_, bb_, xl_, aa_, forward_;
    std::vector<double> bv_, grad_, rho_, a0_, b0_, s_, hess_, aa_real_, pivots_;
};

// The area of precision R: float is the classic profile, double the modern one.
template <class R>
using WorkArrays = std::conditional_t<std::is_same_v<R, float>, WorkArea, WorkArea64>;

} // namespace specest::wa
