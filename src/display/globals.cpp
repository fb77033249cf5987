#include "display/globals.h"

int32_t PANTALLA_AMPLADA = 0;
int32_t PANTALLA_ALTURA = 0;

float Zoom = 0.5f;
vector PuntReferencia = {0.0, 0.0};
bool DibuixarTrajectoria = true;
SDL_Surface* pantalla = nullptr;
SDL_Event event = {};
