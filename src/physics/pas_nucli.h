#pragma once

// The fast step's kernel, written once for every lane width; each instruction
// set's file instantiates it with its own traits (physics/carrils.h) and the
// way it forms the pull's quotients. Internal linkage for the reason given
// there.

#include "physics/pas_rapid.h"

namespace {

// Pulls between two looks for a signal's stop: a few hundred microseconds of
// one thread however many bodies there are, and nothing added to a pull.
constexpr int32_t kTram = 4096;

// estira(j) for j in [desde, fins), in order, looking for a stop between runs
// of kTram; false once one is seen, the rest left out.
template <class Estira>
bool Tram(int32_t desde, int32_t fins, Estira estira)
{
    for (int32_t t = desde; t < fins;) {
        if (__atomic_load_n(&InterrupcioPas, __ATOMIC_RELAXED))
            return false;
        const int32_t fi = fins - t > kTram ? t + kTram : fins;
        for (; t < fi; ++t)
            estira(t);
    }
    return true;
}

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
        // Bodies before the block have already moved. A stop leaves the
        // block's velocities unstored: the step is thrown away.
        if (!Tram(0, i0, [&](int32_t j) {
                estira(L::difondre(s.nx[j]), L::difondre(s.ny[j]), L::difondre(s.mg[j]));
            }))
            return;
        // Inside it, each lane sees the bodies up to itself moved and the rest
        // not yet; itself it sees at distance 0 and skips.
        for (int32_t j = i0; j < fi; ++j) {
            const auto mogut = carril >= L::difondre(j - i0);
            estira(mogut ? L::difondre(s.nx[j]) : L::difondre(s.ox[j]),
                   mogut ? L::difondre(s.ny[j]) : L::difondre(s.oy[j]), L::difondre(s.mg[j]));
        }
        // Bodies after the block have not moved yet.
        if (!Tram(fi, s.n, [&](int32_t j) {
                estira(L::difondre(s.ox[j]), L::difondre(s.oy[j]), L::difondre(s.mg[j]));
            }))
            return;

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
