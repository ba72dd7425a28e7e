// Compiled once per instruction set by Highway's foreach_target; see burg64_kernels.h.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "simd/burg64_kernels.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "simd/burg64_kernels.h"

#include <cstddef>
#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace specest::simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Sums of pairs in scalar code: the vector loops' remainders, and every pair on the scalar
// target.
struct Tail {
    double n = 0, m = 0, d = 0; // Re f conj(g), Im f conj(g), |f|^2 + |g|^2
    template <bool Cx> void add(const double* f, const double* g) {
        if constexpr (Cx) {
            n += f[0] * g[0] + f[1] * g[1];
            m += f[1] * g[0] - f[0] * g[1];
            d += f[0] * f[0] + f[1] * f[1] + (g[0] * g[0] + g[1] * g[1]);
        } else {
            n += f[0] * g[0];
            d += f[0] * f[0] + g[0] * g[0];
        }
    }
};

// Pair j of the next order from pairs j and j - 1 of this one, in place (j - 1 is read only).
template <bool Cx> HWY_INLINE void StepScalar(double* f, double* g, double wr, double wi) {
    if constexpr (Cx) {
        const double fr = f[0] + (wr * g[0] - wi * g[1]), fi = f[1] + (wr * g[1] + wi * g[0]);
        const double gr = g[-2] + (wr * f[-2] + wi * f[-1]);
        const double gi = g[-1] + (wr * f[-1] - wi * f[-2]);
        f[0] = fr, f[1] = fi, g[0] = gr, g[1] = gi;
    } else {
        const double fn = f[0] + wr * g[0], gn = g[-1] + wr * f[-1];
        f[0] = fn, g[0] = gn;
    }
}

#if HWY_TARGET != HWY_SCALAR

using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;

// Vector accumulators of the three sums (m: complex records only).
struct Acc {
    V n, m, d;
};

template <bool Cx> HWY_INLINE void Accumulate(D d, V f, V g, Acc& a) {
    a.n = hn::MulAdd(f, g, a.n);
    // (fr gi, fi gr): the odd lanes minus the even ones are Im f conj(g).
    if constexpr (Cx) a.m = hn::MulAdd(f, hn::Reverse2(d, g), a.m);
    a.d = hn::MulAdd(f, f, a.d);
    a.d = hn::MulAdd(g, g, a.d);
}

// Lanes added in order, then the scalar remainder.
HWY_INLINE void Reduce(D d, const Acc* acc, int count, const Tail& t, double* sums) {
    Acc total = acc[0];
    for (int u = 1; u < count; ++u) {
        total.n = hn::Add(total.n, acc[u].n);
        total.m = hn::Add(total.m, acc[u].m);
        total.d = hn::Add(total.d, acc[u].d);
    }
    HWY_ALIGN double n[HWY_MAX_BYTES / sizeof(double)], m[HWY_MAX_BYTES / sizeof(double)],
        p[HWY_MAX_BYTES / sizeof(double)];
    hn::Store(total.n, d, n);
    hn::Store(total.m, d, m);
    hn::Store(total.d, d, p);
    double sn = 0, sm = 0, sd = 0;
    for (std::size_t l = 0; l < hn::Lanes(d); ++l) {
        sn += n[l];
        sm += l % 2 ? m[l] : -m[l];
        sd += p[l];
    }
    sums[0] = sn + t.n;
    sums[1] = sm + t.m;
    sums[2] = sd + t.d;
}

constexpr int kUnroll = 4; // independent accumulators, so the sums do not wait on each other

#endif

template <bool Cx> void SumsFor(const double* f, const double* g, std::size_t count, double* sums) {
    constexpr std::size_t s = Cx ? 2 : 1; // doubles per value
    std::size_t j = 0;
    Tail t;
#if HWY_TARGET != HWY_SCALAR
    const D d;
    const std::size_t per = hn::Lanes(d) / s;
    Acc acc[kUnroll];
    for (Acc& a : acc) a.n = a.m = a.d = hn::Zero(d);
    for (; j + kUnroll * per <= count; j += kUnroll * per) {
        HWY_UNROLL(4)
        for (int u = 0; u < kUnroll; ++u) {
            const std::size_t b = s * (j + static_cast<std::size_t>(u) * per);
            Accumulate<Cx>(d, hn::LoadU(d, f + b), hn::LoadU(d, g + b), acc[u]);
        }
    }
    for (; j + per <= count; j += per)
        Accumulate<Cx>(d, hn::LoadU(d, f + s * j), hn::LoadU(d, g + s * j), acc[0]);
#endif
    for (; j < count; ++j) t.add<Cx>(f + s * j, g + s * j);
#if HWY_TARGET != HWY_SCALAR
    Reduce(d, acc, kUnroll, t, sums);
#else
    sums[0] = t.n, sums[1] = t.m, sums[2] = t.d;
#endif
}

// Downwards, so that pair j - 1 still holds this order's values when pair j is formed.
template <bool Cx>
void StepFor(double* f, double* g, std::size_t count, double wr, double wi, double* sums) {
    constexpr std::size_t s = Cx ? 2 : 1;
    std::size_t j = count; // pairs j .. count - 1 are done
    Tail t;
#if HWY_TARGET != HWY_SCALAR
    const D d;
    const std::size_t lanes = hn::Lanes(d), per = lanes / s;
    Acc acc[kUnroll];
    for (Acc& a : acc) a.n = a.m = a.d = hn::Zero(d);
    // The top pairs one by one until the blocks below start on a vector boundary of f, so
    // their stores do not straddle cache lines.
    const auto off = reinterpret_cast<std::uintptr_t>(f + s * j) % (lanes * sizeof(double));
    if (off % (s * sizeof(double)) == 0) {
        for (std::size_t peel = off / (s * sizeof(double)); peel > 0 && j > 1; --peel) {
            --j;
            StepScalar<Cx>(f + s * j, g + s * j, wr, wi);
            t.add<Cx>(f + s * j, g + s * j);
        }
    }
    const V vwr = hn::Set(d, wr);
    const V wis = hn::OddEven(hn::Set(d, wi), hn::Set(d, -wi)); // i w as (-wi, wi) on (im, re)
    // Both new values of a block from its pairs and the pairs one below.
    auto block = [&](std::size_t b, V& fn, V& gn) {
        const V F = hn::LoadU(d, f + s * b), G = hn::LoadU(d, g + s * b);
        const V Fm = hn::LoadU(d, f + s * (b - 1)), Gm = hn::LoadU(d, g + s * (b - 1));
        if constexpr (Cx) {
            fn = hn::MulAdd(wis, hn::Reverse2(d, G), hn::MulAdd(vwr, G, F));
            gn = hn::NegMulAdd(wis, hn::Reverse2(d, Fm), hn::MulAdd(vwr, Fm, Gm));
        } else {
            fn = hn::MulAdd(vwr, G, F);
            gn = hn::MulAdd(vwr, Fm, Gm);
        }
    };
    for (; j >= kUnroll * per + 1; j -= kUnroll * per) {
        V fn[kUnroll], gn[kUnroll];
        // Every block read before any is written: the lowest block reads one pair below it.
        HWY_UNROLL(4)
        for (int u = 0; u < kUnroll; ++u) block(j - (u + 1) * per, fn[u], gn[u]);
        HWY_UNROLL(4)
        for (int u = 0; u < kUnroll; ++u) {
            const std::size_t b = s * (j - (u + 1) * per);
            hn::StoreU(fn[u], d, f + b);
            hn::StoreU(gn[u], d, g + b);
            Accumulate<Cx>(d, fn[u], gn[u], acc[u]);
        }
    }
    for (; j >= per + 1; j -= per) {
        V fn, gn;
        block(j - per, fn, gn);
        hn::StoreU(fn, d, f + s * (j - per));
        hn::StoreU(gn, d, g + s * (j - per));
        Accumulate<Cx>(d, fn, gn, acc[0]);
    }
#endif
    while (j > 1) {
        --j;
        StepScalar<Cx>(f + s * j, g + s * j, wr, wi);
        t.add<Cx>(f + s * j, g + s * j);
    }
#if HWY_TARGET != HWY_SCALAR
    Reduce(d, acc, kUnroll, t, sums);
#else
    (void)wi;
    sums[0] = t.n, sums[1] = t.m, sums[2] = t.d;
#endif
}

void Burg64Sums(const double* f, const double* g, std::size_t count, bool complex, double* sums) {
    if (complex)
        SumsFor<true>(f, g, count, sums);
    else
        SumsFor<false>(f, g, count, sums);
}

void Burg64Step(double* f, double* g, std::size_t count, bool complex, double wr, double wi,
                double* sums) {
    if (complex)
        StepFor<true>(f, g, count, wr, wi, sums);
    else
        StepFor<false>(f, g, count, wr, wi, sums);
}

} // namespace HWY_NAMESPACE
} // namespace specest::simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace specest::simd {

HWY_EXPORT(Burg64Sums);
HWY_EXPORT(Burg64Step);

void burg64_sums(const double* f, const double* g, std::size_t count, bool complex, double* sums) {
    HWY_DYNAMIC_DISPATCH(Burg64Sums)(f, g, count, complex, sums);
}

void burg64_step(double* f, double* g, std::size_t count, bool complex, double wr, double wi,
                 double* sums) {
    HWY_DYNAMIC_DISPATCH(Burg64Step)(f, g, count, complex, wr, wi, sums);
}

} // namespace specest::simd
#endif
