#include "physics/pas_avx2fma.h"

#include "physics/carrils.h"
#include "physics/fma_exacte.h"
#include "physics/pas_nucli.h"
#include "physics/pas_rapid.h"

namespace {

// Only the checks count, one thread at a time.
int64_t fallits = 0;

struct AmbRecompte {
    static void apuntar(int /*comptats*/, int f) { fallits += __builtin_popcount(static_cast<unsigned>(f)); }
};

}  // namespace

void PasNucliAvx2FmaDx(const SistemaPas& s)
{
    NucliPas<CarrilsAvx2, QuocientsFmaAvx2Dx<>>(s);
}

int64_t FactorsAvx2FmaDx(const double* dx, const double* dy, const double* mg, double* ux, double* uy, double* k,
                         int64_t n)
{
    fallits = 0;
    for (int64_t i = 0; i < n; i += 4) {
        __m256d qx, qy, f;
        QuocientsFmaAvx2Dx<AmbRecompte>::calcular<CarrilsAvx2>(_mm256_loadu_pd(dx + i), _mm256_loadu_pd(dy + i),
                                                              _mm256_loadu_pd(mg + i), qx, qy, f);
        _mm256_storeu_pd(ux + i, qx);
        _mm256_storeu_pd(uy + i, qy);
        _mm256_storeu_pd(k + i, f);
    }
    return fallits;
}
