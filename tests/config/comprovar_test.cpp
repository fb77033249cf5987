#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/arrencada.h"
#include "app/globals.h"
#include "config/comprovar.h"
#include "support/globals_net.h"
#include "support/proces.h"

// particules-config check against the program itself: for each file of the
// malformed catalogue both are run, and what the check says will happen is
// what the program's echo and exit show.

namespace {

const std::string kCossos = "1 x 2 y 3 vx 4 vy 5 kg 6 px\n7 x 8 y 9 vx 10 vy 11 kg 12 px\n";

struct Cas {
    const char* nom;
    std::string config;
    int cossos;               // the count as the program reads it
    const char* culpable;     // the token the first error points at; "" for the end of the file
    const char* nomena = nullptr;  // the slip the first error names
    int zeroEscrit = -1;      // the value of the echo written as 0, which reads as written
};

// Every value of a file that reads as written is nonzero, so the first 0 in
// the echo is where reading failed.
const Cas kCataleg[] = {
    {"valid", "800 600 2 100 60 -11\n" + kCossos, 2, nullptr},
    {"crlf line ends and tabs", "800\t600 2 100 60 -11\r\n1 x 2 y 3 vx 4 vy 5 kg 6 px\r\n"
                                "7 x 8 y 9 vx 10 vy 11 kg 12 px\r\n", 2, nullptr},
    {"glued words", "800 600 2 100 60 -11\n1x 2y 3vx 4vy 5kg 6px\n7x 8y 9vx 10vy 11kg 12px", 2, nullptr},
    {"letters in the width", "eight 600 2 100 60 -11\n" + kCossos, 0, "eight"},
    {"letters in the height", "800 six 2 100 60 -11\n" + kCossos, 0, "six"},
    {"a unit glued to the width", "800px 600 2 100 60 -11\n" + kCossos, 0, "px"},
    {"letters in the count", "800 600 two 100 60 -11\n" + kCossos, 0, "two"},
    {"a width past 32 bits", "2147483648 600 2 100 60 -11\n" + kCossos, 0, "2147483648"},
    {"letters in the frame limit", "800 600 2 100 sixty -11\n" + kCossos, 2, "sixty"},
    {"letters in the G exponent", "800 600 2 100 60 minus\n" + kCossos, 2, "minus"},
    {"a fraction in the cycle limit", "800 600 2 100.5 60 -11\n" + kCossos, 2, ".5"},
    {"letters in a body", "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy 5 kg 6 px\n7 x eight y 9 vx "
                          "10 vy 11 kg 12 px\n", 2, "eight"},
    {"a double past its range", "800 600 2 100 60 -11\n1e400 x 2 y 3 vx 4 vy 5 kg 6 px\n", 2, "1e400"},
    {"a mass of 2^64", "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy 18446744073709551616 kg 6 px\n",
     2, "18446744073709551616"},
    {"a negative mass", "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy -5 kg 6 px\n", 2, "-5"},
    {"a mass of -0", "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy -0 kg 6 px\n" + kCossos.substr(28), 2,
     nullptr, nullptr, 9},
    {"a negative mass in exponent form", "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy -1e3 kg 6 px\n", 2,
     "-1e3", "it reads as 0 (\"-1\" is negative) and \"e3\" is thrown away"},
    {"a negative mass past 2^64 - 1", "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy -18446744073709551616 kg "
     "6 px\n", 2, "-18446744073709551616", "it and the 7 values after it read as 0"},
    {"the largest double", "800 600 2 100 60 -11\n1.7976931348623158e308 x 2 y 3 vx 4 vy 5 kg 6 px\n"
     + kCossos.substr(28), 2, nullptr},
    {"a double that rounds past the largest", "800 600 2 100 60 -11\n1.7976931348623159e308 x 2 y 3 vx "
     "4 vy 5 kg 6 px\n", 2, "1.7976931348623159e308", "rounds to at most 1.7976931348623157e308"},
    {"a diameter past float", "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy 5 kg 1e39 px\n", 2, "1e39"},
    {"a mass with a fraction", "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy 5.5 kg 6 px\n", 2, "kg"},
    {"a word of two characters before the fault", "800 600 2 100 60 -11\n1 ça 2 ŷ 3 vx 4 vy 5 kg "
                                                  "6 px 7 x huit\n", 2, "huit"},
    {"count larger than the records", "800 600 3 100 60 -11\n" + kCossos, 3, ""},
    {"header only", "800 600 2 100 60 -11\n", 2, ""},
    {"the file ends inside a body", "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy 5 kg 6 px\n7 x 8 y",
     2, ""},
    {"a header cut short", "800 600 2 100", 2, ""},
    {"the file ends before a word", "800 600 2 100 60 -11\n1 x 2", 2, ""},
    {"the words left out", "800 600 2 100 60 -11\n1 2 3 4 5 6\n7 8 9 10 11 12\n", 2, ""},
    {"an extra record", "800 600 1 100 60 -11\n" + kCossos, 1, "7"},
    {"extra text", "800 600 2 100 60 -11\n" + kCossos + "the end\n", 2, "the"},
    {"count 0", "800 600 0 100 60 -11\n" + kCossos, 0, "0"},
    {"a negative count", "800 600 -4 100 60 -11\n" + kCossos, 0, "-4"},
    {"a count too large for memory", "800 600 2147483647 100 60 -11\n" + kCossos, 0, "2147483647"},
    {"an empty file", "", 0, ""},
    {"only the last word missing", "800 600 1 100 60 -11\n1 x 2 y 3 vx 4 vy 5 kg 6", 1, nullptr},
    {"a header number missing", "800 600 2 100 60\n" + kCossos, 2, "x", "five numbers where six"},
    {"a decimal comma", "800 600 2 100 60 -11\n1,5 x 2 y 3 vx 4 vy 5 kg 6 px\n", 2, "1,5", "decimal comma"},
    {"a mass in exponent form", "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy 1e16 kg 6 px\n", 2, "1e16",
     "exponent form"},
    {"a negative width", "-5 600 2 100 60 -11\n" + kCossos, 2, "-5", "Error al iniciar"},
    {"a height past 32767", "800 40000 2 100 60 -11\n" + kCossos, 2, "40000", "Error al iniciar"},
    {"a UTF-8 byte-order mark", "\xef\xbb\xbf" "800 600 2 100 60 -11\n" + kCossos, 0, "\xef\xbb\xbf",
     "\"\\xef\\xbb\\xbf800\" does not read as the width (a whole number from -2147483648 to 2147483647); "
     "the file starts with a UTF-8 byte-order mark, which the program reads as part of the width"},
    {"a letter with an accent in a body", "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy 5 kg 6 px\n7 x \xc3\xa9" "8 y "
     "9 vx 10 vy 11 kg 12 px\n", 2, "\xc3\xa9", "\"\\xc3\\xa98\" does not read as"},
};

struct Diagnosi {
    int linia = 0, columna = 0;
    std::string gravetat, text;
};

std::vector<Diagnosi> Diagnosis(const std::string& sortida)
{
    std::vector<Diagnosi> d;
    std::istringstream in(sortida);
    std::string l;
    while (std::getline(in, l)) {
        Diagnosi x;
        char gravetat[8] = {};
        int llegits = 0;
        if (std::sscanf(l.c_str(), "config.txt:%d:%d: %7[a-z]: %n", &x.linia, &x.columna, gravetat,
                        &llegits) == 3 && llegits > 0) {
            x.gravetat = gravetat;
            x.text = l.substr(llegits);
            d.push_back(x);
        }
    }
    return d;
}

// The byte where a line and a column (in characters) fall.
size_t Posicio(const std::string& text, int linia, int columna)
{
    size_t i = 0;
    for (int l = 1; l < linia; ++l)
        i = text.find('\n', i) + 1;
    for (int c = 1; c < columna; ++i)
        if ((static_cast<unsigned char>(text[i + 1]) & 0xC0) != 0x80)
            ++c;
    return i;
}

// Where in the order of reading (six header values, then six per body) a
// diagnostic says values start to read as 0; -1 when it says nothing of it.
int ZeroDesDe(const std::string& text)
{
    static const char* const capcalera[] = {"width", "height", "body count",
                                            "cycle limit", "frame limit", "G exponent"};
    static const char* const camps[] = {"x", "y", "vx", "vy", "mass", "diameter"};
    const auto conte = [&](const std::string& tros) { return text.find(tros) != std::string::npos; };
    if (!conte("read as 0") && !conte("reads as 0") && !conte("read as zeros") &&
        !conte("reads as zeros"))
        return -1;
    const std::string fi = "file ends after ";
    if (conte(fi))
        return 6 + 6 * std::stoi(text.substr(text.find(fi) + fi.size()));
    const size_t cos = text.find(" of body ");
    if (cos != std::string::npos) {
        const size_t inici = text.rfind(' ', cos - 1) + 1;
        for (int c = 0; c < 6; ++c)
            if (text.compare(inici, cos - inici, camps[c]) == 0)
                return 6 + 6 * std::stoi(text.substr(cos + 9)) + c + (conte("word after") ? 1 : 0);
    }
    for (int i = 0; i < 6; ++i)
        if (conte(std::string("the ") + capcalera[i]))
            return i;
    return -2;
}

// Every number of the echo, in order: five of the header (G's exponent is not
// echoed), six of each body.
std::vector<double> ValorsEco(const std::string& eco, int& linies)
{
    std::vector<double> valors;
    std::istringstream in(eco);
    std::string token;
    linies = 0;
    for (char c : eco)
        linies += c == '\n';
    while (in >> token) {
        std::istringstream t(token);
        double v = 0.0;
        if (t >> v && t.peek() == EOF)
            valors.push_back(v);
    }
    return valors;
}

Execucio Executa(const std::string& programa, const DirectoriTemporal& dir,
                 std::vector<std::string> arguments, int liniesFinsTancar)
{
    OpcionsExecucio o;
    o.directori = dir.cami();
    o.arguments = std::move(arguments);
    o.entorn = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    o.liniesFinsTancar = liniesFinsTancar;
    return Executar(programa, o);
}

TEST(ConfigCheck, AgreesWithWhatTheProgramReadsOnTheMalformedCatalogue)
{
    for (const Cas& cas : kCataleg) {
        SCOPED_TRACE(cas.nom);
        DirectoriTemporal dir;
        dir.escriure("config.txt", cas.config);
        const Execucio comprovacio = Executa(PARTICULES_CONFIG_BIN, dir, {"check"}, -1);
        EXPECT_EQ(comprovacio.errors, "");
        std::vector<Diagnosi> errors;
        for (const Diagnosi& d : Diagnosis(comprovacio.sortida))
            if (d.gravetat == "error")
                errors.push_back(d);
        // The message the program stops with, if the check says it stops.
        std::string atura;
        for (const Diagnosi& d : errors)
            for (const char* missatge : {"Número de partícules invàlid", "Error al iniciar"})
                if (atura.empty() && d.text.find(missatge) != std::string::npos)
                    atura = missatge;
        // A program that stops must do so by itself: it is asked to close only
        // when the check says it runs.
        const Execucio programa = Executa(PARTICULES_BIN, dir, {}, atura.empty() ? 1 + cas.cossos : -1);
        ASSERT_FALSE(programa.esgotat);
        EXPECT_EQ(comprovacio.estat, errors.empty() ? 0 : 1) << comprovacio.sortida;
        if (cas.culpable == nullptr) {
            EXPECT_TRUE(errors.empty()) << comprovacio.sortida;
        } else {
            ASSERT_FALSE(errors.empty()) << comprovacio.sortida;
            const size_t pos = Posicio(cas.config, errors[0].linia, errors[0].columna);
            const std::string culpable = cas.culpable;
            if (culpable.empty()) {
                EXPECT_EQ(pos, cas.config.size()) << errors[0].text;
            } else {
                EXPECT_EQ(cas.config.compare(pos, culpable.size(), culpable), 0) << errors[0].text;
            }
            if (cas.nomena != nullptr) {
                EXPECT_NE(errors[0].text.find(cas.nomena), std::string::npos) << errors[0].text;
            }
        }

        // preview refuses what check finds wrong, with check's own words.
        const Execucio previa = Executa(PARTICULES_CONFIG_BIN, dir, {"preview", "--seconds", "0"}, -1);
        EXPECT_EQ(previa.estat, errors.empty() ? 0 : 1) << previa.errors;
        if (!errors.empty()) {
            EXPECT_EQ(previa.errors, comprovacio.sortida);
            EXPECT_EQ(previa.sortida, "");
        }

        if (!atura.empty()) {
            EXPECT_EQ(programa.estat, 1);
            EXPECT_NE(programa.errors.find(atura + "\n"), std::string::npos) << programa.errors;
            continue;
        }
        EXPECT_EQ(programa.estat, 0) << programa.errors;
        int linies = 0;
        const std::vector<double> valors = ValorsEco(programa.sortida, linies);
        EXPECT_EQ(linies, 1 + cas.cossos) << "an extra record is never read";
        ASSERT_EQ(valors.size(), 5u + 6u * cas.cossos) << programa.sortida;
        // Which values of the echo the errors say read as 0: one alone, or it
        // and all after it. The echo leaves out G's exponent, the sixth read.
        std::vector<bool> zeros(valors.size(), false);
        for (const Diagnosi& d : errors) {
            const int zero = ZeroDesDe(d.text);
            ASSERT_NE(zero, -2) << "an error that reads as 0 names no value: " << d.text;
            if (zero < 0)
                continue;
            const bool sol = d.text.find("after it read as 0") == std::string::npos &&
                             d.text.find("as zeros") == std::string::npos;
            if (sol && zero != 5)
                zeros.at(zero < 5 ? zero : zero - 1) = true;
            for (size_t i = zero <= 5 ? zero : zero - 1; !sol && i < zeros.size(); ++i)
                zeros[i] = true;
        }
        for (size_t i = 0; i < valors.size(); ++i)
            EXPECT_EQ(valors[i] == 0.0, zeros[i] || static_cast<int>(i) == cas.zeroEscrit)
                << "value " << i << " of the echo\n"
                                                  << programa.sortida;
    }
}

// What cannot be opened is said so; a directory or a FIFO with no writer
// opens at once and reads as an empty file, as in the program.
TEST(ConfigCheck, OpensTheFileAsTheProgramDoes)
{
    DirectoriTemporal dir;
    const Execucio sense = Executa(PARTICULES_CONFIG_BIN, dir, {"check"}, -1);
    EXPECT_EQ(sense.estat, 1);
    EXPECT_NE(sense.sortida.find("no es pot llegir l'arxiu"), std::string::npos);
    EXPECT_NE(sense.sortida.find(std::strerror(ENOENT)), std::string::npos) << sense.sortida;
    dir.escriure("config.txt", "");
    const Execucio buit = Executa(PARTICULES_CONFIG_BIN, dir, {"check"}, -1);
    std::filesystem::remove(dir.cami() + "/config.txt");
    EXPECT_EQ(buit.estat, 1);
    for (const auto crear : {+[](const char* c) { return mkdir(c, 0755); },
                             +[](const char* c) { return mkfifo(c, 0644); }}) {
        ASSERT_EQ(crear((dir.cami() + "/config.txt").c_str()), 0);
        const Execucio r = Executa(PARTICULES_CONFIG_BIN, dir, {"check", "config.txt"}, -1);
        std::filesystem::remove(dir.cami() + "/config.txt");
        EXPECT_FALSE(r.esgotat);
        EXPECT_EQ(r.estat, 1);
        EXPECT_EQ(r.sortida, buit.sortida);
    }
}

// A FIFO swapped in for the file again and again while check opens it: the
// kind is looked at on what was opened, so no run waits on the FIFO.
TEST(ConfigCheck, AFifoSwappedInWhileOpeningNeverHangs)
{
    DirectoriTemporal dir;
    dir.escriure("config.txt", "800 600 1 100 60 -11\n1 x 2 y 3 vx 4 vy 5 kg 6 px\n");
    ASSERT_EQ(mkfifo((dir.cami() + "/fifo").c_str(), 0644), 0);
    std::atomic<bool> prou{false};
    std::thread canvis([&] {
        while (!prou)
            renameat2(AT_FDCWD, (dir.cami() + "/config.txt").c_str(), AT_FDCWD,
                      (dir.cami() + "/fifo").c_str(), RENAME_EXCHANGE);
    });
    int esgotats = 0;
    for (int k = 0; k < 100; ++k) {
        OpcionsExecucio o;
        o.directori = dir.cami();
        o.arguments = {"check"};
        o.limitMs = 60000;  // a hang, not a slow machine
        esgotats += Executar(PARTICULES_CONFIG_BIN, o).esgotat;
    }
    prou = true;
    canvis.join();
    EXPECT_EQ(esgotats, 0);
}

class ConfigCheckNotes : public AmbGlobalsNets {};

// Notes show what reads but is likely not meant, and do not fail the check.
TEST_F(ConfigCheckNotes, DiametersWithAFractionAreNotedWithTheSizeTheProgramDraws)
{
    const std::string config = "800 600 3 100 60 -11\n1 x 2 y 3 vx 4 vy 5 kg 2.9 px\n"
                               "1 x 2 y 3 vx 4 vy 5 kg 12 px\n1 x 2 y 3 vx 4 vy 5 kg 0.5 px\n";
    const std::vector<Avis> avisos = Comprovar(config);
    ASSERT_EQ(avisos.size(), 2u);
    ASSERT_TRUE(CarregarConfig(config));
    const int cossos[] = {0, 2};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(avisos[i].gravetat, Avis::Gravetat::Nota);
        EXPECT_EQ(avisos[i].linia, 2 + cossos[i]);
        EXPECT_EQ(avisos[i].columna, 24);
        EXPECT_NE(avisos[i].text.find("drawn as " + std::to_string(particules[cossos[i]].retornarmida())),
                  std::string::npos) << avisos[i].text;
    }
}

TEST_F(ConfigCheckNotes, ManyOfAKindAreCountedAfterTheFirstFive)
{
    std::string config = "800 600 9 100 60 -11\n";
    for (int i = 0; i < 9; ++i)
        config += "1 x 2 y 3 vx 4 vy 5 kg 2.5 px\n";
    const std::vector<Avis> avisos = Comprovar(config);
    ASSERT_EQ(avisos.size(), 6u);
    EXPECT_EQ(avisos[5].text.find("4 more like"), 0u) << avisos[5].text;
    EXPECT_EQ(avisos[5].linia, 10);
}

// Sizes the program always refuses are errors (the catalogue runs them);
// those it takes but a person would not mean, or an X server refuses, notes.
TEST_F(ConfigCheckNotes, WindowSizesTheScreenOrTheXServerDecide)
{
    const struct {
        const char* mida;
        int notes;
        const char* diu;
    } casos[] = {
        {"0 600", 1, "as wide as the screen"}, {"800 0", 1, "as high as the screen"},
        {"16384 600", 1, "X server refuses a line of 16384"}, {"32767 600", 1, "X server"},
        {"16383 600", 0, ""}, {"800 32767", 0, ""},
    };
    for (const auto& c : casos) {
        const std::vector<Avis> avisos =
            Comprovar(std::string(c.mida) + " 2 100 60 -11\n" + kCossos);
        ASSERT_EQ(static_cast<int>(avisos.size()), c.notes) << c.mida;
        for (const Avis& a : avisos) {
            EXPECT_EQ(a.gravetat, Avis::Gravetat::Nota) << c.mida;
            EXPECT_NE(a.text.find(c.diu), std::string::npos) << a.text;
        }
    }
}

// The input is read in pieces and never kept whole: hundreds of megabytes
// of blank lines and one word as long pass in far less memory, and the
// place reported is still exact. /dev/zero, endless, stops at its first byte.
TEST(ConfigCheck, StreamsInputOfAnyLengthInMemoryThatDoesNotGrow)
{
#if defined(__SANITIZE_ADDRESS__)
    const std::string limit = "";  // ASan reserves far more address space than any bound
#else
    const std::string limit = "ulimit -v 65536; ";
#endif
    DirectoriTemporal dir;
    OpcionsExecucio o;
    o.directori = dir.cami();
    const std::string linia = "800 600 1 100 60 -11 1 x 2 y 3 vx 4 vy 5 kg 6 ";
    o.arguments = {"-c", limit + "{ head -c 150000000 /dev/zero | tr '\\0' '\\n'; printf '" + linia +
                             "'; head -c 100000000 /dev/zero | tr '\\0' w; printf ' the end'; } | "
                             "\"$0\" check -", PARTICULES_CONFIG_BIN};
    const Execucio r = Executar("/bin/sh", o);
    EXPECT_EQ(r.estat, 1) << r.errors;
    EXPECT_EQ(r.errors, "");
    // "the" after the line, the long word and a blank.
    const std::string columna = std::to_string(linia.size() + 100000000 + 2);
    EXPECT_EQ(r.sortida, "-:150000001:" + columna + ": error: extra text after the last body "
                         "(2 tokens); the program never reads it\n-: 1 error, 0 notes\n");

    o.arguments = {"-c", limit + "\"$0\" check - </dev/zero", PARTICULES_CONFIG_BIN};
    const Execucio zeros = Executar("/bin/sh", o);
    EXPECT_EQ(zeros.estat, 1);
    EXPECT_EQ(zeros.sortida.find('\0'), std::string::npos) << "a report of binary input is text";
    EXPECT_EQ(zeros.sortida.rfind("-:1:1: error: \"\\x00\\x00", 0), 0u) << zeros.sortida;
}

TEST(ConfigCheckUsage, MistakesExitWith2AndSayWhy)
{
    DirectoriTemporal dir;
    const std::vector<std::vector<std::string>> dolents = {
        {}, {"chek"}, {"check", "a", "b"}, {"gen"}, {"gen", "spiral"}, {"gen", "disc", "-n"},
        {"gen", "disc", "-n", "0"}, {"gen", "disc", "-n", "12x"}, {"gen", "disc", "--window", "800"},
        {"gen", "disc", "--window", "0x600"}, {"gen", "disc", "--gexp", "-1e3"},
        {"gen", "disc", "--size", "3"}, {"gen", "star", "--bogus"}, {"preview", "a", "b"},
        {"preview", "--key", "8"}, {"preview", "--key", "0"}, {"preview", "--seconds", "-1"},
        {"preview", "--seconds", "1e7"}, {"preview", "--seconds", "1s"}, {"preview", "--png"},
        {"preview", "--csv", ""}, {"preview", "--fast"}, {"preview", "--slack", "-1"},
        {"preview", "--slack", "1001"}, {"preview", "--key"}};
    for (const auto& arguments : dolents) {
        const Execucio r = Executa(PARTICULES_CONFIG_BIN, dir, arguments, -1);
        EXPECT_EQ(r.estat, 2);
        EXPECT_EQ(r.sortida, "");
        EXPECT_EQ(r.errors.rfind("particules-config: ", 0), 0u) << r.errors;
        // The mistake in a line, then where the usage is; not the whole help.
        const std::string pista = "\nparticules-config --help shows every command and option\n";
        EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), '\n'), 2) << r.errors;
        EXPECT_EQ(r.errors.size() > pista.size() ? r.errors.substr(r.errors.size() - pista.size()) : "", pista);
    }
    EXPECT_EQ(Executa(PARTICULES_CONFIG_BIN, dir, {"gen", "star", "--bogus"}, -1).errors.find(
                  "particules-config: unknown option --bogus\n"), 0u);
    const Execucio ajuda = Executa(PARTICULES_CONFIG_BIN, dir, {"--help"}, -1);
    EXPECT_EQ(ajuda.estat, 0);
    EXPECT_EQ(ajuda.sortida.rfind("usage: particules-config", 0), 0u);
    const Execucio versio = Executa(PARTICULES_CONFIG_BIN, dir, {"--version"}, -1);
    EXPECT_EQ(versio.estat, 0);
    EXPECT_EQ(versio.sortida.rfind("particules-config 1.", 0), 0u) << versio.sortida;
}

// Output that cannot be written is a failure with a message, whatever the command.
TEST(ConfigCheckUsage, AFullDiskFailsWithAMessage)
{
    DirectoriTemporal dir;
    dir.escriure("config.txt", "800 600 2 100 60 -11\n" + kCossos);
    for (const char* ordre : {"check", "check config.txt", "gen star", "gen disc -n 5000", "--help",
                              "--version"}) {
        const Execucio r = Executa("/bin/sh", dir, {"-c", std::string("\"$0\" ") + ordre + " >/dev/full",
                                                    PARTICULES_CONFIG_BIN}, -1);
        EXPECT_EQ(r.estat, 1) << ordre;
        EXPECT_EQ(r.errors.rfind("particules-config: cannot write to standard output", 0), 0u)
            << ordre << ": " << r.errors;
    }
    // A picture that cannot be written fails, and the device it was sent to
    // is left where it was.
    const Execucio r = Executa(PARTICULES_CONFIG_BIN, dir, {"preview", "--seconds", "0", "--png", "/dev/full"}, -1);
    EXPECT_EQ(r.estat, 1);
    EXPECT_EQ(r.errors.rfind("particules-config: /dev/full: ", 0), 0u) << r.errors;
    struct stat estat;
    EXPECT_TRUE(stat("/dev/full", &estat) == 0 && S_ISCHR(estat.st_mode)) << "/dev/full was removed";
}

}  // namespace
