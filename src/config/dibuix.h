#pragma once

#include <istream>
#include <optional>
#include <ostream>

#include "config/orbites.h"

// gen drawing: a system drawn on the page, one body a line,
//     NAME MASS X Y VX VY
// in kilograms, metres and metres a second, the window's centre at 0 0 and
// y toward its bottom, written as a config.txt in the units gen orbits
// chooses: its farthest body at the reach gen orbits gives a largest orbit,
// G's exponent from its heaviest. Positions and velocities go over as they
// are, divided by the units; masses to the nearest whole unit.

// The system, or nothing when a finding is an error. Findings are at the
// body's line: two bodies on one point, a mass that rounds to 0, a system
// too wide or too heavy for any units.
std::optional<SistemaOrbites> GenerarDibuix(std::istream& in, const OpcionsOrbites& opcions, Troballes& troballes);

// The units chosen, what is off screen, and the keys' runs.
void EscriureInformeDibuix(std::ostream& out, const SistemaOrbites& s);
