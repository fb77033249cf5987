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
// of the counts, from the least of a few timings, which a busy machine
// lengthens and the step does not.
constexpr int32_t kCossosMostra = 2048;
constexpr int kMostres = 3;
// A cycle longer than this stops the picture long enough for a visitor to see.
constexpr double kCicleLlargMs = 200.0;
// A first step estimated past this waits for the visitor's word.
constexpr double kPasPermisMs = 3000.0;
// A step is done in slices of about this long, the page's turn between them,
// where its whole would pass it.
constexpr double kTrosMs = 40.0;
// A long cycle is said only once this many in a row were long: one alone is
// as likely the machine's as the step's.
constexpr int kCiclesLlargs = 3;

// When the page last gave control back to the program, and the program's
// own time in the cycle so far (the step's slices, without the page's turns
// between them).
double tornadaPagina = 0.0;
double treballCicle = 0.0;
// The estimate's milliseconds per body of a step, 0 where none was made.
double msPerCos = 0.0;
// The last cycles' own time, and the least over the current second.
double darrersCicles[kCiclesLlargs] = {};
int64_t cicles = 0;
double minimSegon = 0.0;
double iniciSegon = 0.0;

// The page's Module.cicleLlarg(ms, estimat) hears of a long cycle: estimated
// before the first, or measured.
EM_JS(void, avisarCicleLlarg, (double ms, int estimat), {
    if (Module['cicleLlarg'])
        Module['cicleLlarg'](ms, estimat !== 0);
});

// Module.treballCicle(ms): the least of a second's cycles' own time, for the
// page to tell a slow step from a busy machine.
EM_JS(void, avisarTreballCicle, (double ms), {
    if (Module['treballCicle'])
        Module['treballCicle'](ms);
});

// Module.trosPas(bodies done, n, slices): a sliced step's progress.
EM_JS(void, avisarTros, (int fets, int n, int trossos), {
    if (Module['trosPas'])
        Module['trosPas'](fets, n, trossos);
});

// Lets the page draw what it has been told before the tab stops answering.
EM_ASYNC_JS(void, deixarDibuixar, (), {
    await new Promise(function(fet) {
        requestAnimationFrame(function() { setTimeout(fet, 0); });
        // A hidden page draws nothing.
        setTimeout(fet, 250);
    });
});

// Waits for the page's Module.permisPas(ms), where it has one: a first step
// this long starts when the visitor says so.
EM_ASYNC_JS(void, esperarPermis, (double ms), {
    if (Module['permisPas'])
        await Module['permisPas'](ms);
});

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

// Between two slices of a step: the page's turn, then the next slice's
// bodies, as many as kTrosMs holds at the rate of the last.
struct Trossos {
    double inici = 0.0;
    int32_t fetsAbans = 0;
    int32_t trossos = 0;
};

int64_t seguentTros(void* dades, int32_t fets, int32_t n)
{
    Trossos& t = *static_cast<Trossos*>(dades);
    double msPerCosTros = msPerCos;
    if (fets > 0) {
        const double ara = emscripten_get_now();
        msPerCosTros = (ara - t.inici) / (fets - t.fetsAbans);
        treballCicle += ara - tornadaPagina;
        avisarTros(fets, n, ++t.trossos);
        cedirAlNavegador(0);
        tornadaPagina = emscripten_get_now();
    }
    t.inici = emscripten_get_now();
    t.fetsAbans = fets;
    return msPerCosTros > 0.0 ? static_cast<int64_t>(kTrosMs / msPerCosTros) : n;
}

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
        double minim = 0.0;
        for (int i = 0; i < kMostres; ++i) {
            const double inici = emscripten_get_now();
            Pas(mostra.data(), kCossosMostra, ParametresGlobals());
            const double ms = emscripten_get_now() - inici;
            minim = i == 0 || ms < minim ? ms : minim;
        }
        const double escala = static_cast<double>(NUMERO_PARTICULES) / kCossosMostra;
        const double ms = minim * escala * escala;
        msPerCos = ms / NUMERO_PARTICULES;
        if (ms > kCicleLlargMs) {
            avisarCicleLlarg(ms, 1);
            deixarDibuixar();
        }
        if (ms > kPasPermisMs)
            esperarPermis(ms);
    }
    tornadaPagina = iniciSegon = emscripten_get_now();
}

void PasDelCicle(Particula* cossos, int32_t n, const ParametresPas& p)
{
    if (msPerCos * n <= kTrosMs) {
        Pas(cossos, n, p);
        return;
    }
    Trossos trossos;
    PasPerTrossos(cossos, n, p, seguentTros, &trossos);
    avisarTros(n, n, trossos.trossos + 1);
}

void EsperarCicle(int32_t ms)
{
    const double ara = emscripten_get_now();
    const double ocupat = treballCicle + ara - tornadaPagina;
    treballCicle = 0.0;
    darrersCicles[cicles % kCiclesLlargs] = ocupat;
    minimSegon = cicles == 0 || ocupat < minimSegon ? ocupat : minimSegon;
    ++cicles;
    double minim = ocupat;
    for (const double c : darrersCicles)
        minim = c < minim ? c : minim;
    if (cicles >= kCiclesLlargs && minim > kCicleLlargMs)
        avisarCicleLlarg(minim, 0);
    if (ara - iniciSegon >= 1000.0) {
        avisarTreballCicle(minimSegon);
        iniciSegon = ara;
        minimSegon = 1e300;
    }
    cedirAlNavegador(ms > 0 ? ms : 0);
    tornadaPagina = emscripten_get_now();
    recollirEvents();
}
