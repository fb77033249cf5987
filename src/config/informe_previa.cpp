#include "config/previa.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "config/xifres.h"
#include "physics/factors.h"

// The report's text, and the advice: runs tried as it says.

namespace {

// The longest run, against the one judged, that advice is tried with.
constexpr double kDuradaConsell = 10.0;

// Bodies listed by name in the report; the rest are counted.
constexpr size_t kLlistats = 8;

// Steps per orbit: whole ones once there are ten, up to where they read as digits.
std::string Passos(double passos)
{
    if (passos >= 10.0 && passos < 1e9) {
        std::ostringstream out;
        out << std::fixed << std::setprecision(0) << passos;
        return out.str();
    }
    return Xifra(passos, 2);
}

std::string AmbSigne(double valor)
{
    std::ostringstream out;
    out << std::showpos << std::setprecision(2) << valor;
    return out.str();
}

// Simulated time, with the years of the time keys.
std::string TempsSimulat(double segons)
{
    return Durada(segons, 31536000.0);
}

// Seconds of the program's clock: whole milliseconds, shown whole.
std::string Segons(double segons)
{
    return Xifra(segons, 10);
}

// Seconds of the program's clock that the run covers.
double Durada(const InformePrevia& inf)
{
    return static_cast<double>(inf.passos) * static_cast<double>(inf.cicleUs) / 1e6;
}

std::string Parell(const Apropament& a)
{
    return "bodies " + std::to_string(a.a) + " and " + std::to_string(a.b) + ", " +
           Xifra(a.distancia) + " units apart at " + Segons(a.quan) + " s";
}

// A drift at the end and at worst, signed or as a size.
std::string TextDeriva(const char* que, const Deriva& d, bool signe)
{
    const auto x = [&](double v) { return signe ? AmbSigne(v) : Xifra(v, 2); };
    return std::string(que) + " " + x(d.final) + ", at worst " + x(d.pitjor) + " (" + Segons(d.quanPitjor) + " s)";
}

std::string Cossos(size_t n)
{
    return std::to_string(n) + (n == 1 ? " body" : " bodies");
}

// A body by its name, or by its number.
std::string Nom(int32_t cos, const std::vector<std::string>* noms)
{
    return noms ? (*noms)[cos] : "body " + std::to_string(cos);
}

// Up to kLlistats bodies by name, the rest counted.
template <typename T, typename F>
std::string Llista(const std::vector<T>& v, F nom)
{
    std::string text;
    for (size_t i = 0; i < v.size() && i < kLlistats; ++i)
        text += (i > 0 ? ", " : "") + nom(v[i]);
    if (v.size() > kLlistats)
        text += " and " + std::to_string(v.size() - kLlistats) + " more";
    return text;
}

}  // namespace

std::string Problema(const InformePrevia& inf, const std::vector<std::string>* noms)
{
    std::string v;
    const auto afegir = [&](const std::string& text) { v += (v.empty() ? "" : "; ") + text; };
    const auto nom = [&](int32_t cos) { return Nom(cos, noms); };
    if (inf.deslligats > 0)
        afegir(std::to_string(inf.deslligats) + (inf.deslligats == 1 ? " body is" : " bodies are") +
               " no longer bound at the start to the primary " + (inf.deslligats == 1 ? "it had" : "each had"));
    if (!inf.perduts.empty())
        afegir("loses " + Cossos(inf.perduts.size()) +
               (noms ? " (" + Llista(inf.perduts, [&](const Sortida& s) { return nom(s.cos); }) + ")" : ""));
    if (!inf.separats.empty())
        afegir(Cossos(inf.separats.size()) +
               (inf.separats.size() == 1 ? " comes apart from its primary" : " come apart from their primaries") +
               (noms ? " (" + Llista(inf.separats, [&](const Separacio& s) { return nom(s.cos) + " from " +
                                                                                    nom(s.primari); }) + ")"
                     : ""));
    if (inf.mesEstret.passosPerOrbita < kPassosPerOrbita)
        afegir("steps too long for the closest pass (" + Passos(inf.mesEstret.passosPerOrbita) +
               " steps per orbit of " +
               (noms ? nom(inf.mesEstret.a) + " and " + nom(inf.mesEstret.b)
                     : "bodies " + std::to_string(inf.mesEstret.a) + " and " + std::to_string(inf.mesEstret.b)) +
               ")");
    return v;
}

namespace {

std::string Folga(const InformePrevia& f)
{
    return "with cycles " + Xifra(f.folga) + " % longer (" + Xifra(static_cast<double>(f.cicleUs) / 1000.0) +
           " ms), as a loaded machine runs them";
}

// Whether the system holds together at the ideal cycles and, with a slack,
// at the slack's too; the runs that judge advice, so neither a table nor a
// picture.
bool AguantaSempre(const Sistema& sistema, OpcionsPrevia o)
{
    o.csv = nullptr;
    o.fotograma = nullptr;
    o.progres = false;
    o.aturarEnFallada = true;
    const double folga = o.folga;
    o.folga = 0.0;
    if (!Aguanta(Previa(sistema, o)))
        return false;
    o.folga = folga;
    return folga <= 0.0 || Aguanta(Previa(sistema, o));
}

// Seconds of the program's clock to the first thing that went wrong.
double PrimeraFallada(const InformePrevia& inf)
{
    double quan = std::min(inf.quanEstret, Durada(inf));
    for (const Sortida& s : inf.perduts)
        quan = std::min(quan, s.quan);
    for (const Separacio& s : inf.separats)
        quan = std::min(quan, s.quan);
    return quan;
}

// The first change that preview finds holds the system together, tried in
// the order of what it costs the system: a slower key, lighter small bodies,
// slower orbits of the same shapes, and slower bodies when it is not bound.
// Each is judged by the pairs of the system as it is: a change that unbinds
// a pair at the start holds nothing together.
// A change that slows the orbits is run for as long as they take to cover
// what the failing run covered, or a system that comes apart in ten years
// would seem held together by a key that shows five. Up to ten times as
// long, and then only if that covers its first failure.
std::string Consell(const Sistema& sistema, OpcionsPrevia o, const InformePrevia& inf)
{
    o.primaris = &inf.primaris;
    for (int tecla = o.tecla - 1; tecla >= 1; --tecla) {
        const double rati =
            static_cast<double>(FactorDeNumero(o.tecla).factor) / FactorDeNumero(tecla).factor;
        const double durada = std::min(kDuradaConsell, rati);
        if (durada < rati && o.segons * durada < PrimeraFallada(inf) * rati)
            continue;
        OpcionsPrevia lenta = o;
        lenta.tecla = tecla;
        lenta.segons = o.segons * durada;
        if (AguantaSempre(sistema, lenta))
            return "try key " + std::to_string(tecla) + ": it holds together there for " +
                   Segons(lenta.segons) + " s";
    }
    uint64_t pesada = 0;
    for (const Cos& c : sistema.cossos)
        pesada = std::max(pesada, c.massa);
    Sistema lleugers = sistema;
    bool algun = false;
    for (Cos& c : lleugers.cossos)
        if (static_cast<double>(c.massa) < static_cast<double>(pesada) / kLleuger && c.massa > 1) {
            c.massa = std::max<uint64_t>(1, c.massa / 10);
            algun = true;
        }
    if (algun && AguantaSempre(lleugers, o))
        return "make every body lighter than a thousandth of the heaviest 10 times lighter, so that they pull each "
               "other less in passing: so it holds together";
    const auto frenat = [&](double factor, int32_t gexp) {
        Sistema s = sistema;
        s.gexp = gexp;
        for (Cos& c : s.cossos) {
            c.vx /= factor;
            c.vy /= factor;
        }
        return s;
    };
    OpcionsPrevia llarga = o;
    llarga.segons = o.segons * std::sqrt(10.0);
    if (AguantaSempre(frenat(std::sqrt(10.0), sistema.gexp - 1), llarga))
        return "a G exponent one smaller, with every speed divided by 3.16 (the square root of 10), keeps the orbits' "
               "shapes and makes each 3.16 times slower: so it holds together over as many orbits";
    if (inf.energiaInicial >= 0.0 && AguantaSempre(frenat(std::sqrt(2.0), sistema.gexp), o))
        return "its energy is not negative, so it is not bound; with every speed divided by 1.41 (the square root of "
               "2) it holds together";
    return "";
}

// When no change preview tries helps: what is left to expect of it.
std::string SenseRemei(const InformePrevia& inf)
{
    std::string v = "nothing in the file can help: of what preview tried (a slower key, lighter small bodies, "
                    "slower orbits of the same shapes) none holds it together";
    if (!inf.perduts.empty())
        v += ". Point masses that pass close fling each other out, whatever their units: " +
             Cossos(inf.perduts.size()) + (inf.perduts.size() == 1 ? " leaves" : " leave") + " the view in these " +
             Segons(Durada(inf)) + " s";
    else if (!inf.separats.empty())
        v += ": " + Cossos(inf.separats.size()) + " no longer bound to " +
             (inf.separats.size() == 1 ? "its primary" : "their primaries") + " after " + Segons(Durada(inf)) + " s";
    return v;
}

}  // namespace

bool Aguanta(const InformePrevia& inf)
{
    return Problema(inf).empty();
}

Previsio Preveure(const Sistema& sistema, const OpcionsPrevia& o)
{
    Previsio p;
    OpcionsPrevia ideal = o;
    ideal.folga = 0.0;
    p.ideal = Previa(sistema, ideal);
    if (o.folga > 0.0) {
        OpcionsPrevia folga = o;
        folga.csv = nullptr;
        folga.fotograma = nullptr;
        p.ambFolga.push_back(Previa(sistema, folga));
    }
    if (!Aguanta(p.ideal) || (!p.ambFolga.empty() && !Aguanta(p.ambFolga[0])))
        p.consell = Consell(sistema, o, Aguanta(p.ideal) ? p.ambFolga[0] : p.ideal);
    return p;
}

void EscriureInforme(std::ostream& out, const std::string& nom, const Previsio& previsio)
{
    const InformePrevia& inf = previsio.ideal;
    out << nom << ": " << inf.cossos << (inf.cossos == 1 ? " body" : " bodies") << ", "
        << Segons(Durada(inf)) << " s at key " << inf.tecla
        << " (" << FactorDeNumero(inf.tecla).text << "): " << inf.passos
        << " steps of " << Xifra(inf.pas) << " s, " << TempsSimulat(static_cast<double>(inf.passos) * inf.pas)
        << " simulated\n";
    if (inf.senseLimit)
        out << "cycles of 1 ms: the file sets no period, and the program runs as fast as the machine lets it\n";
    else
        out << "cycles of " << inf.periodeMs << " ms, the limiter on and never late; a real run's long cycles "
               "take longer steps\n";
    out << "energy: " << Xifra(inf.energiaInicial, 10) << " at the start, " << Xifra(inf.energiaFinal, 10)
        << " at the end; " << TextDeriva("drift", inf.energia, true) << "\n";
    out << "momentum: (" << Xifra(inf.momentInicial[0]) << ", " << Xifra(inf.momentInicial[1])
        << ") at the start, (" << Xifra(inf.momentFinal[0]) << ", " << Xifra(inf.momentFinal[1])
        << ") at the end; " << TextDeriva("change", inf.moment, false) << " of the summed |m v|\n";
    if (inf.mostreig > 1)
        out << "measures: energy, momentum and passes every " << inf.mostreig << " steps, the view every step\n";

    if (!inf.vistaConeguda) {
        out << "view: the screen sets the window's size, so what leaves the view is not known here";
    } else {
        out << "view: ";
        if (!inf.foraInici.empty())
            out << inf.foraInici.size() << " of " << inf.cossos << " out of view from the start, not judged by it ("
                << Llista(inf.foraInici, [](int32_t cos) { return Nom(cos, nullptr); }) << "); ";
        if (inf.perduts.empty())
            out << "every body" << (inf.foraInici.empty() ? "" : " of the rest") << " is in view at the end";
        else
            out << inf.perduts.size() << " of "
                << (inf.foraInici.empty() ? std::to_string(inf.cossos) : std::string("the rest"))
                << " out of view at the end, left at: "
                << Llista(inf.perduts, [](const Sortida& s) { return Nom(s.cos, nullptr) + " " + Segons(s.quan) + " s"; });
    }
    if (inf.tornats > 0)
        out << "; " << inf.tornats << " left and came back";
    out << "\n";

    if (inf.mesProper.a < 0) {
        out << "closest approach: no two bodies apart\n";
    } else {
        out << "closest approach: " << Parell(inf.mesProper) << ", " << Passos(inf.mesProper.passosPerOrbita)
            << " steps per orbit (a hundred or more keep an orbit closed)\n";
        if (inf.mesEstret.a != inf.mesProper.a || inf.mesEstret.b != inf.mesProper.b)
            out << "fewest steps per orbit: " << Parell(inf.mesEstret) << ", "
                << Passos(inf.mesEstret.passosPerOrbita) << "\n";
    }
    if (inf.parells == 0) {
        out << "pairs: none bound at the start\n";
    } else {
        out << "pairs: " << inf.parells << " bound at the start";
        if (inf.separats.empty())
            out << ", each still bound at the end";
        else
            out << "; " << inf.separats.size() << " came apart: ";
        out << Llista(inf.separats, [](const Separacio& s) {
            return Nom(s.cos, nullptr) + " from " + Nom(s.primari, nullptr) + " at " + Segons(s.quan) + " s";
        }) << "\n";
    }

    const InformePrevia* folga = previsio.ambFolga.empty() ? nullptr : &previsio.ambFolga[0];
    const std::string problema = Problema(inf);
    const std::string problemaFolga = folga ? Problema(*folga) : std::string();
    if (folga)
        out << Folga(*folga) << ": " << (problemaFolga.empty() ? "holds together" : problemaFolga) << "\n";
    out << "verdict: ";
    if (problema.empty() && problemaFolga.empty()) {
        out << "holds together" << (folga ? ", with the slack too" : "") << "\n";
        return;
    }
    if (problema.empty())
        out << "holds together only on a machine that is never late; " << Folga(*folga) << " it " << problemaFolga;
    else
        out << problema;
    out << ": " << (previsio.consell.empty() ? SenseRemei(problema.empty() ? *folga : inf) : previsio.consell) << "\n";
}
