// The cost of one simulation step, literal and fast, per ordered pair of
// bodies, next to the floor set by the pair's arithmetic alone.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "config/generar.h"
#include "config/previa.h"
#include "limit_parell.h"
#include "sistema_realista.h"
#include "physics/fils.h"
#include "physics/globals.h"
#include "physics/pas.h"
#include "physics/pas_opencl.h"
#include "physics/pas_rapid.h"
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
    ReservarPas(n);
    PerParell(
        state, int64_t{n} * (n - 1),
        [&] {
            ferPas(cossos.data(), n);
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

void PassosForcats(benchmark::State& state, CamiPas cami)
{
    PassosForcats(state, CamiDisponible(cami), [cami](Particula* p, int32_t n) { PasRapid(p, n, cami); });
}

void BM_StepLiteral(benchmark::State& state)
{
    Passos(state, PasLiteral);
}

// As the program runs it: its threads where they gain.
void BM_StepFast(benchmark::State& state)
{
    IniciarFilsPas(static_cast<int32_t>(state.range(0)));
    Passos(state, Pas, CLOCK_MONOTONIC);
}

// The step on one OpenCL device, in wall time: the host fills the columns,
// sends them, waits for the kernel and takes the velocities back.
void BM_StepOpenCL(benchmark::State& state, const DispositiuOpenCL& d)
{
    state.SetLabel(d.plataforma + ": " + d.nom);
    const int32_t n = static_cast<int32_t>(state.range(0));
    const std::unique_ptr<PasOpenCL> opencl = PasOpenCL::Crear(d);
    if (!opencl || !opencl->reservar(n)) {
        state.SkipWithError("the kernel does not build or fit on this device");
        return;
    }
    bool bo = true;
    Passos(
        state, [&](Particula* p, int32_t m) { bo = opencl->pas(p, m) && bo; }, CLOCK_MONOTONIC);
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
        state, [&](Particula* p, int32_t n) { ferPas(p, n, &equip); }, CLOCK_MONOTONIC);
}

void BM_StepFastThreads(benchmark::State& state)
{
    PassosEnEquip(state, true,
                  [](Particula* p, int32_t n, EquipFils* equip) { PasRapid(p, n, CamiMesAmple(), equip); });
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
        PasRapid(cossos.data(), n, CamiMesAmple(), &equip);
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

void BM_StepFastAvx512(benchmark::State& state)
{
    PassosForcats(state, CamiPas::Avx512);
}

void BM_StepFastAvx2(benchmark::State& state)
{
    PassosForcats(state, CamiPas::Avx2);
}

#if defined(PARTICULES_PAS_FMA)
// dx / r and dy / r from proved FMA quotients, the experiment in
// quocients_fma.h: the same bits as Avx2.
void BM_StepFastFma(benchmark::State& state)
{
    PassosForcats(state, FmaDisponible(), [](Particula* p, int32_t n) { PasFma(p, n); });
}

// AVX-512 with a square root and a quotient of each pair on the FMA units.
void BM_StepFastAvx512Fma(benchmark::State& state)
{
    PassosForcats(state, Avx512FmaDisponible(), [](Particula* p, int32_t n) { PasRapidAmb(PasNucliAvx512Fma, p, n); });
}

void BM_StepFastAvx512FmaThreads(benchmark::State& state)
{
    PassosEnEquip(state, Avx512FmaDisponible(),
                  [](Particula* p, int32_t n, EquipFils* equip) { PasRapidAmb(PasNucliAvx512Fma, p, n, equip); });
}
#endif

void BM_StepFastSse2(benchmark::State& state)
{
    PassosForcats(state, CamiPas::Sse2);
}

void BM_StepFastScalar(benchmark::State& state)
{
    PassosForcats(state, CamiPas::Escalar);
}

using Limit = double (*)(const Parells&);

Limit LimitDe(CamiPas cami)
{
    switch (cami) {
#if defined(__x86_64__)
    case CamiPas::Avx512:
        return LimitParellAvx512;
    case CamiPas::Avx2:
        return LimitParellAvx2;
    case CamiPas::Sse2:
        return LimitParellSse2;
#endif
    default:
        return LimitParellEscalar;
    }
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

void Limits(benchmark::State& state, CamiPas cami)
{
    Limits(state, CamiDisponible(cami), LimitDe(cami));
}

void BM_PairLimit(benchmark::State& state)
{
    Limits(state, CamiMesAmple());
}

void BM_PairLimitAvx2(benchmark::State& state)
{
    Limits(state, CamiPas::Avx2);
}

#if defined(PARTICULES_PAS_FMA)
// The pair's arithmetic as the FMA experiment forms it, next to the divider's.
void BM_PairLimitFma(benchmark::State& state)
{
    Limits(state, FmaDisponible(), LimitParellAvx2Fma);
}

// The same pair's arithmetic with the square root and dx / r on the FMA units.
void BM_PairLimitAvx512Fma(benchmark::State& state)
{
    Limits(state, Avx512FmaDisponible(), LimitParellAvx512Fma);
}
#endif

void BM_PairLimitSse2(benchmark::State& state)
{
    Limits(state, CamiPas::Sse2);
}

void Mides(benchmark::internal::Benchmark* b)
{
    b->Arg(16)->Arg(256)->Arg(1024)->Arg(4096)->Unit(benchmark::kMicrosecond);
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
        // Previa leaves G and the time factor as the run had them.
        for (int64_t k = 0; k <= informe.passos; ++k) {
            TempsPerCicle = k == 0 ? 0.0f : static_cast<float>(informe.periodeMs) / 1000.0f;
            PasRapid(cossos.get(), gen.n, CamiMesAmple());
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

}  // namespace

BENCHMARK(BM_StepLiteral)->Apply(Mides);
BENCHMARK(BM_StepFast)->Apply(Mides)->UseRealTime();
// Beside BM_StepOpenCL's largest size.
BENCHMARK(BM_StepFast)->Arg(16384)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepFastThreads)->Name("BM_StepFast")->Apply(MidesIFils);
BENCHMARK(BM_StepFastAfterAWait)->Apply(DespresDEsperar);
BENCHMARK(BM_HandOff)->Apply(FilsPermesos);
BENCHMARK(BM_StepFastAvx512)->Apply(Mides);
BENCHMARK(BM_StepFastAvx2)->Apply(Mides);
#if defined(PARTICULES_PAS_FMA)
BENCHMARK(BM_StepFastFma)->Apply(Mides);
BENCHMARK(BM_StepFastFmaThreads)->Name("BM_StepFastFma")->Apply(MidesIFils);
BENCHMARK(BM_StepFastAvx512Fma)->Apply(Mides);
BENCHMARK(BM_StepFastAvx512FmaThreads)->Name("BM_StepFastAvx512Fma")->Apply(MidesIFils);
#endif
BENCHMARK(BM_StepFastSse2)->Apply(Mides);
BENCHMARK(BM_StepFastScalar)->Apply(Mides);
BENCHMARK(BM_PairLimit);
BENCHMARK(BM_PairLimitAvx2);
#if defined(PARTICULES_PAS_FMA)
BENCHMARK(BM_PairLimitFma);
BENCHMARK(BM_PairLimitAvx512Fma);
#endif
BENCHMARK(BM_PairLimitSse2);
BENCHMARK(BM_PreviewVsOneCore)->Arg(1000)->Iterations(3)->UseRealTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    // Every figure is worth only as much as the name of the machine beside it,
    // on the screen and in saved results alike.
    const std::string processador = ModelDeProcessador();
    std::printf("%s, %s, %d usable processors\n", processador.c_str(), NomCamiPas(CamiMesAmple()),
                ProcessadorsPermesos());
    benchmark::AddCustomContext("processor", processador);
    benchmark::AddCustomContext("instruction_set", NomCamiPas(CamiMesAmple()));
    benchmark::AddCustomContext("usable_processors", std::to_string(ProcessadorsPermesos()));
    // Every OpenCL device, processors' too, each under its own name.
    std::string dispositius;
    for (const DispositiuOpenCL& d : DispositiusOpenCL(true)) {
        dispositius += (dispositius.empty() ? "" : "; ") + d.plataforma + ": " + d.nom;
        benchmark::RegisterBenchmark("BM_StepOpenCL", BM_StepOpenCL, d)
            ->Arg(1024)
            ->Arg(4096)
            ->Arg(16384)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    std::printf("OpenCL devices: %s\n", dispositius.empty() ? "none" : dispositius.c_str());
    benchmark::AddCustomContext("opencl_devices", dispositius.empty() ? "none" : dispositius);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
