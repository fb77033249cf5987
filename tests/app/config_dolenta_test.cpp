#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "app/arrencada.h"
#include "lectura/lectura.h"
#include "physics/particula.h"
#include "physics/pas_rapid.h"
#include "support/proces.h"

// The catalogue of malformed configuration files, as a user would hand them
// to the real program. Each ends either with a message and status 1, or runs
// with the documented default: a read that fails gives 0 for its value and
// for every value after it. particules(6) lists the same cases.

namespace {

const std::string kNoEsPot = "no es pot llegir l'arxiu\n";
const std::string kInvalid = "Número de partícules invàlid\n";
const std::string kCapcaleraZero =
    "Pantalla X: 0 Pantalla Y: 0 N particules: 0 Cicles: 0 FPS: 0\n";
const std::string kCapcalera800 =
    "Pantalla X: 800 Pantalla Y: 600 N particules: 2 Cicles: 100 FPS: 60\n";
const std::string kCosZero =
    "Pos X: 0 | Pos Y: 0 | Vel X: 0 | Vel Y: 0 | Massa: 0 | Diametre: 0\n";

// Runs the program in dir; once the echo holds liniesEco lines the run loop
// is asked to quit, as closing the window would.
Execucio Engegar(const DirectoriTemporal& dir, int liniesEco,
                 const std::string& programa = PARTICULES_BIN)
{
    OpcionsExecucio o;
    o.directori = dir.cami();
    o.entorn = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    o.liniesFinsTancar = liniesEco;
    return Executar(programa, o);
}

Execucio AmbConfig(const std::string& config, int liniesEco)
{
    DirectoriTemporal dir;
    dir.escriure("config.txt", config);
    return Engegar(dir, liniesEco);
}

void EsperaRebuig(const Execucio& r, const std::string& sortida, const std::string& errors)
{
    EXPECT_FALSE(r.esgotat);
    EXPECT_EQ(r.sortida, sortida);
    EXPECT_EQ(r.errors, errors);
    EXPECT_EQ(r.estat, 1);
}

void EsperaExecucio(const Execucio& r, const std::string& sortida)
{
    EXPECT_FALSE(r.esgotat);
    EXPECT_EQ(r.sortida, sortida);
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(r.estat, 0);
}

// What /proc/meminfo calls MemAvailable, in bytes; 0 where it is missing.
double MemoriaLliure()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string clau;
    double kb = 0.0;
    while (meminfo >> clau >> kb)
        if (clau == "MemAvailable:")
            return kb * 1024.0;
        else
            meminfo.ignore(256, '\n');
    return 0.0;
}

// What one body takes at start-up: its element and its share of the step's
// columns.
double BytesPerCos()
{
    constexpr int32_t n = 1 << 20;
    return sizeof(Particula) + static_cast<double>(MemoriaPas(n)) / n;
}

// Seeded bytes that cannot start a number or a blank, then anything at all.
std::string Escombraries(size_t mida, unsigned llavor)
{
    std::mt19937 gen(llavor);
    std::string s(mida, '\0');
    for (char& c : s)
        c = static_cast<char>(gen() & 0xff);
    s[0] = '\xff';
    return s;
}

}  // namespace

TEST(MalformedConfig, EmptyFileReadsAsAllZerosAndIsRefused)
{
    EsperaRebuig(AmbConfig("", -1), kCapcaleraZero, kInvalid);
}

TEST(MalformedConfig, HeaderOnlyGivesBodiesOfZeros)
{
    EsperaExecucio(AmbConfig("800 600 2 100 60 -11\n", 3),
                   kCapcalera800 + "0: " + kCosZero + "1: " + kCosZero);
}

TEST(MalformedConfig, LettersInTheHeaderZeroTheRestAndTheCount)
{
    EsperaRebuig(AmbConfig("800 six 2 100 60 -11\n0 x 0 y 0 vx 0 vy 1 kg 1 px\n", -1),
                 "Pantalla X: 800 Pantalla Y: 0 N particules: 0 Cicles: 0 FPS: 0\n", kInvalid);
}

TEST(MalformedConfig, LettersInABodyZeroItFromThereOn)
{
    EsperaExecucio(AmbConfig("800 600 2 100 60 -11\n"
                             "1 x two y 3 vx 4 vy 5 kg 6 px\n"
                             "7 x 8 y 9 vx 10 vy 11 kg 12 px\n",
                             3),
                   kCapcalera800
                       + "0: Pos X: 1 | Pos Y: 0 | Vel X: 0 | Vel Y: 0 | Massa: 0 | Diametre: 0\n"
                       + "1: " + kCosZero);
}

TEST(MalformedConfig, IntegersPastInt32ReadAsZero)
{
    // 2^31 for the width: nothing after it is read.
    EsperaRebuig(AmbConfig("2147483648 600 2 100 60 -11\n", -1), kCapcaleraZero, kInvalid);
    // 2^32 + 1 for the count: not wrapped round to 1.
    EsperaRebuig(AmbConfig("800 600 4294967297 100 60 -11\n", -1),
                 "Pantalla X: 800 Pantalla Y: 600 N particules: 0 Cicles: 0 FPS: 0\n", kInvalid);
}

TEST(MalformedConfig, BodyValuesPastTheirTypeReadAsZero)
{
    const std::string cos1 = "1: Pos X: 1 | Pos Y: 2 | Vel X: 3 | Vel Y: 4 | Massa: 5 | Diametre: 6\n";
    // A double past 1.8e308.
    EsperaExecucio(AmbConfig("800 600 2 100 60 -11\n1e400 x 1 y 1 vx 1 vy 1 kg 1 px\n", 3),
                   kCapcalera800 + "0: " + kCosZero + "1: " + kCosZero);
    // A mass of 2^64: not wrapped round to 0 and read on.
    EsperaExecucio(AmbConfig("800 600 2 100 60 -11\n"
                             "1 x 1 y 1 vx 1 vy 18446744073709551616 kg 1 px\n"
                             "1 x 2 y 3 vx 4 vy 5 kg 6 px\n",
                             3),
                   kCapcalera800
                       + "0: Pos X: 1 | Pos Y: 1 | Vel X: 1 | Vel Y: 1 | Massa: 0 | Diametre: 0\n"
                       + "1: " + kCosZero);
    // A minus sign on a mass: that mass is 0, nothing else is lost.
    EsperaExecucio(AmbConfig("800 600 2 100 60 -11\n"
                             "1 x 1 y 1 vx 1 vy -5 kg 1 px\n"
                             "1 x 2 y 3 vx 4 vy 5 kg 6 px\n",
                             3),
                   kCapcalera800
                       + "0: Pos X: 1 | Pos Y: 1 | Vel X: 1 | Vel Y: 1 | Massa: 0 | Diametre: 1\n"
                       + cos1);
    // A diameter past the float range; the body after it is lost too.
    EsperaExecucio(AmbConfig("800 600 2 100 60 -11\n"
                             "1 x 1 y 1 vx 1 vy 1 kg 1e39 px\n"
                             "1 x 2 y 3 vx 4 vy 5 kg 6 px\n",
                             3),
                   kCapcalera800
                       + "0: Pos X: 1 | Pos Y: 1 | Vel X: 1 | Vel Y: 1 | Massa: 1 | Diametre: 0\n"
                       + "1: " + kCosZero);
    // Below the smallest normal double is still a number, kept as it is.
    EsperaExecucio(AmbConfig("800 600 2 100 60 -11\n"
                             "1e-320 x 1 y 1 vx 1 vy 1 kg 1 px\n"
                             "1 x 2 y 3 vx 4 vy 5 kg 6 px\n",
                             3),
                   kCapcalera800
                       + "0: Pos X: 9.99989e-321 | Pos Y: 1 | Vel X: 1 | Vel Y: 1 | Massa: 1"
                         " | Diametre: 1\n"
                       + cos1);
}

// A body's echo from its six values as written in the echo.
std::string EcoCos(const std::string& valors)
{
    static const char* const noms[] = {"Pos X: ", " | Pos Y: ", " | Vel X: ", " | Vel Y: ",
                                       " | Massa: ", " | Diametre: "};
    std::istringstream in(valors);
    std::string eco, valor;
    for (const char* nom : noms) {
        in >> valor;
        eco += nom + valor;
    }
    return eco + "\n";
}

// What a number may look like, where it ends and what is out of range, the
// same in every build: body 0 holds the case, and body 1 reads as written
// unless a read failed before it.
TEST(MalformedConfig, NumbersInABodyReadByOneGrammar)
{
    using namespace std::string_literals;
    const std::string z(20000, '0');
    const struct {
        const char* nom;
        std::string cos;
        const char* eco;
        bool perdut;
    } casos[] = {
        {"glued words", "1x 2y 3vx 4vy 10kg 4px", "1 2 3 4 10 4", false},
        {"signs", "+1 x -2 y +.5 vx -.5 vy +7 kg +2 px", "1 -2 0.5 -0.5 7 2", false},
        {"points at either end, leading zeros", "5. x 0.5 y 00.25 vx -0. vy 007 kg 2. px", "5 0.5 0.25 -0 7 2", false},
        {"exponents", "1.5e3 x 2E-1 y 1.e2 vx 5e+0 vy 3 kg 25e-1 px", "1500 0.2 100 5 3 2.5", false},
        {"a second point, a point in the exponent", "1.2.5 2 y 1e5.5 4 vy 5 kg 6 px", "1.2 2 100000 4 5 6", false},
        {"hexadecimal reads as 0 and a word", "0x10 0x1p3 3 vx 4 vy 0x5 6 px", "0 0 3 4 0 6", false},
        {"a lone point", "1 x . y 3 vx 4 vy 5 kg 6 px", "1 0 0 0 0 0", true},
        {"an exponent without digits", "1 x 2 y 1e+ vx 4 vy 5 kg 6 px", "1 2 0 0 0 0", true},
        {"nan", "nan x 2 y 3 vx 4 vy 5 kg 6 px", "0 0 0 0 0 0", true},
        {"inf", "1 x -inf y 3 vx 4 vy 5 kg 6 px", "1 0 0 0 0 0", true},
        {"a decimal comma", "1,5 x 2 y 3 vx 4 vy 5 kg 6 px", "1 0 0 0 0 0", true},
        {"subnormals", "1e-320 x 4.9e-324 y 3e-324 vx 2e-324 vy 1 kg 1e-45 px",
         "9.99989e-321 4.94066e-324 4.94066e-324 0 1 1.4013e-45", false},
        {"below every subnormal", "1e-400 x -1e-400 y 1 vx 1 vy 1 kg 1e-50 px", "0 -0 1 1 1 0", false},
        {"the largest values", "1.7976931348623158e308 x -1.7976931348623158e308 y 1 vx 1 vy "
                               "18446744073709551615 kg 3.4028235e38 px",
         "1.79769e+308 -1.79769e+308 1 1 18446744073709551615 3.40282e+38", false},
        {"just past the largest double", "1.7976931348623159e308 x 2 y 3 vx 4 vy 5 kg 6 px", "0 0 0 0 0 0", true},
        {"just past the largest float", "1 x 2 y 3 vx 4 vy 5 kg 3.4028236e38 px", "1 2 3 4 5 0", true},
        {"20000 digits", "0." + z + "1 x " + z + "5 y " + std::string(20000, '3') + "e-19999 vx 4 vy 5 kg 6 px",
         "0 5 3.33333 4 5 6", false},
        {"20000 digits past the range", "1" + z + " x 2 y 3 vx 4 vy 5 kg 6 px", "0 0 0 0 0 0", true},
        {"minus zero for a mass", "1 x 2 y 3 vx 4 vy -0 kg 6 px", "1 2 3 4 0 6", false},
        {"two minus signs on a mass", "1 x 2 y 3 vx 4 vy --5 kg 6 px", "1 2 3 4 0 0", true},
        {"bytes past ASCII in words", "1\xff 2 \xc3 3 \xc2\xa0 4\xc2\xa0vy 5 \xe9 6 \x80", "1 2 3 4 5 6", false},
        {"NUL bytes in words", "1\0 2\0y 3 vx 4 \0 5 kg 6 px"s, "1 2 3 4 5 6", false},
        {"a NUL byte for a number", "1 x \0 y 3 vx 4 vy 5 kg 6 px"s, "1 0 0 0 0 0", true},
        {"tabs, CR, vertical tab, form feed", "1\tx\v2\fy\r3\r\nvx 4 vy 5 kg 6 px", "1 2 3 4 5 6", false},
        {"other control bytes are no blanks", "1 x\x1c" "2 y 3 vx 4 vy 5 kg 6 px", "1 0 0 0 0 0", true},
    };
    const std::string cos1 = "7 x 8 y 9 vx 10 vy 11 kg 12 px\n";
    for (const auto& cas : casos) {
        SCOPED_TRACE(cas.nom);
        EsperaExecucio(AmbConfig("800 600 2 100 60 -11\n" + cas.cos + "\n" + cos1, 3),
                       kCapcalera800 + "0: " + EcoCos(cas.eco) + "1: " +
                           (cas.perdut ? kCosZero : EcoCos("7 8 9 10 11 12")));
    }
}

TEST(MalformedConfig, NumbersInTheHeaderReadByOneGrammar)
{
    const std::string cossos = "\n7 x 8 y 9 vx 10 vy 11 kg 12 px\n7 x 8 y 9 vx 10 vy 11 kg 12 px\n";
    const std::string llegits = "0: " + EcoCos("7 8 9 10 11 12") + "1: " + EcoCos("7 8 9 10 11 12");
    const std::string zeros = "0: " + kCosZero + "1: " + kCosZero;
    const struct {
        const char* nom;
        std::string capcalera;
        std::string eco;
    } casos[] = {
        {"signs and leading zeros", "+800 0600 +2 100 60 -11", kCapcalera800 + llegits},
        {"the ends of 32 bits", "800 600 2 -2147483648 2147483647 -11",
         "Pantalla X: 800 Pantalla Y: 600 N particules: 2 Cicles: -2147483648 FPS: 2147483647\n" + llegits},
        {"past the ends of 32 bits", "800 600 2 100 -2147483649 -11",
         "Pantalla X: 800 Pantalla Y: 600 N particules: 2 Cicles: 100 FPS: 0\n" + zeros},
        {"a fraction", "800 600 2.5 100 60 -11",
         "Pantalla X: 800 Pantalla Y: 600 N particules: 2 Cicles: 0 FPS: 0\n" + zeros},
        {"an exponent", "800 600 2e0 100 60 -11",
         "Pantalla X: 800 Pantalla Y: 600 N particules: 2 Cicles: 0 FPS: 0\n" + zeros},
        {"hexadecimal", "800 0x258 2 100 60 -11", "Pantalla X: 800 Pantalla Y: 0 N particules: 0 Cicles: 0 FPS: 0\n"},
        {"nan", "800 600 nan 100 60 -11", "Pantalla X: 800 Pantalla Y: 600 N particules: 0 Cicles: 0 FPS: 0\n"},
        {"a UTF-8 byte-order mark", "\xef\xbb\xbf" "800 600 2 100 60 -11", kCapcaleraZero},
    };
    for (const auto& cas : casos) {
        SCOPED_TRACE(cas.nom);
        const Execucio r = AmbConfig(cas.capcalera + cossos, 3);
        if (cas.eco.find("N particules: 0") == std::string::npos)
            EsperaExecucio(r, cas.eco);
        else
            EsperaRebuig(r, cas.eco, kInvalid);
    }
}

TEST(MalformedConfig, CountLargerThanTheRecordsFillsWithZeros)
{
    EsperaExecucio(AmbConfig("800 600 4 100 60 -11\n"
                             "1 x 2 y 3 vx 4 vy 5 kg 6 px\n"
                             "7 x 8 y 9 vx 10 vy 11 kg 12 px\n",
                             5),
                   "Pantalla X: 800 Pantalla Y: 600 N particules: 4 Cicles: 100 FPS: 60\n"
                   "0: Pos X: 1 | Pos Y: 2 | Vel X: 3 | Vel Y: 4 | Massa: 5 | Diametre: 6\n"
                   "1: Pos X: 7 | Pos Y: 8 | Vel X: 9 | Vel Y: 10 | Massa: 11 | Diametre: 12\n"
                   "2: " + kCosZero + "3: " + kCosZero);
}

// Whatever config.txt is, opening it never waits, and what opens reads like
// a file: a directory as nothing, a FIFO with no writer as an empty file, a
// pipe behind /dev/stdin as what is piped in.
TEST(MalformedConfig, WhateverConfigTxtIsItOpensWithoutWaiting)
{
    const std::string config = "800 600 1 100 60 -11\n1 x 2 y 3 vx 4 vy 5 kg 6 px\n";
    const std::string eco = "Pantalla X: 800 Pantalla Y: 600 N particules: 1 Cicles: 100 FPS: 60\n"
                            "0: Pos X: 1 | Pos Y: 2 | Vel X: 3 | Vel Y: 4 | Massa: 5 | Diametre: 6\n";
    struct {
        const char* nom;
        int (*crear)(const char* cami);
        bool llegeix;
    } const casos[] = {
        {"directory", [](const char* c) { return mkdir(c, 0755); }, false},
        {"FIFO with no writer", [](const char* c) { return mkfifo(c, 0644); }, false},
        {"link to /dev/stdin", [](const char* c) { return symlink("/dev/stdin", c); }, true},
    };
    for (const auto& cas : casos) {
        SCOPED_TRACE(cas.nom);
        DirectoriTemporal dir;
        ASSERT_EQ(cas.crear((dir.cami() + "/config.txt").c_str()), 0);
        OpcionsExecucio o;
        o.directori = dir.cami();
        o.entorn = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
        o.liniesFinsTancar = 2;
        o.entrada = config;
        const Execucio r = Executar(PARTICULES_BIN, o);
        if (cas.llegeix)
            EsperaExecucio(r, eco);
        else
            EsperaRebuig(r, kCapcaleraZero, kInvalid);
    }
}

// The writer sends the bodies only once the header has been read, so a read
// that did not wait for them would find nothing.
TEST(MalformedConfig, FifoWithAWriterReadsAsItComes)
{
    DirectoriTemporal dir;
    const std::string cami = dir.cami() + "/config.txt";
    ASSERT_EQ(mkfifo(cami.c_str(), 0644), 0);
    // Open for both ends, so that a writer is there before the program opens.
    const int fd = open(cami.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    const std::string capcalera = "800 600 2 100 60 -11\n";
    ASSERT_EQ(write(fd, capcalera.data(), capcalera.size()), static_cast<ssize_t>(capcalera.size()));
    std::thread escriptor([fd] {
        int pendents = 1;
        for (int k = 0; k < 20000 && ioctl(fd, FIONREAD, &pendents) == 0 && pendents > 0; ++k)
            usleep(1000);
        const std::string cossos = "1 x 2 y 3 vx 4 vy 5 kg 6 px\n7 x 8 y 9 vx 10 vy 11 kg 12 px\n";
        EXPECT_EQ(write(fd, cossos.data(), cossos.size()), static_cast<ssize_t>(cossos.size()));
        close(fd);
    });
    const Execucio r = Engegar(dir, 3);
    escriptor.join();
    EsperaExecucio(r, kCapcalera800
                          + "0: Pos X: 1 | Pos Y: 2 | Vel X: 3 | Vel Y: 4 | Massa: 5 | Diametre: 6\n"
                          + "1: Pos X: 7 | Pos Y: 8 | Vel X: 9 | Vel Y: 10 | Massa: 11 | Diametre: 12\n");
}

// Root reads a file of mode 000 all the same, so as root the program runs as
// nobody, from a copy in the open test folder (the build may sit where nobody
// may enter); a readable file read the same way shows that only the mode
// stops it.
TEST(MalformedConfig, UnreadableFileCannotBeRead)
{
    for (const mode_t mode : {mode_t{0000}, mode_t{0644}}) {
        DirectoriTemporal dir;
        dir.escriure("config.txt", "800 600 0 100 60 -11\n");
        ASSERT_EQ(chmod((dir.cami() + "/config.txt").c_str(), mode), 0);
        std::string programa = PARTICULES_BIN;
        if (geteuid() == 0) {
            if (access("/usr/bin/setpriv", X_OK) != 0)
                GTEST_SKIP() << "running as root without setpriv to drop privileges";
            ASSERT_EQ(chmod(dir.cami().c_str(), 0755), 0);
            std::filesystem::copy_file(PARTICULES_BIN, dir.cami() + "/particules");
            programa = dir.cami() + "/com-a-nobody.sh";
            dir.escriure("com-a-nobody.sh",
                         "#!/bin/sh\nexec /usr/bin/setpriv --reuid=65534 --regid=65534 "
                         "--clear-groups ./particules\n");
            ASSERT_EQ(chmod(programa.c_str(), 0755), 0);
        }
        const Execucio r = Engegar(dir, -1, programa);
        if (mode == 0)
            EsperaRebuig(r, "", kNoEsPot + kInvalid);
        else
            EsperaRebuig(r, "Pantalla X: 800 Pantalla Y: 600 N particules: 0 Cicles: 100 FPS: 60\n",
                         kInvalid);
    }
}

TEST(MalformedConfig, BinaryGarbageReadsAsZeros)
{
    const std::string brossa = Escombraries(64 * 1024, 6);
    EsperaRebuig(AmbConfig(brossa, -1), kCapcaleraZero, kInvalid);
    EsperaExecucio(AmbConfig("800 600 2 100 60 -11\n" + brossa, 3),
                   kCapcalera800 + "0: " + kCosZero + "1: " + kCosZero);
}

// 100 MB made by the test, in one word that is read and thrown away and in
// one number of a hundred million digits, which is out of range.
TEST(MalformedConfig, HundredMegabyteFileIsReadToTheEnd)
{
    const size_t kMida = 100u * 1024 * 1024;
    DirectoriTemporal dir;
    {
        std::ofstream f(dir.cami() + "/config.txt", std::ios::binary);
        f << "800 600 2 100 60 -11\n1 x 2 y 3 vx 4 vy 5 kg 6 ";
        f << std::string(kMida, 'p') << "\n";
        f << "1" << std::string(kMida, '0') << " x 8 y 9 vx 10 vy 11 kg 12 px\n";
    }
    EsperaExecucio(Engegar(dir, 3),
                   kCapcalera800
                       + "0: Pos X: 1 | Pos Y: 2 | Vel X: 3 | Vel Y: 4 | Massa: 5 | Diametre: 6\n"
                       + "1: " + kCosZero);
}

// Building the array and the step's columns writes all of them: a count that
// fits in the memory installed but not in what is free now would get the
// program killed for memory, or push other programs out, before any message.
TEST(MalformedConfig, CountMustFitInTheMemoryAvailableNow)
{
    const double lliure = MemoriaLliure();
    if (lliure <= 0.0)
        GTEST_SKIP() << "this kernel gives no MemAvailable";
    EXPECT_TRUE(CabenEnMemoria(1));
    EXPECT_TRUE(CabenEnMemoria(static_cast<int32_t>(lliure / 2 / BytesPerCos())));
    // 2 % over what is free, against what frees up meanwhile; below what is
    // installed on any machine with a little in use.
    const double n = std::min(lliure * 1.02 / BytesPerCos(), 2147483647.0);
    EXPECT_FALSE(CabenEnMemoria(static_cast<int32_t>(n)));
}

// Reads a header of n bodies and one record under an address-space limit
// (ulimit -v) with room for the bodies and only half the step's columns.
// Exits with 1 when refused with the header line alone echoed.
[[noreturn]] void ArrencarSenseLlocPerAlPas(int32_t n)
{
    std::istringstream config("800 600 " + std::to_string(n) + " 100 60 -11 1 x 2 y 3 vx 4 vy 5 kg 6 px");
    std::ostringstream eco;
    llegirCapcalera(config, eco);
    long pagines = 0;
    std::ifstream("/proc/self/statm") >> pagines;
    const double ara = static_cast<double>(pagines) * static_cast<double>(sysconf(_SC_PAGESIZE));
    const auto limit = static_cast<rlim_t>(ara + n * sizeof(Particula) + MemoriaPas(n) / 2.0);
    const rlimit r{limit, limit};
    setrlimit(RLIMIT_AS, &r);
    const bool fet = crearParticules(config, eco);
    std::exit(fet ? 0 : eco.str().find("0: Pos X") == std::string::npos ? 1 : 2);
}

// Refused at start-up rather than aborting on the first step.
TEST(MalformedConfig, CountWhoseStepDoesNotFitIsRefusedBeforeAnyBody)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "ASan reserves address space of its own";
#else
    // A fresh process: what earlier tests allocated must not lend it room.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ArrencarSenseLlocPerAlPas(1000000), ::testing::ExitedWithCode(1), "Número de partícules invàlid");
#endif
}
