#pragma once

#include <cstdint>

#include "physics/parametres.h"

// The run state of the physics, the program's interface to it. Start-up sets
// G; the controls and the main loop change the rest. No step reads them: the
// main loop forms a step's parameters from them once a cycle.
extern double G;                  // gravitational constant in use
extern int32_t FactorVelocitat;   // simulated seconds per real second
extern float TempsPerCicle;       // real length of the previous cycle, seconds
extern bool repulsio;             // every interaction pushes instead of pulls

// A pair interacts only when its distance is strictly greater than this.
constexpr int32_t RADI_MINIM_ATRACCIO = 0;

// Puts the state above back to what a run starts with: G 0 until start-up
// sets it, real time, no cycle yet, attraction.
void ReiniciarFisica();

// The step's parameters as the state above gives them now: what the main loop
// hands its step once a cycle, and what a body's own operations read.
ParametresPas ParametresGlobals();
