// The C boundary of libspecest.so: thin wrappers over specest::run_job; no exception leaves.
#include "specest/specest.h"
#include "specest/specest.hpp"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

std::string job_name(const char* name, int32_t length) {
    std::string s(name, static_cast<std::size_t>(length));
    // Fixed-length names arrive padded with blanks or NULs.
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

void write_scalars(const specest::RunResult& r, int32_t* nptsZ, int32_t* npointsZ, float* t_startZ,
                   float* t_finalZ, float* zeroFillZ, float* sig2Z) {
    if (r.status == specest::RunStatus::success) {
        *nptsZ = r.npts;
        *npointsZ = r.n_freq_pts;
        *t_startZ = r.t_start;
    }
    *t_finalZ = r.t_final;
    *zeroFillZ = r.status == specest::RunStatus::success ? r.zero_fill : -99.0f;
    *sig2Z = r.sig2;
}

} // namespace

extern "C" {

SPECEST_API void specest_for(const char* fileNam, float* x_array, float* spectrum, int32_t* nptsZ,
                             int32_t* npointsZ, float* t_startZ, float* t_finalZ, float* zeroFillZ,
                             float* sig2Z, int32_t length) {
    try {
        if (!fileNam || !x_array || !spectrum || !nptsZ || !npointsZ || !t_startZ || !t_finalZ ||
            !zeroFillZ || !sig2Z || length < 0) {
            if (zeroFillZ) *zeroFillZ = -99.0f;
            return;
        }
        const auto cap = static_cast<std::size_t>(std::max<int32_t>(*npointsZ, 0));
        const specest::RunResult r =
            specest::run_job(job_name(fileNam, length), {x_array, cap}, {spectrum, cap});
        write_scalars(r, nptsZ, npointsZ, t_startZ, t_finalZ, zeroFillZ, sig2Z);
    } catch (...) {
        *zeroFillZ = -99.0f;
    }
}

SPECEST_API int32_t specest_run(const char* job_path, int32_t job_path_len, const char* report_dir,
                                int32_t flags, float* x_array, float* spectrum, int32_t* nptsZ,
                                int32_t* npointsZ, float* t_startZ, float* t_finalZ,
                                float* zeroFillZ, float* sig2Z, char* message,
                                int32_t message_cap) {
    try {
        if (message && message_cap > 0) message[0] = '\0';
        if (!job_path || !x_array || !spectrum || !nptsZ || !npointsZ || !t_startZ || !t_finalZ ||
            !zeroFillZ || !sig2Z || job_path_len < 0)
            return SPECEST_INVALID_ARGUMENT;
        specest::RunOptions opt;
        if (report_dir) opt.report_dir = report_dir;
        opt.pause_after_peaks = (flags & SPECEST_NO_PAUSE) == 0;
        const auto cap = static_cast<std::size_t>(std::max<int32_t>(*npointsZ, 0));
        const specest::RunResult r = specest::run_job(job_name(job_path, job_path_len),
                                                      {x_array, cap}, {spectrum, cap}, opt);
        write_scalars(r, nptsZ, npointsZ, t_startZ, t_finalZ, zeroFillZ, sig2Z);
        if (message && message_cap > 0 && r.status == specest::RunStatus::stopped) {
            const std::size_t n = std::min<std::size_t>(r.stop_text.size(),
                                                        static_cast<std::size_t>(message_cap) - 1);
            std::memcpy(message, r.stop_text.data(), n);
            message[n] = '\0';
        }
        return static_cast<int32_t>(r.status);
    } catch (...) {
        if (zeroFillZ) *zeroFillZ = -99.0f;
        return SPECEST_STOPPED;
    }
}

} // extern "C"
