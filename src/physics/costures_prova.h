#pragma once

// The tests' ways into the run's choice of step and into a device's step.
// Only the tests include this, and the files that define what it declares:
// nothing of the program calls them.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "physics/camins.h"

// The run's steps go to `opencl`, whatever a timing would say, and without
// the gate.
void FixarPasOpenCL(std::unique_ptr<PasOpenCL> opencl);

// What the run's choice weighs in place of this machine's paths: the
// processor's, in order of preference, and the OpenCL devices in place of its
// GPUs and accelerators. Each left empty is the machine's own.
struct CandidatsPas {
    std::optional<std::vector<CamiPas>> processador;
    std::optional<std::vector<DispositiuOpenCL>> dispositius;
};
void FixarCandidatsPas(CandidatsPas candidats);

struct CosturaPasOpenCL {
    // From now on every step of `opencl` fails, as on a lost device.
    static void trencar(PasOpenCL& opencl);
    // Every launch of `opencl` steps this many bodies with the pulls of
    // `estiradors` bodies; 0, as many as measured.
    static void fixarTros(PasOpenCL& opencl, int32_t cossos, int32_t estiradors = 0);
};
