// Estimation from samples in memory: the same bits as a job-file run of the same record for
// every method, input checks as clear errors, and runs on many threads at once.
#include "test_support.h"

#include "specest/job_record.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace specest {
namespace {

namespace fs = std::filesystem;
using record::Method;
using test::Job;

// One setting row per method: the job-file text and the in-memory value side by side.
struct MethodCase {
    Method method;
    bool complex_data;
    int npoles = -999, nzeros = -999, mode = -999, m_eqs = -999, l_pts = -999, m_lags = -999,
        nit = -999;
    float eps = -999.0f, per = -999.0f;
    const char* window = "-999";
};

std::string text(int v) {
    return std::to_string(v);
}
std::string text(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

const std::vector<MethodCase>& all_methods() {
    static const std::vector<MethodCase> rows = [] {
        std::vector<MethodCase> r;
        auto add = [&r](MethodCase c) { r.push_back(c); };
        add({.method = Method::yule_walker, .complex_data = true, .npoles = 8});
        add({.method = Method::burg, .complex_data = false, .npoles = 8});
        add({.method = Method::rmle, .complex_data = false, .npoles = 6});
        add({.method = Method::covariance, .complex_data = true, .npoles = 8, .eps = 1e-7f});
        add({.method = Method::modified_covariance,
             .complex_data = false,
             .npoles = 8,
             .eps = 1e-7f});
        add({.method = Method::mywe,
             .complex_data = false,
             .npoles = 4,
             .nzeros = 2,
             .eps = 1e-7f});
        add({.method = Method::lsmywe,
             .complex_data = true,
             .npoles = 4,
             .nzeros = 2,
             .m_eqs = 100,
             .eps = 1e-7f});
        add({.method = Method::akaike,
             .complex_data = false,
             .npoles = 4,
             .nzeros = 2,
             .m_eqs = 100,
             .nit = 20,
             .eps = 1e-7f,
             .per = 0.5f});
        add({.method = Method::mayne_firoozan,
             .complex_data = true,
             .npoles = 4,
             .nzeros = 2,
             .l_pts = 40,
             .eps = 1e-7f});
        add({.method = Method::durbin, .complex_data = false, .nzeros = 4, .l_pts = 40});
        add({.method = Method::periodogram, .complex_data = false, .window = "Hamming"});
        add({.method = Method::blackman_tukey, .complex_data = true, .mode = 1, .m_lags = 30});
        add({.method = Method::mvse,
             .complex_data = false,
             .npoles = 10,
             .mode = 0,
             .l_pts = 300,
             .eps = 1e-7f});
        add({.method = Method::lockheed, .complex_data = true, .npoles = 6, .nzeros = 3});
        return r;
    }();
    return rows;
}

std::string case_name(const ::testing::TestParamInfo<MethodCase>& info) {
    std::string s(record::method_info(static_cast<int>(info.param.method))->short_name);
    for (char& c : s)
        if (c == '-') c = '_';
    return s;
}

// A record of a few lines in noise; the samples are floats that the data file spells exactly.
struct Record {
    std::vector<float> real;
    std::vector<std::complex<float>> cplx;
    std::vector<float> times;
};

Record make_record(int n, const char* test_name) {
    auto rng = test::seeded_rng(test_name);
    std::normal_distribution<double> noise(0.0, 0.3);
    Record r;
    for (int i = 0; i < n; ++i) {
        const double t = i;
        r.times.push_back(static_cast<float>(0.25 * i));
        const double re =
            std::cos(2 * M_PI * 0.1 * t) + 0.5 * std::cos(2 * M_PI * 0.23 * t + 1) + noise(rng);
        const double im = std::sin(2 * M_PI * 0.1 * t) + noise(rng);
        r.real.push_back(static_cast<float>(re));
        r.cplx.emplace_back(static_cast<float>(re), static_cast<float>(im));
    }
    return r;
}

void write_record(const fs::path& file, const Record& r, bool complex_data) {
    std::string s;
    char buf[160];
    for (std::size_t i = 0; i < r.times.size(); ++i) {
        if (complex_data)
            std::snprintf(buf, sizeof buf, "%.9g (%.9g,%.9g)\n", static_cast<double>(r.times[i]),
                          static_cast<double>(r.cplx[i].real()),
                          static_cast<double>(r.cplx[i].imag()));
        else
            std::snprintf(buf, sizeof buf, "%.9g %.9g\n", static_cast<double>(r.times[i]),
                          static_cast<double>(r.real[i]));
        s += buf;
    }
    test::write_text(file, s);
}

Job job_for(const MethodCase& c, int npoints) {
    Job j;
    j.data_type = c.complex_data ? "C" : "R";
    j.method = std::string(record::method_info(static_cast<int>(c.method))->form_name);
    j.npoints = text(npoints);
    auto set = [](std::string& field, int v) { field = v == -999 ? "-999" : text(v); };
    set(j.npoles, c.npoles);
    set(j.nzeros, c.nzeros);
    set(j.mode, c.mode);
    set(j.m_eqs, c.m_eqs);
    set(j.l_pts, c.l_pts);
    set(j.m_lags, c.m_lags);
    set(j.nit, c.nit);
    j.eps = c.eps == -999.0f ? "-999" : text(c.eps);
    j.per = c.per == -999.0f ? "-999" : text(c.per);
    j.window = c.window;
    return j;
}

EstimateParams params_for(const MethodCase& c, int npoints) {
    EstimateParams p;
    p.method = static_cast<int>(c.method);
    p.complex_data = c.complex_data;
    p.npoints = npoints;
    p.npoles = c.npoles;
    p.nzeros = c.nzeros;
    p.mode = c.mode;
    p.m_eqs = c.m_eqs;
    p.l_pts = c.l_pts;
    p.m_lags = c.m_lags;
    p.nit = c.nit;
    p.eps = c.eps;
    p.per = c.per;
    p.window = c.window;
    return p;
}

Samples samples_of(const Record& r, bool complex_data, bool with_times) {
    Samples s;
    if (complex_data)
        s.complex = r.cplx;
    else
        s.real = r.real;
    if (with_times) s.times = r.times;
    return s;
}

template <class T> bool same_bits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

void expect_same(const Estimate& mem, const Estimate& file) {
    EXPECT_EQ(mem.status, file.status) << mem.message << " | " << file.message;
    EXPECT_TRUE(same_bits(mem.freqs, file.freqs));
    EXPECT_TRUE(same_bits(mem.db, file.db));
    EXPECT_TRUE(same_bits(mem.power, file.power));
    EXPECT_TRUE(same_bits(mem.a, file.a));
    EXPECT_TRUE(same_bits(mem.b, file.b));
    EXPECT_TRUE(same_bits(mem.reflection, file.reflection));
    EXPECT_EQ(std::memcmp(&mem.sig2, &file.sig2, sizeof(float)), 0);
    ASSERT_EQ(mem.peaks.size(), file.peaks.size());
    for (std::size_t i = 0; i < mem.peaks.size(); ++i) {
        EXPECT_EQ(mem.peaks[i].freq, file.peaks[i].freq);
        EXPECT_EQ(mem.peaks[i].db, file.peaks[i].db);
    }
    EXPECT_EQ(mem.zero_fill, file.zero_fill);
    EXPECT_EQ(mem.npts, file.npts);
    EXPECT_EQ(mem.iterations, file.iterations);
}

class EveryMethod : public ::testing::TestWithParam<MethodCase> {};

TEST_P(EveryMethod, SamplesInMemoryGiveTheBitsOfTheJobFileRun) {
    const MethodCase& c = GetParam();
    test::TempDir dir;
    const Record rec = make_record(200, "SamplesInMemory");
    write_record(dir / "data.txt", rec, c.complex_data);
    const fs::path job = test::write_job(dir / "job.0", job_for(c, 512));
    RunOptions opt;
    opt.report_dir = dir.path().string();
    opt.pause_after_peaks = false;
    const Estimate file = run_job_file(job.string(), opt);
    ASSERT_EQ(file.status, EstimateStatus::success) << file.message;
    const Estimate mem = estimate(params_for(c, 512), samples_of(rec, c.complex_data, true));
    expect_same(mem, file);
    // The model comes back where the method fits one, and only then.
    const bool parametric = record::method_info(static_cast<int>(c.method))->parametric;
    EXPECT_EQ(mem.a.size(),
              parametric && c.method != Method::durbin ? static_cast<std::size_t>(c.npoles) : 0u);
    if (!parametric) {
        EXPECT_EQ(mem.sig2, 0.0f);
    }
    // The job-file run through the caller's arrays returns the same spectrum.
    const auto out = test::run(job);
    ASSERT_EQ(out.result.status, RunStatus::success);
    EXPECT_TRUE(same_bits(
        std::vector<float>(out.db.begin(), out.db.begin() + out.result.n_freq_pts), file.db));
}

INSTANTIATE_TEST_SUITE_P(Methods, EveryMethod, ::testing::ValuesIn(all_methods()), case_name);

TEST(Estimate, SamplingIntervalSetsTheGridAndTheReportIsTheRunReport) {
    const Record rec = make_record(128, "SamplingInterval");
    EstimateParams p;
    p.method = static_cast<int>(Method::burg);
    p.npoles = 10;
    p.npoints = 256;
    Samples s = samples_of(rec, false, false);
    s.dt = 0.001; // 1 kHz
    EstimateOptions o;
    o.want_report = true;
    const Estimate e = estimate(p, s, o);
    ASSERT_EQ(e.status, EstimateStatus::success) << e.message;
    ASSERT_EQ(e.freqs.size(), 128u);
    EXPECT_EQ(e.freqs[1], static_cast<float>(1.0 / (256.0 * static_cast<float>(0.001))));
    EXPECT_NEAR(e.freqs.back(), 500.0 * 127.0 / 128.0, 1e-3);
    // Peak table: the tone at 0.1 cycles per sample, at 100 Hz.
    bool found = false;
    for (const Peak& pk : e.peaks)
        found = found || (std::abs(pk.freq - 100.0f) < 4.0f && pk.db > -3);
    EXPECT_TRUE(found);
    EXPECT_EQ(test::count_lines_with(e.report, " freq(i) & spectrum(i)="), 128);
    EXPECT_EQ(test::count_lines_with(e.report, " Peak #"), static_cast<int>(e.peaks.size()));
    EXPECT_NE(e.report.find("(samples in memory)"), std::string::npos);
    // Without asking, no report comes back.
    EXPECT_TRUE(estimate(p, s).report.empty());
}

struct BadInput {
    const char* name;
    void (*change)(EstimateParams&, Samples&);
    const char* mentions;
};

std::vector<float> g_nan_record;
std::vector<float> g_short_times;

const BadInput kBadInputs[] = {
    {"unknown_method", [](EstimateParams& p, Samples&) { p.method = 15; }, "method 15"},
    {"npoints_zero", [](EstimateParams& p, Samples&) { p.npoints = 0; }, "nPoints"},
    {"npoints_too_large", [](EstimateParams& p, Samples&) { p.npoints = (1 << 24) + 1; },
     "nPoints"},
    {"order_not_below_samples", [](EstimateParams& p, Samples&) { p.npoles = 128; }, "nPoles"},
    {"too_few_samples", [](EstimateParams&, Samples& s) { s.real = s.real.subspan(0, 1); },
     "two data points"},
    {"not_finite_sample", [](EstimateParams&, Samples& s) { s.real = g_nan_record; },
     "sample 7 is not a finite number"},
    {"times_of_other_length", [](EstimateParams&, Samples& s) { s.times = g_short_times; },
     "times holds 5 values"},
    {"zero_interval", [](EstimateParams&, Samples& s) { s.dt = 0.0; }, "sampling interval"},
    {"negative_npts", [](EstimateParams& p, Samples&) { p.npts = -1; }, "nPts"},
    {"complex_for_rmle",
     [](EstimateParams& p, Samples& s) {
         static const std::vector<std::complex<float>> c(64, {1.0f, 0.5f});
         p.method = static_cast<int>(Method::rmle);
         p.complex_data = true;
         s.real = {};
         s.complex = c;
     },
     "REAL data required for RMLE"},
    {"unknown_window",
     [](EstimateParams& p, Samples&) {
         p.method = static_cast<int>(Method::periodogram);
         p.window = "Bartlett";
     },
     "window \"Bartlett\" is not one of"},
    {"order_above_the_grid",
     [](EstimateParams& p, Samples&) {
         p.npoints = 64;
         p.npoles = 100;
     },
     "Max_Order = 64"},
    {"lags_beyond_half_the_record",
     [](EstimateParams& p, Samples&) {
         p.method = static_cast<int>(Method::blackman_tukey);
         p.mode = 0;
         p.m_lags = 70;
     },
     "M_Lags"},
};

class InvalidInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(InvalidInput, IsReportedAsInvalidInputNamingTheProblem) {
    const Record rec = make_record(128, "InvalidInput");
    g_nan_record = rec.real;
    g_nan_record[6] = std::numeric_limits<float>::quiet_NaN();
    g_short_times.assign(5, 0.0f);
    EstimateParams p;
    p.method = static_cast<int>(Method::burg);
    p.npoles = 4;
    Samples s = samples_of(rec, false, false);
    GetParam().change(p, s);
    const Estimate e = estimate(p, s);
    EXPECT_EQ(e.status, EstimateStatus::invalid_input);
    EXPECT_NE(e.message.find(GetParam().mentions), std::string::npos) << e.message;
    EXPECT_TRUE(e.db.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, InvalidInput, ::testing::ValuesIn(kBadInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Estimate, EstimatorFailureCarriesTheEstimatorsExplanation) {
    const Record rec = make_record(64, "EstimatorFailure");
    EstimateParams p;
    p.method = static_cast<int>(Method::covariance);
    p.complex_data = true;
    p.npoles = 8;
    p.eps = 1.0e3f; // every pivot falls below it
    const Estimate e = estimate(p, samples_of(rec, true, false));
    EXPECT_EQ(e.status, EstimateStatus::estimator_failure);
    EXPECT_NE(e.message.find("Cholesky decomposition is less than EPS"), std::string::npos)
        << e.message;
    EXPECT_EQ(e.message.find("Sig2"), std::string::npos) << e.message;
    EXPECT_EQ(e.message.find("No Plot"), std::string::npos) << e.message;
    EXPECT_TRUE(e.db.empty());
}

// Many runs at once, in memory and from job files, give each exactly what it gives alone.
TEST(Estimate, RunsOnManyThreadsAtOnceGiveWhatEachGivesAlone) {
    const auto& methods = all_methods();
    std::vector<Record> records;
    std::vector<Estimate> alone;
    for (std::size_t i = 0; i < methods.size(); ++i) {
        records.push_back(make_record(300 + static_cast<int>(i), "ManyThreads"));
        alone.push_back(estimate(params_for(methods[i], 1024),
                                 samples_of(records.back(), methods[i].complex_data, false)));
        ASSERT_EQ(alone.back().status, EstimateStatus::success) << alone.back().message;
    }
    test::TempDir dir;
    const Record file_rec = make_record(256, "ManyThreadsFile");
    write_record(dir / "data.txt", file_rec, false);
    const fs::path job = test::write_job(dir / "job.0", job_for(methods[1], 512));
    const auto file_alone = test::run(job);

    constexpr int kThreads = 4;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> pool;
    for (int t = 0; t < kThreads; ++t)
        pool.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                for (std::size_t i = static_cast<std::size_t>(t); i < methods.size();
                     i += kThreads) {
                    const Estimate e =
                        estimate(params_for(methods[i], 1024),
                                 samples_of(records[i], methods[i].complex_data, false));
                    if (!same_bits(e.db, alone[i].db) || !same_bits(e.a, alone[i].a) ||
                        e.sig2 != alone[i].sig2)
                        ++mismatches[static_cast<std::size_t>(t)];
                }
            // Job-file runs report into folders of their own.
            test::TempDir own;
            fs::copy_file(dir / "data.txt", own / "data.txt");
            fs::copy_file(job, own / "job.0");
            const auto out = test::run(own / "job.0");
            if (out.db != file_alone.db || test::count_lines_with(out.report, "") !=
                                               test::count_lines_with(file_alone.report, ""))
                ++mismatches[static_cast<std::size_t>(t)];
        });
    for (auto& th : pool) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[static_cast<std::size_t>(t)], 0);
}

} // namespace
} // namespace specest
