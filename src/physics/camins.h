#pragma once

// Every way this build can step, in one table: the fast step on each of the
// processor's instruction sets, and the OpenCL step on each device. All give
// the literal step's bits; the run's choice, particules-config speed, the
// benchmark and the tests all take their paths from here.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "physics/pas_opencl.h"
#include "physics/pas_rapid.h"

struct CamiPas {
    std::string nom;              // "AVX-512"; a device's "OpenCL <platform>: <device>"
    bool disponible = false;      // whether this machine can run it
    Nucli nucli = nullptr;        // the processor's kernel; null for a device
    DispositiuOpenCL dispositiu;  // the device, where nucli is null
};

// The processor's paths, the least preferred first: where timing them does
// not pay, a run takes the last that the processor has. Those this build
// lacks are absent; those the processor lacks are there, not available.
const std::vector<CamiPas>& CaminsProcessador();
// The last of those that this processor has: the widest.
const CamiPas& CamiPreferit();
// The processor's paths, then every OpenCL device: GPUs and accelerators,
// and processors' devices too where `ambCpu`.
std::vector<CamiPas> CaminsPas(bool ambCpu);

// A device's path's name: "OpenCL <platform>: <device>".
std::string NomDispositiu(const DispositiuOpenCL& d);
// The name in letters and digits only, for tests and benchmarks: "AVX512".
std::string IdentificadorCami(const CamiPas& cami);

// One step of n bodies at the parameters given; false when it failed, with
// the bodies as they were.
using FerPas = std::function<bool(Particula*, int32_t, const ParametresPas&)>;
// The step on `cami`: the processor's on the threads of `equip` where one is
// given; a device's with its kernel built, taking its buffers as a step
// needs them. Empty where the kernel does not build on the device, and then
// `motiu`, when given, says why in the driver's words. Only for a path that
// this machine has.
FerPas PasDeCami(const CamiPas& cami, EquipFils* equip = nullptr, std::string* motiu = nullptr);
