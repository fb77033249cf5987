#include "physics/carrils.h"
#include "limit_parell.h"

double LimitParellSse2(const Parells& p)
{
    return LimitParell<CarrilsSse2>(p);
}
