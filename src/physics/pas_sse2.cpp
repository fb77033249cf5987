#include "physics/carrils.h"
#include "physics/pas_nucli.h"

void PasNucliSse2(const SistemaPas& s)
{
    NucliPas<CarrilsSse2>(s);
}
