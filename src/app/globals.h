#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "display/globals.h"
#include "physics/globals.h"
#include "physics/particula.h"

// Settings read from config.txt at start-up and only read afterwards.
extern int32_t NUMERO_PARTICULES;  // bodies in the array; at least 1 to run
extern int32_t CICLES_PER_SEGON;   // cycle-rate limit; 0 or less means none
extern int32_t FPS;                // frame-rate limit; 0 or less means none
extern int32_t GExp;               // decimal exponent of G

extern std::string EstatVelocitat;  // caption text naming FactorVelocitat

// The bodies, in file order; created once at start-up.
extern std::unique_ptr<Particula[]> particules;

// Puts every setting and the whole run state (the physics' and the view's too)
// back to what a run starts with, the bodies freed.
void ReiniciarEstat();
