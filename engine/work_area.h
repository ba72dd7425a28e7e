// The estimators' coefficient tables, matrices and vectors. The classic (single-precision) area
// has the capacities of the job record's limits: 210 poles, 200 zeros, order or length 411. The
// modern (double) area is sized for each run by the orders it asks for. Each run owns both
// (see RunContext); the accessors return the current run's arrays, theta<R>() at precision R.
#pragma once

#include "complex_ops.h"
#include "specest/job_record.hpp"
#include "views.h"

#include <array>
#include <memory>
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

// Each member has storage of its own; only theta/a and hc/rmat are shared, as the estimators
// rely on those two identities.
struct WorkArea {
    std::array<cfloat, 411> theta{};
    std::array<cfloat, kVec> bc{};
    std::array<float, kVec> bv{};
    std::array<float, kVec> grad{};
    std::array<float, 411> rho{};
    std::array<cfloat, 411> b{};
    std::array<float, 411> a0{};
    std::array<float, 411> b0{};
    Lazy<cfloat, kPacked> hc;
    Lazy<float, 211 * 211> s;
    Lazy<cfloat, 210 * 210> bb;
    Lazy<cfloat, 410 * 410> xl;
    Lazy<cfloat, 411 * 411> aa;
    Lazy<float, 410 * 410> hess;
    Lazy<float, 210 * 210> aa_real;
};

// The modern profile's area: the same arrays in double, sized for systems of order `order`
// (set by the driver before the estimator runs) and allocated on first use.
struct WorkArea64 {
    void size_for(int order);
    int order = 0;
    std::vector<cdouble> theta, bc, b, hc, bb, xl, aa;
    std::vector<double> bv, grad, rho, a0, b0, s, hess, aa_real;
};

// Largest system order the current run's area of precision R holds.
template <class R> int capacity();

#define SPECEST_WA_ACCESSORS(R)                                                                    \
    template <> int capacity<R>();                                                                 \
    template <> Vec1<cx<R>> theta<R>();                                                            \
    template <> Vec1<cx<R>> a<R>();                                                                \
    template <> Vec1<cx<R>> bc<R>();                                                               \
    template <> Vec1<R> bv<R>();                                                                   \
    template <> Vec1<R> grad<R>();                                                                 \
    template <> Vec1<R> rho<R>();                                                                  \
    template <> Vec1<cx<R>> hc<R>();                                                               \
    template <> Vec1<cx<R>> rmat<R>();                                                             \
    template <> Mat1<R> s<R>();                                                                    \
    template <> Mat1<cx<R>> bb<R>();                                                               \
    template <> Mat1<cx<R>> xl<R>();                                                               \
    template <> Mat1<cx<R>> aa<R>();                                                               \
    template <> Mat1<R> hess<R>();                                                                 \
    template <> Mat1<R> aa_real<R>();                                                              \
    template <> Vec1<cx<R>> b<R>();                                                                \
    template <> Vec1<R> a0<R>();                                                                   \
    template <> Vec1<R> b0<R>();

template <class R> Vec1<cx<R>> theta();
template <class R> Vec1<cx<R>> a();
template <class R> Vec1<cx<R>> bc();
template <class R> Vec1<R> bv();
template <class R> Vec1<R> grad();
template <class R> Vec1<R> rho();
template <class R> Vec1<cx<R>> hc();
template <class R> Vec1<cx<R>> rmat();
template <class R> Mat1<R> s();
template <class R> Mat1<cx<R>> bb();
template <class R> Mat1<cx<R>> xl();
template <class R> Mat1<cx<R>> aa();
template <class R> Mat1<R> hess();
template <class R> Mat1<R> aa_real();
template <class R> Vec1<cx<R>> b();
template <class R> Vec1<R> a0();
template <class R> Vec1<R> b0();
SPECEST_WA_ACCESSORS(float)
SPECEST_WA_ACCESSORS(double)
#undef SPECEST_WA_ACCESSORS

// The classic area's arrays under their plain names.
// Parameter vector and Cholesky right-hand side / solution. It is also the driver's AR
// coefficient vector `a` (411 entries): theta(k) and a(k) are the same value.
Vec1<cfloat> theta();
Vec1<cfloat> a();
Vec1<cfloat> bc();
Vec1<float> bv();
Vec1<float> grad();
Vec1<float> rho();
// hc and rmat are two names for one array.
Vec1<cfloat> hc();
Vec1<cfloat> rmat();
Mat1<float> s();       // 211 x 211
Mat1<cfloat> bb();     // 210 x 210
Mat1<cfloat> xl();     // 410 x 410
Mat1<cfloat> aa();     // 411 x 411
Mat1<float> hess();    // 410 x 410
Mat1<float> aa_real(); // 210 x 210

// The driver's MA coefficients and the real copies for the real-data estimators (411 each).
Vec1<cfloat> b();
Vec1<float> a0();
Vec1<float> b0();

} // namespace specest::wa
