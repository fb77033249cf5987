#include <gtest/gtest.h>

#include <string>

#include "app/bucle.h"
#include "app/controls.h"
#include "app/cronometre.h"
#include "app/globals.h"
#include "display/titol.h"
#include "physics/pas.h"
#include "support/finestra_dummy.h"

namespace {

class Controls : public AmbFinestra {
protected:
    void SetUp() override
    {
        AmbFinestra::SetUp();
        crearCossos(2);
    }
    void aplicar() { entradaCicle(bucle); }

    Bucle bucle;
};

std::string Titol()
{
    char* titol = nullptr;
    SDL_WM_GetCaption(&titol, nullptr);
    return titol ? titol : "";
}

}  // namespace

TEST_F(Controls, WheelZoomsInStepsOfAHundredthAndSwitchesTrailsOff)
{
    // The float nearest 0.51, then back to 0.5: each notch is a hundredth,
    // to within the float's rounding.
    roda(SDL_BUTTON_WHEELUP);
    aplicar();
    EXPECT_EQ(Zoom, 0.51f);
    EXPECT_FALSE(DibuixarTrajectoria);

    DibuixarTrajectoria = true;
    roda(SDL_BUTTON_WHEELDOWN);
    aplicar();
    EXPECT_EQ(Zoom, 0.5f);
    EXPECT_FALSE(DibuixarTrajectoria);

    // Releases and other buttons do nothing.
    const float abans = Zoom;
    roda(SDL_BUTTON_WHEELUP, SDL_MOUSEBUTTONUP);
    roda(SDL_BUTTON_LEFT);
    roda(SDL_BUTTON_RIGHT);
    aplicar();
    EXPECT_EQ(Zoom, abans);
}

TEST_F(Controls, WheelDownStopsOneStepBelowFiveHundredths)
{
    for (int k = 0; k < 45; ++k)
        roda(SDL_BUTTON_WHEELDOWN);
    aplicar();
    EXPECT_GT(static_cast<double>(Zoom), 0.05);
    roda(SDL_BUTTON_WHEELDOWN);
    aplicar();
    EXPECT_LT(static_cast<double>(Zoom), 0.05);
    EXPECT_GT(static_cast<double>(Zoom), 0.04);

    const float fons = Zoom;
    for (int k = 0; k < 10; ++k)
        roda(SDL_BUTTON_WHEELDOWN);
    aplicar();
    EXPECT_EQ(Zoom, fons);
    roda(SDL_BUTTON_WHEELUP);
    aplicar();
    EXPECT_GT(Zoom, fons);
}

TEST_F(Controls, KeysOneToSevenChooseTheTimeFactor)
{
    // Each factor is the seconds in the period its text names: a month is a
    // twelfth of a year of 365 days.
    constexpr int32_t hora = 60 * 60, dia = 24 * hora, any = 365 * dia;
    struct {
        SDLKey tecla;
        int32_t factor;
        const char* text;
    } const casos[] = {
        {SDLK_2, hora, "1s = 1 hora"},        {SDLK_3, dia, "1s = 1 dia"},
        {SDLK_4, 15 * dia, "1s = 15 dies"},   {SDLK_5, any / 12, "1s = 1 mes"},
        {SDLK_6, any / 2, "1s = mig any"},    {SDLK_7, any, "1s = 1 any"},
        {SDLK_1, 1, "1s = 1s"},
    };
    for (const auto& c : casos) {
        pitjar(c.tecla);
        aplicar();
        EXPECT_EQ(FactorVelocitat, c.factor);
        EXPECT_EQ(EstatVelocitat, c.text);
        titolCicle(bucle);
        EXPECT_EQ(Titol(), "Programa de Particules per Tervolin | Hz: 0 |  FPS: 0 |  Zoom: 0.5 |  V x"
                               + std::to_string(c.factor) + "  | " + c.text);
    }
    // Keypad digits have symbols of their own.
    pitjar(SDLK_KP3);
    aplicar();
    EXPECT_EQ(FactorVelocitat, 1);
}

TEST_F(Controls, RAndTToggleAndArrowsPanAgainstTheArrow)
{
    pitjar(SDLK_r);
    aplicar();
    EXPECT_TRUE(repulsio);
    pitjar(SDLK_r);
    aplicar();
    EXPECT_FALSE(repulsio);

    pitjar(SDLK_t);
    aplicar();
    EXPECT_FALSE(DibuixarTrajectoria);
    pitjar(SDLK_t);
    aplicar();
    EXPECT_TRUE(DibuixarTrajectoria);

    pitjar(SDLK_UP);
    aplicar();
    EXPECT_EQ(PuntReferencia.y, 350.0);
    EXPECT_FALSE(DibuixarTrajectoria);
    pitjar(SDLK_LEFT);
    pitjar(SDLK_LEFT);
    aplicar();
    EXPECT_EQ(PuntReferencia.x, 500.0);
    pitjar(SDLK_DOWN);
    pitjar(SDLK_DOWN);
    pitjar(SDLK_RIGHT);
    aplicar();
    EXPECT_EQ(PuntReferencia.x, 450.0);
    EXPECT_EQ(PuntReferencia.y, 250.0);
}

TEST_F(Controls, SStopsEveryBodyBeforeTheStepOfTheSameCycle)
{
    G = 1.0;
    TempsPerCicle = 1.0f;
    particules[0].valors(0, 0, 5, 5, 100, 1.0f);
    particules[1].valors(10, 0, -3, 2, 100, 1.0f);
    pitjar(SDLK_s);
    aplicar();
    Pas(particules.get(), NUMERO_PARTICULES, ParametresGlobals());
    // From rest: neither moves, and each gets only the pull from distance 10.
    EXPECT_EQ(particules[0].retornarposicio().x, 0.0);
    EXPECT_EQ(particules[1].retornarposicio().x, 10.0);
    EXPECT_EQ(particules[0].retornarvelocitat().x, 100.0 / 100.0);
    EXPECT_EQ(particules[0].retornarvelocitat().y, 0.0);
    EXPECT_EQ(particules[1].retornarvelocitat().x, -(100.0 / 100.0));
    EXPECT_EQ(particules[1].retornarvelocitat().y, 0.0);
}

TEST_F(Controls, QCloseAndReturnBelongToTheLoop)
{
    EXPECT_FALSE(bucle.sortir);
    pitjar(SDLK_RETURN);
    aplicar();
    EXPECT_FALSE(bucle.limitarCicles);
    EXPECT_FALSE(bucle.sortir);
    pitjar(SDLK_RETURN);
    aplicar();
    EXPECT_TRUE(bucle.limitarCicles);

    pitjar(SDLK_q);
    aplicar();
    EXPECT_TRUE(bucle.sortir);

    Bucle altre;
    SDL_Event tancar{};
    tancar.type = SDL_QUIT;
    SDL_PushEvent(&tancar);
    entradaCicle(altre);
    EXPECT_TRUE(altre.sortir);
}

// What SDL's pump hands over as it reads the X connection.
SDL_Event Arribat(Uint8 tipus, Uint8 boto = 0, SDLKey tecla = SDLK_UNKNOWN)
{
    SDL_Event e{};
    e.type = tipus;
    e.button.button = boto;
    if (tipus == SDL_KEYDOWN || tipus == SDL_KEYUP)
        e.key.keysym.sym = tecla;
    return e;
}

class ControlsFiltrats : public Controls {
protected:
    void SetUp() override
    {
        Controls::SetUp();
        filtrarEvents();
        filtre = SDL_GetEventFilter();
        ASSERT_NE(filtre, nullptr);
    }
    void TearDown() override
    {
        SDL_SetEventFilter(nullptr);
        Controls::TearDown();
    }
    int filtrar(SDL_Event e) const { return filtre(&e); }
    SDL_EventFilter filtre = nullptr;
};

// SDL's queue holds 127 events and one pump can bring thousands; the filter
// takes every press out of SDL's way, and what the program never acts on is
// dropped.
TEST_F(ControlsFiltrats, TenThousandPressesInOneCycleAllCount)
{
    float esperat = Zoom;
    for (int k = 0; k < 10000; ++k) {
        EXPECT_EQ(filtrar(Arribat(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELUP)), 0);
        esperat = static_cast<float>(static_cast<double>(esperat) + 0.01);
    }
    for (const SDL_Event& e : {Arribat(SDL_MOUSEMOTION), Arribat(SDL_MOUSEBUTTONUP, SDL_BUTTON_WHEELUP),
                               Arribat(SDL_KEYUP, 0, SDLK_q), Arribat(SDL_ACTIVEEVENT)})
        EXPECT_EQ(filtrar(e), 0) << int(e.type);
    // Quitting is left to SDL's queue: a signal handler raises it too.
    EXPECT_EQ(filtrar(Arribat(SDL_QUIT)), 1);
    entradaCicle(bucle);
    EXPECT_EQ(Zoom, esperat);
    EXPECT_FALSE(bucle.sortir);
}

TEST_F(ControlsFiltrats, EventsApplyInTheOrderTheyArrived)
{
    // A turn switches trails off and t toggles them: the order shows.
    for (bool rodaPrimer : {true, false}) {
        DibuixarTrajectoria = true;
        const SDL_Event roda = Arribat(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELUP);
        const SDL_Event t = Arribat(SDL_KEYDOWN, 0, SDLK_t);
        filtrar(rodaPrimer ? roda : t);
        filtrar(rodaPrimer ? t : roda);
        entradaCicle(bucle);
        EXPECT_EQ(DibuixarTrajectoria, rodaPrimer);
    }
}

// The wait at the end of a cycle empties SDL's queue into the program's, and
// what came in waits for the start of the next cycle.
TEST_F(ControlsFiltrats, WhatArrivesDuringTheWaitAppliesAtTheNextCycle)
{
    CICLES_PER_SEGON = 100;
    bucle.cronoCicle.iniciar();
    roda(SDL_BUTTON_WHEELUP);
    pitjar(SDLK_q);
    ritmeCicle(bucle);
    SDL_Event e;
    EXPECT_EQ(SDL_PeepEvents(&e, 1, SDL_PEEKEVENT, SDL_ALLEVENTS), 0);
    EXPECT_EQ(Zoom, 0.5f);
    EXPECT_FALSE(bucle.sortir);
    entradaCicle(bucle);
    EXPECT_EQ(Zoom, 0.51f);
    EXPECT_TRUE(bucle.sortir);
}

TEST(StatusLine, TextOfTheDefaultStateAndZoomFormatting)
{
    EXPECT_EQ(TextEstat(100, 60, 0.5f, 1, "1s = 1s"),
              "Programa de Particules per Tervolin | Hz: 100 |  FPS: 60 |  Zoom: 0.5 |  V x1  | 1s = 1s");
    EXPECT_EQ(TextEstat(0, 0, 0.51f, 86400, "1s = 1 dia"),
              "Programa de Particules per Tervolin | Hz: 0 |  FPS: 0 |  Zoom: 0.51 |  V x86400  | 1s = 1 dia");
    EXPECT_EQ(TextEstat(7, 3, 1.0f / 3.0f, 1, "1s = 1s"),
              "Programa de Particules per Tervolin | Hz: 7 |  FPS: 3 |  Zoom: 0.333333 |  V x1  | 1s = 1s");
}

TEST_F(Controls, RatesShowTheLastFullSecond)
{
    FPS = 0;
    bucle.cronoSegon.iniciar();
    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(fotogramaCicle(bucle));
        titolCicle(bucle);
    }
    EXPECT_EQ(bucle.hzMostrat, 0);
    EXPECT_EQ(Titol(), "Programa de Particules per Tervolin | Hz: 0 |  FPS: 0 |  Zoom: 0.5 |  V x1  | 1s = 1s");

    SDL_Delay(1001);
    ASSERT_TRUE(fotogramaCicle(bucle));
    titolCicle(bucle);
    EXPECT_EQ(bucle.hzMostrat, 4);
    EXPECT_EQ(bucle.fpsMostrat, 4);
    EXPECT_EQ(bucle.comptadorCicles, 0);
    EXPECT_EQ(bucle.comptadorFotogrames, 0);
    titolCicle(bucle);
    EXPECT_EQ(Titol(), "Programa de Particules per Tervolin | Hz: 4 |  FPS: 4 |  Zoom: 0.5 |  V x1  | 1s = 1s");
}

TEST_F(Controls, FrameLimitOfZeroOrLessDrawsEveryCycle)
{
    for (int32_t fps : {0, -1}) {
        FPS = fps;
        Bucle b;
        for (int k = 0; k < 3; ++k)
            ASSERT_TRUE(fotogramaCicle(b));
        EXPECT_EQ(b.comptadorFotogrames, 3) << fps;
    }
    // One frame a second: after a frame, the next cycle draws nothing.
    FPS = 1;
    Bucle b;
    b.cronoFotograma.iniciar();
    ASSERT_TRUE(fotogramaCicle(b));
    EXPECT_EQ(b.comptadorFotogrames, 0);
}

TEST(Limits, CyclePeriodIsTruncatedAndZeroOrNegativeMeansNoWait)
{
    EXPECT_EQ(EsperaCicle(3, 100), 7);
    EXPECT_EQ(EsperaCicle(0, 60), 16);
    EXPECT_EQ(EsperaCicle(10, 100), 0);
    EXPECT_EQ(EsperaCicle(25, 100), 0);
    EXPECT_EQ(EsperaCicle(0, 2000), 0);
    EXPECT_EQ(EsperaCicle(0, 0), 0);
    EXPECT_EQ(EsperaCicle(0, -5), 0);
}

TEST(Limits, FramePeriodIsTruncatedAndZeroOrNegativeDrawsAlways)
{
    EXPECT_FALSE(FotogramaDegut(15, 60));
    EXPECT_TRUE(FotogramaDegut(16, 60));
    EXPECT_TRUE(FotogramaDegut(0, 2000));
    EXPECT_TRUE(FotogramaDegut(0, 0));
    EXPECT_TRUE(FotogramaDegut(0, -5));
}

TEST(Stopwatch, ElapsedTimeSurvivesTheTickCounterWrap)
{
    EXPECT_EQ(TempsTranscorregut(5u, static_cast<int32_t>(0xFFFFFFFBu)), 10);
    EXPECT_EQ(TempsTranscorregut(0x80000010u, static_cast<int32_t>(0x7FFFFFF0u)), 32);
    EXPECT_EQ(TempsTranscorregut(1500u, 500), 1000);
}

TEST_F(Controls, StopwatchMeasuresFromTickZeroUntilRestarted)
{
    SDL_Delay(2);
    Cronometre c;
    const int32_t desDelZero = c.temps();
    EXPECT_GE(desDelZero, 2);
    EXPECT_GE(static_cast<int32_t>(SDL_GetTicks()), desDelZero);
    c.iniciar();
    EXPECT_LT(c.temps(), desDelZero);
    // Reading does not restart it.
    SDL_Delay(2);
    EXPECT_GE(c.temps(), 2);
}
