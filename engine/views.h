// Small 1-based, column-major views over contiguous storage, so that numeric code reads like
// the algorithms it comes from. Bounds are checked when SPECEST_BOUNDS_CHECK is defined.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace specest {

using cfloat = std::complex<float>;
using cdouble = std::complex<double>;

#if defined(SPECEST_BOUNDS_CHECK)
[[noreturn]] inline void bounds_failure(const char* what, long i, long n) {
    std::fprintf(stderr, "specest: %s index %ld outside 1..%ld\n", what, i, n);
    std::abort();
}
#define SPECEST_CHECK_INDEX(what, i, n)                                                            \
    do {                                                                                           \
        if ((i) < 1 || (i) > (n)) ::specest::bounds_failure(what, (long)(i), (long)(n));           \
    } while (0)
#else
#define SPECEST_CHECK_INDEX(what, i, n)                                                            \
    do {                                                                                           \
    } while (0)
#endif

// v(1) .. v(n)
template <class T> class Vec1 {
  public:
    Vec1() = default;
    Vec1(T* data, int n) : p_(data), n_(n) {}
    template <class A> Vec1(std::vector<T, A>& v) : p_(v.data()), n_(static_cast<int>(v.size())) {}
    T& operator()(int i) const {
        SPECEST_CHECK_INDEX("vector", i, n_);
        return p_[i - 1];
    }
    int size() const { return n_; }
    T* data() const { return p_; }
    // The view starting at element i (1-based), as a Fortran actual argument x(i) would be.
    Vec1 from(int i) const {
        SPECEST_CHECK_INDEX("vector", i, n_ + 1);
        return Vec1(p_ + (i - 1), n_ - (i - 1));
    }

  private:
    T* p_ = nullptr;
    int n_ = 0;
};

// m(i, j), i = 1..rows, j = 1..cols, stored column by column.
template <class T> class Mat1 {
  public:
    Mat1() = default;
    Mat1(T* data, int rows, int cols) : p_(data), rows_(rows), cols_(cols) {}
    T& operator()(int i, int j) const {
        SPECEST_CHECK_INDEX("matrix row", i, rows_);
        SPECEST_CHECK_INDEX("matrix column", j, cols_);
        return p_[(i - 1) + static_cast<std::ptrdiff_t>(j - 1) * rows_];
    }
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    T* data() const { return p_; }

  private:
    T* p_ = nullptr;
    int rows_ = 0;
    int cols_ = 0;
};

} // namespace specest
