#include "app/controls.h"

#include "app/globals.h"

namespace {

struct FactorTemps {
    SDLKey tecla;
    int32_t factor;
    const char* text;
};

// Simulated seconds per real second: an hour, a day, 15 days, a twelfth of a
// 365-day year, half a year, a year.
constexpr FactorTemps kFactors[] = {
    {SDLK_1, 1, "1s = 1s"},
    {SDLK_2, 3600, "1s = 1 hora"},
    {SDLK_3, 86400, "1s = 1 dia"},
    {SDLK_4, 1296000, "1s = 15 dies"},
    {SDLK_5, 2628000, "1s = 1 mes"},
    {SDLK_6, 15768000, "1s = mig any"},
    {SDLK_7, 31536000, "1s = 1 any"},
};

constexpr double kPasZoom = 0.01;
constexpr double kZoomMinim = 0.05;
constexpr double kPasPanoramica = 50.0;

// Panning and zooming start the next frame from a cleared window.
void moureVista(double dx, double dy)
{
    PuntReferencia.x += dx;
    PuntReferencia.y += dy;
    DibuixarTrajectoria = false;
}

void canviarZoom(double delta)
{
    Zoom = static_cast<float>(static_cast<double>(Zoom) + delta);
    DibuixarTrajectoria = false;
}

void tecla(SDLKey simbol)
{
    for (const FactorTemps& f : kFactors) {
        if (f.tecla == simbol) {
            FactorVelocitat = f.factor;
            EstatVelocitat = f.text;
            return;
        }
    }
    switch (simbol) {
    case SDLK_r: repulsio = !repulsio; break;
    case SDLK_t: DibuixarTrajectoria = !DibuixarTrajectoria; break;
    // The world origin moves against the arrow, like a camera moving with it.
    case SDLK_UP: moureVista(0.0, kPasPanoramica); break;
    case SDLK_DOWN: moureVista(0.0, -kPasPanoramica); break;
    case SDLK_RIGHT: moureVista(-kPasPanoramica, 0.0); break;
    case SDLK_LEFT: moureVista(kPasPanoramica, 0.0); break;
    default: break;
    }
}

void boto(Uint8 b)
{
    if (b == SDL_BUTTON_WHEELUP)
        canviarZoom(kPasZoom);
    else if (b == SDL_BUTTON_WHEELDOWN && static_cast<double>(Zoom) > kZoomMinim)
        canviarZoom(-kPasZoom);
}

}  // namespace

void aplicarControls(Particula* particules, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        particules[i].entrada();
    if (event.type == SDL_KEYDOWN)
        tecla(event.key.keysym.sym);
    else if (event.type == SDL_MOUSEBUTTONDOWN)
        boto(event.button.button);
}
