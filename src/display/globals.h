#pragma once

#include <SDL.h>

#include <cstdint>

#include "physics/vector.h"

// Window settings read at start-up, and the view and SDL state that the
// controls change and every frame reads.
extern int32_t PANTALLA_AMPLADA;     // window width, pixels
extern int32_t PANTALLA_ALTURA;      // window height, pixels
constexpr int32_t PANTALLA_BPP = 8;  // bits per pixel of the window surface

extern float Zoom;                   // pixels per world unit
extern vector PuntReferencia;        // pixel position of the world origin
extern bool DibuixarTrajectoria;     // trails: the window is not cleared between frames
extern SDL_Surface* pantalla;        // the window surface while it is open
extern SDL_Event event;              // the event most recently polled

// Puts the window settings and the view back to what a run starts with: no
// size read yet, the start zoom, the origin at pixel (0, 0), trails on, no
// event. The window surface is left to the window's own opening and closing.
void ReiniciarVista();

// Puts the world origin at the window's centre, as the view starts.
void CentrarVista();
