#pragma once

#include <cstdint>
#include <ostream>

// particules-config speed: every way this machine can step, timed on a
// generated disc of n bodies and checked against the literal step's bits, and
// the one the program would take. Returns 0, or 1 when a path gives other
// bits.
int Velocitat(std::ostream& out, int32_t n);
