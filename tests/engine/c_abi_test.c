/* Calls libspecest.so from C through dlopen, exactly as a foreign caller would. */
#define _XOPEN_SOURCE 700
#include "specest/specest.h"

#include <dlfcn.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef void (*for_fn)(const char*, float*, float*, int32_t*, int32_t*, float*, float*, float*,
                       float*, int32_t);
typedef int32_t (*run_fn)(const char*, int32_t, const char*, int32_t, float*, float*, int32_t*,
                          int32_t*, float*, float*, float*, float*, char*, int32_t);

static int failures = 0;
#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);               \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

typedef const char* (*version_fn)(void);
typedef void (*params_init_fn)(specest_params*);
typedef void (*output_init_fn)(specest_output*);
typedef int32_t (*capacity_fn)(const specest_params*, specest_capacity_info*, char*, int32_t);
typedef int32_t (*estimate_fn)(const specest_params*, const float*, int32_t, specest_output*);
typedef int32_t (*method_fn)(int32_t, specest_method_info*);
typedef int32_t (*run_file_fn)(const char*, const char*, int32_t, specest_output*);

static void count_report(const char* text, int32_t length, void* user) {
    (void)text;
    *(int32_t*)user += length;
}

/* The array entry points: sizes, guard cells past every array, statuses, the method table. */
static void check_array_entries(void* lib, const char* job, const char* dir) {
    version_fn version = (version_fn)dlsym(lib, "specest_version");
    params_init_fn pinit = (params_init_fn)dlsym(lib, "specest_params_init");
    output_init_fn oinit = (output_init_fn)dlsym(lib, "specest_output_init");
    capacity_fn capacity = (capacity_fn)dlsym(lib, "specest_capacity");
    estimate_fn estimate = (estimate_fn)dlsym(lib, "specest_estimate");
    method_fn method = (method_fn)dlsym(lib, "specest_method");
    run_file_fn run_file = (run_file_fn)dlsym(lib, "specest_run_file");
    CHECK(version && pinit && oinit && capacity && estimate && method && run_file);
    if (!(version && pinit && oinit && capacity && estimate && method && run_file)) return;
    CHECK(version()[0] >= '1' && strchr(version(), '.') != NULL);

    specest_method_info info;
    info.size = sizeof info;
    int burg = 0;
    for (int32_t m = 1; m <= 14; ++m) {
        CHECK(method(m, &info) == SPECEST_SUCCESS);
        if (strcmp(info.short_name, "burg") == 0) burg = m;
    }
    CHECK(method(15, &info) == SPECEST_INVALID_ARGUMENT);
    CHECK(burg == 2);

    enum { N = 100, GUARD = 8 };
    float x[N];
    for (int i = 0; i < N; ++i) x[i] = (float)(cos(0.6 * i) + 0.3 * sin(2.1 * i + 0.5 * i * i));
    specest_params p;
    pinit(&p);
    p.method = burg;
    p.npoles = 6;
    p.npoints = 200; /* rounded up to 256: a one-sided grid of 128 points */
    p.dt = 0.5;
    specest_capacity_info cap;
    cap.size = sizeof cap;
    char msg[256];
    CHECK(capacity(&p, &cap, msg, (int32_t)sizeof msg) == SPECEST_SUCCESS);
    CHECK(cap.grid == 256);

    float freqs[128 + GUARD], db[128 + GUARD], power[128 + GUARD], a[2 * 6 + GUARD], pk[4 + GUARD];
    for (int i = 0; i < 128 + GUARD; ++i) freqs[i] = db[i] = power[i] = 777.0f;
    for (int i = 0; i < 2 * 6 + GUARD; ++i) a[i] = 777.0f;
    for (int i = 0; i < 4 + GUARD; ++i) pk[i] = 777.0f;
    specest_output out;
    oinit(&out);
    out.freqs = freqs;
    out.db = db;
    out.power = power;
    out.grid_cap = 128; /* smaller than the capacity asked for: refused, nothing written */
    out.message = msg;
    out.message_cap = (int32_t)sizeof msg;
    CHECK(estimate(&p, x, N, &out) == SPECEST_INVALID_ARGUMENT);
    CHECK(strstr(msg, "grid_cap") != NULL && freqs[0] == 777.0f);

    float big_freqs[256 + GUARD], big_db[256 + GUARD];
    for (int i = 0; i < 256 + GUARD; ++i) big_freqs[i] = big_db[i] = 777.0f;
    int32_t report_bytes = 0;
    out.freqs = big_freqs;
    out.db = big_db;
    out.power = NULL;
    out.grid_cap = 256;
    out.a = a;
    out.coef_cap = 6;
    out.peak_freqs = pk;
    out.peak_cap = 4;
    out.report_sink = count_report;
    out.report_user = &report_bytes;
    CHECK(estimate(&p, x, N, &out) == SPECEST_SUCCESS);
    CHECK(out.n_freq == 128 && out.n_a == 6 && out.sig2 > 0.0f && msg[0] == '\0');
    CHECK(big_freqs[1] == 1.0f / (256 * 0.5f) && big_freqs[128] == 777.0f);
    CHECK(big_db[127] <= 0.0f && big_db[128] == 777.0f);
    CHECK(a[11] != 777.0f && a[12] == 777.0f);
    CHECK(out.n_peaks >= 1 && pk[4] == 777.0f);
    CHECK(report_bytes > 1000);

    /* Invalid input is told apart from a bad argument and explained. */
    p.npoles = 100;
    CHECK(estimate(&p, x, N, &out) == SPECEST_INVALID_INPUT);
    CHECK(strstr(msg, "nPoles") != NULL);
    CHECK(estimate(&p, NULL, N, &out) == SPECEST_INVALID_ARGUMENT);
    specest_params future = p;
    future.size = sizeof future + 64; /* a newer caller's struct: refused, never read past */
    CHECK(estimate(&future, x, N, &out) == SPECEST_INVALID_ARGUMENT);

    /* A job file through the same outputs. */
    out.report_sink = NULL;
    out.a = NULL;
    CHECK(run_file(job, dir, SPECEST_NO_PAUSE, &out) == SPECEST_SUCCESS);
    CHECK(out.n_freq == 127 && big_freqs[128] == 777.0f);
}

typedef int32_t (*file_capacity_fn)(const char*, specest_capacity_info*, char*, int32_t);
typedef const char* (*field_fn)(int32_t);
typedef int32_t (*read_job_fn)(const char*, char*, int32_t, char*, int32_t);

/* The job-file entries that run nothing: capacity, field names and ranges, the job reader. */
static void check_file_entries(void* lib, const char* job, const char* dir) {
    file_capacity_fn file_capacity = (file_capacity_fn)dlsym(lib, "specest_file_capacity");
    field_fn field_name = (field_fn)dlsym(lib, "specest_field_name");
    field_fn field_range = (field_fn)dlsym(lib, "specest_field_range");
    read_job_fn read_job = (read_job_fn)dlsym(lib, "specest_read_job");
    CHECK(file_capacity && field_name && field_range && read_job);
    if (!(file_capacity && field_name && field_range && read_job)) return;

    specest_capacity_info cap;
    cap.size = sizeof cap;
    char msg[512];
    CHECK(file_capacity(job, &cap, msg, (int32_t)sizeof msg) == SPECEST_SUCCESS);
    CHECK(cap.grid == 128 && cap.peaks == 99);
    CHECK(strcmp(field_name(9), "nfft") == 0 && field_name(0) == NULL && field_name(22) == NULL);
    CHECK(field_range(10) != NULL && strstr(field_range(10), "order") != NULL);

    /* The 21 values, one a line; a buffer one byte short is refused, nothing half written. */
    char text[4096], text_cr[4096];
    CHECK(read_job(job, text, (int32_t)sizeof text, msg, (int32_t)sizeof msg) == SPECEST_SUCCESS);
    int lines = 0;
    for (const char* c = text; *c; ++c) lines += *c == '\n';
    CHECK(lines == 21 && strstr(text, "\nPeriodogram\nY\n128\n-999\n") != NULL);
    const int32_t need = (int32_t)strlen(text) + 1;
    CHECK(read_job(job, text_cr, need - 1, msg, (int32_t)sizeof msg) == SPECEST_INVALID_ARGUMENT);
    CHECK(text_cr[0] == '\0' && strstr(msg, "text_cap") != NULL);

    /* The same job with CR line ends reads the same. */
    char cr_job[512];
    snprintf(cr_job, sizeof cr_job, "%s/cr.job", dir);
    FILE* in = fopen(job, "rb");
    FILE* copy = fopen(cr_job, "wb");
    int ch, prev = 0;
    while (in && copy && (ch = fgetc(in)) != EOF) {
        if (!(ch == '\n' && prev == '\r')) fputc(ch, copy);
        prev = ch;
    }
    if (in) fclose(in);
    if (copy) fclose(copy);
    CHECK(read_job(cr_job, text_cr, need, msg, (int32_t)sizeof msg) == SPECEST_SUCCESS);
    CHECK(strcmp(text, text_cr) == 0);

    /* Not a job: the file, the line and the problem. */
    CHECK(read_job(dir, text, (int32_t)sizeof text, msg, (int32_t)sizeof msg) ==
          SPECEST_INVALID_INPUT);
    CHECK(strstr(msg, dir) != NULL && strstr(msg, "directory") != NULL);
    FILE* w = fopen(cr_job, "wb");
    if (w) {
        fputs("t\nd\n0\n0\nR\n0\nZebra\nN\n64\n", w);
        fclose(w);
    }
    CHECK(read_job(cr_job, text, (int32_t)sizeof text, msg, (int32_t)sizeof msg) ==
          SPECEST_INVALID_INPUT);
    CHECK(strstr(msg, "cr.job, line 10: the file ends here") != NULL);
    CHECK(read_job(NULL, text, (int32_t)sizeof text, msg, (int32_t)sizeof msg) ==
          SPECEST_INVALID_ARGUMENT);
    remove(cr_job);

    /* A report folder that does not exist is the caller's input, not a lack of memory. */
    output_init_fn oinit = (output_init_fn)dlsym(lib, "specest_output_init");
    run_file_fn run_file = (run_file_fn)dlsym(lib, "specest_run_file");
    CHECK(oinit && run_file);
    if (!(oinit && run_file)) return;
    specest_output out;
    oinit(&out);
    out.message = msg;
    out.message_cap = (int32_t)sizeof msg;
    char missing[600];
    snprintf(missing, sizeof missing, "%s/no-such-folder", dir);
    CHECK(run_file(job, missing, SPECEST_NO_PAUSE, &out) == SPECEST_INVALID_INPUT);
    CHECK(strstr(msg, "Cannot write the run report") != NULL &&
          strstr(msg, "No such file or directory") != NULL);
}

/* Every entry the header declares with SPECEST_API is exported and found. */
static void check_every_entry_exported(void* lib, const char* header) {
    FILE* f = fopen(header, "rb");
    CHECK(f != NULL);
    if (!f) return;
    static char text[1 << 16];
    const size_t n = fread(text, 1, sizeof text - 1, f);
    fclose(f);
    text[n] = '\0';
    int found = 0;
    for (const char* p = strstr(text, "SPECEST_API "); p; p = strstr(p + 1, "SPECEST_API ")) {
        const char* name = strstr(p, "specest_");
        const char* paren = name ? strchr(name, '(') : NULL;
        if (!paren || paren - name > 64) continue;
        char sym[65];
        memcpy(sym, name, (size_t)(paren - name));
        sym[paren - name] = '\0';
        if (dlsym(lib, sym) == NULL) fprintf(stderr, "not exported: %s\n", sym);
        CHECK(dlsym(lib, sym) != NULL);
        ++found;
    }
    CHECK(found >= 13);
}

static void write_job(const char* path, const char* data, const char* method, const char* npoints) {
    const char* v[21] = {"c abi job", data,    "1",    "0",    "C",           "0",    method,
                         "Y",         npoints, "-999", "-999", "-999",        "-999", "-999",
                         "-999",      "-999",  "-999", "-999", "Rectangular", "",     ""};
    FILE* f = fopen(path, "wb");
    for (int i = 0; i < 21; ++i) fprintf(f, "%s  \t\t! q\r\n", v[i]);
    fclose(f);
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    CHECK(lib != NULL);
    if (!lib) return 1;
    for_fn sfor = (for_fn)dlsym(lib, "specest_for");
    run_fn srun = (run_fn)dlsym(lib, "specest_run");
    CHECK(sfor != NULL);
    CHECK(srun != NULL);
    /* Nothing of the C++ core leaks out of the library. */
    CHECK(dlsym(lib, "_ZN7specest3jobEv") == NULL);
    if (!sfor || !srun) return 1;

    char dir[] = "/tmp/specest-cabi-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    char job[512], bad[512], report[512], old[512];
    snprintf(job, sizeof job, "%s/per.job", dir);
    snprintf(bad, sizeof bad, "%s/missing.job", dir);
    snprintf(report, sizeof report, "%s/~Lumetra.out", dir);
    write_job(job, argv[2], "Periodogram", "128");

    /* specest_for: report in the current directory. */
    if (!getcwd(old, sizeof old)) return 1;
    if (chdir(dir) != 0) return 1;
    enum { CAP = 256 };
    float x[CAP + 4], s[CAP + 4];
    for (int i = 0; i < CAP + 4; ++i) x[i] = s[i] = 777.0f;
    int32_t npts = -1, npoints = CAP;
    float t0 = 0, t1 = 0, zf = 0, sig2 = 0;
    sfor(job, x, s, &npts, &npoints, &t0, &t1, &zf, &sig2, (int32_t)strlen(job));
    CHECK(npts == 64);
    CHECK(npoints == 127);
    CHECK(zf == 49.0f); /* (127 - 64) * 100 / 127 */
    CHECK(t0 == 0.0f && t1 == 63.0f);
    CHECK(fabsf(x[0] + 0.5f) < 1e-6f);
    float mx = -1000.0f;
    for (int i = 0; i < npoints; ++i) mx = s[i] > mx ? s[i] : mx;
    CHECK(mx == 0.0f);
    CHECK(s[127] == 777.0f && x[CAP] == 777.0f); /* nothing written past the grid */
    FILE* rf = fopen(report, "rb");
    CHECK(rf != NULL);
    if (rf) fclose(rf);

    /* A missing job: the process goes on, -99 marks "no spectrum". */
    npoints = CAP;
    zf = 0;
    sfor(bad, x, s, &npts, &npoints, &t0, &t1, &zf, &sig2, (int32_t)strlen(bad));
    CHECK(zf == -99.0f);
    CHECK(npoints == CAP);
    if (chdir(old) != 0) return 1;

    /* specest_run tells a stop apart and names it. */
    char msg[256];
    npoints = CAP;
    int32_t st = srun(bad, (int32_t)strlen(bad), dir, SPECEST_NO_PAUSE, x, s, &npts, &npoints, &t0,
                      &t1, &zf, &sig2, msg, (int32_t)sizeof msg);
    CHECK(st == SPECEST_STOPPED);
    CHECK(strstr(msg, "Input file") != NULL);
    /* Too small a capacity is refused before anything is written. */
    for (int i = 0; i < CAP; ++i) x[i] = s[i] = 777.0f;
    npoints = 16;
    st = srun(job, (int32_t)strlen(job), dir, SPECEST_NO_PAUSE, x, s, &npts, &npoints, &t0, &t1,
              &zf, &sig2, msg, (int32_t)sizeof msg);
    CHECK(st == SPECEST_STOPPED);
    CHECK(x[0] == 777.0f && s[0] == 777.0f);
    CHECK(srun(NULL, 0, dir, 0, x, s, &npts, &npoints, &t0, &t1, &zf, &sig2, msg, 256) ==
          SPECEST_INVALID_ARGUMENT);

    check_array_entries(lib, job, dir);
    check_file_entries(lib, job, dir);
    if (argc > 3) check_every_entry_exported(lib, argv[3]);

    remove(job);
    remove(report);
    rmdir(dir);
    dlclose(lib);
    printf("%d passed, %d failed\n", failures ? 0 : 1, failures ? 1 : 0);
    return failures ? 1 : 0;
}
