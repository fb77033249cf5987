#include "display/finestra.h"

#include <SDL.h>

#include <iostream>

#include "display/globals.h"

namespace {

// SDL draws through rectangles with 16-bit signed corners, and X11 takes a
// size of 65536 as 0 and aborts the program; no window can be that wide.
constexpr int32_t kMidaMaxima = 32767;

}  // namespace

bool iniciar()
{
    if (SDL_Init(SDL_INIT_EVERYTHING) == -1) {
        std::cerr << "No s'ha pogut iniciar SDL" << std::endl;
        return false;
    }
    if (PANTALLA_AMPLADA <= kMidaMaxima && PANTALLA_ALTURA <= kMidaMaxima)
        pantalla = SDL_SetVideoMode(PANTALLA_AMPLADA, PANTALLA_ALTURA, PANTALLA_BPP, 0);
    if (pantalla == nullptr) {
        std::cerr << "Error en ajustar parametres de la pantalla" << std::endl;
        return false;
    }
    SDL_WM_SetCaption("Programa de particules", nullptr);
    return true;
}

void netejar()
{
    SDL_FreeSurface(pantalla);
    pantalla = nullptr;
    SDL_Quit();
}
