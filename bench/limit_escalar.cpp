#include "physics/carrils.h"
#include "limit_parell.h"

double LimitParellEscalar(const Parells& p)
{
    return LimitParell<CarrilsEscalar>(p);
}
