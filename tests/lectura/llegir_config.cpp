// Reads each file named on the command line as start-up reads config.txt,
// and writes what start-up writes (standard error in line with standard
// output), every body as stored to the last bit, and then what each reader
// makes of each token alone. Built natively and for WebAssembly, the two must
// write the same bytes for the same files.

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/arrencada.h"
#include "app/globals.h"
#include "lectura/nombres.h"

namespace {

// Tokens past this many in a file are not read alone.
constexpr int kTokens = 20000;

template <typename T>
std::string Bits(T valor)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &valor, sizeof valor);
    std::ostringstream s;
    s << std::hex << bits;
    return s.str();
}

// How far a read got into the token and what it left in the state.
std::string Fi(std::istringstream& in, const std::string& token)
{
    return std::to_string(token.size() - static_cast<size_t>(in.rdbuf()->in_avail())) +
           (in.fail() ? "f" : "") + (in.eof() ? "e" : "");
}

void LlegirSol(const std::string& token)
{
    std::istringstream a(token), b(token), c(token), d(token);
    const int32_t enter = llegir<int32_t>(a);
    const double real = llegir<double>(b);
    const float simple = llegir<float>(c);
    bool negativa = false;
    const uint64_t massa = llegirMassa(d, &negativa);
    std::cout << enter << ' ' << Fi(a, token) << " | " << Bits(real) << ' ' << Fi(b, token) << " | "
              << Bits(simple) << ' ' << Fi(c, token) << " | " << massa << (negativa ? "-" : "") << ' '
              << Fi(d, token) << '\n';
}

void LlegirTokens(const char* cami)
{
    std::ifstream f(cami, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    int tokens = 0;
    for (size_t i = 0; i < text.size() && tokens < kTokens; ++tokens) {
        while (i < text.size() && EsBlanc(static_cast<unsigned char>(text[i])))
            ++i;
        size_t fi = i;
        while (fi < text.size() && !EsBlanc(static_cast<unsigned char>(text[fi])))
            ++fi;
        if (fi > i)
            LlegirSol(text.substr(i, fi - i));
        i = fi;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::cerr.rdbuf(std::cout.rdbuf());
    for (int i = 1; i < argc; ++i) {
        std::cout << "== " << argv[i] << std::endl;
        ReiniciarEstat();
        if (llegirArxiu(argv[i])) {
            std::cout << "-- bodies\n";
            for (int32_t k = 0; k < NUMERO_PARTICULES; ++k) {
                const Particula& p = particules[k];
                std::cout << Bits(p.retornarposicio().x) << ' ' << Bits(p.retornarposicio().y) << ' '
                          << Bits(p.retornarvelocitat().x) << ' ' << Bits(p.retornarvelocitat().y)
                          << ' ' << p.retornarmassa() << ' ' << p.retornarmida() << '\n';
            }
        }
        std::cout << "-- tokens\n";
        LlegirTokens(argv[i]);
    }
    ReiniciarEstat();
    return 0;
}
