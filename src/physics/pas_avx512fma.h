#pragma once

// The AVX-512 step's quotients and square roots on the FMA units
// (physics/fma_exacte.h), open to their checks: make fmacheck and the tests.
// Call only where Avx512FmaDisponible(); n a multiple of 8 throughout.

#include <cstdint>

#include "physics/parametres.h"

class Particula;

// Which of a pull's quotients the FMA units take besides its square root and
// dx / r (physics/fma_exacte.h): none more, dy / r too, or all, mg / (r r)
// too. The divider takes the rest.
enum class BarrejaFma { Dx, DxDy, Totes };

// ux = dx / r, uy = dy / r and k = mg / (r r), r = sqrt(dy dy + dx dx), as
// the step forms them in the mix `barreja`, where r > 0 (elsewhere the step
// ignores them). Returns how many of those lanes failed a proof, their eight
// done by the divider.
int64_t FactorsAvx512Fma(const double* dx, const double* dy, const double* mg, double* ux, double* uy, double* k,
                         int64_t n, BarrejaFma barreja = BarrejaFma::Dx);

// r = sqrt(s) and q = a / r in every lane: by the FMA units where both are
// proved, else by the divider. Returns how many lanes the divider did.
int64_t ArrelIQuocientAvx512Fma(const double* s, const double* a, double* r, double* q, int64_t n);

// exacte[i] = 1 where the proof accepts r[i] as sqrt(s[i]), else 0.
void ProvarArrelsAvx512Fma(const double* s, const double* r, uint8_t* exacte, int64_t n);
// exacte[i] = 1 where the proof accepts q[i] as a[i] / b[i], else 0.
void ProvarQuocientsAvx512Fma(const double* a, const double* b, const double* q, uint8_t* exacte, int64_t n);

// Of one step's pulls: the lanes where a pull acts, and those whose proof
// failed, so that the divider did their vectors again.
struct RecompteFma {
    int64_t comptats = 0;
    int64_t fallits = 0;
};
// One step at the parameters p on one thread, as the path of the mix
// `barreja` takes it, counted.
RecompteFma PasComptatAvx512Fma(Particula* particules, int32_t n, const ParametresPas& p,
                                BarrejaFma barreja = BarrejaFma::Dx);
