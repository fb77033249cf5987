#pragma once

// The fast step's kernel, written once for every lane width; each instruction
// set's file instantiates it with its own traits (physics/carrils.h) and the
// way it forms the pull's quotients. Internal linkage for the reason given
// there.

#include "physics/pas_rapid.h"

namespace {

// Lane l of a block is body i0 + l. Within a step a body's velocity depends
// only on the positions, and every new position is known before the pulls, so
// the lanes never wait on each other: each adds its pulls in the literal j
// order with the literal operations, and ends with the literal bits.
template <class L, class Q, bool Repulsio>
void RecorrePas(const SistemaPas& s)
{
    using D = typename L::Doble;
    const D f = L::difondre(s.f);
    const D carril = L::carrils();
    for (int32_t i0 = s.desde; i0 < s.fins; i0 += L::W) {
        const D x = L::carregar(s.nx + i0);
        const D y = L::carregar(s.ny + i0);
        D vx = L::carregar(s.vx + i0);
        D vy = L::carregar(s.vy + i0);

        // Particula::atraccio from a mass at (ax, ay), in its order of operations.
        const auto estira = [&](D ax, D ay, D mg) {
            const D dx = ax - x;
            const D dy = ay - y;
            D ux, uy, k;
            const auto actua = Q::template calcular<L>(dx, dy, mg, ux, uy, k);
            const D dvx = ux * k * f;
            const D dvy = uy * k * f;
            // A skipped pair keeps the velocity as it is: adding a zero would
            // turn a -0 into +0. NaN distances compare false and are skipped.
            vx = actua ? (Repulsio ? vx - dvx : dvx + vx) : vx;
            vy = actua ? (Repulsio ? vy - dvy : dvy + vy) : vy;
        };

        const int32_t fi = s.n - i0 > L::W ? i0 + L::W : s.n;
        // Bodies before the block have already moved.
        for (int32_t j = 0; j < i0; ++j)
            estira(L::difondre(s.nx[j]), L::difondre(s.ny[j]), L::difondre(s.mg[j]));
        // Inside it, each lane sees the bodies up to itself moved and the rest
        // not yet; itself it sees at distance 0 and skips.
        for (int32_t j = i0; j < fi; ++j) {
            const auto mogut = carril >= L::difondre(j - i0);
            estira(mogut ? L::difondre(s.nx[j]) : L::difondre(s.ox[j]),
                   mogut ? L::difondre(s.ny[j]) : L::difondre(s.oy[j]), L::difondre(s.mg[j]));
        }
        // Bodies after the block have not moved yet.
        for (int32_t j = fi; j < s.n; ++j)
            estira(L::difondre(s.ox[j]), L::difondre(s.oy[j]), L::difondre(s.mg[j]));

        L::desar(s.vx + i0, vx);
        L::desar(s.vy + i0, vy);
    }
}

template <class L, class Q = QuocientsDivisor>
void NucliPas(const SistemaPas& s)
{
    if (s.repulsio)
        RecorrePas<L, Q, true>(s);
    else
        RecorrePas<L, Q, false>(s);
}

}  // namespace
