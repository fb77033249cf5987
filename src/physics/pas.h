#pragma once

#include <cstdint>

#include "physics/particula.h"

// One simulation step: each body in index order moves, then takes the pull of
// every other body, those before it already at their new positions.
void PasLiteral(Particula* particules, int32_t n);

// Instruction sets the fast step can run on, narrowest first.
enum class CamiPas { Escalar, Sse2, Avx2, Avx512 };

bool CamiDisponible(CamiPas cami);
// The widest that this processor has.
CamiPas CamiMesAmple();

// The literal step to the last bit, several bodies at a time, one per lane.
// A path the processor lacks runs as Escalar.
void PasRapid(Particula* particules, int32_t n, CamiPas cami);

// The step the program runs: the fast one on the widest path.
void Pas(Particula* particules, int32_t n);
