#include "fft.h"

#include "fft_any.h"

#include "complex_ops.h"
#include "estimator_context.h"
#include "run_context.h"
#include "simd/dispatch.h"
#include "simd/kernels.h"
#include "stop.h"
#include "work_array.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace specest {
namespace {

// Twiddles w(j) = exp(-i*2*pi*invrs*j/n) for j < n/2, rounded exactly as the butterfly loop
// would round them. Scaling the index and the length by a power of two is exact in binary
// arithmetic, so the table of the longest transform serves every shorter stage and transform
// bit for bit. For the vector stages the same values are laid out stage by stage, widened to
// double (exact): stage half h holds w(k * n/(2h)), k < h, at h - 1 + k. They depend only on
// the stage, so the longest table serves every transform too.
struct TwiddleTable {
    int n = 0;
    std::vector<cfloat> w;
    std::vector<double> stage_re, stage_im;
};

// One cache per thread: concurrent runs never share a table being grown.
const TwiddleTable& twiddles(int n, int invrs) {
    thread_local TwiddleTable forward, inverse;
    TwiddleTable& t = invrs == 1 ? forward : inverse;
    if (t.n >= n) return t;
    const float pi = 4.0f * std::atan(1.0f);
    t.n = n;
    t.w.assign(static_cast<std::size_t>(n / 2), cfloat());
    for (int j = 0; j < n / 2; ++j) {
        float arg = static_cast<float>(-(2.0 * static_cast<double>(pi) * invrs * j) / n);
        t.w[static_cast<std::size_t>(j)] = {to_float(std::cos(static_cast<double>(arg))),
                                            to_float(std::sin(static_cast<double>(arg)))};
    }
    t.stage_re.assign(static_cast<std::size_t>(n > 1 ? n - 1 : 0), 0.0);
    t.stage_im.assign(t.stage_re.size(), 0.0);
    for (int half = 1; half < n; half *= 2) {
        const int stride = n / (2 * half);
        for (int k = 0; k < half; ++k) {
            const cfloat w = t.w[static_cast<std::size_t>(k * stride)];
            t.stage_re[static_cast<std::size_t>(half - 1 + k)] = w.real();
            t.stage_im[static_cast<std::size_t>(half - 1 + k)] = w.imag();
        }
    }
    return t;
}

// The bits of v in reverse order over `bits` bits (a byte table instead of a loop per bit).
std::uint32_t reverse_bits(std::uint32_t v, int bits) {
    static const auto table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            int r = 0;
            for (int k = 0; k < 8; ++k)
                if (b & (1 << k)) r |= 1 << (7 - k);
            t[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(r);
        }
        return t;
    }();
    if (bits == 0) return 0;
    const std::uint32_t r =
        (std::uint32_t(table[v & 0xff]) << 24) | (std::uint32_t(table[(v >> 8) & 0xff]) << 16) |
        (std::uint32_t(table[(v >> 16) & 0xff]) << 8) | std::uint32_t(table[(v >> 24) & 0xff]);
    return r >> (32 - bits);
}

} // namespace

namespace {

void check_length(Vec1<cfloat> x, int nexp, int npoints) {
    if (nexp < 0 || nexp > 30) stop(" FFT length out of range: nexp = " + std::to_string(nexp));
    const int n = 1 << nexp;
    if (npoints < n || x.size() < n) {
        run_report().list(" FFT length", n, "exceeds its work array of", npoints);
        stop(" FFT length exceeds its work array");
    }
}

// The scalar reference.
void transform(Vec1<cfloat> x, int nexp, int invrs, int npoints, bool use_table) {
    check_length(x, nexp, npoints);
    const int n = 1 << nexp;
    auto ybuf = work_array<cfloat>(
        static_cast<std::size_t>(npoints),
        " Aborting FFT due to Allocation error #: ", "Allocate error in FFT routine");
    Vec1<cfloat> y(ybuf);

    // Bit reversal into y: y(i) = x(r + 1), r the reversal of i - 1 over nexp bits.
    y(1) = x(1);
    for (int i = 2; i <= n; ++i)
        y(i) = x(static_cast<int>(reverse_bits(static_cast<std::uint32_t>(i - 1), nexp)) + 1);

    const bool tabulated = use_table && (invrs == 1 || invrs == -1);
    const cfloat* table = nullptr;
    int table_n = 0;
    if (tabulated) {
        const TwiddleTable& t = twiddles(n, invrs);
        table = t.w.data();
        table_n = t.n;
    }
    const float pi = 4.0f * std::atan(1.0f);
    cfloat* yp = y.data();
    int ldft = 1, ndft = n;
    for (int stage = 1; stage <= nexp; ++stage) {
        ldft *= 2;
        ndft /= 2;
        const int half = ldft / 2;
        const int stride = tabulated ? table_n / ldft : 0;
        for (int b = 1; b <= ndft; ++b) {
            const int base = (b - 1) * ldft;
            for (int k = 1; k <= half; ++k) {
                cfloat w;
                if (tabulated) {
                    w = table[static_cast<std::size_t>((k - 1) * stride)];
                } else {
                    float arg = static_cast<float>(
                        -(2.0 * static_cast<double>(pi) * invrs * (k - 1)) / ldft);
                    w = {to_float(std::cos(static_cast<double>(arg))),
                         to_float(std::sin(static_cast<double>(arg)))};
                }
                const int i1 = base + k - 1, i2 = i1 + half; // 0-based
                const double ur = yp[i1].real(), ui = yp[i1].imag();
                const double vr = yp[i2].real(), vi = yp[i2].imag();
                const double tr = vr * w.real() - vi * w.imag();
                const double ti = vr * w.imag() + vi * w.real();
                yp[i1] = {static_cast<float>(ur + tr), static_cast<float>(ui + ti)};
                yp[i2] = {static_cast<float>(ur - tr), static_cast<float>(ui - ti)};
            }
        }
    }

    if (invrs == 1) {
        for (int i = 1; i <= n; ++i) x(i) = y(i);
    } else if (invrs == -1) {
        const double dn = n;
        for (int i = 1; i <= n; ++i)
            x(i) = {static_cast<float>(y(i).real() / dn), static_cast<float>(y(i).imag() / dn)};
    }
}

// reverse_bits(c, bits) for every c < 2^bits, kept per thread for the last length asked.
const std::vector<std::uint32_t>& reversal(int bits) {
    thread_local int cached = -1;
    thread_local std::vector<std::uint32_t> table;
    if (cached != bits) {
        table.resize(std::size_t{1} << bits);
        for (std::uint32_t c = 0; c < table.size(); ++c) table[c] = reverse_bits(c, bits);
        cached = bits;
    }
    return table;
}

// The same butterflies on split real and imaginary arrays, the butterflies of a stage side by
// side in vector lanes.
void transform_vector(Vec1<cfloat> x, int nexp, int invrs, int npoints) {
    check_length(x, nexp, npoints);
    const int n = 1 << nexp;
    const char* abort_line = " Aborting FFT due to Allocation error #: ";
    const char* stop_text = "Allocate error in FFT routine";
    const auto un = static_cast<std::size_t>(n);
    // Planes one cache line apart from a power of two, so that reading all eight together does
    // not land them in the same cache sets.
    const int stride = n / 8 + 16;
    const auto plane_size = 8 * static_cast<std::size_t>(stride);
    // Every element read below is written first (the planes' padding is never read).
    auto buf = unset_work_array<float>(2 * plane_size + 2 * un, abort_line, stop_text);
    float* re = buf.data();
    float* im = re + plane_size;
    const TwiddleTable& t = twiddles(n, invrs);
    const cfloat* xp = x.data();
    if (nexp >= 3) {
        // Element 8c + r of the bit-reversed sequence is x(rev(8c + r)) =
        // x(rev3(r) n/8 + rev(c)): plane r is block rev3(r) of x in bit-reversed order.
        const int cols = n / 8;
        const auto& rev = reversal(nexp - 3);
        for (int r = 0; r < 8; ++r) {
            const cfloat* block = xp + static_cast<std::size_t>(reverse_bits(r, 3)) * cols;
            float* pr = re + static_cast<std::size_t>(r) * stride;
            float* pi = im + static_cast<std::size_t>(r) * stride;
            for (int c = 0; c < cols; ++c) {
                const cfloat v = block[rev[static_cast<std::size_t>(c)]];
                pr[c] = v.real();
                pi[c] = v.imag();
            }
        }
        simd::fft_first_stages_in_planes(re, im, nexp, stride, t.stage_re.data(),
                                         t.stage_im.data());
        float* nre = im + plane_size;
        float* nim = nre + un;
        for (int c = 0; c < cols; ++c)
            for (int r = 0; r < 8; ++r) {
                nre[8 * c + r] = re[static_cast<std::size_t>(r) * stride + c];
                nim[8 * c + r] = im[static_cast<std::size_t>(r) * stride + c];
            }
        re = nre;
        im = nim;
        simd::fft_stages(re, im, nexp, 8, t.stage_re.data(), t.stage_im.data());
    } else {
        const auto& rev = reversal(nexp);
        for (int i = 0; i < n; ++i) {
            const cfloat v = xp[rev[static_cast<std::size_t>(i)]];
            re[i] = v.real();
            im[i] = v.imag();
        }
        simd::fft_stages(re, im, nexp, 1, t.stage_re.data(), t.stage_im.data());
    }
    cfloat* out = x.data();
    if (invrs == 1) {
        simd::fft_store(re, im, n, reinterpret_cast<float*>(out));
    } else {
        const double dn = n;
        for (int i = 0; i < n; ++i)
            out[i] = {static_cast<float>(re[i] / dn), static_cast<float>(im[i] / dn)};
    }
}

} // namespace

void fft(Vec1<cfloat> x, int nexp, int invrs, int npoints) {
    if ((invrs == 1 || invrs == -1) && !simd::force_scalar())
        transform_vector(x, nexp, invrs, npoints);
    else
        transform(x, nexp, invrs, npoints, true);
}

void fft_recomputed_twiddles(Vec1<cfloat> x, int nexp, int invrs, int npoints) {
    transform(x, nexp, invrs, npoints, false);
}

template <> int transform_length<float>(const EstimatorContext<float>&, int nexp) {
    return 1 << nexp;
}
template <> int transform_length<double>(const EstimatorContext<double>& ctx, int nexp) {
    return ctx.transform_length > 0 ? ctx.transform_length : 1 << nexp;
}
template <>
void transform<float>(const EstimatorContext<float>& ctx, Vec1<cfloat> x, int nexp, int invrs,
                      int npoints) {
    // fft() checks the same, writing to the thread's report; an estimator's goes to its own.
    if (nexp >= 0 && nexp <= 30 && (npoints < (1 << nexp) || x.size() < (1 << nexp))) {
        ctx.report.list(" FFT length", 1 << nexp, "exceeds its work array of", npoints);
        stop(" FFT length exceeds its work array");
    }
    fft(x, nexp, invrs, npoints);
}
template <>
void transform<double>(const EstimatorContext<double>& ctx, Vec1<cdouble> x, int nexp, int invrs,
                       int npoints) {
    const int n = transform_length(ctx, nexp);
    if (n > npoints || n > x.size()) stop(" FFT: transform length out of range");
    fft_any(x.data(), n, invrs);
}

void fft_any(cdouble* x, int n, int invrs) {
    fft64::fft(x, static_cast<std::size_t>(n), invrs == -1);
    if (invrs == -1)
        for (int k = 0; k < n; ++k) x[k] /= static_cast<double>(n);
}

} // namespace specest
