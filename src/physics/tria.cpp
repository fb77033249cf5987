#include "physics/tria.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>


namespace {

// Steps timed for the choice of a device, after one that warms the path up;
// fewer where they would take longer than this.
constexpr int PASSOS_TRIA = 3;
constexpr double SEGONS_TRIA = 0.2;
// Steps in a row that the gate compares.
constexpr int PASSOS_PORTA = 3;
// How much faster than a more preferred path a path must be to be taken.
constexpr double MARGE_MESURA = 0.95;

using Rellotge = std::chrono::steady_clock;
using Cossos = std::vector<Particula>;

double Segons(Rellotge::time_point desde)
{
    return std::chrono::duration<double>(Rellotge::now() - desde).count();
}

// This thread's processor time, in seconds; where the system has no such
// clock, the time that passes.
double SegonsDeFil()
{
    timespec t;
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0)
        return std::chrono::duration<double>(Rellotge::now().time_since_epoch()).count();
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The shortest of a few steps on the bodies `cossos`, in seconds; negative
// when a step fails or a signal stops one short.
double MinimDePas(Cossos& cossos, const FerPas& pas, const ParametresPas& cicle)
{
    const int32_t n = static_cast<int32_t>(cossos.size());
    double millor = -1.0, total = 0.0;
    for (int k = 0; k < PASSOS_TRIA && total < SEGONS_TRIA; ++k) {
        const Rellotge::time_point inici = Rellotge::now();
        if (!pas(cossos.data(), n, cicle) || PasInterromput())
            return -1.0;
        const double t = Segons(inici);
        total += t;
        millor = millor < 0.0 ? t : std::min(millor, t);
    }
    return millor;
}

double Nan(uint64_t carrega, bool negatiu)
{
    const uint64_t bits = (negatiu ? uint64_t{1} << 63 : 0) | 0x7ff0000000000000u | carrega;
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

struct CosExtrem {
    double x, y, vx, vy;
    uint64_t massa;
};

// Where a step that is not the literal one shows, each case a system of its
// own: one NaN or infinity soon takes every body of a system with it. At
// G = 6.7e-11 and 10^12 a mass term is 67.
Cossos CasExtrem(int cas)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr uint64_t M = 1000000000000u;
    constexpr uint64_t M63 = uint64_t{1} << 63;
    const std::vector<CosExtrem> casos[] = {
        // Signed zeros, at rest and in place: a skipped pull must keep a -0.
        {{0.0, 0.0, -0.0, -0.0, M}, {-0.0, 3.0, 0.0, -0.0, 0}, {4.0, -0.0, -0.0, 0.0, 0}, {-0.0, -0.0, -0.0, -0.0, 1}},
        // Bodies on top of each other, which pull nothing from each other.
        {{1.0, 2.0, 0.0, 0.0, M}, {1.0, 2.0, -0.0, 0.5, M}, {1.0, 2.0, 0.0, 0.0, 0}, {7.0, -5.0, 0.0, 0.0, M}},
        // Subnormal coordinates and subnormal pulls, which flushing to zero loses.
        {{0.0, 0.0, 0.0, 0.0, M},
         {1e-310, 1.0, 0.0, 0.0, M},
         {5e-324, -2.5e-320, -0.0, 1e-320, 1},
         {-1e-308, 2.0, 0.0, 0.0, M}},
        // Huge coordinates: squares that overflow, and ones that just do not.
        {{1e300, -1e300, 0.0, 0.0, M},
         {-1e300, 1e300, 1e290, 0.0, M},
         {1e150, 1e150, 0.0, 0.0, ~uint64_t{0}},
         {-1e150, -1e150, 0.0, -0.0, M},
         {-std::numeric_limits<double>::max(), 0.0, 0.0, 0.0, 1}},
        // Masses from 0 to 2^64 - 1, converted as unsigned.
        {{0.0, 0.0, 0.0, 0.0, 0},
         {1000.0, 0.0, 0.0, 0.0, 1},
         {0.0, 1000.0, 0.0, 0.0, M63 - 1},
         {-1000.0, 0.0, 0.0, 0.0, M63},
         {0.0, -1000.0, 0.0, 0.0, M63 + 1},
         {700.0, 700.0, 0.0, 0.0, ~uint64_t{0}}},
        // NaNs with payloads, quiet and signalling, next to finite bodies,
        // which never feel them.
        {{Nan(0x8000000001234, false), 0.0, 0.0, 0.0, M},
         {0.0, Nan(0xabcdef, true), Nan(0x42, false), 0.0, M},
         {10.0, 10.0, 0.0, 0.0, M},
         {-10.0, 5.0, 0.5, -0.0, M}},
        // Infinities in place and in motion.
        {{inf, 0.0, 0.0, 0.0, M}, {0.0, 0.0, -inf, 0.0, M}, {5.0, 5.0, 0.0, 0.0, M}, {-inf, -inf, inf, -inf, 0}},
    };
    Cossos cossos;
    if (cas < 0 || cas >= static_cast<int>(std::size(casos)))
        return cossos;
    for (const CosExtrem& c : casos[cas]) {
        cossos.emplace_back();
        cossos.back().valors(c.x, c.y, c.vx, c.vy, c.massa, 1.0f);
    }
    return cossos;
}

// Both steps on copies of the same bodies, PASSOS_PORTA times; whether they
// kept the same bits throughout. A step stopped by a signal proves nothing.
bool MateixosPassos(const FerPas& pas, const FerPas& referencia, const Particula* cossos, int32_t n,
                    const ParametresPas& p)
{
    Cossos a(cossos, cossos + n), b = a;
    for (int k = 0; k < PASSOS_PORTA; ++k) {
        if (!pas(a.data(), n, p) || !referencia(b.data(), n, p) || PasInterromput() ||
            !MateixosCossos(a.data(), b.data(), n))
            return false;
    }
    return true;
}

}  // namespace

bool MateixosBits(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

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

float SegonsDeCicle(int32_t ciclesPerSegon)
{
    const int32_t periode = ciclesPerSegon > 0 ? 1000 / ciclesPerSegon : 0;
    return static_cast<float>(periode > 0 ? periode : 10) / 1000.0f;
}

ParametresPas CicleReal(double g, int32_t factorVelocitat, float segonsCicle, bool repulsio)
{
    return {g, FactorDePas(factorVelocitat > 0 ? factorVelocitat : 1, segonsCicle), repulsio};
}

const CamiPas* TriarCamiProcessador(const std::vector<CamiPas>& camins, const Particula* cossos, int32_t n,
                                    const ParametresPas& cicle)
{
    std::vector<const CamiPas*> candidats;
    for (const CamiPas& c : camins)
        if (c.disponible && c.nucli != nullptr)
            candidats.push_back(&c);
    if (candidats.empty())
        return nullptr;
    if (cossos == nullptr || n < COSSOS_PER_MESURA || candidats.size() == 1)
        return candidats.back();

    const int32_t m = std::min(n, COSSOS_MESURA);
    const Cossos mostra(cossos, cossos + m);
    // One step untimed first, to take the working memory and warm it.
    Cossos copia = mostra;
    PasRapidAmb(candidats.back()->nucli, copia.data(), m, cicle);
    std::vector<double> millor(candidats.size(), std::numeric_limits<double>::infinity());
    const Rellotge::time_point inici = Rellotge::now();
    // Round after round, so that a disturbance falls on every path alike.
    do {
        for (size_t c = 0; c < candidats.size(); ++c) {
            copia = mostra;
            const double t = SegonsDeFil();
            PasRapidAmb(candidats[c]->nucli, copia.data(), m, cicle);
            const double segons = SegonsDeFil() - t;
            // Stopped short, its time would win; the run is ending anyway.
            if (PasInterromput())
                return candidats.back();
            millor[c] = std::min(millor[c], segons);
        }
    } while (Segons(inici) < SEGONS_MESURA);
    size_t triat = candidats.size() - 1;
    for (size_t c = triat; c-- > 0;)
        if (millor[c] < millor[triat] * MARGE_MESURA)
            triat = c;
    return candidats[triat];
}

bool PassaPorta(const FerPas& pas, const FerPas& referencia, const Particula* cossos, int32_t n,
                const ParametresPas& cicle)
{
    if (n > 0 && !MateixosPassos(pas, referencia, cossos, std::min(n, COSSOS_PORTA), cicle))
        return false;
    for (int cas = 0;; ++cas) {
        const Cossos cossosCas = CasExtrem(cas);
        if (cossosCas.empty())
            return true;
        for (const bool r : {false, true}) {
            const ParametresPas extrem{6.7e-11, cicle.f, r};
            if (!MateixosPassos(pas, referencia, cossosCas.data(), static_cast<int32_t>(cossosCas.size()), extrem))
                return false;
        }
    }
}

std::unique_ptr<PasOpenCL> TriarDispositiu(const std::vector<DispositiuOpenCL>& dispositius,
                                           const Particula* cossos, int32_t n, const ParametresPas& cicle,
                                           const FerPas& cpu)
{
    if (dispositius.empty() || n <= 0)
        return nullptr;
    // One CPU step both warms it up and gives the bits every device must match.
    const Cossos inicial(cossos, cossos + n);
    Cossos primer = inicial;
    const Rellotge::time_point inici = Rellotge::now();
    cpu(primer.data(), n, cicle);
    double millor = Segons(inici);
    Cossos copia = primer;
    // A first step that long is timing enough.
    if (millor < SEGONS_TRIA)
        millor = MinimDePas(copia, cpu, cicle);
    if (millor < 0.0 || PasInterromput())
        return nullptr;
    std::unique_ptr<PasOpenCL> triat;
    for (const DispositiuOpenCL& d : dispositius) {
        std::unique_ptr<PasOpenCL> opencl = PasOpenCL::Crear(d);
        if (!opencl || !opencl->reservar(n))
            continue;
        const FerPas pas = [&opencl](Particula* p, int32_t m, const ParametresPas& param) {
            return opencl->pas(p, m, param);
        };
        copia = inicial;
        if (!pas(copia.data(), n, cicle) || PasInterromput() || !MateixosCossos(copia.data(), primer.data(), n) ||
            !PassaPorta(pas, cpu, cossos, n, cicle))
            continue;
        const double t = MinimDePas(copia, pas, cicle);
        if (t >= 0.0 && t < millor) {
            millor = t;
            triat = std::move(opencl);
        }
    }
    return triat;
}
