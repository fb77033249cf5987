#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "config/comprovar.h"
#include "config/dibuix.h"
#include "config/generar.h"
#include "config/orbites.h"
// The page's build has check and gen only: preview and speed need a window,
// libpng and OpenCL.
#ifndef __EMSCRIPTEN__
#include "config/arxiu_nou.h"
#include "config/imatge.h"
#include "config/previa.h"
#include "config/velocitat.h"
#endif
#include "config/xifres.h"
#include "lectura/arxiu.h"
#include "lectura/constants.h"
#include "lectura/fluxos.h"

namespace {

const char* const kUs =
    "usage: particules-config check [FILE | -]\n"
    "       particules-config --version\n"
    "       particules-config gen star|disc|cluster [-n N] [--seed S] [--window WxH] [--gexp E]\n"
    "       particules-config gen orbits FILE [--centre NAME]\n"
    "       particules-config gen drawing FILE\n"
    "       particules-config preview [FILE | -] [--seconds S] [--key 1..7] [--slack P]\n"
    "                                 [--png OUT.png] [--csv OUT.csv]\n"
    "       particules-config speed [-n N]\n"
    "\n"
    "check  reads FILE (config.txt by default, - for standard input) the way\n"
    "       particules does and reports, with line and column, what will not read\n"
    "       as written; exit 1 on errors.\n"
    "gen    writes a ready config.txt to standard output: a star with planets, a\n"
    "       disc of bodies round a heavy core, or a random cluster, in the\n"
    "       centre-of-mass frame and sized for the window.\n"
    "         -n N          bodies (star 6, disc 300, cluster 100)\n"
    "         --seed S      seed of the random choices (1); the same seed, the same file\n"
    "         --window WxH  window size in pixels (800x600)\n"
    "         --gexp E      G = 6.7 x 10^E (-11)\n"
    "gen orbits writes the system FILE describes (- for standard input), one body\n"
    "       a line in real units, NAME MASS kg|Mearth|Mjup|Msun [around PARENT\n"
    "       a DISTANCE m|km|AU] [e E] [at DEGREES] [retrograde], PARENT a body or\n"
    "       bodies joined by + (their centre), with the units, each orbit's steps\n"
    "       at every key, and the keys that a minute's run at each holds together\n"
    "       on standard error.\n"
    "         --centre NAME a body or A+B at the window's centre, at rest, and\n"
    "                       what goes round it filling the view\n"
    "gen drawing writes the system FILE draws, one body a line, NAME MASS X Y VX VY\n"
    "       in kg, m and m/s, y down, in gen orbits' units, and on standard error\n"
    "       the units and the keys that a minute's run at each holds together.\n"
    "preview steps FILE (config.txt by default) with the program's own step, each\n"
    "       cycle as long as its period, and again with cycles P % longer, and\n"
    "       reports energy, momentum, the bodies that leave the view, the bound\n"
    "       pairs that come apart, the closest pass, and a verdict with advice it\n"
    "       has tried; a file with errors gets check's report on standard error\n"
    "       and exit 1.\n"
    "         --seconds S   seconds of the program's clock (60)\n"
    "         --key K       the time key held from the start (1)\n"
    "         --slack P     per cent longer cycles of the second run, 0 for none (25)\n"
    "         --png OUT     the window after S seconds with trails on\n"
    "         --csv OUT     time, energy, momentum and bodies in view, a row a second\n"
    "speed  times every way this machine can step (each of the processor's paths,\n"
    "       every OpenCL device) on a disc of N bodies (4096), checks each through\n"
    "       the program's gate, and says which the program takes; an N that would\n"
    "       take more than a few minutes is refused.\n";

constexpr int kUsIncorrecte = 2;
const char* const kPista = "particules-config --help shows every command and option\n";

// A mistake in the command line: what it was, and where the usage is.
int Us(const std::string& motiu)
{
    std::cerr << "particules-config: " << motiu << "\n" << kPista << std::flush;
    return kUsIncorrecte;
}

// A whole argument as a number in [minim, maxim], or false.
template <typename T>
bool Nombre(const std::string& text, T minim, T maxim, T& valor)
{
    const char* fi = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), fi, valor);
    return ec == std::errc() && p == fi && valor >= minim && valor <= maxim;
}

// The status to end with once all that was written has reached standard
// output; a report or a config that did not arrive whole is a failure.
int Escrit(int estat)
{
    std::cout.flush();
    if (std::cout)
        return estat;
    const int error = errno;
    std::cerr << "particules-config: cannot write to standard output"
              << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << std::endl;
    return 1;
}

// The file a command reads: standard input for "-", otherwise opened as the
// program opens config.txt.
class Entrada {
public:
    explicit Entrada(const std::string& cami) : cami_(cami)
    {
        if (cami != "-")
            arxiu_.emplace(cami);
    }
    bool llegible() const { return !arxiu_ || arxiu_->obert(); }
    std::istream& flux() { return arxiu_ ? arxiu_->flux() : std::cin; }
    // The file, or none for standard input.
    const ArxiuConfig* arxiu() const { return arxiu_ ? &*arxiu_ : nullptr; }
    // What check says of a file that cannot be opened.
    std::string noLlegible() const
    {
        return cami_ + ": error: cannot be read (" + std::strerror(arxiu_->errorObertura()) +
               "); the program stops with \"no es pot llegir l'arxiu\" and \"Número de partícules invàlid\"\n";
    }

private:
    std::string cami_;
    std::optional<ArxiuConfig> arxiu_;
};

// check's report: every finding, then their count, which may count more
// than those given. Returns the errors.
int64_t EscriureAvisos(std::ostream& out, const std::string& cami, const std::vector<Avis>& avisos,
                       int64_t errors = -1, int64_t notes = -1)
{
    int64_t vistos[2] = {0, 0};
    for (const Avis& a : avisos) {
        const bool error = a.gravetat == Avis::Gravetat::Error;
        vistos[error]++;
        out << cami << ':' << a.linia << ':' << a.columna << ": " << (error ? "error: " : "note: ")
            << a.text << '\n';
    }
    errors = errors < 0 ? vistos[1] : errors;
    notes = notes < 0 ? vistos[0] : notes;
    out << cami << ": " << errors << (errors == 1 ? " error, " : " errors, ") << notes << (notes == 1 ? " note" : " notes");
    if (vistos[0] + vistos[1] < errors + notes)
        out << " (the first " << vistos[0] + vistos[1] << " shown)";
    out << "\n";
    return errors;
}

int Comprova(int argc, char** argv)
{
    if (argc > 3)
        return Us("check takes one file");
    const std::string cami = argc == 3 ? argv[2] : "config.txt";
    Entrada entrada(cami);
    if (!entrada.llegible()) {
        std::cout << entrada.noLlegible();
        return Escrit(1);
    }
    return Escrit(EscriureAvisos(std::cout, cami, Comprovar(entrada.flux())) > 0 ? 1 : 0);
}

#ifndef __EMSCRIPTEN__
// Why an output given to preview may not be written: it is the file that
// preview reads, whatever name or link it goes by, or the other output.
// Empty when it may.
std::string SobreLaPropia(const std::string& cami, std::initializer_list<std::pair<const char*, std::string>> sortides)
{
    const auto Cami = [](const std::string& nom, std::error_code& ec) {
        return std::filesystem::weakly_canonical(std::filesystem::absolute(nom, ec), ec);
    };
    struct stat entrada;
    const bool coneguda = cami == "-" ? fstat(STDIN_FILENO, &entrada) == 0 : stat(cami.c_str(), &entrada) == 0;
    const auto mateix = [](const struct stat& a, const struct stat& b) {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    };
    const std::pair<const char*, std::string>* abans = nullptr;
    struct stat estatAbans {};
    bool existiaAbans = false;
    for (const auto& sortida : sortides) {
        if (sortida.second.empty())
            continue;
        struct stat estat {};
        const bool existeix = stat(sortida.second.c_str(), &estat) == 0;
        if (existeix && coneguda && mateix(estat, entrada))
            return std::string(sortida.first) + " " + sortida.second + " is the file previewed" +
                   (cami == "-" ? " (standard input)" : "") + "; it would be overwritten";
        std::error_code ec;
        if (abans != nullptr &&
            (existeix && existiaAbans ? mateix(estat, estatAbans)
                                      : Cami(sortida.second, ec) == Cami(abans->second, ec)))
            return std::string(abans->first) + " and " + sortida.first + " name the same file";
        abans = &sortida;
        estatAbans = estat;
        existiaAbans = existeix;
    }
    return std::string();
}

// What preview was asked for on its command line.
struct PeticioPrevia {
    OpcionsPrevia o;
    std::string cami = "config.txt", png, csv;
};

// Each option of preview takes a value; false where the value is refused.
struct OpcioPrevia {
    const char* nom;
    bool (*llegir)(const std::string& valor, PeticioPrevia& p);
};

const OpcioPrevia kOpcionsPrevia[] = {
    {"--seconds", [](const std::string& v, PeticioPrevia& p) { return Nombre(v, 0.0, 1e6, p.o.segons); }},
    {"--key", [](const std::string& v, PeticioPrevia& p) { return Nombre(v, 1, 7, p.o.tecla); }},
    {"--slack", [](const std::string& v, PeticioPrevia& p) { return Nombre(v, 0.0, 1000.0, p.o.folga); }},
    {"--png", [](const std::string& v, PeticioPrevia& p) { p.png = v; return !v.empty(); }},
    {"--csv", [](const std::string& v, PeticioPrevia& p) { p.csv = v; return !v.empty(); }},
};

// The command line read into p; the status to end with where it is refused.
std::optional<int> LlegirPeticio(int argc, char** argv, PeticioPrevia& p)
{
    p.o.folga = kFolgaPerDefecte;
    bool ambCami = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (ambCami)
                return Us("preview takes one file");
            p.cami = arg;
            ambCami = true;
            continue;
        }
        const OpcioPrevia* opcio = nullptr;
        for (const OpcioPrevia& o : kOpcionsPrevia)
            if (arg == o.nom)
                opcio = &o;
        if (opcio == nullptr)
            return Us("unknown option " + arg);
        if (i + 1 >= argc)
            return Us(arg + " needs a value");
        const std::string valor = argv[++i];
        if (!opcio->llegir(valor, p))
            return Us("bad value \"" + valor + "\" for " + arg);
    }
    if (const std::string motiu = SobreLaPropia(p.cami, {{"--png", p.png}, {"--csv", p.csv}}); !motiu.empty())
        return Us(motiu);
    return std::nullopt;
}

int NoEs(const std::string& cami, const std::string& motiu)
{
    std::cerr << "particules-config: " << cami << ": " << motiu << std::endl;
    return 1;
}

// The file previewed read into sistema, with check's findings on standard
// error: the report is for a file that reads as written.
std::optional<int> LlegirSistema(const PeticioPrevia& p, Sistema& sistema)
{
    Entrada entrada(p.cami);
    if (!entrada.llegible()) {
        std::cerr << entrada.noLlegible();
        return 1;
    }
    std::vector<Avis> avisos;
    {
        // A file of a million bodies takes seconds to read.
        const ArxiuConfig* arxiu = entrada.arxiu();
        const LiniaProgres lectura(p.o.progres && arxiu != nullptr, [&](double) {
            const auto mb = [](int64_t bytes) { return std::to_string((bytes + 500000) / 1000000); };
            return "preview: reading " + p.cami + ", " + mb(arxiu->llegits()) +
                   (arxiu->mida() >= 0 ? " of " + mb(arxiu->mida()) : std::string()) + " MB";
        });
        avisos = Comprovar(entrada.flux(), &sistema);
    }
    if (!avisos.empty() && EscriureAvisos(std::cerr, p.cami, avisos) > 0)
        return 1;
    return std::nullopt;
}

// Each output is written beside its target and takes its place only once
// whole; opened before the run, so that one that cannot be written is said
// at once.
struct SortidesPrevia {
    ArxiuNou arxiuTaula, arxiuImatge;
    std::unique_ptr<BufferArxiu> bufferTaula;
    std::unique_ptr<std::ostream> taula;
    FinestraInvisible finestra;
};

std::optional<int> ObrirSortides(PeticioPrevia& p, const Sistema& sistema, SortidesPrevia& s)
{
    std::string error;
    if (!p.csv.empty()) {
        if (!s.arxiuTaula.obrir(p.csv, error))
            return NoEs(p.csv, error);
        s.bufferTaula = std::make_unique<BufferArxiu>(s.arxiuTaula.flux());
        s.taula = std::make_unique<std::ostream>(s.bufferTaula.get());
        p.o.csv = s.taula.get();
    }
    if (!p.png.empty() && !s.finestra.obrir(sistema.amplada, sistema.altura, error)) {
        std::cerr << "particules-config: no picture: " << error << std::endl;
        return 1;
    }
    if (!p.png.empty()) {
        if (!s.arxiuImatge.obrir(p.png, error))
            return NoEs(p.png, error);
        p.o.fotograma = FinestraInvisible::dibuixar;
    }
    return std::nullopt;
}

// The report on standard output and the outputs put in place; a report that
// did not arrive is a failed run, which replaces nothing.
int EscriureSortides(const PeticioPrevia& p, const Previsio& informe, SortidesPrevia& s)
{
    std::string error;
    EscriureInforme(std::cout, p.cami, informe);
    if (s.arxiuImatge.flux() != nullptr && !EscriurePng(s.arxiuImatge.flux(), error))
        return NoEs(p.png, error);
    if (!s.arxiuImatge.tancar(error))
        return NoEs(p.png, error);
    if (s.taula)
        s.taula->flush();
    if (!s.arxiuTaula.tancar(error))
        return NoEs(p.csv, error);
    std::cout.flush();
    if (!std::cout)
        return Escrit(0);
    if (!s.arxiuImatge.confirmar(error))
        return NoEs(p.png, error);
    if (!s.arxiuTaula.confirmar(error))
        return NoEs(p.csv, error);
    return Escrit(0);
}

int Previsualitza(int argc, char** argv)
{
    // Before anything is opened, and before SDL starts, which takes SIGINT and
    // SIGTERM only where no one else has.
    AturarEnSenyal();
    PeticioPrevia p;
    if (const auto estat = LlegirPeticio(argc, argv, p))
        return *estat;
    p.o.progres = isatty(STDERR_FILENO) == 1;
    Sistema sistema;
    if (const auto estat = LlegirSistema(p, sistema))
        return *estat;
    SortidesPrevia sortides;
    if (const auto estat = ObrirSortides(p, sistema, sortides))
        return *estat;

    Previsio informe;
    try {
        informe = Preveure(sistema, p.o);
    } catch (const std::bad_alloc&) {
        std::cerr << "particules-config: " << sistema.cossos.size() << " bodies do not fit in memory" << std::endl;
        return 1;
    }
    return EscriureSortides(p, informe, sortides);
}
#endif

// gen orbits and gen drawing: the config on standard output, the findings
// and the report on standard error, in one write: a description of a million
// lines has a report of a few hundred.
int GeneraOrbites(int argc, char** argv, bool dibuix)
{
    OpcionsOrbites opcions;
    std::string cami;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--centre" && !dibuix) {
            if (i + 1 >= argc)
                return Us("--centre needs a value");
            opcions.centre = argv[++i];
            if (opcions.centre.empty())
                return Us("bad value \"\" for --centre");
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return Us("unknown option " + arg);
        } else if (!cami.empty()) {
            return Us(std::string("gen ") + argv[2] + " takes one file");
        } else {
            cami = arg;
        }
    }
    if (cami.empty())
        return Us(std::string("gen ") + argv[2] + " takes one file");
    Entrada entrada(cami);
    if (!entrada.llegible()) {
        std::cerr << "particules-config: " << cami << ": " << std::strerror(errno) << std::endl;
        return 1;
    }
    Troballes troballes;
    auto sistema = dibuix ? GenerarDibuix(entrada.flux(), opcions, troballes)
                          : GenerarOrbites(entrada.flux(), opcions, troballes);
    std::ostringstream errors;
    if (!troballes.avisos.empty())
        EscriureAvisos(errors, cami, troballes.avisos, troballes.errors, troballes.notes);
    if (!troballes.centre.empty())
        errors << "particules-config: --centre " << opcions.centre << ": " << troballes.centre << "\n";
    if (sistema) {
        ProvarTecles(*sistema);
        if (dibuix)
            EscriureInformeDibuix(errors, *sistema);
        else
            EscriureInformeOrbites(errors, *sistema);
    }
    std::cerr << errors.str() << std::flush;
    if (!sistema)
        return 1;
    EscriureConfig(std::cout, sistema->sistema, &sistema->noms);
    return Escrit(0);
}

int Genera(int argc, char** argv)
{
    if (argc < 3)
        return Us("gen needs a kind: star, disc, cluster, orbits or drawing");
    if (std::string(argv[2]) == "orbits" || std::string(argv[2]) == "drawing")
        return GeneraOrbites(argc, argv, std::string(argv[2]) == "drawing");
    OpcionsGen o;
    const std::string tipus = argv[2];
    if (tipus == "star")
        o.tipus = Tipus::Estrella;
    else if (tipus == "disc")
        o.tipus = Tipus::Disc;
    else if (tipus == "cluster")
        o.tipus = Tipus::Cumul;
    else
        return Us("unknown kind \"" + tipus + "\"");

    for (int i = 3; i < argc; i += 2) {
        const std::string opcio = argv[i];
        if (opcio != "-n" && opcio != "--seed" && opcio != "--gexp" && opcio != "--window")
            return Us("unknown option " + opcio);
        if (i + 1 >= argc)
            return Us(opcio + " needs a value");
        const std::string valor = argv[i + 1];
        bool bo = false;
        if (opcio == "-n") {
            bo = Nombre<int32_t>(valor, 1, INT32_MAX, o.n);
            if (bo && o.n > NombreMaxim(o.tipus))
                return Us("bad value \"" + valor + "\" for -n: " + tipus + " takes at most " +
                          std::to_string(NombreMaxim(o.tipus)) + " bodies");
        } else if (opcio == "--seed") {
            bo = Nombre<uint64_t>(valor, 0, UINT64_MAX, o.llavor);
        } else if (opcio == "--gexp") {
            bo = Nombre<int32_t>(valor, -300, 300, o.gexp);
        } else if (opcio == "--window") {
            const size_t x = valor.find('x');
            bo = x != std::string::npos && Nombre<int32_t>(valor.substr(0, x), 1, PANTALLA_MIDA_MAXIMA, o.amplada) &&
                 Nombre<int32_t>(valor.substr(x + 1), 1, PANTALLA_MIDA_MAXIMA, o.altura);
        }
        if (!bo)
            return Us("bad value \"" + valor + "\" for " + opcio);
    }

    std::string error;
    const auto sistema = Generar(o, error);
    if (!sistema) {
        std::cerr << "particules-config: " << error << std::endl;
        return 1;
    }
    EscriureConfig(std::cout, *sistema);
    return Escrit(0);
}

#ifndef __EMSCRIPTEN__
int Mesura(int argc, char** argv)
{
    int32_t n = 4096;
    if (argc != 2 && (argc != 4 || std::string(argv[2]) != "-n"))
        return Us("speed takes only -n N");
    if (argc == 4 && !Nombre<int32_t>(argv[3], 2, 1000000, n))
        return Us(std::string("bad value \"") + argv[3] + "\" for -n");
    // An hour a step helps nobody: the most that takes a few minutes here.
    const EstimacioVelocitat estimacio = EstimarVelocitat(n);
    if (n > estimacio.maxim)
        return Us(std::string("bad value \"") + argv[3] + "\" for -n: speed would take about " +
                  Durada(estimacio.segons, 31536000.0) + " here; it takes at most " +
                  std::to_string(estimacio.maxim) + " bodies");
    return Escrit(Velocitat(std::cout, n));
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    AssegurarFluxosEstandard();
    if (argc < 2)
        return Us("a command is needed");
    const std::string ordre = argv[1];
    if (ordre == "--help" || ordre == "-h" || ordre == "help") {
        std::cout << kUs;
        return Escrit(0);
    }
    if (ordre == "--version") {
        std::cout << "particules-config " PARTICULES_VERSION "\n";
        return Escrit(0);
    }
    if (ordre == "check")
        return Comprova(argc, argv);
    if (ordre == "gen")
        return Genera(argc, argv);
#ifndef __EMSCRIPTEN__
    if (ordre == "preview")
        return Previsualitza(argc, argv);
    if (ordre == "speed")
        return Mesura(argc, argv);
#endif
    return Us("unknown command \"" + ordre + "\"");
}
