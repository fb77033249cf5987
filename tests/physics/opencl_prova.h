#pragma once

#include <string>
#include <vector>

#include "physics/camins.h"

// The OpenCL step on every device of this machine, processors included (PoCL
// where make test runs), each with its name, as a step like the others. A
// step that fails on the device leaves its bodies behind the literal ones.
struct PasDeDispositiu {
    std::string nom;
    FerPas pas;
};

inline std::vector<PasDeDispositiu> PassosOpenCL()
{
    std::vector<PasDeDispositiu> passos;
    for (const CamiPas& c : CaminsPas(true)) {
        if (c.nucli != nullptr)
            continue;
        if (FerPas pas = PasDeCami(c))
            passos.push_back({c.nom, std::move(pas)});
    }
    return passos;
}
