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
    std::string controlador;  // the driver's version, as it gives it
    bool cpu = false;         // a processor's device: never the program's choice
    void* id = nullptr;       // its cl_device_id
};

// A device that DispositiusOpenCL leaves out, and why.
struct DispositiuDescartat {
    std::string plataforma;
    std::string nom;
    std::string motiu;
};

// Every such device of every platform, each once however many platforms show
// it: GPUs and accelerators, and processors too where `ambCpu`. None where no
// OpenCL driver is installed. The devices that the doubles or a missing
// compiler rule out go to `descartats`, where one is given.
std::vector<DispositiuOpenCL> DispositiusOpenCL(bool ambCpu, std::vector<DispositiuDescartat>* descartats = nullptr);

// What tells two devices apart through whichever platforms show them: the
// device's UUID where both drivers give one, else its PCI address, else its
// vendor, name, driver and memory together.
struct IdentitatOpenCL {
    uint32_t venedor = 0;
    std::string nom;
    std::string uuid;
    std::string pci;
    std::string controlador;
    uint64_t memoria = 0;
};
bool MateixDispositiu(const IdentitatOpenCL& a, const IdentitatOpenCL& b);

class PasOpenCL {
public:
    // The kernel built for `d`, with the driver's `opcions` (none relax the
    // arithmetic unless asked); null on any failure, with the reason, and the
    // driver's build log where the kernel does not build, in `motiu`.
    static std::unique_ptr<PasOpenCL> Crear(const DispositiuOpenCL& d, std::string* motiu = nullptr,
                                            const std::string& opcions = "");
    ~PasOpenCL();
    PasOpenCL(const PasOpenCL&) = delete;
    PasOpenCL& operator=(const PasOpenCL&) = delete;

    const DispositiuOpenCL& dispositiu() const { return dispositiu_; }
    // The device's buffers for up to n bodies and the host's columns, made
    // before the run so that no step allocates; false when they cannot be had,
    // with the reason in `motiu`.
    bool reservar(int32_t n, std::string* motiu = nullptr);
    // One step of the n bodies, n no more than reserved, in launches of some
    // of the bodies and some of their pulls, none longer than about 20 ms as
    // the launches before it took, so that no display driver's watchdog ends
    // one. Each launch's pulls count in CossosSumatsPas, n to a body, as it
    // ends. False on any failure, with the bodies as they were; a stop raised
    // by a signal, looked at between launches, leaves them so too, and is no
    // failure. At the parameters p, as on the CPU.
    bool pas(Particula* particules, int32_t n, const ParametresPas& p);

    // The driver's log of the kernel's build, and the program it made from
    // it (PTX text on NVIDIA's drivers).
    std::string registre() const;
    std::string binari() const;

private:
    // The tests' seam (physics/costures_prova.h).
    friend struct CosturaPasOpenCL;
    struct Estat;
    explicit PasOpenCL(const DispositiuOpenCL& d, std::unique_ptr<Estat> e);

    DispositiuOpenCL dispositiu_;
    std::unique_ptr<Estat> e_;
};
