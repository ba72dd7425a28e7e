#include "model_spectrum.h"

#include "complex_ops.h"
#include "estimator_context.h"
#include "fft.h"
#include "fft_any.h"
#include "simd/grid64_kernels.h"
#include "work_array.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

namespace specest {
namespace {

template <class R>
void polynomial_transform(const EstimatorContext<R>& ctx, Vec1<cx<R>> out, int order,
                          Vec1<cx<R>> coef, int nexp, int npoints) {
    const int n = transform_length(ctx, nexp);
    out(1) = cx<R>(1.0f, 0.0f);
    for (int k = 1; k <= order && k + 1 <= n; ++k) out(k + 1) = coef(k);
    for (int k = order + 2; k <= n; ++k) out(k) = cx<R>();
    transform(ctx, out, nexp, 1, npoints);
}

// sig2 |B|^2 / |A|^2 from the transforms of the polynomials. A zero of A(z) on the grid, or a
// value beyond R's range, is held at the largest R rather than passed on as infinity.
template <class R>
[[gnu::always_inline]] inline R model_value(int ip, int iq, R sig2, cx<R> num, cx<R> den,
                                            int& clamped) {
    double v;
    if (ip != 0 && iq != 0)
        v = sig2 * abs2(num) / abs2(den);
    else if (iq == 0 && ip != 0)
        v = sig2 / abs2(den);
    else if (ip == 0 && iq != 0)
        v = sig2 * abs2(num);
    else
        v = sig2; // no poles and no zeros: white noise
    constexpr double kMax = std::numeric_limits<R>::max();
    if (!(std::fabs(v) <= kMax)) {
        v = std::isnan(v) ? 0.0 : (v < 0 ? -kMax : kMax);
        ++clamped;
    }
    return static_cast<R>(v);
}

void clamped_note(Report& report, int clamped) {
    if (clamped > 0)
        report.list(" Note: model spectrum held at the largest single-precision value at", clamped,
                    "frequencies (a zero of A(z) on the grid).");
}

bool all_real(int count, Vec1<cdouble> c) {
    for (int k = 1; k <= count; ++k)
        if (c(k).imag() != 0) return false;
    return true;
}

// Real coefficients (a real record's model): real transforms of half the work, and the
// spectrum is even, so the upper half of the grid mirrors the lower.
void armapsd_real(const EstimatorContext<double>& ctx, int ip, int iq, Vec1<cdouble> a,
                  Vec1<cdouble> b, double sig2, int nexp, Vec1<double> psd) {
    const auto n = static_cast<std::size_t>(transform_length(ctx, nexp));
    if (n > static_cast<std::size_t>(psd.size())) stop(" ARMAPSD: grid longer than the spectrum");
    const std::size_t half = n / 2 + 1;
    // Bins as pairs of doubles: a vector of complex values would be zeroed first.
    UnsetWorkVector<double> den_buf(ip != 0 ? 2 * half : 0), num_buf(iq != 0 ? 2 * half : 0);
    cdouble* den = reinterpret_cast<cdouble*>(den_buf.data());
    cdouble* num = reinterpret_cast<cdouble*>(num_buf.data());
    std::vector<double> seq;
    // The polynomial 1, c(1) .. c(order) on the grid; the zeros past it are not stored.
    auto transform = [&](int order, Vec1<cdouble> coef, cdouble* out) {
        if (order == 0) return;
        const std::size_t used = std::min(static_cast<std::size_t>(order) + 1, n);
        seq.assign(used, 0.0);
        seq[0] = 1.0;
        for (std::size_t k = 1; k < used; ++k) seq[k] = coef(static_cast<int>(k)).real();
        fft64::rfft_prefix(seq.data(), used, n, out);
    };
    transform(ip, a, den);
    transform(iq, b, num);
    int clamped = 0;
    double* out = psd.data();
    if (ip != 0 && iq == 0) {
        // The usual AR model: the divisions in vector lanes; a value out of range (rare) is
        // then held as model_value holds it.
        const bool finite =
            simd::ar_spectrum(reinterpret_cast<const double*>(den), half, sig2, out);
        for (std::size_t k = 0; k < half && !finite; ++k)
            if (!(std::fabs(out[k]) <= DBL_MAX))
                out[k] = model_value<double>(ip, iq, sig2, cdouble(), den[k], clamped);
    } else {
        for (std::size_t k = 0; k < half; ++k)
            out[k] = model_value<double>(ip, iq, sig2, iq != 0 ? num[k] : cdouble(),
                                         ip != 0 ? den[k] : cdouble(), clamped);
    }
    if (!ctx.one_sided)
        for (std::size_t k = half; k < n; ++k) out[k] = out[n - k];
    clamped_note(ctx.report, clamped);
}

} // namespace

template <class R>
void armapsd(const EstimatorContext<R>& ctx, int ip, int iq, Vec1<cx<R>> a, Vec1<cx<R>> b, R sig2,
             int nexp, Vec1<R> psd, int npoints) {
    const char* abort_line = " Aborting ARMAPSD due to Allocation error #: ";
    const char* stop_text = "Allocate error in ARMAPSD routine";
    if constexpr (!kClassic<R>) {
        if (all_real(ip, a) && all_real(iq, b)) {
            armapsd_real(ctx, ip, iq, a, b, sig2, nexp, psd);
            return;
        }
    }
    auto den_buf = work_array<cx<R>>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    auto num_buf = work_array<cx<R>>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    auto p_buf = work_array<R>(static_cast<std::size_t>(npoints), abort_line, stop_text);
    Vec1<cx<R>> den(den_buf), xnum(num_buf);
    Vec1<R> p(p_buf);
    const int n = transform_length(ctx, nexp);
    if (ip != 0) polynomial_transform(ctx, den, ip, a, nexp, npoints);
    if (iq != 0) polynomial_transform(ctx, xnum, iq, b, nexp, npoints);

    int clamped = 0;
    for (int i = 1; i <= n; ++i) p(i) = model_value<R>(ip, iq, sig2, xnum(i), den(i), clamped);
    clamped_note(ctx.report, clamped);
    if constexpr (!kClassic<R>) {
        for (int i = 1; i <= n; ++i) psd(i) = p(i);
        return;
    }
    const int half = n / 2;
    for (int i = 1; i <= half; ++i) {
        psd(half + i) = p(i);
        psd(i) = p(half + i);
    }
}

template void armapsd<float>(const EstimatorContext<float>& ctx, int ip, int iq, Vec1<cx<float>> a,
                             Vec1<cx<float>> b, float sig2, int nexp, Vec1<float> psd, int npoints);
template void armapsd<double>(const EstimatorContext<double>& ctx, int ip, int iq,
                              Vec1<cx<double>> a, Vec1<cx<double>> b, double sig2, int nexp,
                              Vec1<double> psd, int npoints);

} // namespace specest
