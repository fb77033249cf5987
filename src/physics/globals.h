#pragma once

#include <cstdint>

// The run state that the physics reads. Start-up sets G; the controls and the
// main loop change the rest.
extern double G;                  // gravitational constant in use
extern int32_t FactorVelocitat;   // simulated seconds per real second
extern float TempsPerCicle;       // real length of the previous cycle, seconds
extern bool repulsio;             // every interaction pushes instead of pulls

// A pair interacts only when its distance is strictly greater than this.
constexpr int32_t RADI_MINIM_ATRACCIO = 0;

// Puts the state above back to what a run starts with: G 0 until start-up
// sets it, real time, no cycle yet, attraction.
void ReiniciarFisica();

// Simulated seconds of one step, formed in single precision as the step has
// always been, then widened.
double FactorPas();
