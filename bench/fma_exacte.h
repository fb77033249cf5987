#pragma once

// Quotients by the FMA unit that are the division's own bits, proved lane by
// lane. Only files compiled with -mavx2 -mfma include this; internal linkage
// for the reason given in physics/carrils.h.
//
// The proof. q is the correctly rounded a / b when |a/b - q| is less than half
// the narrower of the two gaps beside q, because every real that close to q
// rounds to it. With h that half-gap this is |a - b q| < |b| h. The FMA gives
// a - b q with one rounding, and rounding is monotonic, so a computed |a - b q|
// below a threshold that is itself exact proves the exact one below it too;
// when q is within an ulp the remainder is exact anyway. The threshold:
// p = q (1 - 2^-53) rounds to the double before |q| (toward zero), whose
// exponent E' is that of the narrower gap, so h = 2^(E'-53) for every normal
// q, powers of two included (their lower gap is half the upper one). |b| h
// is one product of a power of two by a double, exact unless it underflows,
// and it cannot round up past 2^-1022 unless it was below it: a threshold
// above 2^-1022 is exact. Zero, subnormal, infinite and NaN q, b or a fail
// the test on their own (h = 0, an infinite or NaN remainder), and so take
// the divider; the test never accepts a wrong q, whatever the estimate was.
//
// Where the divider is slow, this saves it work; on the one processor it was
// measured on, it did not pay (see DividirPerR).

#include <immintrin.h>

#include <cstdint>

namespace {

#define FMA_EN_LINIA inline __attribute__((always_inline))

FMA_EN_LINIA __m256d ValorAbsolut(__m256d v)
{
    return _mm256_andnot_pd(_mm256_set1_pd(-0.0), v);
}

// 1/b to a relative 2^-34: the single-precision estimate (at most 1.5 2^-12
// off), then one third-order step, y0 (1 + e + e^2) with e = 1 - b y0. Outside
// the range of floats the estimate is nonsense and the proof refuses it.
FMA_EN_LINIA __m256d ReciprocAproximat(__m256d b)
{
    const __m256d y0 = _mm256_cvtps_pd(_mm_rcp_ps(_mm256_cvtpd_ps(b)));
    const __m256d e = _mm256_fnmadd_pd(b, y0, _mm256_set1_pd(1.0));
    return _mm256_fmadd_pd(y0, _mm256_fmadd_pd(e, e, e), y0);
}

// a / b from y close to 1/b: q0 = a y, then one correction by the remainder,
// which leaves an error of about |q| 2^-68 before the last rounding.
FMA_EN_LINIA __m256d QuocientProvat(__m256d a, __m256d b, __m256d y)
{
    const __m256d q0 = _mm256_mul_pd(a, y);
    return _mm256_fmadd_pd(_mm256_fnmadd_pd(b, q0, a), y, q0);
}

// All ones in the lanes where q is proved to be the correctly rounded a / b;
// babs = |b|. The proof is at the top of this file.
FMA_EN_LINIA __m256d QuocientExacte(__m256d a, __m256d b, __m256d babs, __m256d q)
{
    const __m256d resta = _mm256_fnmadd_pd(b, q, a);
    const __m256d anterior = _mm256_mul_pd(q, _mm256_set1_pd(0x1.fffffffffffffp-1));
    const __m256d exponent = _mm256_and_pd(anterior, _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FF0000000000000)));
    const __m256d llindar = _mm256_mul_pd(_mm256_mul_pd(exponent, _mm256_set1_pd(0x1p-53)), babs);
    // max(2^-1022, |resta|) < llindar: the remainder below an exact threshold.
    // A NaN remainder is max's second operand, so it stays NaN and fails.
    return _mm256_cmp_pd(_mm256_max_pd(_mm256_set1_pd(0x1p-1022), ValorAbsolut(resta)), llindar, _CMP_LT_OQ);
}

// ux = dx / r and uy = dy / r, the division's bits in every lane of `calen`:
// both from one reciprocal of r, each proved; if a lane fails its proof, the
// divider does the four lanes again, and the result says so.
//
// Why only these two: the square root and mg / (r r) stay on the divider,
// which works beside the FMA units. On the AMD EPYC this was measured on
// (family 23 model 1 as KVM shows it, AVX2 and FMA, no AVX-512), ns per
// ordered pair of the pair's arithmetic alone, N = 1024: the divider for all
// four 3.9 to 4.4, this split 8.4 to 9.6 (prototypes: 6.0 to 9.0); the two from
// a divided 1/r 6.9; the square root by FMA as well (an estimate, two Newton
// steps and a coupled Goldschmidt step giving r and 1/r, then its own proof)
// 6.9 to 9; all four by FMA 9 to 11. Even unproved, the estimate and the
// corrections alone cost as much as the divider (4.4 against 4.3), and the
// proofs double that: its ymm
// division takes about 9 cycles and its square root 16, while each proved FMA
// quotient takes 10 to 12 vector operations, the float conversions of the
// estimate among the dearest. Nor did dropping this function's test and branch
// help: gathering the failed lanes over a block of bodies and redoing the
// block by the divider measured 10.0 against 9.6. Hence the program never
// runs this step: it stays here, in bench/, as the experiment.
FMA_EN_LINIA bool DividirPerR(__m256d dx, __m256d dy, __m256d r, __m256d calen, __m256d& ux, __m256d& uy)
{
    const __m256d y = ReciprocAproximat(r);
    ux = QuocientProvat(dx, r, y);
    uy = QuocientProvat(dy, r, y);
    const __m256d rabs = ValorAbsolut(r);
    const __m256d provats = _mm256_and_pd(QuocientExacte(dx, r, rabs, ux), QuocientExacte(dy, r, rabs, uy));
    if (_mm256_movemask_pd(_mm256_andnot_pd(provats, calen)) == 0)
        return false;
    ux = _mm256_div_pd(dx, r);
    uy = _mm256_div_pd(dy, r);
    return true;
}

// The pull's factors as the step forms them, for the step's kernel template
// (physics/pas_nucli.h): dx / r and dy / r by the FMA units, the square root
// and mg / (r r) by the divider. Lanes whose pull is skipped (r not > 0) need
// no proof.
struct QuocientsFma {
    template <class L, class D>
    static auto calcular(D dx, D dy, D mg, D& ux, D& uy, D& k)
    {
        const D r = L::arrel(dy * dy + dx * dx);
        k = mg / (r * r);
        const auto actua = r > L::difondre(0.0);
        DividirPerR(dx, dy, r, (__m256d)actua, ux, uy);
        return actua;
    }
};

#undef FMA_EN_LINIA

}  // namespace
