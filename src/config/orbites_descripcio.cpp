#include "config/orbites_descripcio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "config/xifres.h"
#include "lectura/lectura.h"

namespace descripcio {

namespace {

// What a description may hold: a line, the lines, the bodies, and the errors
// after which reading stops.
constexpr size_t kLiniaMaxima = 4096;
constexpr int64_t kLiniesMaximes = 10000000;
constexpr int32_t kCossosMaxims = 1000000;
constexpr int64_t kErrorsMaxims = 100;

struct Paraula {
    std::string_view text;
    int32_t columna;
};

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

// A reference to a body not (yet) named, told once the whole description is
// read: it may be named after the line that needs it.
struct Pendent {
    std::string nom;
    int64_t linia;
    int32_t columna;
};

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

// The words "a DISTANCE UNIT" from p[i] into d; false on an error, which is
// in the findings.
bool LlegirSemieix(const std::vector<Paraula>& p, size_t i, LectorLinia& l, Descrit& d)
{
    const Paraula* a = l.seguent(p, i, "a, the semi-major axis,");
    if (a == nullptr)
        return false;
    if (a->text != "a") {
        l.error(a->columna, "expected a, the semi-major axis, not " + Cita(a->text));
        return false;
    }
    const Paraula* distancia = l.seguent(p, i + 1, "a distance");
    if (distancia == nullptr || !l.nombre(*distancia, "a distance", d.a))
        return false;
    d.columnaA = distancia->columna;
    const Paraula* unitatA = l.seguent(p, i + 2, "a distance unit");
    d.unitatA = unitatA ? l.unitat(*unitatA, kDistancies, "distance") : nullptr;
    return d.unitatA != nullptr && l.quantitat(*distancia, *unitatA, "a distance", d.unitatA->valor, "metres", d.a);
}

// The words after the orbit, from p[i]: e, at and retrograde, each once, in
// any order; false on an error, which is in the findings.
bool LlegirOpcions(const std::vector<Paraula>& p, size_t i, LectorLinia& l, Descrit& d)
{
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
        if (!LlegirSemieix(p, i + 2, l, d))
            return false;
        i += 5;
    }

    if (!LlegirOpcions(p, i, l, d))
        return false;
    if (d.pare < 0 && jo > 0) {
        l.error(p[0].columna, "only the first body stands alone; give " + std::string(p[0].text) +
                                  " an orbit with around PARENT a DISTANCE UNIT");
        return false;
    }
    return true;
}

// Whether line n may be read: false, with the error, past the most lines or
// on a line too long.
bool DinsLimits(int64_t n, bool llarga, Recull& recull)
{
    if (n > kLiniesMaximes) {
        recull.error(n, 1, "a description is at most " + std::to_string(kLiniesMaximes) + " lines long");
        return false;
    }
    if (llarga) {
        recull.error(n, static_cast<int64_t>(kLiniaMaxima) + 1,
                     "a line is at most " + std::to_string(kLiniaMaxima) + " bytes long; reading stops here");
        return false;
    }
    return true;
}

// Line n's body, named by its first word, into d; false where reading stops.
// A line in error leaves its error in the findings and reading goes on.
bool AfegirCos(const std::vector<Paraula>& p, int64_t n, Descripcio& d, std::vector<Pendent>& pendents,
               Recull& recull)
{
    if (recull.errors() + static_cast<int64_t>(pendents.size()) >= kErrorsMaxims) {
        recull.error(n, 1, "reading stops after " + std::to_string(kErrorsMaxims) + " errors");
        return false;
    }
    LectorLinia l(recull, n);
    const std::string nom(p[0].text);
    if (const std::string per = NomIncorrecte(nom); !per.empty()) {
        l.error(p[0].columna, Cita(nom) + " cannot name a body: " + per);
        return true;
    }
    if (d.cossos.size() == static_cast<size_t>(kCossosMaxims)) {
        l.error(p[0].columna, "gen orbits writes at most " + std::to_string(kCossosMaxims) + " bodies");
        return false;
    }
    const int32_t jo = static_cast<int32_t>(d.cossos.size());
    if (int32_t abans = 0; !d.noms.afegir(nom, abans)) {
        l.error(p[0].columna, Cita(nom) + " already names the body of line " + std::to_string(d.cossos[abans].linia));
        return true;
    }
    Descrit cos;
    cos.linia = n;
    cos.bo = LlegirCos(p, jo, d.noms, d.cossos, d.grups, pendents, l, cos);
    d.cossos.push_back(cos);
    return true;
}

// Names the lines above did not know, now that every name is.
void DirPendents(const Descripcio& d, const std::vector<Pendent>& pendents, Recull& recull)
{
    for (const Pendent& r : pendents) {
        const int32_t despres = d.noms.trobar(r.nom);
        if (despres >= 0)
            recull.error(r.linia, r.columna, "the parent " + Cita(r.nom) + " is named on line " +
                                                 std::to_string(d.cossos[despres].linia) +
                                                 ", after its child; name it first");
        else
            recull.error(r.linia, r.columna, "unknown parent " + Cita(r.nom));
    }
}

}  // namespace

// A token as a message quotes it: cut short, every byte that is not
// printable ASCII as \xNN, as check shows them.
std::string Cita(std::string_view text)
{
    return "\"" + MostraToken(std::string(text)) + "\"";
}

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

bool Llegir(std::istream& in, Descripcio& d, Recull& recull)
{
    std::string linia;
    std::vector<Paraula> p;
    std::vector<Pendent> pendents;
    bool llarga = false;
    int64_t n = 0;
    for (; LlegirLinia(in, linia, llarga); ) {
        if (!DinsLimits(++n, llarga, recull))
            break;
        // An editor's byte-order mark before the first word is no part of it.
        std::string_view text = linia;
        if (n == 1 && text.substr(0, 3) == "\xef\xbb\xbf")
            text.remove_prefix(3);
        Paraules(text, p);
        if (p.empty())
            continue;
        if (!AfegirCos(p, n, d, pendents, recull))
            break;
    }
    if (d.cossos.empty() && recull.errors() == 0)
        recull.error(1, 1, "no bodies: a line reads NAME MASS UNIT");
    DirPendents(d, pendents, recull);
    return recull.errors() == 0;
}

}  // namespace descripcio
