#include "physics/carrils.h"
#include "physics/pas_nucli.h"

void PasNucliAvx512(const SistemaPas& s)
{
    NucliPas<CarrilsAvx512>(s);
}
