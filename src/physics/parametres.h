#pragma once

// What a step reads besides the bodies, as one value: the program forms it
// from its globals once a cycle, and whatever steps for another purpose (the
// gate, a preview, a timing) hands its own, so that two steps may run side by
// side. No function here: the kernels, compiled with wider instruction sets,
// include it too.

#include <cstdint>

struct ParametresPas {
    double g = 0.0;         // gravitational constant
    double f = 0.0;         // simulated seconds of the step
    bool repulsio = false;  // every interaction pushes instead of pulls
};

// Simulated seconds of one step: the time factor times the cycle's real
// seconds, in single precision as the step has always formed them, then
// widened.
double FactorDePas(int32_t factorVelocitat, float segonsCicle);
