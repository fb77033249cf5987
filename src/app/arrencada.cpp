#include "app/arrencada.h"

#include <iostream>
#include <new>
#include <string>

#include "app/globals.h"
#include "lectura/arxiu.h"
#include "lectura/lectura.h"
#include "physics/pas_rapid.h"

namespace {

void rebutjarNombre()
{
    std::cerr << "Número de partícules invàlid" << std::endl;
}

}  // namespace

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

    G = GDeExponent(GExp);

    if (!CabenEnMemoria(NUMERO_PARTICULES)) {
        rebutjarNombre();
        return false;
    }
    // The step's columns are taken with the bodies: a count whose step could
    // not run is refused before any body is read.
    particules.reset(new (std::nothrow) Particula[NUMERO_PARTICULES]);
    if (!particules || !ReservarPas(NUMERO_PARTICULES)) {
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

bool llegirArxiu(const std::string& cami)
{
    ArxiuConfig arxiu(cami);
    if (arxiu.obert())
        llegirCapcalera(arxiu.flux(), std::cout);
    else
        std::cerr << "no es pot llegir l'arxiu" << std::endl;
    return crearParticules(arxiu.flux(), std::cout);
}

bool arrencada()
{
    ReiniciarEstat();
    if (!llegirArxiu("config.txt"))
        return false;
    CentrarVista();
    return true;
}
