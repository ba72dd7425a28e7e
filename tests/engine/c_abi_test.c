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

    remove(job);
    remove(report);
    rmdir(dir);
    dlclose(lib);
    printf("%d passed, %d failed\n", failures ? 0 : 1, failures ? 1 : 0);
    return failures ? 1 : 0;
}
