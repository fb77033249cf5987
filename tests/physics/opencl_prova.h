#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "physics/pas_opencl.h"

// The OpenCL step on every device of this machine, processors included (PoCL
// where make test runs), each with its name, as a step like the others. A
// step that fails on the device leaves its bodies behind the literal ones.
struct PasDeDispositiu {
    std::string nom;
    std::function<void(Particula*, int32_t)> pas;
};

inline std::vector<PasDeDispositiu> PassosOpenCL()
{
    std::vector<PasDeDispositiu> passos;
    for (const DispositiuOpenCL& d : DispositiusOpenCL(true)) {
        std::shared_ptr<PasOpenCL> opencl = PasOpenCL::Crear(d);
        if (!opencl)
            continue;
        passos.push_back({"OpenCL " + d.plataforma + " / " + d.nom, [opencl](Particula* p, int32_t n) {
                              if (opencl->reservar(n))
                                  opencl->pas(p, n);
                          }});
    }
    return passos;
}
