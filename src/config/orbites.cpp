#include "config/orbites.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iomanip>
#include <map>
#include <sstream>

#include "config/generar.h"
#include "config/xifres.h"
#include "lectura/constants.h"
#include "lectura/lectura.h"
#include "physics/factors.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// The largest orbit reaches this share of the way from the window's centre to
// its nearer edge at the start zoom, as gen's other systems do.
constexpr double kAbast = 0.8;
// A config's whole masses: the heaviest below 2^64, the lightest with six
// significant digits.
constexpr double kMaximaMassa = 18446744073709551615.0;
constexpr double kMinimaMassa = 100000.0;
// Widths in world units: three pixels at the start zoom for every body, more
// for the centre and for bodies with bodies of their own.
constexpr float kAmpleCentre = 12.0f, kAmplePare = 8.0f, kAmple = 6.0f;
// An orbit narrower than this many pixels looks like one body with its parent.
constexpr double kOrbitaVisible = 4.0;

struct Unitat {
    const char* nom;
    double valor;
};
constexpr Unitat kMasses[] = {{"kg", 1.0}, {"Mearth", kTerra}, {"Mjup", kJupiter}, {"Msun", kSol}};
constexpr Unitat kDistancies[] = {{"m", 1.0}, {"km", 1e3}, {"AU", kUA}};

struct Paraula {
    std::string text;
    int64_t columna;
};

// One line of the description as written, in metres and kilograms.
struct Descrit {
    std::string nom;
    int64_t linia = 0;
    double massa = 0.0;
    int64_t columnaMassa = 1;
    int32_t pare = -1;
    double a = 0.0, e = 0.0, graus = 0.0;
    const Unitat* unitatA = nullptr;
    int64_t columnaA = 1;
    bool retrograda = false;
};

// The words of a line up to its comment, each with its column in characters.
std::vector<Paraula> Paraules(const std::string& linia)
{
    std::vector<Paraula> paraules;
    int64_t columna = 0;
    bool dins = false;
    for (const char c : linia) {
        if (c == '#')
            break;
        // UTF-8's continuation bytes do not start a character.
        const bool nou = (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        columna += nou;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            dins = false;
        } else if (!dins) {
            paraules.push_back({std::string(1, c), columna});
            dins = true;
        } else {
            paraules.back().text += c;
        }
    }
    return paraules;
}

class Lector {
public:
    Lector(std::vector<Avis>& avisos, int64_t linia) : avisos_(avisos), linia_(linia) {}

    void error(int64_t columna, const std::string& text)
    {
        avisos_.push_back({linia_, columna, Avis::Gravetat::Error, text});
        fallat_ = true;
    }
    bool fallat() const { return fallat_; }

    // The word after paraules[i], which names what it should be.
    const Paraula* seguent(const std::vector<Paraula>& p, size_t i, const char* que)
    {
        if (i < p.size())
            return &p[i];
        const Paraula& darrera = p[i - 1];
        error(darrera.columna + static_cast<int64_t>(darrera.text.size()),
              "the line ends where " + std::string(que) + " should follow \"" + darrera.text + "\"");
        return nullptr;
    }

    bool nombre(const Paraula& p, const char* que, double& valor)
    {
        const char* fi = p.text.data() + p.text.size();
        const auto [q, ec] = std::from_chars(p.text.data(), fi, valor);
        if (ec == std::errc() && q == fi && std::isfinite(valor))
            return true;
        error(p.columna, std::string(que) + " should be a number, not \"" + p.text + "\"");
        return false;
    }

    const Unitat* unitat(const Paraula& p, const Unitat* taula, size_t n, const char* que)
    {
        std::string llista;
        for (size_t k = 0; k < n; ++k) {
            if (p.text == taula[k].nom)
                return &taula[k];
            llista += std::string(k == 0 ? "" : k + 1 == n ? " or " : ", ") + taula[k].nom;
        }
        error(p.columna, "unknown " + std::string(que) + " unit \"" + p.text + "\": " + llista);
        return nullptr;
    }

private:
    std::vector<Avis>& avisos_;
    int64_t linia_;
    bool fallat_ = false;
};

template <size_t N>
const Unitat* LlegirUnitat(Lector& l, const Paraula& p, const Unitat (&taula)[N], const char* que)
{
    return l.unitat(p, taula, N, que);
}

// One line into d; false on an error, which is in avisos.
bool LlegirLinia(const std::vector<Paraula>& p, const std::map<std::string, int64_t>& linies,
                 const std::map<std::string, int32_t>& posats, Lector& l, Descrit& d)
{
    d.nom = p[0].text;
    const Paraula* massa = l.seguent(p, 1, "a mass");
    if (massa == nullptr || !l.nombre(*massa, "a mass", d.massa))
        return false;
    d.columnaMassa = massa->columna;
    if (!(d.massa > 0.0)) {
        l.error(massa->columna, "a mass must be positive, not " + massa->text);
        return false;
    }
    const Paraula* unitat = l.seguent(p, 2, "a mass unit");
    const Unitat* u = unitat ? LlegirUnitat(l, *unitat, kMasses, "mass") : nullptr;
    if (u == nullptr)
        return false;
    d.massa *= u->valor;

    size_t i = 3;
    if (i < p.size() && p[i].text == "around") {
        const Paraula* pare = l.seguent(p, i + 1, "the parent's name");
        if (pare == nullptr)
            return false;
        const auto posat = posats.find(pare->text);
        if (posat == posats.end()) {
            const auto despres = linies.find(pare->text);
            if (pare->text == d.nom)
                l.error(pare->columna, d.nom + " cannot go round itself");
            else if (despres != linies.end() && despres->second > d.linia)
                l.error(pare->columna, "the parent \"" + pare->text + "\" is named on line " +
                                           std::to_string(despres->second) + ", after its child; name it first");
            else
                l.error(pare->columna, "unknown parent \"" + pare->text + "\"");
            return false;
        }
        d.pare = posat->second;
        const Paraula* a = l.seguent(p, i + 2, "a, the semi-major axis,");
        if (a == nullptr)
            return false;
        if (a->text != "a") {
            l.error(a->columna, "expected a, the semi-major axis, not \"" + a->text + "\"");
            return false;
        }
        const Paraula* distancia = l.seguent(p, i + 3, "a distance");
        if (distancia == nullptr || !l.nombre(*distancia, "a distance", d.a))
            return false;
        d.columnaA = distancia->columna;
        if (!(d.a > 0.0)) {
            l.error(distancia->columna, "a distance must be positive, not " + distancia->text);
            return false;
        }
        const Paraula* unitatA = l.seguent(p, i + 4, "a distance unit");
        d.unitatA = unitatA ? LlegirUnitat(l, *unitatA, kDistancies, "distance") : nullptr;
        if (d.unitatA == nullptr)
            return false;
        d.a *= d.unitatA->valor;
        i += 5;
    }

    bool vistes[3] = {false, false, false};
    for (; i < p.size(); ++i) {
        const std::string& w = p[i].text;
        const int quina = w == "e" ? 0 : w == "at" ? 1 : w == "retrograde" ? 2 : -1;
        if (quina < 0) {
            l.error(p[i].columna, "unknown word \"" + w + "\": after the mass come around PARENT a DISTANCE UNIT, "
                                  "then e, at or retrograde");
            return false;
        }
        if (d.pare < 0) {
            l.error(p[i].columna, w + " is for a body that goes round another: around PARENT a DISTANCE UNIT first");
            return false;
        }
        if (vistes[quina]) {
            l.error(p[i].columna, w + " is given twice");
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
            l.error(valor->columna, "an eccentricity must be from 0 to below 1, not " + valor->text);
            return false;
        }
        ++i;
    }
    if (d.pare < 0 && !posats.empty()) {
        l.error(p[0].columna, "only the first body stands alone; give " + d.nom +
                                  " an orbit with around PARENT a DISTANCE UNIT");
        return false;
    }
    return true;
}

// An orbit's period, in Julian years where it reaches one.
std::string Periode(double segons)
{
    return Durada(segons, 31557600.0);
}

// A distance in the unit the description gave it in.
std::string Distancia(double metres, const Unitat* u)
{
    return Xifra(metres / u->valor, 3) + " " + u->nom;
}

// How far each body can get from the first: its parent's reach and its own
// apoapsis.
double Abast(const std::vector<Descrit>& d)
{
    std::vector<double> abast(d.size(), 0.0);
    double maxim = 0.0;
    for (size_t i = 0; i < d.size(); ++i) {
        if (d[i].pare >= 0)
            abast[i] = abast[d[i].pare] + d[i].a * (1.0 + d[i].e);
        maxim = std::max(maxim, abast[i]);
    }
    return maxim;
}

// Up to two significant digits, rounded up: a unit that reads at a glance.
double Arrodonit(double valor)
{
    const double escala = std::pow(10.0, std::floor(std::log10(valor)) - 1.0);
    return std::ceil(valor / escala * (1.0 - 1e-12)) * escala;
}

// The G exponent for which the heaviest is as large a whole number as 64 bits
// hold, so that the lightest keeps every digit it can; false, with the error,
// when the lightest then has fewer than six.
bool Exponent(const std::vector<Descrit>& d, double metres, double abast, std::vector<Avis>& avisos,
              int32_t& gexp, double& kilograms)
{
    size_t lleuger = 0, pesat = 0;
    for (size_t i = 0; i < d.size(); ++i) {
        if (d[i].massa < d[lleuger].massa)
            lleuger = i;
        if (d[i].massa > d[pesat].massa)
            pesat = i;
    }
    const double volum = metres * metres * metres;
    const auto unitat = [&](int32_t e) { return GDeExponent(e) * volum / kGReal; };
    const auto cap = [&](int32_t e) { return d[pesat].massa / unitat(e) < kMaximaMassa; };
    const double estimat = std::ceil(std::log10(d[pesat].massa * kGReal / (MANTISSA_G * volum * kMaximaMassa)));
    if (!(std::fabs(estimat) < 290.0)) {
        avisos.push_back({d[pesat].linia, d[pesat].columnaMassa, Avis::Gravetat::Error,
                          "masses of " + Xifra(d[pesat].massa) + " kg on orbits " + Xifra(abast) +
                              " m wide would need a G exponent of " + Xifra(estimat) +
                              ", beyond what the program's doubles hold"});
        return false;
    }
    gexp = static_cast<int32_t>(estimat);
    while (!cap(gexp))
        ++gexp;
    while (cap(gexp - 1))
        --gexp;
    kilograms = unitat(gexp);
    if (d[lleuger].massa / kilograms < kMinimaMassa) {
        avisos.push_back({d[lleuger].linia, d[lleuger].columnaMassa, Avis::Gravetat::Error,
                          d[lleuger].nom + " weighs " + Xifra(d[lleuger].massa / d[pesat].massa, 3) + " of " +
                              d[pesat].nom + ": at no G exponent do both fit a config's 64-bit masses with six "
                                             "significant digits (a ratio of 1.8e14 at most)"});
        return false;
    }
    return true;
}

}  // namespace

double PassosPerOrbita(const Sistema& s, double periode, int tecla)
{
    const double cicle = (s.cicles > 0 && s.cicles <= 1000 ? 1000 / s.cicles : 1) / 1000.0 * kFolgaCicles;
    return periode / (cicle * FactorDeNumero(tecla).factor);
}

int TeclaSuggerida(const SistemaOrbites& s)
{
    for (int tecla = kTecles; tecla >= 1; --tecla) {
        bool totes = true;
        for (const Orbita& o : s.orbites)
            totes = totes && PassosPerOrbita(s.sistema, o.periode, tecla) >= kPassosMinims;
        if (totes)
            return tecla;
    }
    return 0;
}

std::optional<SistemaOrbites> GenerarOrbites(std::istream& in, const OpcionsOrbites& opcions,
                                             std::vector<Avis>& avisos)
{
    std::vector<std::pair<int64_t, std::vector<Paraula>>> linies;
    std::map<std::string, int64_t> nomenades;
    std::string text;
    for (int64_t n = 1; std::getline(in, text); ++n) {
        std::vector<Paraula> p = Paraules(text);
        if (p.empty())
            continue;
        nomenades.emplace(p[0].text, n);
        linies.emplace_back(n, std::move(p));
    }
    if (linies.empty()) {
        avisos.push_back({1, 1, Avis::Gravetat::Error, "no bodies: a line reads NAME MASS UNIT"});
        return std::nullopt;
    }

    std::vector<Descrit> descrits;
    std::map<std::string, int32_t> posats;
    bool bo = true;
    for (const auto& [n, paraules] : linies) {
        Lector l(avisos, n);
        Descrit d;
        d.linia = n;
        if (const auto abans = posats.find(paraules[0].text); abans != posats.end()) {
            l.error(paraules[0].columna, "\"" + paraules[0].text + "\" already names the body of line " +
                                             std::to_string(descrits[abans->second].linia));
            bo = false;
            continue;
        }
        if (!LlegirLinia(paraules, nomenades, posats, l, d)) {
            bo = false;
            continue;
        }
        posats.emplace(d.nom, static_cast<int32_t>(descrits.size()));
        descrits.push_back(d);
    }
    if (!bo)
        return std::nullopt;

    SistemaOrbites s;
    s.sistema.amplada = opcions.amplada;
    s.sistema.altura = opcions.altura;
    const double abast = kAbast * std::min(opcions.amplada, opcions.altura) / (2.0 * ZOOM_INICIAL);
    const double maxim = Abast(descrits);
    s.metres = maxim > 0.0 ? Arrodonit(maxim / abast) : 1.0;
    s.abastPx = maxim / s.metres * ZOOM_INICIAL;
    if (!Exponent(descrits, s.metres, maxim, avisos, s.sistema.gexp, s.kilograms))
        return std::nullopt;
    const double G = GDeExponent(s.sistema.gexp);

    // Each body on its two-body orbit round its parent, which holds the mass
    // of everything placed round it so far; in the file's own units and
    // whole masses, so that the program's step sees these very orbits.
    const size_t n = descrits.size();
    std::vector<double> dins(n, 0.0);     // mass round each body so far
    std::vector<double> central(n, 0.0);  // what each body goes round
    std::vector<char> pare(n, 0);
    for (const Descrit& d : descrits)
        if (d.pare >= 0)
            pare[d.pare] = 1;
    s.sistema.cossos.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const Descrit& d = descrits[i];
        Cos& c = s.sistema.cossos[i];
        c.massa = static_cast<uint64_t>(std::nearbyint(d.massa / s.kilograms));
        c.diametre = i == 0 ? kAmpleCentre : pare[i] ? kAmplePare : kAmple;
        s.noms.push_back(d.nom);
        if (d.pare < 0)
            continue;
        const Cos& p = s.sistema.cossos[d.pare];
        central[i] = static_cast<double>(p.massa) + dins[d.pare];
        const double mu = G * (central[i] + static_cast<double>(c.massa));
        const double a = d.a / s.metres;
        const double periapsi = a * (1.0 - d.e);
        const double v = std::sqrt(mu * (1.0 + d.e) / periapsi);
        // The window's y runs down: an angle toward its top is a negative y.
        const double angle = d.graus * kPi / 180.0;
        const double ux = std::cos(angle), uy = -std::sin(angle);
        const double sentit = d.retrograda ? -1.0 : 1.0;
        c.x = p.x + periapsi * ux;
        c.y = p.y + periapsi * uy;
        c.vx = p.vx + sentit * v * uy;
        c.vy = p.vy - sentit * v * ux;
        for (int32_t q = d.pare; q >= 0; q = descrits[q].pare)
            dins[q] += static_cast<double>(c.massa);
        s.orbites.push_back({static_cast<int32_t>(i), d.pare, 2.0 * kPi * std::sqrt(a * a * a / mu),
                             2.0 * a * ZOOM_INICIAL});

        // Beyond the parent's Hill radius round its own parent the
        // grandparent pulls harder than the parent holds.
        const Descrit& dp = descrits[d.pare];
        if (dp.pare < 0)
            continue;
        const double hill = dp.a * (1.0 - dp.e) * std::cbrt(static_cast<double>(p.massa) / (3.0 * central[d.pare]));
        const double apoapsi = d.a * (1.0 + d.e);
        s.orbites.back().foraHill = apoapsi > hill;
        if (apoapsi > hill)
            avisos.push_back({d.linia, d.columnaA, Avis::Gravetat::Nota,
                              d.nom + "'s orbit reaches " + Distancia(apoapsi, d.unitatA) + " from " + dp.nom +
                                  ", outside its Hill radius of " + Distancia(hill, d.unitatA) + " round " +
                                  descrits[dp.pare].nom + ": it will not stay bound"});
    }
    CentreDeMasses(s.sistema.cossos);
    return s;
}

void EscriureInformeOrbites(std::ostream& out, const SistemaOrbites& s)
{
    const Sistema& sis = s.sistema;
    const double cicle = PassosPerOrbita(sis, 1.0, 1);
    out << "units: length " << Xifra(s.metres) << " m, mass " << Xifra(s.kilograms) << " kg, time 1 s; G = "
        << MANTISSA_G << "e" << sis.gexp << "\n";
    out << "window: " << sis.amplada << " x " << sis.altura << ", the largest orbit " << Xifra(s.abastPx, 3)
        << " px from the centre at the start zoom\n";
    if (s.orbites.empty()) {
        out << "no orbits: every key shows the same still body\n";
        return;
    }
    std::vector<std::string> quins;
    size_t ample = 0;
    for (const Orbita& o : s.orbites) {
        quins.push_back(s.noms[o.cos] + " round " + s.noms[o.pare]);
        ample = std::max(ample, quins.back().size());
    }
    out << "orbits, and their steps per orbit at each key with cycles of " << Xifra(1.0 / cicle * 1000.0)
        << " ms:\n";
    out << "  " << std::string(ample, ' ') << "  " << std::left << std::setw(26) << "period" << std::right;
    for (int tecla = 1; tecla <= kTecles; ++tecla)
        out << std::setw(9) << "key " + std::to_string(tecla);
    out << "\n";
    for (size_t k = 0; k < s.orbites.size(); ++k) {
        const Orbita& o = s.orbites[k];
        out << "  " << std::left << std::setw(static_cast<int>(ample)) << quins[k] << "  " << std::setw(26)
            << Periode(o.periode) << std::right;
        for (int tecla = 1; tecla <= kTecles; ++tecla)
            out << std::setw(9) << Xifra(PassosPerOrbita(sis, o.periode, tecla), 3);
        out << "\n";
    }
    const int tecla = TeclaSuggerida(s);
    if (tecla == 0) {
        out << "suggested key: none; not even key 1 gives every orbit " << kPassosMinims << " steps\n";
    } else {
        out << "suggested key: " << tecla << " (" << FactorDeNumero(tecla).text << "), the fastest at which every "
            << "orbit takes " << kPassosMinims << " steps or more\n";
        out << "keys it tolerates: ";
        const auto solta = std::find_if(s.orbites.begin(), s.orbites.end(), [](const Orbita& o) { return o.foraHill; });
        if (solta != s.orbites.end())
            out << "none, for " << s.noms[solta->cos] << " will not stay bound to " << s.noms[solta->pare] << "\n";
        else
            out << (tecla == 1 ? std::string("1 only") : "1 to " + std::to_string(tecla)) << "\n";
    }
    for (const Orbita& o : s.orbites)
        if (o.amplePx < kOrbitaVisible)
            out << "note: " << s.noms[o.cos] << "'s orbit is " << Xifra(o.amplePx, 2)
                << " px across at the start zoom: it will look like one body with " << s.noms[o.pare] << "\n";
}
