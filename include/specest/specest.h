/* C interface of the specest spectral-estimation engine (libspecest.so). */
#ifndef SPECEST_SPECEST_H
#define SPECEST_SPECEST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define SPECEST_API __declspec(dllexport)
#else
#define SPECEST_API __attribute__((visibility("default")))
#endif

/* Run one job.  Arguments 2..9 by address, the name length by value.
 * npointsZ: in, capacity of x_array and spectrum; out, number of output points.
 * zeroFillZ is -99.0 when no spectrum was produced (estimator failure or stop);
 * the run report "~Lumetra.out" is written in the current directory. */
SPECEST_API void specest_for(const char* fileNam, float* x_array, float* spectrum, int32_t* nptsZ,
                             int32_t* npointsZ, float* t_startZ, float* t_finalZ, float* zeroFillZ,
                             float* sig2Z, int32_t length);

/* Status of specest_run. */
enum {
    SPECEST_SUCCESS = 0,           /* arrays and scalars hold a spectrum */
    SPECEST_ESTIMATOR_FAILURE = 1, /* the estimator failed; reason in the run report */
    SPECEST_STOPPED = 2,           /* input error or resource failure; stop text in message */
    SPECEST_INVALID_ARGUMENT = -1  /* a required pointer was null or a length negative */
};

/* Flags for specest_run. */
enum {
    SPECEST_NO_PAUSE = 1 /* skip the 2-second pause after the peak table */
};

/* Like specest_for, but tells a stop from an estimator failure from a success, and takes the
 * report directory explicitly (NUL-terminated; NULL or "" means the current directory).
 * message receives the stop text (NUL-terminated, cut to message_cap - 1 bytes); may be NULL. */
SPECEST_API int32_t specest_run(const char* job_path, int32_t job_path_len, const char* report_dir,
                                int32_t flags, float* x_array, float* spectrum, int32_t* nptsZ,
                                int32_t* npointsZ, float* t_startZ, float* t_finalZ,
                                float* zeroFillZ, float* sig2Z, char* message, int32_t message_cap);

#ifdef __cplusplus
}
#endif

#endif
