#include "lectura/lectura.h"

#include <unistd.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "lectura/constants.h"
#include "physics/particula.h"
#include "physics/pas_rapid.h"

int32_t EsperaCicle(int32_t transcorregut, int32_t ciclesPerSegon)
{
    if (ciclesPerSegon == 0)
        return 0;
    // Truncated: a limit of 60 gives 16 ms. Above 1000 or negative, no wait.
    const int32_t periode = 1000 / ciclesPerSegon;
    return transcorregut < periode ? periode - transcorregut : 0;
}

bool FotogramaDegut(int32_t transcorregut, int32_t fps)
{
    return fps == 0 || !(transcorregut < 1000 / fps);
}

double GDeExponent(int32_t gexp)
{
    return std::pow(10.0, gexp) * MANTISSA_G;
}

namespace {

// Bytes the system can hand out now without swapping: the kernel's
// MemAvailable, or all physical memory where that is not known; 0 if neither.
double memoriaDisponible()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string linia;
    while (std::getline(meminfo, linia)) {
        double kb = 0.0;
        if (linia.rfind("MemAvailable:", 0) == 0 && std::istringstream(linia.substr(13)) >> kb)
            return kb * 1024.0;
    }
    const long pagines = sysconf(_SC_PHYS_PAGES);
    const long mida = sysconf(_SC_PAGESIZE);
    if (pagines <= 0 || mida <= 0)
        return 0.0;
    return static_cast<double>(pagines) * static_cast<double>(mida);
}

}  // namespace

bool CabenEnMemoria(int32_t n)
{
    const double memoria = memoriaDisponible();
    const double bytes = static_cast<double>(n) * sizeof(Particula) + static_cast<double>(MemoriaPas(n));
    return memoria <= 0.0 || bytes <= memoria;
}
