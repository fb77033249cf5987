#include "physics/globals.h"

double G;
int32_t FactorVelocitat;
float TempsPerCicle;
bool repulsio;

void ReiniciarFisica()
{
    G = 0.0;
    FactorVelocitat = 1;
    TempsPerCicle = 0.0f;
    repulsio = false;
}

namespace {
// The values above hold from the first statement of main on.
[[maybe_unused]] const bool kIniciat = (ReiniciarFisica(), true);
}  // namespace

double FactorDePas(int32_t factorVelocitat, float segonsCicle)
{
    const float f = static_cast<float>(factorVelocitat) * segonsCicle;
    return static_cast<double>(f);
}

ParametresPas ParametresGlobals()
{
    return {G, FactorDePas(FactorVelocitat, TempsPerCicle), repulsio};
}
