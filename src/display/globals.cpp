#include "display/globals.h"

#include "lectura/constants.h"

int32_t PANTALLA_AMPLADA;
int32_t PANTALLA_ALTURA;

float Zoom;
vector PuntReferencia;
bool DibuixarTrajectoria;
SDL_Surface* pantalla = nullptr;
SDL_Event event;

void ReiniciarVista()
{
    PANTALLA_AMPLADA = 0;
    PANTALLA_ALTURA = 0;
    Zoom = ZOOM_INICIAL;
    PuntReferencia = {0.0, 0.0};
    DibuixarTrajectoria = true;
    event = SDL_Event{};
}

namespace {
// The values above hold from the first statement of main on.
[[maybe_unused]] const bool kIniciat = (ReiniciarVista(), true);
}  // namespace

void CentrarVista()
{
    PuntReferencia = {static_cast<double>(PANTALLA_AMPLADA / 2),
                      static_cast<double>(PANTALLA_ALTURA / 2)};
}
