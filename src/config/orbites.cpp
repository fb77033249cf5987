#include "config/orbites.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <memory>
#include <string_view>

#include "config/generar.h"
#include "config/previa.h"
#include "config/xifres.h"
#include "lectura/constants.h"
#include "lectura/lectura.h"
#include "physics/factors.h"

namespace {

// Widths in world units: three pixels at the start zoom for every body, more
// for the first and for bodies with bodies of their own.
constexpr float kAmpleCentre = 12.0f, kAmplePare = 8.0f, kAmple = 6.0f;
// An orbit narrower than this many pixels looks like one body with its parent.
constexpr double kOrbitaVisible = 4.0;
// What a description may hold: a line, the lines, the bodies, and the errors
// after which reading stops.
constexpr size_t kLiniaMaxima = 4096;
constexpr int64_t kLiniesMaximes = 10000000;
constexpr int32_t kCossosMaxims = 1000000;
constexpr int64_t kErrorsMaxims = 100;
// A body round one whose own place is this far (of its periapsis, or of its
// speed there) from the centre of what goes round that one is noted.
constexpr double kDesplacament = 0.01;
// Farther than this the doubles' exponents cannot reach.
constexpr double kExponentMaxim = 290.0;

struct Unitat {
    const char* nom;
    double valor;
};
constexpr Unitat kMasses[] = {{"kg", 1.0}, {"Mearth", kTerra}, {"Mjup", kJupiter}, {"Msun", kSol}};
constexpr Unitat kDistancies[] = {{"m", 1.0}, {"km", 1e3}, {"AU", kUA}};

struct Paraula {
    std::string_view text;
    int32_t columna;
};

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
std::string Cita(std::string_view text)
{
    return "\"" + MostraToken(std::string(text)) + "\"";
}

// The next line of in, up to kLiniaMaxima bytes; false at the end. Too long a
// line is left unread past its limit and llarga is set.
bool LlegirLinia(std::istream& in, std::string& linia, bool& llarga)
{
    linia.clear();
    llarga = false;
    std::streambuf* font = in.rdbuf();
    using T = std::char_traits<char>;
    int c = font->sgetc();
    if (c == T::eof())
        return false;
    for (; c != T::eof(); c = font->snextc()) {
        if (c == '\n') {
            font->sbumpc();
            return true;
        }
        if (linia.size() == kLiniaMaxima) {
            llarga = true;
            return true;
        }
        linia += static_cast<char>(c);
    }
    return true;
}

// The words of a line up to its comment, each with its column in characters.
void Paraules(std::string_view linia, std::vector<Paraula>& paraules)
{
    paraules.clear();
    int32_t columna = 0;
    size_t inici = std::string_view::npos;
    for (size_t k = 0; k <= linia.size(); ++k) {
        const char c = k < linia.size() ? linia[k] : '#';
        const bool fi = c == '#';
        // UTF-8's continuation bytes do not start a character.
        columna += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        const bool espai = fi || c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
        if (espai && inici != std::string_view::npos) {
            paraules.back().text = linia.substr(inici, k - inici);
            inici = std::string_view::npos;
        } else if (!espai && inici == std::string_view::npos) {
            paraules.push_back({{}, columna});
            inici = k;
        }
        if (fi)
            break;
    }
}

// The code point at text[k] and its length, or a length of 0 where the bytes
// are not UTF-8.
std::pair<uint32_t, size_t> CodiUtf8(std::string_view text, size_t k)
{
    const unsigned char c = static_cast<unsigned char>(text[k]);
    const size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || k + n > text.size())
        return {0, 0};
    uint32_t codi = n == 1 ? c : c & (0x7F >> n);
    for (size_t j = 1; j < n; ++j) {
        const unsigned char d = static_cast<unsigned char>(text[k + j]);
        if ((d & 0xC0) != 0x80)
            return {0, 0};
        codi = (codi << 6) | (d & 0x3F);
    }
    // Overlong forms, surrogates and what lies past Unicode are not UTF-8.
    const uint32_t minim[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codi < minim[n] || (codi >= 0xD800 && codi <= 0xDFFF) || codi > 0x10FFFF)
        return {0, 0};
    return {codi, n};
}

// Characters that show as nothing, or as a blank: a name holding one looks
// like another.
bool Invisible(uint32_t c)
{
    return c == 0xA0 || c == 0xAD || c == 0x034F || c == 0x061C || c == 0x115F || c == 0x1160 ||
           c == 0x1680 || c == 0x180E || (c >= 0x2000 && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) ||
           (c >= 0x205F && c <= 0x206F) || c == 0x3000 || c == 0x3164 || (c >= 0xFE00 && c <= 0xFE0F) ||
           c == 0xFEFF || c == 0xFFA0 || (c >= 0xE0000 && c <= 0xE0FFF);
}

// Why a word cannot name a body, or nothing when it can: a name is what a
// reader sees, and what the config writes as its words.
std::string NomIncorrecte(std::string_view nom)
{
    for (size_t k = 0; k < nom.size();) {
        const unsigned char c = static_cast<unsigned char>(nom[k]);
        if (c < 0x20 || c == 0x7F)
            return "it holds the control byte " + MostraToken(std::string(1, static_cast<char>(c)));
        if (c == '+')
            return "it holds +, which joins the bodies of a group";
        const auto [codi, n] = CodiUtf8(nom, k);
        if (n == 0)
            return "it is not UTF-8";
        if (Invisible(codi)) {
            char u[16];
            std::snprintf(u, sizeof u, "U+%04X", static_cast<unsigned>(codi));
            return std::string("it holds ") + u + ", which shows as nothing or as a blank";
        }
        k += n;
    }
    double x = 0.0;
    bool fora = false;
    if (LlegirNombre(nom, x, fora))
        return "it reads as a number, which in a config looks like a missing word";
    return "";
}

class LectorLinia {
public:
    LectorLinia(Recull& recull, int64_t linia) : recull_(recull), linia_(linia) {}

    void error(int64_t columna, const std::string& text) { recull_.error(linia_, columna, text); }

    // The word after paraules[i], which names what it should be.
    const Paraula* seguent(const std::vector<Paraula>& p, size_t i, const char* que)
    {
        if (i < p.size())
            return &p[i];
        const Paraula& darrera = p[i - 1];
        error(darrera.columna + static_cast<int64_t>(darrera.text.size()),
              "the line ends where " + std::string(que) + " should follow " + Cita(darrera.text));
        return nullptr;
    }

    bool nombre(const Paraula& p, const char* que, double& valor)
    {
        bool fora = false;
        if (LlegirNombre(p.text, valor, fora) && !fora)
            return true;
        error(p.columna, std::string(que) + " should be a number, not " + Cita(p.text) +
                             (fora ? ", which no double holds" : ""));
        return false;
    }

    // A positive number times its unit, which a double must hold in si.
    bool quantitat(const Paraula& p, const Paraula& u, const char* que, double unitat, const char* si, double& valor)
    {
        if (!(valor > 0.0)) {
            error(p.columna, std::string(que) + " must be positive, not " + std::string(p.text));
            return false;
        }
        valor *= unitat;
        if (std::isfinite(valor) && valor > 0.0)
            return true;
        error(p.columna, std::string(p.text) + " " + std::string(u.text) + " is beyond what a double holds in " + si);
        return false;
    }

    template <size_t N>
    const Unitat* unitat(const Paraula& p, const Unitat (&taula)[N], const char* que)
    {
        std::string llista;
        for (size_t k = 0; k < N; ++k) {
            if (p.text == taula[k].nom)
                return &taula[k];
            llista += std::string(k == 0 ? "" : k + 1 == N ? " or " : ", ") + taula[k].nom;
        }
        error(p.columna, "unknown " + std::string(que) + " unit " + Cita(p.text) + ": " + llista);
        return nullptr;
    }

private:
    Recull& recull_;
    int64_t linia_;
};

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

// A reference to a body not (yet) named, told once the whole description is
// read: it may be named after the line that needs it.
struct Pendent {
    std::string nom;
    int64_t linia;
    int32_t columna;
};

// What a group, A+B+..., as around or --centre writes it, is told when it is
// malformed.
std::string GrupBuit(std::string_view text)
{
    return "a group joins names with +, not " + Cita(text);
}

std::string DosCops(const std::string& nom, std::string_view text)
{
    return nom + " is named twice in the group " + Cita(text);
}

std::string NoVoltegen(const std::string& a, const std::string& b)
{
    return a + " and " + b + " do not go round one another: a group is a body and bodies placed round it, directly or "
                             "through others";
}

// The parent's word, a body or A+B+..., into d: the body it goes round and
// its group. False with an error, or with nothing said where a body it names
// has an error of its own.
bool LlegirPare(const Paraula& w, int32_t jo, const Index& index, const std::vector<Descrit>& descrits,
                std::vector<Grup>& grups, std::vector<Pendent>& pendents, LectorLinia& l, int64_t linia, Descrit& d)
{
    std::vector<int32_t> cossos;
    bool bo = true;
    for (size_t inici = 0; inici <= w.text.size();) {
        size_t fi = w.text.find('+', inici);
        if (fi == std::string_view::npos)
            fi = w.text.size();
        const std::string nom(w.text.substr(inici, fi - inici));
        if (nom.empty()) {
            l.error(w.columna, GrupBuit(w.text));
            return false;
        }
        const int32_t trobat = index.trobar(nom);
        if (trobat < 0) {
            pendents.push_back({nom, linia, w.columna});
            bo = false;
        } else if (trobat == jo) {
            l.error(w.columna, nom + " cannot go round itself");
            return false;
        } else {
            bo = bo && descrits[trobat].bo;
            cossos.push_back(trobat);
        }
        inici = fi + 1;
    }
    // Sorted, so that a group of thousands costs no more than its line.
    std::vector<int32_t> ordenats = cossos;
    std::sort(ordenats.begin(), ordenats.end());
    if (const auto dos = std::adjacent_find(ordenats.begin(), ordenats.end()); dos != ordenats.end()) {
        l.error(w.columna, DosCops(index[*dos], w.text));
        return false;
    }
    if (!bo)
        return false;
    d.pare = *std::max_element(cossos.begin(), cossos.end(), [&](int32_t a, int32_t b) {
        return descrits[a].fondaria < descrits[b].fondaria;
    });
    d.fondaria = descrits[d.pare].fondaria + 1;
    if (cossos.size() > 1) {
        Grup g;
        g.cossos = std::move(cossos);
        g.fons = d.pare;
        g.linia = linia;
        g.columna = w.columna;
        d.grup = static_cast<int32_t>(grups.size());
        grups.push_back(std::move(g));
    }
    return true;
}

// One line's words into d; false on an error, which is in the findings.
bool LlegirCos(const std::vector<Paraula>& p, int32_t jo, const Index& index, const std::vector<Descrit>& descrits,
               std::vector<Grup>& grups, std::vector<Pendent>& pendents, LectorLinia& l, Descrit& d)
{
    const Paraula* massa = l.seguent(p, 1, "a mass");
    if (massa == nullptr || !l.nombre(*massa, "a mass", d.massa))
        return false;
    d.columnaMassa = massa->columna;
    const Paraula* unitat = l.seguent(p, 2, "a mass unit");
    const Unitat* u = unitat ? l.unitat(*unitat, kMasses, "mass") : nullptr;
    if (u == nullptr || !l.quantitat(*massa, *unitat, "a mass", u->valor, "kilograms", d.massa))
        return false;

    size_t i = 3;
    if (i < p.size() && p[i].text == "around") {
        const Paraula* pare = l.seguent(p, i + 1, "the parent's name");
        if (pare == nullptr || !LlegirPare(*pare, jo, index, descrits, grups, pendents, l, d.linia, d))
            return false;
        const Paraula* a = l.seguent(p, i + 2, "a, the semi-major axis,");
        if (a == nullptr)
            return false;
        if (a->text != "a") {
            l.error(a->columna, "expected a, the semi-major axis, not " + Cita(a->text));
            return false;
        }
        const Paraula* distancia = l.seguent(p, i + 3, "a distance");
        if (distancia == nullptr || !l.nombre(*distancia, "a distance", d.a))
            return false;
        d.columnaA = distancia->columna;
        const Paraula* unitatA = l.seguent(p, i + 4, "a distance unit");
        d.unitatA = unitatA ? l.unitat(*unitatA, kDistancies, "distance") : nullptr;
        if (d.unitatA == nullptr || !l.quantitat(*distancia, *unitatA, "a distance", d.unitatA->valor, "metres", d.a))
            return false;
        i += 5;
    }

    bool vistes[3] = {false, false, false};
    for (; i < p.size(); ++i) {
        const std::string_view w = p[i].text;
        const int quina = w == "e" ? 0 : w == "at" ? 1 : w == "retrograde" ? 2 : -1;
        if (quina < 0) {
            l.error(p[i].columna, "unknown word " + Cita(w) + ": after the mass come around PARENT a DISTANCE UNIT, "
                                  "then e, at or retrograde");
            return false;
        }
        if (d.pare < 0) {
            l.error(p[i].columna, std::string(w) + " is for a body that goes round another: around PARENT a "
                                                   "DISTANCE UNIT first");
            return false;
        }
        if (vistes[quina]) {
            l.error(p[i].columna, std::string(w) + " is given twice");
            return false;
        }
        vistes[quina] = true;
        if (quina == 2) {
            d.retrograda = true;
            continue;
        }
        const Paraula* valor = l.seguent(p, i + 1, quina == 0 ? "an eccentricity" : "an angle in degrees");
        if (valor == nullptr || !l.nombre(*valor, quina == 0 ? "an eccentricity" : "an angle", quina == 0 ? d.e : d.graus))
            return false;
        if (quina == 0 && !(d.e >= 0.0 && d.e < 1.0)) {
            l.error(valor->columna, "an eccentricity must be from 0 to below 1, not " + std::string(valor->text));
            return false;
        }
        ++i;
    }
    if (d.pare < 0 && jo > 0) {
        l.error(p[0].columna, "only the first body stands alone; give " + std::string(p[0].text) +
                                  " an orbit with around PARENT a DISTANCE UNIT");
        return false;
    }
    return true;
}

// The description read: each body, its name and its groups. False when a
// finding is an error.
struct Descripcio {
    std::vector<Descrit> cossos;
    Index noms;
    std::vector<Grup> grups;
};

bool Llegir(std::istream& in, Descripcio& d, Recull& recull)
{
    std::string linia;
    std::vector<Paraula> p;
    std::vector<Pendent> pendents;
    bool llarga = false;
    int64_t n = 0;
    for (; LlegirLinia(in, linia, llarga); ) {
        if (++n > kLiniesMaximes) {
            recull.error(n, 1, "a description is at most " + std::to_string(kLiniesMaximes) + " lines long");
            break;
        }
        if (llarga) {
            recull.error(n, static_cast<int64_t>(kLiniaMaxima) + 1,
                         "a line is at most " + std::to_string(kLiniaMaxima) + " bytes long; reading stops here");
            break;
        }
        // An editor's byte-order mark before the first word is no part of it.
        std::string_view text = linia;
        if (n == 1 && text.substr(0, 3) == "\xef\xbb\xbf")
            text.remove_prefix(3);
        Paraules(text, p);
        if (p.empty())
            continue;
        if (recull.errors() + static_cast<int64_t>(pendents.size()) >= kErrorsMaxims) {
            recull.error(n, 1, "reading stops after " + std::to_string(kErrorsMaxims) + " errors");
            break;
        }
        LectorLinia l(recull, n);
        const std::string nom(p[0].text);
        if (const std::string per = NomIncorrecte(nom); !per.empty()) {
            l.error(p[0].columna, Cita(nom) + " cannot name a body: " + per);
            continue;
        }
        if (d.cossos.size() == static_cast<size_t>(kCossosMaxims)) {
            l.error(p[0].columna, "gen orbits writes at most " + std::to_string(kCossosMaxims) + " bodies");
            break;
        }
        const int32_t jo = static_cast<int32_t>(d.cossos.size());
        if (int32_t abans = 0; !d.noms.afegir(nom, abans)) {
            l.error(p[0].columna, Cita(nom) + " already names the body of line " +
                                      std::to_string(d.cossos[abans].linia));
            continue;
        }
        Descrit cos;
        cos.linia = n;
        cos.bo = LlegirCos(p, jo, d.noms, d.cossos, d.grups, pendents, l, cos);
        d.cossos.push_back(cos);
    }
    if (d.cossos.empty() && recull.errors() == 0)
        recull.error(1, 1, "no bodies: a line reads NAME MASS UNIT");
    // Names the lines above did not know, now that every name is.
    for (const Pendent& r : pendents) {
        const int32_t despres = d.noms.trobar(r.nom);
        if (despres >= 0)
            recull.error(r.linia, r.columna, "the parent " + Cita(r.nom) + " is named on line " +
                                                 std::to_string(d.cossos[despres].linia) +
                                                 ", after its child; name it first");
        else
            recull.error(r.linia, r.columna, "unknown parent " + Cita(r.nom));
    }
    return recull.errors() == 0;
}

// The bodies in the order of a walk down from the first, each one's
// descendants right after it: everything placed round a body, directly or
// through others, lies between its entrada and its sortida.
struct Arbre {
    std::vector<int32_t> entrada, sortida;

    explicit Arbre(const std::vector<Descrit>& d) : entrada(d.size()), sortida(d.size())
    {
        const size_t n = d.size();
        std::vector<int32_t> primer(n + 1, 0), fills(n);
        for (size_t i = 1; i < n; ++i)
            ++primer[d[i].pare + 1];
        for (size_t i = 0; i < n; ++i)
            primer[i + 1] += primer[i];
        std::vector<int32_t> posat(primer.begin(), primer.end() - 1);
        for (size_t i = 1; i < n; ++i)
            fills[posat[d[i].pare]++] = static_cast<int32_t>(i);
        // Without recursion: a chain of a million moons is a million deep.
        std::vector<std::pair<int32_t, int32_t>> pila{{0, primer[0]}};
        int32_t comptador = 0;
        entrada[0] = comptador++;
        while (!pila.empty()) {
            auto& [cos, seguent] = pila.back();
            if (seguent < primer[cos + 1]) {
                const int32_t fill = fills[seguent++];
                entrada[fill] = comptador++;
                pila.push_back({fill, primer[fill]});
            } else {
                sortida[cos] = comptador - 1;
                pila.pop_back();
            }
        }
    }

    bool dins(int32_t avantpassat, int32_t cos) const
    {
        return entrada[avantpassat] <= entrada[cos] && entrada[cos] <= sortida[avantpassat];
    }
};

// Every group's bodies go round one another, the first of them in the tree
// at its top: the group is then that body with all that goes round it.
bool ComprovarGrups(Descripcio& d, const Arbre& arbre, Recull& recull)
{
    bool bo = true;
    for (Grup& g : d.grups) {
        g.cim = g.fons;
        for (const int32_t c : g.cossos)
            if (d.cossos[c].fondaria < d.cossos[g.cim].fondaria)
                g.cim = c;
        for (const int32_t c : g.cossos) {
            if (arbre.dins(c, g.fons))
                continue;
            recull.error(g.linia, g.columna, NoVoltegen(d.noms[c], d.noms[g.fons]));
            bo = false;
            break;
        }
    }
    return bo;
}

// Sums over the bodies placed so far, by their place in the walk: the mass,
// and the mass times position and times velocity, of everything round a body.
// A tree of sums over halves, quarters...: a range's sum is of the parts that
// lie in it, with no difference of two large sums to lose a light body's
// digits.
class Sumes {
public:
    static constexpr int kCamps = 5;
    explicit Sumes(size_t n) : n_(n), arbre_(2 * n) {}

    void afegir(int32_t lloc, const double (&v)[kCamps])
    {
        size_t i = static_cast<size_t>(lloc) + n_;
        for (int k = 0; k < kCamps; ++k)
            arbre_[i][k] += v[k];
        for (i /= 2; i > 0; i /= 2)
            for (int k = 0; k < kCamps; ++k)
                arbre_[i][k] = arbre_[2 * i][k] + arbre_[2 * i + 1][k];
    }

    // Over the places from a to b, both included.
    void entre(int32_t a, int32_t b, double (&v)[kCamps]) const
    {
        for (int k = 0; k < kCamps; ++k)
            v[k] = 0.0;
        for (size_t i = static_cast<size_t>(a) + n_, j = static_cast<size_t>(b) + n_ + 1; i < j; i /= 2, j /= 2) {
            if (i & 1)
                sumar(i++, v);
            if (j & 1)
                sumar(--j, v);
        }
    }

private:
    void sumar(size_t i, double (&v)[kCamps]) const
    {
        for (int k = 0; k < kCamps; ++k)
            v[k] += arbre_[i][k];
    }

    size_t n_;
    std::vector<std::array<double, kCamps>> arbre_;
};

// Seconds, in Julian years where they reach one.
std::string Periode(double segons)
{
    return Durada(segons, 31557600.0);
}

// A distance in the unit the description gave it in.
std::string Distancia(double metres, const Unitat* u)
{
    return Xifra(metres / u->valor, 3) + " " + u->nom;
}

// Up to two significant digits, rounded up: a unit that reads at a glance.
double Arrodonit(double valor)
{
    const double escala = std::pow(10.0, std::floor(std::log10(valor)) - 1.0);
    return std::ceil(valor / escala * (1.0 - 1e-12)) * escala;
}

// The G exponent for which the heaviest is as large a whole number as 64 bits
// hold, so that every other keeps what digits it can; false, with the error,
// where doubles cannot hold it.
bool Exponent(const Descripcio& d, int32_t lluny, double metres, double abast, Recull& recull, int32_t& gexp,
              double& kilograms)
{
    size_t pesat = 0;
    for (size_t i = 0; i < d.cossos.size(); ++i)
        if (d.cossos[i].massa > d.cossos[pesat].massa)
            pesat = i;
    const double massa = d.cossos[pesat].massa;
    // In logarithms: the cube of a length may be past what a double holds.
    const double estimat = std::ceil(std::log10(kGReal) + std::log10(massa) - std::log10(MANTISSA_G) -
                                     3.0 * std::log10(metres) - std::log10(kMaximaMassa));
    if (!(std::fabs(estimat) < kExponentMaxim)) {
        // Orbits too wide for the masses, or masses too heavy for the orbits.
        const bool ampla = estimat < 0.0 && lluny > 0;
        const Descrit& culpa = ampla ? d.cossos[lluny] : d.cossos[pesat];
        recull.error(culpa.linia, ampla ? culpa.columnaA : culpa.columnaMassa,
                     "masses of up to " + Xifra(massa) + " kg on orbits reaching " + Xifra(abast) +
                         " m would need a G exponent of " + Xifra(estimat) + ", beyond the " +
                         Xifra(kExponentMaxim) + " either way that the program's doubles hold");
        return false;
    }
    const auto unitat = [&](int32_t e) { return GDeExponent(e) / kGReal * metres * metres * metres; };
    const auto cap = [&](int32_t e) { return massa / unitat(e) < kMaximaMassa; };
    gexp = static_cast<int32_t>(estimat);
    while (!cap(gexp))
        ++gexp;
    while (cap(gexp - 1))
        --gexp;
    kilograms = unitat(gexp);
    return true;
}

// A mass as whole units of the file, and a note where that changes it.
uint64_t MassaEntera(const Descrit& d, const std::string& nom, double kilograms, Recull& recull)
{
    const double unitats = d.massa / kilograms;
    const double entera = std::nearbyint(unitats);
    const double canvi = std::fabs(entera - unitats) / unitats;
    if (entera == 0.0)
        recull.nota(d.linia, d.columnaMassa, [&] {
            return nom + "'s mass, " + Xifra(d.massa) + " kg, is under half the file's mass unit of " +
                   Xifra(kilograms) + " kg: it becomes 0, a body that feels every pull and pulls nothing";
        });
    else if (canvi > kCanviMassa)
        recull.nota(d.linia, d.columnaMassa, [&] {
            return nom + "'s mass, " + Xifra(d.massa) + " kg, becomes " + Xifra(entera, 17) + " units of " +
                   Xifra(kilograms) + " kg, " + Xifra(entera * kilograms) +
                   " kg: the nearest whole number of the file's mass unit, off by " + Xifra(canvi, 2) + " of itself";
        });
    return static_cast<uint64_t>(entera);
}

// Body c's mass, and its mass times position and velocity.
void Pesos(const Cos& c, double (&v)[Sumes::kCamps])
{
    const double m = static_cast<double>(c.massa);
    v[0] = m;
    v[1] = m * c.x;
    v[2] = m * c.y;
    v[3] = m * c.vx;
    v[4] = m * c.vy;
}

// The centre of mass of sums, or cos's place where they weigh nothing.
Cos Centre(const double (&s)[Sumes::kCamps], const Cos& cos)
{
    if (!(s[0] > 0.0))
        return cos;
    Cos c;
    c.massa = 0;
    c.x = s[1] / s[0];
    c.y = s[2] / s[0];
    c.vx = s[3] / s[0];
    c.vy = s[4] / s[0];
    return c;
}

// A parent or a centre written as a body or A+B+...: the body at the top of
// it and whether it is a group. False, with the reason, where it names none.
bool Resoldre(const std::string& text, const Descripcio& d, const Arbre& arbre, int32_t& cim, bool& grup,
              std::string& per)
{
    std::vector<int32_t> cossos;
    for (size_t inici = 0; inici <= text.size();) {
        size_t fi = text.find('+', inici);
        if (fi == std::string::npos)
            fi = text.size();
        const std::string nom = text.substr(inici, fi - inici);
        if (nom.empty()) {
            per = GrupBuit(text);
            return false;
        }
        const int32_t trobat = d.noms.trobar(nom);
        if (trobat < 0) {
            per = "the description names no body " + Cita(nom);
            return false;
        }
        if (std::find(cossos.begin(), cossos.end(), trobat) != cossos.end()) {
            per = DosCops(nom, text);
            return false;
        }
        cossos.push_back(trobat);
        inici = fi + 1;
    }
    cim = cossos[0];
    for (const int32_t c : cossos)
        if (arbre.dins(c, cim))
            cim = c;
    for (const int32_t c : cossos)
        if (!arbre.dins(cim, c)) {
            per = NoVoltegen(d.noms[c], d.noms[cim]);
            return false;
        }
    grup = cossos.size() > 1;
    return true;
}

// Predicted losses kept by their reasons.
constexpr size_t kPerduesMostrades = 3;

// Keys as ranges: "1 to 5", "1 only", "1 to 3, 5 to 6".
std::string Tecles(const std::vector<int>& tecles)
{
    if (tecles.size() == 1)
        return std::to_string(tecles[0]) + " only";
    std::string text;
    for (size_t i = 0; i < tecles.size();) {
        size_t j = i;
        while (j + 1 < tecles.size() && tecles[j + 1] == tecles[j] + 1)
            ++j;
        text += (i > 0 ? ", " : "") + std::to_string(tecles[i]) + (j > i ? " to " + std::to_string(tecles[j]) : "");
        i = j + 1;
    }
    return text;
}

// Why the system will not last, from the notes.
std::string Perdues(const SistemaOrbites& s)
{
    std::string text;
    for (size_t k = 0; k < s.perdues.size(); ++k)
        text += (k > 0 ? "; " : "") + s.perdues[k];
    if (s.nombrePerdues > static_cast<int64_t>(s.perdues.size()))
        text += "; and " + std::to_string(s.nombrePerdues - static_cast<int64_t>(s.perdues.size())) + " more";
    return text;
}

// The suggested key and the keys held. Where the notes foresee a loss, the
// keys held only keep the first minute, and none is said to hold it; keys
// held above one that failed are told as such.
void EscriureTecles(std::ostream& out, const SistemaOrbites& s, const std::vector<int>& tolerades)
{
    int seguides = 0;  // held from key 1 up without a gap
    while (seguides < static_cast<int>(tolerades.size()) && tolerades[seguides] == seguides + 1)
        ++seguides;
    const int tecla = seguides;
    const bool perd = s.nombrePerdues > 0;
    if (tecla == 0 && perd)
        out << "suggested key: none; no key keeps its first minute, and it will not last: " << Perdues(s) << "\n";
    else if (tecla == 0)
        out << "suggested key: none; no key holds it together for a minute\n";
    else if (perd)
        out << "suggested key: " << tecla << " (" << NomTecla(tecla) << "), the fastest that keeps its first minute; "
            << "it will not last: " << Perdues(s) << "\n";
    else
        out << "suggested key: " << tecla << " (" << NomTecla(tecla) << "), the fastest that holds it together\n";
    out << "keys it tolerates: " << (tecla == 0 ? "none" : tecla == 1 ? "1 only" : "1 to " + std::to_string(tecla))
        << (perd && tecla > 0 ? ", for the first minute only" : "");
    if (static_cast<size_t>(seguides) < tolerades.size()) {
        std::vector<int> altres(tolerades.begin() + seguides, tolerades.end());
        out << "; " << (altres.size() == 1 ? "key " + std::to_string(altres[0]) : "keys " + Tecles(altres))
            << " also held, but key " << seguides + 1 << " below " << (altres.size() == 1 ? "it" : "them")
            << " did not: what a key shows in a minute hangs on where the orbits stand, so above " << tecla
            << " it is chance";
    }
    out << "\n";
}

}  // namespace

double PassosPerOrbita(const Sistema& s, double segons, int tecla)
{
    const double cicle = (s.cicles > 0 && s.cicles <= 1000 ? 1000 / s.cicles : 1) / 1000.0 *
                         (1.0 + kFolgaPerDefecte / 100.0);
    return segons / (cicle * FactorDeNumero(tecla).factor);
}

std::optional<SistemaOrbites> GenerarOrbites(std::istream& in, const OpcionsOrbites& opcions, Troballes& troballes)
{
    Recull recull(troballes);
    const auto ordenar = [&] {
        std::stable_sort(troballes.avisos.begin(), troballes.avisos.end(), [](const Avis& a, const Avis& b) {
            return a.linia < b.linia || (a.linia == b.linia && a.columna < b.columna);
        });
    };
    Descripcio d;
    if (!Llegir(in, d, recull)) {
        ordenar();
        return std::nullopt;
    }
    const Arbre arbre(d.cossos);
    if (!ComprovarGrups(d, arbre, recull)) {
        ordenar();
        return std::nullopt;
    }
    const size_t n = d.cossos.size();

    // How far each body can get from the first: its parent's reach and its
    // own apoapsis. A group's centre of mass is no farther from its top body
    // than the mass-weighted mean of the reaches of what it holds.
    std::vector<double> abast(n, 0.0);
    int32_t lluny = 0;
    auto pesos = std::make_unique<Sumes>(n);
    double pes[Sumes::kCamps] = {d.cossos[0].massa, 0.0, 0.0, 0.0, 0.0};
    pesos->afegir(arbre.entrada[0], pes);
    for (size_t i = 1; i < n; ++i) {
        const Descrit& c = d.cossos[i];
        abast[i] = abast[c.pare];
        if (c.grup >= 0) {
            const int32_t cim = d.grups[c.grup].cim;
            double dins[Sumes::kCamps];
            pesos->entre(arbre.entrada[cim], arbre.sortida[cim], dins);
            abast[i] = abast[cim] + std::max(0.0, dins[1] / dins[0] - abast[cim]);
        }
        abast[i] += c.a * (1.0 + c.e);
        pes[0] = c.massa;
        pes[1] = c.massa * abast[i];
        pesos->afegir(arbre.entrada[i], pes);
        if (!std::isfinite(abast[i])) {
            recull.error(c.linia, c.columnaA, "the orbits reach farther than a double holds in metres");
            ordenar();
            return std::nullopt;
        }
        if (abast[i] > abast[lluny])
            lluny = static_cast<int32_t>(i);
    }
    pesos.reset();

    SistemaOrbites s;
    const Index& noms = d.noms;
    const auto perdua = [&](auto per) {
        if (s.perdues.size() < kPerduesMostrades)
            s.perdues.push_back(per());
        ++s.nombrePerdues;
    };
    for (const Grup& g : d.grups) {
        std::string text;
        for (const int32_t c : g.cossos)
            text += (text.empty() ? "" : "+") + noms[c];
        s.grups.push_back(text);
    }
    int32_t centre = -1;
    bool grupCentre = false;
    if (!opcions.centre.empty() && !Resoldre(opcions.centre, d, arbre, centre, grupCentre, troballes.centre))
        return std::nullopt;
    s.centre = opcions.centre;

    // The reach that fills the view: the centre's own satellites', or
    // everything's when it has none.
    double maxim = abast[lluny];
    if (centre >= 0) {
        double propi = 0.0;
        for (size_t i = 0; i < n; ++i)
            if (arbre.dins(centre, static_cast<int32_t>(i)))
                propi = std::max(propi, abast[i] - abast[centre]);
        if (propi > 0.0)
            maxim = propi;
    }
    s.sistema.amplada = opcions.amplada;
    s.sistema.altura = opcions.altura;
    const double finestra = kAbast * std::min(opcions.amplada, opcions.altura) / (2.0 * ZOOM_INICIAL);
    s.metres = maxim > 0.0 ? Arrodonit(maxim / finestra) : 1.0;
    s.abastPx = maxim / s.metres * ZOOM_INICIAL;
    if (!Exponent(d, lluny, s.metres, abast[lluny], recull, s.sistema.gexp, s.kilograms)) {
        ordenar();
        return std::nullopt;
    }
    const double G = GDeExponent(s.sistema.gexp);

    // Each body on its two-body orbit round its parent, in the file's own
    // units and whole masses, so that the program's step sees these very
    // orbits. A body as parent stands at its own place with the mass of all
    // placed round it so far; a group, at the centre of mass of its top body
    // and all placed round that.
    std::vector<double> central(n, 0.0);  // what each body goes round
    std::vector<int32_t> mesPesat(n, -1);  // each body's heaviest satellite so far
    std::vector<char> pare(n, 0);
    for (size_t i = 1; i < n; ++i)
        pare[d.cossos[i].pare] = 1;
    Sumes sumes(n);
    s.sistema.cossos.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const Descrit& c = d.cossos[i];
        Cos& cos = s.sistema.cossos[i];
        cos.massa = MassaEntera(c, noms[i], s.kilograms, recull);
        cos.diametre = i == 0 ? kAmpleCentre : pare[i] ? kAmplePare : kAmple;
        double pes[Sumes::kCamps];
        if (i == 0) {
            Pesos(cos, pes);
            sumes.afegir(arbre.entrada[0], pes);
            continue;
        }
        const int32_t cim = c.grup >= 0 ? d.grups[c.grup].cim : c.pare;
        double dins[Sumes::kCamps];
        sumes.entre(arbre.entrada[cim], arbre.sortida[cim], dins);
        const Cos p = c.grup >= 0 ? Centre(dins, s.sistema.cossos[cim]) : s.sistema.cossos[c.pare];
        central[i] = dins[0];
        const double mu = G * (central[i] + static_cast<double>(cos.massa));
        const double a = c.a / s.metres;
        const double periapsi = a * (1.0 - c.e);
        const double v = std::sqrt(mu * (1.0 + c.e) / periapsi);
        // The window's y runs down: an angle toward its top is a negative y.
        // Whole turns first, so that no angle overflows on its way to radians.
        const double angle = std::fmod(c.graus, 360.0) * kPi / 180.0;
        const double ux = std::cos(angle), uy = -std::sin(angle);
        const double sentit = c.retrograda ? -1.0 : 1.0;
        cos.x = p.x + periapsi * ux;
        cos.y = p.y + periapsi * uy;
        cos.vx = p.vx + sentit * v * uy;
        cos.vy = p.vy - sentit * v * ux;
        if (!(periapsi > 0.0) || !std::isfinite(v) || !std::isfinite(cos.x) || !std::isfinite(cos.y) ||
            !std::isfinite(cos.vx) || !std::isfinite(cos.vy)) {
            recull.error(c.linia, c.columnaA,
                         noms[i] + "'s orbit is too small beside the system's length unit of " + Xifra(s.metres) +
                             " m for a double to hold its start");
            ordenar();
            return std::nullopt;
        }
        Pesos(cos, pes);
        sumes.afegir(arbre.entrada[i], pes);
        if (s.orbites.size() < kFilesTaula)
            s.orbites.push_back({static_cast<int32_t>(i), c.pare, c.grup, 2.0 * kPi * std::sqrt(a * a * a / mu),
                                 2.0 * kPi * periapsi * periapsi * v / mu, 2.0 * a * ZOOM_INICIAL});
        ++s.nombreOrbites;

        if (c.grup < 0) {
            // A parent whose own place is far from the centre of what goes
            // round it (a companion star placed round it above) is no place
            // to go round.
            const Cos cm = Centre(dins, p);
            const double lloc = std::hypot(cm.x - p.x, cm.y - p.y) / periapsi;
            const double pas = std::hypot(cm.vx - p.vx, cm.vy - p.vy) / v;
            const int32_t company = mesPesat[c.pare];
            if (company >= 0 && std::max(lloc, pas) > kDesplacament)
                recull.nota(c.linia, c.columnaA, [&] {
                    return noms[i] + " goes round " + noms[c.pare] + "'s own place, " +
                           Xifra(100.0 * std::max(lloc, pas), 2) + " % of its orbit off the centre of " +
                           noms[c.pare] + " and what is placed round it above: to go round them all, write around " +
                           noms[c.pare] + "+" + noms[company] + "; to go round " + noms[c.pare] + " alone, list " +
                           noms[i] + " before " + noms[company];
                });
            // Beyond the parent's Hill radius round its own parent the
            // grandparent pulls harder than the parent holds; round one star
            // of a pair, beyond the zone its companion leaves stable.
            const Descrit& dp = d.cossos[c.pare];
            if (dp.pare >= 0) {
                const double mp = static_cast<double>(s.sistema.cossos[c.pare].massa);
                const double mu = central[c.pare] / (central[c.pare] + mp);
                const bool binaria = mu <= 1.0 - kBinaria;
                const double limit = binaria ? dp.a * ZonaS(mu, dp.e)
                                             : dp.a * (1.0 - dp.e) * std::cbrt(mp / (3.0 * central[c.pare]));
                const double apoapsi = c.a * (1.0 + c.e);
                const std::string avi = dp.grup >= 0 ? s.grups[dp.grup] : noms[dp.pare];
                if (apoapsi > limit) {
                    recull.nota(c.linia, c.columnaA, [&] {
                        return noms[i] + "'s orbit reaches " + Distancia(apoapsi, c.unitatA) + " from " +
                               noms[c.pare] + ", outside " +
                               (binaria ? "the zone that " + avi + " leaves stable round it, " +
                                              Distancia(limit, c.unitatA) + " (Holman and Wiegert)"
                                        : "its Hill radius of " + Distancia(limit, c.unitatA) + " round " + avi) +
                               ": it will not stay bound";
                    });
                    perdua([&] {
                        return noms[i] + "'s orbit reaches outside " +
                               (binaria ? "the stable zone round " + noms[c.pare] : noms[c.pare] + "'s Hill radius");
                    });
                }
            }
        } else {
            // Round a pair, inside the zone it leaves unstable: the pair is
            // the group's widest orbit.
            int32_t parella = -1;
            for (const int32_t m : d.grups[c.grup].cossos)
                if (m != cim && (parella < 0 || d.cossos[m].a > d.cossos[parella].a))
                    parella = m;
            if (parella >= 0) {
                const double m2 = static_cast<double>(s.sistema.cossos[parella].massa);
                const double mu = std::min(m2, central[parella]) / (m2 + central[parella]);
                const double limit = d.cossos[parella].a * ZonaP(mu, d.cossos[parella].e);
                const double periapsi = c.a * (1.0 - c.e);
                if (mu >= kBinaria && periapsi < limit) {
                    recull.nota(c.linia, c.columnaA, [&] {
                        return noms[i] + "'s orbit comes within " + Distancia(periapsi, c.unitatA) + " of " +
                               s.grups[c.grup] + ", inside the zone the pair leaves unstable, out to " +
                               Distancia(limit, c.unitatA) + " (Holman and Wiegert): it will not stay bound";
                    });
                    perdua([&] { return noms[i] + "'s orbit lies inside the unstable zone round " + s.grups[c.grup]; });
                }
            }
        }
        if (mesPesat[c.pare] < 0 || s.sistema.cossos[mesPesat[c.pare]].massa < cos.massa)
            mesPesat[c.pare] = static_cast<int32_t>(i);
    }

    // A planet round one star of a pair whose companion goes round that star
    // too, wider and placed after it: beyond the zone the companion leaves
    // stable.
    for (size_t i = 1; i < n; ++i) {
        const Descrit& c = d.cossos[i];
        const int32_t h = mesPesat[c.pare];
        if (c.grup >= 0 || h < 0 || h == static_cast<int32_t>(i) || !(c.a < d.cossos[h].a))
            continue;
        const double mh = static_cast<double>(s.sistema.cossos[h].massa);
        const double mu = mh / (mh + central[h]);
        const double limit = d.cossos[h].a * ZonaS(mu, d.cossos[h].e);
        const double apoapsi = c.a * (1.0 + c.e);
        if (mu < kBinaria || !(apoapsi > limit))
            continue;
        recull.nota(c.linia, c.columnaA, [&] {
            return noms[i] + "'s orbit reaches " + Distancia(apoapsi, c.unitatA) + " from " + noms[c.pare] +
                   ", outside the zone that " + noms[h] + " leaves stable round it, " + Distancia(limit, c.unitatA) +
                   " (Holman and Wiegert): it will not stay bound";
        });
        perdua([&] { return noms[i] + "'s orbit reaches outside the stable zone round " + noms[c.pare]; });
    }
    // Bodies that start on one point: the step pulls nothing between them
    // there, and once it moves them a hair apart their pull has no bound.
    {
        std::vector<int32_t> ordre(n);
        for (size_t i = 0; i < n; ++i)
            ordre[i] = static_cast<int32_t>(i);
        const auto lloc = [&](int32_t i) { return std::make_pair(s.sistema.cossos[i].x, s.sistema.cossos[i].y); };
        std::sort(ordre.begin(), ordre.end(), [&](int32_t a, int32_t b) { return lloc(a) < lloc(b); });
        for (size_t k = 1; k < n; ++k) {
            if (lloc(ordre[k]) != lloc(ordre[k - 1]))
                continue;
            const int32_t a = std::min(ordre[k - 1], ordre[k]), b = std::max(ordre[k - 1], ordre[k]);
            recull.nota(d.cossos[b].linia, d.cossos[b].columnaA, [&] {
                return noms[a] + " and " + noms[b] + " start at one point: the step pulls nothing between bodies at "
                                                   "one place, and once it moves them a hair apart their pull has no "
                                                   "bound: they fling each other off";
            });
            perdua([&] { return noms[a] + " and " + noms[b] + " start at one point"; });
        }
    }

    if (centre < 0) {
        CentreDeMasses(s.sistema.cossos);
    } else {
        // The centre at the origin, at rest; the rest where it falls.
        double tot[Sumes::kCamps];
        sumes.entre(arbre.entrada[centre], arbre.sortida[centre], tot);
        const Cos c = grupCentre ? Centre(tot, s.sistema.cossos[centre]) : s.sistema.cossos[centre];
        for (Cos& cos : s.sistema.cossos) {
            cos.x -= c.x;
            cos.y -= c.y;
            cos.vx -= c.vx;
            cos.vy -= c.vy;
        }
    }
    const VistaInicial vista(s.sistema);
    for (size_t i = 0; i < n; ++i)
        if (!vista.conte(s.sistema.cossos[i].x, s.sistema.cossos[i].y))
            s.foraInici.push_back(static_cast<int32_t>(i));
    ordenar();
    s.noms = d.noms.treure();
    return s;
}

void ProvarTecles(SistemaOrbites& s)
{
    s.proves.clear();
    if (s.sistema.cossos.size() > static_cast<size_t>(kCossosProvats))
        return;
    s.proves.resize(kTecles);
    // Fastest first: a key that fails soon stops soon.
    for (int tecla = kTecles; tecla >= 1; --tecla) {
        // The slack's cycles first, those the table counts steps at, so that
        // a failure quotes the table's figures.
        OpcionsPrevia o;
        o.tecla = tecla;
        o.aturarEnFallada = true;
        o.folga = kFolgaPerDefecte;
        ProvaTecla& prova = s.proves[tecla - 1];
        const InformePrevia inf = Previa(s.sistema, o);
        prova.problema = Problema(inf, &s.noms);
        // What preview foretells from the tree, where no note did.
        if (tecla == kTecles && s.nombrePerdues == 0 && !inf.previstes.empty()) {
            s.perdues.push_back(Previstes(inf, &s.noms));
            s.nombrePerdues = 1;
        }
        if (prova.problema.empty()) {
            o.folga = 0.0;
            const std::string ideal = Problema(Previa(s.sistema, o), &s.noms);
            if (!ideal.empty())
                prova.problema = "at the limiter's own cycles, " + ideal;
        }
        prova.aguanta = prova.problema.empty();
    }
}

int TeclaSuggerida(const SistemaOrbites& s)
{
    int tecla = 0;
    while (tecla < static_cast<int>(s.proves.size()) && s.proves[tecla].aguanta)
        ++tecla;
    return tecla;
}

void EscriureInformeOrbites(std::ostream& out, const SistemaOrbites& s)
{
    const Sistema& sis = s.sistema;
    const double cicle = 1.0 / PassosPerOrbita(sis, 1.0, 1);
    out << "units: length " << Xifra(s.metres) << " m, mass " << Xifra(s.kilograms) << " kg, time 1 s; G = "
        << MANTISSA_G << "e" << sis.gexp << "\n";
    out << "window: " << sis.amplada << " x " << sis.altura << ", ";
    if (!s.centre.empty())
        out << s.centre << " at the centre, at rest, and what goes round it ";
    else
        out << "the largest orbit ";
    out << Xifra(s.abastPx, 3) << " px from the centre at the start zoom\n";
    if (!s.foraInici.empty()) {
        out << "off screen at the start: ";
        for (size_t i = 0; i < s.foraInici.size() && i < 12; ++i)
            out << (i > 0 ? ", " : "") << s.noms[s.foraInici[i]];
        if (s.foraInici.size() > 12)
            out << " and " << s.foraInici.size() - 12 << " more";
        out << "\n";
    }
    if (s.orbites.empty()) {
        out << "no orbits: every key shows the same still body\n";
    } else {
        // Every column as wide as what it holds.
        const size_t files = s.orbites.size();
        const auto quin = [&](const Orbita& o) {
            return s.noms[o.cos] + " round " + (o.grup >= 0 ? s.grups[o.grup] : s.noms[o.pare]);
        };
        size_t ample = 0, amplePeriode = std::string("period").size();
        std::vector<size_t> amples(kTecles, 0);
        for (size_t k = 0; k < files; ++k) {
            const Orbita& o = s.orbites[k];
            ample = std::max(ample, quin(o).size());
            amplePeriode = std::max(amplePeriode, Periode(o.periode).size());
            for (int tecla = 1; tecla <= kTecles; ++tecla)
                amples[tecla - 1] = std::max({amples[tecla - 1], std::string("key 1").size(),
                                              TextPassos(PassosPerOrbita(sis, o.volta, tecla)).size()});
        }
        out << "orbits, and their steps per orbit at each key with cycles of " << Xifra(cicle * 1000.0)
            << " ms (of the pass at periapsis where an orbit is eccentric):\n";
        out << "  " << std::left << std::setw(static_cast<int>(ample)) << "" << "  "
            << std::setw(static_cast<int>(amplePeriode)) << "period" << std::right;
        for (int tecla = 1; tecla <= kTecles; ++tecla)
            out << "  " << std::setw(static_cast<int>(amples[tecla - 1])) << "key " + std::to_string(tecla);
        out << "\n";
        for (size_t k = 0; k < files; ++k) {
            const Orbita& o = s.orbites[k];
            out << "  " << std::left << std::setw(static_cast<int>(ample)) << quin(o) << "  "
                << std::setw(static_cast<int>(amplePeriode)) << Periode(o.periode) << std::right;
            for (int tecla = 1; tecla <= kTecles; ++tecla)
                out << "  " << std::setw(static_cast<int>(amples[tecla - 1]))
                    << TextPassos(PassosPerOrbita(sis, o.volta, tecla));
            out << "\n";
        }
        if (s.nombreOrbites > static_cast<int64_t>(files))
            out << "  and " << s.nombreOrbites - static_cast<int64_t>(files) << " more orbits\n";
    }

    if (s.proves.empty()) {
        out << "keys: not run, for " << sis.cossos.size() << " bodies are more than the " << kCossosProvats
            << " whose runs gen orbits makes; see one with particules-config preview --key K\n";
    } else {
        const int32_t periode = EsperaCicle(0, sis.cicles);
        out << "keys, each run for a minute with the program's step at cycles " << Xifra(kFolgaPerDefecte)
            << " % longer than " << (periode > 0 ? periode : 1)
            << " ms, as the table counts steps, and at " << (periode > 0 ? periode : 1)
            << " ms, as preview runs them:\n";
        std::vector<int> tolerades;
        for (int tecla = kTecles; tecla >= 1; --tecla) {
            const ProvaTecla& p = s.proves[tecla - 1];
            out << "  key " << tecla << " (" << NomTecla(tecla) << "): "
                << (!p.aguanta ? p.problema : s.nombrePerdues > 0 ? "keeps its first minute" : "holds together") << "\n";
        }
        for (int tecla = 1; tecla <= kTecles; ++tecla)
            if (s.proves[tecla - 1].aguanta)
                tolerades.push_back(tecla);
        EscriureTecles(out, s, tolerades);
    }
    for (const Orbita& o : s.orbites) {
        const bool fora = std::binary_search(s.foraInici.begin(), s.foraInici.end(), o.cos);
        if (o.amplePx < kOrbitaVisible && !fora)
            out << "note: " << s.noms[o.cos] << "'s orbit is " << Xifra(o.amplePx, 2)
                << " px across at the start zoom: it will look like one body with "
                << (o.grup >= 0 ? s.grups[o.grup] : s.noms[o.pare]) << "\n";
    }
}
