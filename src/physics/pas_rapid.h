#pragma once

// What the fast step's kernels share. No library header here: the kernels are
// compiled with wider instruction sets than the rest of the program.

#include <cstdint>

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

class Particula;

// The step's columns for n bodies, filled from them as a step begins, in the
// memory that ReservarPas keeps; false when it cannot be had.
bool OmplirColumnes(const Particula* particules, int32_t n, SistemaPas& s);
// The new positions and velocities back into the bodies.
void TornarColumnes(Particula* particules, const SistemaPas& s);

class EquipFils;
using Nucli = void (*)(const SistemaPas&);

// PasRapid on a kernel of the caller's: how an experiment outside the program
// (bench/) runs its own kernel in the program's step.
void PasRapidAmb(Nucli nucli, Particula* particules, int32_t n, EquipFils* equip = nullptr);

void PasNucliEscalar(const SistemaPas& s);
void PasNucliSse2(const SistemaPas& s);
void PasNucliAvx2(const SistemaPas& s);
void PasNucliAvx512(const SistemaPas& s);
// AVX-512 with a square root and a quotient of each pair on the FMA units,
// each proved to be the divider's bits (physics/fma_exacte.h). Call only
// where Avx512FmaDisponible().
void PasNucliAvx512Fma(const SistemaPas& s);
