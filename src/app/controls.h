#pragma once

#include <cstdint>

#include "physics/particula.h"

// Applies the event just polled: every body's own reaction first (s stops
// them), then the keys and the mouse wheel.
void aplicarControls(Particula* particules, int32_t n);
