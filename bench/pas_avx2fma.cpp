#include "fma_avx2.h"
#include "physics/carrils.h"
#include "physics/pas_nucli.h"
#include "physics/pas_rapid.h"
#include "quocients_fma.h"

namespace {

void PasNucliAvx2Fma(const SistemaPas& s)
{
    NucliPas<CarrilsAvx2, QuocientsFma>(s);
}

}  // namespace

bool FmaDisponible()
{
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

void PasFma(Particula* particules, int32_t n, EquipFils* equip)
{
    PasRapidAmb(PasNucliAvx2Fma, particules, n, equip);
}

int64_t DividirPerRFma(const double* dx, const double* dy, const double* r, double* ux, double* uy, int64_t n)
{
    const __m256d totes = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    int64_t refets = 0;
    for (int64_t i = 0; i < n; i += 4) {
        __m256d qa;
        __m256d qb;
        refets += DividirPerR(_mm256_loadu_pd(dx + i), _mm256_loadu_pd(dy + i), _mm256_loadu_pd(r + i), totes, qa, qb);
        _mm256_storeu_pd(ux + i, qa);
        _mm256_storeu_pd(uy + i, qb);
    }
    return refets;
}

void ProvarQuocientsFma(const double* a, const double* b, const double* q, uint8_t* exacte, int64_t n)
{
    for (int64_t i = 0; i < n; i += 4) {
        const __m256d d = _mm256_loadu_pd(b + i);
        const int provats = _mm256_movemask_pd(
            QuocientExacte(_mm256_loadu_pd(a + i), d, _mm256_andnot_pd(_mm256_set1_pd(-0.0), d), _mm256_loadu_pd(q + i)));
        for (int l = 0; l < 4; ++l)
            exacte[i + l] = static_cast<uint8_t>((provats >> l) & 1);
    }
}
