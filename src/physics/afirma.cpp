#include "physics/afirma.h"

#include <cstdio>
#include <cstdlib>

void FallaAfirmacio(const char* condicio, const char* arxiu, int linia)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", arxiu, linia, condicio);
    std::fflush(stderr);
    std::abort();
}
