#include "config/orbites.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <memory>
#include <string_view>

#include "config/generar.h"
#include "config/orbites_descripcio.h"
#include "config/previa.h"
#include "config/xifres.h"
#include "lectura/constants.h"
#include "lectura/lectura.h"
#include "physics/factors.h"

namespace {

using namespace descripcio;

// Widths in world units: three pixels at the start zoom for every body, more
// for the first and for bodies with bodies of their own.
constexpr float kAmpleCentre = 12.0f, kAmplePare = 8.0f, kAmple = 6.0f;
// A body round one whose own place is this far (of its periapsis, or of its
// speed there) from the centre of what goes round that one is noted.
constexpr double kDesplacament = 0.01;
// Farther than this the doubles' exponents cannot reach.
constexpr double kExponentMaxim = 290.0;

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
    double estimat = 0.0;
    if (!ExponentG(massa, metres, estimat, gexp, kilograms)) {
        // Orbits too wide for the masses, or masses too heavy for the orbits.
        const bool ampla = estimat < 0.0 && lluny > 0;
        const Descrit& culpa = ampla ? d.cossos[lluny] : d.cossos[pesat];
        recull.error(culpa.linia, ampla ? culpa.columnaA : culpa.columnaMassa,
                     "masses of up to " + Xifra(massa) + " kg on orbits reaching " + Xifra(abast) +
                         " m would need a G exponent of " + Xifra(estimat) + ", beyond the " +
                         Xifra(kExponentMaxim) + " either way that the program's doubles hold");
        return false;
    }
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

// How far each body can get from the first: its parent's reach and its own
// apoapsis. A group's centre of mass is no farther from its top body than
// the mass-weighted mean of the reaches of what it holds. False, with the
// error, where a double cannot hold it; lluny is the body that reaches
// farthest.
bool Abasts(const Descripcio& d, const Arbre& arbre, Recull& recull, std::vector<double>& abast, int32_t& lluny)
{
    const size_t n = d.cossos.size();
    abast.assign(n, 0.0);
    lluny = 0;
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
            return false;
        }
        if (abast[i] > abast[lluny])
            lluny = static_cast<int32_t>(i);
    }
    return true;
}

// The window, and the units: a length unit that puts the reach that fills
// the view (the centre's own satellites', or everything's when it has none)
// at four fifths of the way to its nearer edge, and the exponent of G.
// False, with the error, where no exponent a double holds fits.
bool Unitats(const Descripcio& d, const Arbre& arbre, const std::vector<double>& abast, int32_t lluny,
             int32_t centre, const OpcionsOrbites& opcions, SistemaOrbites& s, Recull& recull)
{
    const size_t n = d.cossos.size();
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
    s.metres = MetresPerUnitat(maxim, opcions);
    s.abastPx = maxim / s.metres * ZOOM_INICIAL;
    return Exponent(d, lluny, s.metres, abast[lluny], recull, s.sistema.gexp, s.kilograms);
}

// Where a body placed round its parent, or its group, stands and moves.
struct Posada {
    int32_t cim = -1;              // the body whose subtree it goes round
    double dins[Sumes::kCamps];    // that subtree's sums so far
    Cos pare;                      // the parent as a point: a body, or the group's centre
    double mu = 0.0, a = 0.0, periapsi = 0.0, v = 0.0;
};

// Body i at the periapsis of its two-body orbit round its parent, in the
// file's units: false, with the error, where a double cannot hold it.
bool Posar(const Descripcio& d, const Arbre& arbre, const Sumes& sumes, int32_t i, double G, SistemaOrbites& s,
           Posada& q, Recull& recull)
{
    const Index& noms = d.noms;
    const Descrit& c = d.cossos[i];
    Cos& cos = s.sistema.cossos[i];
    q.cim = c.grup >= 0 ? d.grups[c.grup].cim : c.pare;
    sumes.entre(arbre.entrada[q.cim], arbre.sortida[q.cim], q.dins);
    q.pare = c.grup >= 0 ? Centre(q.dins, s.sistema.cossos[q.cim]) : s.sistema.cossos[c.pare];
    const Cos& p = q.pare;
    q.mu = G * (q.dins[0] + static_cast<double>(cos.massa));
    q.a = c.a / s.metres;
    q.periapsi = q.a * (1.0 - c.e);
    q.v = std::sqrt(q.mu * (1.0 + c.e) / q.periapsi);
    const double periapsi = q.periapsi, v = q.v;
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
        return false;
    }
    return true;
}

// A loss the description foretells, its reason kept among the first few.
template <typename F>
void Perdua(SistemaOrbites& s, F per)
{
    if (s.perdues.size() < kPerduesMostrades)
        s.perdues.push_back(per());
    ++s.nombrePerdues;
}

// A parent whose own place is far from the centre of what goes
// round it (a companion star placed round it above) is no place
// to go round.
void NotaLlocPropi(const Descripcio& d, int32_t i, const Cos& p, const double (&dins)[Sumes::kCamps],
                   double periapsi, double v, int32_t company, Recull& recull)
{
    const Index& noms = d.noms;
    const Descrit& c = d.cossos[i];
    const Cos cm = Centre(dins, p);
    const double lloc = std::hypot(cm.x - p.x, cm.y - p.y) / periapsi;
    const double pas = std::hypot(cm.vx - p.vx, cm.vy - p.vy) / v;
    if (company >= 0 && std::max(lloc, pas) > kDesplacament)
        recull.nota(c.linia, c.columnaA, [&] {
            return noms[i] + " goes round " + noms[c.pare] + "'s own place, " +
                   Xifra(100.0 * std::max(lloc, pas), 2) + " % of its orbit off the centre of " +
                   noms[c.pare] + " and what is placed round it above: to go round them all, write around " +
                   noms[c.pare] + "+" + noms[company] + "; to go round " + noms[c.pare] + " alone, list " +
                   noms[i] + " before " + noms[company];
        });
}

// Beyond the parent's Hill radius round its own parent the
// grandparent pulls harder than the parent holds; round one star
// of a pair, beyond the zone its companion leaves stable.
void NotaZonaPare(const Descripcio& d, SistemaOrbites& s, int32_t i, const std::vector<double>& central,
                  Recull& recull)
{
    const Index& noms = d.noms;
    const Descrit& c = d.cossos[i];
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
            Perdua(s, [&] {
                return noms[i] + "'s orbit reaches outside " +
                       (binaria ? "the stable zone round " + noms[c.pare] : noms[c.pare] + "'s Hill radius");
            });
        }
    }
}

// Round a pair, inside the zone it leaves unstable: the pair is
// the group's widest orbit.
void NotaZonaParella(const Descripcio& d, SistemaOrbites& s, int32_t i, int32_t cim,
                     const std::vector<double>& central, Recull& recull)
{
    const Index& noms = d.noms;
    const Descrit& c = d.cossos[i];
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
            Perdua(s, [&] { return noms[i] + "'s orbit lies inside the unstable zone round " + s.grups[c.grup]; });
        }
    }
}

// A planet round one star of a pair whose companion goes round that star
// too, wider and placed after it: beyond the zone the companion leaves
// stable.
void NotesCompanys(const Descripcio& d, SistemaOrbites& s, const std::vector<double>& central,
                   const std::vector<int32_t>& mesPesat, Recull& recull)
{
    const Index& noms = d.noms;
    const size_t n = d.cossos.size();
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
        Perdua(s, [&] { return noms[i] + "'s orbit reaches outside the stable zone round " + noms[c.pare]; });
    }
}

// Bodies that start on one point: the step pulls nothing between them
// there, and once it moves them a hair apart their pull has no bound.
void NotesUnLloc(const Descripcio& d, SistemaOrbites& s, Recull& recull)
{
    const Index& noms = d.noms;
    const size_t n = d.cossos.size();
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
        Perdua(s, [&] { return noms[a] + " and " + noms[b] + " start at one point"; });
    }
}

// The centre at the origin, at rest, the rest where it falls; or, with no
// centre, the whole system in its centre-of-mass frame.
void Centrar(SistemaOrbites& s, const Sumes& sumes, const Arbre& arbre, int32_t centre, bool grupCentre)
{
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
}

// Each body on its two-body orbit round its parent, in the file's own
// units and whole masses, so that the program's step sees these very
// orbits. A body as parent stands at its own place with the mass of all
// placed round it so far; a group, at the centre of mass of its top body
// and all placed round that. Then the notes on companions and on bodies at
// one point. False, with the error, where a double cannot hold a body's
// start.
bool PosarCossos(const Descripcio& d, const Arbre& arbre, SistemaOrbites& s, Sumes& sumes, Recull& recull)
{
    const Index& noms = d.noms;
    const size_t n = d.cossos.size();
    const double G = GDeExponent(s.sistema.gexp);
    std::vector<double> central(n, 0.0);  // what each body goes round
    std::vector<int32_t> mesPesat(n, -1);  // each body's heaviest satellite so far
    std::vector<char> pare(n, 0);
    for (size_t i = 1; i < n; ++i)
        pare[d.cossos[i].pare] = 1;
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
        Posada q;
        if (!Posar(d, arbre, sumes, static_cast<int32_t>(i), G, s, q, recull)) {
            return false;
        }
        const int32_t cim = q.cim;
        const double(&dins)[Sumes::kCamps] = q.dins;
        const Cos& p = q.pare;
        const double mu = q.mu, a = q.a, periapsi = q.periapsi, v = q.v;
        central[i] = dins[0];
        Pesos(cos, pes);
        sumes.afegir(arbre.entrada[i], pes);
        if (s.orbites.size() < kFilesTaula)
            s.orbites.push_back({static_cast<int32_t>(i), c.pare, c.grup, 2.0 * kPi * std::sqrt(a * a * a / mu),
                                 2.0 * kPi * periapsi * periapsi * v / mu, 2.0 * a * ZOOM_INICIAL});
        ++s.nombreOrbites;

        if (c.grup < 0) {
            NotaLlocPropi(d, static_cast<int32_t>(i), p, dins, periapsi, v, mesPesat[c.pare], recull);
            NotaZonaPare(d, s, static_cast<int32_t>(i), central, recull);
        } else {
            NotaZonaParella(d, s, static_cast<int32_t>(i), cim, central, recull);
        }
        if (mesPesat[c.pare] < 0 || s.sistema.cossos[mesPesat[c.pare]].massa < cos.massa)
            mesPesat[c.pare] = static_cast<int32_t>(i);
    }

    NotesCompanys(d, s, central, mesPesat, recull);
    NotesUnLloc(d, s, recull);
    return true;
}

}  // namespace

double MetresPerUnitat(double maxim, const OpcionsOrbites& opcions)
{
    const double finestra = kAbast * std::min(opcions.amplada, opcions.altura) / (2.0 * ZOOM_INICIAL);
    return maxim > 0.0 ? Arrodonit(maxim / finestra) : 1.0;
}

bool ExponentG(double massa, double metres, double& estimat, int32_t& gexp, double& kilograms)
{
    // In logarithms: the cube of a length may be past what a double holds.
    estimat = std::ceil(std::log10(kGReal) + std::log10(massa) - std::log10(MANTISSA_G) - 3.0 * std::log10(metres) -
                        std::log10(kMaximaMassa));
    if (!(std::fabs(estimat) < kExponentMaxim))
        return false;
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

    std::vector<double> abast;
    int32_t lluny = 0;
    if (!Abasts(d, arbre, recull, abast, lluny)) {
        ordenar();
        return std::nullopt;
    }

    SistemaOrbites s;
    const Index& noms = d.noms;
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

    if (!Unitats(d, arbre, abast, lluny, centre, opcions, s, recull)) {
        ordenar();
        return std::nullopt;
    }
    Sumes sumes(n);
    if (!PosarCossos(d, arbre, s, sumes, recull)) {
        ordenar();
        return std::nullopt;
    }
    Centrar(s, sumes, arbre, centre, grupCentre);
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
