/* The batch entry from plain C through dlopen: every record has the bits of the one-record
 * call, in both profiles, on several threads (and on one: the test runs with each), so every
 * thread count gives the same bits; a failed record is named and the rest kept. */
#define _XOPEN_SOURCE 700
#include "specest/specest.h"

#include <dlfcn.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;
#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);               \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

typedef void (*pinit_fn)(specest_params*);
typedef void (*oinit64_fn)(specest_output64*);
typedef void (*binit_fn)(specest_batch_output64*);
typedef int32_t (*cap64_fn)(const specest_params*, int32_t, specest_capacity_info*, char*, int32_t);
typedef int32_t (*est64_fn)(const specest_params*, const double*, int32_t, specest_output64*);
typedef int32_t (*batch_fn)(const specest_params*, const double*, int32_t, int32_t,
                            specest_batch_output64*);

/* Large enough that the records run on more than one thread. */
enum { R = 12, N = 4096, MSG = 256 };

static pinit_fn pinit, pinit64;
static oinit64_fn oinit64;
static binit_fn binit;
static cap64_fn cap64;
static est64_fn est64;
static batch_fn batch;

static int same(const double* a, const double* b, int n) {
    return memcmp(a, b, (size_t)n * sizeof(double)) == 0;
}

/* Runs the batch and compares every record with specest_estimate64 on it. */
static void check_profile(const specest_params* p, const double* x, int bad_record) {
    specest_capacity_info cap;
    cap.size = sizeof cap;
    char msg[MSG];
    CHECK(cap64(p, N, &cap, msg, MSG) == SPECEST_SUCCESS);
    const int g = cap.grid, c = cap.coef, k = cap.peaks;
    double* freqs = calloc((size_t)g, sizeof(double));
    double* psd = calloc((size_t)R * g, sizeof(double));
    double* db = calloc((size_t)R * g, sizeof(double));
    double* a = calloc((size_t)R * 2 * c, sizeof(double));
    double* peaks = calloc((size_t)R * 3 * k, sizeof(double));
    int32_t n_a[R], n_peaks[R], status[R], npts[R];
    double sig2[R];
    char* messages = calloc((size_t)R * MSG, 1);
    specest_batch_output64 out;
    binit(&out);
    out.freqs = freqs;
    out.psd = psd;
    out.db = db;
    out.grid_cap = g;
    out.a = a;
    out.coef_cap = c;
    out.n_a = n_a;
    out.peaks = peaks;
    out.peak_cap = k;
    out.n_peaks = n_peaks;
    out.sig2 = sig2;
    out.npts = npts;
    out.status = status;
    out.messages = messages;
    out.message_cap = MSG;
    const int32_t st = batch(p, x, R, N, &out);
    CHECK(st == (bad_record < 0 ? SPECEST_SUCCESS : SPECEST_ESTIMATOR_FAILURE));
    CHECK(out.failed == (bad_record < 0 ? 0 : 1));
    CHECK(out.n_freq > 0 && out.n_freq <= g);

    double* f1 = calloc((size_t)g, sizeof(double));
    double* p1 = calloc((size_t)g, sizeof(double));
    double* d1 = calloc((size_t)g, sizeof(double));
    double* a1 = calloc((size_t)2 * c, sizeof(double));
    double* k1 = calloc((size_t)3 * k, sizeof(double));
    char m1[MSG];
    for (int r = 0; r < R; ++r) {
        specest_output64 o;
        oinit64(&o);
        o.freqs = f1;
        o.psd = p1;
        o.db = d1;
        o.grid_cap = g;
        o.a = a1;
        o.coef_cap = c;
        o.peaks = k1;
        o.peak_cap = k;
        o.message = m1;
        o.message_cap = MSG;
        const int32_t s1 = est64(p, x + (size_t)r * N, N, &o);
        CHECK(s1 == status[r]);
        CHECK(strcmp(m1, messages + (size_t)r * MSG) == 0);
        if (r == bad_record) {
            CHECK(s1 == SPECEST_ESTIMATOR_FAILURE && m1[0] != '\0');
            continue;
        }
        CHECK(s1 == SPECEST_SUCCESS);
        CHECK(o.n_freq == out.n_freq);
        CHECK(same(f1, freqs, o.n_freq));
        CHECK(same(p1, psd + (size_t)r * g, o.n_freq));
        CHECK(same(d1, db + (size_t)r * g, o.n_freq));
        CHECK(o.n_a == n_a[r] && same(a1, a + (size_t)r * 2 * c, 2 * o.n_a));
        CHECK(o.n_peaks == n_peaks[r] && same(k1, peaks + (size_t)r * 3 * k, 3 * o.n_peaks));
        CHECK(memcmp(&o.sig2, &sig2[r], sizeof(double)) == 0 && o.npts == npts[r]);
    }
    free(f1), free(p1), free(d1), free(a1), free(k1);
    free(freqs), free(psd), free(db), free(a), free(peaks), free(messages);
}

/* Every byte of p[0..n) is b. */
static int all_bytes(const void* p, size_t n, unsigned char b) {
    const unsigned char* c = p;
    for (size_t i = 0; i < n; ++i)
        if (c[i] != b) return 0;
    return 1;
}

/* The densities alone into rows exactly as wide as the grid: each row is the record's own
 * call, written in place, and the guard cells after the last row (and after the grid) keep
 * their bytes; one point less is refused with nothing written. */
static void check_narrow_rows(const specest_params* p, const double* x) {
    enum { GUARD = 37 };
    specest_capacity_info cap;
    cap.size = sizeof cap;
    char msg[MSG];
    CHECK(cap64(p, N, &cap, msg, MSG) == SPECEST_SUCCESS);
    const int g = cap.grid, nf = (g - 1) / 2 + 1; /* real data, one-sided */
    const size_t cells = (size_t)R * nf + GUARD;
    double* psd = malloc(cells * sizeof(double));
    double* freqs = malloc((size_t)(nf + GUARD) * sizeof(double));
    memset(psd, 0x5A, cells * sizeof(double));
    memset(freqs, 0x5A, (size_t)(nf + GUARD) * sizeof(double));
    int32_t status[R];
    specest_batch_output64 out;
    binit(&out);
    out.freqs = freqs;
    out.psd = psd;
    out.grid_cap = nf - 1;
    out.status = status;
    CHECK(batch(p, x, R, N, &out) == SPECEST_INVALID_ARGUMENT);
    CHECK(all_bytes(psd, cells * sizeof(double), 0x5A));
    out.grid_cap = nf;
    CHECK(batch(p, x, R, N, &out) == SPECEST_SUCCESS && out.failed == 0);
    CHECK(out.n_freq == nf);
    CHECK(all_bytes(psd + (size_t)R * nf, GUARD * sizeof(double), 0x5A));
    CHECK(all_bytes(freqs + nf, GUARD * sizeof(double), 0x5A));

    double* f1 = calloc((size_t)g, sizeof(double));
    double* p1 = calloc((size_t)g, sizeof(double));
    for (int r = 0; r < R; ++r) {
        specest_output64 o;
        oinit64(&o);
        o.freqs = f1;
        o.psd = p1;
        o.grid_cap = g;
        CHECK(est64(p, x + (size_t)r * N, N, &o) == SPECEST_SUCCESS && status[r] == 0);
        CHECK(o.n_freq == nf && same(f1, freqs, nf) && same(p1, psd + (size_t)r * nf, nf));
    }
    free(f1), free(p1), free(psd), free(freqs);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: c_batch_test libspecest.so\n");
        return 2;
    }
    void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        fprintf(stderr, "dlopen: %s\n", dlerror());
        return 1;
    }
    pinit = (pinit_fn)dlsym(lib, "specest_params_init");
    pinit64 = (pinit_fn)dlsym(lib, "specest_params_init64");
    oinit64 = (oinit64_fn)dlsym(lib, "specest_output_init64");
    binit = (binit_fn)dlsym(lib, "specest_batch_output_init64");
    cap64 = (cap64_fn)dlsym(lib, "specest_capacity64");
    est64 = (est64_fn)dlsym(lib, "specest_estimate64");
    batch = (batch_fn)dlsym(lib, "specest_estimate_batch64");
    if (!(pinit && pinit64 && oinit64 && binit && cap64 && est64 && batch)) {
        fprintf(stderr, "missing entry points\n");
        return 1;
    }

    static double x[R * N];
    unsigned s = 12345u;
    for (int i = 0; i < R * N; ++i) {
        s = s * 1103515245u + 12345u;
        x[i] = sin(0.3 * i) + ((double)(s >> 8) / 16777216.0 - 0.5);
    }
    specest_params p;
    pinit64(&p);
    p.method = 2; /* Burg */
    p.npoles = 12;
    p.fs = 50.0;
    check_profile(&p, x, -1);
    check_narrow_rows(&p, x);
    pinit(&p); /* the classic profile */
    p.method = 2;
    p.npoles = 12;
    p.npoints = 512;
    check_profile(&p, x, -1);

    /* Record 3 all zeros: Burg fails on it alone. */
    for (int i = 0; i < N; ++i) x[3 * N + i] = 0.0;
    pinit64(&p);
    p.method = 2;
    p.npoles = 12;
    check_profile(&p, x, 3);

    /* Arguments the entry refuses. */
    specest_batch_output64 out;
    binit(&out);
    CHECK(batch(&p, x, R, N, &out) == SPECEST_INVALID_ARGUMENT); /* no status array */
    int32_t status[R];
    out.status = status;
    CHECK(batch(NULL, x, R, N, &out) == SPECEST_INVALID_ARGUMENT);
    CHECK(batch(&p, NULL, R, N, &out) == SPECEST_INVALID_ARGUMENT);
    CHECK(batch(&p, x, -1, N, &out) == SPECEST_INVALID_ARGUMENT);
    out.size = 8;
    CHECK(batch(&p, x, R, N, &out) == SPECEST_INVALID_ARGUMENT);
    out.size = sizeof out;
    double tiny[4];
    out.psd = tiny;
    out.grid_cap = 2; /* too small for the grid: refused, nothing written past it */
    CHECK(batch(&p, x, R, N, &out) == SPECEST_INVALID_ARGUMENT);
    CHECK(batch(&p, x, 0, N, &out) == SPECEST_SUCCESS && out.failed == 0);

    dlclose(lib);
    if (failures) fprintf(stderr, "%d check(s) failed\n", failures);
    return failures ? 1 : 0;
}
