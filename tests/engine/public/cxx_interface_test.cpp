// The installed C++ interface (include/specest/specest.hpp), header-only over the C ABI, seen
// from a program that links libspecest.so and nothing of the engine's inside: the example jobs
// give their stored golden bits and reports, memory estimates give the job runs' bits, the
// modern profile meets a direct DFT, batches give each record's single-call bits, and every
// refusal carries the library's status and text.
#include <specest/specest.hpp>

#include "golden_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(SPECEST_EXAMPLES_DIR);
const fs::path kGolden = fs::path(SPECEST_GOLDEN_DIR);

class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("specest-hpp-" + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

using golden::bits;
using golden::fnv1a;
using golden::hex;
using golden::masked;

// The stored result of an example job: its lines up to the report, and the report.
struct Golden {
    std::string head;
    std::string report;
};

Golden golden(const std::string& job) {
    const std::string all = read_text(kGolden / (job + ".txt"));
    const std::string mark = "---- report\n";
    const std::size_t at = all.find(mark);
    return {all.substr(0, at), at == std::string::npos ? "" : all.substr(at + mark.size())};
}

template <class T> bool same_bits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

class ExampleThroughHeader : public ::testing::TestWithParam<const char*> {};

TEST_P(ExampleThroughHeader, RunJobAndRunJobFileGiveTheGoldenBitsAndReport) {
    const std::string job = GetParam();
    TempDir dir;
    for (const auto& e : fs::directory_iterator(kExamples))
        fs::copy_file(e.path(), dir.path() / e.path().filename());
    const std::string path = (dir.path() / job).string();
    const Golden g = golden(job);

    // Into the caller's arrays, as the desktop program runs a job.
    const long long cap = specest::required_capacity(path);
    ASSERT_GT(cap, 0);
    std::vector<float> x(static_cast<std::size_t>(cap), 12345.0f), db(x);
    specest::RunOptions opt;
    opt.report_dir = dir.path().string();
    const specest::RunResult r = specest::run_job(path, x, db, opt);
    ASSERT_EQ(r.status, specest::RunStatus::success) << r.stop_text;
    EXPECT_EQ(r.report_path, opt.report_dir + "/~Lumetra.out");
    const auto n = static_cast<std::size_t>(r.n_freq_pts);
    EXPECT_NE(g.head.find("npts " + std::to_string(r.npts) + " n_freq_pts " +
                          std::to_string(r.n_freq_pts) + " "),
              std::string::npos);
    EXPECT_NE(g.head.find("t_start " + bits(r.t_start) + " t_final " + bits(r.t_final) +
                          " zero_fill " + bits(r.zero_fill) + " sig2 " + bits(r.sig2) + "\n"),
              std::string::npos)
        << g.head;
    EXPECT_NE(g.head.find("x " + hex(fnv1a(x.data(), n)) + "\n"), std::string::npos);
    EXPECT_NE(g.head.find("spectrum " + hex(fnv1a(db.data(), n)) + "\n"), std::string::npos);
    EXPECT_EQ(masked(read_text(dir.path() / "~Lumetra.out"), dir.path()), g.report);

    // The whole result, with the run's own report text.
    opt.keep_report = true;
    const specest::Estimate e = specest::check(specest::run_job_file(path, opt));
    EXPECT_NE(g.head.find("method " + std::to_string(e.method) + " " + e.method_name + "\n"),
              std::string::npos)
        << e.method_name;
    ASSERT_EQ(e.freqs.size(), n);
    EXPECT_EQ(std::memcmp(e.freqs.data(), x.data(), n * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(e.db.data(), db.data(), n * sizeof(float)), 0);
    EXPECT_EQ(e.power.size(), n);
    EXPECT_EQ(bits(e.sig2), bits(r.sig2));
    EXPECT_EQ(masked(e.report, dir.path()), g.report);
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleThroughHeader,
                         ::testing::Values("Ex-0-pad.32", "Ex-0-pad.64", "Ex-0-pad.128",
                                           "Ex-0-pad.256", "Ex-0-pad.8k", "Ex-Auto.0", "Ex-Black.0",
                                           "Ex-Burg.0", "Ex-Cov.0", "Ex-Durbi.0", "Ex-LSMYW.0",
                                           "Ex-Lock.0", "Ex-MVSE.0", "Ex-MYWE.0", "Ex-Mayne.0",
                                           "Ex-Perio.0", "Ex-RMLE.0", "Ex-mCov.0"),
                         [](const auto& info) {
                             std::string s = info.param;
                             for (char& c : s)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return s;
                         });

// Marple's record as the examples hold it: "t (re,im)" per line.
std::vector<std::complex<float>> marple(std::vector<float>* times = nullptr) {
    std::ifstream in(kExamples / "marple64.txt");
    std::string line;
    std::vector<std::complex<float>> x;
    while (std::getline(in, line)) {
        float t = 0, re = 0, im = 0;
        if (std::sscanf(line.c_str(), "%f (%f,%f)", &t, &re, &im) != 3) continue;
        x.emplace_back(re, im);
        if (times) times->push_back(t);
    }
    return x;
}

specest::EstimateParams burg15() {
    specest::EstimateParams p; // Ex-Burg.0's settings
    p.method = 2;
    p.complex_data = true;
    p.twosided = true;
    p.npoints = 512;
    p.npoles = 15;
    return p;
}

TEST(Header, SamplesInMemoryGiveTheJobRunsBits) {
    TempDir dir;
    for (const auto& e : fs::directory_iterator(kExamples))
        fs::copy_file(e.path(), dir.path() / e.path().filename());
    specest::RunOptions opt;
    opt.report_dir = dir.path().string();
    const specest::Estimate file = specest::run_job_file((dir.path() / "Ex-Burg.0").string(), opt);
    ASSERT_TRUE(file.ok()) << file.message;
    std::vector<float> times;
    const auto x = marple(&times);
    ASSERT_EQ(x.size(), 64u);
    specest::Samples s;
    s.complex = x;
    s.times = times;
    specest::EstimateOptions o;
    o.want_report = true;
    const specest::Estimate mem = specest::estimate(burg15(), s, o);
    ASSERT_TRUE(mem.ok()) << mem.message;
    EXPECT_TRUE(same_bits(mem.freqs, file.freqs));
    EXPECT_TRUE(same_bits(mem.db, file.db));
    EXPECT_TRUE(same_bits(mem.power, file.power));
    EXPECT_TRUE(same_bits(mem.a, file.a));
    EXPECT_TRUE(same_bits(mem.reflection, file.reflection));
    EXPECT_EQ(mem.a.size(), 15u);
    EXPECT_TRUE(mem.b.empty());
    EXPECT_EQ(bits(mem.sig2), bits(file.sig2));
    ASSERT_EQ(mem.peaks.size(), file.peaks.size());
    ASSERT_FALSE(mem.peaks.empty());
    for (std::size_t i = 0; i < mem.peaks.size(); ++i) {
        EXPECT_EQ(bits(mem.peaks[i].freq), bits(file.peaks[i].freq));
        EXPECT_EQ(bits(mem.peaks[i].db), bits(file.peaks[i].db));
    }
    EXPECT_EQ(mem.npts, 64);
    EXPECT_EQ(mem.method_name, "BURG");
    EXPECT_NE(mem.report.find("(samples in memory)"), std::string::npos);
}

// The modern periodogram with a boxcar window and no detrending is |DFT|^2 / (fs N), doubled
// off the ends of a one-sided grid: computed here directly.
struct DftCase {
    const char* name;
    bool complex_data;
    bool onesided;
};

class ModernAgainstDft : public ::testing::TestWithParam<DftCase> {};

TEST_P(ModernAgainstDft, PeriodogramIsTheScaledSquaredDft) {
    const DftCase& c = GetParam();
    constexpr int n = 48;
    constexpr double fs = 8.0;
    std::mt19937_64 rng(7);
    std::normal_distribution<double> g;
    std::vector<double> re(n), im(n);
    for (int i = 0; i < n; ++i) {
        re[static_cast<std::size_t>(i)] = g(rng);
        im[static_cast<std::size_t>(i)] = c.complex_data ? g(rng) : 0.0;
    }
    std::vector<std::complex<double>> z(n);
    for (int i = 0; i < n; ++i)
        z[static_cast<std::size_t>(i)] = {re[static_cast<std::size_t>(i)],
                                          im[static_cast<std::size_t>(i)]};
    specest::ModernParams p;
    p.method = 11; // periodogram
    p.complex_data = c.complex_data;
    p.onesided = c.onesided;
    p.fs = fs;
    p.detrend = "none";
    specest::Samples64 s;
    if (c.complex_data)
        s.complex = z;
    else
        s.real = re;
    const specest::ModernEstimate e = specest::check(specest::estimate(p, s));
    const bool one = c.onesided && !c.complex_data;
    const std::size_t bins = one ? n / 2 + 1 : n;
    ASSERT_EQ(e.freqs.size(), bins);
    ASSERT_EQ(e.psd.size(), bins);
    ASSERT_EQ(e.db.size(), bins);
    EXPECT_EQ(e.onesided, one);
    EXPECT_EQ(e.nfft, n);
    EXPECT_EQ(e.method_name, "periodogram");
    for (std::size_t k = 0; k < bins; ++k) {
        std::complex<double> sum = 0;
        for (int t = 0; t < n; ++t)
            sum += z[static_cast<std::size_t>(t)] *
                   std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k) * t / n);
        double want = std::norm(sum) / (fs * n);
        if (one && k != 0 && k != n / 2) want *= 2;
        const double f =
            (k < (n + 1) / 2 || one ? static_cast<double>(k) : static_cast<double>(k) - n) * fs / n;
        EXPECT_NEAR(e.psd[k], want, 1e-12 * (1 + want)) << "bin " << k;
        EXPECT_DOUBLE_EQ(e.freqs[k], f) << "bin " << k;
        EXPECT_NEAR(e.db[k], 10 * std::log10(e.psd[k]), 1e-12) << "bin " << k;
    }
    for (const specest::ModernPeak& pk : e.peaks) EXPECT_GE(pk.prominence_db, 3.0);
}

INSTANTIATE_TEST_SUITE_P(Rows, ModernAgainstDft,
                         ::testing::Values(DftCase{"real_onesided", false, true},
                                           DftCase{"real_twosided", false, false},
                                           DftCase{"complex", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Header, ModernFileRunInDoublesNarrowsToTheFloatFileRun) {
    TempDir dir;
    for (const auto& e : fs::directory_iterator(kExamples))
        fs::copy_file(e.path(), dir.path() / e.path().filename());
    const std::string job = (dir.path() / "Ex-Burg.0").string();
    specest::EstimateOptions o;
    o.want_report = true;
    const specest::ModernEstimate m = specest::check(specest::run_job_file_modern(job, o));
    EXPECT_EQ(m.method, 2);
    EXPECT_EQ(m.method_name, "burg");
    EXPECT_EQ(m.a.size(), 15u);
    EXPECT_NE(m.report.find("Modern profile"), std::string::npos);
    ASSERT_FALSE(m.peaks.empty());

    // The float entry of the same run, called directly.
    specest_capacity_info cap{};
    cap.size = sizeof cap;
    ASSERT_EQ(specest_file_capacity(job.c_str(), &cap, nullptr, 0), SPECEST_SUCCESS);
    std::vector<float> f(static_cast<std::size_t>(cap.grid)), db(f), power(f), pf(99), pd(99);
    specest_output out;
    specest_output_init(&out);
    out.freqs = f.data();
    out.db = db.data();
    out.power = power.data();
    out.grid_cap = cap.grid;
    out.peak_freqs = pf.data();
    out.peak_db = pd.data();
    out.peak_cap = 99;
    ASSERT_EQ(specest_run_file(job.c_str(), nullptr, SPECEST_PROFILE_MODERN, &out),
              SPECEST_SUCCESS);
    ASSERT_EQ(static_cast<std::size_t>(out.n_freq), m.freqs.size());
    for (std::size_t i = 0; i < m.freqs.size(); ++i) {
        ASSERT_EQ(static_cast<float>(m.freqs[i]), f[i]) << i;
        ASSERT_EQ(static_cast<float>(m.db[i]), db[i]) << i;
        ASSERT_EQ(static_cast<float>(m.psd[i]), power[i]) << i;
    }
    ASSERT_EQ(static_cast<std::size_t>(out.n_peaks), m.peaks.size());
    for (std::size_t i = 0; i < m.peaks.size(); ++i)
        EXPECT_EQ(static_cast<float>(m.peaks[i].freq), pf[i]);
    EXPECT_EQ(static_cast<float>(m.sig2), out.sig2);

    // The new entry refuses what the others refuse, before it runs.
    std::vector<double> small(1);
    char message[256] = "";
    specest_output64 o64;
    specest_output_init64(&o64);
    o64.psd = small.data();
    o64.grid_cap = 1;
    o64.message = message;
    o64.message_cap = sizeof message;
    EXPECT_EQ(specest_run_file_modern(job.c_str(), &o64), SPECEST_INVALID_ARGUMENT);
    EXPECT_EQ(std::string(message),
              "grid_cap 1 is below the " + std::to_string(cap.grid) + " points this job needs");
    EXPECT_EQ(specest_run_file_modern(nullptr, &o64), SPECEST_INVALID_ARGUMENT);
    o64.size = 8;
    EXPECT_EQ(specest_run_file_modern(job.c_str(), &o64), SPECEST_INVALID_ARGUMENT);
}

std::vector<double> noisy_sines(std::size_t n, std::mt19937_64& rng) {
    std::normal_distribution<double> g;
    std::uniform_real_distribution<double> u(0.05, 0.45);
    const double f1 = u(rng), f2 = u(rng);
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = std::sin(2 * std::numbers::pi * f1 * static_cast<double>(i)) +
               0.5 * std::cos(2 * std::numbers::pi * f2 * static_cast<double>(i)) + 0.3 * g(rng);
    return x;
}

TEST(Header, ModernBatchRowsAreTheSingleCallsAndAFailedRecordIsNamed) {
    constexpr int records = 5;
    constexpr std::size_t n = 300;
    std::mt19937_64 rng(11);
    std::vector<double> all;
    for (int r = 0; r < records; ++r) {
        const auto x = noisy_sines(n, rng);
        all.insert(all.end(), x.begin(), x.end());
    }
    all[2 * n + 17] = std::numeric_limits<double>::quiet_NaN(); // record 2 cannot be estimated
    specest::ModernParams p;
    p.method = 2; // Burg
    p.order = 12;
    p.nfft = 400;
    p.fs = 100.0;
    specest::Samples64 s;
    s.real = all;
    const specest::ModernBatch b = specest::estimate_batch(p, s, records);
    ASSERT_EQ(b.records, records);
    ASSERT_EQ(b.fits.size(), static_cast<std::size_t>(records));
    EXPECT_EQ(b.failed, 1);
    EXPECT_FALSE(b.ok());
    ASSERT_EQ(b.n_freq, 201);
    ASSERT_EQ(b.psd.size(), static_cast<std::size_t>(records * b.n_freq));
    for (int r = 0; r < records; ++r) {
        specest::Samples64 one;
        one.real = std::span<const double>(all).subspan(n * static_cast<std::size_t>(r), n);
        const specest::ModernEstimate e = specest::estimate(p, one);
        const specest::ModernEstimate& f = b.fits[static_cast<std::size_t>(r)];
        EXPECT_EQ(f.status, e.status) << r;
        EXPECT_EQ(f.message, e.message) << r;
        const auto row = [&](const std::vector<double>& v) {
            return std::vector<double>(v.begin() + r * b.n_freq, v.begin() + (r + 1) * b.n_freq);
        };
        if (!e.ok()) {
            EXPECT_EQ(row(b.psd), std::vector<double>(static_cast<std::size_t>(b.n_freq), 0.0));
            continue;
        }
        EXPECT_TRUE(same_bits(b.freqs, e.freqs)) << r;
        EXPECT_TRUE(same_bits(row(b.psd), e.psd)) << r;
        EXPECT_TRUE(same_bits(row(b.db), e.db)) << r;
        EXPECT_TRUE(same_bits(f.a, e.a)) << r;
        EXPECT_TRUE(same_bits(f.reflection, e.reflection)) << r;
        EXPECT_EQ(f.sig2, e.sig2) << r;
        EXPECT_EQ(f.nfft, e.nfft);
        EXPECT_EQ(f.npts, e.npts);
        ASSERT_EQ(f.peaks.size(), e.peaks.size()) << r;
        for (std::size_t k = 0; k < f.peaks.size(); ++k) {
            EXPECT_EQ(f.peaks[k].freq, e.peaks[k].freq);
            EXPECT_EQ(f.peaks[k].density, e.peaks[k].density);
            EXPECT_EQ(f.peaks[k].prominence_db, e.peaks[k].prominence_db);
        }
    }
    EXPECT_EQ(b.fits[2].status, specest::EstimateStatus::invalid_input);
    try {
        (void)specest::check(b);
        ADD_FAILURE() << "check let a failed batch through";
    } catch (const specest::Error& err) {
        EXPECT_EQ(err.status(), SPECEST_INVALID_INPUT);
        EXPECT_EQ(std::string(err.what()), "record 2: " + b.fits[2].message);
    }
}

TEST(Header, ClassicBatchRowsAreTheSingleCalls) {
    constexpr int records = 4;
    constexpr std::size_t n = 128;
    std::mt19937_64 rng(5);
    std::vector<std::complex<float>> all;
    for (int r = 0; r < records; ++r) {
        const auto re = noisy_sines(n, rng), im = noisy_sines(n, rng);
        for (std::size_t i = 0; i < n; ++i)
            all.emplace_back(static_cast<float>(re[i]), static_cast<float>(im[i]));
    }
    specest::EstimateParams p = burg15();
    p.npoints = 256;
    p.npoles = 9;
    specest::Samples s;
    s.complex = all;
    s.dt = 0.25;
    const specest::ClassicBatch b = specest::check(specest::estimate_batch(p, s, records));
    ASSERT_EQ(b.records, records);
    ASSERT_EQ(b.n_freq, 255); // two-sided: nPoints - 1
    for (int r = 0; r < records; ++r) {
        specest::Samples one = s;
        one.complex =
            std::span<const std::complex<float>>(all).subspan(n * static_cast<std::size_t>(r), n);
        const specest::Estimate e = specest::check(specest::estimate(p, one));
        const specest::Estimate& f = b.fits[static_cast<std::size_t>(r)];
        const auto row = [&](const std::vector<float>& v) {
            return std::vector<float>(v.begin() + r * b.n_freq, v.begin() + (r + 1) * b.n_freq);
        };
        EXPECT_TRUE(same_bits(b.freqs, e.freqs));
        EXPECT_TRUE(same_bits(row(b.db), e.db)) << r;
        EXPECT_TRUE(same_bits(row(b.power), e.power)) << r;
        EXPECT_TRUE(same_bits(f.a, e.a)) << r;
        EXPECT_TRUE(same_bits(f.reflection, e.reflection)) << r;
        EXPECT_EQ(bits(f.sig2), bits(e.sig2)) << r;
        EXPECT_EQ(bits(f.zero_fill), bits(e.zero_fill)) << r;
        EXPECT_EQ(bits(f.t_final), bits(e.t_final)) << r;
        EXPECT_EQ(f.method_name, "BURG");
        ASSERT_EQ(f.peaks.size(), e.peaks.size()) << r;
        for (std::size_t k = 0; k < f.peaks.size(); ++k) {
            EXPECT_EQ(bits(f.peaks[k].freq), bits(e.peaks[k].freq));
            EXPECT_EQ(bits(f.peaks[k].db), bits(e.peaks[k].db));
        }
    }
    // Samples that do not split into the records refuse every record.
    s.complex = std::span<const std::complex<float>>(all).first(all.size() - 1);
    const specest::ClassicBatch bad = specest::estimate_batch(p, s, records);
    EXPECT_EQ(bad.failed, records);
    EXPECT_EQ(bad.fits[0].message, "511 samples do not split into 4 records of one length");
}

// Refusals: the status and the library's text, in the result and as an exception.
struct BadInput {
    const char* name;
    void (*change)(specest::EstimateParams&, specest::Samples&);
    const char* mentions;
};

std::vector<float> g_record, g_nan_record, g_short_times;

const BadInput kBadInputs[] = {
    {"unknown_method", [](specest::EstimateParams& p, specest::Samples&) { p.method = 15; },
     "method 15"},
    {"npoints_zero", [](specest::EstimateParams& p, specest::Samples&) { p.npoints = 0; },
     "nPoints"},
    {"order_not_below_samples",
     [](specest::EstimateParams& p, specest::Samples&) { p.npoles = 128; }, "nPoles"},
    {"not_finite_sample",
     [](specest::EstimateParams&, specest::Samples& s) { s.real = g_nan_record; },
     "sample 7 is not a finite number"},
    {"times_of_other_length",
     [](specest::EstimateParams&, specest::Samples& s) { s.times = g_short_times; },
     "times holds 5 values"},
    {"complex_expected",
     [](specest::EstimateParams& p, specest::Samples&) { p.complex_data = true; },
     "complex data expected, real samples given"},
    {"unknown_window",
     [](specest::EstimateParams& p, specest::Samples&) {
         p.method = 11;
         p.window = "Bartlett";
     },
     "window \"Bartlett\" is not one of"},
};

class InvalidInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(InvalidInput, CarriesTheStatusAndTheLibrarysText) {
    std::mt19937_64 rng(3);
    const auto x = noisy_sines(128, rng);
    g_record.assign(x.begin(), x.end());
    g_nan_record = g_record;
    g_nan_record[6] = std::numeric_limits<float>::quiet_NaN();
    g_short_times.assign(5, 0.0f);
    specest::EstimateParams p;
    p.method = 2;
    p.npoles = 4;
    specest::Samples s;
    s.real = g_record;
    GetParam().change(p, s);
    const specest::Estimate e = specest::estimate(p, s);
    EXPECT_EQ(e.status, specest::EstimateStatus::invalid_input);
    EXPECT_NE(e.message.find(GetParam().mentions), std::string::npos) << e.message;
    EXPECT_TRUE(e.db.empty());
    try {
        (void)specest::check(e);
        ADD_FAILURE() << "check let a failure through";
    } catch (const specest::Error& err) {
        EXPECT_EQ(err.status(), SPECEST_INVALID_INPUT);
        EXPECT_EQ(err.what(), e.message);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, InvalidInput, ::testing::ValuesIn(kBadInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Header, ModernRefusalsAreTheLibrarysNotDefaults) {
    std::mt19937_64 rng(9);
    const auto x = noisy_sines(64, rng);
    specest::ModernParams p;
    p.method = 11;
    p.fs = 0.0; // refused, not taken as the default of 1
    specest::Samples64 s;
    s.real = x;
    const specest::ModernEstimate e = specest::estimate(p, s);
    EXPECT_EQ(e.status, specest::EstimateStatus::invalid_input);
    EXPECT_NE(e.message.find("fs"), std::string::npos) << e.message;
    p.fs = 2.0;
    const specest::ModernEstimate ok = specest::check(specest::estimate(p, s));
    EXPECT_EQ(ok.psd.size(), 33u);
    EXPECT_DOUBLE_EQ(ok.freqs.back(), 1.0);
    // The capacity bounds the grid; a grid the settings cannot have is 0 with the reason.
    std::string why;
    EXPECT_GE(specest::estimate_capacity(p, 64, &why), 33);
    p.nfft = -5;
    EXPECT_EQ(specest::estimate_capacity(p, 64, &why), 0);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(specest::estimate(p, s).message, why);
}

TEST(Header, RunJobIntoEmptyArraysStopsWithTheCapacityText) {
    TempDir dir;
    for (const auto& e : fs::directory_iterator(kExamples))
        fs::copy_file(e.path(), dir.path() / e.path().filename());
    specest::RunOptions opt;
    opt.report_dir = dir.path().string();
    const std::string job = (dir.path() / "Ex-Burg.0").string();
    const specest::RunResult r = specest::run_job(job, {}, {}, opt);
    EXPECT_EQ(r.status, specest::RunStatus::stopped);
    EXPECT_EQ(r.stop_text, "Result arrays hold 0 points; this job needs " +
                               std::to_string(specest::required_capacity(job)));
    EXPECT_EQ(r.zero_fill, -99.0f);
    try {
        (void)specest::check(r);
        ADD_FAILURE() << "check let a stopped run through";
    } catch (const specest::Error& err) {
        EXPECT_EQ(err.status(), SPECEST_STOPPED);
        EXPECT_EQ(err.what(), r.stop_text);
    }
    std::string why;
    EXPECT_EQ(specest::file_capacity((dir.path() / "missing.0").string(), &why), 0);
    EXPECT_NE(why.find("missing.0"), std::string::npos) << why;
    const specest::Estimate missing =
        specest::run_job_file((dir.path() / "missing.0").string(), opt);
    EXPECT_EQ(missing.status, specest::EstimateStatus::invalid_input);
    EXPECT_NE(missing.message.find("missing.0"), std::string::npos) << missing.message;
}

} // namespace
