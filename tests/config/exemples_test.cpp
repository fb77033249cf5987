#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "config/comprovar.h"
#include "config/generar.h"
#include "config/orbites.h"
#include "config/previa.h"
#include "support/globals_net.h"

// What the examples are said to tolerate, in examples/*/tecles.txt, the table
// of docs/EXAMPLES.md and the man page, against preview with its slack.

namespace {

std::string Llegir(const std::string& cami)
{
    std::ifstream f(cami);
    std::stringstream text;
    text << f.rdbuf();
    return text.str();
}

// The keys tecles.txt says the example tolerates: "Key K ... the only one it
// tolerates", "tolerates keys A to B", or "no key holds it together".
std::vector<int> Tolerades(const std::string& tecles)
{
    std::smatch m;
    if (std::regex_search(tecles, m, std::regex("Key ([1-7]) [^.]*the only one it tolerates")))
        return {std::stoi(m[1])};
    if (std::regex_search(tecles, m, std::regex("tolerates keys ([1-7]) to ([1-7])"))) {
        std::vector<int> tecles;
        for (int k = std::stoi(m[1]); k <= std::stoi(m[2]); ++k)
            tecles.push_back(k);
        return tecles;
    }
    EXPECT_NE(tecles.find("no key holds it together"), std::string::npos) << tecles;
    return {};
}

bool Aguanten(const Sistema& sistema, int tecla)
{
    OpcionsPrevia o;
    o.tecla = tecla;
    if (!Aguanta(Previa(sistema, o)))
        return false;
    o.folga = kFolgaPerDefecte;
    return Aguanta(Previa(sistema, o));
}

class ConfigExamples : public AmbGlobalsNets, public ::testing::WithParamInterface<const char*> {};

}  // namespace

TEST_P(ConfigExamples, HoldTogetherWithTheSlackAtTheKeysTheyAreSaidToTolerateAndNotAtTheNext)
{
    const std::string nom = GetParam();
    const std::vector<int> tecles = Tolerades(Llegir(std::string(EXAMPLES_DIR) + "/" + nom + "/tecles.txt"));

    // The table of docs/EXAMPLES.md and the man page say the same.
    const std::string taula = tecles.empty()      ? "none"
                              : tecles.size() == 1 ? std::to_string(tecles[0]) + " only"
                                                   : "1 to " + std::to_string(tecles.back());
    const std::string exemples = Llegir(std::string(EXAMPLES_DIR) + "/../docs/EXAMPLES.md");
    const size_t fila = exemples.find("| `" + nom + "`");
    ASSERT_NE(fila, std::string::npos);
    const std::string linia = exemples.substr(fila, exemples.find('\n', fila) - fila);
    EXPECT_NE(linia.find("| " + taula), std::string::npos) << linia;
    const std::string manual = Llegir(std::string(EXAMPLES_DIR) + "/../docs/particules.6");
    const std::string dita = tecles.empty()      ? "no key holds it"
                             : tecles.size() == 1 ? "key " + std::to_string(tecles[0]) + " only"
                                                  : "keys 1 to " + std::to_string(tecles.back()) + " only";
    // The example's entry in the list of FILES; other sections name it too.
    const size_t fitxers = manual.find(".SH FILES");
    ASSERT_NE(fitxers, std::string::npos);
    const size_t entrada = manual.find(".B " + std::regex_replace(nom, std::regex("-"), "\\-") + "\n", fitxers);
    ASSERT_NE(entrada, std::string::npos);
    EXPECT_NE(manual.substr(entrada, 200).find(dita), std::string::npos) << manual.substr(entrada, 200);

    Sistema sistema;
    std::ifstream config(std::string(EXAMPLES_DIR) + "/" + nom + "/config.txt");
    ASSERT_TRUE(Comprovar(config, &sistema).empty());
    for (const int tecla : tecles)
        EXPECT_TRUE(Aguanten(sistema, tecla)) << "key " << tecla;
    const int seguent = tecles.empty() ? 1 : tecles.back() + 1;
    if (seguent <= 7) {
        EXPECT_FALSE(Aguanten(sistema, seguent)) << "key " << seguent;
    }
}

// An example written by gen orbits is what gen orbits writes now from the
// description beside it, with the --centre its comment names.
TEST_P(ConfigExamples, WrittenByGenOrbitsAreWhatItWritesNow)
{
    const std::string dir = std::string(EXAMPLES_DIR) + "/" + GetParam();
    const std::string descripcio = Llegir(dir + "/orbites.txt");
    if (descripcio.empty())
        GTEST_SKIP() << "not written by gen orbits";
    std::smatch centre;
    OpcionsOrbites o;
    if (std::regex_search(descripcio, centre, std::regex("gen orbits orbites.txt --centre (\\S+)")))
        o.centre = centre[1];
    std::istringstream in(descripcio);
    Troballes t;
    const auto s = GenerarOrbites(in, o, t);
    ASSERT_TRUE(s);
    std::ostringstream config;
    EscriureConfig(config, s->sistema, &s->noms);
    EXPECT_EQ(config.str(), Llegir(dir + "/config.txt"));
}

INSTANTIATE_TEST_SUITE_P(Each, ConfigExamples,
                         ::testing::Values("orbita", "sistema-solar", "vuit", "cumul", "binaria",
                                           "sistema-solar-complet"),
                         [](const auto& info) {
                             std::string nom = info.param;
                             nom.erase(std::remove(nom.begin(), nom.end(), '-'), nom.end());
                             return nom;
                         });
