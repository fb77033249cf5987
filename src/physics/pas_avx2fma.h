#pragma once

// The AVX2 step with dx / r on the FMA units (physics/fma_exacte.h), open to
// its checks: make fmacheck and the tests. Call only where Avx2FmaDisponible().

#include <cstdint>

// ux = dx / r, uy = dy / r and k = mg / (r r), r = sqrt(dy dy + dx dx), as
// the step forms them, where r > 0 (elsewhere the step ignores them); n a
// multiple of 4. Returns how many of those lanes failed a proof, their four
// dx / r done by the divider.
int64_t FactorsAvx2FmaDx(const double* dx, const double* dy, const double* mg, double* ux, double* uy, double* k,
                         int64_t n);
