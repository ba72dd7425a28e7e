// Burg AR fit: harmonic-mean reflection coefficients from forward and backward errors.
#include "estimators.h"

#include "complex_ops.h"
#include "job_params.h"
#include "run_context.h"
#include "simd/dispatch.h"
#include "simd/kernels.h"
#include "stop.h"
#include "work_area.h"
#include "work_array.h"

#include <algorithm>
#include <utility>

namespace specest {
namespace {

constexpr int kBurgNoPowerFlag = 5;

void no_power_block(int k, int n) {
    Report& r = run_report();
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

void burg(Vec1<cfloat> x, int& n, int& ip, Vec1<cfloat> a, float& sig2, int& npoints) {
    const char* abort_line = " Aborting Burg due to Allocation error #:";
    const char* stop_text = "Allocate error in BURG routine";
    const auto len = static_cast<std::size_t>(npoints);
    auto efk_buf = work_array<cfloat>(len, abort_line, stop_text);
    auto ebk_buf = work_array<cfloat>(len, abort_line, stop_text);
    auto efk1_buf = work_array<cfloat>(len, abort_line, stop_text);
    auto ebk1_buf = work_array<cfloat>(len, abort_line, stop_text);
    Mat1<cfloat> aa = wa::aa();
    Vec1<float> rho = wa::rho();
    if (ip > aa.cols() || n > npoints || n > x.size()) {
        run_report().list(" BURG: order", ip, "or record length", n, "exceeds the work arrays",
                          npoints);
        stop(" BURG: order or record length out of range");
    }

    float rho0 = 0.0f;
    for (int i = 1; i <= n; ++i) rho0 = static_cast<float>(rho0 + abs2(x(i)) / n);
    if (ip < 1) { // no poles: white noise at the record's power
        sig2 = rho0;
        return;
    }

    // 0-based pointers: e[j - 1] is e(j). The updated errors are built in the side arrays,
    // which then take the place of the old ones (only the updated range is read again).
    cfloat* efk = efk_buf.data();
    cfloat* ebk = ebk_buf.data();
    cfloat* efk1 = efk1_buf.data();
    cfloat* ebk1 = ebk1_buf.data();
    for (int i = 2; i <= n; ++i) {
        efk[i - 1] = x(i);
        ebk[i - 2] = x(i - 1);
    }

    const bool vector = !simd::force_scalar();
    float fused[3] = {}; // the vector path's sums of the next order, formed with its errors
    for (int k = 1; k <= ip; ++k) {
        cfloat sumn = 0.0f;
        float sumd = 0.0f;
        if (vector && k > 1) {
            sumn = {fused[0], fused[1]};
            sumd = fused[2];
        } else {
            for (int j = k + 1; j <= n; ++j) {
                const cdouble f = wide(efk[j - 1]), b = wide(ebk[j - 2]);
                sumn = narrow(wide(sumn) + cmul(f, std::conj(b)));
                sumd = static_cast<float>(sumd + (abs2(f) + abs2(b)));
            }
        }
        if (!(sumd > 0.0f)) {
            no_power_block(k, n);
            job().iflag = kBurgNoPowerFlag;
            sig2 = k == 1 ? rho0 : rho(k - 1);
            return;
        }
        const cfloat rc = narrow(cdiv(-2.0 * wide(sumn), cdouble(sumd, 0.0)));
        aa(k, k) = rc;
        const float prev = k == 1 ? rho0 : rho(k - 1);
        rho(k) = static_cast<float>(prev * (1.0 - abs2(rc)));
        for (int i = 1; i <= k - 1; ++i)
            aa(i, k) =
                narrow(wide(aa(i, k - 1)) + cmul(wide(rc), std::conj(wide(aa(k - i, k - 1)))));

        if (k == ip) break; // the errors of order ip are never used
        const cdouble w = wide(rc), wc = std::conj(w);
        if (vector) {
            // Independent per sample: side by side in vector lanes (t = j - 1), while the next
            // order's sums run through them in order; the last samples here.
            fused[0] = fused[1] = fused[2] = 0.0f;
            const int done = simd::burg_update_and_sums(
                reinterpret_cast<const float*>(efk), reinterpret_cast<const float*>(ebk),
                reinterpret_cast<float*>(efk1), reinterpret_cast<float*>(ebk1), k + 1,
                std::max(n - k - 1, 0), w.real(), w.imag(), fused);
            cfloat sn(fused[0], fused[1]);
            float sd = fused[2];
            for (int j = done + 1; j <= n; ++j) {
                efk1[j - 1] = narrow(wide(efk[j - 1]) + cmul(w, wide(ebk[j - 2])));
                ebk1[j - 2] = narrow(wide(ebk[j - 3]) + cmul(wc, wide(efk[j - 2])));
                const cdouble f = wide(efk1[j - 1]), b = wide(ebk1[j - 2]);
                sn = narrow(wide(sn) + cmul(f, std::conj(b)));
                sd = static_cast<float>(sd + (abs2(f) + abs2(b)));
            }
            fused[0] = sn.real();
            fused[1] = sn.imag();
            fused[2] = sd;
        } else {
            for (int j = k + 2; j <= n; ++j) {
                efk1[j - 1] = narrow(wide(efk[j - 1]) + cmul(w, wide(ebk[j - 2])));
                ebk1[j - 2] = narrow(wide(ebk[j - 3]) + cmul(wc, wide(efk[j - 2])));
            }
        }
        std::swap(efk, efk1);
        std::swap(ebk, ebk1);
    }

    sig2 = rho(ip);
    for (int i = 1; i <= ip; ++i) a(i) = aa(i, ip);
}

} // namespace specest
