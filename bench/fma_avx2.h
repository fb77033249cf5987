#pragma once

// The AVX2+FMA step's quotients: dx / r and dy / r from one reciprocal
// estimate of r, each proved to be the division's bits by the proofs in
// physics/fma_exacte.h. Only files compiled with -mavx2 -mfma include this;
// internal linkage for the reason given in physics/carrils.h.

#include <immintrin.h>

#include "physics/fma_exacte.h"

namespace {

#define FMA_EN_LINIA inline __attribute__((always_inline))

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
// block by the divider measured 10.0 against 9.6. On an Intel Xeon of the
// Emerald Rapids class (model 207, 2 vCPUs), whose divider is as narrow for
// four lanes as for one, the pair's arithmetic took 2.7 against the
// divider's 3.05, but the whole step 3.04 against 3.05: no gain. There the
// AVX-512 step on the FMA units (physics/fma_exacte.h) takes half the
// divider's time. Hence the program never runs this step: it stays here, in
// bench/, as the experiment. dx / r alone on the FMA units does gain there
// (the table's AVX2 FMA dx, physics/fma_exacte.h).
FMA_EN_LINIA bool DividirPerR(__m256d dx, __m256d dy, __m256d r, __m256d calen, __m256d& ux, __m256d& uy)
{
    const __m256d y = ReciprocAproximat(r);
    ux = QuocientAproximat(dx, r, y);
    uy = QuocientAproximat(dy, r, y);
    const __m256d rabs = _mm256_andnot_pd(_mm256_set1_pd(-0.0), r);
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
