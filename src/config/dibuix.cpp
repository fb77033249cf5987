#include "config/dibuix.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "config/generar.h"
#include "config/previa.h"
#include "config/xifres.h"
#include "lectura/constants.h"

namespace {

// The most bodies a drawing holds: more than a hand draws, few enough that
// gen orbits' runs of the keys stay short.
constexpr size_t kCossosDibuix = kCossosProvats;
// Widths in world units: the heaviest larger, as gen orbits draws its first.
constexpr float kAmpleCentre = 12.0f, kAmple = 6.0f;

struct Dibuixat {
    std::string nom;
    double massa = 0.0, x = 0.0, y = 0.0, vx = 0.0, vy = 0.0;
    int64_t linia = 0;
};

bool NomValid(const std::string& nom)
{
    return !nom.empty() && nom.size() <= 64 && std::all_of(nom.begin(), nom.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

void Error(Troballes& t, int64_t linia, const std::string& text)
{
    ++t.errors;
    if (t.avisos.size() < kTroballesMostrades)
        t.avisos.push_back({linia, 1, Avis::Gravetat::Error, text});
}

void Nota(Troballes& t, int64_t linia, const std::string& text)
{
    ++t.notes;
    if (t.avisos.size() < kTroballesMostrades)
        t.avisos.push_back({linia, 1, Avis::Gravetat::Nota, text});
}

// The bodies as drawn; errors for lines that do not read.
std::vector<Dibuixat> Llegir(std::istream& in, Troballes& t)
{
    std::vector<Dibuixat> cossos;
    std::string linia;
    std::map<std::string, int64_t> noms;
    for (int64_t n = 1; std::getline(in, linia); ++n) {
        linia = linia.substr(0, linia.find('#'));
        std::istringstream paraules(linia);
        Dibuixat d;
        d.linia = n;
        if (!(paraules >> d.nom))
            continue;
        std::string resta;
        if (!(paraules >> d.massa >> d.x >> d.y >> d.vx >> d.vy) || (paraules >> resta)) {
            Error(t, n, "a body is NAME MASS X Y VX VY, in kg, m and m/s");
            continue;
        }
        if (!NomValid(d.nom))
            Error(t, n, "a name is letters, digits, _ and -, at most 64");
        else if (!noms.emplace(d.nom, n).second)
            Error(t, n, d.nom + " is drawn twice, first at line " + std::to_string(noms[d.nom]));
        if (!(d.massa >= 0.0) || !std::isfinite(d.massa))
            Error(t, n, d.nom + "'s mass is not a number of kg, 0 or more");
        if (!std::isfinite(d.x) || !std::isfinite(d.y) || !std::isfinite(d.vx) || !std::isfinite(d.vy))
            Error(t, n, d.nom + "'s place and velocity are not finite numbers");
        if (cossos.size() == kCossosDibuix) {
            Error(t, n, "a drawing holds at most " + std::to_string(kCossosDibuix) + " bodies");
            break;
        }
        cossos.push_back(d);
    }
    if (cossos.empty() && t.errors == 0)
        Error(t, 1, "the drawing has no bodies");
    return cossos;
}

// The units gen orbits would choose for bodies reaching as far as the farthest
// drawn, with G's exponent from the heaviest: false, with the error at the
// body to blame, where no units hold them.
bool Unitats(const std::vector<Dibuixat>& d, size_t lluny, size_t pesat, const OpcionsOrbites& opcions,
             SistemaOrbites& s, Troballes& troballes)
{
    s.sistema.amplada = opcions.amplada;
    s.sistema.altura = opcions.altura;
    const double abast = std::hypot(d[lluny].x, d[lluny].y);
    s.metres = MetresPerUnitat(abast, opcions);
    s.abastPx = abast / s.metres * ZOOM_INICIAL;
    double estimat = 0.0;
    if (ExponentG(d[pesat].massa, s.metres, estimat, s.sistema.gexp, s.kilograms))
        return true;
    // Too wide for the masses, or too heavy for the reach.
    const bool ampla = estimat < 0.0 && abast > 0.0;
    const Dibuixat& culpa = ampla ? d[lluny] : d[pesat];
    Error(troballes, culpa.linia,
          (ampla ? culpa.nom + " is too far out for any units: " : culpa.nom + " is too heavy for any units: ") +
              "masses of up to " + Xifra(d[pesat].massa) + " kg reaching " + Xifra(abast) +
              " m would need a G exponent of " + Xifra(estimat) + ", beyond what the program's doubles hold");
    return false;
}

// Each body in the file's units: places and velocities divided by the length
// unit, masses to the nearest whole unit, with a note where one becomes 0 and
// an error where two share a point.
void Posar(const std::vector<Dibuixat>& d, size_t pesat, SistemaOrbites& s, Troballes& troballes)
{
    const size_t n = d.size();
    std::map<std::pair<double, double>, size_t> llocs;
    s.sistema.cossos.resize(n);
    for (size_t i = 0; i < n; ++i) {
        Cos& c = s.sistema.cossos[i];
        c.x = d[i].x / s.metres;
        c.y = d[i].y / s.metres;
        c.vx = d[i].vx / s.metres;
        c.vy = d[i].vy / s.metres;
        const double entera = std::nearbyint(d[i].massa / s.kilograms);
        c.massa = static_cast<uint64_t>(entera);
        c.diametre = i == pesat ? kAmpleCentre : kAmple;
        if (entera == 0.0)
            Nota(troballes, d[i].linia,
                 d[i].nom + "'s mass, " + Xifra(d[i].massa) + " kg, is under half the file's mass unit of " +
                     Xifra(s.kilograms) +
                     " kg: it becomes 0, a body that feels every pull and pulls "
                     "nothing");
        const auto [lloc, nou] = llocs.emplace(std::make_pair(c.x, c.y), i);
        if (!nou)
            Error(troballes, d[i].linia,
                  d[i].nom + " is on the same point as " + d[lloc->second].nom + ": the pull between them has no size");
        s.noms.push_back(d[i].nom);
    }
}

}  // namespace

std::optional<SistemaOrbites> GenerarDibuix(std::istream& in, const OpcionsOrbites& opcions, Troballes& troballes)
{
    const std::vector<Dibuixat> d = Llegir(in, troballes);
    if (troballes.errors > 0)
        return std::nullopt;
    const size_t n = d.size();
    size_t lluny = 0, pesat = 0;
    for (size_t i = 0; i < n; ++i) {
        if (std::hypot(d[i].x, d[i].y) > std::hypot(d[lluny].x, d[lluny].y))
            lluny = i;
        if (d[i].massa > d[pesat].massa)
            pesat = i;
    }
    if (!(d[pesat].massa > 0.0)) {
        Error(troballes, d[pesat].linia, "every body's mass is 0: nothing pulls");
        return std::nullopt;
    }
    SistemaOrbites s;
    if (!Unitats(d, lluny, pesat, opcions, s, troballes))
        return std::nullopt;
    Posar(d, pesat, s, troballes);
    if (troballes.errors > 0)
        return std::nullopt;
    const VistaInicial vista(s.sistema);
    for (size_t i = 0; i < n; ++i)
        if (!vista.conte(s.sistema.cossos[i].x, s.sistema.cossos[i].y)) {
            s.foraInici.push_back(static_cast<int32_t>(i));
            Nota(troballes, d[i].linia, d[i].nom + " is out of the window at the start zoom");
        }
    return s;
}

void EscriureInformeDibuix(std::ostream& out, const SistemaOrbites& s)
{
    const Sistema& sis = s.sistema;
    out << "units: length " << Xifra(s.metres) << " m, mass " << Xifra(s.kilograms)
        << " kg, time 1 s; G = " << MANTISSA_G << "e" << sis.gexp << "\n";
    out << "window: " << sis.amplada << " x " << sis.altura << ", the farthest body " << Xifra(s.abastPx, 3)
        << " px from the centre at the start zoom\n";
    out << "description: none; gen orbits' language places bodies by their "
           "orbits, not by a free place and "
           "velocity\n";
    EscriureProves(out, s);
}
