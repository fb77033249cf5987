#pragma once

#include <string>
#include <string_view>

// Numbers as particules-config's reports write them.

// `valor` with `precisio` significant digits.
std::string Xifra(double valor, int precisio = 4);

// Seconds, and in the largest of years (of `segonsAny` seconds), days and
// hours that they reach.
std::string Durada(double segons, double segonsAny);

// Whether text is a decimal number, [-]digits[.digits][e[+-]digits] with a
// digit at least before or after the point, as C++ reads one with
// from_chars; its value, correctly rounded, in valor, and fora set where no
// double holds it. Read by the C library, so that it builds wherever the
// library's from_chars does not read doubles.
bool LlegirNombre(std::string_view text, double& valor, bool& fora);
