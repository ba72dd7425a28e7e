#include "lag_sums.h"

#include "simd/kernels.h"
#include "simd/parallel.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace specest {
namespace {

constexpr int kChunk = 1024; // steps per table of lag products
constexpr int kGroup = 8;    // vectors that run side by side
constexpr int kRing = 16;    // tables kept: a group spans at most kGroup diagonals

// One vector of accumulators: lanes first.. of diagonal d, or of row 0 (d = -1).
struct Vector {
    int d;
    int first;
};

// The lag products p_d(s) a chunk of steps reads: desc[u] = p_d(desc_hi - u) and
// asc[w] = p_d(asc_lo + w), zero where s - d or s lies outside the record.
struct Table {
    int d = -1, phase = -1, t0 = -1;
    double *dr = nullptr, *di = nullptr, *ar = nullptr, *ai = nullptr;
};

} // namespace

LagSums::LagSums(const float* re, const float* im, int n, int ip, bool row0)
    : n_(n), ip_(ip), row0_(row0) {
    const int lanes = simd::double_lanes();
    const auto padded = static_cast<std::size_t>(n + 2 * lanes);
    for (auto* v : {&re_, &im_, &rre_, &rim_}) {
        v->resize(padded);
        std::fill(v->begin() + n, v->end(), 0.0);
    }
    for (int t = 0; t < n; ++t) {
        re_[t] = re[t];
        im_[t] = im[t];
        rre_[n - 1 - t] = re[t];
        rim_[n - 1 - t] = im[t];
    }
    const auto total = static_cast<std::size_t>(diagonal_start(ip));
    out_re_.assign(total, 0.0f);
    out_im_.assign(total, 0.0f);
}

void LagSums::run(const std::vector<LagTerms>& phases, int steps) {
    const int lanes = simd::double_lanes();
    const int n = n_, ip = ip_;
    // Row 0's vectors form groups of their own, the diagonals' follow in order of d.
    std::vector<Vector> vectors;
    std::vector<int> group_start{0};
    if (row0_) {
        for (int k = 0; k <= ip; k += lanes) vectors.push_back({-1, k});
        group_start.push_back(static_cast<int>(vectors.size()));
    }
    for (int d = 0; d < ip; ++d)
        for (int l = 0; l < ip - d; l += lanes) vectors.push_back({d, l});
    for (int v = group_start.back() + kGroup; v < static_cast<int>(vectors.size()); v += kGroup)
        group_start.push_back(v);
    if (group_start.back() != static_cast<int>(vectors.size()))
        group_start.push_back(static_cast<int>(vectors.size()));
    const int groups = static_cast<int>(group_start.size()) - 1;
    int widest = 0;
    for (int g = 0; g < groups; ++g)
        widest = std::max(widest, group_start[static_cast<std::size_t>(g) + 1] -
                                      group_start[static_cast<std::size_t>(g)]);
    std::vector<float> acc(vectors.size() * 2 * static_cast<std::size_t>(lanes), 0.0f);
    auto acc_r = [&](int v) { return acc.data() + static_cast<std::size_t>(2 * v) * lanes; };

    auto lag_products = [&](int d, int s_lo, int count, bool descending, double* pr, double* pi) {
        // s runs down from s_lo (descending) or up from it; valid where d + 1 <= s <= n
        int first = 0, last = count - 1; // positions with a valid s
        if (descending) {
            first = std::max(0, s_lo - n);
            last = std::min(count - 1, s_lo - d - 1);
        } else {
            first = std::max(0, d + 1 - s_lo);
            last = std::min(count - 1, n - s_lo);
        }
        if (last < first) first = last = count; // all zero
        std::fill(pr, pr + first, 0.0);
        std::fill(pi, pi + first, 0.0);
        std::fill(pr + last + 1, pr + count, 0.0);
        std::fill(pi + last + 1, pi + count, 0.0);
        if (first >= count) return;
        // x(s) at re[s-1] ascending or at rre[n-s] descending
        const std::ptrdiff_t a = descending ? n - (s_lo - first) : s_lo + first - 1;
        const std::ptrdiff_t b = descending ? a + d : a - d;
        const double* xr = descending ? rre_.data() : re_.data();
        const double* xi = descending ? rim_.data() : im_.data();
        simd::lag_products(xr + a, xi + a, xr + b, xi + b, last - first + 1, pr + first,
                           pi + first);
    };

    const auto table_len = static_cast<std::size_t>(kChunk + ip + 2 * lanes);
    const auto part_tables = 4 * kRing * table_len;
    // The tables of every part come from this thread's kept blocks: the parts' threads are new
    // at each call and would fault in fresh pages.
    UnsetWorkVector<double> storage; // written before it is read

    auto part = [&](int p, int g_lo, int g_hi) {
        std::array<Table, kRing> ring;
        for (std::size_t r = 0; r < ring.size(); ++r) {
            double* at =
                storage.data() + static_cast<std::size_t>(p) * part_tables + 4 * r * table_len;
            ring[r].dr = at;
            ring[r].di = at + table_len;
            ring[r].ar = at + 2 * table_len;
            ring[r].ai = at + 3 * table_len;
        }
        std::vector<simd::DiagonalSlot> slots(static_cast<std::size_t>(widest));
        for (int ph = 0; ph < static_cast<int>(phases.size()); ++ph) {
            const int terms = static_cast<int>(phases[static_cast<std::size_t>(ph)]);
            for (int t0 = 0; t0 < steps; t0 += kChunk) {
                const int len = std::min(kChunk, steps - t0);
                for (int g = g_lo; g < g_hi; ++g) {
                    const int v0 = group_start[static_cast<std::size_t>(g)];
                    const int count = group_start[static_cast<std::size_t>(g) + 1] - v0;
                    for (int c = 0; c < count; ++c) {
                        const Vector& vec = vectors[static_cast<std::size_t>(v0 + c)];
                        simd::DiagonalSlot& s = slots[static_cast<std::size_t>(c)];
                        s.acc_r = acc_r(v0 + c);
                        s.acc_i = s.acc_r + lanes;
                        if (vec.d < 0) {
                            // lane k: x(ip+1+t-k) = rre[n-ip-1-t+k] or x(1+t+k) = re[t+k]
                            s.desc_r = rre_.data() + (n - ip - 1 + vec.first - t0);
                            s.desc_i = rim_.data() + (n - ip - 1 + vec.first - t0);
                            s.asc_r = re_.data() + (vec.first + t0);
                            s.asc_i = im_.data() + (vec.first + t0);
                            continue;
                        }
                        Table& tab = ring[static_cast<std::size_t>(vec.d % kRing)];
                        const int span = ((ip - vec.d + lanes - 1) / lanes) * lanes;
                        const int count_s = len + span - 1;
                        if (tab.d != vec.d || tab.phase != ph || tab.t0 != t0) {
                            if (terms & 1)
                                lag_products(vec.d, ip + t0 + len - 1, count_s, true, tab.dr,
                                             tab.di);
                            if (terms & 2)
                                lag_products(vec.d, 2 + vec.d + t0, count_s, false, tab.ar, tab.ai);
                            tab.d = vec.d;
                            tab.phase = ph;
                            tab.t0 = t0;
                        }
                        s.desc_r = tab.dr + (len - 1 + vec.first);
                        s.desc_i = tab.di + (len - 1 + vec.first);
                        s.asc_r = tab.ar + vec.first;
                        s.asc_i = tab.ai + vec.first;
                    }
                    if (vectors[static_cast<std::size_t>(v0)].d < 0) {
                        const bool backward = terms == 2;
                        const std::size_t b = backward ? static_cast<std::size_t>(t0)
                                                       : static_cast<std::size_t>(ip + t0);
                        simd::row_sums(slots.data(), count, re_.data() + b, im_.data() + b, len,
                                       backward);
                    } else {
                        simd::diagonal_sums(slots.data(), count, len, terms);
                    }
                }
            }
        }
    };

    // Groups are independent: parts of about equal work run side by side (row 0 costs about
    // twice a diagonal vector: it forms its products as it goes).
    auto weight = [&](int g) {
        const int v0 = group_start[static_cast<std::size_t>(g)];
        const double w = group_start[static_cast<std::size_t>(g) + 1] - v0;
        return vectors[static_cast<std::size_t>(v0)].d < 0 ? 2 * w : w;
    };
    const double work =
        static_cast<double>(vectors.size()) * lanes * steps * static_cast<double>(phases.size());
    const int parts = std::min(groups, simd::parts_for(work));
    const auto cuts = simd::split_rows(0, groups - 1, std::max(parts, 1), weight);
    storage.resize(static_cast<std::size_t>(std::max(parts, 1)) * part_tables);
    simd::run_parts(std::max(parts, 1), [&](int p) {
        const auto at = static_cast<std::size_t>(p);
        if (cuts[at + 1] > cuts[at]) part(p, cuts[at], cuts[at + 1]);
    });

    for (std::size_t v = 0; v < vectors.size(); ++v) {
        const Vector& vec = vectors[v];
        const int start = vec.d < 0 ? 0 : diagonal_start(vec.d);
        const int end = vec.d < 0 ? ip + 1 : diagonal_start(vec.d + 1);
        const float* r = acc_r(static_cast<int>(v));
        for (int l = 0; l < lanes && start + vec.first + l < end; ++l) {
            out_re_[static_cast<std::size_t>(start + vec.first + l)] = r[l];
            out_im_[static_cast<std::size_t>(start + vec.first + l)] = r[lanes + l];
        }
    }
}

} // namespace specest
