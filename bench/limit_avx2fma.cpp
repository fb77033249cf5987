#include "physics/carrils.h"
#include "physics/fma_exacte.h"
#include "limit_parell.h"

double LimitParellAvx2Fma(const Parells& p)
{
    return LimitParell<CarrilsAvx2, QuocientsFma>(p);
}
