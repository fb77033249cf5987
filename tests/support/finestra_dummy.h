#pragma once

#include <SDL.h>

#include <cstdint>

#include "support/globals_net.h"

// An 800 x 600 window on SDL's dummy video driver: the real surface, events
// pushed into SDL's real queue, no screen needed.
class AmbFinestra : public AmbGlobalsNets {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the bodies with n of them, all at rest at the origin.
    void crearCossos(int32_t n);

    static Uint8 blanc();
    static Uint8 pixel(int x, int y);
    static int pixelsBlancs();
    static void pitjar(SDLKey tecla);
    static void roda(Uint8 boto, Uint8 tipus = SDL_MOUSEBUTTONDOWN);
};
