// Compiled once per instruction set by Highway's foreach_target; see fft64_kernels.h.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "simd/fft64_kernels.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "simd/fft64_kernels.h"

#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace specest::simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR

using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;

// a w (forward) or a conj(w) (inverse) as the scalar code rounds them: (re wr - im wi,
// im wr + re wi) written as sums with (-wi, wi), which are the same bits.
template <bool Inv> HWY_INLINE V Twiddled(D d, V a, V wr, V wis) {
    const V cross = hn::Mul(hn::Reverse2(d, a), wis);
    return Inv ? hn::Sub(hn::Mul(a, wr), cross) : hn::Add(hn::Mul(a, wr), cross);
}

// (-sgn im, sgn re) * c for the pair (re, im): sgn i c a with sgn -1 forward, +1 inverse.
template <bool Inv> HWY_INLINE V RotScaled(D d, V a, double c) {
    const double sgn = Inv ? 1.0 : -1.0;
    const double k[2] = {-sgn * c, sgn * c};
    return hn::Mul(hn::Reverse2(d, a), hn::LoadDup128(d, k));
}
template <bool Inv> HWY_INLINE V RotUnit(D d, V a) {
    const double sgn = Inv ? 1.0 : -1.0;
    const double k[2] = {-sgn, sgn};
    return hn::Mul(hn::Reverse2(d, a), hn::LoadDup128(d, k));
}

// The loops over R are unrolled so that the arrays of vectors live in registers.

// The first pass (s = 1): vectors run over p, each lane with its own twiddles, and the R
// results of each p are put side by side through a small buffer.
template <bool Inv, std::size_t R, class Butterfly>
HWY_INLINE std::size_t FirstPass(const double* x, double* y, std::size_t m, const double* tw,
                                 Butterfly bf) {
    const D d;
    const std::size_t lanes = hn::Lanes(d), per = lanes / 2;
    const std::size_t pv = m - m % per;
    HWY_ALIGN double tmp[R * HWY_MAX_BYTES / sizeof(double)];
    for (std::size_t p = 0; p < pv; p += per) {
        V a[R], b[R];
        HWY_UNROLL(8)
        for (std::size_t j = 0; j < R; ++j) a[j] = hn::LoadU(d, x + 2 * (p + j * m));
        bf(d, a, b);
        hn::Store(b[0], d, tmp);
        HWY_UNROLL(8)
        for (std::size_t k = 1; k < R; ++k) {
            // (wr, wi) of each lane's p: (wr, wr) and (-wi, wi), exact.
            const V w = hn::LoadU(d, tw + 2 * m * (k - 1) + 2 * p);
            const V wi = hn::DupOdd(w);
            hn::Store(Twiddled<Inv>(d, b[k], hn::DupEven(w), hn::OddEven(wi, hn::Neg(wi))), d,
                      tmp + k * lanes);
        }
        double* out = y + 2 * R * p;
        HWY_UNROLL(8)
        for (std::size_t l = 0; l < per; ++l) HWY_UNROLL(8)
        for (std::size_t k = 0; k < R; ++k) {
            out[2 * (R * l + k)] = tmp[k * lanes + 2 * l];
            out[2 * (R * l + k) + 1] = tmp[k * lanes + 2 * l + 1];
        }
    }
    return pv;
}

template <bool Inv, std::size_t R, class Butterfly>
HWY_INLINE std::size_t Pass(const double* x, double* y, std::size_t s, std::size_t m,
                            const double* tw, Butterfly bf) {
    if (s == 1) return FirstPass<Inv, R>(x, y, m, tw, bf);
    const D d;
    const std::size_t lanes = hn::Lanes(d), per = lanes / 2;
    const std::size_t qv = s - s % per;
    if (qv == 0) return 0;
    for (std::size_t p = 0; p < m; ++p) {
        V wr[R], wis[R];
        HWY_UNROLL(8)
        for (std::size_t k = 1; k < R; ++k) {
            const double* t = tw + 2 * (p * (R - 1) + k - 1);
            const double wis2[2] = {-t[1], t[1]};
            wr[k] = hn::Set(d, t[0]);
            wis[k] = hn::LoadDup128(d, wis2);
        }
        for (std::size_t q = 0; q < qv; q += per) {
            V a[R], b[R];
            HWY_UNROLL(8)
            for (std::size_t j = 0; j < R; ++j) a[j] = hn::LoadU(d, x + 2 * (q + s * (p + j * m)));
            bf(d, a, b);
            double* out = y + 2 * (q + s * R * p);
            hn::StoreU(b[0], d, out);
            HWY_UNROLL(8)
            for (std::size_t k = 1; k < R; ++k)
                hn::StoreU(Twiddled<Inv>(d, b[k], wr[k], wis[k]), d, out + 2 * s * k);
        }
    }
    return qv;
}

template <bool Inv>
std::size_t PassFor(const double* x, double* y, std::size_t radix, std::size_t s, std::size_t m,
                    const double* tw) {
    switch (radix) {
    case 2:
        return Pass<Inv, 2>(x, y, s, m, tw, [](D, const V* a, V* b) {
            b[0] = hn::Add(a[0], a[1]);
            b[1] = hn::Sub(a[0], a[1]);
        });
    case 4:
        return Pass<Inv, 4>(x, y, s, m, tw, [](D d, const V* a, V* b) {
            const V t0 = hn::Add(a[0], a[2]), t1 = hn::Sub(a[0], a[2]);
            const V t2 = hn::Add(a[1], a[3]), t3 = RotUnit<Inv>(d, hn::Sub(a[1], a[3]));
            b[0] = hn::Add(t0, t2);
            b[1] = hn::Add(t1, t3);
            b[2] = hn::Sub(t0, t2);
            b[3] = hn::Sub(t1, t3);
        });
    case 3:
        return Pass<Inv, 3>(x, y, s, m, tw, [](D d, const V* a, V* b) {
            const V t = hn::Add(a[1], a[2]), u = hn::Sub(a[1], a[2]);
            const V c = hn::Sub(a[0], hn::Mul(hn::Set(d, 0.5), t));
            const V v = RotScaled<Inv>(d, u, 0.86602540378443864676);
            b[0] = hn::Add(a[0], t);
            b[1] = hn::Add(c, v);
            b[2] = hn::Sub(c, v);
        });
    case 5:
        return Pass<Inv, 5>(x, y, s, m, tw, [](D d, const V* a, V* b) {
            const V c1 = hn::Set(d, 0.30901699437494742410),
                    c2 = hn::Set(d, -0.80901699437494742410);
            const V s1 = hn::Set(d, 0.95105651629515357212),
                    s2 = hn::Set(d, 0.58778525229247312917);
            const V t1 = hn::Add(a[1], a[4]), t2 = hn::Add(a[2], a[3]);
            const V u1 = hn::Sub(a[1], a[4]), u2 = hn::Sub(a[2], a[3]);
            const V e1 = hn::Add(hn::Add(a[0], hn::Mul(c1, t1)), hn::Mul(c2, t2));
            const V e2 = hn::Add(hn::Add(a[0], hn::Mul(c2, t1)), hn::Mul(c1, t2));
            const V o1 = hn::Add(hn::Mul(s1, u1), hn::Mul(s2, u2));
            const V o2 = hn::Sub(hn::Mul(s2, u1), hn::Mul(s1, u2));
            const V v1 = RotUnit<Inv>(d, o1), v2 = RotUnit<Inv>(d, o2);
            b[0] = hn::Add(hn::Add(a[0], t1), t2);
            b[1] = hn::Add(e1, v1);
            b[4] = hn::Sub(e1, v1);
            b[2] = hn::Add(e2, v2);
            b[3] = hn::Sub(e2, v2);
        });
    default:
        return 0;
    }
}

#endif

std::size_t Fft64Pass(const double* x, double* y, std::size_t radix, std::size_t s, std::size_t m,
                      const double* tw, bool inverse) {
#if HWY_TARGET == HWY_SCALAR
    (void)x, (void)y, (void)radix, (void)s, (void)m, (void)tw, (void)inverse;
    return 0;
#else
    return inverse ? PassFor<true>(x, y, radix, s, m, tw) : PassFor<false>(x, y, radix, s, m, tw);
#endif
}

std::size_t Fft64SparsePass(const double* x, double* y, std::size_t radix, std::size_t s,
                            std::size_t nz, const double* tw) {
#if HWY_TARGET == HWY_SCALAR
    (void)x, (void)y, (void)radix, (void)s, (void)nz, (void)tw;
    return 0;
#else
    const D d;
    const std::size_t per = hn::Lanes(d) / 2;
    const std::size_t qv = s - s % per;
    if (qv == 0) return 0;
    for (std::size_t p = 0; p < nz; ++p) {
        const double* in = x + 2 * s * p;
        double* out = y + 2 * s * radix * p;
        for (std::size_t q = 0; q < qv; q += per)
            hn::StoreU(hn::LoadU(d, in + 2 * q), d, out + 2 * q);
        for (std::size_t k = 1; k < radix; ++k) {
            const double* t = tw + 2 * (p * (radix - 1) + k - 1);
            const double wis2[2] = {-t[1], t[1]};
            const V wr = hn::Set(d, t[0]), wis = hn::LoadDup128(d, wis2);
            double* o = out + 2 * s * k;
            for (std::size_t q = 0; q < qv; q += per)
                hn::StoreU(Twiddled<false>(d, hn::LoadU(d, in + 2 * q), wr, wis), d, o + 2 * q);
        }
    }
    return qv;
#endif
}

std::size_t RealFft64Finish(double* z, std::size_t h, std::size_t count, const double* w) {
    std::size_t k = 1;
#if HWY_TARGET != HWY_SCALAR
    using D = hn::ScalableTag<double>;
    using V = hn::Vec<D>;
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    const V half = hn::Set(d, 0.5);
    // Blocks k .. k + lanes - 1 and their mirrors h - k - lanes + 1 .. h - k must not meet.
    for (; k + lanes - 1 <= count && 2 * (k + lanes - 1) < h; k += lanes) {
        const std::size_t m = h - k - (lanes - 1); // the mirrors' lowest bin
        V kr, ki, mr, mi, wkr, wki, wmr, wmi;
        hn::LoadInterleaved2(d, z + 2 * k, kr, ki);
        hn::LoadInterleaved2(d, z + 2 * m, mr, mi);
        hn::LoadInterleaved2(d, w + 2 * k, wkr, wki);
        hn::LoadInterleaved2(d, w + 2 * m, wmr, wmi);
        // Lane j of the mirrors is bin h - k - j.
        mr = hn::Reverse(d, mr);
        mi = hn::Reverse(d, mi);
        wmr = hn::Reverse(d, wmr);
        wmi = hn::Reverse(d, wmi);
        // zr = conj(z[h - k]): (mr, -mi).
        const V zrr = mr, zri = hn::Neg(mi);
        const V er = hn::Mul(half, hn::Add(kr, zrr)), ei = hn::Mul(half, hn::Add(ki, zri));
        const V dr = hn::Sub(kr, zrr), di = hn::Sub(ki, zri);
        const V orr = hn::Mul(half, di), oi = hn::Mul(hn::Neg(half), dr);
        // conj(zr) = (mr, mi), conj(zk) = (kr, -ki).
        const V cki = hn::Neg(ki);
        const V e2r = hn::Mul(half, hn::Add(mr, kr)), e2i = hn::Mul(half, hn::Add(mi, cki));
        const V d2r = hn::Sub(mr, kr), d2i = hn::Sub(mi, cki);
        const V o2r = hn::Mul(half, d2i), o2i = hn::Mul(hn::Neg(half), d2r);
        // mul(a, b) = (ar br - ai bi, ar bi + ai br).
        const V outkr = hn::Add(er, hn::Sub(hn::Mul(wkr, orr), hn::Mul(wki, oi)));
        const V outki = hn::Add(ei, hn::Add(hn::Mul(wkr, oi), hn::Mul(wki, orr)));
        const V outmr = hn::Add(e2r, hn::Sub(hn::Mul(wmr, o2r), hn::Mul(wmi, o2i)));
        const V outmi = hn::Add(e2i, hn::Add(hn::Mul(wmr, o2i), hn::Mul(wmi, o2r)));
        hn::StoreInterleaved2(outkr, outki, d, z + 2 * k);
        hn::StoreInterleaved2(hn::Reverse(d, outmr), hn::Reverse(d, outmi), d, z + 2 * m);
    }
#else
    (void)z, (void)h, (void)count, (void)w;
#endif
    return k;
}

} // namespace HWY_NAMESPACE
} // namespace specest::simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace specest::simd {

HWY_EXPORT(Fft64Pass);
HWY_EXPORT(RealFft64Finish);
HWY_EXPORT(Fft64SparsePass);

std::size_t fft64_pass(const double* x, double* y, std::size_t radix, std::size_t s, std::size_t m,
                       const double* tw, bool inverse) {
    return HWY_DYNAMIC_DISPATCH(Fft64Pass)(x, y, radix, s, m, tw, inverse);
}

std::size_t fft64_sparse_pass(const double* x, double* y, std::size_t radix, std::size_t s,
                              std::size_t nz, const double* tw) {
    return HWY_DYNAMIC_DISPATCH(Fft64SparsePass)(x, y, radix, s, nz, tw);
}

std::size_t real_fft64_finish(double* z, std::size_t h, std::size_t count, const double* w) {
    return HWY_DYNAMIC_DISPATCH(RealFft64Finish)(z, h, count, w);
}

} // namespace specest::simd
#endif
