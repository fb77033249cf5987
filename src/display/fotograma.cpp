#include "display/fotograma.h"

#include <SDL.h>

#include <iostream>

#include "display/globals.h"

bool dibuixarFotograma(const Particula* particules, int32_t n)
{
    if (!DibuixarTrajectoria)
        SDL_FillRect(pantalla, nullptr, SDL_MapRGB(pantalla->format, 0, 0, 0));
    for (int32_t i = 0; i < n; ++i)
        particules[i].imprimir(PuntReferencia, Zoom);
    if (SDL_Flip(pantalla) == -1) {
        std::cerr << "imposible fer flip screen" << std::endl;
        return false;
    }
    return true;
}
