#pragma once

// The AVX2+FMA step, an experiment the program never runs: the fast step with
// dx / r and dy / r from proved FMA quotients (fma_avx2.h) instead of the
// divider. It gives the same bits as every other path, and its step was
// measured no faster than the divider's on every processor it ran on (see
// DividirPerR). Its quotients are open here to their checks against the
// divider. Call only where FmaDisponible().

#include <cstdint>

class EquipFils;
class Particula;

// Whether this processor has AVX2 and FMA.
bool FmaDisponible();

// The program's fast step (PasRapidAmb) with the FMA quotients, shared among the
// threads of `equip` when one is given.
void PasFma(Particula* particules, int32_t n, EquipFils* equip = nullptr);

// ux[i] = dx[i] / r[i] and uy[i] = dy[i] / r[i] as the step forms them, for n
// a multiple of 4. Returns how many blocks of four the divider did again.
int64_t DividirPerRFma(const double* dx, const double* dy, const double* r, double* ux, double* uy, int64_t n);

// exacte[i] = 1 where the proof accepts q[i] as a[i] / b[i], else 0; n a
// multiple of 4.
void ProvarQuocientsFma(const double* a, const double* b, const double* q, uint8_t* exacte, int64_t n);
