#include "app/arrencada.h"

int main()
{
    if (!arrencada())
        return 1;
    return 0;
}
