#include "app/plataforma.h"

#include <emscripten.h>

#include <vector>

#include "app/controls.h"
#include "app/globals.h"
#include "physics/pas.h"

namespace {

FiltreEvents filtreInstalat = nullptr;

// Bodies of the step that is timed before the first cycle: a few
// milliseconds' worth; the whole step's time is drawn from it by the square
// of the counts.
constexpr int32_t kCossosMostra = 2048;
// A cycle longer than this stops the tab long enough for a visitor to see.
constexpr double kCicleLlargMs = 200.0;

// When the page last gave control back to the program.
double tornadaPagina = 0.0;

// The page's Module.cicleLlarg(ms, estimat) hears of a long cycle: estimated
// before the first, or measured.
EM_JS(void, avisarCicleLlarg, (double ms, int estimat), {
    if (Module['cicleLlarg'])
        Module['cicleLlarg'](ms, estimat !== 0);
});

// Lets the page draw what it has been told before the tab stops answering.
EM_ASYNC_JS(void, deixarDibuixar, (), {
    await new Promise(function(fet) {
        requestAnimationFrame(function() { setTimeout(fet, 0); });
        // A hidden page draws nothing.
        setTimeout(fet, 250);
    });
});

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

void AbansDelBucle()
{
    if (NUMERO_PARTICULES > kCossosMostra) {
        std::vector<Particula> mostra(particules.get(), particules.get() + kCossosMostra);
        const double inici = emscripten_get_now();
        Pas(mostra.data(), kCossosMostra, ParametresGlobals());
        const double escala = static_cast<double>(NUMERO_PARTICULES) / kCossosMostra;
        const double ms = (emscripten_get_now() - inici) * escala * escala;
        if (ms > kCicleLlargMs) {
            avisarCicleLlarg(ms, 1);
            deixarDibuixar();
        }
    }
    tornadaPagina = emscripten_get_now();
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
    const double ocupat = emscripten_get_now() - tornadaPagina;
    if (ocupat > kCicleLlargMs)
        avisarCicleLlarg(ocupat, 0);
    cedirAlNavegador(ms > 0 ? ms : 0);
    tornadaPagina = emscripten_get_now();
    recollirEvents();
}
