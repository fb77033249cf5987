#pragma once

#include <SDL.h>

#include <cstdint>

#include "app/bucle.h"
#include "physics/factors.h"
#include "physics/particula.h"

// All of the program's input. Events wait in a queue of the program's own,
// which never drops one (SDL's holds 127 and drops the rest), from the moment
// they are taken in until the start of the next cycle applies them.

// From now on SDL keeps out of its queue every event the program never acts
// on (motion, releases, focus, expose...) and hands each key or button press
// to the program's queue as it reads it. SDL_QUIT (the close button) stays in
// SDL's queue, which recollirEvents empties into the program's in order.
void filtrarEvents();

// Takes in every event that has arrived, in arrival order. Cheap; the loop
// calls it between its stages and while it waits.
void recollirEvents();

// Takes in what has arrived and applies every waiting event in arrival order,
// each to every body's entrada, then to the keys and the wheel, then to the
// loop's own quit and cycle limiter.
void aplicarEvents(Particula* particules, int32_t n, Bucle& b);

// The factor a key sets, or null for any other key.
const FactorTemps* FactorDeTecla(SDLKey tecla);
