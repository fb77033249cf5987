#pragma once

#include <cstdint>

#include "lectura/nombres.h"

// How config.txt reads, shared by the program and by particules-config so
// that the two can never disagree.

// Milliseconds to wait out a cycle that has lasted transcorregut under a
// limit of ciclesPerSegon; a limit of 0 or less means none.
int32_t EsperaCicle(int32_t transcorregut, int32_t ciclesPerSegon);

// Whether a frame is due transcorregut ms after the last; 0 frames per second
// means no limit.
bool FotogramaDegut(int32_t transcorregut, int32_t fps);

// G from the header's exponent.
double GDeExponent(int32_t gexp);

// Whether an array of n bodies and the step's columns fit in the memory
// available now. Both are written in full, so a count that fits only in the
// memory installed would swap the machine to a standstill or be killed for
// memory.
bool CabenEnMemoria(int32_t n);
