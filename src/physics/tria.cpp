#include "physics/tria.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

// Steps timed for the choice of a device, after one that warms the path up;
// fewer where they would take longer than this.
constexpr int PASSOS_TRIA = 3;
constexpr double SEGONS_TRIA = 0.2;

using Rellotge = std::chrono::steady_clock;
using Cossos = std::vector<Particula>;

double Segons(Rellotge::time_point desde)
{
    return std::chrono::duration<double>(Rellotge::now() - desde).count();
}

bool MateixosBits(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// The shortest of a few steps on the bodies `cossos`, in seconds; negative
// when a step fails.
double TempsDePas(Cossos& cossos, const FerPas& pas)
{
    const int32_t n = static_cast<int32_t>(cossos.size());
    double millor = -1.0, total = 0.0;
    for (int k = 0; k < PASSOS_TRIA && total < SEGONS_TRIA; ++k) {
        const Rellotge::time_point inici = Rellotge::now();
        if (!pas(cossos.data(), n))
            return -1.0;
        const double t = Segons(inici);
        total += t;
        millor = millor < 0.0 ? t : std::min(millor, t);
    }
    return millor;
}

}  // namespace

bool MateixosCossos(const Particula* a, const Particula* b, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        const vector p[2] = {a[i].retornarposicio(), b[i].retornarposicio()};
        const vector v[2] = {a[i].retornarvelocitat(), b[i].retornarvelocitat()};
        if (!MateixosBits(p[0].x, p[1].x) || !MateixosBits(p[0].y, p[1].y) || !MateixosBits(v[0].x, v[1].x) ||
            !MateixosBits(v[0].y, v[1].y))
            return false;
    }
    return true;
}

std::unique_ptr<PasOpenCL> TriarDispositiu(const std::vector<DispositiuOpenCL>& dispositius,
                                           const Particula* cossos, int32_t n, const FerPas& cpu)
{
    if (dispositius.empty() || n <= 0)
        return nullptr;
    // One CPU step both warms it up and gives the bits every device must match.
    const Cossos inicial(cossos, cossos + n);
    Cossos primer = inicial;
    const Rellotge::time_point inici = Rellotge::now();
    cpu(primer.data(), n);
    double millor = Segons(inici);
    Cossos copia = primer;
    // A first step that long is timing enough.
    if (millor < SEGONS_TRIA)
        millor = TempsDePas(copia, cpu);
    std::unique_ptr<PasOpenCL> triat;
    for (const DispositiuOpenCL& d : dispositius) {
        std::unique_ptr<PasOpenCL> opencl = PasOpenCL::Crear(d);
        if (!opencl || !opencl->reservar(n))
            continue;
        const FerPas pas = [&opencl](Particula* p, int32_t m) { return opencl->pas(p, m); };
        copia = inicial;
        if (!pas(copia.data(), n) || !MateixosCossos(copia.data(), primer.data(), n))
            continue;
        const double t = TempsDePas(copia, pas);
        if (t >= 0.0 && t < millor) {
            millor = t;
            triat = std::move(opencl);
        }
    }
    return triat;
}
