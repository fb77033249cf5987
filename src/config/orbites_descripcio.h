#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "config/comprovar.h"
#include "config/orbites.h"

// gen orbits' description as read, line by line: each body's numbers in
// metres and kilograms, its names and its groups, and the findings. Only
// gen orbits includes it.

namespace descripcio {

struct Unitat {
    const char* nom;
    double valor;
};
inline constexpr Unitat kMasses[] = {{"kg", 1.0}, {"Mearth", kTerra}, {"Mjup", kJupiter}, {"Msun", kSol}};
inline constexpr Unitat kDistancies[] = {{"m", 1.0}, {"km", 1e3}, {"AU", kUA}};

// A group's bodies as written, the one that all the others go round, and
// the one placed last (round which the group's own children are placed).
struct Grup {
    std::vector<int32_t> cossos;
    int32_t cim = -1;
    int32_t fons = -1;
    int64_t linia = 0;
    int32_t columna = 1;
};

// One line of the description as written, in metres and kilograms.
struct Descrit {
    int64_t linia = 0;
    double massa = 0.0;
    double a = 0.0, e = 0.0, graus = 0.0;
    int32_t columnaMassa = 1, columnaA = 1;
    int32_t pare = -1;   // the body it goes round, a group's placed last
    int32_t grup = -1;
    int32_t fondaria = 0;
    const Unitat* unitatA = nullptr;
    bool retrograda = false;
    bool bo = false;     // read without error
};

// The findings as they come: the first ones kept, every one counted. A
// note's text is made only for those kept: a million bodies may each have one.
class Recull {
public:
    explicit Recull(Troballes& t) : t_(t) {}
    void error(int64_t linia, int64_t columna, const std::string& text)
    {
        ++t_.errors;
        if (t_.avisos.size() < kTroballesMostrades)
            t_.avisos.push_back({linia, columna, Avis::Gravetat::Error, text});
    }
    template <typename F>
    void nota(int64_t linia, int64_t columna, F text)
    {
        ++t_.notes;
        if (t_.avisos.size() < kTroballesMostrades)
            t_.avisos.push_back({linia, columna, Avis::Gravetat::Nota, text()});
    }
    int64_t errors() const { return t_.errors; }

private:
    Troballes& t_;
};

// A token as a message quotes it: cut short, every byte that is not
// printable ASCII as \xNN, as check shows them.
std::string Cita(std::string_view text);

// Every name and the body it names, by open addressing over the names
// themselves: a million of them take a few bytes each beyond their own.
class Index {
public:
    // The body a name names, or -1.
    int32_t trobar(std::string_view nom) const
    {
        if (taula_.empty())
            return -1;
        const uint64_t h = Hash(nom);
        for (size_t k = h & mascara();; k = (k + 1) & mascara()) {
            const uint64_t e = taula_[k];
            if (e == 0)
                return -1;
            const int32_t cos = static_cast<int32_t>(e & 0xFFFFFFFF) - 1;
            if ((e >> 32) == (h >> 32) && noms_[cos] == nom)
                return cos;
        }
    }
    // The name of the next body; false, with the body that has it, where one does.
    bool afegir(std::string_view nom, int32_t& abans)
    {
        abans = trobar(nom);
        if (abans >= 0)
            return false;
        noms_.emplace_back(nom);
        if (2 * noms_.size() > taula_.size()) {
            size_t mida = 64;
            while (mida < 4 * noms_.size())
                mida *= 2;
            taula_.assign(mida, 0);
            for (size_t i = 0; i < noms_.size(); ++i)
                posar(i);
        } else {
            posar(noms_.size() - 1);
        }
        return true;
    }
    const std::string& operator[](int32_t cos) const { return noms_[cos]; }
    std::vector<std::string> treure()
    {
        taula_ = {};
        return std::move(noms_);
    }

private:
    static uint64_t Hash(std::string_view nom) { return std::hash<std::string_view>()(nom) | 1; }
    size_t mascara() const { return taula_.size() - 1; }
    void posar(size_t cos)
    {
        const uint64_t h = Hash(noms_[cos]);
        size_t k = h & mascara();
        while (taula_[k] != 0)
            k = (k + 1) & mascara();
        taula_[k] = (h >> 32 << 32) | (cos + 1);
    }

    std::vector<std::string> noms_;
    std::vector<uint64_t> taula_;
};

// What a group, A+B+..., as around or --centre writes it, is told when it is
// malformed.
std::string GrupBuit(std::string_view text);
std::string DosCops(const std::string& nom, std::string_view text);
std::string NoVoltegen(const std::string& a, const std::string& b);

// The description read: each body, its name and its groups. False when a
// finding is an error.
struct Descripcio {
    std::vector<Descrit> cossos;
    Index noms;
    std::vector<Grup> grups;
};

// Reads the whole description into d; false when a finding is an error.
bool Llegir(std::istream& in, Descripcio& d, Recull& recull);

}  // namespace descripcio
