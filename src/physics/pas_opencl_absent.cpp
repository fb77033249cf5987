// A build without OpenCL, the browser's among them: no device to choose, and
// the step stays the processor's.
#include "physics/pas_opencl.h"

struct PasOpenCL::Estat {};

std::vector<DispositiuOpenCL> DispositiusOpenCL(bool)
{
    return {};
}

std::unique_ptr<PasOpenCL> PasOpenCL::Crear(const DispositiuOpenCL&)
{
    return nullptr;
}

PasOpenCL::~PasOpenCL() = default;

bool PasOpenCL::reservar(int32_t)
{
    return false;
}

bool PasOpenCL::pas(Particula*, int32_t)
{
    return false;
}

void PasOpenCL::trencar() {}
