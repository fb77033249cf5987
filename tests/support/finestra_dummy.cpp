#include "support/finestra_dummy.h"

#include <cstdlib>

#include "app/globals.h"
#include "display/finestra.h"

void AmbFinestra::SetUp()
{
    AmbGlobalsNets::SetUp();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    PANTALLA_AMPLADA = 800;
    PANTALLA_ALTURA = 600;
    PuntReferencia = {400.0, 300.0};
    ASSERT_TRUE(iniciar());
    // The dummy driver hands over its buffer uncleared.
    SDL_FillRect(pantalla, nullptr, SDL_MapRGB(pantalla->format, 0, 0, 0));
}

void AmbFinestra::TearDown()
{
    netejar();
    AmbGlobalsNets::TearDown();
}

void AmbFinestra::crearCossos(int32_t n)
{
    NUMERO_PARTICULES = n;
    particules.reset(new Particula[n]);
    for (int32_t i = 0; i < n; ++i)
        particules[i].valors(0, 0, 0, 0, 0, 1.0f);
}

Uint8 AmbFinestra::blanc()
{
    return static_cast<Uint8>(SDL_MapRGB(pantalla->format, 255, 255, 255));
}

Uint8 AmbFinestra::pixel(int x, int y)
{
    return static_cast<const Uint8*>(pantalla->pixels)[y * pantalla->pitch + x];
}

int AmbFinestra::pixelsBlancs()
{
    const Uint8 b = blanc();
    int n = 0;
    for (int y = 0; y < pantalla->h; ++y)
        for (int x = 0; x < pantalla->w; ++x)
            n += pixel(x, y) == b;
    return n;
}

void AmbFinestra::pitjar(SDLKey tecla)
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = tecla;
    SDL_PushEvent(&e);
}

void AmbFinestra::roda(Uint8 boto, Uint8 tipus)
{
    SDL_Event e{};
    e.type = tipus;
    e.button.type = tipus;
    e.button.button = boto;
    SDL_PushEvent(&e);
}
