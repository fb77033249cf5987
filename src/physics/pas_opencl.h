#pragma once

// The step on an OpenCL device: the same pulls in the same order as the
// literal step, each body's on a work-item of its own. The bodies stay on the
// host; each step sends the columns the kernel reads and takes the
// velocities back.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "physics/particula.h"

// A device whose doubles keep the literal step's bits: denormals, infinities
// and NaN, round to nearest.
struct DispositiuOpenCL {
    std::string plataforma;
    std::string nom;
    bool cpu = false;      // a processor's device: never the program's choice
    void* id = nullptr;    // its cl_device_id
};

// Every such device of every platform: GPUs and accelerators, and processors
// too where `ambCpu`. None where no OpenCL driver is installed.
std::vector<DispositiuOpenCL> DispositiusOpenCL(bool ambCpu);

class PasOpenCL {
public:
    // The kernel built for `d`; null on any failure.
    static std::unique_ptr<PasOpenCL> Crear(const DispositiuOpenCL& d);
    ~PasOpenCL();
    PasOpenCL(const PasOpenCL&) = delete;
    PasOpenCL& operator=(const PasOpenCL&) = delete;

    const DispositiuOpenCL& dispositiu() const { return dispositiu_; }
    // The device's buffers for up to n bodies and the host's columns, made
    // before the run so that no step allocates; false when they cannot be had.
    bool reservar(int32_t n);
    // One step of the n bodies, n no more than reserved. False on any failure,
    // with the bodies as they were; a stop raised by a signal leaves them so
    // too, and is no failure.
    bool pas(Particula* particules, int32_t n);
    // For the tests: from now on every step fails, as on a lost device.
    void trencar();

private:
    struct Estat;
    explicit PasOpenCL(const DispositiuOpenCL& d, std::unique_ptr<Estat> e);

    DispositiuOpenCL dispositiu_;
    std::unique_ptr<Estat> e_;
};
