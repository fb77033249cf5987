#include "app/controls.h"

#include <vector>

#include "app/globals.h"
#include "app/plataforma.h"

namespace {

constexpr double kPasZoom = 0.01;
constexpr double kZoomMinim = 0.05;
constexpr double kPasPanoramica = 50.0;

// Events taken in and not yet applied, in arrival order.
std::vector<SDL_Event> pendents;

int SDLCALL filtre(const SDL_Event* e)
{
    if (e->type == SDL_QUIT)
        return 1;
    if (e->type != SDL_KEYDOWN && e->type != SDL_MOUSEBUTTONDOWN)
        return 0;
    try {
        pendents.push_back(*e);
    } catch (...) {
        return 1;  // out of memory: SDL's queue keeps what room it has
    }
    return 0;
}

// What reached SDL's own queue: the close button, and what was pushed there.
void buidarCuaSdl()
{
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_ALLEVENTS) > 0)
        if (PassaFiltre(e))
            pendents.push_back(e);
}

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

void tecla(SDLKey simbol, Bucle& b)
{
    if (const FactorTemps* f = FactorDeTecla(simbol)) {
        FactorVelocitat = f->factor;
        EstatVelocitat = f->text;
        return;
    }
    switch (simbol) {
    case SDLK_q: b.sortir = true; break;
    case SDLK_RETURN: b.limitarCicles = !b.limitarCicles; break;
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

void boto(Uint8 boto)
{
    if (boto == SDL_BUTTON_WHEELUP)
        canviarZoom(kPasZoom);
    else if (boto == SDL_BUTTON_WHEELDOWN && static_cast<double>(Zoom) > kZoomMinim)
        canviarZoom(-kPasZoom);
}

}  // namespace

const FactorTemps* FactorDeTecla(SDLKey tecla)
{
    if (tecla < SDLK_1 || tecla > SDLK_7)
        return nullptr;
    return &FactorDeNumero(tecla - SDLK_0);
}

// A body's own reaction: s stops it before the step of the same cycle.
void Particula::entrada()
{
    if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_s)
        velocitat = {0.0, 0.0};
}

void filtrarEvents()
{
    InstalarFiltre(filtre);
}

void recollirEvents()
{
    // What is already in SDL's queue came before what this pump reads.
    buidarCuaSdl();
    SDL_PumpEvents();
    buidarCuaSdl();
}

void aplicarEvents(Particula* particules, int32_t n, Bucle& b)
{
    recollirEvents();
    for (const SDL_Event& e : pendents) {
        event = e;
        for (int32_t i = 0; i < n; ++i)
            particules[i].entrada();
        if (event.type == SDL_KEYDOWN)
            tecla(event.key.keysym.sym, b);
        else if (event.type == SDL_MOUSEBUTTONDOWN)
            boto(event.button.button);
        else if (event.type == SDL_QUIT)
            b.sortir = true;
    }
    pendents.clear();
}
