#include "app/arrencada.h"
#include "app/bucle.h"

int main()
{
    if (!arrencada())
        return 1;
    return faseExecucio();
}
