#include "fma_avx2.h"
#include "limit_parell.h"
#include "physics/carrils.h"

double LimitParellAvx2Fma(const Parells& p)
{
    return LimitParell<CarrilsAvx2, QuocientsFma>(p);
}

double LimitParellAvx2FmaDx(const Parells& p)
{
    return LimitParell<CarrilsAvx2, QuocientsFmaAvx2Dx<>>(p);
}
