#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "physics/camins.h"

// The OpenCL devices the tests step on: every device of this machine,
// processors included (PoCL where make test runs), or, where make gpu-check
// sets PARTICULES_OPENCL_DISPOSITIU to an index of DispositiusOpenCL(true),
// that one alone, and then no other path. PARTICULES_OPENCL_OPCIONS gives the
// kernel's build options.
inline int DispositiuDeLesProves()
{
    const char* index = std::getenv("PARTICULES_OPENCL_DISPOSITIU");
    return index != nullptr && *index != '\0' ? std::atoi(index) : -1;
}

inline std::vector<DispositiuOpenCL> DispositiusDeLesProves()
{
    std::vector<DispositiuOpenCL> dispositius = DispositiusOpenCL(true);
    const int triat = DispositiuDeLesProves();
    if (triat < 0)
        return dispositius;
    if (triat >= static_cast<int>(dispositius.size()))
        return {};
    return {dispositius[static_cast<size_t>(triat)]};
}

inline std::unique_ptr<PasOpenCL> CrearDeLesProves(const DispositiuOpenCL& d)
{
    const char* opcions = std::getenv("PARTICULES_OPENCL_OPCIONS");
    return PasOpenCL::Crear(d, nullptr, opcions != nullptr ? opcions : "");
}

// The OpenCL step on each of those devices, with its name, as a step like
// the others. A step that fails on the device leaves its bodies behind the
// literal ones.
struct PasDeDispositiu {
    std::string nom;
    FerPas pas;
};

inline std::vector<PasDeDispositiu> PassosOpenCL()
{
    std::vector<PasDeDispositiu> passos;
    for (const DispositiuOpenCL& d : DispositiusDeLesProves()) {
        std::shared_ptr<PasOpenCL> opencl = CrearDeLesProves(d);
        if (!opencl)
            continue;
        passos.push_back({NomDispositiu(d), [opencl](Particula* p, int32_t n, const ParametresPas& q) {
                              return opencl->reservar(n) && opencl->pas(p, n, q);
                          }});
    }
    return passos;
}
