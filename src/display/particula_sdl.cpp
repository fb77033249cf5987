// The part of a body that touches SDL: its square on the window.
#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "display/globals.h"
#include "physics/particula.h"

namespace {

// A pixel coordinate that truncates to a 32-bit integer; NaN does not.
bool CoordenadaValida(double c)
{
    return c > -2147483649.0 && c < 2147483648.0;
}

// Side of a square in pixels; anything past 2^31 covers every window anyway.
int64_t Costat(float s)
{
    return static_cast<int64_t>(std::min(s, 2147483648.0f));
}

}  // namespace

void Particula::imprimir(vector origen, float zoom) const
{
    const double x = static_cast<double>(zoom) * posicio.x + origen.x;
    const double y = static_cast<double>(zoom) * posicio.y + origen.y;
    if (!CoordenadaValida(x) || !CoordenadaValida(y))
        return;

    int64_t w = 1;
    int64_t h = 1;
    const float s = static_cast<float>(amplada) * zoom;
    if (s > 1.0f) {
        w = Costat(s);
        h = Costat(static_cast<float>(altura) * zoom);
    }

    // Clip in wide arithmetic: SDL's 16-bit rectangle would wrap far-away
    // bodies back into the window.
    const SDL_Rect& clip = pantalla->clip_rect;
    const int64_t x0 = std::max<int64_t>(static_cast<int32_t>(x), clip.x);
    const int64_t y0 = std::max<int64_t>(static_cast<int32_t>(y), clip.y);
    const int64_t x1 = std::min<int64_t>(static_cast<int32_t>(x) + w, clip.x + clip.w);
    const int64_t y1 = std::min<int64_t>(static_cast<int32_t>(y) + h, clip.y + clip.h);
    if (x0 >= x1 || y0 >= y1)
        return;

    SDL_Rect quadrat;
    quadrat.x = static_cast<Sint16>(x0);
    quadrat.y = static_cast<Sint16>(y0);
    quadrat.w = static_cast<Uint16>(x1 - x0);
    quadrat.h = static_cast<Uint16>(y1 - y0);
    SDL_FillRect(pantalla, &quadrat, SDL_MapRGB(pantalla->format, 255, 255, 255));
}
