// A build without OpenCL, the browser's among them: no device to choose, and
// the step stays the processor's.
#include "physics/costures_prova.h"
#include "physics/pas_opencl.h"

struct PasOpenCL::Estat {};

std::vector<DispositiuOpenCL> DispositiusOpenCL(bool, std::vector<DispositiuDescartat>*)
{
    return {};
}

bool MateixDispositiu(const IdentitatOpenCL&, const IdentitatOpenCL&)
{
    return false;
}

std::unique_ptr<PasOpenCL> PasOpenCL::Crear(const DispositiuOpenCL&, std::string*, const std::string&)
{
    return nullptr;
}

PasOpenCL::~PasOpenCL() = default;

bool PasOpenCL::reservar(int32_t, std::string*)
{
    return false;
}

bool PasOpenCL::pas(Particula*, int32_t, const ParametresPas&)
{
    return false;
}

void CosturaPasOpenCL::trencar(PasOpenCL&) {}

void CosturaPasOpenCL::fixarTros(PasOpenCL&, int32_t, int32_t) {}

std::string PasOpenCL::registre() const
{
    return "";
}

std::string PasOpenCL::binari() const
{
    return "";
}
