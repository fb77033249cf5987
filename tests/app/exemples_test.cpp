#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/arrencada.h"
#include "app/globals.h"
#include "physics/factors.h"
#include "physics/pas.h"
#include "support/globals_net.h"

// Every bundled example must keep its bodies in the window for a minute of
// real time at 100 cycles per second, at the time factor docs/EXAMPLES.md
// suggests and at the fastest one it says the example tolerates: those that
// start in it, where an example shows one part of a system.

namespace {

struct Exemple {
    const char* nom;
    int tecla;  // the time key, 1 to 7
};

void PrintTo(const Exemple& e, std::ostream* os)
{
    *os << e.nom << " at key " << e.tecla;
}

class Exemples : public AmbGlobalsNets, public ::testing::WithParamInterface<Exemple> {};

bool DinsLaFinestra(vector p)
{
    const double x = static_cast<double>(Zoom) * p.x + PuntReferencia.x;
    const double y = static_cast<double>(Zoom) * p.y + PuntReferencia.y;
    return x >= 0 && x < PANTALLA_AMPLADA && y >= 0 && y < PANTALLA_ALTURA;
}

}  // namespace

TEST_P(Exemples, StayOnScreenForAMinute)
{
    std::ifstream config(std::string(EXAMPLES_DIR) + "/" + GetParam().nom + "/config.txt");
    ASSERT_TRUE(config.is_open());
    std::ostringstream eco;
    llegirCapcalera(config, eco);
    ASSERT_TRUE(crearParticules(config, eco));
    CentrarVista();
    ASSERT_EQ(CICLES_PER_SEGON, 100);

    std::vector<char> dins(NUMERO_PARTICULES);
    for (int32_t i = 0; i < NUMERO_PARTICULES; ++i)
        dins[i] = DinsLaFinestra(particules[i].retornarposicio());
    ASSERT_GT(std::count(dins.begin(), dins.end(), 1), 1);

    FactorVelocitat = FactorDeNumero(GetParam().tecla).factor;
    TempsPerCicle = 10.0f / 1000.0f;
    for (int cicle = 1; cicle <= 60 * 100; ++cicle) {
        Pas(particules.get(), NUMERO_PARTICULES, ParametresGlobals());
        if (cicle % 100)
            continue;
        for (int32_t i = 0; i < NUMERO_PARTICULES; ++i)
            ASSERT_TRUE(!dins[i] || DinsLaFinestra(particules[i].retornarposicio()))
                << "body " << i << " left after " << cicle / 100 << " s";
    }
}

INSTANTIATE_TEST_SUITE_P(Bundled, Exemples,
                         ::testing::Values(Exemple{"orbita", 1}, Exemple{"sistema-solar", 5},
                                           Exemple{"sistema-solar", 7},
                                           Exemple{"vuit", 1}, Exemple{"cumul", 1}, Exemple{"binaria", 3},
                                           Exemple{"sistema-solar-complet", 2}),
                         [](const auto& info) {
                             std::string nom = info.param.nom;
                             nom.erase(std::remove(nom.begin(), nom.end(), '-'), nom.end());
                             return nom + "Key" + std::to_string(info.param.tecla);
                         });
