#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "e2e/escriptori.h"
#include "support/proces.h"

// `make run` as a new user types it, in a copy of the source tree that has no
// build folder yet: an unknown example is refused before anything else
// happens, and the default one builds the program alone, says its keys and
// opens the window, which q closes. Bounded in time, never timed.

namespace {

// A build from nothing on a loaded two-core machine; a passing run takes far less.
constexpr int kConstruir = 400000;

// The make that runs the tests hands its job server down; the make under test
// must start afresh.
const std::vector<std::string> kMake = {"env", "-u", "MAKEFLAGS", "-u", "MFLAGS", "-u", "MAKELEVEL",
                                        "make", "--no-print-directory", "-C"};

// The process whose parent is pare and whose name is nom, or -1.
pid_t FillDe(pid_t pare, const std::string& nom)
{
    for (const auto& e : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(e.path() / "stat");
        std::string pid, comm, estat;
        pid_t ppid = -1;
        if (stat >> pid >> comm >> estat >> ppid && ppid == pare && comm == "(" + nom + ")")
            return static_cast<pid_t>(std::stol(pid));
    }
    return -1;
}

class MakeRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        font_ = dir_.cami() + "/font";
        const Resultat copia = Ordre({"sh", "-c",
                                      "mkdir \"$1\" && tar -C \"$0\" --exclude=./.git "
                                      "--exclude='./build*' -cf - . | tar -C \"$1\" -xf -",
                                      PARTICULES_SOURCE_DIR, font_},
                                     {}, 60000);
        ASSERT_EQ(copia.estat, 0);
        ASSERT_FALSE(std::filesystem::exists(font_ + "/build"));
    }

    std::vector<std::string> make(const std::string& exemple) const
    {
        std::vector<std::string> a = kMake;
        a.insert(a.end(), {font_, "run", "EXAMPLE=" + exemple});
        return a;
    }

    DirectoriTemporal dir_;
    std::string font_;
};

}  // namespace

// Exactly one known name: an example among other words is no example.
TEST_F(MakeRun, RefusesAnUnknownExampleAtOnceWithTheList)
{
    for (const std::string exemple : {"nope", "orbita ../../tmp", "orbita vuit", ""}) {
        std::vector<std::string> ordre = {"sh", "-c", "\"$@\" 2>&1", "sh"};
        const std::vector<std::string> m = make(exemple);
        ordre.insert(ordre.end(), m.begin(), m.end());
        const Resultat r = Ordre(ordre, {}, 30000);
        EXPECT_EQ(r.estat, 2) << exemple;
        EXPECT_NE(r.sortida.find("no example \"" + exemple + "\""), std::string::npos) << r.sortida;
        for (const auto& e : std::filesystem::directory_iterator(std::string(PARTICULES_SOURCE_DIR) + "/examples"))
            EXPECT_NE(r.sortida.find(e.path().filename().string()), std::string::npos) << r.sortida;
        EXPECT_FALSE(std::filesystem::exists(font_ + "/build")) << "something ran before the refusal";
    }
}

// Two makes in one clone take turns at its build folder: the second waits,
// saying so, until the first is done; a make's own sub-makes do not wait.
TEST_F(MakeRun, TwoMakesInOneCloneTakeTurns)
{
    const std::string torn = font_ + "/scripts/torn.sh";
    const std::string build = font_ + "/build";
    const std::string fet = dir_.cami() + "/fet";
    Fill::Opcions o;
    o.arguments = {torn, build, "sh", "-c", "touch \"$0.dins\"; while [ ! -e \"$0\" ]; do sleep 0.02; done; "
                                            "\"$1\" \"$2\" touch \"$0.niat\"", fet, torn, build};
    Fill primer(o);
    ASSERT_TRUE(EsperarQue([&] { return std::filesystem::exists(fet + ".dins"); }, 120000));
    Fill::Opcions s;
    s.arguments = {torn, build, "touch", fet + ".segon"};
    s.sortida = dir_.cami() + "/segon";
    Fill segon(s);
    EXPECT_TRUE(EsperarQue([&] { return LlegirFitxer(s.sortida).find("waiting for another make") !=
                                        std::string::npos; }, 120000));
    EXPECT_FALSE(std::filesystem::exists(fet + ".segon")) << "the second did not wait";
    std::ofstream(fet).put('\n');
    ASSERT_TRUE(primer.esperar(120000));
    ASSERT_TRUE(segon.esperar(120000));
    EXPECT_TRUE(std::filesystem::exists(fet + ".niat")) << "the first's own sub-make waited for it";
    EXPECT_TRUE(std::filesystem::exists(fet + ".segon"));
}

TEST_F(MakeRun, FromNoBuildFolderBuildsTheProgramAloneAndOpensItsWindow)
{
    ServidorX x(dir_.cami() + "/xvfb.err");
    const std::vector<std::string> entorn = {"DISPLAY=" + x.display(), "SDL_VIDEODRIVER=x11"};
    Fill::Opcions o;
    o.arguments = make("orbita");
    o.sortida = dir_.cami() + "/sortida";
    o.errors = dir_.cami() + "/errors";
    o.entorn = entorn;
    Fill make(o);

    std::string finestra;
    EsperarQue([&] {
        const Resultat r = Ordre({"xdotool", "search", "--onlyvisible", "--name", "^Programa de"}, entorn);
        finestra = r.sortida.substr(0, r.sortida.find('\n'));
        return !finestra.empty() || !make.viu();
    }, kConstruir);
    const std::string sortida = LlegirFitxer(o.sortida);
    ASSERT_FALSE(finestra.empty()) << sortida << LlegirFitxer(o.errors);

    // One line a phase, then the example's own lines and the keys.
    for (const char* linia : {"configure:", "build:", "orbita: ", "Key 1", "Keys: "})
        EXPECT_NE(sortida.find(linia), std::string::npos) << linia << " in\n" << sortida;
    EXPECT_LE(std::count(sortida.begin(), sortida.end(), '\n'), 8) << sortida;
    EXPECT_TRUE(std::filesystem::exists(font_ + "/build/particules"));
    EXPECT_FALSE(std::filesystem::exists(font_ + "/build/particules-config")) << "more than the program built";
    EXPECT_FALSE(std::filesystem::exists(font_ + "/build/tests")) << "the tests were configured";

    ASSERT_EQ(Ordre({"xdotool", "windowfocus", finestra, "mousemove", "--window", finestra, "10", "10",
                     "key", "q"}, entorn).estat, 0);
    ASSERT_TRUE(make.esperar(120000));
    EXPECT_EQ(make.estat(), 0) << LlegirFitxer(o.errors);
    EXPECT_EQ(LlegirFitxer(font_ + "/build/logs/run.log").rfind("Pantalla X: 800 Pantalla Y: 600", 0), 0u);

    // With no X display SDL draws on standard output: it stays where make's
    // is, the terminal, and the log is left alone.
    std::filesystem::remove(font_ + "/build/logs/run.log");
    std::vector<std::string> senseX = {"env", "-u", "DISPLAY"};
    const std::vector<std::string> m = this->make("orbita");
    senseX.insert(senseX.end(), m.begin(), m.end());
    Fill::Opcions s;
    s.arguments = senseX;
    s.sortida = dir_.cami() + "/sortida-sense-x";
    s.errors = dir_.cami() + "/errors-sense-x";
    s.entorn = {"SDL_VIDEODRIVER=dummy"};
    Fill makeSenseX(s);
    // make's SIGKILL at the end would leave its child running: it goes first.
    struct Netejar {
        const Fill& make;
        ~Netejar()
        {
            if (const pid_t p = FillDe(make.pid(), "particules"); p > 0)
                kill(p, SIGKILL);
        }
    } netejar{makeSenseX};
    EXPECT_TRUE(EsperarQue([&] {
        return LlegirFitxer(s.sortida).find("\nPantalla X: 800 Pantalla Y: 600") != std::string::npos
               || !makeSenseX.viu();
    }, 60000));
    const std::string terminal = LlegirFitxer(s.sortida);
    EXPECT_NE(terminal.find("No X display"), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("\nPantalla X: 800 Pantalla Y: 600"), std::string::npos) << terminal;
    EXPECT_FALSE(std::filesystem::exists(font_ + "/build/logs/run.log"));
    const pid_t programa = FillDe(makeSenseX.pid(), "particules");
    ASSERT_GT(programa, 0) << "the program is not make's child";
    ASSERT_EQ(kill(programa, SIGTERM), 0);
    ASSERT_TRUE(makeSenseX.esperar(120000));
    EXPECT_EQ(makeSenseX.estat(), 0) << LlegirFitxer(s.errors);
}
