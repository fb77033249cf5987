#pragma once

#include <SDL.h>

#include <cstdint>

#include "physics/parametres.h"

class Particula;

// What the desktop and the browser do differently around the loop; each has
// a file of its own (plataforma_sdl.cpp, plataforma_web.cpp), the rest of the
// program is the same on both.

using FiltreEvents = int (*)(const SDL_Event*);

// Makes filtre decide, for every event SDL reads, whether it stays in SDL's
// queue (1) or not (0).
void InstalarFiltre(FiltreEvents filtre);

// Whether an event just taken out of SDL's queue is kept. Where SDL cannot
// filter as it reads, the filter runs here instead.
bool PassaFiltre(const SDL_Event& e);

// Once the bodies and the step's threads are ready, before the first cycle.
// In the browser, where a step stops the tab while it runs, the page hears
// how long one will take when that is long.
void AbansDelBucle();

// The cycle's step. In the browser a step long enough to hold the tab is
// done in slices with the page's turn between them, to the same bits.
void PasDelCicle(Particula* cossos, int32_t n, const ParametresPas& p);

// No cycle limit: EsperarCicle only gives way.
constexpr int32_t kSenseLimit = -1;

// Ends a cycle: waits ms milliseconds taking in events, or with kSenseLimit
// none. In the browser it gives control back to the page every cycle, so
// that it draws and hears keys.
void EsperarCicle(int32_t ms);
