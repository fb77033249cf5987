#include "limit_parell.h"
#include "physics/carrils.h"
#include "physics/fma_exacte.h"

double LimitParellAvx512Fma(const Parells& p)
{
    return LimitParell<CarrilsAvx512, QuocientsFmaAvx512<>>(p);
}
