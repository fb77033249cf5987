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

bool FotogramaDegut(int32_t transcorregut, int32_t fps)
{
    return fps == 0 || !(transcorregut < 1000 / fps);
}

void entradaCicle(Bucle& b)
{
    while (SDL_PollEvent(&event)) {
        aplicarControls(particules.get(), NUMERO_PARTICULES);
        if (event.type == SDL_QUIT) {
            b.sortir = true;
        } else if (event.type == SDL_KEYDOWN) {
            if (event.key.keysym.sym == SDLK_q)
                b.sortir = true;
            else if (event.key.keysym.sym == SDLK_RETURN)
                b.limitarCicles = !b.limitarCicles;
        }
    }
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
    if (b.limitarCicles) {
        const int32_t espera = EsperaCicle(b.cronoCicle.temps(), CICLES_PER_SEGON);
        if (espera > 0)
            SDL_Delay(static_cast<Uint32>(espera));
    }
    // The real length of this cycle, wait included, is the next step's time.
    TempsPerCicle = static_cast<float>(b.cronoCicle.temps()) / 1000.0f;
}

bool cicle(Bucle& b)
{
    b.cronoCicle.iniciar();
    entradaCicle(b);
    Pas(particules.get(), NUMERO_PARTICULES);
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
        Fils() { IniciarFilsPas(); }
        ~Fils() { AturarFilsPas(); }
    } fils;
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
