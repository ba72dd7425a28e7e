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

/* ---- Estimation from caller arrays ------------------------------------------------------- */

/* Library version, "MAJOR.MINOR.PATCH"; the shared object's SOVERSION is MAJOR. */
SPECEST_API const char* specest_version(void);

/* Status of specest_estimate and specest_capacity (besides SPECEST_SUCCESS,
 * SPECEST_ESTIMATOR_FAILURE, SPECEST_STOPPED and SPECEST_INVALID_ARGUMENT). */
enum {
    SPECEST_INVALID_INPUT = 3 /* a parameter or the samples are out of range; message says which */
};

/* Settings of one estimate: the job file's lines 4..19 as numbers. A setting the method does
 * not use is ignored; SPECEST_UNUSED (-999) is the job file's marker for it.
 * Fill with specest_params_init, then set what you need. */
#define SPECEST_UNUSED (-999)
typedef struct specest_params {
    uint32_t size;        /* sizeof(specest_params) as the caller was compiled */
    int32_t method;       /* 1..14, as specest_method_info numbers them */
    int32_t complex_data; /* 0: samples are n floats; 1: n (re, im) pairs */
    int32_t npoints;      /* frequency points (nPoints), rounded up to a power of two */
    int32_t twosided;     /* 1: negative frequencies too */
    int32_t npoles;       /* order (poles) */
    int32_t nzeros;       /* zeros */
    float eps;
    int32_t mode;
    int32_t m_eqs;
    int32_t l_pts;
    int32_t m_lags;
    int32_t nit;
    float per;
    const char* window; /* periodogram window name; NULL: "Rectangular" */
    double dt;          /* sampling interval, used when times is NULL; > 0 */
    const float* times; /* optional: n time values (increasing) instead of dt */
    int32_t npts;       /* samples to use (0: all n), as job line 4 */
    /* ---- version 1.2: the modern profile (double precision, scipy's conventions) ---- */
    int32_t profile;             /* SPECEST_PROFILE_CLASSIC (specest_params_init) or _MODERN */
    double fs;                   /* modern: sampling frequency (used when times64 is NULL) */
    const double* times64;       /* modern: optional n time values */
    const char* detrend;         /* modern: "constant" (NULL), "linear" or "none" */
    const char* scaling;         /* modern: "density" (NULL) or "spectrum" */
    const double* window_values; /* modern periodogram: the window itself, window_len values */
    int32_t window_len;
    double peak_prominence_db; /* modern: peaks less prominent than this are left out (3) */
} specest_params;

/* Numerics profiles. Classic: the job file's single-precision results, bit for bit. Modern:
 * double precision, no fixed caps, scipy's grids, windows and density scaling. */
enum { SPECEST_PROFILE_CLASSIC = 0, SPECEST_PROFILE_MODERN = 2 };
/* SPECEST_PROFILE_MODERN is also a flag of specest_run_file: the job's data, method and
 * settings in the modern profile (nPoints the exact grid size, the window by scipy's name,
 * the mean removed, fs from the data's time step); freqs in Hz, db = 10 log10 of the density,
 * power the density, peaks most prominent first; no report file is written. */

/* Caller-owned outputs. Every array may be NULL (then it is not filled) and is written only
 * up to its capacity; the counts tell how many values the estimate has. */
typedef struct specest_output {
    uint32_t size; /* sizeof(specest_output) as the caller was compiled */
    /* frequency grid: capacity grid_cap (see specest_capacity) */
    float* freqs;
    float* db;    /* the spectrum in dB, as a job run returns it */
    float* power; /* the magnitudes before the dB conversion */
    int32_t grid_cap;
    int32_t n_freq; /* out: points on the grid */
    /* model: complex coefficients as (re, im) pairs, a(1..n_a), b(1..n_b), reflection(1..n_k) */
    float* a;
    float* b;
    float* reflection;
    int32_t coef_cap; /* complex values each of a, b, reflection can hold */
    int32_t n_a, n_b, n_reflection;
    /* peak table: frequencies and dB values, in the report's order */
    float* peak_freqs;
    float* peak_db;
    int32_t peak_cap;
    int32_t n_peaks;
    /* scalars */
    float sig2;
    float zero_fill;
    int32_t npts; /* samples used */
    float t_start, t_final;
    int32_t iterations;    /* Akaike: iterations run (0 for other methods) */
    int32_t akaike_status; /* Akaike: its iflag (0 converged, 1, 2, -1, see the manual) */
    /* explanation of a failure or an invalid input (NUL-terminated, cut to message_cap - 1) */
    char* message;
    int32_t message_cap;
    /* the run report, when wanted: called once with the whole text before the call returns */
    void (*report_sink)(const char* text, int32_t length, void* user);
    void* report_user;
    int32_t method; /* out: the method run (1..14; 0 when a job named none) */
} specest_output;

/* Caller-owned double-precision outputs of specest_estimate64 (see specest_output). */
typedef struct specest_output64 {
    uint32_t size;
    double* freqs; /* one-sided 0..fs/2, or two-sided in numpy's fftfreq order */
    double* psd;   /* the density (or spectrum, as scaled) */
    double* db;    /* 10 log10(psd); never -inf */
    int32_t grid_cap;
    int32_t n_freq;
    double* a; /* complex (re, im) pairs, as in specest_output */
    double* b;
    double* reflection;
    int32_t coef_cap;
    int32_t n_a, n_b, n_reflection;
    double* peaks; /* n_peaks rows of (frequency, psd, prominence in dB), most prominent first */
    int32_t peak_cap;
    int32_t n_peaks;
    double sig2;
    int32_t npts;
    int32_t nfft;
    int32_t onesided;
    int32_t iterations;
    int32_t akaike_status;
    char* message;
    int32_t message_cap;
    void (*report_sink)(const char* text, int32_t length, void* user);
    void* report_user;
    int32_t method;
} specest_output64;

/* Sizes an estimate needs. */
typedef struct specest_capacity_info {
    uint32_t size;
    int32_t grid; /* elements for freqs, db and power */
    int32_t coef; /* complex values for a, b and reflection */
    int32_t peaks;
} specest_capacity_info;

/* Fills p with defaults: method 0 (none), real data, npoints 512, every setting unused,
 * dt 1, no times, npts 0. */
SPECEST_API void specest_params_init(specest_params* p);
SPECEST_API void specest_output_init(specest_output* out);

/* The capacity a parameter set needs; SPECEST_INVALID_INPUT when npoints or l_pts is out of
 * range (message, may be NULL, says which). */
SPECEST_API int32_t specest_capacity(const specest_params* p, specest_capacity_info* out,
                                     char* message, int32_t message_cap);

/* Estimates the spectrum of n samples. Returns SPECEST_SUCCESS, SPECEST_ESTIMATOR_FAILURE,
 * SPECEST_INVALID_INPUT, SPECEST_STOPPED (out of memory) or SPECEST_INVALID_ARGUMENT (a NULL
 * pointer, a struct size this library does not know, or a capacity too small for the grid).
 * Reentrant: calls on different threads run in parallel. */
SPECEST_API int32_t specest_estimate(const specest_params* p, const float* samples, int32_t n,
                                     specest_output* out);

/* Fills p for the modern profile: as specest_params_init, but profile SPECEST_PROFILE_MODERN,
 * npoints 0 (the method's default grid), fs 1, window NULL (boxcar), peak prominence 3 dB. */
SPECEST_API void specest_params_init64(specest_params* p);
SPECEST_API void specest_output_init64(specest_output64* out);

/* The capacity an estimate of n samples needs in p's profile. */
SPECEST_API int32_t specest_capacity64(const specest_params* p, int32_t n,
                                       specest_capacity_info* out, char* message,
                                       int32_t message_cap);

/* Estimates the spectrum of n double samples ((re, im) pairs when complex) in p's profile.
 * The modern profile: npoints is the grid size exactly (0: the default), twosided is the
 * inverse of scipy's return_onesided. The classic profile runs specest_estimate on the samples
 * rounded to float and widens its results. Returns what specest_estimate returns. */
SPECEST_API int32_t specest_estimate64(const specest_params* p, const double* samples, int32_t n,
                                       specest_output64* out);

/* Caller-owned outputs of specest_estimate_batch64, row-major: record r's values start at
 * r times the row's capacity. Every array but status may be NULL (then it is not filled). */
typedef struct specest_batch_output64 {
    uint32_t size; /* sizeof(specest_batch_output64) as the caller was compiled */
    double* freqs; /* grid_cap values: the grid, the same for every record */
    double* psd;   /* records x grid_cap (classic: the power before the dB conversion) */
    double* db;    /* records x grid_cap */
    int32_t grid_cap;
    int32_t n_freq;          /* out: points on the grid */
    double* a;               /* records x 2 coef_cap: (re, im) pairs as in specest_output64 */
    double* b;               /* records x 2 coef_cap */
    double* reflection;      /* records x 2 coef_cap */
    int32_t coef_cap;        /* complex values per record */
    int32_t* n_a;            /* records */
    int32_t* n_b;            /* records */
    int32_t* n_reflection;   /* records */
    double* peaks;           /* records x 3 peak_cap: rows as specest_output64's peaks */
    int32_t peak_cap;        /* peaks per record */
    int32_t* n_peaks;        /* records */
    double* sig2;            /* records */
    int32_t* npts;           /* records */
    int32_t* iterations;     /* records */
    int32_t* akaike_status;  /* records */
    double* zero_fill;       /* records; classic only (modern: 0) */
    double* t_start;         /* records; classic only */
    double* t_final;         /* records; classic only */
    int32_t* status;         /* records: each record's status (required) */
    char* messages;          /* records x message_cap: why a record failed, NUL-terminated */
    int32_t message_cap;
    int32_t nfft;            /* out */
    int32_t onesided;        /* out */
    int32_t failed;          /* out: records whose status is not SPECEST_SUCCESS */
} specest_batch_output64;

SPECEST_API void specest_batch_output_init64(specest_batch_output64* out);

/* Estimates `records` records of n samples each, stored one after the other (n doubles, or n
 * (re, im) pairs when complex), with one parameter set in p's profile, in parallel on the
 * engine's threads (SPECEST_THREADS). Record r's results have the bits of
 * specest_estimate64(p, samples + r * n [* 2], n, ...); times (times64) apply to every record;
 * no report. grid_cap, coef_cap and peak_cap come from specest_capacity64 (p, n); in the
 * modern profile grid_cap may be as small as the grid itself (nfft / 2 + 1 points one-sided,
 * nfft two-sided), so the rows hold the grid and nothing else. Each record's grid is written
 * straight into its rows; nothing past a row's points is written.
 * Returns SPECEST_SUCCESS when every record succeeded, else the status of the first record
 * that did not (each record's status and message are in out); SPECEST_INVALID_ARGUMENT for a
 * NULL pointer, an unknown struct size or a capacity too small for the grid. */
SPECEST_API int32_t specest_estimate_batch64(const specest_params* p, const double* samples,
                                             int32_t records, int32_t n,
                                             specest_batch_output64* out);

/* Runs a job file exactly as specest_run does (report "~Lumetra.out" in report_dir, NULL or ""
 * for the current directory; flags SPECEST_NO_PAUSE) and fills out like specest_estimate.
 * Returns what specest_estimate returns; an input error is SPECEST_INVALID_INPUT here. */
SPECEST_API int32_t specest_run_file(const char* job_path, const char* report_dir, int32_t flags,
                                     specest_output* out);

/* Runs a job file in the modern profile, as specest_run_file with SPECEST_PROFILE_MODERN does,
 * but fills out in double precision like specest_estimate64: freqs in Hz, psd the density, db
 * 10 log10 of it, peaks (frequency, density, prominence) most prominent first. No report file;
 * report_sink gets the run's report. grid_cap: specest_file_capacity's grid. Returns what
 * specest_estimate64 returns. Newer than the other entries: a caller that may meet an older
 * library looks it up with dlsym. */
SPECEST_API int32_t specest_run_file_modern(const char* job_path, specest_output64* out);

/* The capacity a job file needs, read without running it. */
SPECEST_API int32_t specest_file_capacity(const char* job_path, specest_capacity_info* out,
                                          char* message, int32_t message_cap);

/* Reads a job file through the engine's job reader without reading its data or writing a
 * report: on success text receives the 21 values as the reader takes them, each followed by
 * '\n', then a NUL. Lines 1, 2, 20 and 21 lose everything from their last "!" and the blanks at
 * either end; a value line gives its first field ("-999" included), a number as written.
 * A file that is not a job (not a regular file, binary or UTF-16, a line over 1 MiB, fewer than
 * 21 lines or more that are not blank, a missing value, a method none matches, a number that
 * does not parse) gives SPECEST_INVALID_INPUT with a message naming the file, the line and the
 * problem. SPECEST_INVALID_ARGUMENT: job_path NULL, or text NULL or too small (the message says
 * how many bytes the values need). message may be NULL. */
SPECEST_API int32_t specest_read_job(const char* job_path, char* text, int32_t text_cap,
                                     char* message, int32_t message_cap);

/* Description of the methods and settings, for front ends and scripting. */
typedef struct specest_method_info {
    uint32_t size;
    int32_t number;          /* 1..14 */
    const char* engine_name; /* as the run report prints it */
    const char* form_name;   /* as the job form lists it */
    const char* short_name;  /* scripting name, e.g. "yule-walker" */
    uint32_t settings;       /* bit (line - 1) for each job line the method reads */
    int32_t real_only;
    int32_t parametric;
} specest_method_info;

/* Fills info for method 1..14; returns SPECEST_INVALID_ARGUMENT otherwise. */
SPECEST_API int32_t specest_method(int32_t number, specest_method_info* info);

/* Name of job line 1..21 as the scripting interfaces spell it ("order", "nfft", ...) and the
 * accepted range of a numeric setting as text (e.g. "0 <= order <= 210, order < npts"). */
SPECEST_API const char* specest_field_name(int32_t line);
SPECEST_API const char* specest_field_range(int32_t line);

#ifdef __cplusplus
}
#endif

#endif
