#include "fft_any.h"

#include "simd/dispatch.h"
#include "simd/fft64_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace specest::fft64 {
namespace {

using cd = std::complex<double>;

// Products written out: std::complex's operator* checks for NaN and calls __muldc3, which
// costs more than the butterfly itself.
inline cd mul(cd a, cd b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}
inline cd mulconj(cd a, cd b) {
    return {a.real() * b.real() + a.imag() * b.imag(), a.imag() * b.real() - a.real() * b.imag()};
}
template <bool Inv> inline cd twiddled(cd a, cd w) {
    return Inv ? mulconj(a, w) : mul(a, w);
}
// -i a for the forward sign, +i a for the inverse.
template <bool Inv> inline cd rot(cd a) {
    return Inv ? cd(-a.imag(), a.real()) : cd(a.imag(), -a.real());
}

// exp(-2 pi i j / n), from the angle within one quadrant in long double so that every twiddle is
// rounded once and the quarter turns are exact.
cd twiddle(std::size_t j, std::size_t n) {
    j %= n;
    const unsigned __int128 r = static_cast<unsigned __int128>(j) * 4u;
    const auto q = static_cast<unsigned>(r / n);
    const auto rem = static_cast<std::size_t>(r % n);
    const long double a = 1.5707963267948966192313216916397514L * static_cast<long double>(rem) /
                          static_cast<long double>(n);
    const double c = rem == 0 ? 1.0 : static_cast<double>(std::cos(a));
    const double s = rem == 0 ? 0.0 : static_cast<double>(std::sin(a));
    switch (q) {
    case 0:
        return {c, -s};
    case 1:
        return {-s, -c};
    case 2:
        return {-c, s};
    default:
        return {s, c};
    }
}

constexpr std::size_t kMaxDirectPrime = 31;

// One table of twiddles per stage, read by the scalar and the vector passes alike.
struct Stage {
    std::size_t radix = 0, s = 0, m = 0; // s transforms interleaved, each of radix*m points
    // w_{radix*m}^{p k} at tw[p*tw_p + (k-1)*tw_k]: the first pass of radix <= 5 (s = 1) keeps
    // each k's values side by side, for its vectors over p; the others keep each p's together.
    std::vector<cd> tw;
    std::size_t tw_p = 0, tw_k = 0;
    std::vector<cd> roots; // w_radix^j, j = 0..radix-1 (generic radix only)
    cd w(std::size_t p, std::size_t k) const { return tw[p * tw_p + (k - 1) * tw_k]; }
};

struct Plan {
    std::size_t n = 0;
    std::vector<Stage> stages; // mixed radix; empty when Bluestein is used
    // The passes' second buffer, made when a transform first needs it (a real transform with
    // scratch input needs none).
    std::vector<cd> work;
    // exp(-2 pi i k/(2n)), k = 0..n, for a real transform of 2n points; made on first use.
    std::vector<cd> real_tw;
    // Bluestein: chirp c_j = exp(-pi i j^2/n), kernel spectrum (already divided by m).
    std::unique_ptr<Plan> inner;
    std::vector<cd> chirp, kernel;

    cd* work_area() {
        if (work.size() != n) work.resize(n);
        return work.data();
    }
};

std::unique_ptr<Plan> make_plan(std::size_t n);
void transform(Plan& plan, cd* x, bool inverse);

// twiddle(j, n) for the plan's n, read from the first stage's table when it holds j as p k
// (the same value, computed once), else computed.
cd known_twiddle(const Plan& plan, std::size_t j) {
    if (!plan.stages.empty()) {
        const Stage& first = plan.stages.front();
        for (std::size_t k = 1; k < first.radix && k <= 3; ++k)
            if (j % k == 0 && j / k < first.m) return first.w(j / k, k);
    }
    return twiddle(j, plan.n);
}

// Radices in the order they are applied; empty when a prime factor is too large.
std::vector<std::size_t> factor(std::size_t n) {
    std::vector<std::size_t> f;
    while (n % 4 == 0) f.push_back(4), n /= 4;
    if (n % 2 == 0) f.push_back(2), n /= 2;
    for (std::size_t p = 3; p * p <= n && p <= kMaxDirectPrime; p += 2)
        while (n % p == 0) f.push_back(p), n /= p;
    if (n > kMaxDirectPrime) return {};
    if (n > 1) f.push_back(n);
    return f;
}

std::unique_ptr<Plan> make_plan(std::size_t n) {
    auto plan = std::make_unique<Plan>();
    plan->n = n;
    const auto radices = factor(n);
    if (n > 1 && radices.empty()) {
        const std::size_t m = next_fast_length(2 * n - 1);
        plan->inner = make_plan(m);
        plan->chirp.resize(n);
        const auto n2 = static_cast<unsigned __int128>(2 * n);
        for (std::size_t j = 0; j < n; ++j)
            plan->chirp[j] = twiddle(
                static_cast<std::size_t>(static_cast<unsigned __int128>(j) * j % n2), 2 * n);
        plan->kernel.assign(m, cd(0, 0));
        const double scale = 1.0 / static_cast<double>(m);
        for (std::size_t j = 0; j < n; ++j) {
            const cd b = std::conj(plan->chirp[j]) * scale;
            plan->kernel[j] = b;
            if (j > 0) plan->kernel[m - j] = b;
        }
        transform(*plan->inner, plan->kernel.data(), false);
        return plan;
    }
    std::size_t s = 1;
    for (std::size_t r : radices) {
        Stage st;
        st.radix = r;
        st.s = s;
        st.m = n / (s * r);
        const bool by_k = r <= 5 && s == 1;
        st.tw_p = by_k ? 1 : r - 1;
        st.tw_k = by_k ? st.m : 1;
        st.tw.resize(st.m * (r - 1));
        for (std::size_t p = 0; p < st.m; ++p)
            for (std::size_t k = 1; k < r; ++k)
                st.tw[p * st.tw_p + (k - 1) * st.tw_k] = known_twiddle(*plan, p * k * s);
        if (r > 5) {
            st.roots.resize(r);
            for (std::size_t j = 0; j < r; ++j) st.roots[j] = twiddle(j, r);
        }
        plan->stages.push_back(std::move(st));
        s *= r;
    }
    return plan;
}

// One Stockham step: x holds s interleaved sequences of r*m points; y receives them split into
// s*r interleaved sequences of m points, each already twiddled (decimation in frequency).
// R is the radix when known at compile time, 0 otherwise.
template <bool Inv, std::size_t R, class Butterfly>
void pass(const Stage& st, std::size_t p0, std::size_t q0, const cd* x, cd* y, Butterfly bf) {
    constexpr std::size_t kMax = 32;
    const std::size_t r = R != 0 ? R : st.radix, s = st.s, m = st.m;
    cd a[kMax], b[kMax];
    for (std::size_t p = p0; p < m; ++p) {
        for (std::size_t q = q0; q < s; ++q) {
            for (std::size_t j = 0; j < r; ++j) a[j] = x[q + s * (p + j * m)];
            bf(a, b);
            cd* out = y + q + s * r * p;
            out[0] = b[0];
            for (std::size_t k = 1; k < r; ++k) out[s * k] = twiddled<Inv>(b[k], st.w(p, k));
        }
    }
}

template <bool Inv>
void pass2(const Stage& st, std::size_t p0, std::size_t q0, const cd* x, cd* y) {
    const std::size_t s = st.s, m = st.m;
    for (std::size_t p = p0; p < m; ++p) {
        const cd w = st.w(p, 1);
        for (std::size_t q = q0; q < s; ++q) {
            const cd a0 = x[q + s * p], a1 = x[q + s * (p + m)];
            cd* out = y + q + 2 * s * p;
            out[0] = a0 + a1;
            out[s] = twiddled<Inv>(a0 - a1, w);
        }
    }
}

template <bool Inv>
void pass4(const Stage& st, std::size_t p0, std::size_t q0, const cd* x, cd* y) {
    const std::size_t s = st.s, m = st.m;
    for (std::size_t p = p0; p < m; ++p) {
        const cd w1 = st.w(p, 1), w2 = st.w(p, 2), w3 = st.w(p, 3);
        const cd* in = x + s * p;
        cd* out = y + 4 * s * p;
        for (std::size_t q = q0; q < s; ++q) {
            const cd a0 = in[q], a1 = in[q + s * m], a2 = in[q + 2 * s * m], a3 = in[q + 3 * s * m];
            const cd t0 = a0 + a2, t1 = a0 - a2, t2 = a1 + a3, t3 = rot<Inv>(a1 - a3);
            out[q] = t0 + t2;
            out[q + s] = twiddled<Inv>(t1 + t3, w1);
            out[q + 2 * s] = twiddled<Inv>(t0 - t2, w2);
            out[q + 3 * s] = twiddled<Inv>(t1 - t3, w3);
        }
    }
}

// The vector pass takes the first transforms in whole vectors, the scalar code the rest; both
// give the same bits.
template <bool Inv> void run_stage(const Stage& st, const cd* x, cd* y) {
    constexpr double sgn = Inv ? 1.0 : -1.0;
    // With s = 1 the vector pass covers the first p, otherwise the first q of every p.
    const std::size_t done =
        st.radix > 5 || simd::force_scalar()
            ? 0
            : simd::fft64_pass(reinterpret_cast<const double*>(x), reinterpret_cast<double*>(y),
                               st.radix, st.s, st.m, reinterpret_cast<const double*>(st.tw.data()),
                               Inv);
    const std::size_t p0 = st.s == 1 ? done : 0, q0 = st.s == 1 ? 0 : done;
    if (p0 == st.m || q0 == st.s) return;
    switch (st.radix) {
    case 2:
        pass2<Inv>(st, p0, q0, x, y);
        return;
    case 4:
        pass4<Inv>(st, p0, q0, x, y);
        return;
    case 3:
        pass<Inv, 3>(st, p0, q0, x, y, [](const cd* a, cd* b) {
            constexpr double h = 0.86602540378443864676; // sin(2 pi / 3)
            const cd t = a[1] + a[2], u = a[1] - a[2];
            const cd c = a[0] - 0.5 * t;
            const cd v(-sgn * h * u.imag(), sgn * h * u.real()); // sgn i h u
            b[0] = a[0] + t;
            b[1] = c + v;
            b[2] = c - v;
        });
        return;
    case 5:
        pass<Inv, 5>(st, p0, q0, x, y, [](const cd* a, cd* b) {
            constexpr double c1 = 0.30901699437494742410, c2 = -0.80901699437494742410;
            constexpr double s1 = 0.95105651629515357212, s2 = 0.58778525229247312917;
            const cd t1 = a[1] + a[4], t2 = a[2] + a[3], u1 = a[1] - a[4], u2 = a[2] - a[3];
            const cd e1 = a[0] + c1 * t1 + c2 * t2, e2 = a[0] + c2 * t1 + c1 * t2;
            const cd o1 = s1 * u1 + s2 * u2, o2 = s2 * u1 - s1 * u2;
            const cd v1(-sgn * o1.imag(), sgn * o1.real()), v2(-sgn * o2.imag(), sgn * o2.real());
            b[0] = a[0] + t1 + t2;
            b[1] = e1 + v1;
            b[4] = e1 - v1;
            b[2] = e2 + v2;
            b[3] = e2 - v2;
        });
        return;
    default: {
        const std::size_t r = st.radix, h = (r - 1) / 2;
        const cd* root = st.roots.data();
        pass<Inv, 0>(st, p0, q0, x, y, [r, h, root](const cd* a, cd* b) {
            cd t[16], u[16];
            cd sum = a[0];
            for (std::size_t k = 1; k <= h; ++k) {
                t[k] = a[k] + a[r - k];
                u[k] = a[k] - a[r - k];
                sum += t[k];
            }
            b[0] = sum;
            for (std::size_t j = 1; j <= h; ++j) {
                cd e = a[0], o(0, 0);
                std::size_t idx = 0;
                for (std::size_t k = 1; k <= h; ++k) {
                    idx += j;
                    if (idx >= r) idx -= r;
                    e += root[idx].real() * t[k];
                    o -= root[idx].imag() * u[k]; // the sine, with the forward sign taken out
                }
                const cd v(-sgn * o.imag(), sgn * o.real());
                b[j] = e + v;
                b[r - j] = e - v;
            }
        });
        return;
    }
    }
}

void bluestein(Plan& plan, cd* x) {
    const std::size_t n = plan.n, m = plan.inner->n;
    if (plan.work.size() != m) plan.work.resize(m);
    cd* a = plan.work.data();
    for (std::size_t j = 0; j < n; ++j) a[j] = mul(x[j], plan.chirp[j]);
    std::fill(a + n, a + m, cd(0, 0));
    transform(*plan.inner, a, false);
    // The inverse transform of A*K as the conjugate of a forward one.
    for (std::size_t k = 0; k < m; ++k) a[k] = std::conj(mul(a[k], plan.kernel[k]));
    transform(*plan.inner, a, false);
    for (std::size_t k = 0; k < n; ++k) x[k] = mulconj(plan.chirp[k], a[k]);
}

void transform(Plan& plan, cd* x, bool inverse) {
    if (plan.inner) {
        if (inverse)
            for (std::size_t j = 0; j < plan.n; ++j) x[j] = std::conj(x[j]);
        bluestein(plan, x);
        if (inverse)
            for (std::size_t j = 0; j < plan.n; ++j) x[j] = std::conj(x[j]);
        return;
    }
    cd* src = x;
    cd* dst = plan.work_area();
    for (const Stage& st : plan.stages) {
        if (inverse)
            run_stage<true>(st, src, dst);
        else
            run_stage<false>(st, src, dst);
        std::swap(src, dst);
    }
    if (src != x) std::memcpy(static_cast<void*>(x), src, plan.n * sizeof(cd));
}

// Forward transform from in to out (no overlap). The passes alternate between out and a
// second buffer: in itself when it may be overwritten (scratch), else the plan's work array;
// with the work array the last pass lands in out, with scratch a copy may end it.
void transform_to(Plan& plan, cd* in, cd* out, bool scratch) {
    if (plan.inner || plan.stages.empty()) {
        std::memcpy(static_cast<void*>(out), in, plan.n * sizeof(cd));
        transform(plan, out, false);
        return;
    }
    cd* other = scratch ? in : plan.work_area();
    cd* dst = plan.stages.size() % 2 == 1 || scratch ? out : other;
    const cd* src = in;
    for (const Stage& st : plan.stages) {
        run_stage<false>(st, src, dst);
        src = dst;
        dst = dst == out ? other : out;
    }
    if (src != out) std::memcpy(static_cast<void*>(out), src, plan.n * sizeof(cd));
}

// Per-thread cache of the most recently used plans. Plans of more points are made for the call
// and freed after it, so a thread keeps no more than a few tens of MB.
constexpr std::size_t kMaxCachedPoints = std::size_t{1} << 19;

struct Cache {
    static constexpr std::size_t kSlots = 8;
    std::vector<std::pair<std::size_t, std::shared_ptr<Plan>>> slots; // most recent first

    std::shared_ptr<Plan> get(std::size_t n) {
        if (n > kMaxCachedPoints) return make_plan(n);
        for (std::size_t i = 0; i < slots.size(); ++i)
            if (slots[i].first == n) {
                std::rotate(slots.begin(), slots.begin() + static_cast<std::ptrdiff_t>(i),
                            slots.begin() + static_cast<std::ptrdiff_t>(i) + 1);
                return slots.front().second;
            }
        std::shared_ptr<Plan> plan = make_plan(n);
        if (slots.size() == kSlots) slots.pop_back();
        slots.insert(slots.begin(), {n, plan});
        return plan;
    }
};

std::shared_ptr<Plan> plan_for(std::size_t n) {
    thread_local Cache cache;
    return cache.get(n);
}

// exp(-2 pi i k/n), k = 0..n/2, for splitting an n/2-point transform of real pairs.
// An even k's is the half-length plan's twiddle of k / 2 (the angle's numerator and denominator
// both doubled: the same bits).
cd real_twiddle(const Plan& half, std::size_t k, std::size_t n) {
    return k % 2 == 0 && k < n ? known_twiddle(half, k / 2) : twiddle(k, n);
}

const std::vector<cd>& real_twiddles(Plan& half, std::size_t n) {
    if (half.real_tw.size() != n / 2 + 1) {
        half.real_tw.resize(n / 2 + 1);
        for (std::size_t k = 0; k <= n / 2; ++k) half.real_tw[k] = real_twiddle(half, k, n);
    }
    return half.real_tw;
}

// A pass over sequences that hold only their first nz points (nz <= st.m): every butterfly
// sees a0 and zeros, so output k of point p is a0 w(p, k), the full pass's values (zeros' signs
// aside). Writes the first s r nz values of y, and with `whole` zeros for the rest.
void sparse_stage(const Stage& st, std::size_t nz, const cd* x, cd* y, bool whole) {
    const std::size_t r = st.radix, s = st.s;
    const std::size_t done =
        s == 1 || simd::force_scalar()
            ? 0
            : simd::fft64_sparse_pass(reinterpret_cast<const double*>(x),
                                      reinterpret_cast<double*>(y), r, s, nz,
                                      reinterpret_cast<const double*>(st.tw.data()));
    for (std::size_t p = 0; p < nz; ++p) {
        for (std::size_t q = done; q < s; ++q) {
            const cd a0 = x[q + s * p];
            cd* out = y + q + s * r * p;
            out[0] = a0;
            for (std::size_t k = 1; k < r; ++k) out[s * k] = mul(a0, st.w(p, k));
        }
    }
    if (whole) std::fill(y + s * r * nz, y + s * r * st.m, cd(0, 0));
}

// Forward transform of head (nz values) followed by zeros, into out: the passes whose input
// holds only leading points per sequence skip the zeros. The caller checks that the first pass
// can (nz <= its m) and that the plan has passes.
void transform_prefix(Plan& plan, const cd* head, std::size_t nz, cd* out) {
    const auto& stages = plan.stages;
    cd* other = plan.work_area();
    cd* dst = stages.size() % 2 == 1 ? out : other;
    const cd* src = head;
    std::size_t i = 0;
    for (; i < stages.size() && nz <= stages[i].m; ++i) {
        const bool whole = i + 1 == stages.size() || nz > stages[i + 1].m;
        sparse_stage(stages[i], nz, src, dst, whole);
        src = dst;
        dst = dst == out ? other : out;
    }
    for (; i < stages.size(); ++i) {
        run_stage<false>(stages[i], src, dst);
        src = dst;
        dst = dst == out ? other : out;
    }
    if (src != out) std::memcpy(static_cast<void*>(out), src, plan.n * sizeof(cd));
}

// The real transform's last step: out holds the h-point transform of the samples as pairs.
void real_finish(Plan& half, std::size_t n, cd* out) {
    const std::size_t h = n / 2;
    // A plan made for this call only gets no table: each twiddle is used once.
    const std::vector<cd>* table = h <= kMaxCachedPoints ? &real_twiddles(half, n) : nullptr;
    auto w = [table, &half, n](std::size_t k) {
        return table ? (*table)[k] : real_twiddle(half, k, n);
    };
    const cd z0 = out[0];
    out[0] = {z0.real() + z0.imag(), 0.0};
    out[h] = {z0.real() - z0.imag(), 0.0};
    // X_k = E_k + w^k O_k with E_k = (Z_k + conj Z_{h-k})/2, O_k = (Z_k - conj Z_{h-k})/(2i);
    // bins k and h-k read the same pair, so each pair is done together in place.
    // With the table, most pairs go through vector lanes (the same operations); the rest here.
    std::size_t first = 1;
    if (table && !simd::force_scalar())
        first = simd::real_fft64_finish(reinterpret_cast<double*>(out), h, h / 2,
                                        reinterpret_cast<const double*>(table->data()));
    for (std::size_t k = first; k <= h / 2; ++k) {
        const cd zk = out[k], zr = std::conj(out[h - k]);
        const cd e = 0.5 * (zk + zr), d = zk - zr;
        const cd o(0.5 * d.imag(), -0.5 * d.real());
        const cd e2 = 0.5 * (std::conj(zr) + std::conj(zk)), d2 = std::conj(zr) - std::conj(zk);
        const cd o2(0.5 * d2.imag(), -0.5 * d2.real());
        out[k] = e + mul(w(k), o);
        out[h - k] = e2 + mul(w(h - k), o2);
    }
}

// The transform of n real samples: x as n/2 complex values, when scratch also the passes'
// second buffer.
void real_transform(double* x, std::size_t n, cd* out, bool scratch) {
    // Even samples as real parts, odd ones as imaginary parts: std::complex<double> is laid out
    // as two doubles, so the samples are read as n/2 complex values in place.
    const std::size_t h = n / 2;
    const std::shared_ptr<Plan> plan = plan_for(h);
    if (h > 1)
        transform_to(*plan, reinterpret_cast<cd*>(x), out, scratch);
    else
        out[0] = {x[0], x[1]};
    real_finish(*plan, n, out);
}

// The odd lengths: the full complex transform, its first half kept.
void odd_real_transform(const double* x, std::size_t n, cd* out) {
    if (n == 1) {
        out[0] = {x[0], 0.0};
        return;
    }
    std::vector<cd> full(n);
    for (std::size_t j = 0; j < n; ++j) full[j] = {x[j], 0.0};
    fft(full.data(), n);
    std::copy(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n / 2 + 1), out);
    out[0] = {out[0].real(), 0.0}; // real input: the rounding residue is not a value
}

} // namespace

std::size_t next_fast_length(std::size_t n) {
    if (n <= 1) return 1;
    std::size_t best = SIZE_MAX;
    for (std::size_t p5 = 1; p5 < best; p5 *= 5) {
        for (std::size_t p35 = p5; p35 < best; p35 *= 3) {
            std::size_t v = p35;
            while (v < n) v *= 2;
            best = std::min(best, v);
            if (p35 >= n) break;
        }
        if (p5 >= n) break;
    }
    return best;
}

void fft(std::complex<double>* x, std::size_t n, bool inverse) {
    if (n <= 1) return;
    const std::shared_ptr<Plan> plan = plan_for(n);
    transform(*plan, x, inverse);
}

void rfft(const double* x, std::size_t n, std::complex<double>* out) {
    if (n == 0) return;
    if (n % 2 != 0) return odd_real_transform(x, n, out);
    real_transform(const_cast<double*>(x), n, out, false); // x is only read
}

void rfft_scratch(double* x, std::size_t n, std::complex<double>* out) {
    if (n == 0) return;
    if (n % 2 != 0) return odd_real_transform(x, n, out);
    real_transform(x, n, out, true);
}

void rfft_prefix(const double* x, std::size_t used, std::size_t n, std::complex<double>* out) {
    used = std::min(used, n);
    const std::size_t nz = (used + 1) / 2; // pairs holding samples
    std::shared_ptr<Plan> plan;
    if (n % 2 == 0 && n >= 4) plan = plan_for(n / 2);
    if (!plan || plan->inner || plan->stages.empty() || nz > plan->stages.front().m) {
        std::vector<double> padded(n, 0.0);
        std::copy(x, x + used, padded.begin());
        rfft(padded.data(), n, out);
        return;
    }
    std::vector<cd> head(std::max<std::size_t>(nz, 1));
    for (std::size_t j = 0; j < nz; ++j)
        head[j] = {x[2 * j], 2 * j + 1 < used ? x[2 * j + 1] : 0.0};
    transform_prefix(*plan, head.data(), nz, out);
    real_finish(*plan, n, out);
}

} // namespace specest::fft64
