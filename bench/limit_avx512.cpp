#include "physics/carrils.h"
#include "limit_parell.h"

double LimitParellAvx512(const Parells& p)
{
    return LimitParell<CarrilsAvx512>(p);
}
