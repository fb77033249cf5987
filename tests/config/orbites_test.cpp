#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <sstream>
#include <string>

#include "app/globals.h"
#include "config/comprovar.h"
#include "config/generar.h"
#include "config/orbites.h"
#include "physics/factors.h"
#include "physics/pas.h"
#include "support/globals_net.h"

// particules-config gen orbits: its messages for what does not describe a
// system, and what the program's own step makes of one that does.

namespace {

const char* const kPlanetaILluna =
    "sun      1 Msun\n"
    "jupiter  1 Mjup    around sun      a 5.2 AU     e 0.048\n"
    "moon     0.5 Mearth around jupiter a 0.05 AU   e 0.01  at 90  # a moon\n"
    "trojan   1e-9 Msun around sun      a 5.2 AU     at 60\n";

std::optional<SistemaOrbites> Generar(const std::string& text, std::vector<Avis>& avisos)
{
    std::istringstream in(text);
    return GenerarOrbites(in, OpcionsOrbites(), avisos);
}

// Twice the two-body energy of i and j per unit of reduced mass: negative
// while they are bound.
double Lligam(int i, int j)
{
    const vector pi = particules[i].retornarposicio(), pj = particules[j].retornarposicio();
    const vector vi = particules[i].retornarvelocitat(), vj = particules[j].retornarvelocitat();
    const double dx = pi.x - pj.x, dy = pi.y - pj.y, wx = vi.x - vj.x, wy = vi.y - vj.y;
    const double m = static_cast<double>(particules[i].retornarmassa()) + particules[j].retornarmassa();
    return wx * wx + wy * wy - 2.0 * G * m / std::hypot(dx, dy);
}

class ConfigGenOrbitsStep : public AmbGlobalsNets {};

}  // namespace

TEST(ConfigGenOrbits, MalformedDescriptionsAreToldWithLineAndColumn)
{
    const struct {
        const char* text;
        int64_t linia, columna;
        const char* missatge;
    } casos[] = {
        {"", 1, 1, "no bodies"},
        {"sun 1 Msol\n", 1, 7, "unknown mass unit \"Msol\": kg, Mearth, Mjup or Msun"},
        {"sun 1 Msun\np 1 kg around sun a 3 pc\n", 2, 23, "unknown distance unit \"pc\": m, km or AU"},
        {"sun 1 Msun\np 1 kg around sol a 3 AU\n", 2, 15, "unknown parent \"sol\""},
        {"sun 1 Msun\nmoon 1 kg around p a 3 km\np 1 Mearth around sun a 1 AU\n", 2, 18,
         "the parent \"p\" is named on line 3, after its child; name it first"},
        {"sun 1 Msun\np 1 kg around sun a 1 AU e 1\n", 2, 28, "an eccentricity must be from 0 to below 1, not 1"},
        {"sun 1 Msun\np 1 kg around sun a 1 AU e -0.1\n", 2, 28, "from 0 to below 1, not -0.1"},
        {"sun 0 Msun\n", 1, 5, "a mass must be positive, not 0"},
        {"sun 1 Msun\np 1 kg around sun a -2 AU\n", 2, 21, "a distance must be positive, not -2"},
        {"sun 1 Msun\np 1 kg around sun a 2AU\n", 2, 21, "a distance should be a number, not \"2AU\""},
        {"sun 1 Msun\np 1 kg around sun\n", 2, 18, "the line ends where a, the semi-major axis, should follow"},
        {"sun 1 Msun\np 1 kg around sun a 1 AU at\n", 2, 28, "the line ends where an angle in degrees should follow"},
        {"sun 1 Msun\np 1 kg around sun a 1 AU spin\n", 2, 26, "unknown word \"spin\""},
        {"sun 1 Msun e 0.5\n", 1, 12, "e is for a body that goes round another"},
        {"sun 1 Msun\nsun 1 kg around sun a 1 AU\n", 2, 1, "\"sun\" already names the body of line 1"},
        {"sun 1 Msun\nstar 1 Msun\n", 2, 1, "only the first body stands alone"},
        {"sun 1 Msun\np 1 kg around sun a 1 AU\n", 2, 3,
         "p weighs 5.03e-31 of sun: at no G exponent do both fit a config's 64-bit masses"},
        // Columns count characters: the name has two of two bytes.
        {"sól 1 Msun\nlluna 1 kg around sól a 1 AU ee\n", 2, 30, "unknown word \"ee\""},
        {"sun 1 Msun\np 1 Mearth around p a 1 AU\n", 2, 19, "p cannot go round itself"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.text);
        std::vector<Avis> avisos;
        EXPECT_FALSE(Generar(c.text, avisos));
        ASSERT_EQ(avisos.size(), 1u);
        EXPECT_EQ(avisos[0].gravetat, Avis::Gravetat::Error);
        EXPECT_EQ(avisos[0].linia, c.linia);
        EXPECT_EQ(avisos[0].columna, c.columna);
        EXPECT_NE(avisos[0].text.find(c.missatge), std::string::npos) << avisos[0].text;
    }
}

// The moon's period worked by hand from the description, in SI units: the
// suggested key is the fastest that gives it 200 steps of 12.5 ms cycles.
TEST(ConfigGenOrbits, ThePlanetAndMoonHaveTheirRealPeriodsAndTheSuggestedKeyIsWorkedByHand)
{
    std::vector<Avis> avisos;
    const auto s = Generar(kPlanetaILluna, avisos);
    ASSERT_TRUE(s);
    EXPECT_TRUE(avisos.empty());
    const double au = 1.495978707e11, gm = 6.6743e-11 * (1.89813e27 + 0.5 * 5.9722e24);
    const double lluna = 2.0 * M_PI * std::sqrt(std::pow(0.05 * au, 3) / gm);
    ASSERT_EQ(s->orbites.size(), 3u);
    // Masses are whole numbers of six digits or more: within 1e-5.
    EXPECT_NEAR(s->orbites[1].periode / lluna, 1.0, 1e-5);
    EXPECT_GE(lluna / (0.0125 * 2628000), 200.0);   // key 5
    EXPECT_LT(lluna / (0.0125 * 15768000), 200.0);  // key 6
    EXPECT_EQ(TeclaSuggerida(*s), 5);
    for (const Cos& c : s->sistema.cossos) {
        EXPECT_GE(c.massa, 100000u);
        EXPECT_GE(static_cast<int>(c.diametre * 0.5f), 3);
    }
    // The largest orbit, Jupiter's apoapsis and the moon's beyond it, at
    // about four fifths of the way to the window's nearer edge, 300 px.
    EXPECT_NEAR(s->abastPx, 0.8 * 300, 0.1 * 300);
}

// The program's own step, for a minute at the suggested key, at the
// limiter's cycles and at cycles 25 % longer: the moon stays bound to
// Jupiter and every planet to the Sun.
TEST_F(ConfigGenOrbitsStep, ThePlanetAndMoonStayBoundForAMinuteAtTheSuggestedKey)
{
    std::vector<Avis> avisos;
    const auto s = Generar(kPlanetaILluna, avisos);
    ASSERT_TRUE(s);
    std::ostringstream config;
    EscriureConfig(config, s->sistema, &s->noms);
    for (const float cicle : {0.01f, 0.0125f}) {
        ReiniciarGlobals();
        ASSERT_TRUE(CarregarConfig(config.str()));
        G = 6.7 * std::pow(10.0, GExp);
        FactorVelocitat = FactorDeNumero(TeclaSuggerida(*s)).factor;
        TempsPerCicle = cicle;
        const int passos = static_cast<int>(60.0f / cicle);
        for (int pas = 1; pas <= passos; ++pas) {
            Pas(particules.get(), NUMERO_PARTICULES);
            if (pas % 100 != 0 && pas != passos)
                continue;
            ASSERT_LT(Lligam(2, 1), 0.0) << "moon and jupiter, step " << pas << " of " << cicle << " s";
            ASSERT_LT(Lligam(1, 0), 0.0) << "jupiter and sun, step " << pas;
            ASSERT_LT(Lligam(3, 0), 0.0) << "trojan and sun, step " << pas;
        }
    }
}

TEST(ConfigGenOrbits, AMoonBeyondItsPlanetsHillRadiusIsNotedAndNoKeyIsClaimed)
{
    std::string text = kPlanetaILluna;
    text.replace(text.find("a 0.05 AU"), 9, "a 0.6 AU ");
    std::vector<Avis> avisos;
    const auto s = Generar(text, avisos);
    ASSERT_TRUE(s);
    ASSERT_EQ(avisos.size(), 1u);
    EXPECT_EQ(avisos[0].gravetat, Avis::Gravetat::Nota);
    EXPECT_EQ(avisos[0].linia, 3);
    // Jupiter's Hill radius at its periapsis: 5.2 (1 - 0.048) (Mjup / 3 Msun)^(1/3).
    const double hill = 5.2 * (1 - 0.048) * std::cbrt(1.89813e27 / (3 * 1.98847e30));
    std::ostringstream radi;
    radi << "Hill radius of " << std::setprecision(3) << hill << " AU";
    EXPECT_NE(avisos[0].text.find(radi.str()), std::string::npos) << avisos[0].text;
    std::ostringstream informe;
    EscriureInformeOrbites(informe, *s);
    EXPECT_NE(informe.str().find("keys it tolerates: none"), std::string::npos) << informe.str();
}

TEST(ConfigGenOrbits, TheConfigReadsAsWrittenWithEachBodysNameAsItsWords)
{
    std::vector<Avis> avisos;
    const auto s = Generar(kPlanetaILluna, avisos);
    ASSERT_TRUE(s);
    std::ostringstream config;
    EscriureConfig(config, s->sistema, &s->noms);
    EXPECT_TRUE(Comprovar(config.str()).empty());
    std::istringstream linies(config.str());
    std::string linia;
    std::getline(linies, linia);
    for (const char* nom : {"sun", "jupiter", "moon", "trojan"}) {
        std::getline(linies, linia);
        std::istringstream paraules(linia);
        std::string valor, paraula;
        int n = 0;
        while (paraules >> valor >> paraula) {
            EXPECT_EQ(paraula, nom);
            ++n;
        }
        EXPECT_EQ(n, 6);
    }
}
