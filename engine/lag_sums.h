// Float accumulators of lag products of a record, as the covariance and minimum-variance
// estimators form their correlation matrices, run along the matrix diagonals on the vector
// kernels. Each accumulator keeps the scalar code's order: one float rounding per term, the
// terms in increasing time.
#pragma once

#include "work_array.h"

#include <vector>

namespace specest {

// With p_d(s) = conj(x(s)) x(s-d) in double (s 1-based), accumulator l = 0..ip-1-d of diagonal
// d = 0..ip-1 sums, for t = 0..steps-1 and each phase in turn:
//   descending: p_d(ip - l + t),  ascending: p_d(2 + d + l + t),  both: the two added.
// With row0, accumulators k = 0..ip come first and sum (phases descending/ascending only)
//   descending: conj(x(ip+1+t-k)) x(ip+1+t),  ascending: x(1+t+k) conj(x(1+t)),
// each as the scalar code forms the complex product.
enum class LagTerms { descending = 1, ascending = 2, both = 3 };

class LagSums {
  public:
    // re/im: the record, n samples.
    LagSums(const float* re, const float* im, int n, int ip, bool row0);
    void run(const std::vector<LagTerms>& phases, int steps);
    // The sums: row 0 (if any) at k, diagonal d lane l after it.
    float re(int at) const { return out_re_[static_cast<std::size_t>(at)]; }
    float im(int at) const { return out_im_[static_cast<std::size_t>(at)]; }
    int diagonal_start(int d) const { return (row0_ ? ip_ + 1 : 0) + d * ip_ - d * (d - 1) / 2; }

  private:
    int n_, ip_;
    bool row0_;
    UnsetWorkVector<double> re_, im_, rre_, rim_; // widened, the reversed copy, padded with zeros
    std::vector<float> out_re_, out_im_;
};

} // namespace specest
