// Burg AR fit: harmonic-mean reflection coefficients from forward and backward errors.
#include "estimators.h"

#include "complex_ops.h"
#include "estimator_context.h"
#include "job_params.h"
#include "simd/burg64_kernels.h"
#include "simd/dispatch.h"
#include "simd/kernels.h"
#include "stop.h"
#include "work_array.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace specest {
namespace {

constexpr int kBurgNoPowerFlag = 5;

void no_power_block(Report& r, int k, int n) {
    r.blanks(2);
    r.line(Line().rep('-', 72));
    r.line(Line().x(9).a("BURG: no reflection coefficient at order").i(k, 4).a(":"));
    r.line(Line().x(9).a("the forward and backward prediction errors are all zero."));
    r.line(Line().x(9).a("The record has no power, or the order is not below the number"));
    r.line(Line().x(9).a("of data points, n =").i(n, 7).a("."));
    r.line(Line().rep('-', 72));
    r.blanks(2);
}

} // namespace

template <class R>
void burg(const EstimatorContext<R>& ctx, Vec1<cx<R>> x, int& n, int& ip, Vec1<cx<R>> a, R& sig2,
          int& npoints) {
    const char* abort_line = " Aborting Burg due to Allocation error #:";
    const char* stop_text = "Allocate error in BURG routine";
    // Double precision runs its errors through the vector kernel, as real values when the
    // record is real; the scalar code stays the reference (SPECEST_FORCE_SCALAR).
    const bool vector64 = !kClassic<R> && !simd::force_scalar() && n >= 2;
    const auto len = static_cast<std::size_t>(vector64 ? 0 : npoints);
    auto efk_buf = work_array<cx<R>>(len, abort_line, stop_text);
    auto ebk_buf = work_array<cx<R>>(len, abort_line, stop_text);
    auto efk1_buf = work_array<cx<R>>(len, abort_line, stop_text);
    auto ebk1_buf = work_array<cx<R>>(len, abort_line, stop_text);
    Mat1<cx<R>> aa = ctx.work.aa();
    Vec1<R> rho = ctx.work.rho();
    if (ip > aa.cols() || n > npoints || n > x.size()) {
        ctx.report.list(" BURG: order", ip, "or record length", n, "exceeds the work arrays",
                        npoints);
        stop(" BURG: order or record length out of range");
    }

    R rho0 = 0.0f;
    double next[3] = {};         // the vector kernel's sums of the order to come
    UnsetWorkVector<double> e64; // the vector kernel's errors: f64, then g64
    double* f64 = nullptr;
    double* g64 = nullptr;
    bool cx64 = false;
    if constexpr (!kClassic<R>) {
        if (vector64) {
            const cx<R>* xp = x.data();
            cx64 = std::any_of(xp, xp + n, [](const cx<R>& v) { return v.imag() != 0; });
            // Order 1's pairs: f[t] = x(t + 2), g[t] = x(t + 1), t < n - 1.
            const std::size_t m = static_cast<std::size_t>(n - 1) * (cx64 ? 2 : 1);
            // f64 on a 64-byte boundary (the kernel's order of sums follows it), g64 a whole
            // number of lines after it.
            const std::size_t room = (m + 7) / 8 * 8;
            e64 = unset_work_array<double>(2 * room + 8, abort_line, stop_text);
            const auto addr = reinterpret_cast<std::uintptr_t>(e64.data());
            f64 = e64.data() + (64 - addr % 64) % 64 / sizeof(double);
            g64 = f64 + room;
            if (cx64) {
                std::copy_n(reinterpret_cast<const double*>(xp + 1), m, f64);
                std::copy_n(reinterpret_cast<const double*>(xp), m, g64);
            } else {
                for (std::size_t t = 0; t < m; ++t) {
                    f64[t] = xp[t + 1].real();
                    g64[t] = xp[t].real();
                }
            }
            simd::burg64_sums(f64, g64, static_cast<std::size_t>(n - 1), cx64, next);
            // Those sums count every sample twice but the first and the last once.
            rho0 = (next[2] + abs2(xp[0]) + abs2(xp[n - 1])) / (2.0 * n);
        }
    }
    if (!vector64)
        for (int i = 1; i <= n; ++i) rho0 = static_cast<R>(rho0 + abs2(x(i)) / n);
    if (ip < 1) { // no poles: white noise at the record's power
        sig2 = rho0;
        return;
    }

    // 0-based pointers: e[j - 1] is e(j). The updated errors are built in the side arrays,
    // which then take the place of the old ones (only the updated range is read again).
    cx<R>* efk = efk_buf.data();
    cx<R>* ebk = ebk_buf.data();
    cx<R>* efk1 = efk1_buf.data();
    cx<R>* ebk1 = ebk1_buf.data();
    if (!vector64) {
        for (int i = 2; i <= n; ++i) {
            efk[i - 1] = x(i);
            ebk[i - 2] = x(i - 1);
        }
    }

    // The vector kernels keep the classic profile's single-precision bits.
    const bool vector = kClassic<R> && !simd::force_scalar();
    R fused[3] = {}; // the vector path's sums of the next order, formed with its errors
    for (int k = 1; k <= ip; ++k) {
        cx<R> sumn = 0.0f;
        R sumd = 0.0f;
        if (vector64) {
            sumn = narrow_to<R>(cdouble(next[0], next[1]));
            sumd = static_cast<R>(next[2]);
        } else if (vector && k > 1) {
            sumn = {fused[0], fused[1]};
            sumd = fused[2];
        } else if constexpr (!kClassic<R>) {
            // Double precision has no bits to keep: four partial sums in a fixed order, so the
            // additions do not wait on each other.
            double nr[4] = {}, ni[4] = {}, d[4] = {};
            int j = k + 1;
            for (; j + 3 <= n; j += 4)
                for (int q = 0; q < 4; ++q) {
                    const cdouble f = efk[j + q - 1], b = ebk[j + q - 2];
                    nr[q] += f.real() * b.real() + f.imag() * b.imag();
                    ni[q] += f.imag() * b.real() - f.real() * b.imag();
                    d[q] += abs2(f) + abs2(b);
                }
            for (; j <= n; ++j) {
                const cdouble f = efk[j - 1], b = ebk[j - 2];
                nr[0] += f.real() * b.real() + f.imag() * b.imag();
                ni[0] += f.imag() * b.real() - f.real() * b.imag();
                d[0] += abs2(f) + abs2(b);
            }
            sumn = {(nr[0] + nr[1]) + (nr[2] + nr[3]), (ni[0] + ni[1]) + (ni[2] + ni[3])};
            sumd = (d[0] + d[1]) + (d[2] + d[3]);
        } else {
            for (int j = k + 1; j <= n; ++j) {
                const cdouble f = wide(efk[j - 1]), b = wide(ebk[j - 2]);
                sumn = narrow_to<R>(wide(sumn) + cmul(f, std::conj(b)));
                sumd = static_cast<R>(sumd + (abs2(f) + abs2(b)));
            }
        }
        if (!(sumd > 0.0f)) {
            no_power_block(ctx.report, k, n);
            ctx.job.iflag = kBurgNoPowerFlag;
            sig2 = k == 1 ? rho0 : rho(k - 1);
            return;
        }
        const cx<R> rc = narrow_to<R>(cdiv(-2.0 * wide(sumn), cdouble(sumd, 0.0)));
        aa(k, k) = rc;
        const R prev = k == 1 ? rho0 : rho(k - 1);
        rho(k) = static_cast<R>(prev * (1.0 - abs2(rc)));
        for (int i = 1; i <= k - 1; ++i)
            aa(i, k) = narrow_to<R>(wide(aa(i, k - 1)) +
                                    cmul(wide(rc), std::conj(wide(aa(k - i, k - 1)))));

        if (k == ip) break; // the errors of order ip are never used
        const cdouble w = wide(rc), wc = std::conj(w);
        if (vector64) { // order k's pairs start at k - 1
            const std::size_t at = static_cast<std::size_t>(k - 1) * (cx64 ? 2 : 1);
            simd::burg64_step(f64 + at, g64 + at, static_cast<std::size_t>(n - k), cx64, w.real(),
                              w.imag(), next);
            continue;
        }
        if constexpr (kClassic<R>) {
            if (vector) {
                // Independent per sample: side by side in vector lanes (t = j - 1), while the next
                // order's sums run through them in order; the last samples here.
                fused[0] = fused[1] = fused[2] = 0.0f;
                const int done = simd::burg_update_and_sums(
                    reinterpret_cast<const R*>(efk), reinterpret_cast<const R*>(ebk),
                    reinterpret_cast<R*>(efk1), reinterpret_cast<R*>(ebk1), k + 1,
                    std::max(n - k - 1, 0), w.real(), w.imag(), fused);
                cx<R> sn(fused[0], fused[1]);
                R sd = fused[2];
                for (int j = done + 1; j <= n; ++j) {
                    efk1[j - 1] = narrow_to<R>(wide(efk[j - 1]) + cmul(w, wide(ebk[j - 2])));
                    ebk1[j - 2] = narrow_to<R>(wide(ebk[j - 3]) + cmul(wc, wide(efk[j - 2])));
                    const cdouble f = wide(efk1[j - 1]), b = wide(ebk1[j - 2]);
                    sn = narrow_to<R>(wide(sn) + cmul(f, std::conj(b)));
                    sd = static_cast<R>(sd + (abs2(f) + abs2(b)));
                }
                fused[0] = sn.real();
                fused[1] = sn.imag();
                fused[2] = sd;
            }
        }
        if (!vector) {
            for (int j = k + 2; j <= n; ++j) {
                efk1[j - 1] = narrow_to<R>(wide(efk[j - 1]) + cmul(w, wide(ebk[j - 2])));
                ebk1[j - 2] = narrow_to<R>(wide(ebk[j - 3]) + cmul(wc, wide(efk[j - 2])));
            }
        }
        std::swap(efk, efk1);
        std::swap(ebk, ebk1);
    }

    sig2 = rho(ip);
    for (int i = 1; i <= ip; ++i) a(i) = aa(i, ip);
}

template void burg<float>(const EstimatorContext<float>& ctx, Vec1<cx<float>> x, int& n, int& ip,
                          Vec1<cx<float>> a, float& sig2, int& npoints);
template void burg<double>(const EstimatorContext<double>& ctx, Vec1<cx<double>> x, int& n, int& ip,
                           Vec1<cx<double>> a, double& sig2, int& npoints);

} // namespace specest
