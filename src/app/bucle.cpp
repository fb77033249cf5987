#include "app/bucle.h"

#include <SDL.h>

#include <iostream>

#include "app/controls.h"
#include "app/globals.h"
#include "display/finestra.h"
#include "display/fotograma.h"
#include "display/titol.h"
#include "physics/pas.h"

int32_t EsperaCicle(int32_t transcorregut, int32_t ciclesPerSegon)
{
    if (ciclesPerSegon == 0)
        return 0;
    // Truncated: a limit of 60 gives 16 ms. Above 1000 or negative, no wait.
    const int32_t periode = 1000 / ciclesPerSegon;
    return transcorregut < periode ? periode - transcorregut : 0;
}

namespace {

// Longest sleep between two takings-in of events while a cycle waits.
constexpr int32_t kTallEspera = 4;

// Waits ms milliseconds in short sleeps, taking in events between them.
void esperar(int32_t ms)
{
    const Uint32 fi = SDL_GetTicks() + static_cast<Uint32>(ms > 0 ? ms : 0);
    for (;;) {
        recollirEvents();
        const int32_t resta = static_cast<int32_t>(fi - SDL_GetTicks());
        if (resta <= 0)
            return;
        SDL_Delay(static_cast<Uint32>(resta < kTallEspera ? resta : kTallEspera));
    }
}

}  // namespace

bool FotogramaDegut(int32_t transcorregut, int32_t fps)
{
    return fps == 0 || !(transcorregut < 1000 / fps);
}

void entradaCicle(Bucle& b)
{
    aplicarEvents(particules.get(), NUMERO_PARTICULES, b);
}

bool fotogramaCicle(Bucle& b)
{
    if (!FotogramaDegut(b.cronoFotograma.temps(), FPS))
        return true;
    if (!dibuixarFotograma(particules.get(), NUMERO_PARTICULES))
        return false;
    b.cronoFotograma.iniciar();
    ++b.comptadorFotogrames;
    return true;
}

void titolCicle(Bucle& b)
{
    PosarTitol(TextEstat(b.hzMostrat, b.fpsMostrat, Zoom, FactorVelocitat, EstatVelocitat));
    ++b.comptadorCicles;
    // The rates of the last full window of at least a second; what runs past
    // the second is not carried over.
    if (b.cronoSegon.temps() > 999) {
        b.hzMostrat = b.comptadorCicles;
        b.fpsMostrat = b.comptadorFotogrames;
        b.cronoSegon.iniciar();
        b.comptadorCicles = 0;
        b.comptadorFotogrames = 0;
    }
}

void ritmeCicle(Bucle& b)
{
    if (b.limitarCicles)
        esperar(EsperaCicle(b.cronoCicle.temps(), CICLES_PER_SEGON));
    // The real length of this cycle, wait included, is the next step's time.
    TempsPerCicle = static_cast<float>(b.cronoCicle.temps()) / 1000.0f;
}

bool cicle(Bucle& b)
{
    b.cronoCicle.iniciar();
    entradaCicle(b);
    Pas(particules.get(), NUMERO_PARTICULES);
    // A step of many bodies can last long: take in what came meanwhile.
    recollirEvents();
    if (!fotogramaCicle(b))
        return false;
    titolCicle(b);
    ritmeCicle(b);
    return true;
}

int faseExecucio()
{
    if (!iniciar()) {
        std::cerr << "Error al iniciar" << std::endl;
        return 1;
    }
    // The step's threads, made once; every way out of the run joins them.
    struct Fils {
        Fils() { IniciarFilsPas(NUMERO_PARTICULES); }
        ~Fils() { AturarFilsPas(); }
    } fils;
    filtrarEvents();
    Bucle b;
    b.cronoSegon.iniciar();
    b.cronoCicle.iniciar();
    while (!b.sortir) {
        if (!cicle(b))
            return 1;
    }
    netejar();
    return 0;
}
