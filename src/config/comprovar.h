#pragma once

#include <string>
#include <vector>

// One finding of the check, at a line and column of the file (both from 1;
// columns count characters, not bytes).
struct Avis {
    enum class Gravetat { Error, Nota };
    int linia = 1;
    int columna = 1;
    Gravetat gravetat = Gravetat::Error;
    std::string text;
};

// Reads the text of a config.txt the way the program does and says where it
// will not read as the writer meant: errors for values that fail to read and
// so turn to 0, records missing or extra, and a count the program refuses;
// notes for what reads but is likely a slip.
std::vector<Avis> Comprovar(const std::string& text);
