// The cost of one simulation step, literal and fast, per ordered pair of
// bodies, next to the floor set by the pair's arithmetic alone.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/generar.h"
#include "config/orbites.h"
#include "config/previa.h"
#include "lectura/lectura.h"
#include "limit_parell.h"
#include "sistema_realista.h"
#include "physics/fils.h"
#include "physics/globals.h"
#include "physics/pas.h"
#if defined(PARTICULES_PAS_FMA)
#include "quocients_fma.h"
#endif

namespace {

double Ns(clockid_t rellotge)
{
    timespec t;
    clock_gettime(rellotge, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Runs `volta` once per iteration and reports nanoseconds per pair. One
// thread's work is timed in its CPU time, like the CPU column, so that other
// work on the machine does not count; work shared among threads in wall time,
// like the Time column under UseRealTime.
template <class Volta>
void PerParell(benchmark::State& state, int64_t parellsPerVolta, Volta volta,
               clockid_t rellotge = CLOCK_THREAD_CPUTIME_ID)
{
    const double inici = Ns(rellotge);
    for (auto _ : state)
        volta();
    const double parells = static_cast<double>(parellsPerVolta) * static_cast<double>(state.iterations());
    state.counters["ns_per_pair"] = (Ns(rellotge) - inici) / parells;
}

template <class FerPas>
void Passos(benchmark::State& state, FerPas ferPas, clockid_t rellotge = CLOCK_THREAD_CPUTIME_ID)
{
    const int32_t n = static_cast<int32_t>(state.range(0));
    std::vector<Particula> cossos = SistemaRealista(n);
    const ParametresPas parametres = ParametresGlobals();
    ReservarPas(n);
    PerParell(
        state, int64_t{n} * (n - 1),
        [&] {
            ferPas(cossos.data(), n, parametres);
            benchmark::ClobberMemory();
        },
        rellotge);
}

// A fast step on one thread, `disponible` where the processor has its
// instruction set.
template <class FerPas>
void PassosForcats(benchmark::State& state, bool disponible, FerPas ferPas)
{
    if (!disponible) {
        state.SkipWithError("this processor lacks the instruction set");
        return;
    }
    Passos(state, ferPas);
}

void BM_StepLiteral(benchmark::State& state)
{
    Passos(state, PasLiteral);
}

// As the program runs it: the path it chooses for these bodies, its threads
// where they gain.
void BM_StepFast(benchmark::State& state)
{
    const int32_t n = static_cast<int32_t>(state.range(0));
    const std::vector<Particula> cossos = SistemaRealista(n);
    IniciarFilsPas(n, cossos.data(), CicleReal(G, FactorVelocitat, SegonsDeCicle(0), repulsio));
    const DispositiuOpenCL* d = DispositiuPas();
    state.SetLabel(d != nullptr ? NomDispositiu(*d) : CamiPasTriat().nom);
    Passos(state, Pas, CLOCK_MONOTONIC);
    AturarFilsPas();
}

// One path of the table: the processor's on one thread, in its CPU time; a
// device's in wall time, the host filling the columns, sending them, waiting
// for the kernel and taking the velocities back.
void BM_StepPath(benchmark::State& state, const CamiPas& cami)
{
    if (!cami.disponible) {
        state.SkipWithError("this processor lacks the instruction set");
        return;
    }
    if (cami.nucli == nullptr)
        state.SetLabel(cami.nom);
    const FerPas pas = PasDeCami(cami);
    if (!pas) {
        state.SkipWithError("the kernel does not build on this device");
        return;
    }
    // A device's launches find their length in the first steps.
    const int32_t n = static_cast<int32_t>(state.range(0));
    std::vector<Particula> escalfament = SistemaRealista(n);
    bool bo = pas(escalfament.data(), n, ParametresGlobals());
    Passos(
        state, [&](Particula* p, int32_t m, const ParametresPas& q) { bo = pas(p, m, q) && bo; },
        cami.nucli != nullptr ? CLOCK_THREAD_CPUTIME_ID : CLOCK_MONOTONIC);
    if (!bo)
        state.SkipWithError("a step failed on the device");
}

// A fast step on a team of exactly range(1) threads.
template <class FerPas>
void PassosEnEquip(benchmark::State& state, bool disponible, FerPas ferPas)
{
    if (!disponible) {
        state.SkipWithError("this processor lacks the instruction set");
        return;
    }
    EquipFils equip(static_cast<int32_t>(state.range(1)));
    if (equip.parts() != state.range(1)) {
        state.SkipWithError("the system refused the threads");
        return;
    }
    Passos(
        state, [&](Particula* p, int32_t n, const ParametresPas& q) { ferPas(p, n, q, &equip); }, CLOCK_MONOTONIC);
}

// The program's step on a team of each size: the processor's path its run
// would choose for these bodies, shared by the team.
void BM_StepFastThreads(benchmark::State& state)
{
    const int32_t n = static_cast<int32_t>(state.range(0));
    const std::vector<Particula> cossos = SistemaRealista(n);
    // The run's own choice among the processor's paths, with no team made
    // and no device timed for it.
    const CamiPas* triat = TriarCamiProcessador(CaminsProcessador(), cossos.data(), n,
                                                        CicleReal(G, FactorVelocitat, SegonsDeCicle(0), repulsio));
    const CamiPas& cami = triat != nullptr ? *triat : CamiPreferit();
    state.SetLabel(cami.nom);
    PassosEnEquip(state, true,
                  [nucli = cami.nucli](Particula* p, int32_t m, const ParametresPas& q, EquipFils* equip) {
                      PasRapidAmb(nucli, p, m, q, equip);
                  });
}

#if defined(PARTICULES_PAS_FMA)
void BM_StepFastFmaThreads(benchmark::State& state)
{
    PassosEnEquip(state, FmaDisponible(), PasFma);
}
#endif

// As in the program with its limiter on: each step comes after a wait of a
// few milliseconds, long enough for the team's workers to fall asleep, and
// only the steps are timed. Where threads stop gaining here is where the
// program stops using them.
void BM_StepFastAfterAWait(benchmark::State& state)
{
    const int32_t n = static_cast<int32_t>(state.range(0));
    EquipFils equip(static_cast<int32_t>(state.range(1)));
    std::vector<Particula> cossos = SistemaRealista(n);
    ReservarPas(n);
    double ns = 0.0;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        const double inici = Ns(CLOCK_MONOTONIC);
        PasRapidAmb(CamiPreferit().nucli, cossos.data(), n, ParametresGlobals(), &equip);
        benchmark::ClobberMemory();
        const double temps = Ns(CLOCK_MONOTONIC) - inici;
        ns += temps;
        state.SetIterationTime(temps * 1e-9);
    }
    state.counters["ns_per_pair"] = ns / (double(n) * (n - 1) * double(state.iterations()));
}

// What handing a step to the team and waiting for it costs, with no work.
void BM_HandOff(benchmark::State& state)
{
    EquipFils equip(static_cast<int32_t>(state.range(0)));
    for (auto _ : state)
        equip.executar([](void*, int32_t, int32_t) {}, nullptr, equip.parts());
}

#if defined(PARTICULES_PAS_FMA)
// dx / r and dy / r from proved FMA quotients, the experiment in
// quocients_fma.h: the same bits as Avx2.
void BM_StepFastFma(benchmark::State& state)
{
    PassosForcats(state, FmaDisponible(), [](Particula* p, int32_t n, const ParametresPas& q) { PasFma(p, n, q); });
}
#endif

using Limit = double (*)(const Parells&);

// The pair's arithmetic alone on the instruction set of the table's path of
// that name; the scalar one where there is none.
struct LimitDeCami {
    const char* cami;
    Limit limit;
};
constexpr LimitDeCami kLimits[] = {
#if defined(__x86_64__)
    {"SSE2", LimitParellSse2},
    {"AVX2", LimitParellAvx2},
    {"AVX-512", LimitParellAvx512},
#endif
#if defined(PARTICULES_PAS_FMA)
    {"AVX2 FMA dx", LimitParellAvx2FmaDx},
    {"AVX-512 FMA", LimitParellAvx512Fma},
    {"AVX-512 FMA dy", LimitParellAvx512FmaDy},
    {"AVX-512 FMA all", LimitParellAvx512FmaTotes},
#endif
    {"scalar", LimitParellEscalar},
};

const CamiPas& Cami(const std::string& nom)
{
    for (const CamiPas& c : CaminsProcessador())
        if (c.nom == nom)
            return c;
    return CaminsProcessador().front();
}

Limit LimitDe(const CamiPas& cami)
{
    for (const LimitDeCami& l : kLimits)
        if (cami.nom == l.cami)
            return l.limit;
    return LimitParellEscalar;
}

void Limits(benchmark::State& state, bool disponible, Limit limit)
{
    if (!disponible) {
        state.SkipWithError("this processor lacks the instruction set");
        return;
    }
    // Pairs as a 1024-body system has them; small enough to stay in L1.
    constexpr int32_t N = 1024;
    std::mt19937_64 atzar(2024);
    std::uniform_real_distribution<double> diferencia(-2000.0, 2000.0);
    std::uniform_real_distribution<double> massa(5e11, 1.5e12);
    std::vector<double> dx(N), dy(N), mg(N);
    for (int32_t i = 0; i < N; ++i) {
        dx[i] = diferencia(atzar);
        dy[i] = diferencia(atzar);
        mg[i] = massa(atzar) * 6.7e-11;
    }
    const Parells parells{dx.data(), dy.data(), mg.data(), N, 0.001};
    PerParell(state, N, [&] { benchmark::DoNotOptimize(limit(parells)); });
}

void Limits(benchmark::State& state, const CamiPas& cami)
{
    Limits(state, cami.disponible, LimitDe(cami));
}

void BM_PairLimit(benchmark::State& state)
{
    Limits(state, CamiPreferit());
}

void BM_PairLimitAvx2(benchmark::State& state)
{
    Limits(state, Cami("AVX2"));
}

#if defined(PARTICULES_PAS_FMA)
// The pair's arithmetic as the FMA experiment forms it, next to the divider's.
void BM_PairLimitFma(benchmark::State& state)
{
    Limits(state, FmaDisponible(), LimitParellAvx2Fma);
}

// The path with dx / r alone on the FMA units.
void BM_PairLimitFmaDx(benchmark::State& state)
{
    Limits(state, Cami("AVX2 FMA dx"));
}

// The same pair's arithmetic with the square root and dx / r on the FMA units.
void BM_PairLimitAvx512Fma(benchmark::State& state)
{
    Limits(state, Cami("AVX-512 FMA"));
}

// The mixes with dy / r, and with every quotient, on the FMA units too.
void BM_PairLimitAvx512FmaDy(benchmark::State& state)
{
    Limits(state, Cami("AVX-512 FMA dy"));
}

void BM_PairLimitAvx512FmaAll(benchmark::State& state)
{
    Limits(state, Cami("AVX-512 FMA all"));
}

// The prototype of a finer mix, which no path has (limit_avx512fma.cpp).
void BM_PairLimitAvx512FmaAlternate(benchmark::State& state)
{
    Limits(state, Avx512FmaDisponible(), LimitParellAvx512FmaAlterna);
}
#endif

void BM_PairLimitSse2(benchmark::State& state)
{
    Limits(state, Cami("SSE2"));
}

constexpr int64_t kMides[] = {16, 256, 1024, 4096};

void Mides(benchmark::internal::Benchmark* b)
{
    for (const int64_t n : kMides)
        b->Arg(n);
    b->Unit(benchmark::kMicrosecond);
}

void MidesIFils(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"", "threads"})->UseRealTime()->Unit(benchmark::kMicrosecond);
    for (int64_t n : {64, 256, 1024, 4096})
        for (int64_t fils = 1; fils <= ProcessadorsPermesos(); ++fils)
            b->Args({n, fils});
}

void DespresDEsperar(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"", "threads"})->UseManualTime()->Unit(benchmark::kMicrosecond);
    for (int64_t n : {64, 128, 256, 512})
        for (int64_t fils = 1; fils <= ProcessadorsPermesos(); ++fils)
            b->Args({n, fils});
}

void FilsPermesos(benchmark::internal::Benchmark* b)
{
    // Batches of steps, and the median of their means: one late wake-up of a
    // worker would otherwise stand for them all.
    b->ArgName("threads")->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
    for (int64_t fils = 2; fils <= ProcessadorsPermesos(); ++fils)
        b->Arg(fils);
}

std::string ModelDeProcessador()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string linia;
    while (std::getline(cpuinfo, linia))
        if (linia.rfind("model name", 0) == 0 && linia.find(':') != std::string::npos)
            return linia.substr(linia.find(':') + 2);
    return "unknown";
}

// particules-config preview of a generated disc, 1 s of the program's clock
// at key 1, beside the program's step on one core over the same steps, in
// one run: preview's target is a ratio of 1 or less.
void BM_PreviewVsOneCore(benchmark::State& state)
{
    OpcionsGen gen;
    gen.tipus = Tipus::Disc;
    gen.n = static_cast<int32_t>(state.range(0));
    std::string error;
    const Sistema sistema = *Generar(gen, error);
    OpcionsPrevia opcions;
    opcions.segons = 1.0;
    double previa = 0.0, unNucli = 0.0;
    for (auto _ : state) {
        const auto inici = std::chrono::steady_clock::now();
        const InformePrevia informe = Previa(sistema, opcions);
        const auto mig = std::chrono::steady_clock::now();
        const std::unique_ptr<Particula[]> cossos = CrearCossos(sistema);
        // G and the time factor of key 1, as the run has them.
        const double g = GDeExponent(sistema.gexp);
        for (int64_t k = 0; k <= informe.passos; ++k) {
            const float temps = k == 0 ? 0.0f : static_cast<float>(informe.periodeMs) / 1000.0f;
            PasRapidAmb(CamiPreferit().nucli, cossos.get(), gen.n, {g, FactorDePas(1, temps), false});
        }
        const auto fi = std::chrono::steady_clock::now();
        previa += std::chrono::duration<double>(mig - inici).count();
        unNucli += std::chrono::duration<double>(fi - mig).count();
    }
    const double voltes = static_cast<double>(state.iterations());
    state.counters["preview_s"] = previa / voltes;
    state.counters["one_core_s"] = unNucli / voltes;
    state.counters["ratio"] = previa / unNucli;
}

// gen orbits' claims for a star with N - 1 planets on orbits far apart that
// every key holds for a minute: the most its runs take, seven keys at both
// cycles run whole.
void BM_ClaimsOrbits(benchmark::State& state)
{
    std::ostringstream descripcio;
    descripcio << "sun 1 Msun\n";
    for (int64_t i = 1; i < state.range(0); ++i)
        descripcio << "p" << i << " 1 Mearth around sun a " << 5.0 + 0.5 * static_cast<double>(i) << " AU at "
                   << i * 47 % 360 << "\n";
    for (auto _ : state) {
        std::istringstream in(descripcio.str());
        Troballes t;
        auto s = GenerarOrbites(in, OpcionsOrbites(), t);
        ProvarTecles(*s);
        benchmark::DoNotOptimize(s->proves);
    }
}

// gen orbits on a million lines, each a planet of the first body: reading,
// placing and writing, with no claims run, beside gen disc of as many.
void BM_GenOrbitsMillion(benchmark::State& state)
{
    std::ostringstream descripcio;
    descripcio << "sun 1 Msun\n";
    for (int64_t i = 1; i < 1000000; ++i)
        descripcio << "b" << i << " " << 1 + i % 7 << " Mearth around sun a " << 1.0 + static_cast<double>(i) * 1e-5
                   << " AU e 0.01 at " << i % 360 << "\n";
    const std::string text = descripcio.str();
    double orbites = 0.0, disc = 0.0;
    for (auto _ : state) {
        const auto inici = std::chrono::steady_clock::now();
        std::istringstream in(text);
        Troballes t;
        auto s = GenerarOrbites(in, OpcionsOrbites(), t);
        std::ostringstream config;
        EscriureConfig(config, s->sistema, &s->noms);
        const auto mig = std::chrono::steady_clock::now();
        OpcionsGen gen;
        gen.n = 1000000;
        std::string error;
        std::ostringstream configDisc;
        EscriureConfig(configDisc, *Generar(gen, error));
        const auto fi = std::chrono::steady_clock::now();
        orbites += std::chrono::duration<double>(mig - inici).count();
        disc += std::chrono::duration<double>(fi - mig).count();
    }
    state.counters["orbits_s"] = orbites / static_cast<double>(state.iterations());
    state.counters["disc_s"] = disc / static_cast<double>(state.iterations());
    state.counters["ratio"] = orbites / disc;
}

}  // namespace

BENCHMARK(BM_StepLiteral)->Apply(Mides);
BENCHMARK(BM_StepFast)->Apply(Mides)->UseRealTime();
BENCHMARK(BM_StepFastThreads)->Name("BM_StepFast")->Apply(MidesIFils);
BENCHMARK(BM_StepFastAfterAWait)->Apply(DespresDEsperar);
BENCHMARK(BM_HandOff)->Apply(FilsPermesos);
#if defined(PARTICULES_PAS_FMA)
BENCHMARK(BM_StepFastFma)->Apply(Mides);
BENCHMARK(BM_StepFastFmaThreads)->Name("BM_StepFastFma")->Apply(MidesIFils);
#endif
BENCHMARK(BM_PairLimit);
BENCHMARK(BM_PairLimitAvx2);
#if defined(PARTICULES_PAS_FMA)
BENCHMARK(BM_PairLimitFma);
BENCHMARK(BM_PairLimitFmaDx);
BENCHMARK(BM_PairLimitAvx512Fma);
BENCHMARK(BM_PairLimitAvx512FmaDy);
BENCHMARK(BM_PairLimitAvx512FmaAll);
BENCHMARK(BM_PairLimitAvx512FmaAlternate);
#endif
BENCHMARK(BM_PairLimitSse2);
BENCHMARK(BM_PreviewVsOneCore)->Arg(1000)->Iterations(3)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_ClaimsOrbits)->Arg(10)->Arg(50)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_GenOrbitsMillion)->Iterations(3)->Unit(benchmark::kSecond);

namespace {

// The sizes of BM_StepOpenCL, and of BM_StepCpu beside it: --bodies=N,N...,
// taken out of the arguments, or 1024, 4096 and 16384.
std::vector<int64_t> MidesOpenCL(int& argc, char** argv)
{
    std::vector<int64_t> mides;
    const std::string opcio = "--bodies=";
    int queden = 1;
    for (int k = 1; k < argc; ++k) {
        const std::string argument = argv[k];
        if (argument.rfind(opcio, 0) != 0) {
            argv[queden++] = argv[k];
            continue;
        }
        std::istringstream llista(argument.substr(opcio.size()));
        std::string mida;
        while (std::getline(llista, mida, ','))
            mides.push_back(std::atoll(mida.c_str()));
    }
    argc = queden;
    return mides.empty() ? std::vector<int64_t>{1024, 4096, 16384} : mides;
}

}  // namespace

int main(int argc, char** argv)
{
    // Every figure is worth only as much as the name of the machine beside it,
    // on the screen and in saved results alike. On standard error, so that
    // standard output holds only the results, JSON where asked.
    const std::string processador = ModelDeProcessador();
    std::fprintf(stderr, "%s, %s, %d usable processors\n", processador.c_str(), CamiPreferit().nom.c_str(),
                 ProcessadorsPermesos());
    benchmark::AddCustomContext("processor", processador);
    benchmark::AddCustomContext("instruction_set", CamiPreferit().nom);
    benchmark::AddCustomContext("usable_processors", std::to_string(ProcessadorsPermesos()));
    const std::vector<int64_t> mides = MidesOpenCL(argc, argv);
    // The program's processor step on a team of every core beside each
    // device, what a device must beat: BM_StepFast may itself be on a device.
    for (const int64_t n : mides)
        benchmark::RegisterBenchmark("BM_StepCpu", BM_StepFastThreads)
            ->Args({n, ProcessadorsPermesos()})
            ->ArgNames({"", "threads"})
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    // Every path of the table: the processor's as BM_StepFast_<name>, every
    // OpenCL device, processors' too, as BM_StepOpenCL under its own name.
    static const std::vector<CamiPas> camins = CaminsPas(true);
    std::string dispositius;
    for (const CamiPas& c : camins) {
        if (c.nucli != nullptr) {
            benchmark::RegisterBenchmark(("BM_StepFast_" + IdentificadorCami(c)).c_str(), BM_StepPath, c)
                ->Apply(Mides);
            continue;
        }
        dispositius += (dispositius.empty() ? "" : "; ") + c.dispositiu.plataforma + ": " + c.dispositiu.nom;
        benchmark::internal::Benchmark* b = benchmark::RegisterBenchmark("BM_StepOpenCL", BM_StepPath, c);
        for (const int64_t n : mides)
            b->Arg(n);
        b->UseRealTime()->Unit(benchmark::kMillisecond);
    }
    std::fprintf(stderr, "OpenCL devices: %s\n", dispositius.empty() ? "none" : dispositius.c_str());
    benchmark::AddCustomContext("opencl_devices", dispositius.empty() ? "none" : dispositius);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
