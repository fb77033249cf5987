#include <cerrno>
#include <charconv>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "config/comprovar.h"
#include "config/generar.h"
#include "lectura/arxiu.h"
#include "lectura/constants.h"

namespace {

const char* const kUs =
    "usage: particules-config check [FILE | -]\n"
    "       particules-config --version\n"
    "       particules-config gen star|disc|cluster [-n N] [--seed S] [--window WxH] [--gexp E]\n"
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
    "         --gexp E      G = 6.7 x 10^E (-11)\n";

constexpr int kUsIncorrecte = 2;

int Us(const std::string& motiu)
{
    std::cerr << "particules-config: " << motiu << "\n" << kUs;
    return kUsIncorrecte;
}

// A whole argument as an integer in [minim, maxim], or false.
template <typename T>
bool Enter(const std::string& text, T minim, T maxim, T& valor)
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

int Comprova(int argc, char** argv)
{
    if (argc > 3)
        return Us("check takes one file");
    const std::string cami = argc == 3 ? argv[2] : "config.txt";
    // Standard input for "-"; a file opens as the program opens config.txt.
    std::optional<ArxiuConfig> arxiu;
    if (cami != "-")
        arxiu.emplace(cami);
    if (arxiu && !arxiu->obert()) {
        std::cout << cami << ": error: cannot be read; the program stops with \"no es pot "
                             "llegir l'arxiu\" and \"Número de partícules invàlid\"\n";
        return Escrit(1);
    }
    int errors = 0, notes = 0;
    for (const Avis& a : Comprovar(arxiu ? arxiu->flux() : std::cin)) {
        const bool error = a.gravetat == Avis::Gravetat::Error;
        (error ? errors : notes)++;
        std::cout << cami << ':' << a.linia << ':' << a.columna << ": "
                  << (error ? "error: " : "note: ") << a.text << '\n';
    }
    std::cout << cami << ": " << errors << (errors == 1 ? " error, " : " errors, ") << notes
              << (notes == 1 ? " note\n" : " notes\n");
    return Escrit(errors > 0 ? 1 : 0);
}

int Genera(int argc, char** argv)
{
    if (argc < 3)
        return Us("gen needs a kind: star, disc or cluster");
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
            bo = Enter<int32_t>(valor, 1, 1000000, o.n);
        } else if (opcio == "--seed") {
            bo = Enter<uint64_t>(valor, 0, UINT64_MAX, o.llavor);
        } else if (opcio == "--gexp") {
            bo = Enter<int32_t>(valor, -300, 300, o.gexp);
        } else if (opcio == "--window") {
            const size_t x = valor.find('x');
            bo = x != std::string::npos && Enter<int32_t>(valor.substr(0, x), 1, PANTALLA_MIDA_MAXIMA, o.amplada) &&
                 Enter<int32_t>(valor.substr(x + 1), 1, PANTALLA_MIDA_MAXIMA, o.altura);
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

}  // namespace

int main(int argc, char** argv)
{
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
    return Us("unknown command \"" + ordre + "\"");
}
