#pragma once

// How a run chooses its step among the paths of the table.

#include <cstdint>
#include <memory>
#include <vector>

#include "physics/camins.h"

// Whether two sets of n bodies hold the same bits, any NaN equal to any NaN:
// the payload a NaN carries is up to the order of a sum's operands.
bool MateixosCossos(const Particula* a, const Particula* b, int32_t n);

// Times a few steps of these bodies, on copies, on every device of
// `dispositius` and on `cpu`, and returns the fastest device, with its
// buffers for n, if it beats `cpu` and gives the same bits; null otherwise.
std::unique_ptr<PasOpenCL> TriarDispositiu(const std::vector<DispositiuOpenCL>& dispositius,
                                           const Particula* cossos, int32_t n, const FerPas& cpu);
