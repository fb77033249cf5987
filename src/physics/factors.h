#pragma once

#include <cstdint>

// What time keys 1 to 7 set: simulated seconds per real second, and its name
// in the title. A plain table by key number, for the program's controls and
// for particules-config alike.
struct FactorTemps {
    int32_t factor;
    const char* text;
};

constexpr int kTecles = 7;

// An hour, a day, 15 days, a twelfth of a 365-day year, half a year, a year.
constexpr FactorTemps kFactorsTecla[kTecles] = {
    {1, "1s = 1s"},
    {3600, "1s = 1 hora"},
    {86400, "1s = 1 dia"},
    {1296000, "1s = 15 dies"},
    {2628000, "1s = 1 mes"},
    {15768000, "1s = mig any"},
    {31536000, "1s = 1 any"},
};

// Key 1 to 7.
constexpr const FactorTemps& FactorDeNumero(int tecla) { return kFactorsTecla[tecla - 1]; }
