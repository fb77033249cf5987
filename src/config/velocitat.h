#pragma once

#include <cstdint>
#include <ostream>

// particules-config speed: every way this machine can step, timed on a
// generated disc of n bodies and checked through the program's gate, and the
// one the program would take. Returns 0, or 1 when a path gives other bits.
int Velocitat(std::ostream& out, int32_t n);

// What speed would take on this machine, from a short timing of the literal
// step: about how long for n bodies, and the most it steps in a few minutes.
struct EstimacioVelocitat {
    double segons;
    int32_t maxim;
};
EstimacioVelocitat EstimarVelocitat(int32_t n);
