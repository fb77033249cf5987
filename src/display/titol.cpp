#include "display/titol.h"

#include <SDL.h>

#include <sstream>

std::string TextEstat(int32_t hz, int32_t fps, float zoom, int32_t factor, const std::string& estat)
{
    std::ostringstream text;
    text << "Programa de Particules per Tervolin | Hz: " << hz << " |  FPS: " << fps
         << " |  Zoom: " << zoom << " |  V x" << factor << "  | " << estat;
    return text.str();
}

void PosarTitol(const std::string& text)
{
    SDL_WM_SetCaption(text.c_str(), nullptr);
}
