/* A C program built against an installed libspecest with pkg-config: Burg's estimate of a
 * sine in noise. Prints the version, the strongest peak and a checksum of the spectrum; exits
 * non-zero unless the peak is at the sine's frequency. */
#include <specest/specest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#define N 512

int main(void) {
    float x[N];
    unsigned state = 12345u;
    for (int i = 0; i < N; ++i) {
        state = state * 1103515245u + 12345u; /* deterministic noise */
        const float noise = (float)((state >> 8) & 0xFFFF) / 65536.0f - 0.5f;
        x[i] = (float)sin(2.0 * 3.14159265358979 * 0.125 * i) + 0.1f * noise;
    }
    specest_params p;
    specest_params_init(&p);
    p.method = 2; /* Burg */
    p.npoles = 8;
    p.npoints = 256;
    specest_capacity_info cap = {sizeof cap, 0, 0, 0};
    char message[256] = "";
    if (specest_capacity(&p, &cap, message, sizeof message) != SPECEST_SUCCESS) {
        fprintf(stderr, "capacity: %s\n", message);
        return 1;
    }
    float* freqs = calloc((size_t)cap.grid, sizeof *freqs);
    float* db = calloc((size_t)cap.grid, sizeof *db);
    specest_output out;
    specest_output_init(&out);
    out.freqs = freqs;
    out.db = db;
    out.grid_cap = cap.grid;
    out.message = message;
    out.message_cap = sizeof message;
    const int32_t status = specest_estimate(&p, x, N, &out);
    if (status != SPECEST_SUCCESS || out.n_freq < 2) {
        fprintf(stderr, "estimate: status %d: %s\n", (int)status, message);
        return 1;
    }
    int best = 0;
    double sum = 0.0;
    for (int i = 0; i < out.n_freq; ++i) {
        if (db[i] > db[best]) best = i;
        sum += db[i];
    }
    printf("specest %s: %d points, peak at %.6f, sum %.9g\n", specest_version(), (int)out.n_freq,
           freqs[best], sum);
    const int found = fabs(freqs[best] - 0.125) < 2.0 / out.n_freq;
    free(freqs);
    free(db);
    return found ? 0 : 2;
}
