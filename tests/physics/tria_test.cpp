#include <gtest/gtest.h>

#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "physics/costures_prova.h"
#include "physics/globals.h"
#include "physics/pas.h"
#include "unitats.h"

// The gate that a step must pass to stand in for the processor's: each fault
// planted in a step is refused, on the comparison that is there to see it.

namespace {

using Cossos = std::vector<Particula>;

// The literal step written out once more, with faults to switch on.
struct Falles {
    bool fusionat = false;         // v + dv * f with one rounding
    bool estiraNan = false;        // a NaN distance pulls
    bool estiraAZero = false;      // so does a distance of 0
    bool senseRepulsio = false;    // always pulls
    bool massaTruncada = false;    // masses round toward zero
};

void PasAmbFalles(Particula* p, int32_t n, const Falles& falles, const ParametresPas& q)
{
    const double f = q.f;
    for (int32_t i = 0; i < n; ++i) {
        p[i].moviment(q);
        const vector x = p[i].retornarposicio();
        vector v = p[i].retornarvelocitat();
        for (int32_t j = 0; j < n; ++j) {
            if (j == i)
                continue;
            const vector d = DistanciaVectors(x, p[j].retornarposicio());
            const double r = ModulVector(d);
            const bool actua = falles.estiraNan ? !(r <= 0.0) : falles.estiraAZero ? r >= 0.0 : r > 0.0;
            if (!actua)
                continue;
            const uint64_t m = falles.massaTruncada ? p[j].retornarmassa() & ~uint64_t{0x7ff} : p[j].retornarmassa();
            const double k = static_cast<double>(m) * q.g / (r * r);
            const double ax = d.x / r * k, ay = d.y / r * k;
            if (q.repulsio && !falles.senseRepulsio)
                v = {v.x - ax * f, v.y - ay * f};
            else if (falles.fusionat)
                v = {std::fma(ax, f, v.x), std::fma(ay, f, v.y)};
            else
                v = {ax * f + v.x, ay * f + v.y};
        }
        p[i].situar(x, v);
    }
}

// Every value of every body, changed by `canvi` where it is not the same.
void Canviar(Particula* p, int32_t n, const std::function<double(double)>& canvi)
{
    for (int32_t i = 0; i < n; ++i) {
        const vector x = p[i].retornarposicio(), v = p[i].retornarvelocitat();
        p[i].situar({canvi(x.x), canvi(x.y)}, {canvi(v.x), canvi(v.y)});
    }
}

double BitCanviat(double x)
{
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    bits ^= 1;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// A run's bodies: a disc's worth, none at rest, none on top of another.
Cossos Aleatoris(int n)
{
    std::mt19937_64 atzar(3);
    std::uniform_real_distribution<double> posicio(-1000.0, 1000.0), velocitat(-1.0, 1.0);
    Cossos cossos(static_cast<size_t>(n));
    for (Particula& p : cossos)
        p.valors(posicio(atzar), posicio(atzar), velocitat(atzar), velocitat(atzar), atzar() >> 24, 1.0f);
    return cossos;
}

FerPas Literal()
{
    return [](Particula* p, int32_t n, const ParametresPas& q) {
        PasLiteral(p, n, q);
        return true;
    };
}

// The step with one of its faults switched on, or none, and `despres` done to
// the bodies after it.
FerPas AmbFalles(bool Falles::*falla, std::function<void(Particula*, int32_t)> despres = nullptr)
{
    Falles falles;
    if (falla != nullptr)
        falles.*falla = true;
    return [falles, despres](Particula* p, int32_t n, const ParametresPas& q) {
        PasAmbFalles(p, n, falles, q);
        if (despres)
            despres(p, n);
        return true;
    };
}

class Porta : public AmbUnitats {
protected:
    void SetUp() override
    {
        AmbUnitats::SetUp();
        G = 6.7e-11;
    }
};

}  // namespace

TEST_F(Porta, RefusesEachPlantedFaultWhereItShows)
{
    constexpr int N = 50;
    const Cossos cossos = Aleatoris(N);
    // The run's bodies never sit on each other, never move alone: those
    // faults show only in the edge cases, which some steps are given alone.
    struct Cas {
        const char* cas;
        FerPas pas;
        bool cossosDelRun;  // the run's bodies given, or the edge cases alone
        bool passa;
    } const casos[] = {
        {"the literal step written out again", AmbFalles(nullptr), true, true},
        {"the scalar kernel", PasDeCami(CaminsProcessador().front()), true, true},
        {"one bit of one of the run's bodies", AmbFalles(nullptr, [](Particula* p, int32_t n) {
             if (n == N)
                 p[17].situar(p[17].retornarposicio(), {BitCanviat(p[17].retornarvelocitat().x), p[17].retornarvelocitat().y});
         }), true, false},
        {"the step factor one ulp larger", [](Particula* p, int32_t n, const ParametresPas& q) {
             ParametresPas mes = q;
             mes.f = FactorDePas(1, std::nextafter(static_cast<float>(q.f), 1.0f));
             PasLiteral(p, n, mes);
             return true;
         }, false, false},
        {"fused multiply-adds", AmbFalles(&Falles::fusionat), false, false},
        {"signed zeros lost", AmbFalles(nullptr, [](Particula* p, int32_t n) {
             Canviar(p, n, [](double x) { return x == 0.0 ? 0.0 : x; });
         }), false, false},
        {"bodies on top of each other pull", AmbFalles(&Falles::estiraAZero), false, false},
        {"subnormals flushed to zero", AmbFalles(nullptr, [](Particula* p, int32_t n) {
             Canviar(p, n, [](double x) { return std::fpclassify(x) == FP_SUBNORMAL ? std::copysign(0.0, x) : x; });
         }), false, false},
        {"huge coordinates a bit off", AmbFalles(nullptr, [](Particula* p, int32_t n) {
             Canviar(p, n, [](double x) { return std::fabs(x) > 1e200 && std::isfinite(x) ? BitCanviat(x) : x; });
         }), false, false},
        {"masses rounded toward zero", AmbFalles(&Falles::massaTruncada), false, false},
        {"NaN distances pull", AmbFalles(&Falles::estiraNan), false, false},
        {"infinities clamped", AmbFalles(nullptr, [](Particula* p, int32_t n) {
             Canviar(p, n, [](double x) { return std::isinf(x) ? std::copysign(DBL_MAX, x) : x; });
         }), false, false},
        {"repulsion ignored", AmbFalles(&Falles::senseRepulsio), false, false},
        {"a step stopped by a signal", [](Particula* p, int32_t n, const ParametresPas& q) {
             InterromprePas();
             PasLiteral(p, n, q);
             return true;
         }, true, false},
    };
    for (const Cas& c : casos) {
        EXPECT_EQ(PassaPorta(c.pas, Literal(), c.cossosDelRun ? cossos.data() : nullptr, c.cossosDelRun ? N : 0,
                             CicleReal(G, FactorVelocitat, 0.01f, repulsio)),
                  c.passa)
            << c.cas;
        ReprendrePas();
    }
}

TEST_F(Porta, PutsTheRunsGlobalsBackBitForBit)
{
    const Cossos cossos = Aleatoris(20);
    const float temps = std::nextafter(0.0f, 1.0f);
    const double g = std::nextafter(1e-300, 0.0);
    for (const FerPas& pas : {Literal(), AmbFalles(&Falles::fusionat)}) {
        G = g;
        FactorVelocitat = 0;
        TempsPerCicle = temps;
        repulsio = true;
        PassaPorta(pas, Literal(), cossos.data(), 20, CicleReal(G, FactorVelocitat, 0.016f, repulsio));
        EXPECT_EQ(std::memcmp(&G, &g, sizeof g), 0);
        EXPECT_EQ(FactorVelocitat, 0);
        EXPECT_EQ(std::memcmp(&TempsPerCicle, &temps, sizeof temps), 0);
        EXPECT_TRUE(repulsio);
    }
}

TEST(CicleDeLaPorta, IsTheLimitsPeriodInWholeMillisecondsOr10)
{
    const struct {
        int32_t cicles;
        float segons;
    } casos[] = {
        {100, 10.0f / 1000.0f}, {60, 16.0f / 1000.0f}, {1000, 1.0f / 1000.0f}, {1, 1000.0f / 1000.0f},
        {0, 10.0f / 1000.0f},   {-5, 10.0f / 1000.0f}, {1001, 10.0f / 1000.0f},
    };
    for (const auto& c : casos)
        EXPECT_EQ(SegonsDeCicle(c.cicles), c.segons) << c.cicles;
}

namespace {

// The scalar kernel four times over: any other path beats it. Its bits are
// not the step's, and nothing here looks at them.
void NucliLent(const SistemaPas& s)
{
    for (int k = 0; k < 4; ++k)
        PasNucliEscalar(s);
}

// The scalar kernel, raising a signal's stop as it goes.
void NucliInterromput(const SistemaPas& s)
{
    InterromprePas();
    PasNucliEscalar(s);
}

class Tria : public Porta {
protected:
    void TearDown() override
    {
        AturarFilsPas();
        FixarCandidatsPas({});
        ReprendrePas();
        Porta::TearDown();
    }
};

}  // namespace

// The run times the processor's paths on its own bodies as it begins, and
// steps on the fastest; the paths it weighs are the table's, or these.
TEST_F(Tria, TheRunTakesTheFastestPathOnItsOwnBodies)
{
    const CamiPas lent{"slow", true, NucliLent, {}}, rapid{"fast", true, PasNucliEscalar, {}};
    const CamiPas interromput{"stopped", true, NucliInterromput, {}}, absent{"absent", false, PasNucliEscalar, {}};
    const struct {
        const char* cas;
        std::vector<CamiPas> camins;  // the least preferred first
        int32_t n;
        bool cossos;
        const char* triat;
    } casos[] = {
        {"the slow one preferred", {rapid, lent}, 600, true, "fast"},
        {"the fast one preferred", {lent, rapid}, 600, true, "fast"},
        {"too few bodies to time", {rapid, lent}, COSSOS_PER_MESURA - 1, true, "slow"},
        {"no bodies to time", {rapid, lent}, 600, false, "slow"},
        {"a step stopped by a signal", {interromput, lent}, 600, true, "slow"},
        {"a path the processor lacks", {lent, absent}, 600, true, "slow"},
    };
    for (const auto& c : casos) {
        const Cossos cossos = Aleatoris(c.n);
        FixarCandidatsPas({c.camins, std::vector<DispositiuOpenCL>{}});
        IniciarFilsPas(c.n, c.cossos ? cossos.data() : nullptr,
                       CicleReal(G, FactorVelocitat, SegonsDeCicle(100), repulsio));
        EXPECT_EQ(CamiPasTriat().nom, c.triat) << c.cas;
        AturarFilsPas();
        ReprendrePas();
    }
}

// A step reads nothing but its arguments: two steps of a path with different
// parameters, side by side on two threads, each give the bits that theirs
// give the literal step on one thread alone.
TEST(StepParameters, TwoStepsSideBySideEachKeepTheirOwnBits)
{
    constexpr int32_t N = 300;
    constexpr int PASSOS = 12;
    const ParametresPas parametres[2] = {{6.7e-11, FactorDePas(3600, 0.016f), false},
                                         {6.7e-5, FactorDePas(1, 0.01f), true}};
    const auto passos = [&](const FerPas& pas, const ParametresPas& p) {
        Cossos cossos = Aleatoris(N);
        for (int k = 0; k < PASSOS; ++k)
            pas(cossos.data(), N, p);
        return cossos;
    };
    const Cossos sols[2] = {passos(Literal(), parametres[0]), passos(Literal(), parametres[1])};
    ASSERT_FALSE(MateixosCossos(sols[0].data(), sols[1].data(), N));
    for (const CamiPas& c : CaminsProcessador()) {
        if (!c.disponible)
            continue;
        const FerPas pas = PasDeCami(c);
        Cossos junts[2];
        std::atomic<int> preparats{0};
        const auto fil = [&](int k) {
            // Both begin together, so that their steps overlap.
            preparats.fetch_add(1);
            while (preparats.load() < 2) {
            }
            junts[k] = passos(pas, parametres[k]);
        };
        std::thread a(fil, 0), b(fil, 1);
        a.join();
        b.join();
        for (int k = 0; k < 2; ++k)
            EXPECT_TRUE(MateixosCossos(sols[k].data(), junts[k].data(), N)) << c.nom << ", parameters " << k;
    }
}
