#include "physics/pas.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "physics/fils.h"
#include "physics/pas_opencl.h"

namespace {

// Below this many bodies a step is too short for another thread to pay: a
// worker woken from its sleep takes longer to start than the whole step.
constexpr int32_t COSSOS_PER_FILS = 256;

// Below this many bodies a device's launch and transfers cost more than the
// whole step on the CPU, and OpenCL is not even asked.
constexpr int32_t COSSOS_PER_OPENCL = 512;

std::unique_ptr<EquipFils>& EquipPas()
{
    static std::unique_ptr<EquipFils> equip;
    return equip;
}

// The device the run chose.
struct ExecucioPas {
    std::unique_ptr<PasOpenCL> opencl;
};

ExecucioPas& Execucio()
{
    static ExecucioPas execucio;
    return execucio;
}

void PasCpu(Particula* particules, int32_t n)
{
    PasRapid(particules, n, CamiMesAmple(), PasEnFils(n) ? EquipPas().get() : nullptr);
}

bool MateixosBits(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

void PasLiteral(Particula* particules, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        particules[i].moviment();
        for (int32_t j = 0; j < n; ++j) {
            if (j == i)
                continue;
            particules[i].atraccio(particules[j].retornarposicio(), particules[j].retornarmassa());
        }
    }
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

const char* NomCamiPas(CamiPas cami)
{
    switch (cami) {
    case CamiPas::Avx512: return "AVX-512";
    case CamiPas::Avx2: return "AVX2";
    case CamiPas::Sse2: return "SSE2";
    case CamiPas::Escalar: break;
    }
    return "scalar";
}

void IniciarFilsPas(int32_t n, const Particula* cossos)
{
    const int32_t processadors = ProcessadorsPermesos();
    if (processadors > 1 && n >= COSSOS_PER_FILS && !EquipPas())
        EquipPas() = std::make_unique<EquipFils>(processadors);
    Execucio().opencl = cossos != nullptr && n >= COSSOS_PER_OPENCL ? TriarPasOpenCL(cossos, n, PasCpu) : nullptr;
}

void AturarFilsPas()
{
    Execucio() = ExecucioPas();
    EquipPas().reset();
}

void FixarPasOpenCL(std::unique_ptr<PasOpenCL> opencl)
{
    Execucio().opencl = std::move(opencl);
}

const DispositiuOpenCL* DispositiuPas()
{
    const ExecucioPas& execucio = Execucio();
    return execucio.opencl ? &execucio.opencl->dispositiu() : nullptr;
}

bool PasEnFils(int32_t n)
{
    return EquipPas() && EquipPas()->parts() > 1 && n >= COSSOS_PER_FILS;
}

void Pas(Particula* particules, int32_t n)
{
    ExecucioPas& execucio = Execucio();
    if (execucio.opencl) {
        if (execucio.opencl->pas(particules, n))
            return;
        execucio.opencl.reset();
    }
    PasCpu(particules, n);
}
