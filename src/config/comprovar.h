#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "config/sistema.h"

// One finding of the check, at a line and column of the file (both from 1;
// columns count characters, not bytes).
struct Avis {
    enum class Gravetat { Error, Nota };
    int64_t linia = 1;
    int64_t columna = 1;
    Gravetat gravetat = Gravetat::Error;
    std::string text;
};

// Reads a config.txt the way the program does and says where it will not
// read as the writer meant: errors for values that fail to read and so turn
// to 0 or read as another number, window sizes the program refuses, records
// missing or extra, and a count the program refuses; notes for what reads but
// is likely a slip. The input is read once, in pieces: a file of any length
// is checked in the same memory. When llegit is given it receives every value
// as the program reads it; it is whole only when no finding is an error.
std::vector<Avis> Comprovar(std::istream& in, Sistema* llegit = nullptr);
std::vector<Avis> Comprovar(const std::string& text);

// A token as a finding quotes it: long ones cut short, and every byte that
// is not printable ASCII as \xNN, so that a report of binary input stays
// text and no invisible byte hides in a token that looks right.
std::string MostraToken(const std::string& token);
