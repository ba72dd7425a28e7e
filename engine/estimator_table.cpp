#include "estimator_table.h"

#include "blackman_tukey.h"
#include "estimator_context.h"
#include "estimators/estimators.h"
#include "fft.h"
#include "levinson.h"
#include "periodogram.h"
#include "stop.h"
#include "work_area.h"

#include <cstdlib>
#include <string>

namespace specest {
namespace {

enum class Message { A, B, C, D, E, F };

void estimator_message(Report& r, Message m, const JobParams& jp) {
    r.blanks(2);
    auto head = [&](const char* label) {
        r.line(Line().a(label).i(jp.iflag, 2).x(4).a("EPS = ").pe(jp.eps, 9, 3));
    };
    switch (m) {
    case Message::A:
        head(" IFLAG = ");
        r.line(" One of the di's in Cholesky decomposition is less than EPS");
        r.line(" causing premature termination.");
        break;
    case Message::B:
        head(" IFLAG = ");
        r.line(" Magnitude of one of complex rho's is less than EPS");
        r.line(" causing premature termination.");
        break;
    case Message::C:
        head(" IFLAG =");
        r.line(" One of the di's in CHOLESKY is less than ");
        r.line("EPS causing premature termination (Hessian is ill-conditioned.)");
        break;
    case Message::D:
        head(" IFLAG = ");
        r.line(" MA filter estimate not minimum-phase");
        r.line(" causing premature termination.");
        break;
    case Message::E:
        r.line(Line()
                   .a(" IFGLAG, EPS and NIT = ")
                   .i(jp.iflag, 2)
                   .x(4)
                   .pe(jp.eps, 9, 3)
                   .x(4)
                   .i(jp.nit, 4));
        r.line(" ALL NIT iterations completed causing termination.");
        break;
    case Message::F:
        head(" IFLAG =");
        r.line(" One of the di's in CHOLESKY is less than EPS");
        r.line(" causing premature termination.");
        break;
    }
}

[[noreturn]] void real_data_required(Report& r, const char* method) {
    r.blanks(2);
    r.line(Line().rep('-', 66));
    r.line(Line().x(9).a(" Input Error: ").a(method).a(" method requires REAL data type."));
    r.line(Line().rep('-', 66));
    r.blank();
    stop(std::string(" Input error: REAL data required for ") + method + " method");
}

template <class R> void yule_walker(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    if constexpr (!kClassic<R>) {
        if (c.samples) {
            autocorr(ctx, c.samples, c.mean, c.npts, ctx.job.npoles, c.a, c.sig2, c.npoints);
            return;
        }
    }
    autocorr(ctx, c.amp, c.npts, ctx.job.npoles, c.a, c.sig2, c.npoints);
}

template <class R> void burg_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    burg(ctx, c.amp, c.npts, ctx.job.npoles, c.a, c.sig2, c.npoints);
}

template <class R> void rmle_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    if (ctx.job.itype != 1) real_data_required(ctx.report, "RMLE");
    rmle(ctx, c.real, c.npts, ctx.job.npoles, c.a0, c.sig2);
    for (int i = 1; i <= ctx.job.npoles; ++i) c.a(i) = {c.a0(i), R(0)};
}

template <class R> void covariance_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    JobParams& jp = ctx.job;
    jp.mode = jp.method - static_cast<int>(record::Method::covariance);
    covmcov(ctx, c.amp, c.npts, jp.npoles, jp.mode, c.eps, jp.iflag, c.sig2);
    if (jp.iflag != 0) estimator_message(ctx.report, Message::A, jp);
}

template <class R> void mywe_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    JobParams& jp = ctx.job;
    mywe(ctx, c.amp, c.npts, jp.npoles, jp.nzeros, c.eps, c.a, c.b, c.sig2, jp.iflag, c.npoints);
    if (jp.iflag != 0) estimator_message(ctx.report, Message::B, jp);
}

template <class R> void lsmywe_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    JobParams& jp = ctx.job;
    lsmywe(ctx, c.amp, c.npts, jp.npoles, jp.nzeros, jp.m_eqs, c.eps, c.b, c.sig2, jp.iflag,
           c.npoints);
    if (jp.iflag != 0) estimator_message(ctx.report, Message::A, jp);
}

template <class R> void akaike_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    JobParams& jp = ctx.job;
    lsmywe_entry(ctx, c);
    if (jp.itype != 1) real_data_required(ctx.report, "AKAIKE");
    if (jp.iflag != 0) return;
    for (int i = 1; i <= jp.npoles; ++i) c.a0(i) = c.a(i).real();
    for (int i = 1; i <= jp.nzeros; ++i) c.b0(i) = c.b(i).real();
    akaike(ctx, c.real, c.npts, c.a0, c.b0, jp.npoles, jp.nzeros, jp.nit, c.eps, c.per, c.sig2,
           jp.iflag, c.npoints);
    for (int i = 1; i <= jp.npoles; ++i) c.a(i) = {c.a0(i), R(0)};
    for (int i = 1; i <= jp.nzeros; ++i) c.b(i) = {c.b0(i), R(0)};
    if (jp.iflag == -1) estimator_message(ctx.report, Message::C, jp);
    if (jp.iflag == 1) estimator_message(ctx.report, Message::D, jp);
    if (jp.iflag == 2) estimator_message(ctx.report, Message::E, jp);
}

template <class R> void mayne_firoozan_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    JobParams& jp = ctx.job;
    maynefir(ctx, c.amp, c.npts, jp.npoles, jp.nzeros, jp.l_pts, c.eps, c.nexp, c.a, c.sig2,
             jp.iflag, c.npoints);
    if (jp.iflag == -1) estimator_message(ctx.report, Message::F, jp);
    if (jp.iflag == 1) estimator_message(ctx.report, Message::D, jp);
    // The MA part the regression found (the classic result reports the AR part only).
    if constexpr (!kClassic<R>) {
        if (jp.iflag == 0) {
            Vec1<cx<R>> bc = ctx.work.bc();
            for (int i = 1; i <= jp.nzeros; ++i) c.b(i) = bc(i);
        }
    }
}

template <class R> void durbin_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    durbin(ctx, c.amp, c.npts, ctx.job.nzeros, ctx.job.l_pts, c.b, c.sig2, c.npoints);
}

template <class R> void periodogram_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    periodogram(ctx, c.amp, c.npts, c.window, c.nexp, c.psd, c.npoints);
    c.grid = transform_length(ctx, c.nexp);
    c.direct = true;
}

template <class R> void blackman_tukey_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    JobParams& jp = ctx.job;
    jp.window_name = "Mod. Bartlet";
    for (int i = 1; i <= 2 * jp.m_lags + 1 && i <= c.npoints; ++i)
        c.window(i) =
            static_cast<R>(jp.m_lags - std::abs(i - (jp.m_lags + 1))) / static_cast<R>(jp.m_lags);
    jp.ipts = 2 * jp.m_lags + 1;
    blacktukey(ctx, c.amp, c.npts, jp.mode, c.window, jp.m_lags, c.nexp, c.psd, c.npoints);
    c.grid = transform_length(ctx, c.nexp);
    c.direct = true;
}

template <class R> void mvse_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    JobParams& jp = ctx.job;
    if (jp.l_pts < 2) {
        Report& r = ctx.report;
        r.blanks(2);
        r.line(Line().x(9).a("MVSE needs at least two frequency points: L_pts =").i(jp.l_pts, 6));
        r.blanks(2);
        stop(" L_PTS parameter out of range");
    }
    mvse(ctx, c.amp, c.npts, jp.npoles, jp.l_pts, c.eps, jp.mode, c.psd, jp.iflag);
    c.grid = jp.l_pts;
    if (jp.iflag != 0) estimator_message(ctx.report, Message::F, jp);
    c.direct = true;
}

template <class R> void lockheed_entry(const EstimatorContext<R>& ctx, EstimatorCall<R>& c) {
    lockheed(ctx, c.amp, c.npts, ctx.job.npoles, ctx.job.nzeros, c.a, c.b, c.nexp, c.sig2,
             c.npoints);
}

#define SPECEST_ENTRY(m, fn)                                                                       \
    { record::Method::m, &fn<float>, &fn<double> }

const EstimatorEntry kEntries[] = {
    SPECEST_ENTRY(yule_walker, yule_walker),
    SPECEST_ENTRY(burg, burg_entry),
    SPECEST_ENTRY(rmle, rmle_entry),
    SPECEST_ENTRY(covariance, covariance_entry),
    SPECEST_ENTRY(modified_covariance, covariance_entry),
    SPECEST_ENTRY(mywe, mywe_entry),
    SPECEST_ENTRY(lsmywe, lsmywe_entry),
    SPECEST_ENTRY(akaike, akaike_entry),
    SPECEST_ENTRY(mayne_firoozan, mayne_firoozan_entry),
    SPECEST_ENTRY(durbin, durbin_entry),
    SPECEST_ENTRY(periodogram, periodogram_entry),
    SPECEST_ENTRY(blackman_tukey, blackman_tukey_entry),
    SPECEST_ENTRY(mvse, mvse_entry),
    SPECEST_ENTRY(lockheed, lockheed_entry),
};
#undef SPECEST_ENTRY

static_assert(std::size(kEntries) == record::kMethodCount);

} // namespace

const EstimatorEntry* estimator_entry(int method) {
    for (const auto& e : kEntries)
        if (static_cast<int>(e.method) == method) return &e;
    return nullptr;
}

} // namespace specest
