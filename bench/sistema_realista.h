#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "physics/globals.h"
#include "physics/particula.h"

// Bodies within 1000 units of the origin, masses about 10^12, 1 ms a step.
inline std::vector<Particula> SistemaRealista(int32_t n)
{
    G = 6.7e-11;
    FactorVelocitat = 1;
    TempsPerCicle = 0.001f;
    repulsio = false;
    std::mt19937_64 atzar(2024);
    std::uniform_real_distribution<double> posicio(-1000.0, 1000.0);
    std::uniform_real_distribution<double> velocitat(-1.0, 1.0);
    std::uniform_int_distribution<uint64_t> massa(500000000000, 1500000000000);
    std::vector<Particula> cossos(static_cast<size_t>(n));
    for (Particula& p : cossos)
        p.valors(posicio(atzar), posicio(atzar), velocitat(atzar), velocitat(atzar), massa(atzar), 2.0f);
    return cossos;
}
