#include "app/bucle.h"

#include <SDL.h>
#include <signal.h>

#include <iostream>

#include "app/controls.h"
#include "app/globals.h"
#include "app/plataforma.h"
#include "display/finestra.h"
#include "display/fotograma.h"
#include "display/titol.h"
#include "physics/pas.h"

namespace {

// SIGINT and SIGTERM end the run as q does, but at once: the step under way
// stops within each thread's next few thousand pulls.
extern "C" void aturarPerSenyal(int)
{
    InterromprePas();
}

// Installed where SDL would install its own, which only queues SDL_QUIT for
// the next cycle, after the whole step: on a signal whose disposition is still
// the default (one the shell set to be ignored stays ignored). SDL_Init then
// leaves it alone.
void instalarSenyals()
{
    for (const int senyal : {SIGINT, SIGTERM}) {
        struct sigaction actual;
        if (sigaction(senyal, nullptr, &actual) != 0 || actual.sa_handler != SIG_DFL)
            continue;
        struct sigaction nova {};
        nova.sa_handler = aturarPerSenyal;
        sigemptyset(&nova.sa_mask);
        nova.sa_flags = SA_RESTART;
        sigaction(senyal, &nova, nullptr);
    }
}

}  // namespace

void entradaCicle(Bucle& b)
{
    aplicarEvents(particules.get(), NUMERO_PARTICULES, b);
}

bool fotogramaCicle(Bucle& b)
{
    if (!FotogramaDegut(b.cronoFotograma.temps(), FPS))
        return true;
    if (!dibuixarFotograma(particules.get(), NUMERO_PARTICULES))
        return false;
    b.cronoFotograma.iniciar();
    ++b.comptadorFotogrames;
    return true;
}

void titolCicle(Bucle& b)
{
    PosarTitol(TextEstat(b.hzMostrat, b.fpsMostrat, Zoom, FactorVelocitat, EstatVelocitat));
    ++b.comptadorCicles;
    // The rates of the last full window of at least a second; what runs past
    // the second is not carried over.
    if (b.cronoSegon.temps() > 999) {
        b.hzMostrat = b.comptadorCicles;
        b.fpsMostrat = b.comptadorFotogrames;
        b.cronoSegon.iniciar();
        b.comptadorCicles = 0;
        b.comptadorFotogrames = 0;
    }
}

void ritmeCicle(Bucle& b)
{
    EsperarCicle(b.limitarCicles ? EsperaCicle(b.cronoCicle.temps(), CICLES_PER_SEGON) : kSenseLimit);
    // The real length of this cycle, wait included, is the next step's time.
    TempsPerCicle = static_cast<float>(b.cronoCicle.temps()) / 1000.0f;
}

bool cicle(Bucle& b)
{
    b.cronoCicle.iniciar();
    entradaCicle(b);
    // The step's parameters as the keys and the last cycle have left them,
    // read once for the whole step.
    PasDelCicle(particules.get(), NUMERO_PARTICULES, ParametresGlobals());
    // Stopped by a signal: the run ends as on quit, with nothing more drawn.
    if (PasInterromput()) {
        b.sortir = true;
        return true;
    }
    // A step of many bodies can last long: take in what came meanwhile.
    recollirEvents();
    if (!fotogramaCicle(b))
        return false;
    titolCicle(b);
    ritmeCicle(b);
    return true;
}

int faseExecucio()
{
    instalarSenyals();
    // The step's threads and path, chosen once and before the window shows:
    // a close sent to a window whose loop had not begun went unheard. Every
    // way out of the run joins the threads.
    const ExecucioDelPas execucio(NUMERO_PARTICULES, particules.get(),
                                  CicleReal(G, FactorVelocitat, SegonsDeCicle(CICLES_PER_SEGON), repulsio));
    if (!iniciar()) {
        std::cerr << "Error al iniciar" << std::endl;
        return 1;
    }
    filtrarEvents();
    AbansDelBucle();
    Bucle b;
    b.cronoSegon.iniciar();
    b.cronoCicle.iniciar();
    while (!b.sortir && !PasInterromput()) {
        if (!cicle(b))
            return 1;
    }
    netejar();
    return 0;
}
