#include "display/finestra.h"

#include <SDL.h>

#include <iostream>

#include "display/globals.h"
#include "lectura/constants.h"

bool iniciar()
{
    if (SDL_Init(SDL_INIT_EVERYTHING) == -1) {
        std::cerr << "No s'ha pogut iniciar SDL" << std::endl;
        return false;
    }
    if (PANTALLA_AMPLADA <= PANTALLA_MIDA_MAXIMA && PANTALLA_ALTURA <= PANTALLA_MIDA_MAXIMA)
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
