#pragma once

#include <cstdint>

#include "physics/particula.h"

// Draws every body as a white square, on a cleared window unless trails are
// on, and presents it. False after a failed presentation, already reported.
bool dibuixarFotograma(const Particula* particules, int32_t n);
