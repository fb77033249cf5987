#include <cstddef>
#include <vector>

#include "physics/globals.h"
#include "physics/pas.h"
#include "physics/pas_rapid.h"

namespace {

// Doubles in the widest register; every column is padded to a multiple.
constexpr int32_t CARRILS_MAXIMS = 8;
// New x and y, old x and y, mass term, velocity x and y.
constexpr std::size_t COLUMNES = 7;

// The columns of the last step. They only grow, so a run whose body count does
// not change allocates on its first step alone.
std::vector<double>& Columnes()
{
    static std::vector<double> columnes;
    return columnes;
}

}  // namespace

bool CamiDisponible(CamiPas cami)
{
#if defined(__x86_64__)
    switch (cami) {
    case CamiPas::Escalar:
    case CamiPas::Sse2:
        return true;
    case CamiPas::Avx2:
        return __builtin_cpu_supports("avx2");
    case CamiPas::Avx512:
        return __builtin_cpu_supports("avx512f");
    }
    return false;
#else
    return cami == CamiPas::Escalar;
#endif
}

CamiPas CamiMesAmple()
{
    static const CamiPas mesAmple = CamiDisponible(CamiPas::Avx512) ? CamiPas::Avx512
                                    : CamiDisponible(CamiPas::Avx2) ? CamiPas::Avx2
                                    : CamiDisponible(CamiPas::Sse2) ? CamiPas::Sse2
                                                                    : CamiPas::Escalar;
    return mesAmple;
}

void PasRapid(Particula* particules, int32_t n, CamiPas cami)
{
    if (n <= 0)
        return;
    const std::size_t files = (static_cast<std::size_t>(n) + CARRILS_MAXIMS - 1) / CARRILS_MAXIMS * CARRILS_MAXIMS;
    std::vector<double>& columnes = Columnes();
    if (columnes.size() < COLUMNES * files)
        columnes.resize(COLUMNES * files);
    double* nx = columnes.data();
    double* ny = nx + files;
    double* ox = ny + files;
    double* oy = ox + files;
    double* mg = oy + files;
    double* vx = mg + files;
    double* vy = vx + files;

    const double f = FactorPas();
    for (int32_t i = 0; i < n; ++i) {
        const vector posicio = particules[i].retornarposicio();
        const vector velocitat = particules[i].retornarvelocitat();
        // Particula::moviment, with the velocity of before the step.
        vector nova = posicio;
        SumaVectors(nova, MultiplicacioVectors(velocitat, f));
        nx[i] = nova.x;
        ny[i] = nova.y;
        ox[i] = posicio.x;
        oy[i] = posicio.y;
        mg[i] = static_cast<double>(particules[i].retornarmassa()) * G;
        vx[i] = velocitat.x;
        vy[i] = velocitat.y;
    }
    for (std::size_t i = static_cast<std::size_t>(n); i < files; ++i)
        nx[i] = ny[i] = ox[i] = oy[i] = mg[i] = vx[i] = vy[i] = 0.0;

    const SistemaPas sistema{n, nx, ny, ox, oy, mg, vx, vy, f, repulsio};
    switch (CamiDisponible(cami) ? cami : CamiPas::Escalar) {
    case CamiPas::Escalar:
        PasNucliEscalar(sistema);
        break;
#if defined(__x86_64__)
    case CamiPas::Sse2:
        PasNucliSse2(sistema);
        break;
    case CamiPas::Avx2:
        PasNucliAvx2(sistema);
        break;
    case CamiPas::Avx512:
        PasNucliAvx512(sistema);
        break;
#else
    default:
        break;
#endif
    }

    for (int32_t i = 0; i < n; ++i)
        particules[i].situar({nx[i], ny[i]}, {vx[i], vy[i]});
}
