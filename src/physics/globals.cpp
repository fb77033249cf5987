#include "physics/globals.h"

double G = 0.0;
int32_t FactorVelocitat = 1;
float TempsPerCicle = 0.0f;
bool repulsio = false;

double FactorPas()
{
    const float f = static_cast<float>(FactorVelocitat) * TempsPerCicle;
    return static_cast<double>(f);
}
