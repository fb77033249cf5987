#include "fma_exacte.h"
#include "limit_parell.h"
#include "physics/carrils.h"

double LimitParellAvx2Fma(const Parells& p)
{
    return LimitParell<CarrilsAvx2, QuocientsFma>(p);
}
