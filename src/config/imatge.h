#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "physics/particula.h"

// The window as the program would open it, on SDL's dummy video driver: the
// same 8-bit surface in pantalla, drawn by the same code, shown on no screen.
class FinestraInvisible {
public:
    FinestraInvisible() = default;
    ~FinestraInvisible();
    FinestraInvisible(const FinestraInvisible&) = delete;
    FinestraInvisible& operator=(const FinestraInvisible&) = delete;

    // False, with the reason in error, when SDL refuses the size. The view
    // starts as the program's does: the start zoom, the origin at the
    // window's centre, trails on.
    bool obrir(int32_t amplada, int32_t altura, std::string& error);

    // One frame of the bodies, as the program draws it.
    static void dibuixar(const Particula* cossos, int32_t n);
};

// Writes pantalla to f as a PNG of its own palette, pixel for pixel; false,
// with libpng's reason in error, when it cannot.
bool EscriurePng(std::FILE* f, std::string& error);
