#pragma once

#include <cstdint>

#include "physics/particula.h"
#include "physics/tria.h"

// One simulation step at the parameters p: each body in index order moves,
// then takes the pull of every other body, those before it already at their
// new positions.
void PasLiteral(Particula* particules, int32_t n, const ParametresPas& p);

// Below this many bodies a step is too short for another thread to pay: a
// worker woken from its sleep takes longer to start than the whole step.
constexpr int32_t COSSOS_PER_FILS = 256;

// The threads that Pas shares its work with: a team over every processor the
// process may use, made once when the run of n bodies begins; none on a
// single core, nor for a count too small to share. Given the run's bodies,
// and enough of them, it also times the processor's paths on copies of them,
// then the GPUs against the fastest, each at the parameters of one of the
// run's real cycles (CicleReal), and the run keeps the fastest that passes
// the gate until AturarFilsPas.
void IniciarFilsPas(int32_t n, const Particula* cossos = nullptr, const ParametresPas& cicle = {});
void AturarFilsPas();
// The run's step for as long as this lives: IniciarFilsPas as it is made,
// AturarFilsPas as it goes, whichever way the run ends.
struct ExecucioDelPas {
    ExecucioDelPas(int32_t n, const Particula* cossos, const ParametresPas& cicle)
    {
        IniciarFilsPas(n, cossos, cicle);
    }
    ~ExecucioDelPas() { AturarFilsPas(); }
    ExecucioDelPas(const ExecucioDelPas&) = delete;
    ExecucioDelPas& operator=(const ExecucioDelPas&) = delete;
};
// The processor's path the run steps on where no device does.
const CamiPas& CamiPasTriat();
// The OpenCL device the run's steps go to, null for the CPU; a failure on
// the device ends that.
const DispositiuOpenCL* DispositiuPas();
// Whether Pas shares a step of n bodies: only where the threads gain.
bool PasEnFils(int32_t n);

// The step the program runs: on the device the run chose, or the fast one on
// the processor's path it chose, on the team's threads where they gain. A
// step that fails on the device is done again on the CPU, which keeps the
// rest of the run. Its parameters p are the cycle's, formed by the caller.
void Pas(Particula* particules, int32_t n, const ParametresPas& p);

// Pas on the processor, in slices (PasRapidPerTrossos), for a run with no
// device: the same bits.
int32_t PasPerTrossos(Particula* particules, int32_t n, const ParametresPas& p, SeguentTros seguent, void* dades);
