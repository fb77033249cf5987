#include "display/finestra.h"

#include <SDL.h>

#include <cstdlib>
#include <iostream>

#include "display/globals.h"
#include "lectura/constants.h"

bool iniciar()
{
    // The program makes no sound: unless the user has chosen a driver, SDL's
    // audio starts on the silent one, and a machine without a sound card gets
    // no lines from ALSA.
    const char* audio = std::getenv("SDL_AUDIODRIVER");
    if (audio == nullptr || *audio == '\0')
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_EVERYTHING) == -1) {
        std::cerr << "No s'ha pogut iniciar SDL" << std::endl;
        // What SDL says, the one line a person can act on.
        const char* per = SDL_GetError();
        if (per != nullptr && *per != '\0')
            std::cerr << per << std::endl;
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
