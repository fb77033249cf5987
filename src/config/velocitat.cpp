#include "config/velocitat.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "config/generar.h"
#include "config/previa.h"
#include "lectura/lectura.h"
#include "physics/fils.h"
#include "physics/globals.h"
#include "physics/pas.h"

namespace {

using Cossos = std::vector<Particula>;

// Each path is timed for at least this many steps after one that warms it
// up, and for as many more as fit in the time, up to the most.
constexpr int kPassosMinims = 3;
constexpr int kPassosMaxims = 20;
constexpr double kSegonsPerCami = 1.0;
// The cycle the program keeps at its default of 100 a second.
constexpr double kSegonsPerPas = 0.01;
// The longest that speed may take, and the bodies its estimate is timed on.
constexpr double kSegonsMaxims = 180.0;
constexpr int32_t kCossosEstimacio = 512;

// A path, and the step whose bits it must give.
struct Fila {
    std::string nom;
    FerPas pas;
    FerPas referencia;
};

std::string NomCpu(const CamiPas& cami, int32_t fils)
{
    return "CPU " + cami.nom + ", " + std::to_string(fils) + (fils == 1 ? " thread" : " threads");
}

std::string NomOpenCL(const CamiPas& cami)
{
    return cami.nom + (cami.dispositiu.cpu ? " (a processor: never the program's)" : "");
}

// The median of a few steps of the disc, in seconds; negative when one fails.
double MedianaDePas(const Cossos& disc, const FerPas& pas, const ParametresPas& cicle)
{
    Cossos cossos = disc;
    const int32_t n = static_cast<int32_t>(cossos.size());
    if (!pas(cossos.data(), n, cicle))
        return -1.0;
    std::vector<double> temps;
    double total = 0.0;
    while (temps.size() < kPassosMinims || (temps.size() < kPassosMaxims && total < kSegonsPerCami)) {
        const auto inici = std::chrono::steady_clock::now();
        if (!pas(cossos.data(), n, cicle))
            return -1.0;
        temps.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - inici).count());
        total += temps.back();
    }
    std::sort(temps.begin(), temps.end());
    return temps[temps.size() / 2];
}

// The largest count whose n (n - 1) pairs take one cycle at `ns` a pair.
int64_t CossosPerCicle(double ns)
{
    const double parells = kSegonsPerPas * 1e9 / ns;
    return static_cast<int64_t>(std::floor((1.0 + std::sqrt(1.0 + 4.0 * parells)) / 2.0));
}

// What the program's run of this disc would take, as it begins: its own
// choice, its path's name, and the processor's path it chose.
struct Triat {
    std::string nom;
    CamiPas cpu;
};

Triat CamiDelPrograma(const Cossos& disc, const ParametresPas& cicle)
{
    const int32_t n = static_cast<int32_t>(disc.size());
    IniciarFilsPas(n, disc.data(), cicle);
    const DispositiuOpenCL* d = DispositiuPas();
    Triat triat{d != nullptr ? NomDispositiu(*d) : NomCpu(CamiPasTriat(), PasEnFils(n) ? ProcessadorsPermesos() : 1),
                CamiPasTriat()};
    AturarFilsPas();
    return triat;
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

// A disc of n bodies as gen disc makes it; null, with the message written,
// where it cannot be made.
std::optional<Sistema> Disc(int32_t n, Cossos& disc)
{
    OpcionsGen gen;
    gen.tipus = Tipus::Disc;
    gen.n = n;
    std::string error;
    std::optional<Sistema> sistema = Generar(gen, error);
    if (!sistema) {
        std::cerr << "particules-config: " << error << std::endl;
        return sistema;
    }
    const std::unique_ptr<Particula[]> creats = CrearCossos(*sistema);
    disc.assign(creats.get(), creats.get() + n);
    return sistema;
}

// A real cycle of the program's run of the disc, as start-up leaves it.
ParametresPas CicleDelDisc(const Sistema& sistema)
{
    return CicleReal(GDeExponent(sistema.gexp), 1, SegonsDeCicle(sistema.cicles), false);
}

// The processor's paths on the program's threads, the widest on one thread
// too, each checked against the literal step.
std::vector<Fila> CaminsCpu(EquipFils* fils)
{
    const FerPas literal = [](Particula* p, int32_t m, const ParametresPas& param) {
        PasLiteral(p, m, param);
        return true;
    };
    std::vector<Fila> camins;
    for (const CamiPas& c : CaminsProcessador())
        if (c.disponible)
            camins.push_back({NomCpu(c, fils != nullptr ? fils->parts() : 1), PasDeCami(c, fils), literal});
    if (fils != nullptr)
        camins.push_back({NomCpu(CamiPreferit(), 1), PasDeCami(CamiPreferit()), literal});
    return camins;
}

// Every OpenCL device, checked against the program's own processor path as
// the program checks it; devices left out, and GPUs and accelerators that
// step but that the program may still not take, each with why.
void AfegirOpenCL(int32_t n, const FerPas& cpu, std::vector<Fila>& camins, std::vector<SensePas>& sensePas,
                  std::vector<SensePas>& gpus)
{
    for (const CamiPas& c : CaminsPas(true)) {
        if (c.nucli != nullptr)
            continue;
        // Its kernel and its buffers for the disc first: a device short of
        // memory says so, rather than failing the gate as if its bits differed.
        std::string motiu;
        std::shared_ptr<PasOpenCL> opencl = PasOpenCL::Crear(c.dispositiu, &motiu);
        if (!opencl || !opencl->reservar(n, &motiu)) {
            sensePas.push_back({NomOpenCL(c), motiu});
            continue;
        }
        camins.push_back({NomOpenCL(c), [opencl](Particula* p, int32_t m, const ParametresPas& q) {
                              return opencl->reservar(m) && opencl->pas(p, m, q);
                          }, cpu});
        if (!c.dispositiu.cpu)
            gpus.push_back({c.nom, ""});
    }
    std::vector<DispositiuDescartat> descartats;
    DispositiusOpenCL(true, &descartats);
    for (const DispositiuDescartat& d : descartats)
        sensePas.push_back({"OpenCL " + d.plataforma + ": " + d.nom, d.motiu});
}

// Each path timed and its bits put through the gate, a line each; a GPU
// that loses learns why. 1 where any bits differ.
int EscriureTaula(std::ostream& out, const Cossos& disc, const ParametresPas& cicle, const std::vector<Fila>& camins,
                  std::vector<SensePas>& gpus)
{
    const int32_t n = static_cast<int32_t>(disc.size());
    out << "the step on a disc of " << n << " bodies (particules-config gen disc -n " << n << "), its bits\n"
        << "through the program's gate: three steps of the disc and of each edge case, at its cycle\n\n"
        << "ns/pair  ms/step  bodies at 100/s  bits  path\n";
    int estat = 0;
    for (const Fila& c : camins) {
        const double t = MedianaDePas(disc, c.pas, cicle);
        const bool bits = PassaPorta(c.pas, c.referencia, disc.data(), n, cicle);
        estat = bits ? estat : 1;
        for (SensePas& g : gpus)
            if (g.nom == c.nom)
                g.motiu = !bits    ? "its bits differ: the program's gate refuses it"
                          : t < 0.0 ? "a step failed on it"
                                    : "slower than the program's step on this disc";
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
    return estat;
}

}  // namespace

EstimacioVelocitat EstimarVelocitat(int32_t n)
{
    // Every path timed for at least four steps of all n bodies, and the
    // program's own choice timing the processor again, each at no more than
    // the literal step's cost on one thread.
    double files = ProcessadorsPermesos() > 1 ? 2.0 : 1.0;
    for (const CamiPas& c : CaminsPas(true))
        files += c.disponible ? 1.0 : 0.0;
    const double passos = files * (kPassosMinims + 1);

    Cossos disc;
    double ns = 0.0;
    if (const std::optional<Sistema> sistema = Disc(kCossosEstimacio, disc)) {
        const ParametresPas cicle = CicleDelDisc(*sistema);
        double millor = std::numeric_limits<double>::infinity();
        for (int k = 0; k < kPassosMinims; ++k) {
            Cossos cossos = disc;
            const auto inici = std::chrono::steady_clock::now();
            PasLiteral(cossos.data(), kCossosEstimacio, cicle);
            millor = std::min(millor, std::chrono::duration<double>(std::chrono::steady_clock::now() - inici).count());
        }
        ns = millor * 1e9 / (double(kCossosEstimacio) * (kCossosEstimacio - 1));
    }
    const double parells = kSegonsMaxims * 1e9 / (passos * ns);
    EstimacioVelocitat e;
    e.segons = passos * ns * 1e-9 * static_cast<double>(n) * static_cast<double>(n - 1);
    e.maxim = static_cast<int32_t>(std::min(std::floor((1.0 + std::sqrt(1.0 + 4.0 * parells)) / 2.0), 1e9));
    return e;
}

int Velocitat(std::ostream& out, int32_t n)
{
    Cossos disc;
    const std::optional<Sistema> sistema = Disc(n, disc);
    if (!sistema)
        return 1;
    if (!ReservarPas(n)) {
        std::cerr << "particules-config: " << n << " bodies do not fit in memory" << std::endl;
        return 1;
    }

    const ParametresPas cicle = CicleDelDisc(*sistema);
    const Triat programa = CamiDelPrograma(disc, cicle);

    // The processor's paths on the threads the program would step this disc
    // on, then every OpenCL device.
    const int32_t processadors = ProcessadorsPermesos();
    auto equip = std::make_shared<EquipFils>(processadors);
    EquipFils* const fils = n >= COSSOS_PER_FILS && equip->parts() > 1 ? equip.get() : nullptr;
    std::vector<Fila> camins = CaminsCpu(fils);
    const FerPas cpu = PasDeCami(programa.cpu, fils);
    std::vector<SensePas> sensePas, gpus;
    AfegirOpenCL(n, cpu, camins, sensePas, gpus);

    const int estat = EscriureTaula(out, disc, cicle, camins, gpus);
    EscriureSensePas(out, sensePas);

    out << "\nthe program would step this disc on: " << programa.nom << '\n';
    gpus.erase(std::remove_if(gpus.begin(), gpus.end(), [&](const SensePas& g) { return g.nom == programa.nom; }),
               gpus.end());
    EscriureSensePas(out, gpus);
    out << std::flush;
    return estat;
}
