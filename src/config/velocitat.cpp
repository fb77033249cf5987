#include "config/velocitat.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "config/generar.h"
#include "config/previa.h"
#include "lectura/lectura.h"
#include "physics/fils.h"
#include "physics/globals.h"
#include "physics/pas.h"
#include "physics/pas_opencl.h"

namespace {

using Cossos = std::vector<Particula>;
using FerPas = std::function<bool(Particula*, int32_t)>;

// Each path is timed for at least this many steps after one that warms it
// up, and for as many more as fit in the time, up to the most.
constexpr int kPassosMinims = 3;
constexpr int kPassosMaxims = 20;
constexpr double kSegonsPerCami = 1.0;
// The cycle the program keeps at its default of 100 a second.
constexpr double kSegonsPerPas = 0.01;

struct Cami {
    std::string nom;
    FerPas pas;
};

std::string NomCpu(int32_t fils)
{
    return std::string("CPU ") + NomCamiPas(CamiMesAmple()) + ", " + std::to_string(fils) +
           (fils == 1 ? " thread" : " threads");
}

std::string NomDispositiu(const DispositiuOpenCL& d)
{
    return "OpenCL " + d.plataforma + ": " + d.nom + (d.cpu ? " (a processor: never the program's)" : "");
}

// The median of a few steps of the disc, in seconds; negative when one fails.
double TempsDePas(const Cossos& disc, const FerPas& pas)
{
    Cossos cossos = disc;
    const int32_t n = static_cast<int32_t>(cossos.size());
    if (!pas(cossos.data(), n))
        return -1.0;
    std::vector<double> temps;
    double total = 0.0;
    while (temps.size() < kPassosMinims || (temps.size() < kPassosMaxims && total < kSegonsPerCami)) {
        const auto inici = std::chrono::steady_clock::now();
        if (!pas(cossos.data(), n))
            return -1.0;
        temps.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - inici).count());
        total += temps.back();
    }
    std::sort(temps.begin(), temps.end());
    return temps[temps.size() / 2];
}

// A fixed system with the cases where exactness is easily lost: bodies on
// top of each other, signed zeros, masses from 0 to 2^64 - 1, a NaN position,
// repulsion, steps of zero time. Stepped alike by the literal step and by
// `pas`, whether every value keeps its bits, any NaN equal to any NaN.
bool MateixosBitsQueLiteral(const FerPas& pas)
{
    constexpr int32_t N = 300;
    constexpr int kPassos = 40;
    std::mt19937_64 atzar(20);
    std::uniform_real_distribution<double> posicio(-500.0, 500.0), velocitat(-2.0, 2.0);
    const uint64_t masses[] = {0, 1, uint64_t{1} << 63, std::numeric_limits<uint64_t>::max(), 1000000000000};
    Cossos literal(N);
    for (int32_t i = 0; i < N; ++i) {
        const bool junts = i % 10 == 0;
        literal[static_cast<size_t>(i)].valors(junts ? 7.0 : posicio(atzar), junts ? -3.0 : posicio(atzar),
                                              i % 7 == 0 ? -0.0 : velocitat(atzar), velocitat(atzar),
                                              i % 3 == 0 ? masses[atzar() % 5] : atzar() >> 22, 1.0f);
    }
    literal[N / 2].valors(std::nan(""), 0.0, 0.0, 0.0, 1000, 1.0f);
    Cossos cami = literal;
    G = 6.7e-11;
    FactorVelocitat = 3600;
    bool iguals = true;
    for (int k = 0; k < kPassos && iguals; ++k) {
        repulsio = (k / 10) % 2 == 1;
        TempsPerCicle = k % 13 == 0 ? 0.0f : 0.001f * static_cast<float>(k % 9 + 1);
        PasLiteral(literal.data(), N);
        iguals = pas(cami.data(), N) && MateixosCossos(literal.data(), cami.data(), N);
    }
    repulsio = false;
    return iguals;
}

// The largest count whose n (n - 1) pairs take one cycle at `ns` a pair.
int64_t CossosPerCicle(double ns)
{
    const double parells = kSegonsPerPas * 1e9 / ns;
    return static_cast<int64_t>(std::floor((1.0 + std::sqrt(1.0 + 4.0 * parells)) / 2.0));
}

// The path the program's run of this disc takes: its own choice, as the run
// begins.
std::string CamiDelPrograma(const Cossos& disc)
{
    const int32_t n = static_cast<int32_t>(disc.size());
    IniciarFilsPas(n, disc.data());
    const DispositiuOpenCL* d = DispositiuPas();
    const std::string nom = d != nullptr ? NomDispositiu(*d) : NomCpu(PasEnFils(n) ? ProcessadorsPermesos() : 1);
    AturarFilsPas();
    return nom;
}

// A device that no step runs on, and why, in the driver's words where it gave
// some: a build log, a line after line.
struct SensePas {
    std::string nom;
    std::string motiu;
};

void EscriureSensePas(std::ostream& out, const std::vector<SensePas>& sensePas)
{
    for (const SensePas& s : sensePas) {
        std::istringstream linies(s.motiu);
        std::string linia;
        std::getline(linies, linia);
        out << "not used: " << s.nom << ": " << linia << '\n';
        while (std::getline(linies, linia))
            out << "    " << linia << '\n';
    }
}

// The devices the table has, GPUs and accelerators, that the program would
// not take for this disc.
std::vector<SensePas> NoTriats(const std::vector<SensePas>& dispositius, const std::string& triat)
{
    std::vector<SensePas> noTriats;
    for (const SensePas& d : dispositius)
        if (d.nom != triat)
            noTriats.push_back(d);
    return noTriats;
}

}  // namespace

int Velocitat(std::ostream& out, int32_t n)
{
    OpcionsGen gen;
    gen.tipus = Tipus::Disc;
    gen.n = n;
    std::string error;
    const auto sistema = Generar(gen, error);
    if (!sistema) {
        std::cerr << "particules-config: " << error << std::endl;
        return 1;
    }
    const std::unique_ptr<Particula[]> creats = CrearCossos(*sistema);
    const Cossos disc(creats.get(), creats.get() + n);
    if (!ReservarPas(n)) {
        std::cerr << "particules-config: " << n << " bodies do not fit in memory" << std::endl;
        return 1;
    }

    const int32_t processadors = ProcessadorsPermesos();
    auto equip = std::make_shared<EquipFils>(processadors);
    std::vector<SensePas> gpus;
    std::vector<Cami> camins = {{NomCpu(1), [](Particula* p, int32_t m) {
                                     PasRapid(p, m, CamiMesAmple());
                                     return true;
                                 }}};
    if (equip->parts() > 1) {
        camins.push_back({NomCpu(equip->parts()), [equip](Particula* p, int32_t m) {
                              PasRapid(p, m, CamiMesAmple(), equip.get());
                              return true;
                          }});
    }
    std::vector<SensePas> sensePas;
    std::vector<DispositiuDescartat> descartats;
    for (const DispositiuOpenCL& d : DispositiusOpenCL(true, &descartats)) {
        std::string motiu;
        std::shared_ptr<PasOpenCL> opencl = PasOpenCL::Crear(d, &motiu);
        if (!opencl || !opencl->reservar(std::max(n, 300), &motiu)) {
            sensePas.push_back({NomDispositiu(d), motiu});
            continue;
        }
        camins.push_back({NomDispositiu(d), [opencl](Particula* p, int32_t m) { return opencl->pas(p, m); }});
        if (!d.cpu)
            gpus.push_back({camins.back().nom, ""});
    }
    for (const DispositiuDescartat& d : descartats)
        sensePas.push_back({"OpenCL " + d.plataforma + ": " + d.nom, d.motiu});

    out << "the step on a disc of " << n << " bodies (particules-config gen disc -n " << n << "), its bits\n"
        << "checked against the literal step's on a fixed system of 300\n\n"
        << "ns/pair  ms/step  bodies at 100/s  bits  path\n";
    int estat = 0;
    for (const Cami& c : camins) {
        G = GDeExponent(sistema->gexp);
        FactorVelocitat = 1;
        TempsPerCicle = static_cast<float>(kSegonsPerPas);
        repulsio = false;
        const double t = TempsDePas(disc, c.pas);
        const bool bits = MateixosBitsQueLiteral(c.pas);
        estat = bits ? estat : 1;
        for (SensePas& g : gpus)
            if (g.nom == c.nom)
                g.motiu = bits ? "slower than the program's step on this disc"
                               : "its bits differ from the literal step's";
        char linia[96];
        if (t < 0.0) {
            std::snprintf(linia, sizeof linia, "%7s  %7s  %15s  %-4s  ", "failed", "", "", bits ? "same" : "DIFF");
        } else {
            const double ns = t * 1e9 / (static_cast<double>(n) * static_cast<double>(n - 1));
            std::snprintf(linia, sizeof linia, "%7.3f  %7.2f  %15lld  %-4s  ", ns, t * 1e3,
                          static_cast<long long>(CossosPerCicle(ns)), bits ? "same" : "DIFF");
        }
        out << linia << c.nom << '\n';
    }
    EscriureSensePas(out, sensePas);

    G = GDeExponent(sistema->gexp);
    FactorVelocitat = 1;
    TempsPerCicle = static_cast<float>(kSegonsPerPas);
    const std::string triat = CamiDelPrograma(disc);
    out << "\nthe program would step this disc on: " << triat << '\n';
    EscriureSensePas(out, NoTriats(gpus, triat));
    out << std::flush;
    return estat;
}
