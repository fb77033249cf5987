#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "physics/fils.h"
#include "physics/globals.h"
#include "physics/pas.h"
#include "physics/tria.h"
#include "physics/pas_rapid.h"
#include "opencl_prova.h"
#if defined(PARTICULES_PAS_FMA)
#include "quocients_fma.h"
#endif

namespace {

using Cossos = std::vector<Particula>;

constexpr int N_MAXIM = 40;
constexpr int PASSOS = 1000;
constexpr uint64_t MASSA_MAXIMA = std::numeric_limits<uint64_t>::max();

// Bit for bit, except that any NaN equals any NaN: the payload a NaN carries
// is up to the compiler's choice of operand order, even in the literal step.
std::string Escrit(double x)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (%a)", x, x);
    return text;
}

::testing::AssertionResult Iguals(const Cossos& literal, const Cossos& rapid)
{
    for (size_t i = 0; i < literal.size(); ++i) {
        const vector p[2] = {literal[i].retornarposicio(), rapid[i].retornarposicio()};
        const vector v[2] = {literal[i].retornarvelocitat(), rapid[i].retornarvelocitat()};
        const double esperat[4] = {p[0].x, p[0].y, v[0].x, v[0].y};
        const double obtingut[4] = {p[1].x, p[1].y, v[1].x, v[1].y};
        static const char* const noms[4] = {"position x", "position y", "velocity x", "velocity y"};
        for (int c = 0; c < 4; ++c) {
            if (!MateixosBits(esperat[c], obtingut[c]))
                return ::testing::AssertionFailure() << "body " << i << " " << noms[c] << ": literal "
                                                     << Escrit(esperat[c]) << ", fast " << Escrit(obtingut[c]);
        }
    }
    return ::testing::AssertionSuccess();
}

double Uniforme(std::mt19937_64& atzar, double a, double b)
{
    return std::uniform_real_distribution<double>(a, b)(atzar);
}

Cossos Aleatoris(std::mt19937_64& atzar, int n, double abast, double rapidesa, uint64_t massa)
{
    Cossos cossos(static_cast<size_t>(n));
    for (Particula& p : cossos) {
        p.valors(Uniforme(atzar, -abast, abast), Uniforme(atzar, -abast, abast),
                 Uniforme(atzar, -rapidesa, rapidesa), Uniforme(atzar, -rapidesa, rapidesa),
                 std::uniform_int_distribution<uint64_t>(0, massa)(atzar), 1.0f);
    }
    return cossos;
}

// The fast step on every path this processor has, shared among threads, as
// the program runs it, and on every OpenCL device.
struct Cami {
    std::string nom;
    std::function<void(Particula*, int32_t, const ParametresPas&)> pas;
};

// Teams of 2 to 5 threads whatever the cores, one after another step by step,
// so that every body count meets every way of cutting its blocks.
void PasEnEquips(Particula* p, int32_t n, const ParametresPas& q)
{
    static EquipFils equips[] = {EquipFils(2), EquipFils(3), EquipFils(4), EquipFils(5)};
    static int torn = 0;
    torn = (torn + 1) % 4;
    PasRapidAmb(CamiPreferit().nucli, p, n, q, &equips[torn]);
}

// The step in slices, as the page runs a long one: of 1 body (a lane block),
// 13, 100 and varying sizes, alone and on a team, step after step.
int64_t MidaTros(void* dades, int32_t fets, int32_t)
{
    const int64_t mida = *static_cast<int64_t*>(dades);
    return mida > 0 ? mida : 1 + fets % 37;
}

void PasEnTrossos(Particula* p, int32_t n, const ParametresPas& q)
{
    static EquipFils equip(3);
    static int torn = 0;
    int64_t mides[] = {1, 13, 100, 0};
    torn = (torn + 1) % 8;
    PasRapidPerTrossos(CamiPreferit().nucli, p, n, q, torn % 2 == 0 ? &equip : nullptr, MidaTros, &mides[torn / 2]);
}

std::vector<Cami> CaminsDisponibles()
{
    std::vector<Cami> camins;
    for (PasDeDispositiu& p : PassosOpenCL())
        camins.push_back({p.nom, std::move(p.pas)});
    // make gpu-check's run on one device.
    if (DispositiuDeLesProves() >= 0)
        return camins;
    for (const CamiPas& c : CaminsProcessador())
        if (c.disponible)
            camins.push_back({c.nom, PasDeCami(c)});
#if defined(PARTICULES_PAS_FMA)
    // The FMA experiment in bench/, which the program never runs.
    if (FmaDisponible())
        camins.push_back({"Avx2Fma", [](Particula* p, int32_t n, const ParametresPas& q) { PasFma(p, n, q); }});
#endif
    camins.push_back({"Fils", PasEnEquips});
    camins.push_back({"Trossos", PasEnTrossos});
    camins.push_back({"PasPerTrossos", [](Particula* p, int32_t n, const ParametresPas& q) {
        int64_t mida = 0;
        PasPerTrossos(p, n, q, MidaTros, &mida);
    }});
    camins.push_back({"Pas", Pas});
    return camins;
}

// Steps copies of the same bodies with the literal step and with every fast
// path side by side, and compares them after every step. Before step k,
// `abans`(k, copies) may change the run state, or every copy alike; copies[0]
// is the literal one.
template <class Abans>
::testing::AssertionResult MateixosPassos(const Cossos& inicial, int passos, Abans abans)
{
    static const std::vector<Cami> camins = CaminsDisponibles();
    std::vector<Cossos> copies(camins.size() + 1, inicial);
    const int32_t n = static_cast<int32_t>(inicial.size());
    for (int k = 0; k < passos; ++k) {
        abans(k, copies);
        PasLiteral(copies[0].data(), n, ParametresGlobals());
        for (size_t c = 0; c < camins.size(); ++c) {
            camins[c].pas(copies[c + 1].data(), n, ParametresGlobals());
            ::testing::AssertionResult iguals = Iguals(copies[0], copies[c + 1]);
            if (!iguals)
                return iguals << " on path " << camins[c].nom << " after step " << k + 1 << " of " << n
                              << " bodies";
        }
    }
    return ::testing::AssertionSuccess();
}

void Aturar(std::vector<Cossos>& copies)
{
    for (Cossos& cossos : copies) {
        for (Particula& p : cossos)
            p.situar(p.retornarposicio(), {0.0, 0.0});
    }
}

// The program's cycles vary in length, and its first one lasts 0.
auto CiclesVariables(std::mt19937_64& atzar)
{
    return [&atzar](int k, std::vector<Cossos>&) {
        TempsPerCicle = k % 97 == 0 ? 0.0f : static_cast<float>(Uniforme(atzar, 0.0005, 0.05));
    };
}

class IgualQueLiteral : public ::testing::Test {
protected:
    void SetUp() override
    {
        Reiniciar();
        G = 6.7e-11;
    }
    void TearDown() override { Reiniciar(); }

    static void Reiniciar()
    {
        G = 0.0;
        FactorVelocitat = 1;
        TempsPerCicle = 0.0f;
        repulsio = false;
    }
};

// A signal's stop, raised on another thread as a signal handler raises it.
class Interrupcio : public IgualQueLiteral {
protected:
    void TearDown() override
    {
        ReprendrePas();
        AturarFilsPas();
        IgualQueLiteral::TearDown();
    }
};

}  // namespace

// A stop raised before a step or while it runs ends it early on every thread,
// and the step after it at once, each leaving every body as it was; resumed,
// the steps are the literal ones again.
TEST_F(Interrupcio, LeavesTheBodiesAsTheyWereThenStepsResume)
{
    std::mt19937_64 atzar(7);
    FactorVelocitat = 60;
    TempsPerCicle = 0.01f;
    // 10^10 pulls: seconds on any path, longer still on a loaded machine, so
    // the stop raised 2 ms in lands inside the step however late the thread
    // that raises it is woken; a stopped step costs only its start.
    constexpr int32_t n = 100000;
    const Cossos inicial = Aleatoris(atzar, n, 1000.0, 1.0, 1000000000000);
    IniciarFilsPas(n);
    for (const Cami& cami : CaminsDisponibles()) {
        for (const bool durant : {false, true}) {
            Cossos cossos = inicial;
            std::thread senyal;
            if (durant)
                senyal = std::thread([] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    InterromprePas();
                });
            else
                InterromprePas();
            cami.pas(cossos.data(), n, ParametresGlobals());
            if (senyal.joinable())
                senyal.join();
            const char* quan = durant ? " stopped while it ran" : " stopped before it";
            EXPECT_TRUE(PasInterromput());
            EXPECT_TRUE(Iguals(inicial, cossos)) << cami.nom << quan;
            cami.pas(cossos.data(), n, ParametresGlobals());
            EXPECT_TRUE(Iguals(inicial, cossos)) << cami.nom << quan << ", the next step";
            ReprendrePas();
        }
        const Cossos petit = Aleatoris(atzar, 37, 100.0, 1.0, 100000000000000);
        EXPECT_TRUE(MateixosPassos(petit, 3, [](int, std::vector<Cossos>&) {})) << cami.nom << " resumed";
    }
}

TEST_F(IgualQueLiteral, GravityForEveryBodyCount)
{
    std::mt19937_64 atzar(1);
    FactorVelocitat = 60;
    // Up to nine blocks of eight, more than the largest team.
    for (int n = 1; n <= 70; ++n)
        EXPECT_TRUE(MateixosPassos(Aleatoris(atzar, n, 100.0, 1.0, 100000000000000), PASSOS,
                                   CiclesVariables(atzar)));
    // Many blocks, and long runs before and after each one.
    for (int n : {100, 333})
        EXPECT_TRUE(MateixosPassos(Aleatoris(atzar, n, 1000.0, 1.0, 1000000000000), 20,
                                   CiclesVariables(atzar)));
}

TEST_F(IgualQueLiteral, RepulsionSwitchedOnAndOff)
{
    std::mt19937_64 atzar(2);
    FactorVelocitat = 3600;
    const auto cicles = CiclesVariables(atzar);
    for (int n = 1; n <= N_MAXIM; ++n) {
        const auto abans = [&](int k, std::vector<Cossos>& copies) {
            repulsio = (k / 100) % 2 == 0;
            cicles(k, copies);
        };
        EXPECT_TRUE(MateixosPassos(Aleatoris(atzar, n, 500.0, 0.1, 1000000000000), PASSOS, abans));
    }
}

TEST_F(IgualQueLiteral, AfterEveryBodyIsStopped)
{
    std::mt19937_64 atzar(3);
    FactorVelocitat = 600;
    const auto cicles = CiclesVariables(atzar);
    for (int n = 1; n <= N_MAXIM; ++n) {
        const auto abans = [&](int k, std::vector<Cossos>& copies) {
            if (k % 250 == 125)
                Aturar(copies);
            cicles(k, copies);
        };
        EXPECT_TRUE(MateixosPassos(Aleatoris(atzar, n, 100.0, 2.0, 100000000000000), PASSOS, abans));
    }
}

TEST_F(IgualQueLiteral, CoincidentBodiesAndNegativeZeros)
{
    // Bodies share a few places, some at rest with velocities of -0, and
    // massless ones pull with signed zeros. Each skipped pair must leave a -0
    // as it is.
    std::mt19937_64 atzar(4);
    const double llocs[3][2] = {{0.0, 0.0}, {5.0, -3.0}, {5.0, 40.0}};
    const double rapideses[4] = {-0.0, 0.0, -0.5, 0.25};
    const auto cicles = CiclesVariables(atzar);
    for (int n = 1; n <= N_MAXIM; ++n) {
        Cossos cossos(static_cast<size_t>(n));
        for (Particula& p : cossos) {
            const double* lloc = llocs[atzar() % 3];
            const uint64_t massa = atzar() % 2 == 0 ? 0 : 1000000000000;
            p.valors(lloc[0], lloc[1], rapideses[atzar() % 4], rapideses[atzar() % 4], massa, 1.0f);
        }
        EXPECT_TRUE(MateixosPassos(cossos, PASSOS, [&](int k, std::vector<Cossos>& copies) {
            // Long stretches of zero time keep the coincident bodies together.
            if ((k / 50) % 2 == 0)
                TempsPerCicle = 0.0f;
            else
                cicles(k, copies);
        }));
    }
}

TEST_F(IgualQueLiteral, ZeroAndHugeMasses)
{
    // The mass converts as unsigned: from 2^63 on, a signed conversion would
    // pull the other way.
    std::mt19937_64 atzar(5);
    const uint64_t masses[] = {0, 1, (uint64_t{1} << 63) - 1, uint64_t{1} << 63, (uint64_t{1} << 63) + 1,
                               MASSA_MAXIMA};
    const auto cicles = CiclesVariables(atzar);
    for (int n = 1; n <= N_MAXIM; ++n) {
        Cossos cossos = Aleatoris(atzar, n, 1.0e6, 10.0, MASSA_MAXIMA);
        for (Particula& p : cossos) {
            if (atzar() % 2 == 0) {
                const vector q = p.retornarposicio();
                const vector v = p.retornarvelocitat();
                p.valors(q.x, q.y, v.x, v.y, masses[atzar() % 6], 1.0f);
            }
        }
        EXPECT_TRUE(MateixosPassos(cossos, PASSOS, cicles));
    }
}

TEST_F(IgualQueLiteral, InfinitiesAndNaNsAsTheyArise)
{
    // G and the time factor so large that the heavier close pairs overflow
    // some way into the run: infinite pulls, velocities and positions, then
    // NaN from inf - inf, inf / inf and 0 * inf, next to bodies still finite.
    G = 1.0e285;
    FactorVelocitat = 31536000;
    std::mt19937_64 atzar(6);
    const auto cicles = CiclesVariables(atzar);
    bool infinits = false;
    bool nans = false;
    for (int n = 1; n <= N_MAXIM; ++n) {
        Cossos cossos = Aleatoris(atzar, n, 1000.0, 1.0, 0);
        for (Particula& p : cossos) {
            const vector q = p.retornarposicio();
            const vector v = p.retornarvelocitat();
            const unsigned bits = static_cast<unsigned>(atzar() % 64);
            p.valors(q.x, q.y, v.x, v.y, atzar() >> bits, 1.0f);
        }
        EXPECT_TRUE(MateixosPassos(cossos, PASSOS, [&](int k, std::vector<Cossos>& copies) {
            for (const Particula& p : copies[0]) {
                const vector q = p.retornarposicio();
                const vector v = p.retornarvelocitat();
                for (double c : {q.x, q.y, v.x, v.y}) {
                    infinits = infinits || std::isinf(c);
                    nans = nans || std::isnan(c);
                }
            }
            cicles(k, copies);
        }));
    }
    EXPECT_TRUE(infinits);
    EXPECT_TRUE(nans);
}


// make test's machine has PoCL, so that the OpenCL step is always among those
// compared; a driver that fails to build the kernel shows here too.
TEST(OpenCL, TheTestsHaveADevice)
{
#if defined(PARTICULES_SENSE_OPENCL)
    GTEST_SKIP() << "built without OpenCL";
#endif
    EXPECT_FALSE(DispositiusDeLesProves().empty()) << "no OpenCL device: scripts/install-deps.sh installs PoCL";
    EXPECT_EQ(PassosOpenCL().size(), DispositiusDeLesProves().size());
}
