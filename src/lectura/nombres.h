#pragma once

#include <cstdint>
#include <istream>

// How the numbers and words of config.txt read: one grammar of the program's
// own, scanned byte by byte from the stream's buffer, so that every build
// reads a file alike whatever its C++ library's stream input does. The
// stream's state is kept as formatted input keeps it: a read that fails sets
// failbit, one that meets the end sets eofbit, and a read on a stream that is
// not good fails at once. So a value that is missing or does not parse reads
// as 0, and so does every value after it.

// The blanks between tokens: space, tab, line feed, vertical tab, form feed
// and carriage return. Every other byte belongs to a token.
bool EsBlanc(int c);

// Skips blanks up to the next token; at the end sets eofbit, and on a stream
// that is not good sets failbit, as std::ws does.
void saltarBlancs(std::istream& in);

// A value of the header (int32_t) or of a body (double, float): its bytes
// are taken for as long as they can continue the number, and a number that
// has no digit, ends in an exponent without one, or falls outside its type
// fails.
template <typename T>
T llegir(std::istream& in);
template <>
int32_t llegir<int32_t>(std::istream& in);
template <>
double llegir<double>(std::istream& in);
template <>
float llegir<float>(std::istream& in);

// A mass: decimal digits up to 18446744073709551615. With a minus sign it
// reads as 0 and the reading goes on after its digits; negativa, when given,
// tells whether a mass other than 0 was so lost. Digits past
// 18446744073709551615 fail the read, with a sign or without.
uint64_t llegirMassa(std::istream& in, bool* negativa = nullptr);

// The label or unit that follows every value of a body.
void descartarParaula(std::istream& in);
