// The browser has no OpenCL: no device to choose, and the step stays the CPU's.
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

std::unique_ptr<PasOpenCL> TriarPasOpenCL(const Particula*, int32_t, FerPasCpu, bool)
{
    return nullptr;
}
