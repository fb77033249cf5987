#include "app/arrencada.h"
#include "app/bucle.h"
#include "lectura/fluxos.h"

int main()
{
    AssegurarFluxosEstandard();
    if (!arrencada())
        return 1;
    return faseExecucio();
}
