#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/arrencada.h"
#include "app/globals.h"
#include "config/comprovar.h"
#include "config/generar.h"
#include "physics/pas.h"
#include "support/globals_net.h"
#include "support/proces.h"

// particules-config gen, judged on what the program reads from its output.

namespace {

const Tipus kTipus[] = {Tipus::Estrella, Tipus::Disc, Tipus::Cumul};

std::string Text(const OpcionsGen& o)
{
    std::string error;
    const auto sistema = Generar(o, error);
    EXPECT_TRUE(sistema) << error;
    std::ostringstream out;
    if (sistema)
        EscriureConfig(out, *sistema);
    return out.str();
}

class ConfigGen : public AmbGlobalsNets {
protected:
    // Reads the text into the settings and the bodies with the program's reader.
    void Llegir(const std::string& text)
    {
        ASSERT_TRUE(CarregarConfig(text));
        CentrarVista();
    }

    // Whether body i's square has its corner inside the window, as drawn at
    // the start zoom.
    bool DinsFinestra(int i) const
    {
        const vector p = particules[i].retornarposicio();
        const double x = static_cast<double>(Zoom) * p.x + PuntReferencia.x;
        const double y = static_cast<double>(Zoom) * p.y + PuntReferencia.y;
        return x >= 0.0 && x < PANTALLA_AMPLADA && y >= 0.0 && y < PANTALLA_ALTURA;
    }
};

TEST_F(ConfigGen, EveryKindIsInItsCentreOfMassFrameToWithinRounding)
{
    for (Tipus tipus : kTipus)
        for (uint64_t llavor : {1u, 2u, 99u}) {
            SCOPED_TRACE(static_cast<int>(tipus) * 1000 + llavor);
            OpcionsGen o;
            o.tipus = tipus;
            o.llavor = llavor;
            Llegir(Text(o));
            long double mx = 0, my = 0, mvx = 0, mvy = 0, ax = 0, ay = 0, avx = 0, avy = 0;
            for (int i = 0; i < NUMERO_PARTICULES; ++i) {
                const long double m = particules[i].retornarmassa();
                const vector p = particules[i].retornarposicio();
                const vector v = particules[i].retornarvelocitat();
                mx += m * p.x, my += m * p.y, mvx += m * v.x, mvy += m * v.y;
                ax += m * std::fabs(p.x), ay += m * std::fabs(p.y);
                avx += m * std::fabs(v.x), avy += m * std::fabs(v.y);
            }
            // Each coordinate is rounded once to double, half a unit in the
            // last place: the sums can be off by that share of their sizes.
            const long double arrodoniment = 2 * DBL_EPSILON;
            EXPECT_LE(std::fabs(mx), arrodoniment * ax);
            EXPECT_LE(std::fabs(my), arrodoniment * ay);
            EXPECT_LE(std::fabs(mvx), arrodoniment * avx);
            EXPECT_LE(std::fabs(mvy), arrodoniment * avy);
            ReiniciarGlobals();
        }
}

// Each planet goes round the star at the circular speed of the two of them
// for the G of the exponent asked for, and at right angles to the line
// between them.
TEST_F(ConfigGen, PlanetsCircleTheStarAtTheSpeedOfTheirGExponent)
{
    for (int32_t gexp : {-11, -9, -12})
        for (auto [amplada, altura] : {std::pair{800, 600}, std::pair{1920, 1080}}) {
            SCOPED_TRACE(gexp);
            OpcionsGen o;
            o.tipus = Tipus::Estrella;
            o.n = 9;
            o.gexp = gexp;
            o.amplada = amplada;
            o.altura = altura;
            Llegir(Text(o));
            ASSERT_EQ(GExp, gexp);
            const double g = std::pow(10.0, gexp) * 6.7;
            const vector p0 = particules[0].retornarposicio();
            const vector v0 = particules[0].retornarvelocitat();
            const double m0 = static_cast<double>(particules[0].retornarmassa());
            for (int i = 1; i < NUMERO_PARTICULES; ++i) {
                const vector p = particules[i].retornarposicio();
                const vector v = particules[i].retornarvelocitat();
                const double dx = p.x - p0.x, dy = p.y - p0.y, wx = v.x - v0.x, wy = v.y - v0.y;
                const double r = std::hypot(dx, dy), w = std::hypot(wx, wy);
                const double m = static_cast<double>(particules[i].retornarmassa());
                EXPECT_NEAR(w * w * r / (g * (m0 + m)), 1.0, 1e-12) << "planet " << i;
                EXPECT_NEAR((dx * wx + dy * wy) / (r * w), 0.0, 1e-12) << "planet " << i;
            }
            ReiniciarGlobals();
        }
}

// A disc body circles the core and the disc inside it: its speed lies
// between that round the core alone and that round the core and all the disc.
TEST_F(ConfigGen, DiscBodiesMoveAtCircularSpeeds)
{
    OpcionsGen o;
    o.tipus = Tipus::Disc;
    o.gexp = -10;
    Llegir(Text(o));
    const double g = std::pow(10.0, -10) * 6.7;
    const vector p0 = particules[0].retornarposicio();
    const vector v0 = particules[0].retornarvelocitat();
    double disc = 0.0;
    for (int i = 1; i < NUMERO_PARTICULES; ++i)
        disc += static_cast<double>(particules[i].retornarmassa());
    const double nucli = static_cast<double>(particules[0].retornarmassa());
    ASSERT_GT(disc, 0.0);
    for (int i = 1; i < NUMERO_PARTICULES; ++i) {
        const vector p = particules[i].retornarposicio();
        const vector v = particules[i].retornarvelocitat();
        const double r = std::hypot(p.x - p0.x, p.y - p0.y);
        const double gm = std::pow(std::hypot(v.x - v0.x, v.y - v0.y), 2) * r / g;
        EXPECT_GE(gm, nucli * (1 - 1e-12)) << "body " << i;
        EXPECT_LE(gm, (nucli + disc) * (1 + 1e-12)) << "body " << i;
    }
}

TEST_F(ConfigGen, EveryKindStartsInsideTheWindowWhateverItsShape)
{
    for (Tipus tipus : kTipus)
        for (auto [amplada, altura] : {std::pair{800, 600}, std::pair{300, 900}, std::pair{1920, 1080}}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(tipus)) + " " + std::to_string(amplada));
            OpcionsGen o;
            o.tipus = tipus;
            o.amplada = amplada;
            o.altura = altura;
            Llegir(Text(o));
            ASSERT_EQ(PANTALLA_AMPLADA, amplada);
            ASSERT_EQ(NUMERO_PARTICULES, NombrePerDefecte(tipus));
            for (int i = 0; i < NUMERO_PARTICULES; ++i)
                EXPECT_TRUE(DinsFinestra(i)) << "body " << i;
            ReiniciarGlobals();
        }
}

// A minute of simulated time at 100 steps a second, with the step the
// program runs: no body of a disc of 500 leaves the window.
TEST_F(ConfigGen, ADiscOf500StaysInTheWindowForAMinute)
{
    OpcionsGen o;
    o.tipus = Tipus::Disc;
    o.n = 500;
    Llegir(Text(o));
    ASSERT_EQ(NUMERO_PARTICULES, 500);
    TempsPerCicle = 0.01f;
    for (int pas = 1; pas <= 6000; ++pas) {
        Pas(particules.get(), NUMERO_PARTICULES, ParametresGlobals());
        for (int i = 0; i < NUMERO_PARTICULES; ++i)
            ASSERT_TRUE(DinsFinestra(i)) << "body " << i << " at step " << pas;
    }
}

TEST(ConfigGenOutput, PassesTheCheckWithNothingToNote)
{
    for (Tipus tipus : kTipus)
        for (int32_t n : {1, 2, 7, 0}) {
            OpcionsGen o;
            o.tipus = tipus;
            o.n = n;
            const std::vector<Avis> avisos = Comprovar(Text(o));
            EXPECT_TRUE(avisos.empty()) << static_cast<int>(tipus) << " n " << n << ": "
                                        << avisos.front().text;
        }
}

TEST(ConfigGenOutput, TheSameSeedGivesTheSameFileAndAnotherADifferentOne)
{
    for (Tipus tipus : kTipus) {
        OpcionsGen o;
        o.tipus = tipus;
        o.llavor = 5;
        const std::string primer = Text(o);
        EXPECT_EQ(Text(o), primer);
        o.llavor = 6;
        EXPECT_NE(Text(o), primer);
    }
}

// A mass must be a whole number up to 2^64 - 1: an exponent at which the
// system would need more, or less than 1, is refused, not written wrong.
TEST(ConfigGenOutput, RefusesAGExponentWhoseMassesAConfigCannotHold)
{
    DirectoriTemporal dir;
    for (const char* gexp : {"-20", "9"}) {
        OpcionsExecucio opcions;
        opcions.directori = dir.cami();
        opcions.arguments = {"gen", "star", "--gexp", gexp};
        const Execucio r = Executar(PARTICULES_CONFIG_BIN, opcions);
        EXPECT_EQ(r.estat, 1) << gexp;
        EXPECT_EQ(r.sortida, "");
        EXPECT_NE(r.errors.find("G exponent"), std::string::npos) << r.errors;
    }
}

// The range a refusal offers is exactly the exponents that work, for each
// kind, window and number of bodies (a cluster needs 2 units a body); working
// means every body weighs 1 or more, since one of mass 0 pulls nothing.
TEST(ConfigGenOutput, EveryExponentARefusalOffersWorksAndNoneBeyond)
{
    const struct {
        Tipus tipus;
        int32_t n, amplada;
    } casos[] = {{Tipus::Estrella, 6, 800}, {Tipus::Disc, 300, 800}, {Tipus::Cumul, 1, 800},
                 {Tipus::Cumul, 100, 800}, {Tipus::Cumul, 1000, 800}, {Tipus::Estrella, 6, 32767}};
    for (const auto& c : casos) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.tipus)) + " n " + std::to_string(c.n));
        OpcionsGen o;
        o.tipus = c.tipus;
        o.n = c.n;
        o.amplada = c.amplada;
        o.gexp = 30;
        std::string error;
        ASSERT_FALSE(Generar(o, error));
        int32_t minim = 0, maxim = 0;
        ASSERT_EQ(std::sscanf(error.c_str() + error.find("from "), "from %d to %d", &minim, &maxim), 2)
            << error;
        for (int32_t e = minim - 1; e <= maxim + 1; ++e) {
            o.gexp = e;
            const auto sistema = Generar(o, error);
            EXPECT_EQ(sistema.has_value(), e >= minim && e <= maxim) << e << ": " << error;
            for (const Cos& c : sistema ? sistema->cossos : std::vector<Cos>{})
                EXPECT_GE(c.massa, 1u) << e;
        }
    }
}

// What a user does: generate a disc of 500 into config.txt and start the
// program on it.
TEST(ConfigGenOutput, TheProgramRunsAGeneratedDisc)
{
    DirectoriTemporal dir;
    OpcionsExecucio gen;
    gen.directori = dir.cami();
    gen.arguments = {"gen", "disc", "-n", "500", "--seed", "3", "--window", "1024x768", "--gexp", "-10"};
    const Execucio generat = Executar(PARTICULES_CONFIG_BIN, gen);
    ASSERT_EQ(generat.estat, 0) << generat.errors;
    dir.escriure("config.txt", generat.sortida);

    OpcionsExecucio programa;
    programa.directori = dir.cami();
    programa.entorn = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    programa.liniesFinsTancar = 501;
    const Execucio r = Executar(PARTICULES_BIN, programa);
    EXPECT_EQ(r.estat, 0);
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(r.sortida.substr(0, r.sortida.find('\n')),
              "Pantalla X: 1024 Pantalla Y: 768 N particules: 500 Cicles: 100 FPS: 60");
    EXPECT_NE(r.sortida.find("\n499: Pos X: "), std::string::npos);
}

}  // namespace

// What gen accepts it writes right. A cluster's total mass for a window is
// 4π²r³ / (120 s)² / G with r = 0.4·min(W, H), each body's from half to one
// and a half of its share; at the smallest exponent taken the heaviest come
// within a factor of 2^64 - 1, and over many seeds each must be a whole
// number in its range (an overflow wrote 2^63). The counts: the largest each
// kind takes, named when one more is refused.
TEST(ConfigGenRanges, EveryMassAndCountAcceptedIsWrittenRight)
{
    DirectoriTemporal dir;
    const auto gen = [&](const std::string& ordre) {
        OpcionsExecucio o;
        o.directori = dir.cami();
        o.arguments = {"-c", ordre, PARTICULES_CONFIG_BIN};
        return Executar("/bin/sh", o);
    };
    const struct {
        int n, costat;  // a square window
    } cumuls[] = {{1, 700}, {1, 820}, {2, 820}, {3, 820}, {2, 1000}, {7, 1300}};
    for (const auto& c : cumuls) {
        const std::string finestra = std::to_string(c.costat) + "x" + std::to_string(c.costat);
        const std::string ordre = "\"$0\" gen cluster -n " + std::to_string(c.n) + " --window " + finestra;
        SCOPED_TRACE(ordre);
        const Execucio refusat = gen(ordre + " --gexp -300");
        int minim = 0, maxim = 0;
        ASSERT_EQ(std::sscanf(refusat.errors.c_str() + refusat.errors.find("from "), "from %d to %d", &minim, &maxim), 2)
            << refusat.errors;
        const double r = 0.4 * c.costat;
        const double total = 4.0 * M_PI * M_PI * r * r * r / (120.0 * 120.0) / (6.7 * std::pow(10.0, minim));
        const double part = total / c.n;
        // One exponent less would take a body or the whole past 2^64 - 1.
        EXPECT_TRUE(std::max(total, 1.5 * part) * 10.0 >= 18446744073709551615.0) << minim;
        const Execucio r100 = gen("for s in $(seq 1 100); do " + ordre + " --gexp " + std::to_string(minim) +
                                  " --seed $s || exit 1; done");
        ASSERT_EQ(r100.estat, 0) << r100.errors;
        std::istringstream linies(r100.sortida);
        std::string linia;
        int masses = 0;
        uint64_t mesPesada = 0;
        while (std::getline(linies, linia)) {
            std::istringstream camps(linia);
            std::vector<std::string> t{std::istream_iterator<std::string>(camps), {}};
            if (t.size() != 12)
                continue;
            uint64_t m = 0;
            const auto [fi, ec] = std::from_chars(t[8].data(), t[8].data() + t[8].size(), m);
            ASSERT_TRUE(ec == std::errc() && fi == t[8].data() + t[8].size()) << t[8];
            EXPECT_GE(static_cast<double>(m), 0.5 * part * (1.0 - 1e-12) - 1.0) << t[8];
            EXPECT_LE(static_cast<double>(m), 1.5 * part * (1.0 + 1e-12) + 1.0) << t[8];
            mesPesada = std::max(mesPesada, m);
            ++masses;
        }
        EXPECT_EQ(masses, 100 * c.n);
        // The sweep reaches the masses llround could not hold.
        if (1.4 * part > 0x1p63) {
            EXPECT_GT(mesPesada, uint64_t{1} << 63);
        }
    }

    const struct {
        const char* tipus;
        int maxim;
        bool provat;  // run at the largest, which takes seconds
    } comptes[] = {{"star", 1000000, false}, {"disc", 1000000, false}, {"cluster", 40000, true}};
    for (const auto& c : comptes) {
        const std::string ordre = std::string("\"$0\" gen ") + c.tipus + " --gexp -5 -n ";
        const Execucio mes = gen(ordre + std::to_string(c.maxim + 1));
        EXPECT_EQ(mes.estat, 2) << c.tipus;
        EXPECT_EQ(mes.errors.rfind("particules-config: bad value \"" + std::to_string(c.maxim + 1) + "\" for -n: " +
                                   c.tipus + " takes at most " + std::to_string(c.maxim) + " bodies\n", 0), 0u)
            << mes.errors;
        if (c.provat) {
            const Execucio tot = gen(ordre + std::to_string(c.maxim) + " | head -1");
            EXPECT_EQ(tot.sortida, "800 600 " + std::to_string(c.maxim) + " 100 60 -5\n") << tot.errors;
        }
    }
}

// At the start zoom a square is its diameter times 0.5, truncated: every
// generated body is at least 3 pixels wide, and so is every body of the
// examples but cumul's disc of light bodies.
TEST(ConfigGenOutput, EveryBodyIsAtLeastThreePixelsWideAtTheStartZoom)
{
    for (Tipus tipus : kTipus) {
        OpcionsGen o;
        o.tipus = tipus;
        std::string error;
        const auto sistema = Generar(o, error);
        ASSERT_TRUE(sistema) << error;
        for (const Cos& c : sistema->cossos)
            EXPECT_GE(static_cast<int>(c.diametre * 0.5f), 3) << static_cast<int>(tipus);
    }
    for (const char* exemple : {"orbita", "sistema-solar", "vuit"}) {
        std::ifstream config(std::string(EXAMPLES_DIR) + "/" + exemple + "/config.txt");
        Sistema s;
        ASSERT_TRUE(Comprovar(config, &s).empty()) << exemple;
        for (const Cos& c : s.cossos)
            EXPECT_GE(static_cast<int>(c.diametre * 0.5f), 3) << exemple;
    }
}
