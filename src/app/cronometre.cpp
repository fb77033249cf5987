#include "app/cronometre.h"

#include <SDL.h>

int32_t TempsTranscorregut(uint32_t ara, int32_t inici)
{
    return static_cast<int32_t>(ara - static_cast<uint32_t>(inici));
}

void Cronometre::iniciar()
{
    inici = static_cast<int32_t>(SDL_GetTicks());
}

int32_t Cronometre::temps()
{
    transcorregut = TempsTranscorregut(SDL_GetTicks(), inici);
    return transcorregut;
}
