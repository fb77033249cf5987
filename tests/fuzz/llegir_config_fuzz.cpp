// libFuzzer target for the configuration reader: any bytes as config.txt.
// Beyond the sanitizers' own checks it aborts when the echo leaves its fixed
// form, when it does not match the bodies built, or when two readings of the
// same bytes differ.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/arrencada.h"
#include "app/globals.h"
#include "support/globals_net.h"

namespace {

// Counts above this are refused: past a couple of hundred bodies every loop
// is already exercised, and big inputs would only slow the search down.
constexpr int32_t kMaxCossos = 256;

struct Lectura {
    std::string eco;
    std::string errors;
    bool creat = false;
    std::vector<Particula> cossos;
};

[[noreturn]] void Falla(const char* que, const Lectura& l)
{
    std::fprintf(stderr, "llegir_config_fuzz: %s\n--- eco ---\n%s--- errors ---\n%s\n", que,
                 l.eco.c_str(), l.errors.c_str());
    std::abort();
}

// Reads the bytes as start-up does, from a clean state. False when the count
// is above kMaxCossos: the input is then not read further.
bool Llegir(const std::string& bytes, Lectura& l)
{
    ReiniciarGlobals();
    std::istringstream in(bytes);
    std::ostringstream eco;
    llegirCapcalera(in, eco);
    if (NUMERO_PARTICULES > kMaxCossos)
        return false;

    std::ostringstream errors;
    std::streambuf* const abans = std::cerr.rdbuf(errors.rdbuf());
    l.creat = crearParticules(in, eco);
    std::cerr.rdbuf(abans);

    l.eco = eco.str();
    l.errors = errors.str();
    if (l.creat)
        l.cossos.assign(particules.get(), particules.get() + NUMERO_PARTICULES);
    return true;
}

std::string Capcalera()
{
    std::ostringstream s;
    s << "Pantalla X: " << PANTALLA_AMPLADA << " Pantalla Y: " << PANTALLA_ALTURA
      << " N particules: " << NUMERO_PARTICULES << " Cicles: " << CICLES_PER_SEGON
      << " FPS: " << FPS << "\n";
    return s.str();
}

// Everything a body line holds up to its diameter, from the stored body: the
// echo must show what was kept, not just what was read.
std::string IniciLinia(int32_t i, const Particula& p)
{
    std::ostringstream s;
    s << i << ": Pos X: " << p.retornarposicio().x << " | Pos Y: " << p.retornarposicio().y
      << " | Vel X: " << p.retornarvelocitat().x << " | Vel Y: " << p.retornarvelocitat().y
      << " | Massa: " << p.retornarmassa() << " | Diametre: ";
    return s.str();
}

// The diameter as default float output writes it: it must read back as a
// finite float that prints the same text.
bool DiametreBenFormat(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789.e+-") != std::string::npos)
        return false;
    char* fi = nullptr;
    const float d = std::strtof(text.c_str(), &fi);
    if (*fi != '\0' || !(d - d == 0.0f))
        return false;
    std::ostringstream s;
    s << d;
    return s.str() == text;
}

void ComprovarForma(const Lectura& l)
{
    const std::string cap = Capcalera();
    if (l.eco.compare(0, cap.size(), cap) != 0)
        Falla("header line out of form", l);

    if (NUMERO_PARTICULES <= 0) {
        if (l.creat || l.eco != cap || l.errors != "Número de partícules invàlid\n")
            Falla("a count of 0 or less must be refused after the header alone", l);
        return;
    }
    if (!l.creat || !l.errors.empty() || l.cossos.size() != static_cast<size_t>(NUMERO_PARTICULES))
        Falla("an accepted count must build every body quietly", l);
    const double g = std::pow(10.0, GExp) * 6.7;
    if (std::memcmp(&g, &G, sizeof g) != 0)
        Falla("G is not 6.7 times ten to the power GExp", l);

    size_t pos = cap.size();
    for (int32_t i = 0; i < NUMERO_PARTICULES; ++i) {
        const size_t fi = l.eco.find('\n', pos);
        if (fi == std::string::npos)
            Falla("fewer than 1 + N lines", l);
        const std::string linia = l.eco.substr(pos, fi - pos);
        const std::string inici = IniciLinia(i, l.cossos[i]);
        if (linia.compare(0, inici.size(), inici) != 0)
            Falla("body line does not show the stored body", l);
        if (!DiametreBenFormat(linia.substr(inici.size())))
            Falla("diameter out of form", l);
        pos = fi + 1;
    }
    if (pos != l.eco.size())
        Falla("more than 1 + N lines", l);
}

bool MateixCos(const Particula& a, const Particula& b)
{
    const double da[4] = {a.retornarposicio().x, a.retornarposicio().y, a.retornarvelocitat().x,
                          a.retornarvelocitat().y};
    const double db[4] = {b.retornarposicio().x, b.retornarposicio().y, b.retornarvelocitat().x,
                          b.retornarvelocitat().y};
    return std::memcmp(da, db, sizeof da) == 0 && a.retornarmassa() == b.retornarmassa()
           && a.retornarmida() == b.retornarmida();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Lectura primera;
    if (!Llegir(bytes, primera))
        return -1;
    ComprovarForma(primera);

    Lectura segona;
    Llegir(bytes, segona);
    if (segona.eco != primera.eco || segona.errors != primera.errors
        || segona.cossos.size() != primera.cossos.size())
        Falla("a second reading of the same bytes differs", segona);
    for (size_t i = 0; i < primera.cossos.size(); ++i)
        if (!MateixCos(primera.cossos[i], segona.cossos[i]))
            Falla("a second reading built different bodies", segona);
    ReiniciarGlobals();
    return 0;
}
