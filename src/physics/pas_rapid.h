#pragma once

// The fast step's columns, working memory and kernels: what every kernel
// shares and every other way of stepping builds on. No library header here:
// the kernels are compiled with wider instruction sets than the rest of the
// program.

#include <cstddef>
#include <cstdint>

#include "physics/parametres.h"

// The bodies of one step as columns, each padded with zeros to a whole number
// of the widest register.
struct SistemaPas {
    int32_t n;
    const double* nx;  // positions after this step's move
    const double* ny;
    const double* ox;  // positions before it
    const double* oy;
    const double* mg;  // mass times G, as the pull forms it
    double* vx;        // velocities, updated in place
    double* vy;
    double f;          // simulated seconds of the step
    bool repulsio;
    int32_t desde;     // the bodies whose velocities this call updates:
    int32_t fins;      // [desde, fins), desde a whole number of lane blocks
};

// Raised from a signal handler to end the step under way: each thread's kernel
// stops within its next few thousand pulls. Read and written only through GCC's
// __atomic builtins, which need no header.
extern bool InterrupcioPas;

// Ends the step under way early, and every later one at once, each leaving the
// bodies as they were before it; safe in a signal handler. The run that asks
// for it is ending: nothing of a half-done step is kept.
void InterromprePas();
bool PasInterromput();
// Steps run whole again.
void ReprendrePas();

class Particula;
class EquipFils;

// Bytes of the fast step's working memory for n bodies.
std::size_t MemoriaPas(int32_t n);
// Takes that memory for up to n bodies, before the run, so that no step
// allocates; false when it cannot be had. Each thread keeps its own, so that
// steps on two threads never share it: the thread that steps reserves.
bool ReservarPas(int32_t n);

// The step's columns for n bodies at the parameters p, filled from them as a
// step begins, in the memory that ReservarPas keeps; false when it cannot be
// had.
bool OmplirColumnes(const Particula* particules, int32_t n, const ParametresPas& p, SistemaPas& s);
// The new positions and velocities back into the bodies.
void TornarColumnes(Particula* particules, const SistemaPas& s);

// Counts bodies whose pulls a step off these kernels has summed, as the
// OpenCL step's launches end, in CossosSumatsPas.
void SumarCossosPas(int32_t cossos);

// One instruction set's pulls for the bodies [s.desde, s.fins).
using Nucli = void (*)(const SistemaPas&);

// The literal step to the last bit, several bodies at a time, one per lane of
// `nucli`, and the lane blocks shared among the threads of `equip` when one is
// given, at the parameters p. Steps of more bodies than were reserved take
// their memory first.
void PasRapidAmb(Nucli nucli, Particula* particules, int32_t n, const ParametresPas& p,
                 EquipFils* equip = nullptr);
// PasRapidAmb in slices of bodies, for a caller that must do other work
// between them (a browser tab's events): before each slice seguent(dades,
// bodies done, n) says how many bodies the next takes, rounded up to whole
// lane blocks. The same bits as one call: each body's pulls are summed by
// the same kernel in the same order, whatever the slices. Returns the
// slices; interrupted between two, the bodies stay as they were.
using SeguentTros = int64_t (*)(void* dades, int32_t fets, int32_t n);
int32_t PasRapidPerTrossos(Nucli nucli, Particula* particules, int32_t n, const ParametresPas& p,
                           EquipFils* equip, SeguentTros seguent, void* dades);
// Bodies whose pulls the fast step has summed since the process began,
// counted a lane block at a time; any thread may read it while a step runs.
int64_t CossosSumatsPas();

void PasNucliEscalar(const SistemaPas& s);
void PasNucliSse2(const SistemaPas& s);
void PasNucliAvx2(const SistemaPas& s);
// AVX2 with dx / r on the FMA units, proved to be the divider's bits
// (physics/fma_exacte.h). Call only where Avx2FmaDisponible().
void PasNucliAvx2FmaDx(const SistemaPas& s);
bool Avx2FmaDisponible();
void PasNucliAvx512(const SistemaPas& s);
// AVX-512 with a square root and a quotient of each pair on the FMA units,
// each proved to be the divider's bits (physics/fma_exacte.h). Call only
// where Avx512FmaDisponible().
void PasNucliAvx512Fma(const SistemaPas& s);
// The same with dy / r on the FMA units too, and with every quotient there.
void PasNucliAvx512FmaDy(const SistemaPas& s);
void PasNucliAvx512FmaTotes(const SistemaPas& s);
bool Avx512FmaDisponible();
