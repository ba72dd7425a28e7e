// A C++ program built against an installed libspecest through the header-only interface
// <specest/specest.hpp>: the same classic estimate as consumer.c (so the two print the same
// line), then a modern estimate, a batch and the runs of an installed example job.
//   consumer JOB_FILE REPORT_DIR
#include <specest/specest.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

namespace {

int failures = 0;

void expect(bool ok, const std::string& what) {
    if (!ok) {
        std::fprintf(stderr, "consumer: %s\n", what.c_str());
        ++failures;
    }
}

// consumer.c's record: a sine at 0.125 cycles per sample in deterministic noise.
std::vector<float> record(unsigned seed) {
    constexpr int n = 512;
    std::vector<float> x(n);
    unsigned state = seed;
    for (int i = 0; i < n; ++i) {
        state = state * 1103515245u + 12345u;
        const float noise = static_cast<float>((state >> 8) & 0xFFFF) / 65536.0f - 0.5f;
        x[static_cast<std::size_t>(i)] =
            static_cast<float>(std::sin(2.0 * 3.14159265358979 * 0.125 * i)) + 0.1f * noise;
    }
    return x;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: consumer JOB_FILE REPORT_DIR\n");
        return 1;
    }
    // Classic: Burg, as consumer.c.
    const std::vector<float> x = record(12345u);
    specest::EstimateParams p;
    p.method = 2;
    p.npoles = 8;
    p.npoints = 256;
    specest::Samples s;
    s.real = x;
    specest::Estimate e;
    try {
        e = specest::check(specest::estimate(p, s));
    } catch (const specest::Error& err) {
        std::fprintf(stderr, "estimate: status %d: %s\n", static_cast<int>(err.status()),
                     err.what());
        return 1;
    }
    std::size_t best = 0;
    double sum = 0.0;
    for (std::size_t i = 0; i < e.db.size(); ++i) {
        if (e.db[i] > e.db[best]) best = i;
        sum += e.db[i];
    }
    std::printf("specest %s: %d points, peak at %.6f, sum %.9g\n",
                std::string(specest::version()).c_str(), static_cast<int>(e.freqs.size()),
                e.freqs[best], sum);
    expect(std::fabs(e.freqs[best] - 0.125) < 2.0 / static_cast<double>(e.freqs.size()),
           "classic peak off the sine");

    // Modern: the same samples in double precision at fs = 1 kHz.
    const std::vector<double> x64(x.begin(), x.end());
    specest::ModernParams m;
    m.method = 2;
    m.order = 8;
    m.fs = 1000.0;
    specest::Samples64 s64;
    s64.real = x64;
    const specest::ModernEstimate me = specest::estimate(m, s64);
    expect(me.ok(), "modern estimate: " + me.message);
    expect(!me.peaks.empty() && std::fabs(me.peaks[0].freq - 125.0) < 2.0,
           "modern strongest peak is not at 125 Hz");

    // A batch of three records: each row is the single call's.
    std::vector<double> all;
    for (unsigned seed : {1u, 2u, 3u}) {
        const std::vector<float> r = record(seed);
        all.insert(all.end(), r.begin(), r.end());
    }
    specest::Samples64 many;
    many.real = all;
    const specest::ModernBatch b = specest::estimate_batch(m, many, 3);
    expect(b.ok() && b.records == 3, "batch failed");
    for (int r = 0; r < b.records && b.ok(); ++r) {
        specest::Samples64 one;
        one.real = std::span<const double>(all).subspan(512u * static_cast<unsigned>(r), 512u);
        const specest::ModernEstimate single = specest::estimate(m, one);
        expect(single.psd.size() == static_cast<std::size_t>(b.n_freq) &&
                   std::memcmp(single.psd.data(), b.psd.data() + r * b.n_freq,
                               single.psd.size() * sizeof(double)) == 0,
               "batch row " + std::to_string(r) + " differs from its single call");
    }

    // The installed example job: into arrays, as a whole result, and in the modern profile.
    const std::string job = argv[1];
    specest::RunOptions opt;
    opt.report_dir = argv[2];
    const long long cap = specest::required_capacity(job);
    std::vector<float> freqs(static_cast<std::size_t>(cap > 0 ? cap : 1)), db(freqs);
    const specest::RunResult run = specest::run_job(job, freqs, db, opt);
    expect(run.status == specest::RunStatus::success, "run_job: " + run.stop_text);
    const specest::Estimate file = specest::run_job_file(job, opt);
    expect(file.ok() && file.method_name == "BURG", "run_job_file: " + file.message);
    expect(file.db.size() == static_cast<std::size_t>(run.n_freq_pts) &&
               std::memcmp(file.db.data(), db.data(), file.db.size() * sizeof(float)) == 0,
           "run_job_file and run_job differ");
    const specest::ModernEstimate modern = specest::run_job_file_modern(job);
    expect(modern.ok() && !modern.psd.empty(), "run_job_file_modern: " + modern.message);

    // A refusal as an exception, with the C status and the library's text.
    p.npoints = 0;
    try {
        (void)specest::check(specest::estimate(p, s));
        expect(false, "check let npoints = 0 through");
    } catch (const specest::Error& err) {
        expect(err.status() == SPECEST_INVALID_INPUT && std::strstr(err.what(), "nPoints"),
               std::string("npoints = 0 gave: ") + err.what());
    }
    return failures == 0 ? 0 : 2;
}
