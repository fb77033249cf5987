#include "app/plataforma.h"

#include <emscripten.h>

#include "app/controls.h"

namespace {

FiltreEvents filtreInstalat = nullptr;

}  // namespace

// Emscripten's SDL keeps no filter: events are filtered as they leave its queue.
void InstalarFiltre(FiltreEvents filtre)
{
    filtreInstalat = filtre;
}

bool PassaFiltre(const SDL_Event& e)
{
    return filtreInstalat == nullptr || filtreInstalat(&e) != 0;
}

// The wait in one timer, not in slices: each browser timer costs more than
// it asks for. With no wait, a message to itself gives the page its turn
// without the timers' 4 ms floor.
EM_ASYNC_JS(void, cedirAlNavegador, (int ms), {
    await new Promise(function(fet) {
        if (ms > 0) {
            setTimeout(fet, ms);
        } else {
            const canal = new MessageChannel();
            canal.port1.onmessage = function() { fet(); };
            canal.port2.postMessage(0);
        }
    });
});

void EsperarCicle(int32_t ms)
{
    cedirAlNavegador(ms > 0 ? ms : 0);
    recollirEvents();
}
