#include "physics/pas.h"

#include <memory>

#include "physics/fils.h"

namespace {

// Below this many bodies a step is too short for another thread to pay: a
// worker woken from its sleep takes longer to start than the whole step.
constexpr int32_t COSSOS_PER_FILS = 256;

std::unique_ptr<EquipFils>& EquipPas()
{
    static std::unique_ptr<EquipFils> equip;
    return equip;
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

void IniciarFilsPas(int32_t n)
{
    const int32_t processadors = ProcessadorsPermesos();
    if (processadors > 1 && n >= COSSOS_PER_FILS && !EquipPas())
        EquipPas() = std::make_unique<EquipFils>(processadors);
}

void AturarFilsPas()
{
    EquipPas().reset();
}

bool PasEnFils(int32_t n)
{
    return EquipPas() && EquipPas()->parts() > 1 && n >= COSSOS_PER_FILS;
}

void Pas(Particula* particules, int32_t n)
{
    PasRapid(particules, n, CamiMesAmple(), PasEnFils(n) ? EquipPas().get() : nullptr);
}
