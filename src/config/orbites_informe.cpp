#include <algorithm>
#include <iomanip>
#include <string>
#include <vector>

#include "config/orbites.h"
#include "config/previa.h"
#include "config/xifres.h"
#include "lectura/constants.h"
#include "lectura/lectura.h"
#include "physics/factors.h"

// gen orbits' report: the units, the view, the table of orbits, what each
// key's runs found and the keys claimed.

namespace {

// An orbit narrower than this many pixels looks like one body with its parent.
constexpr double kOrbitaVisible = 4.0;

// Seconds, in Julian years where they reach one.
std::string Periode(double segons)
{
    return Durada(segons, 31557600.0);
}

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

// The orbits with their periods and steps per orbit at every key, every
// column as wide as what it holds.
void EscriureTaula(std::ostream& out, const SistemaOrbites& s)
{
    const Sistema& sis = s.sistema;
    const double cicle = 1.0 / PassosPerOrbita(sis, 1.0, 1);
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

}  // namespace

void EscriureProves(std::ostream& out, const SistemaOrbites& s)
{
    const Sistema& sis = s.sistema;
    if (s.proves.empty()) {
        out << "keys: not run, for " << sis.cossos.size() << " bodies are more than the " << kCossosProvats
            << " whose runs gen orbits makes; see one with particules-config preview --key K\n";
        return;
    }
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

void EscriureInformeOrbites(std::ostream& out, const SistemaOrbites& s)
{
    const Sistema& sis = s.sistema;
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
    if (s.orbites.empty())
        out << "no orbits: every key shows the same still body\n";
    else
        EscriureTaula(out, s);
    EscriureProves(out, s);
    for (const Orbita& o : s.orbites) {
        const bool fora = std::binary_search(s.foraInici.begin(), s.foraInici.end(), o.cos);
        if (o.amplePx < kOrbitaVisible && !fora)
            out << "note: " << s.noms[o.cos] << "'s orbit is " << Xifra(o.amplePx, 2)
                << " px across at the start zoom: it will look like one body with "
                << (o.grup >= 0 ? s.grups[o.grup] : s.noms[o.pare]) << "\n";
    }
}
