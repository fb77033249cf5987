#include "support/globals_net.h"

#include <sstream>

#include "app/arrencada.h"
#include "app/globals.h"

void ReiniciarGlobals()
{
    PANTALLA_AMPLADA = 0;
    PANTALLA_ALTURA = 0;
    NUMERO_PARTICULES = 0;
    CICLES_PER_SEGON = 0;
    FPS = 0;
    GExp = -11;
    G = 0.0;
    FactorVelocitat = 1;
    EstatVelocitat = "1s = 1s";
    Zoom = 0.5f;
    PuntReferencia = {0.0, 0.0};
    DibuixarTrajectoria = true;
    repulsio = false;
    TempsPerCicle = 0.0f;
    event = SDL_Event{};
    particules.reset();
}

bool CarregarConfig(const std::string& text)
{
    std::istringstream in(text);
    std::ostringstream eco;
    llegirCapcalera(in, eco);
    return crearParticules(in, eco);
}
