#pragma once

#include <cstdint>
#include <istream>

// How config.txt reads, shared by the program and by particules-config so
// that the two can never disagree. No read is checked: a value that is
// missing or does not parse is 0, and so is every value after it, since a
// failed stream stays failed.
template <typename T>
T llegir(std::istream& in)
{
    T valor{};
    if (!(in >> valor))
        valor = T{};
    return valor;
}

// Milliseconds to wait out a cycle that has lasted transcorregut under a
// limit of ciclesPerSegon; a limit of 0 or less means none.
int32_t EsperaCicle(int32_t transcorregut, int32_t ciclesPerSegon);

// Whether a frame is due transcorregut ms after the last; 0 frames per second
// means no limit.
bool FotogramaDegut(int32_t transcorregut, int32_t fps);

// G from the header's exponent.
double GDeExponent(int32_t gexp);

// Stream input would wrap "-5" round to 2^64 - 5: a mass with a minus sign
// reads as 0, and the reading goes on after its digits. negativa, when
// given, tells whether that happened.
uint64_t llegirMassa(std::istream& in, bool* negativa = nullptr);

// The label or unit that follows every value of a body.
void descartarParaula(std::istream& in);

// Whether an array of n bodies and the step's columns fit in the memory
// available now. Both are written in full, so a count that fits only in the
// memory installed would swap the machine to a standstill or be killed for
// memory.
bool CabenEnMemoria(int32_t n);
