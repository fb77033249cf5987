#pragma once

// The proved FMA quotients of the AVX2+FMA step, open to their checks against
// the divider. Call only where CamiDisponible(CamiPas::Avx2Fma).

#include <cstdint>

// ux[i] = dx[i] / r[i] and uy[i] = dy[i] / r[i] as the step forms them, for n
// a multiple of 4. Returns how many blocks of four the divider did again.
int64_t DividirPerRFma(const double* dx, const double* dy, const double* r, double* ux, double* uy, int64_t n);

// exacte[i] = 1 where the proof accepts q[i] as a[i] / b[i], else 0; n a
// multiple of 4.
void ProvarQuocientsFma(const double* a, const double* b, const double* q, uint8_t* exacte, int64_t n);
