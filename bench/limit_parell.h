#pragma once

// The floor of the step's cost: the arithmetic of one pair with nothing around
// it, lanes full, no loads of positions, no skipping. One sqrt and three
// divisions per pair, which no pipelining hides, set the pace.

#include <cstdint>

#include "physics/carrils.h"

// Precomputed differences and mass terms of `n` pairs, n a multiple of 8.
struct Parells {
    const double* dx;
    const double* dy;
    const double* mg;
    int32_t n;
    double f;
};

double LimitParellEscalar(const Parells& p);
double LimitParellSse2(const Parells& p);
double LimitParellAvx2(const Parells& p);
double LimitParellAvx2Fma(const Parells& p);
double LimitParellAvx2FmaDx(const Parells& p);
double LimitParellAvx512(const Parells& p);
double LimitParellAvx512Fma(const Parells& p);
double LimitParellAvx512FmaDy(const Parells& p);
double LimitParellAvx512FmaTotes(const Parells& p);
double LimitParellAvx512FmaAlterna(const Parells& p);

namespace {

// Every lane of both sums, so that none of the work can be left out.
template <class L>
double SumaCarrils(typename L::Doble ax, typename L::Doble ay)
{
    double x[L::W];
    double y[L::W];
    L::desar(x, ax);
    L::desar(y, ay);
    double suma = 0.0;
    for (int l = 0; l < L::W; ++l)
        suma += x[l] + y[l];
    return suma;
}

// Compiled once per instruction set, with its lane traits and the way it forms
// the quotients (physics/carrils.h).
template <class L, class Q = QuocientsDivisor>
double LimitParell(const Parells& p)
{
    using D = typename L::Doble;
    const D f = L::difondre(p.f);
    D ax = L::difondre(0.0);
    D ay = L::difondre(0.0);
    for (int32_t i = 0; i < p.n; i += L::W) {
        const D dx = L::carregar(p.dx + i);
        const D dy = L::carregar(p.dy + i);
        D ux, uy, k;
        Q::template calcular<L>(dx, dy, L::carregar(p.mg + i), ux, uy, k);
        ax = ux * k * f + ax;
        ay = uy * k * f + ay;
    }
    return SumaCarrils<L>(ax, ay);
}

}  // namespace
