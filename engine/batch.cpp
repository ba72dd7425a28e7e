#include "batch.h"

#include "engine_api.h"
#include "modern_estimate.h"
#include "simd/parallel.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace specest::batch {
namespace {

// Threads kept from one batch to the next, so what each keeps per thread (transform tables,
// work arrays, the pages under them) is made once, not at every call. One batch at a time uses
// them; a batch that finds them busy, or a process forked from the one that started them,
// starts threads of its own.
class Crew {
  public:
    static Crew& get() {
        static Crew crew;
        return crew;
    }

    // part(0) here, part(1..parts-1) on the crew; false when the crew cannot take the call.
    bool run(int parts, const std::function<void(int)>& part) {
        std::unique_lock<std::mutex> mine(busy_, std::try_to_lock);
        if (!mine || owner_ != getpid()) return false;
        const int helpers = hire(parts - 1);
        std::vector<std::exception_ptr> errors(static_cast<std::size_t>(helpers) + 1);
        {
            std::lock_guard<std::mutex> lock(m_);
            job_ = &part;
            job_errors_ = &errors;
            job_helpers_ = helpers;
            pending_ = helpers;
            ++generation_;
        }
        wake_.notify_all();
        try {
            part(0);
        } catch (...) {
            errors[0] = std::current_exception();
        }
        // Parts no helper could take run here.
        for (int p = helpers + 1; p < parts; ++p) {
            try {
                part(p);
            } catch (...) {
                if (!errors[0]) errors[0] = std::current_exception();
            }
        }
        {
            std::unique_lock<std::mutex> lock(m_);
            done_.wait(lock, [&] { return pending_ == 0; });
            job_ = nullptr;
        }
        for (const auto& e : errors)
            if (e) std::rethrow_exception(e);
        return true;
    }

    ~Crew() {
        if (owner_ != getpid()) {
            // A forked child: the threads (and whatever locks they held) are the parent's.
            for (std::thread& t : threads_) t.detach();
            return;
        }
        {
            std::lock_guard<std::mutex> lock(m_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

  private:
    Crew() : owner_(getpid()) {}

    // Up to `wanted` helpers, started on first need.
    int hire(int wanted) {
        while (static_cast<int>(threads_.size()) < wanted) {
            try {
                const int index = static_cast<int>(threads_.size());
                threads_.emplace_back([this, index] { serve(index + 1); });
            } catch (const std::system_error&) {
                break; // no more threads to be had
            }
        }
        return std::min(wanted, static_cast<int>(threads_.size()));
    }

    void serve(int part) {
        unsigned long seen = 0;
        for (;;) {
            const std::function<void(int)>* job = nullptr;
            std::vector<std::exception_ptr>* errors = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_);
                wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
                if (stopping_) return;
                seen = generation_;
                if (part > job_helpers_) continue;
                job = job_;
                errors = job_errors_;
            }
            try {
                (*job)(part);
            } catch (...) {
                (*errors)[static_cast<std::size_t>(part)] = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> lock(m_);
                --pending_;
            }
            done_.notify_one();
        }
    }

    const pid_t owner_;
    std::mutex busy_; // held by the batch using the crew
    std::mutex m_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;
    const std::function<void(int)>* job_ = nullptr;
    std::vector<std::exception_ptr>* job_errors_ = nullptr;
    int job_helpers_ = 0;
    int pending_ = 0;
    unsigned long generation_ = 0;
    bool stopping_ = false;
};

} // namespace

double record_work(long long n, int order) {
    return static_cast<double>(n) * (4.0 * std::max(order, 1) + 64.0);
}

int parts_for_records(int records, double work_per_record) {
    if (records <= 1) return 1;
    return std::min(records, simd::parts_for(work_per_record * records));
}

int records_per_chunk(int remaining, int parts) {
    // A share of what is left: long runs of neighbouring rows first, single records at the
    // end, so a thread slowed by other loads leaves little for the others to wait on.
    return parts <= 1 ? std::max(remaining, 1) : std::max(1, remaining / (4 * parts));
}

void for_each_record(int records, int parts, const std::function<void(int, int)>& record) {
    // The counter on a cache line of its own, apart from the records' rows.
    alignas(64) std::atomic<int> next{0};
    const std::function<void(int)> work = [&](int part) {
        const simd::SerialScope serial;
        for (;;) {
            int first = next.load(std::memory_order_relaxed);
            int count = 0;
            do {
                if (first >= records) return;
                count = records_per_chunk(records - first, parts);
            } while (!next.compare_exchange_weak(first, first + count));
            for (int r = first; r < first + count; ++r) record(part, r);
        }
    };
    if (parts <= 1)
        work(0);
    else if (!Crew::get().run(parts, work))
        simd::run_parts(parts, work);
}

} // namespace specest::batch

namespace specest {
namespace {

// The fits' grids, moved into row-major arrays; the first success gives the common grid.
template <class Batch, class Fit, class Grid>
void gather(Batch& b, std::vector<Fit>& fits, Grid Fit::*first, Grid Fit::*second,
            Grid Batch::*rows1, Grid Batch::*rows2) {
    b.records = static_cast<int>(fits.size());
    for (const Fit& f : fits)
        if (f.status == EstimateStatus::success) {
            b.freqs = f.freqs;
            break;
        }
    b.n_freq = static_cast<int>(b.freqs.size());
    const auto nf = b.freqs.size();
    (b.*rows1).assign(nf * fits.size(), 0);
    (b.*rows2).assign(nf * fits.size(), 0);
    for (std::size_t r = 0; r < fits.size(); ++r) {
        Fit& f = fits[r];
        if (f.status != EstimateStatus::success) {
            ++b.failed;
        } else {
            std::copy_n((f.*first).begin(), std::min(nf, (f.*first).size()),
                        (b.*rows1).begin() + static_cast<std::ptrdiff_t>(r * nf));
            std::copy_n((f.*second).begin(), std::min(nf, (f.*second).size()),
                        (b.*rows2).begin() + static_cast<std::ptrdiff_t>(r * nf));
        }
        f.freqs = {};
        (f.*first) = {};
        (f.*second) = {};
    }
    b.fits = std::move(fits);
}

template <class Fit> Fit failed_record(const char* why) {
    Fit f;
    f.status = EstimateStatus::stopped;
    f.message = why;
    return f;
}

// One record's samples out of the whole batch.
template <class S> S record_samples(const S& all, int records, int r) {
    S s = all;
    if (!all.complex.empty()) {
        const std::size_t n = all.complex.size() / static_cast<std::size_t>(records);
        s.complex = all.complex.subspan(n * static_cast<std::size_t>(r), n);
    } else {
        const std::size_t n = all.real.size() / static_cast<std::size_t>(records);
        s.real = all.real.subspan(n * static_cast<std::size_t>(r), n);
    }
    return s;
}

template <class Fit, class Params, class S>
std::vector<Fit> run_records(const Params& params, const S& samples, int records, int order) {
    std::vector<Fit> fits(static_cast<std::size_t>(std::max(records, 0)));
    if (records <= 0) return fits;
    const std::size_t total = std::max(samples.real.size(), samples.complex.size());
    const std::size_t n = total / static_cast<std::size_t>(records);
    if (n * static_cast<std::size_t>(records) != total) {
        Fit bad;
        bad.status = EstimateStatus::invalid_input;
        bad.message = std::to_string(total) + " samples do not split into " +
                      std::to_string(records) + " records of one length";
        fits.assign(fits.size(), bad);
        return fits;
    }
    const int parts =
        batch::parts_for_records(records, batch::record_work(static_cast<long long>(n), order));
    batch::for_each_record(records, parts, [&](int, int r) {
        fits[static_cast<std::size_t>(r)] = estimate(params, record_samples(samples, records, r));
    });
    return fits;
}

} // namespace

ModernBatch estimate_batch(const ModernParams& params, const Samples64& samples, int records) {
    ModernBatch b;
    try {
        b.records = std::max(records, 0);
        const std::size_t total = std::max(samples.real.size(), samples.complex.size());
        const std::size_t n = records > 0 ? total / static_cast<std::size_t>(records) : 0;
        if (records <= 0 || n * static_cast<std::size_t>(records) != total) {
            // run_records says what is wrong with the split.
            auto fits = run_records<ModernEstimate>(params, samples, records, params.order);
            b.fits = std::move(fits);
            b.failed = b.records;
            return b;
        }
        // Every record's grid straight into its rows; nothing kept per record but its fit.
        const long long cap = estimate_capacity(params, static_cast<long long>(n));
        const std::size_t nfft = cap > 0 ? static_cast<std::size_t>(cap - 1) : 0;
        const std::size_t nf = params.onesided && !params.complex_data ? nfft / 2 + 1 : nfft;
        const auto rows = static_cast<std::size_t>(records);
        b.psd.resize(nf * rows);
        b.db.resize(nf * rows);
        b.fits.resize(rows);
        const int parts = batch::parts_for_records(
            records, batch::record_work(static_cast<long long>(n), params.order));
        // Each thread's grid from its first success; the lowest record's is kept.
        struct Grid {
            std::vector<double> freqs;
            int record = -1;
        };
        std::vector<Grid> grids(static_cast<std::size_t>(parts));
        for (Grid& g : grids) g.freqs.resize(nf);
        batch::for_each_record(records, parts, [&](int part, int r) {
            Grid& grid = grids[static_cast<std::size_t>(part)];
            const auto row = static_cast<std::size_t>(r) * nf;
            ModernGridArrays g;
            g.freqs = grid.record < 0 ? grid.freqs.data() : nullptr;
            g.psd = b.psd.data() + row;
            g.db = b.db.data() + row;
            g.cap = nf;
            ModernEstimate& e = b.fits[static_cast<std::size_t>(r)];
            e = estimate_into(params, record_samples(samples, records, r), {}, g);
            if (e.status != EstimateStatus::success) {
                std::fill_n(b.psd.begin() + static_cast<std::ptrdiff_t>(row), nf, 0.0);
                std::fill_n(b.db.begin() + static_cast<std::ptrdiff_t>(row), nf, 0.0);
            } else if (grid.record < 0) {
                grid.record = r;
            }
        });
        const Grid* first = nullptr;
        for (const Grid& g : grids)
            if (g.record >= 0 && (!first || g.record < first->record)) first = &g;
        for (const ModernEstimate& e : b.fits)
            if (e.status != EstimateStatus::success) ++b.failed;
        if (first) {
            b.freqs = first->freqs;
            b.n_freq = static_cast<int>(nf);
        } else {
            b.psd = {};
            b.db = {};
        }
    } catch (const std::bad_alloc&) {
        b = {};
        b.records = std::max(records, 0);
        b.fits.assign(static_cast<std::size_t>(b.records),
                      failed_record<ModernEstimate>("Out of memory"));
        b.failed = b.records;
    }
    return b;
}

ClassicBatch estimate_batch(const EstimateParams& params, const Samples& samples, int records) {
    ClassicBatch b;
    try {
        auto fits = run_records<Estimate>(params, samples, records, params.npoles);
        gather(b, fits, &Estimate::power, &Estimate::db, &ClassicBatch::power, &ClassicBatch::db);
    } catch (const std::bad_alloc&) {
        b = {};
        b.records = std::max(records, 0);
        b.fits.assign(static_cast<std::size_t>(b.records),
                      failed_record<Estimate>("Out of memory"));
        b.failed = b.records;
    }
    return b;
}

} // namespace specest
