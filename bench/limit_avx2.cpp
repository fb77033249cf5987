#include "physics/carrils.h"
#include "limit_parell.h"

double LimitParellAvx2(const Parells& p)
{
    return LimitParell<CarrilsAvx2>(p);
}
