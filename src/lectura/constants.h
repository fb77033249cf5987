#pragma once

#include <cstdint>

// What the program and particules-config must agree on about a config.txt.

// SDL draws through rectangles with 16-bit signed corners, and X11 takes a
// size of 65536 as 0 and aborts the program; no window can be wider or
// higher than this.
constexpr int32_t PANTALLA_MIDA_MAXIMA = 32767;

// G is this times ten to the power of the header's exponent.
constexpr double MANTISSA_G = 6.7;

// Pixels per world unit when the run starts; what a generated system is
// sized for.
constexpr float ZOOM_INICIAL = 0.5f;
