#include "physics/carrils.h"
#include "physics/pas_nucli.h"

void PasNucliAvx2(const SistemaPas& s)
{
    NucliPas<CarrilsAvx2>(s);
}
