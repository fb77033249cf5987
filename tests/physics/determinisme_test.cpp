#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "physics/globals.h"
#include "physics/pas.h"
#include "unitats.h"

// A fixed example stepped a fixed number of times must give the same bits
// on every build: the fast and the literal step are compared with each other
// elsewhere, and this catches a change that moves both, or a compiler flag
// that changes the arithmetic (contraction into fused multiply-adds, fast
// math, x87 precision).

namespace {

// FNV-1a over the positions and velocities, body by body, as
// tests/physics/referencia_pas.py gives it.
uint64_t Empremta(const std::vector<Particula>& cossos)
{
    uint64_t h = 0xcbf29ce484222325u;
    for (const Particula& p : cossos) {
        const double valors[4] = {p.retornarposicio().x, p.retornarposicio().y,
                                  p.retornarvelocitat().x, p.retornarvelocitat().y};
        unsigned char bytes[sizeof valors];
        std::memcpy(bytes, valors, sizeof valors);
        for (unsigned char b : bytes)
            h = (h ^ b) * 0x100000001b3u;
    }
    return h;
}

// Computed once by tests/physics/referencia_pas.py, which replays the step in
// Python's IEEE doubles with none of this code. Only a change to the table
// below, to the number of steps, to G, the factor or the cycle time, or to
// what a step computes, may change it; then run the script again.
constexpr uint64_t kEmpremtaDaurada = 0x21f6519301b8d4c3u;

class Determinisme : public AmbUnitats {
protected:
    void SetUp() override
    {
        AmbUnitats::SetUp();
        G = 6.7e-11;
        FactorVelocitat = 3600;
        TempsPerCicle = 0.001f;
    }

    // A heavy core, bodies round it, a massless one, and one on top of the
    // core; nine, so that no lane width divides them.
    static std::vector<Particula> Exemple()
    {
        struct {
            double x, y, vx, vy;
            uint64_t massa;
        } const taula[] = {
            {0.0, 0.0, 0.0, 0.0, 5000000000000u},      {120.0, 0.0, 0.0, 1.5, 20000000000u},
            {-200.0, 35.0, 0.25, -1.25, 30000000000u}, {0.0, -260.0, 1.0, 0.5, 1000000000u},
            {310.5, 140.25, -0.75, 0.875, 700000000000u}, {-90.0, -180.0, 0.5, 0.5, 0u},
            {45.0, 300.0, -1.0, 0.0, 12345678901u},    {-333.0, -7.0, 0.0, 0.125, 98765432109u},
            {0.0, 0.0, 0.0, 0.0, 1u},
        };
        std::vector<Particula> cossos(std::size(taula));
        for (size_t i = 0; i < cossos.size(); ++i)
            cossos[i].valors(taula[i].x, taula[i].y, taula[i].vx, taula[i].vy, taula[i].massa, 1.0f);
        return cossos;
    }

    static constexpr int kPassos = 1000;
};

}  // namespace

TEST_F(Determinisme, EveryStepGivesTheGoldenHash)
{
    struct {
        const char* nom;
        void (*pas)(Particula*, int32_t);
    } const passos[] = {
        {"literal", PasLiteral},
        {"the program's", Pas},
        {"scalar", [](Particula* p, int32_t n) { PasRapid(p, n, CamiPas::Escalar); }},
        {"SSE2", [](Particula* p, int32_t n) { PasRapid(p, n, CamiPas::Sse2); }},
        {"AVX2", [](Particula* p, int32_t n) { PasRapid(p, n, CamiPas::Avx2); }},
        {"AVX2+FMA", [](Particula* p, int32_t n) { PasRapid(p, n, CamiPas::Avx2Fma); }},
        {"AVX-512", [](Particula* p, int32_t n) { PasRapid(p, n, CamiPas::Avx512); }},
    };
    for (const auto& p : passos) {
        std::vector<Particula> cossos = Exemple();
        for (int k = 0; k < kPassos; ++k)
            p.pas(cossos.data(), static_cast<int32_t>(cossos.size()));
        EXPECT_EQ(Empremta(cossos), kEmpremtaDaurada) << p.nom << " step";
    }
}
