// The C++ batch: each record gives the bits of its one-record call, in both profiles, with
// real and complex records, on several threads; a failed record stays its own.
#include "batch.h"
#include "engine_api.h"
#include "simd/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <complex>
#include <cstring>
#include <random>
#include <span>
#include <stdexcept>
#include <vector>

namespace {

template <class T> bool same_bits(std::span<const T> a, std::span<const T> b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

class ThreeThreads : public ::testing::Test {
  protected:
    void SetUp() override {
        before_ = specest::simd::max_threads();
        specest::simd::set_max_threads(3);
    }
    void TearDown() override { specest::simd::set_max_threads(before_); }

  private:
    int before_ = 1;
};

std::vector<double> noise(std::size_t n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> g(0, 1);
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = std::sin(0.4 * static_cast<double>(i)) + g(rng);
    return v;
}

struct ModernRow {
    int method;
    int order;
    bool complex_data;
};

class ModernBatchRows : public ThreeThreads, public ::testing::WithParamInterface<ModernRow> {};

TEST_P(ModernBatchRows, EveryRecordHasTheBitsOfItsOwnCall) {
    const ModernRow row = GetParam();
    // Large enough that the records run on more than one thread.
    constexpr int records = 12;
    constexpr std::size_t n = 4096;
    specest::ModernParams p;
    p.method = row.method;
    p.order = row.order;
    p.complex_data = row.complex_data;
    p.fs = 3.0;
    auto x = noise(records * n * (row.complex_data ? 2 : 1), 11);
    // Record 4 is constant: an AR fit fails there and only there.
    const std::size_t w = n * (row.complex_data ? 2 : 1);
    for (std::size_t i = 0; i < w; ++i) x[4 * w + i] = 0.0;
    specest::Samples64 all;
    if (row.complex_data)
        all.complex = {reinterpret_cast<const std::complex<double>*>(x.data()), records * n};
    else
        all.real = x;
    const specest::ModernBatch b = specest::estimate_batch(p, all, records);
    ASSERT_EQ(b.records, records);
    ASSERT_EQ(b.fits.size(), std::size_t{records});
    int failed = 0;
    for (int r = 0; r < records; ++r) {
        specest::Samples64 one;
        if (row.complex_data)
            one.complex = all.complex.subspan(static_cast<std::size_t>(r) * n, n);
        else
            one.real = all.real.subspan(static_cast<std::size_t>(r) * n, n);
        const specest::ModernEstimate e = specest::estimate(p, one);
        const specest::ModernEstimate& f = b.fits[static_cast<std::size_t>(r)];
        ASSERT_EQ(e.status, f.status) << "record " << r;
        EXPECT_EQ(e.message, f.message);
        if (e.status != specest::EstimateStatus::success) {
            ++failed;
            continue;
        }
        const auto nf = static_cast<std::size_t>(b.n_freq);
        const auto at = static_cast<std::size_t>(r) * nf;
        EXPECT_TRUE(same_bits<double>(e.freqs, b.freqs));
        EXPECT_TRUE(same_bits<double>(e.psd, std::span<const double>(b.psd).subspan(at, nf)));
        EXPECT_TRUE(same_bits<double>(e.db, std::span<const double>(b.db).subspan(at, nf)));
        EXPECT_TRUE(same_bits<std::complex<double>>(e.a, f.a));
        EXPECT_TRUE(same_bits<std::complex<double>>(e.reflection, f.reflection));
        EXPECT_EQ(std::memcmp(&e.sig2, &f.sig2, sizeof e.sig2), 0);
        ASSERT_EQ(e.peaks.size(), f.peaks.size());
        for (std::size_t i = 0; i < e.peaks.size(); ++i)
            EXPECT_EQ(std::memcmp(&e.peaks[i], &f.peaks[i], sizeof e.peaks[i]), 0);
    }
    EXPECT_EQ(failed, b.failed);
    EXPECT_EQ(failed, row.order > 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, ModernBatchRows,
                         ::testing::Values(ModernRow{2, 12, false}, ModernRow{2, 6, true},
                                           ModernRow{4, 8, false}, ModernRow{11, -999, false}));

TEST_F(ThreeThreads, ClassicBatchRecordsAreTheirOwnCalls) {
    constexpr int records = 5;
    constexpr std::size_t n = 200;
    specest::EstimateParams p;
    p.method = 2; // Burg
    p.npoles = 10;
    p.npoints = 512;
    const auto wide = noise(records * n, 5);
    const std::vector<float> x(wide.begin(), wide.end());
    specest::Samples all;
    all.real = x;
    all.dt = 0.25;
    const specest::ClassicBatch b = specest::estimate_batch(p, all, records);
    ASSERT_EQ(b.failed, 0);
    for (int r = 0; r < records; ++r) {
        specest::Samples one = all;
        one.real = all.real.subspan(static_cast<std::size_t>(r) * n, n);
        const specest::Estimate e = specest::estimate(p, one);
        ASSERT_EQ(e.status, specest::EstimateStatus::success);
        const auto nf = static_cast<std::size_t>(b.n_freq);
        const auto at = static_cast<std::size_t>(r) * nf;
        EXPECT_TRUE(same_bits<float>(e.freqs, b.freqs));
        EXPECT_TRUE(same_bits<float>(e.db, std::span<const float>(b.db).subspan(at, nf)));
        EXPECT_TRUE(same_bits<float>(e.power, std::span<const float>(b.power).subspan(at, nf)));
        EXPECT_TRUE(same_bits<std::complex<float>>(e.a, b.fits[static_cast<std::size_t>(r)].a));
        EXPECT_EQ(e.sig2, b.fits[static_cast<std::size_t>(r)].sig2);
    }
}

TEST(Batch, SamplesThatDoNotSplitIntoRecordsAreInvalidInput) {
    specest::ModernParams p;
    p.method = 11; // periodogram
    const std::vector<double> x(101, 1.0);
    specest::Samples64 all;
    all.real = x;
    const specest::ModernBatch b = specest::estimate_batch(p, all, 4);
    ASSERT_EQ(b.fits.size(), 4u);
    EXPECT_EQ(b.failed, 4);
    EXPECT_EQ(b.fits[0].status, specest::EstimateStatus::invalid_input);
    EXPECT_NE(b.fits[0].message.find("101 samples do not split into 4 records"), std::string::npos);
    EXPECT_EQ(specest::estimate_batch(p, all, 0).records, 0);
}

// Every record once, on any number of threads (the kept ones and the caller), for any count of
// records; chunks never pass the end and shrink to single records there.
TEST(Batch, EveryRecordRunsOnceOnAnyThreadCount) {
    for (int parts = 1; parts <= 5; ++parts) {
        EXPECT_EQ(specest::batch::records_per_chunk(1, parts), 1);
        for (int left : {1, 7, 64, 1000})
            EXPECT_LE(specest::batch::records_per_chunk(left, parts), left);
        for (int records : {0, 1, 2, 3, 17, 64}) {
            std::vector<std::atomic<int>> seen(static_cast<std::size_t>(records));
            std::atomic<int> bad_part{0};
            specest::batch::for_each_record(records, parts, [&](int part, int r) {
                if (part < 0 || part >= parts) ++bad_part;
                ++seen[static_cast<std::size_t>(r)];
            });
            EXPECT_EQ(bad_part.load(), 0);
            for (int r = 0; r < records; ++r)
                EXPECT_EQ(seen[static_cast<std::size_t>(r)].load(), 1)
                    << "record " << r << " of " << records << " on " << parts << " threads";
        }
    }
}

// A record that throws: the exception reaches the caller once every thread has stopped, every
// other record has run, and the next batch runs whole.
TEST(Batch, AThrowingRecordReachesTheCallerAfterTheOthers) {
    std::vector<std::atomic<int>> seen(40);
    EXPECT_THROW(specest::batch::for_each_record(40, 3,
                                                 [&](int, int r) {
                                                     ++seen[static_cast<std::size_t>(r)];
                                                     if (r == 13) throw std::runtime_error("13");
                                                 }),
                 std::runtime_error);
    for (const auto& s : seen) EXPECT_EQ(s.load(), 1);
    std::atomic<int> count{0};
    specest::batch::for_each_record(40, 3, [&](int, int) { ++count; });
    EXPECT_EQ(count.load(), 40);
}

// One thread and three (twice, on the threads kept from the first call) give the same bits,
// and a failed record's rows are zero.
TEST(Batch, OneAndThreeThreadsGiveTheSameBits) {
    constexpr int records = 9;
    constexpr std::size_t n = 3000;
    specest::ModernParams p;
    p.method = 2; // Burg
    p.order = 14;
    p.fs = 7.0;
    auto x = noise(records * n, 23);
    std::fill_n(x.begin() + 5 * n, n, 0.0); // record 5 fails
    specest::Samples64 all;
    all.real = x;
    const int before = specest::simd::max_threads();
    specest::simd::set_max_threads(1);
    const specest::ModernBatch one = specest::estimate_batch(p, all, records);
    specest::simd::set_max_threads(3);
    const specest::ModernBatch three = specest::estimate_batch(p, all, records);
    const specest::ModernBatch again = specest::estimate_batch(p, all, records);
    specest::simd::set_max_threads(before);
    ASSERT_EQ(one.failed, 1);
    ASSERT_EQ(one.fits[5].status, specest::EstimateStatus::estimator_failure);
    const auto nf = static_cast<std::size_t>(one.n_freq);
    ASSERT_EQ(nf, std::size_t{4096 / 2 + 1});
    for (std::size_t k = 5 * nf; k < 6 * nf; ++k) ASSERT_EQ(one.psd[k], 0.0);
    for (const specest::ModernBatch* b : {&three, &again}) {
        EXPECT_EQ(b->failed, one.failed);
        EXPECT_EQ(b->n_freq, one.n_freq);
        EXPECT_TRUE(same_bits<double>(b->freqs, one.freqs));
        EXPECT_TRUE(same_bits<double>(b->psd, one.psd));
        EXPECT_TRUE(same_bits<double>(b->db, one.db));
        for (std::size_t r = 0; r < records; ++r) {
            EXPECT_EQ(b->fits[r].status, one.fits[r].status);
            EXPECT_EQ(b->fits[r].message, one.fits[r].message);
            EXPECT_TRUE(same_bits<std::complex<double>>(b->fits[r].a, one.fits[r].a));
            EXPECT_EQ(std::memcmp(&b->fits[r].sig2, &one.fits[r].sig2, sizeof(double)), 0);
        }
    }
}

} // namespace
