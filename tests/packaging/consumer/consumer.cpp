// A C++ program built against an installed libspecest with find_package(specest): the same
// estimate as consumer.c, so the two print the same line.
#include <specest/specest.h>

#include <cmath>
#include <cstdio>
#include <vector>

int main() {
    constexpr int n = 512;
    std::vector<float> x(n);
    unsigned state = 12345u;
    for (int i = 0; i < n; ++i) {
        state = state * 1103515245u + 12345u; // deterministic noise
        const float noise = static_cast<float>((state >> 8) & 0xFFFF) / 65536.0f - 0.5f;
        x[i] = static_cast<float>(std::sin(2.0 * 3.14159265358979 * 0.125 * i)) + 0.1f * noise;
    }
    specest_params p;
    specest_params_init(&p);
    p.method = 2; // Burg
    p.npoles = 8;
    p.npoints = 256;
    specest_capacity_info cap{sizeof cap, 0, 0, 0};
    char message[256] = "";
    if (specest_capacity(&p, &cap, message, sizeof message) != SPECEST_SUCCESS) {
        std::fprintf(stderr, "capacity: %s\n", message);
        return 1;
    }
    std::vector<float> freqs(cap.grid), db(cap.grid);
    specest_output out;
    specest_output_init(&out);
    out.freqs = freqs.data();
    out.db = db.data();
    out.grid_cap = cap.grid;
    out.message = message;
    out.message_cap = sizeof message;
    const int32_t status = specest_estimate(&p, x.data(), n, &out);
    if (status != SPECEST_SUCCESS || out.n_freq < 2) {
        std::fprintf(stderr, "estimate: status %d: %s\n", static_cast<int>(status), message);
        return 1;
    }
    int best = 0;
    double sum = 0.0;
    for (int i = 0; i < out.n_freq; ++i) {
        if (db[i] > db[best]) best = i;
        sum += db[i];
    }
    std::printf("specest %s: %d points, peak at %.6f, sum %.9g\n", specest_version(),
                static_cast<int>(out.n_freq), freqs[best], sum);
    return std::fabs(freqs[best] - 0.125) < 2.0 / out.n_freq ? 0 : 2;
}
