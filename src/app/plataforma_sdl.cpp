#include "app/plataforma.h"

#include "app/controls.h"
#include "physics/pas.h"
#include "physics/pas_rapid.h"

namespace {

// Longest sleep between two takings-in of events while a cycle waits.
constexpr int32_t kTallEspera = 4;

}  // namespace

void InstalarFiltre(FiltreEvents filtre)
{
    SDL_SetEventFilter(filtre);
}

// SDL has filtered every event as it read it.
bool PassaFiltre(const SDL_Event&)
{
    return true;
}

void AbansDelBucle() {}

void PasDelCicle(Particula* cossos, int32_t n, const ParametresPas& p)
{
    Pas(cossos, n, p);
}

// Short sleeps, taking in events between them; a signal to stop ends the wait.
void EsperarCicle(int32_t ms)
{
    if (ms == kSenseLimit)
        return;
    const Uint32 fi = SDL_GetTicks() + static_cast<Uint32>(ms > 0 ? ms : 0);
    while (!PasInterromput()) {
        recollirEvents();
        const int32_t resta = static_cast<int32_t>(fi - SDL_GetTicks());
        if (resta <= 0)
            return;
        SDL_Delay(static_cast<Uint32>(resta < kTallEspera ? resta : kTallEspera));
    }
}
