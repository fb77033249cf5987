#include "app/globals.h"

int32_t NUMERO_PARTICULES;
int32_t CICLES_PER_SEGON;
int32_t FPS;
int32_t GExp;

std::string EstatVelocitat;

std::unique_ptr<Particula[]> particules;

namespace {

// The settings of this library alone; the others reset their own.
void ReiniciarAjustos()
{
    NUMERO_PARTICULES = 0;
    CICLES_PER_SEGON = 0;
    FPS = 0;
    GExp = -11;
    EstatVelocitat = "1s = 1s";
    particules.reset();
}

// The values above hold from the first statement of main on.
[[maybe_unused]] const bool kIniciat = (ReiniciarAjustos(), true);

}  // namespace

void ReiniciarEstat()
{
    ReiniciarAjustos();
    ReiniciarVista();
    ReiniciarFisica();
}
