#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "physics/fils.h"
#include "physics/globals.h"
#include "physics/pas.h"
#include "physics/pas_rapid.h"
#include "opencl_prova.h"
#if defined(PARTICULES_PAS_FMA)
#include "quocients_fma.h"
#endif
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
// Python's IEEE doubles with none of this code. Only a change to the examples
// below, to the numbers of steps, to G, the factor or the cycle time, or to
// what a step computes, may change them; then run the script again.
constexpr uint64_t kEmpremtaDaurada = 0x21f6519301b8d4c3u;
constexpr uint64_t kEmpremtaEquips = 0x3d9b68dc68875933u;

// A way of stepping: the literal step, the program's, the fast one on the
// processor's path of that index in the table or the FMA experiment's
// (bench/), alone or shared by a team of threads (0: none), or the OpenCL one
// on the device of that index.
struct Fila {
    enum class Tipus { Literal, Programa, Rapid, Fma, OpenCL } tipus;
    size_t index;
    int32_t fils;
};

std::string NomFila(const ::testing::TestParamInfo<Fila>& info)
{
    const Fila& f = info.param;
    if (f.tipus == Fila::Tipus::Literal)
        return "Literal";
    if (f.tipus == Fila::Tipus::Programa)
        return "Programa";
    if (f.tipus == Fila::Tipus::OpenCL)
        return "OpenCL" + std::to_string(f.index);
    const std::string nom = f.tipus == Fila::Tipus::Fma ? "Avx2Fma" : IdentificadorCami(CaminsProcessador()[f.index]);
    return nom + (f.fils > 0 ? "_Equip" + std::to_string(f.fils) : "");
}

std::vector<Fila> Files()
{
    std::vector<Fila> files;
    const size_t dispositius = DispositiusDeLesProves().size();
    for (size_t d = 0; d < dispositius; ++d)
        files.push_back({Fila::Tipus::OpenCL, d, 0});
    // make gpu-check's run on one device.
    if (DispositiuDeLesProves() >= 0)
        return files;
    files.push_back({Fila::Tipus::Literal, 0, 0});
    files.push_back({Fila::Tipus::Programa, 0, 0});
    for (size_t c = 0; c < CaminsProcessador().size(); ++c)
        for (int32_t fils = 0; fils <= 5; ++fils)
            files.push_back({Fila::Tipus::Rapid, c, fils});
#if defined(PARTICULES_PAS_FMA)
    for (int32_t fils = 0; fils <= 5; ++fils)
        files.push_back({Fila::Tipus::Fma, 0, fils});
#endif
    return files;
}

class Determinisme : public AmbUnitats, public ::testing::WithParamInterface<Fila> {
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

    // Forty-one bodies, six blocks of the widest lanes, the last of one body:
    // each team of 1 to 5 threads cuts them its own way.
    static std::vector<Particula> ExempleEquips()
    {
        std::vector<Particula> cossos(41);
        for (int32_t i = 0; i < 41; ++i) {
            const uint64_t base = static_cast<uint64_t>(i) * 7919 + 13;
            cossos[static_cast<size_t>(i)].valors((i * 37 % 83 - 41) * 7.25, (i * 53 % 79 - 39) * 5.5,
                                                  (i % 7 - 3) * 0.125, (i % 5 - 2) * 0.25,
                                                  base * base * base % 1000000000000u, 1.0f);
        }
        return cossos;
    }

    static constexpr int kPassos = 1000;
    static constexpr int kPassosEquips = 200;
};

}  // namespace

TEST_P(Determinisme, GivesTheGoldenHashes)
{
    const Fila fila = GetParam();
    // A kernel this processor lacks would stop it.
    if (fila.tipus == Fila::Tipus::Rapid && !CaminsProcessador()[fila.index].disponible)
        GTEST_SKIP() << "this processor has no " << CaminsProcessador()[fila.index].nom;
#if defined(PARTICULES_PAS_FMA)
    if (fila.tipus == Fila::Tipus::Fma && !FmaDisponible())
        GTEST_SKIP() << "this processor lacks AVX2 or FMA";
#endif
    std::unique_ptr<EquipFils> equip;
    std::function<void(Particula*, int32_t, const ParametresPas&)> opencl;
    if (fila.tipus == Fila::Tipus::OpenCL) {
        std::vector<PasDeDispositiu> passos = PassosOpenCL();
        ASSERT_LT(fila.index, passos.size()) << "the kernel does not build";
        opencl = std::move(passos[fila.index].pas);
    } else if (fila.fils > 0) {
        equip = std::make_unique<EquipFils>(fila.fils);
        ASSERT_EQ(equip->parts(), fila.fils);
    }
    const auto pas = [&](std::vector<Particula>& cossos) {
        const int32_t n = static_cast<int32_t>(cossos.size());
        switch (fila.tipus) {
        case Fila::Tipus::Literal: PasLiteral(cossos.data(), n, ParametresGlobals()); break;
        case Fila::Tipus::Programa: Pas(cossos.data(), n, ParametresGlobals()); break;
        case Fila::Tipus::Rapid:
            PasRapidAmb(CaminsProcessador()[fila.index].nucli, cossos.data(), n, ParametresGlobals(), equip.get());
            break;
        case Fila::Tipus::Fma:
#if defined(PARTICULES_PAS_FMA)
            PasFma(cossos.data(), n, ParametresGlobals(), equip.get());
#endif
            break;
        case Fila::Tipus::OpenCL: opencl(cossos.data(), n, ParametresGlobals()); break;
        }
    };

    std::vector<Particula> cossos = Exemple();
    for (int k = 0; k < kPassos; ++k)
        pas(cossos);
    EXPECT_EQ(Empremta(cossos), kEmpremtaDaurada);

    std::vector<Particula> equips = ExempleEquips();
    for (int k = 0; k < kPassosEquips; ++k)
        pas(equips);
    EXPECT_EQ(Empremta(equips), kEmpremtaEquips);
}

INSTANTIATE_TEST_SUITE_P(Passos, Determinisme, ::testing::ValuesIn(Files()), NomFila);
