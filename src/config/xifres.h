#pragma once

#include <string>

// Numbers as particules-config's reports write them.

// `valor` with `precisio` significant digits.
std::string Xifra(double valor, int precisio = 4);

// Seconds, and in the largest of years (of `segonsAny` seconds), days and
// hours that they reach.
std::string Durada(double segons, double segonsAny);
