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

std::string TextPassos(double passos)
{
    if (passos >= 1000.0 || !(passos > 0.0))
        return Xifra(passos, 3);
    // Two figures, or the whole ones from ten, cut rather than rounded.
    const double escala = passos >= 10.0 ? 1.0 : std::pow(10.0, std::floor(std::log10(passos)) - 1.0);
    return Xifra(std::floor(passos / escala) * escala, 3);
}

const char* NomTecla(int tecla)
{
    static const char* const noms[kTecles] = {"1 s = 1 s",    "1 s = 1 hour",       "1 s = 1 day", "1 s = 15 days",
                                              "1 s = 1 month", "1 s = half a year", "1 s = 1 year"};
    return noms[tecla - 1];
}

namespace {

// A node of the tree: a body by its name or number, a group by its bodies'.
std::string NomDeNode(const InformePrevia& inf, int32_t node, const std::vector<std::string>* noms)
{
    if (noms != nullptr)
        return NomNode(inf.unions, inf.cossos, node, [&](int32_t c) { return (*noms)[c]; });
    if (node < inf.cossos)
        return Nom(node, nullptr);
    return "bodies " + NomNode(inf.unions, inf.cossos, node, [](int32_t c) { return std::to_string(c); });
}

// A join as an orbit: "moon round earth".
std::string Orbita(const InformePrevia& inf, int32_t unio, const std::vector<std::string>* noms)
{
    const Unio& u = inf.unions[unio];
    return NomDeNode(inf, u.satel, noms) + " round " + NomDeNode(inf, u.primari, noms);
}

// A join come apart: "moon from jupiter", when if asked, and where it went.
std::string Separat(const InformePrevia& inf, const Separacio& s, const std::vector<std::string>* noms,
                    bool quan = false)
{
    return NomDeNode(inf, s.cos, noms) + " from " + NomDeNode(inf, s.primari, noms) +
           (quan ? " at " + Segons(s.quan) + " s" : "") + (s.ara >= 0 ? ", now bound to " + Nom(s.ara, noms) : "");
}

// The pass under kPassosPerOrbita: of an orbit of the tree where its two
// bodies are the two sides of a join, with that orbit's figure at the start.
std::string PasEstret(const InformePrevia& inf, const std::vector<std::string>* noms)
{
    const Apropament& a = inf.mesEstret;
    const int32_t unio = UnioQueSepara(inf.unions, inf.cossos, a.a, a.b);
    const std::string pas = TextPassos(a.passosPerOrbita) + " steps per orbit";
    if (unio < 0 || (inf.unions[unio].satel >= inf.cossos && inf.unions[unio].primari >= inf.cossos))
        return "steps too long for the closest pass (" + pas + " of " +
               (noms ? Nom(a.a, noms) + " and " + Nom(a.b, noms)
                     : "bodies " + std::to_string(a.a) + " and " + std::to_string(a.b)) +
               ")";
    const std::string inici = TextPassos(inf.passosUnions[unio]);
    const std::string sota = ", under the " + Xifra(kPassosPerOrbita) + " that keep an orbit closed";
    if (inici == TextPassos(a.passosPerOrbita))
        return "steps too long for " + Orbita(inf, unio, noms) + " (" + pas + sota + ")";
    return "steps too long for " + Orbita(inf, unio, noms) + " (" + pas + " at its pass of " + Segons(a.quan) + " s" +
           sota + "; " + inici + " at the start)";
}

// Whose steps an energy drift is laid to: the orbit of the pass with the
// fewest steps where that pass is of a join's two sides, else the orbit
// with the fewest steps at the start, else that pass.
std::string DerivaDe(const InformePrevia& inf, const std::vector<std::string>* noms)
{
    const Apropament& a = inf.mesEstret;
    int32_t unio = a.a >= 0 ? UnioQueSepara(inf.unions, inf.cossos, a.a, a.b) : -1;
    if (unio < 0)
        unio = inf.unioEstreta;
    if (unio >= 0)
        return "steps too long for " + Orbita(inf, unio, noms) + " (" + TextPassos(inf.passosUnions[unio]) +
               " steps per orbit at the start)";
    return "steps too long for the closest pass (" + TextPassos(a.passosPerOrbita) + " steps per orbit of " +
           Nom(a.a, noms) + " and " + Nom(a.b, noms) + ")";
}

}  // namespace

std::string Previstes(const InformePrevia& inf, const std::vector<std::string>* noms)
{
    using Tipus = PerduaPrevista::Tipus;
    return Llista(inf.previstes, [&](const PerduaPrevista& p) {
        if (p.tipus == Tipus::UnLloc)
            return Nom(p.unio, noms) + " and " + Nom(p.altre, noms) + " start at one point";
        const Unio& u = inf.unions[p.unio];
        const std::string orbita = Orbita(inf, p.unio, noms);
        const std::string primari = NomDeNode(inf, u.primari, noms);
        if (p.tipus == Tipus::InestableP)
            return orbita + " comes within " + Xifra(p.abast, 3) + ", inside the " + Xifra(p.limit, 3) +
                   " that the pair leaves unstable";
        return orbita + " reaches " + Xifra(p.abast, 3) + ", past " +
               (p.tipus == Tipus::Hill ? primari + "'s Hill radius of " + Xifra(p.limit, 3) + " round " +
                                             NomDeNode(inf, p.altre, noms)
                                       : "the " + Xifra(p.limit, 3) + " that " + NomDeNode(inf, p.altre, noms) +
                                             " leaves stable round " + primari);
    });
}

std::string Problema(const InformePrevia& inf, const std::vector<std::string>* noms)
{
    std::string v;
    const auto afegir = [&](const std::string& text) { v += (v.empty() ? "" : "; ") + text; };
    const auto nom = [&](int32_t cos) { return Nom(cos, noms); };
    if (inf.deslligats > 0)
        afegir(std::to_string(inf.deslligats) + (inf.deslligats == 1 ? " pair is" : " pairs are") +
               " no longer bound at the start as " + (inf.deslligats == 1 ? "it was" : "they were"));
    if (!inf.perduts.empty())
        afegir("loses " + Cossos(inf.perduts.size()) +
               (noms ? " (" + Llista(inf.perduts, [&](const Sortida& s) { return nom(s.cos); }) + ")" : ""));
    if (!inf.separats.empty()) {
        const bool cossos = std::all_of(inf.separats.begin(), inf.separats.end(),
                                        [&](const Separacio& s) { return s.cos < inf.cossos; });
        const size_t n = inf.separats.size();
        afegir(std::to_string(n) + (cossos ? (n == 1 ? " body" : " bodies") : (n == 1 ? " part" : " parts")) +
               (n == 1 ? " comes apart from its primary" : " come apart from their primaries") +
               (noms ? " (" + Llista(inf.separats, [&](const Separacio& s) { return Separat(inf, s, noms); }) + ")"
                     : ""));
    }
    if (inf.mesEstret.passosPerOrbita < kPassosPerOrbita)
        afegir(PasEstret(inf, noms));
    else if (std::fabs(inf.energia.pitjor) > inf.derivaPermesa)
        afegir(DerivaDe(inf, noms) +               ": its energy drifts by " + AmbSigne(inf.energia.pitjor) + " at " + Segons(inf.energia.quanPitjor) +
               " s, past the " + Xifra(inf.derivaPermesa) + " that a sound run keeps within " +
               (Durada(inf) > 60.0 ? "in " + Segons(Durada(inf)) + " s (" + Xifra(kDerivaEnergia) + " a minute)"
                                   : std::string("a minute")));
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
    double quan = std::min({inf.quanEstret, inf.quanDeriva, Durada(inf)});
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
    o.unions = &inf.unions;
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
    const std::string previstes = Previstes(inf);
    std::string v = previstes.empty() ? "nothing in the file can help: of what preview tried (a slower key, lighter "
                                        "small bodies, slower orbits of the same shapes) none holds it together"
                                      : "it will not last, and nothing in the file can help: " + previstes;
    if (!inf.perduts.empty())
        v += ". Point masses that pass close fling each other out, whatever their units: " +
             Cossos(inf.perduts.size()) + (inf.perduts.size() == 1 ? " leaves" : " leave") + " the view in these " +
             Segons(Durada(inf)) + " s";
    else if (!inf.separats.empty())
        v += ": " + Cossos(inf.separats.size()) + " no longer bound to " +
             (inf.separats.size() == 1 ? "its primary" : "their primaries") + " after " + Segons(Durada(inf)) + " s";
    return v;
}

// Which bodies left the view, and when.
void EscriureVista(std::ostream& out, const InformePrevia& inf)
{
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
}

// The closest approach, the pass with the fewest steps, and the bound pairs.
void EscriureParells(std::ostream& out, const InformePrevia& inf)
{
    if (inf.mesProper.a < 0) {
        out << "closest approach: no two bodies apart\n";
    } else {
        out << "closest approach: " << Parell(inf.mesProper) << ", " << TextPassos(inf.mesProper.passosPerOrbita)
            << " steps per orbit (under a hundred are too few; more may still drift the energy)\n";
        if (inf.mesEstret.a != inf.mesProper.a || inf.mesEstret.b != inf.mesProper.b)
            out << "fewest steps per orbit: " << Parell(inf.mesEstret) << ", "
                << TextPassos(inf.mesEstret.passosPerOrbita) << "\n";
    }
    if (inf.parells == 0) {
        out << "pairs: none bound at the start\n";
    } else {
        out << "pairs: " << inf.parells << " bound at the start";
        if (inf.separats.empty())
            out << ", each still bound at the end";
        else
            out << "; " << inf.separats.size() << " came apart: ";
        out << Llista(inf.separats, [&](const Separacio& s) { return Separat(inf, s, nullptr, true); }) << "\n";
        if (inf.unioEstreta >= 0)
            out << "fewest steps per orbit of a bound pair at the start: " << Orbita(inf, inf.unioEstreta, nullptr)
                << ", " << TextPassos(inf.passosUnio) << "\n";
    }
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
    if (p.ideal.previstes.empty() && (!Aguanta(p.ideal) || (!p.ambFolga.empty() && !Aguanta(p.ambFolga[0]))))
        p.consell = Consell(sistema, o, Aguanta(p.ideal) ? p.ambFolga[0] : p.ideal);
    return p;
}

void EscriureInforme(std::ostream& out, const std::string& nom, const Previsio& previsio)
{
    const InformePrevia& inf = previsio.ideal;
    out << nom << ": " << inf.cossos << (inf.cossos == 1 ? " body" : " bodies") << ", "
        << Segons(Durada(inf)) << " s at key " << inf.tecla
        << " (" << NomTecla(inf.tecla) << "): " << inf.passos
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

    EscriureVista(out, inf);
    EscriureParells(out, inf);

    const InformePrevia* folga = previsio.ambFolga.empty() ? nullptr : &previsio.ambFolga[0];
    const std::string problema = Problema(inf);
    const std::string problemaFolga = folga ? Problema(*folga) : std::string();
    if (folga)
        out << Folga(*folga) << ": " << (problemaFolga.empty() ? "holds together" : problemaFolga) << "\n";
    // A loss the start foretells: the run says how long it keeps, never that
    // it holds.
    const std::string previstes = Previstes(inf);
    if (!previstes.empty())
        out << "foretold: " << previstes << "\n";
    const char* aguanta = previstes.empty() ? "holds together" : "keeps together for these " ;
    const std::string durada = previstes.empty() ? "" : Segons(Durada(inf)) + " s";
    out << "verdict: ";
    if (problema.empty() && problemaFolga.empty()) {
        out << aguanta << durada << (folga ? ", with the slack too" : "")
            << (previstes.empty() ? "" : ", but it will not last: " + previstes) << "\n";
        return;
    }
    if (problema.empty())
        out << aguanta << durada << " only on a machine that is never late; " << Folga(*folga) << " it "
            << problemaFolga;
    else
        out << problema;
    out << ": " << (previsio.consell.empty() ? SenseRemei(problema.empty() ? *folga : inf) : previsio.consell) << "\n";
}
