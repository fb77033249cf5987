#include "display/globals.h"

#include "lectura/constants.h"

int32_t PANTALLA_AMPLADA = 0;
int32_t PANTALLA_ALTURA = 0;

float Zoom = ZOOM_INICIAL;
vector PuntReferencia = {0.0, 0.0};
bool DibuixarTrajectoria = true;
SDL_Surface* pantalla = nullptr;
SDL_Event event = {};
