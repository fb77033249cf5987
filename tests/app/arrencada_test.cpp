#include <gtest/gtest.h>

#include <string>

#include "app/globals.h"
#include "support/proces.h"

// Start-up as a user meets it: the real program in a folder of its own, with
// a config.txt written by the test, stdout, stderr and exit status checked.

namespace {

const std::string kInvalid = "Número de partícules invàlid\n";

Execucio Arrencar(const DirectoriTemporal& dir, int liniesEco)
{
    OpcionsExecucio o;
    o.directori = dir.cami();
    o.entorn = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    o.liniesFinsTancar = liniesEco;
    return Executar(PARTICULES_BIN, o);
}

Execucio AmbConfig(const std::string& config, int liniesEco)
{
    DirectoriTemporal dir;
    dir.escriure("config.txt", config);
    return Arrencar(dir, liniesEco);
}

}  // namespace

TEST(StartupEcho, MixedNotationGluedWordsAndCrlf)
{
    const Execucio r = AmbConfig(
        "801 601 3 100 60 -11\r\n"
        "1.5e3 x -2.5E-2 y 0 vx 1e6 vy 18446744073709551615 kg 2.9 px\r\n"
        "10kg -3 y 0.1 vx -0 vy 500kg 10px\r\n"
        "1234567 x 0.000012345678 y 123456.75 vx -7 - 1 - 1e-3 -\r\n",
        4);
    EXPECT_EQ(r.sortida,
              "Pantalla X: 801 Pantalla Y: 601 N particules: 3 Cicles: 100 FPS: 60\n"
              "0: Pos X: 1500 | Pos Y: -0.025 | Vel X: 0 | Vel Y: 1e+06"
              " | Massa: 18446744073709551615 | Diametre: 2.9\n"
              "1: Pos X: 10 | Pos Y: -3 | Vel X: 0.1 | Vel Y: -0 | Massa: 500 | Diametre: 10\n"
              "2: Pos X: 1.23457e+06 | Pos Y: 1.23457e-05 | Vel X: 123457 | Vel Y: -7"
              " | Massa: 1 | Diametre: 0.001\n");
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(r.estat, 0);
}

TEST(StartupEcho, TruncatedFileReadsZerosFromTheBreakOn)
{
    const Execucio r = AmbConfig("640 480 2 50 30 -11\n5 x 6 y 7", 3);
    EXPECT_EQ(r.sortida,
              "Pantalla X: 640 Pantalla Y: 480 N particules: 2 Cicles: 50 FPS: 30\n"
              "0: Pos X: 5 | Pos Y: 6 | Vel X: 7 | Vel Y: 0 | Massa: 0 | Diametre: 0\n"
              "1: Pos X: 0 | Pos Y: 0 | Vel X: 0 | Vel Y: 0 | Massa: 0 | Diametre: 0\n");
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(r.estat, 0);
}

TEST(StartupEcho, UnparsableMassZeroesTheRestANegativeOneOnlyItself)
{
    const Execucio r = AmbConfig(
        "640 480 3 50 30 -11\n"
        "1 x 2 y 3 vx 4 vy heavy kg 5 px\n"
        "9 x 9 y 9 vx 9 vy 9 kg 9 px\n"
        "9 x 9 y 9 vx 9 vy 9 kg 9 px\n",
        4);
    const std::string zeros = "Pos X: 0 | Pos Y: 0 | Vel X: 0 | Vel Y: 0 | Massa: 0 | Diametre: 0\n";
    EXPECT_EQ(r.sortida,
              "Pantalla X: 640 Pantalla Y: 480 N particules: 3 Cicles: 50 FPS: 30\n"
              "0: Pos X: 1 | Pos Y: 2 | Vel X: 3 | Vel Y: 4 | Massa: 0 | Diametre: 0\n"
              "1: " + zeros + "2: " + zeros);

    const Execucio n = AmbConfig("640 480 1 50 30 -11\n1 x 2 y 3 vx 4 vy -5 kg 5 px\n", 2);
    EXPECT_EQ(n.sortida,
              "Pantalla X: 640 Pantalla Y: 480 N particules: 1 Cicles: 50 FPS: 30\n"
              "0: Pos X: 1 | Pos Y: 2 | Vel X: 3 | Vel Y: 4 | Massa: 0 | Diametre: 5\n");
    EXPECT_EQ(n.estat, 0);
}

TEST(StartupRejects, CountZeroOrNegativeAfterTheHeaderEcho)
{
    for (const char* n : {"0", "-4"}) {
        const Execucio r = AmbConfig(std::string("800 600 ") + n + " 100 60 -11\n0 x 0 y 0 vx 0 vy 1 kg 1 px\n", -1);
        EXPECT_EQ(r.sortida, std::string("Pantalla X: 800 Pantalla Y: 600 N particules: ") + n
                                 + " Cicles: 100 FPS: 60\n");
        EXPECT_EQ(r.errors, kInvalid);
        EXPECT_EQ(r.estat, 1);
    }
}

TEST(StartupRejects, HeaderCutShortLeavesTheCountAtZero)
{
    const Execucio r = AmbConfig("800 600", -1);
    EXPECT_EQ(r.sortida, "Pantalla X: 800 Pantalla Y: 600 N particules: 0 Cicles: 0 FPS: 0\n");
    EXPECT_EQ(r.errors, kInvalid);
    EXPECT_EQ(r.estat, 1);
}

TEST(StartupRejects, MissingFile)
{
    DirectoriTemporal dir;
    const Execucio r = Arrencar(dir, -1);
    EXPECT_EQ(r.sortida, "");
    EXPECT_EQ(r.errors, "no es pot llegir l'arxiu\n" + kInvalid);
    EXPECT_EQ(r.estat, 1);
}

TEST(StartupRejects, CountTooLargeToAllocateEndsAtOnce)
{
    for (const char* n : {"2147483647", "1000000000"}) {
        const Execucio r = AmbConfig(std::string("800 600 ") + n + " 100 60 -11\n", -1);
        EXPECT_FALSE(r.esgotat);
        EXPECT_EQ(r.sortida, std::string("Pantalla X: 800 Pantalla Y: 600 N particules: ") + n
                                 + " Cicles: 100 FPS: 60\n");
        EXPECT_EQ(r.errors, kInvalid);
        EXPECT_EQ(r.estat, 1);
    }
}

// The view starts with the world origin on the window's middle pixel, halves
// rounded down.
TEST(StartupView, CentresTheOriginOnTheWindow)
{
    struct Cas {
        int32_t amplada, altura;
        double x, y;
    };
    for (const Cas c : {Cas{800, 600, 400.0, 300.0}, Cas{801, 601, 400.0, 300.0}, Cas{1, 1, 0.0, 0.0},
                        Cas{32767, 2, 16383.0, 1.0}}) {
        PANTALLA_AMPLADA = c.amplada;
        PANTALLA_ALTURA = c.altura;
        CentrarVista();
        EXPECT_EQ(PuntReferencia.x, c.x) << c.amplada;
        EXPECT_EQ(PuntReferencia.y, c.y) << c.altura;
    }
    ReiniciarEstat();
}

// A run's state, however a previous run left it, goes back to how a run starts.
TEST(StartupState, ResetUndoesEveryChange)
{
    NUMERO_PARTICULES = 3;
    CICLES_PER_SEGON = 100;
    FPS = 60;
    GExp = 4;
    EstatVelocitat = "1s = 1h";
    particules.reset(new Particula[3]);
    PANTALLA_AMPLADA = 640;
    PANTALLA_ALTURA = 480;
    Zoom = 2.0f;
    PuntReferencia = {5.0, 7.0};
    DibuixarTrajectoria = false;
    event.type = SDL_KEYDOWN;
    G = 1.0;
    FactorVelocitat = 3600;
    TempsPerCicle = 0.01f;
    repulsio = true;

    ReiniciarEstat();

    EXPECT_EQ(NUMERO_PARTICULES, 0);
    EXPECT_EQ(CICLES_PER_SEGON, 0);
    EXPECT_EQ(FPS, 0);
    EXPECT_EQ(GExp, -11);
    EXPECT_EQ(EstatVelocitat, "1s = 1s");
    EXPECT_EQ(particules, nullptr);
    EXPECT_EQ(PANTALLA_AMPLADA, 0);
    EXPECT_EQ(PANTALLA_ALTURA, 0);
    EXPECT_EQ(Zoom, 0.5f);
    EXPECT_EQ(PuntReferencia.x, 0.0);
    EXPECT_EQ(PuntReferencia.y, 0.0);
    EXPECT_TRUE(DibuixarTrajectoria);
    EXPECT_EQ(event.type, 0);
    EXPECT_EQ(G, 0.0);
    EXPECT_EQ(FactorVelocitat, 1);
    EXPECT_EQ(TempsPerCicle, 0.0f);
    EXPECT_FALSE(repulsio);
}
