#include "physics/pas.h"

#include <memory>

#include "physics/afirma.h"
#include "physics/costures_prova.h"
#include "physics/fils.h"

namespace {

// Below this many bodies a device's launch and transfers cost more than the
// whole step on the CPU, and OpenCL is not even asked.
constexpr int32_t COSSOS_PER_OPENCL = 512;

std::unique_ptr<EquipFils>& EquipPas()
{
    static std::unique_ptr<EquipFils> equip;
    return equip;
}

// The paths the run chose.
struct ExecucioPas {
    CamiPas cami = CamiPreferit();
    std::unique_ptr<PasOpenCL> opencl;
};

ExecucioPas& Execucio()
{
    static ExecucioPas execucio;
    return execucio;
}

CandidatsPas& Candidats()
{
    static CandidatsPas candidats;
    return candidats;
}

void PasCpu(Particula* particules, int32_t n, const ParametresPas& p)
{
    const CamiPas& cami = Execucio().cami;
    AFIRMA(cami.disponible && cami.nucli != nullptr);
    PasRapidAmb(cami.nucli, particules, n, p, PasEnFils(n) ? EquipPas().get() : nullptr);
}

}  // namespace

void PasLiteral(Particula* particules, int32_t n, const ParametresPas& p)
{
    for (int32_t i = 0; i < n; ++i) {
        particules[i].moviment(p);
        for (int32_t j = 0; j < n; ++j) {
            if (j == i)
                continue;
            particules[i].atraccio(particules[j].retornarposicio(), particules[j].retornarmassa(), p);
        }
    }
}

void IniciarFilsPas(int32_t n, const Particula* cossos, const ParametresPas& cicle)
{
    const int32_t processadors = ProcessadorsPermesos();
    if (processadors > 1 && n >= COSSOS_PER_FILS && !EquipPas())
        EquipPas() = std::make_unique<EquipFils>(processadors);
    ExecucioPas& execucio = Execucio();
    const CandidatsPas& candidats = Candidats();
    const CamiPas* cami = TriarCamiProcessador(candidats.processador ? *candidats.processador : CaminsProcessador(),
                                               cossos, n, cicle);
    execucio.cami = cami != nullptr ? *cami : CamiPreferit();
    execucio.opencl = nullptr;
    if (cossos == nullptr || n < COSSOS_PER_OPENCL)
        return;
    execucio.opencl = TriarDispositiu(candidats.dispositius ? *candidats.dispositius : DispositiusOpenCL(false),
                                      cossos, n, cicle,
                                      PasDeCami(execucio.cami, PasEnFils(n) ? EquipPas().get() : nullptr));
}

void AturarFilsPas()
{
    Execucio() = ExecucioPas();
    EquipPas().reset();
}

const CamiPas& CamiPasTriat()
{
    return Execucio().cami;
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

void Pas(Particula* particules, int32_t n, const ParametresPas& p)
{
    ExecucioPas& execucio = Execucio();
    if (execucio.opencl) {
        if (execucio.opencl->pas(particules, n, p))
            return;
        execucio.opencl.reset();
    }
    PasCpu(particules, n, p);
}

int32_t PasPerTrossos(Particula* particules, int32_t n, const ParametresPas& p, SeguentTros seguent, void* dades)
{
    return PasRapidPerTrossos(Execucio().cami.nucli, particules, n, p, PasEnFils(n) ? EquipPas().get() : nullptr,
                              seguent, dades);
}

void FixarPasOpenCL(std::unique_ptr<PasOpenCL> opencl)
{
    Execucio().opencl = std::move(opencl);
}

void FixarCandidatsPas(CandidatsPas candidats)
{
    Candidats() = std::move(candidats);
}
