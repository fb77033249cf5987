#pragma once

#include <cstdint>

#include "physics/particula.h"

// One simulation step: each body in index order moves, then takes the pull of
// every other body, those before it already at their new positions.
void PasLiteral(Particula* particules, int32_t n);

// The step the program runs.
void Pas(Particula* particules, int32_t n);
