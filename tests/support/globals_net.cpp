#include "support/globals_net.h"

#include <sstream>

#include "app/arrencada.h"
#include "app/globals.h"

void ReiniciarGlobals()
{
    ReiniciarEstat();
}

bool CarregarConfig(const std::string& text)
{
    std::istringstream in(text);
    std::ostringstream eco;
    llegirCapcalera(in, eco);
    return crearParticules(in, eco);
}
