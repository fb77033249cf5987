#include "config/generar.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>
#include <sstream>

#include "lectura/constants.h"
#include "lectura/lectura.h"

namespace {

// Seconds the outermost orbit takes round everything inside it: slow enough to
// follow at key 1, and a hundred steps or more for the innermost at 100 Hz.
constexpr double kPeriodeExterior = 40.0;
constexpr double kPeriodeCumul = 3 * kPeriodeExterior;
constexpr double kRadiInterior = 0.2;  // of the outermost radius
// Light bodies pull each other so little that no close pass throws one out.
constexpr double kMassaDisc = 1e-3;      // of the core, all the disc together
constexpr double kMassaPlanetaMin = 1e-7;  // of the star
constexpr double kMassaPlanetaMax = 1e-5;
// A cluster's masses spread up to this many times the mean, and down to 2 less it.
constexpr double kEspaiCumul = 1.5;
// Bodies the cluster's sum over every pair takes within a few seconds.
constexpr int32_t kMaximCumul = 40000;
// Every body but the centre three pixels wide at the start zoom, so that it
// shows among the trails.
constexpr float kAmpleCos = 6.0f;

// Random numbers that give the same file for a seed on every machine: the
// standard engines are fixed, the distributions are not.
class Atzar {
public:
    explicit Atzar(uint64_t llavor) : motor_(llavor) {}
    double unitat() { return static_cast<double>(motor_() >> 11) * 0x1.0p-53; }
    double entre(double a, double b) { return a + (b - a) * unitat(); }
    double normal()
    {
        const double u = 1.0 - unitat();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * kPi * unitat());
    }

private:
    std::mt19937_64 motor_;
};

double RadiExterior(const OpcionsGen& o)
{
    return kAbast * std::min(o.amplada, o.altura) / (2.0 * ZOOM_INICIAL);
}

// G times the mass whose circular orbit at radius r takes the given period.
double GMPerPeriode(double r, double periode)
{
    return 4.0 * kPi * kPi * r * r * r / (periode * periode);
}

// A mass as a config's whole number, rounded half away from zero; valid for
// every value below 2^64, which llround's long long is not.
uint64_t Arrodonida(double massa)
{
    return static_cast<uint64_t>(std::round(massa));
}

// The mass that gives G times it, as a config's whole number of at least
// minima, or why not, with the exponents at which it would be. Its bodies
// weigh up to espai times a parts-th of it, each a whole number too.
bool MassaEntera(double gm, int32_t gexp, const char* que, double minima, uint64_t& sortida,
                 std::string& error, int32_t parts = 1, double espai = 1.0)
{
    const auto massa = [&](int32_t e) { return gm / GDeExponent(e); };
    // The heaviest as the bodies are drawn: the whole, rounded, over parts,
    // times the top of the spread.
    const auto mesPesat = [&](int32_t e) { return std::nearbyint(massa(e)) / parts * espai; };
    const auto cap = [&](int32_t e) { return massa(e) < kMaximaMassa && mesPesat(e) < kMaximaMassa; };
    const auto pesa = [&](int32_t e) { return massa(e) >= minima; };
    if (!cap(gexp) || !pesa(gexp)) {
        // A larger exponent, a lighter mass. The logarithms give the range to
        // within one; the test that decides is the one above, so every
        // exponent offered is taken.
        int32_t minim = static_cast<int32_t>(std::ceil(std::log10(gm / (MANTISSA_G * kMaximaMassa))));
        int32_t maxim = static_cast<int32_t>(std::floor(std::log10(gm / (MANTISSA_G * minima))));
        while (!cap(minim))
            ++minim;
        while (cap(minim - 1))
            --minim;
        while (!pesa(maxim))
            --maxim;
        while (pesa(maxim + 1))
            ++maxim;
        std::ostringstream text;
        text << "at this G exponent " << que << " would need a mass of " << massa(gexp);
        if (pesa(gexp) && massa(gexp) < kMaximaMassa)
            text << ", and its heaviest body up to " << mesPesat(gexp)
                 << ", more than the 18446744073709551615 a config can take; ";
        else
            text << ", outside the whole numbers " << std::ceil(minima)
                 << " to 18446744073709551615 at which every body weighs 1 or more and fits a config; ";
        if (minim <= maxim)
            text << "for this window choose an exponent from " << minim << " to " << maxim;
        else
            text << "no exponent gives one for this window; choose fewer bodies";
        error = text.str();
        return false;
    }
    sortida = static_cast<uint64_t>(std::nearbyint(massa(gexp)));
    return true;
}

// A body at radius r and angle a, moving round the origin at speed v, the
// same way round as every other.
Cos EnOrbita(double r, double a, double v)
{
    Cos c;
    c.x = r * std::cos(a);
    c.y = r * std::sin(a);
    c.vx = -v * std::sin(a);
    c.vy = v * std::cos(a);
    return c;
}

// The heavy body at the centre, so massive that a circular orbit at the
// outermost radius takes the outer period, and heavy enough that the lightest
// body round it, `lleugera` of its mass, still weighs 1: a body of mass 0
// feels every pull and pulls nothing.
bool Central(const OpcionsGen& o, const char* que, float diametre, double lleugera, Sistema& s,
             std::string& error)
{
    Cos central;
    central.diametre = diametre;
    const double minima = o.n > 1 ? std::max(0.5, 1.0 / lleugera) : 0.5;
    if (!MassaEntera(GMPerPeriode(RadiExterior(o), kPeriodeExterior), o.gexp, que, minima,
                     central.massa, error))
        return false;
    s.cossos.push_back(central);
    return true;
}

bool Estrella(const OpcionsGen& o, Atzar& atzar, Sistema& s, std::string& error)
{
    if (!Central(o, "the star", 12.0f, kMassaPlanetaMin, s, error))
        return false;
    const double G = GDeExponent(o.gexp);
    const double exterior = RadiExterior(o);
    const Cos estrella = s.cossos[0];

    // Radii in a geometric row from a fifth of the outermost out to it, so
    // neighbours keep the same ratio of distances.
    const int planetes = o.n - 1;
    for (int k = 0; k < planetes; ++k) {
        const double t = planetes == 1 ? 1.0 : static_cast<double>(k) / (planetes - 1);
        const double r = exterior * std::pow(kRadiInterior, 1.0 - t);
        const double fraccio = kMassaPlanetaMin *
                               std::pow(kMassaPlanetaMax / kMassaPlanetaMin, atzar.unitat());
        const uint64_t m = Arrodonida(fraccio * estrella.massa);
        // The two-body circular speed, star and planet round each other.
        const double v = std::sqrt(G * (static_cast<double>(estrella.massa) + m) / r);
        Cos planeta = EnOrbita(r, atzar.entre(0.0, 2.0 * kPi), v);
        planeta.massa = m;
        planeta.diametre = kAmpleCos;
        s.cossos.push_back(planeta);
    }
    return true;
}

bool Disc(const OpcionsGen& o, Atzar& atzar, Sistema& s, std::string& error)
{
    if (!Central(o, "the core", 10.0f, kMassaDisc / std::max(o.n - 1, 1), s, error))
        return false;
    const double G = GDeExponent(o.gexp);
    const double exterior = RadiExterior(o);
    const double interior = kRadiInterior * exterior;
    const Cos nucli = s.cossos[0];

    const int n = o.n - 1;
    const uint64_t m = n > 0 ? Arrodonida(kMassaDisc * nucli.massa / n) : 0;
    // Concentric rings, as many bodies on each as its length allows at an
    // even cover of the disc. Bodies of one ring turn together and rings pass
    // each other a ring apart, so no two bodies ever come close: a close pass
    // is what throws a body out at these step lengths.
    const double costat = std::sqrt(kPi * (exterior * exterior - interior * interior) / std::max(n, 1));
    const int anells = std::clamp(static_cast<int>(std::lround((exterior - interior) / costat)) + 1, 1,
                                  std::max(n, 1));
    std::vector<double> radis(anells, exterior);
    double llargada = 0.0;
    for (int k = 0; k < anells && anells > 1; ++k)
        radis[k] = interior + (exterior - interior) * k / (anells - 1);
    for (double r : radis)
        llargada += r;
    int posats = 0;
    double dins = static_cast<double>(nucli.massa);
    for (int k = 0; k < anells; ++k) {
        const int falten = anells - k - 1;
        const int quants = k == anells - 1
                               ? n - posats
                               : std::clamp(static_cast<int>(std::lround(n * radis[k] / llargada)), 1,
                                            n - posats - falten);
        const double fase = atzar.entre(0.0, 2.0 * kPi);
        const double pas = 2.0 * kPi / quants;
        // Each ring circles the core and the rings inside it.
        const double v = std::sqrt(G * dins / radis[k]);
        for (int j = 0; j < quants; ++j) {
            Cos c = EnOrbita(radis[k], fase + pas * (j + atzar.entre(-0.25, 0.25)), v);
            c.massa = m;
            c.diametre = kAmpleCos;
            s.cossos.push_back(c);
        }
        posats += quants;
        dins += static_cast<double>(m) * quants;
    }
    return true;
}

bool Cumul(const OpcionsGen& o, Atzar& atzar, Sistema& s, std::string& error)
{
    const double G = GDeExponent(o.gexp);
    const double radi = 0.5 * RadiExterior(o);
    // The whole mass is such that a body at the edge would circle it in three
    // outer periods: point masses pass close and fling each other out, and a
    // slow cluster has fewer such passes in the minute one watches it.
    // Masses spread from half to one and a half of the mean, which must be
    // 2 at least for the lightest to weigh 1.
    uint64_t total = 0;
    if (!MassaEntera(GMPerPeriode(radi, kPeriodeCumul), o.gexp, "the cluster", 2.0 * o.n, total, error, o.n,
                     kEspaiCumul))
        return false;
    const double mitjana = static_cast<double>(total) / o.n;
    for (int i = 0; i < o.n; ++i) {
        const double r = radi * std::sqrt(atzar.unitat());
        const double a = atzar.entre(0.0, 2.0 * kPi);
        Cos c;
        c.x = r * std::cos(a);
        c.y = r * std::sin(a);
        c.vx = atzar.normal();
        c.vy = atzar.normal();
        c.massa = Arrodonida(mitjana * atzar.entre(2.0 - kEspaiCumul, kEspaiCumul));
        c.diametre = kAmpleCos;
        s.cossos.push_back(c);
    }
    CentreDeMasses(s.cossos);

    // Velocities scaled so that twice the kinetic energy equals the potential
    // one: the cluster neither flies apart nor falls in, on the whole. The
    // potential is that of the spread of mass, smoothed over the mean
    // spacing, or the closest pair that chance gives would set every speed.
    const double suau = radi * radi * kPi / o.n;
    long double cinetica = 0, potencial = 0;
    for (size_t i = 0; i < s.cossos.size(); ++i) {
        const Cos& a = s.cossos[i];
        cinetica += 0.5L * a.massa * (a.vx * a.vx + a.vy * a.vy);
        for (size_t j = i + 1; j < s.cossos.size(); ++j) {
            const Cos& b = s.cossos[j];
            const double dx = a.x - b.x, dy = a.y - b.y;
            potencial += G * a.massa * b.massa / std::sqrt(dx * dx + dy * dy + suau);
        }
    }
    if (cinetica > 0) {
        const double escala = static_cast<double>(std::sqrt(potencial / (2 * cinetica)));
        for (Cos& c : s.cossos) {
            c.vx *= escala;
            c.vy *= escala;
        }
    }
    return true;
}

void EscriureNombre(std::ostream& out, double valor)
{
    char text[32];
    const auto [fi, ec] = std::to_chars(text, text + sizeof text, valor);
    out.write(text, fi - text);
}

}  // namespace

void CentreDeMasses(std::vector<Cos>& cossos)
{
    long double m = 0, mx = 0, my = 0, mvx = 0, mvy = 0;
    for (const Cos& c : cossos) {
        const long double mi = c.massa;
        m += mi;
        mx += mi * c.x;
        my += mi * c.y;
        mvx += mi * c.vx;
        mvy += mi * c.vy;
    }
    if (m == 0)
        return;
    for (Cos& c : cossos) {
        c.x = static_cast<double>(c.x - mx / m);
        c.y = static_cast<double>(c.y - my / m);
        c.vx = static_cast<double>(c.vx - mvx / m);
        c.vy = static_cast<double>(c.vy - mvy / m);
    }
}

int32_t NombreMaxim(Tipus tipus)
{
    return tipus == Tipus::Cumul ? kMaximCumul : 1000000;
}

int32_t NombrePerDefecte(Tipus tipus)
{
    switch (tipus) {
    case Tipus::Estrella:
        return 6;
    case Tipus::Disc:
        return 300;
    case Tipus::Cumul:
        return 100;
    }
    return 1;
}

std::optional<Sistema> Generar(const OpcionsGen& opcions, std::string& error)
{
    OpcionsGen o = opcions;
    if (o.n <= 0)
        o.n = NombrePerDefecte(o.tipus);
    Sistema s;
    s.amplada = o.amplada;
    s.altura = o.altura;
    s.gexp = o.gexp;
    s.cossos.reserve(o.n);
    Atzar atzar(o.llavor);
    bool fet = false;
    switch (o.tipus) {
    case Tipus::Estrella:
        fet = Estrella(o, atzar, s, error);
        break;
    case Tipus::Disc:
        fet = Disc(o, atzar, s, error);
        break;
    case Tipus::Cumul:
        fet = Cumul(o, atzar, s, error);
        break;
    }
    if (!fet)
        return std::nullopt;
    CentreDeMasses(s.cossos);
    return s;
}

void EscriureConfig(std::ostream& out, const Sistema& s, const std::vector<std::string>* noms)
{
    out << s.amplada << ' ' << s.altura << ' ' << s.cossos.size() << ' ' << s.cicles << ' '
        << s.fps << ' ' << s.gexp << '\n';
    const char* const unitats[] = {"x", "y", "vx", "vy", "kg", "px"};
    for (size_t i = 0; i < s.cossos.size(); ++i) {
        const Cos& c = s.cossos[i];
        const auto paraula = [&](int k) { return noms ? (*noms)[i].c_str() : unitats[k]; };
        EscriureNombre(out, c.x);
        out << ' ' << paraula(0) << ' ';
        EscriureNombre(out, c.y);
        out << ' ' << paraula(1) << ' ';
        EscriureNombre(out, c.vx);
        out << ' ' << paraula(2) << ' ';
        EscriureNombre(out, c.vy);
        out << ' ' << paraula(3) << ' ' << c.massa << ' ' << paraula(4) << ' ' << c.diametre << ' ' << paraula(5)
            << '\n';
    }
}
