#pragma once

// Quotients and square roots formed on the FMA units, and the proof, lane by
// lane and in exact arithmetic, that each is the one the divider would give.
// A lane whose proof fails is done again by the divider, so the results are
// the divider's bits whatever the estimates were. Only files compiled with
// FMA include this; internal linkage for the reason given in
// physics/carrils.h.
//
// Notation: RN(x) is x rounded to nearest, as every operation here rounds
// unless it says otherwise; for a normal double v, h(v) is half the narrower
// of the two gaps beside v. Every real strictly nearer to v than h(v) rounds
// to v. The sign plays no part: below, v stands for |v|.
//
// h(v) from the exponents. p = RN(v (1 - 2^-53)) is the double just below v:
// with v = m 2^E, 1 <= m < 2, v 2^-53 is m 2^(E-53), between half the gap
// below v and the whole of it when m > 1 (p is then v minus that gap), and
// exactly the gap below when m = 1. Let E' be p's exponent. If v is not a
// power of two, E' = E and both gaps are 2^(E-52): h = 2^(E'-53). If it is,
// E' = E - 1 and the gap below, 2^(E-53), is the narrower: h = 2^(E'-53)
// again. (v's own exponent would give twice the right h at a power of two:
// the root of the double below 4^E, which rounds to p, would pass as 2^E.)
// Masking p's exponent field gives 2^E' as a double. For a zero, subnormal,
// infinite or NaN v the field gives 0 or infinity, and every test below then
// fails by itself: a threshold of 0 admits nothing, and an infinite v leaves
// an infinite or NaN remainder.
//
// Thresholds. Each test compares a remainder computed with one rounding,
// RN(x), with a threshold T, a double no larger than the exact bound. Rounding
// is monotonic and T is a double, so |RN(x)| < T gives |x| < T: the test
// holds in exact arithmetic. On AVX-512, T = 2^E' (b 2^-53) with both
// products rounded toward zero, by the instructions' own rounding: T <= h b.
// AVX2 has no such rounding: there 2^E' 2^-53 is exact or, below the least
// subnormal, 0, and T = RN(that |b|) is exact above 2^-1022 (a power of two
// times a double) and at most 2^-1022 below it, so the test is
// max(2^-1022, |RN(x)|) < T, which only an exact T can pass.
//
// Quotient, q for a / b. If |RN(a - b q)| < T <= |b| h(q), then
// |a / b - q| < h(q), so a / b rounds to q: q is the correctly rounded
// quotient. The FMA forms a - b q with one rounding.
//
// Square root, r for s >= 0 (for a negative r, T <= 0 and the test fails).
// If |RN(s - r r)| < T <= 2 h r with h = h(r):
//  - when s >= r^2, s < r^2 + 2 h r < (r + h)^2, so r <= sqrt(s) < r + h;
//  - when s < r^2, s > r^2 - 2 h r = m^2 - h^2 with m = r - h, the midpoint
//    below r. r is a multiple of 2h (of its own gap below), so m is an odd
//    multiple of h, a power of two, and m^2 is an odd multiple of h^2 whose
//    odd factor is at least (2^53 - 1)^2: not a double. Every double s near
//    m^2 is a multiple of h^2 (a normal one's last place is at least
//    2^52 h^2, since s > 2^104 h^2; a subnormal one's is 2^-1074, and there
//    h < 2^-564). So s < m^2 means s <= m^2 - h^2, which the test refused.
//    Hence m < sqrt(s) < r.
// Either way sqrt(s) is strictly nearer to r than h(r): r is the correctly
// rounded root. A threshold below 2 h r only narrows what is admitted.

#include <immintrin.h>

#include "physics/pas_avx512fma.h"

namespace {

#define FMA_EN_LINIA inline __attribute__((always_inline))

// The same few operations on either width, for what both share.
#if defined(__AVX512F__)
FMA_EN_LINIA __m512d Fma(__m512d a, __m512d b, __m512d c)
{
    return _mm512_fmadd_pd(a, b, c);
}

// c - a b
FMA_EN_LINIA __m512d Fnma(__m512d a, __m512d b, __m512d c)
{
    return _mm512_fnmadd_pd(a, b, c);
}

// 2^E as a double, E the exponent field of v.
FMA_EN_LINIA __m512d Exponent(__m512d v)
{
    return _mm512_castsi512_pd(_mm512_and_epi64(_mm512_castpd_si512(v), _mm512_set1_epi64(0x7FF0000000000000)));
}
#endif

FMA_EN_LINIA __m256d Fma(__m256d a, __m256d b, __m256d c)
{
    return _mm256_fmadd_pd(a, b, c);
}

FMA_EN_LINIA __m256d Fnma(__m256d a, __m256d b, __m256d c)
{
    return _mm256_fnmadd_pd(a, b, c);
}

FMA_EN_LINIA __m256d Exponent(__m256d v)
{
    return _mm256_and_pd(v, _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FF0000000000000)));
}

// 2^E', h(v) = 2^(E'-53), as above.
template <class D>
FMA_EN_LINIA D ExponentAnterior(D v)
{
    return Exponent(v * 0x1.fffffffffffffp-1);
}

// a / b from y close to 1/b: q0 = a y, then one correction by the remainder,
// which squares q0's relative error before the last rounding.
template <class D>
FMA_EN_LINIA D QuocientAproximat(D a, D b, D y)
{
    const D q0 = a * y;
    return Fma(Fnma(b, q0, a), y, q0);
}

// The proof of a quotient on AVX2 (the experiment in bench/), its threshold
// as above; babs = |b|.
FMA_EN_LINIA __m256d QuocientExacte(__m256d a, __m256d b, __m256d babs, __m256d q)
{
    const __m256d llindar = ExponentAnterior(q) * 0x1p-53 * babs;
    const __m256d resta = _mm256_andnot_pd(_mm256_set1_pd(-0.0), Fnma(b, q, a));
    // A NaN remainder is max's second operand, so it stays NaN and fails.
    return _mm256_cmp_pd(_mm256_max_pd(_mm256_set1_pd(0x1p-1022), resta), llindar, _CMP_LT_OQ);
}

// 1/b to a relative 2^-34: the single-precision estimate (at most 1.5 2^-12
// off), then one third-order step, y0 (1 + e + e^2) with e = 1 - b y0. Outside
// the range of floats the estimate is nonsense and the proof refuses it.
FMA_EN_LINIA __m256d ReciprocAproximat(__m256d b)
{
    const __m256d y0 = _mm256_cvtps_pd(_mm_rcp_ps(_mm256_cvtpd_ps(b)));
    const __m256d e = Fnma(b, y0, _mm256_set1_pd(1.0));
    return Fma(y0, Fma(e, e, e), y0);
}

// The pull's factors on AVX2 with dx / r alone on the FMA units, from the
// divider's root r, proved as above; the root, dy / r and mg / (r r) stay on
// the divider, which sets the pace there, so one quotient less is time saved
// while the FMA units have room. dx = +-0 gives dx / r = dx exactly for the
// r > 0 of a counted lane (r is never negative: it is the divider's root of a
// sum of squares). If a counted lane fails its proof, the divider forms dx / r
// for the four. Recompte hears of each vector: its counted lanes, and those
// that failed, as bit masks.
struct SenseRecompteAvx2 {
    static void apuntar(int /*comptats*/, int /*fallits*/) {}
};

template <class Recompte = SenseRecompteAvx2>
struct QuocientsFmaAvx2Dx {
    template <class L, class D>
    static auto calcular(D dx, D dy, D mg, D& ux, D& uy, D& k)
    {
        const D r = L::arrel(dy * dy + dx * dx);
        const auto actua = r > L::difondre(0.0);
        const __m256d zeros = _mm256_cmp_pd(dx, _mm256_setzero_pd(), _CMP_EQ_OQ);
        ux = _mm256_blendv_pd(QuocientAproximat(dx, r, ReciprocAproximat(r)), dx, zeros);
        const int comptats = _mm256_movemask_pd((__m256d)actua);
        const int fallits = comptats & ~_mm256_movemask_pd(_mm256_or_pd(QuocientExacte(dx, r, r, ux), zeros));
        Recompte::apuntar(comptats, fallits);
        if (__builtin_expect(fallits != 0, 0))
            ux = dx / r;
        uy = dy / r;
        k = mg / (r * r);
        return actua;
    }
};

#if defined(__AVX512F__)
// a b rounded toward zero. (The unmasked forms of this and of rsqrt14 trip
// GCC 12's uninitialised-value warning; with every lane selected it is the
// same instruction.)
FMA_EN_LINIA __m512d ProducteAZero(__m512d a, __m512d b)
{
    return _mm512_maskz_mul_round_pd(0xFF, a, b, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
}

// The lanes where q is proved to be the correctly rounded a / b, b >= 0
// given also as bh = b 2^-53 rounded toward zero.
FMA_EN_LINIA __mmask8 QuocientExacte(__m512d a, __m512d b, __m512d bh, __m512d q)
{
    const __m512d llindar = ProducteAZero(ExponentAnterior(q), bh);
    return _mm512_cmp_pd_mask(_mm512_abs_pd(Fnma(b, q, a)), llindar, _CMP_LT_OQ);
}

// The lanes where r is proved to be the correctly rounded square root of s,
// r given also as rh = r 2^-53 rounded toward zero, as the quotients by r
// take it; never where r is negative. The threshold is 2^(E'+1) rh <= 2 h r:
// 2^(E'+1) is the exponent field of RN(r (2 - 2^-52)) = 2 RN(r (1 - 2^-53)),
// one product fewer than 2^E' times r 2^-52. At the ends the test still
// fails by itself: below r = 2^-1021, rh and so the threshold are 0; from
// r = 2^1023, where the doubled field is infinite, r r overflows and the
// remainder is infinite.
FMA_EN_LINIA __mmask8 ArrelExacta(__m512d s, __m512d r, __m512d rh)
{
    const __m512d llindar = ProducteAZero(Exponent(r * 0x1.fffffffffffffp+0), rh);
    return _mm512_cmp_pd_mask(_mm512_abs_pd(Fnma(r, r, s)), llindar, _CMP_LT_OQ);
}

// 1/sqrt(s) to about 2^-40: the 14-bit estimate y0, then with
// e = 1 - s y0^2 one second-order step, y0 (1 + e/2 + 3e^2/8). e is formed
// as 1 - (s y0) y0, which neither overflows nor underflows for any normal s.
FMA_EN_LINIA __m512d InversArrel(__m512d s)
{
    const __m512d y0 = _mm512_maskz_rsqrt14_pd(0xFF, s);
    const __m512d e = Fnma(s * y0, y0, _mm512_set1_pd(1.0));
    return Fma(y0 * e, Fma(e, _mm512_set1_pd(0.375), _mm512_set1_pd(0.5)), y0);
}

// sqrt(s) from y close to 1/sqrt(s): r0 = s y, then one correction by the
// remainder, r0 + (s - r0^2) y / 2.
FMA_EN_LINIA __m512d ArrelAproximada(__m512d s, __m512d y)
{
    const __m512d r0 = s * y;
    return Fma(Fnma(r0, r0, s), y * 0.5, r0);
}

// q close to a / b from y close to 1 / b, b > 0 given also as bh = b 2^-53
// rounded toward zero, and the lanes where q is proved. q is
// QuocientAproximat's with the remainder's sign turned, RN(q0 - RN(b q0 - a) y):
// RN is symmetric, so the bits are the same wherever a != 0, while a = +-0
// gives q0 = a, a remainder of +0 and q = a, sign and all, for any finite
// y > 0; and a / b = a there. So a zero a is proved by itself where b and y
// are finite and positive, which the caller's root proof gives. Its y is
// InversArrel's or that squared: InversArrel's is finite and positive for
// every finite s > 0 (rsqrt14's estimate is, and a step that moves it by
// less than 2^-13 keeps it so), and the root's proof holds only where s is
// finite and r r at least about 2^-1022, so y y is below about 2^1022.
FMA_EN_LINIA __mmask8 QuocientProvat(__m512d a, __m512d b, __m512d bh, __m512d y, __m512d& q)
{
    const __mmask8 zeros = _mm512_cmp_pd_mask(a, _mm512_setzero_pd(), _CMP_EQ_OQ);
    const __m512d q0 = a * y;
    q = _mm512_fnmadd_pd(_mm512_fmsub_pd(b, q0, a), y, q0);
    return QuocientExacte(a, b, bh, q) | zeros;
}

// r close to sqrt(s) and q close to a / r by the FMA units, and the lanes
// where both are proved; y, close to 1 / r, and rh = r 2^-53 rounded toward
// zero are left for more quotients by r.
FMA_EN_LINIA __mmask8 ArrelIQuocient(__m512d s, __m512d a, __m512d& r, __m512d& q, __m512d& y, __m512d& rh)
{
    y = InversArrel(s);
    r = ArrelAproximada(s, y);
    rh = ProducteAZero(r, _mm512_set1_pd(0x1p-53));
    // Where r's proof holds, r is positive: the quotient's b = |b| = r.
    const __mmask8 arrel = ArrelExacta(s, r, rh);
    return arrel & QuocientProvat(a, r, rh, y, q);
}

FMA_EN_LINIA __mmask8 ArrelIQuocient(__m512d s, __m512d a, __m512d& r, __m512d& q)
{
    __m512d y, rh;
    return ArrelIQuocient(s, a, r, q, y, rh);
}

// The pull's factors on AVX-512 as the step forms them (physics/pas_nucli.h):
// r = sqrt(dy dy + dx dx) and dx / r by the FMA units, each proved, and of
// dy / r and mg / (r r) those that the mix gives them too; the rest by the
// divider with the proved r, working beside the FMA units. Which share pays
// depends on how wide the divider is against the FMA units, so each mix is a
// path of its own, timed (physics/camins.cpp):
//  - Dx: dy / r and mg / (r r) by the divider. On a divider of 16 cycles for
//    eight lanes it sets the pace at two divisions instead of a root and three.
//  - DxDy: dy / r as dx / r, from the same estimate y of 1 / r, by the same
//    proof; the divider keeps mg / (r r).
//  - Totes: mg / (r r) too, from y y, close to 1 / (r r) (about 2^-39), as
//    any quotient: its b = RN(r r) is the step's own, and is positive
//    wherever r's proof holds (r's threshold is 0 unless r r is at least
//    about 2^-1022), so a zero mg is its own quotient there.
//
// A lane counts where the pull acts, sqrt(s) > 0, which is s > 0 (s, a sum
// of squares, is never negative nor -0, and a NaN fails both). If any
// counted lane fails a proof, the divider forms the four factors again for
// all eight lanes. Recompte hears of each vector: its counted lanes, and
// those that failed.
struct SenseRecompte {
    static void apuntar(__mmask8 /*comptats*/, __mmask8 /*fallits*/) {}
};

template <BarrejaFma B = BarrejaFma::Dx, class Recompte = SenseRecompte>
struct QuocientsFmaAvx512 {
    static constexpr bool kDy = B != BarrejaFma::Dx;
    static constexpr bool kK = B == BarrejaFma::Totes;

    template <class L, class D>
    static FMA_EN_LINIA auto calcular(D dx, D dy, D mg, D& ux, D& uy, D& k)
    {
        const D s = dy * dy + dx * dx;
        // The predicate of the step's own s > 0 below, so that one compare
        // serves both.
        const __mmask8 comptats = _mm512_cmp_pd_mask(s, _mm512_setzero_pd(), _CMP_GT_OS);
        D r, y, rh;
        __mmask8 provats = ArrelIQuocient(s, dx, r, ux, y, rh);
        if (kDy)
            provats &= QuocientProvat(dy, r, rh, y, uy);
        if (kK) {
            const D r2 = r * r;
            provats &= QuocientProvat(mg, r2, ProducteAZero(r2, _mm512_set1_pd(0x1p-53)), y * y, k);
        }
        const __mmask8 fallits = comptats & static_cast<__mmask8>(~provats);
        Recompte::apuntar(comptats, fallits);
        if (__builtin_expect(fallits != 0, 0)) {
            r = L::arrel(s);
            ux = dx / r;
            if (kDy)
                uy = dy / r;
            if (kK)
                k = mg / (r * r);
        }
        if (!kK)
            k = mg / (r * r);
        if (!kDy)
            uy = dy / r;
        return s > L::difondre(0.0);
    }
};
#endif

#undef FMA_EN_LINIA

}  // namespace
