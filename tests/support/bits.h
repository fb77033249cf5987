#pragma once

#include <cstring>

// Whether two values hold exactly the same bits, NaN payloads and the sign
// of zero included; the step's own comparison, where any NaN equals any NaN,
// is MateixosBits (physics/tria.h).
template <class T>
bool BitsIdentics(T a, T b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
