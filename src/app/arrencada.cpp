#include "app/arrencada.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <sstream>
#include <string>

#include "app/globals.h"

namespace {

// No read is checked: a value that is missing or does not parse is 0, and
// so is every value after it, since a failed stream stays failed.
template <typename T>
T llegir(std::istream& in)
{
    T valor{};
    if (!(in >> valor))
        valor = T{};
    return valor;
}

// The label or unit that follows every value of a body.
void descartarParaula(std::istream& in)
{
    std::string paraula;
    in >> paraula;
}

// Stream input would wrap "-5" round to 2^64 - 5; a mass is digits only.
uint64_t llegirMassa(std::istream& in)
{
    if (in >> std::ws && in.peek() == '-')
        in.setstate(std::ios::failbit);
    return llegir<uint64_t>(in);
}

void rebutjarNombre()
{
    std::cerr << "Número de partícules invàlid" << std::endl;
}

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
    return memoria <= 0.0 || static_cast<double>(n) * sizeof(Particula) <= memoria;
}

void llegirCapcalera(std::istream& in, std::ostream& eco)
{
    PANTALLA_AMPLADA = llegir<int32_t>(in);
    PANTALLA_ALTURA = llegir<int32_t>(in);
    NUMERO_PARTICULES = llegir<int32_t>(in);
    CICLES_PER_SEGON = llegir<int32_t>(in);
    FPS = llegir<int32_t>(in);
    GExp = llegir<int32_t>(in);
    eco << "Pantalla X: " << PANTALLA_AMPLADA << " Pantalla Y: " << PANTALLA_ALTURA
        << " N particules: " << NUMERO_PARTICULES << " Cicles: " << CICLES_PER_SEGON
        << " FPS: " << FPS << std::endl;
}

bool crearParticules(std::istream& in, std::ostream& eco)
{
    if (NUMERO_PARTICULES <= 0) {
        rebutjarNombre();
        return false;
    }

    G = std::pow(10.0, GExp) * 6.7;

    if (!CabenEnMemoria(NUMERO_PARTICULES)) {
        rebutjarNombre();
        return false;
    }
    particules.reset(new (std::nothrow) Particula[NUMERO_PARTICULES]);
    if (!particules) {
        rebutjarNombre();
        return false;
    }

    for (int32_t i = 0; i < NUMERO_PARTICULES; ++i) {
        const double px = llegir<double>(in);
        descartarParaula(in);
        const double py = llegir<double>(in);
        descartarParaula(in);
        const double vx = llegir<double>(in);
        descartarParaula(in);
        const double vy = llegir<double>(in);
        descartarParaula(in);
        const uint64_t massa = llegirMassa(in);
        descartarParaula(in);
        const float diametre = llegir<float>(in);
        descartarParaula(in);
        eco << i << ": Pos X: " << px << " | Pos Y: " << py << " | Vel X: " << vx
            << " | Vel Y: " << vy << " | Massa: " << massa << " | Diametre: " << diametre
            << std::endl;
        particules[i].valors(px, py, vx, vy, massa, diametre);
    }
    return true;
}

bool arrencada()
{
    std::ifstream arxiu;
    // Only a regular file is a config: a directory opens but reads as nothing,
    // and opening a FIFO that no one writes to would wait for ever.
    std::error_code ec;
    if (std::filesystem::status("config.txt", ec).type() == std::filesystem::file_type::regular)
        arxiu.open("config.txt");
    if (arxiu.is_open())
        llegirCapcalera(arxiu, std::cout);
    else
        std::cerr << "no es pot llegir l'arxiu" << std::endl;

    if (!crearParticules(arxiu, std::cout))
        return false;
    arxiu.close();

    PuntReferencia = {static_cast<double>(PANTALLA_AMPLADA / 2),
                      static_cast<double>(PANTALLA_ALTURA / 2)};
    return true;
}
