#include "physics/carrils.h"
#include "physics/pas_nucli.h"

void PasNucliEscalar(const SistemaPas& s)
{
    NucliPas<CarrilsEscalar>(s);
}
