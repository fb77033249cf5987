#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "e2e/escriptori.h"
#include "support/proces.h"

// The real program as a person uses it: its own X server (Xvfb), a real
// window, keys and wheel turns from xdotool, the title bar read back, the
// window's pixels taken with ImageMagick's import.

namespace {

// Only a hang reaches them: a passing run waits for what it checks, which a
// two-core machine at load 17 may take tens of seconds to show.
constexpr int kObrir = 120000;
constexpr int kCanvi = 60000;
constexpr int kRitme = 120000;

// Massless bodies at rest stay where the file puts them.
const std::string kQuiets =
    "800 600 3 100 60 -11\n"
    "100 x -50 y 0 vx 0 vy 0 kg 10 px\n"
    "-200 x 100 y 0 vx 0 vy 0 kg 1 px\n"
    "0 x 0 y 0 vx 0 vy 0 kg 20 px\n";

// A light load, so that without the limiter the cycles run far above 100.
const std::string kLleuger =
    "200 150 1 100 60 -11\n"
    "0 x 0 y 0 vx 0 vy 0 kg 4 px\n";

const std::string kRebutjada =
    "Error en ajustar parametres de la pantalla\nError al iniciar\n";

// Where the digits after `clau` begin and end in the title; empty when there
// are none. Plain searching: libstdc++'s regex trips GCC's uninitialised-value
// warning in the sanitized build.
std::pair<size_t, size_t> Xifres(const std::string& titol, const std::string& clau)
{
    const size_t p = titol.find(clau);
    if (p == std::string::npos)
        return {0, 0};
    size_t fi = p + clau.size();
    while (fi < titol.size() && std::isdigit(static_cast<unsigned char>(titol[fi])))
        ++fi;
    return {p + clau.size(), fi};
}

// The rates change every second; the rest of the title must not.
std::string SenseRitmes(std::string titol)
{
    for (const char* clau : {"Hz: ", "FPS: "}) {
        const auto [inici, fi] = Xifres(titol, clau);
        if (fi > inici)
            titol.replace(inici, fi - inici, "N");
    }
    return titol;
}

int Hz(const std::string& titol)
{
    const auto [inici, fi] = Xifres(titol, "| Hz: ");
    return fi > inici ? std::stoi(titol.substr(inici, fi - inici)) : -1;
}

// The file of SDL 1.2 that process pid has mapped; empty when none.
std::string SdlCarregat(pid_t pid)
{
    std::ifstream mapes("/proc/" + std::to_string(pid) + "/maps");
    std::string linia;
    while (std::getline(mapes, linia)) {
        const size_t cami = linia.find('/');
        if (cami != std::string::npos && linia.find("/libSDL-1.2.so", cami) != std::string::npos)
            return linia.substr(cami);
    }
    return "";
}

struct Quadrat {
    int x, y, costat;
    bool conte(int px, int py) const
    {
        return px >= x && px < x + costat && py >= y && py < y + costat;
    }
};

// Empty when the squares are white and every other pixel is black.
std::string Diferencies(const Imatge& im, const std::vector<Quadrat>& quadrats)
{
    if (im.amplada != 800 || im.altura != 600)
        return "window of " + std::to_string(im.amplada) + "x" + std::to_string(im.altura);
    int errades = 0;
    std::string primera;
    for (int y = 0; y < im.altura; ++y) {
        for (int x = 0; x < im.amplada; ++x) {
            bool dins = false;
            for (const Quadrat& q : quadrats)
                dins = dins || q.conte(x, y);
            if (dins ? im.blanc(x, y) : im.negre(x, y))
                continue;
            if (errades++ == 0)
                primera = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
        }
    }
    if (errades == 0)
        return "";
    return std::to_string(errades) + " pixels wrong, the first at " + primera;
}

class E2e : public ::testing::Test {
protected:
    void SetUp() override { x_ = std::make_unique<ServidorX>(dir_.cami() + "/xvfb.err"); }

    std::vector<std::string> entorn() const
    {
        return {"DISPLAY=" + x_->display(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy"};
    }

    Resultat xdotool(const std::vector<std::string>& ordre) const
    {
        std::vector<std::string> a = {"xdotool"};
        a.insert(a.end(), ordre.begin(), ordre.end());
        return Ordre(a, entorn());
    }

    void arrencar(const std::string& config, const std::vector<int>& tancats = {})
    {
        dir_.escriure("config.txt", config);
        Fill::Opcions o;
        o.tancats = tancats;
        o.arguments = {PARTICULES_BIN};
        o.entorn = entorn();
        o.directori = dir_.cami();
        o.sortida = dir_.cami() + "/sortida";
        o.errors = dir_.cami() + "/errors";
        programa_ = std::make_unique<Fill>(o);
    }

    // Starts the program and waits for its window; then the pointer rests in
    // it and it has the focus, as under a person's hand.
    void obrir(const std::string& config, const std::vector<int>& tancats = {})
    {
        arrencar(config, tancats);
        EsperarQue([&] {
            const Resultat r = xdotool({"search", "--onlyvisible", "--name", "^Programa de"});
            finestra_ = r.sortida.substr(0, r.sortida.find('\n'));
            return !finestra_.empty() || !programa_->viu();
        }, kObrir);
        ASSERT_FALSE(finestra_.empty()) << "no window; stderr: " << errors();
        // A run meant for another SDL 1.2 (sdl12-compat) is on it.
        if (const char* esperat = std::getenv("PARTICULES_SDL_ESPERAT")) {
            ASSERT_EQ(SdlCarregat(programa_->pid()).rfind(esperat, 0), 0u)
                << SdlCarregat(programa_->pid()) << " is not under " << esperat;
        }
        ASSERT_EQ(xdotool({"windowfocus", finestra_, "mousemove", "--window", finestra_, "10", "10"})
                      .estat,
                  0);
    }

    std::string titol() const
    {
        const std::string t = xdotool({"getwindowname", finestra_}).sortida;
        return t.substr(0, t.find('\n'));
    }

    // The first title that satisfies condicio, or the last one read.
    template <class Condicio>
    std::string esperarTitol(Condicio condicio, int limitMs = kCanvi) const
    {
        std::string t;
        EsperarQue([&] { return condicio(t = titol()); }, limitMs);
        return t;
    }

    // Does one thing with xdotool, then reads the title until it is esperat,
    // rates aside.
    void titolDespres(const std::vector<std::string>& ordre, const std::string& esperat) const
    {
        ASSERT_EQ(xdotool(ordre).estat, 0);
        const std::string t =
            esperarTitol([&](const std::string& s) { return SenseRitmes(s) == esperat; });
        EXPECT_EQ(SenseRitmes(t), esperat);
    }

    void tecla(const std::string& nom) const { ASSERT_EQ(xdotool({"key", nom}).estat, 0); }

    bool capturar(Imatge& im) const
    {
        const Resultat r = Ordre({"import", "-silent", "-window", finestra_, "-depth", "8", "ppm:-"},
                                 entorn());
        return r.estat == 0 && LlegirPpm(r.sortida, im);
    }

    // The first screenshot that shows exactly these squares, or what the last
    // one got wrong.
    std::string esperarQuadrats(const std::vector<Quadrat>& quadrats) const
    {
        std::string diferencies;
        EsperarQue([&] {
            Imatge im;
            diferencies = capturar(im) ? Diferencies(im, quadrats) : "no screenshot";
            return diferencies.empty();
        }, kCanvi);
        return diferencies;
    }

    // The exit status once the program has ended by itself, or -1.
    int esperarFi() { return programa_->esperar(kCanvi) ? programa_->estat() : -1; }

    std::string sortida() const { return LlegirFitxer(dir_.cami() + "/sortida"); }
    std::string errors() const { return LlegirFitxer(dir_.cami() + "/errors"); }

    // Declared in this order so that the program goes before its X server.
    DirectoriTemporal dir_;
    std::unique_ptr<ServidorX> x_;
    std::unique_ptr<Fill> programa_;
    std::string finestra_;
};

}  // namespace

TEST_F(E2e, TitleOfTheDefaultStateOnceTheFirstSecondHasPassed)
{
    ASSERT_NO_FATAL_FAILURE(obrir(kQuiets));
    const std::string t = esperarTitol([](const std::string& s) { return Hz(s) > 0; });
    EXPECT_EQ(SenseRitmes(t),
              "Programa de Particules per Tervolin | Hz: N |  FPS: N |  Zoom: 0.5 |  V x1  | 1s = 1s");
}

TEST_F(E2e, TitleAfterKeysThreeAndSeven)
{
    ASSERT_NO_FATAL_FAILURE(obrir(kQuiets));
    titolDespres({"key", "3"},
                 "Programa de Particules per Tervolin | Hz: N |  FPS: N |  Zoom: 0.5 |  V x86400  | 1s = 1 dia");
    titolDespres({"key", "7"},
                 "Programa de Particules per Tervolin | Hz: N |  FPS: N |  Zoom: 0.5 |  V x31536000  | 1s = 1 any");
}

// Buttons 4 and 5 are the wheel's turns up and down.
TEST_F(E2e, TitleAfterWheelTurns)
{
    ASSERT_NO_FATAL_FAILURE(obrir(kQuiets));
    titolDespres({"click", "4"},
                 "Programa de Particules per Tervolin | Hz: N |  FPS: N |  Zoom: 0.51 |  V x1  | 1s = 1s");
    titolDespres({"click", "5"},
                 "Programa de Particules per Tervolin | Hz: N |  FPS: N |  Zoom: 0.5 |  V x1  | 1s = 1s");
    titolDespres({"click", "5"},
                 "Programa de Particules per Tervolin | Hz: N |  FPS: N |  Zoom: 0.49 |  V x1  | 1s = 1s");
}

TEST_F(E2e, ScreenshotShowsTheSquaresWhereTheViewPutsThemAndArrowsPan)
{
    ASSERT_NO_FATAL_FAILURE(obrir(kQuiets));
    // Zoom 0.5, world origin at the centre (400, 300); corner at the mapped
    // position, side diameter x 0.5, never under one pixel.
    EXPECT_EQ(esperarQuadrats({{400 + 100 / 2, 300 - 50 / 2, 10 / 2},
                               {400 - 200 / 2, 300 + 100 / 2, 1},
                               {400, 300, 20 / 2}}),
              "");

    // Right moves the origin 50 px left and switches trails off: the old
    // squares are gone.
    ASSERT_NO_FATAL_FAILURE(tecla("Right"));
    EXPECT_EQ(esperarQuadrats({{350 + 100 / 2, 300 - 50 / 2, 10 / 2},
                               {350 - 200 / 2, 300 + 100 / 2, 1},
                               {350, 300, 20 / 2}}),
              "");

    // Up moves it 50 px down.
    ASSERT_NO_FATAL_FAILURE(tecla("Up"));
    EXPECT_EQ(esperarQuadrats({{350 + 100 / 2, 350 - 50 / 2, 10 / 2},
                               {350 - 200 / 2, 350 + 100 / 2, 1},
                               {350, 350, 20 / 2}}),
              "");
}

TEST_F(E2e, KeyQEndsWithStatusZero)
{
    ASSERT_NO_FATAL_FAILURE(obrir(kQuiets));
    ASSERT_TRUE(programa_->viu());
    ASSERT_NO_FATAL_FAILURE(tecla("q"));
    EXPECT_EQ(esperarFi(), 0);
    EXPECT_EQ(errors(), "");
}

TEST_F(E2e, CloseButtonEndsWithStatusZero)
{
    ASSERT_NO_FATAL_FAILURE(obrir(kQuiets));
    ASSERT_TRUE(programa_->viu());
    ASSERT_TRUE(EnviarTancament(x_->display(), finestra_));
    EXPECT_EQ(esperarFi(), 0);
    EXPECT_EQ(errors(), "");
}

TEST_F(E2e, ReturnSwitchesTheCycleLimiterOffAndOn)
{
    ASSERT_NO_FATAL_FAILURE(obrir(kLleuger));
    // A limit of 100 cycles: 10 ms a cycle at least, so never past 100 a
    // second however the machine is loaded, and past it once the limit is
    // off, where a cycle of one body takes microseconds. No floor: a busy
    // machine may give the program fewer than 100 cycles' worth of a second.
    const auto limitada = [](const std::string& s) { return Hz(s) >= 1 && Hz(s) <= 110; };
    const int limitat = Hz(esperarTitol(limitada, kRitme));
    EXPECT_GE(limitat, 1);
    EXPECT_LE(limitat, 110);

    ASSERT_NO_FATAL_FAILURE(tecla("Return"));
    const int lliure = Hz(esperarTitol([](const std::string& s) { return Hz(s) > 110; }, kRitme));
    EXPECT_GT(lliure, 110);

    ASSERT_NO_FATAL_FAILURE(tecla("Return"));
    const int altraVegada = Hz(esperarTitol(limitada, kRitme));
    EXPECT_GE(altraVegada, 1);
    EXPECT_LE(altraVegada, 110);
}

// Sizes that SDL's X11 driver refuses: a negative side, and a side wider than
// an X window can be.
class E2eMidaRebutjada : public E2e,
                         public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(E2eMidaRebutjada, ReportsBothMessagesAndEndsWithStatusOne)
{
    const auto [amplada, altura] = GetParam();
    arrencar(std::to_string(amplada) + " " + std::to_string(altura)
             + " 1 100 60 -11\n0 x 0 y 0 vx 0 vy 0 kg 4 px\n");
    EXPECT_EQ(esperarFi(), 1);
    EXPECT_EQ(errors(), kRebutjada);
    // Start-up went through; the window was what failed.
    EXPECT_EQ(sortida().rfind("Pantalla X: " + std::to_string(amplada) + " Pantalla Y: "
                                  + std::to_string(altura) + " N particules: 1",
                              0),
              0u);
}

INSTANTIATE_TEST_SUITE_P(E2e, E2eMidaRebutjada,
                         ::testing::Values(std::make_pair(-1, 600), std::make_pair(800, -1),
                                           std::make_pair(40000, 300),
                                           std::make_pair(65536, 1)));

// n bodies at rest on a grid across the window.
std::string Cossos(int n)
{
    std::string config = "800 600 " + std::to_string(n) + " 100 60 -11\n";
    for (int i = 0; i < n; ++i)
        config += std::to_string(i % 100 * 8 - 400) + " x " + std::to_string(i / 100 * 6 - 300)
                  + " y 0 vx 0 vy 0 kg 1 px\n";
    return config;
}

// A few hundred bodies, so that a team of threads shares every step: each way
// a person quits still ends with status 0, the threads joined.
enum class Sortir { TeclaQ, BotoDeTancar, Sigterm };

class E2eAmbFils : public E2e, public ::testing::WithParamInterface<Sortir> {};

TEST_P(E2eAmbFils, EveryWayOfQuittingEndsWithStatusZero)
{
    ASSERT_NO_FATAL_FAILURE(obrir(Cossos(400)));
    // A second's title has rates in it: the loop has stepped many times.
    esperarTitol([](const std::string& t) { return t.find("Hz: 0 ") == std::string::npos; });
    ASSERT_TRUE(programa_->viu());
    switch (GetParam()) {
    case Sortir::TeclaQ: ASSERT_NO_FATAL_FAILURE(tecla("q")); break;
    case Sortir::BotoDeTancar: ASSERT_TRUE(EnviarTancament(x_->display(), finestra_)); break;
    case Sortir::Sigterm: ASSERT_EQ(kill(programa_->pid(), SIGTERM), 0); break;
    }
    EXPECT_EQ(esperarFi(), 0);
    EXPECT_EQ(errors(), "");
}

INSTANTIATE_TEST_SUITE_P(E2e, E2eAmbFils,
                         ::testing::Values(Sortir::TeclaQ, Sortir::BotoDeTancar, Sortir::Sigterm));

// A flood of presses in one burst of xdotool: at one cycle a second, with the
// pointer moving all over the window, at 100 Hz, and behind a step of 10000
// bodies that lasts far longer than a cycle. Every wheel turn counts, and a q
// right after such a flood still quits.
struct Riuada {
    const char* nom;
    std::string config;
    int moviments;    // pointer moves before the presses
    int clics;        // wheel turns up
    bool titolFinal;  // the quitting cycle waits long enough to read its title
};

void PrintTo(const Riuada& r, std::ostream* os)
{
    *os << r.nom;
}

const std::string kUnCicle = "800 600 1 1 60 -11\n0 x 0 y 0 vx 0 vy 0 kg 4 px\n";

class E2eRiuada : public E2e, public ::testing::WithParamInterface<Riuada> {
protected:
    std::vector<std::string> rafega(const Riuada& r, bool q) const
    {
        std::vector<std::string> a;
        for (int k = 0; k < r.moviments; ++k)
            a.insert(a.end(), {"mousemove", "--window", finestra_, k % 2 ? "700" : "10",
                               k % 2 ? "500" : "10"});
        a.insert(a.end(), {"click", "--repeat", std::to_string(r.clics), "--delay", "0", "4"});
        if (q)
            a.insert(a.end(), {"key", "q"});
        return a;
    }
};

// The title after n turns up from the start, each the sum formed in double
// and stored as float.
std::string ZoomDespres(int n)
{
    float zoom = 0.5f;
    for (int k = 0; k < n; ++k)
        zoom = static_cast<float>(static_cast<double>(zoom) + 0.01);
    std::ostringstream text;
    text << "Zoom: " << zoom << " |";
    return text.str();
}

TEST_P(E2eRiuada, EveryPressCountsAndQAfterTheFloodQuits)
{
    const Riuada& r = GetParam();
    ASSERT_NO_FATAL_FAILURE(obrir(r.config));
    ASSERT_EQ(xdotool(rafega(r, false)).estat, 0);
    const std::string esperat = ZoomDespres(r.clics);
    const std::string t = esperarTitol(
        [&](const std::string& s) { return s.find(esperat) != std::string::npos; }, kRitme);
    EXPECT_NE(t.find(esperat), std::string::npos) << t;

    ASSERT_EQ(xdotool(rafega(r, true)).estat, 0);
    std::string ultim;
    EXPECT_TRUE(EsperarQue([&] {
        const std::string s = titol();
        if (!s.empty())
            ultim = s;
        return !programa_->viu();
    }, kRitme));
    EXPECT_EQ(programa_->estat(), 0);
    if (r.titolFinal) {
        EXPECT_NE(ultim.find(ZoomDespres(2 * r.clics)), std::string::npos) << ultim;
    }
}

INSTANTIATE_TEST_SUITE_P(
    E2e, E2eRiuada,
    ::testing::Values(Riuada{"OneCycleASecond", kUnCicle, 0, 100, true},
                      Riuada{"PointerMovingAtOneCycleASecond", kUnCicle, 300, 10, true},
                      Riuada{"FourBodiesAt100Hz", Cossos(4), 0, 1000, false},
                      Riuada{"StepLongerThanACycle", Cossos(10000), 0, 300, false}),
    [](const ::testing::TestParamInfo<Riuada>& i) { return std::string(i.param.nom); });

// The standard streams a user closed and the signals that end a run. A closed
// descriptor is held on /dev/null from the first statement, so config.txt and
// the X connection never take its number; SIGINT and SIGTERM end the run with
// status 0 however long its step, in a team of threads or during a cycle's wait.
struct FluxosISenyal {
    const char* nom;
    std::vector<int> tancats;
    std::string config;
    int senyal;        // sent once the window is open; 0: none, nor a window
    int estat;
};

void PrintTo(const FluxosISenyal& f, std::ostream* os)
{
    *os << f.nom;
}

class E2eFluxos : public E2e, public ::testing::WithParamInterface<FluxosISenyal> {
protected:
    bool tancat(int fd) const
    {
        for (const int t : GetParam().tancats)
            if (t == fd)
                return true;
        return false;
    }
};

TEST_P(E2eFluxos, ClosedStreamsStayOnDevNullAndSignalsEndTheRun)
{
    const FluxosISenyal& f = GetParam();
    if (f.senyal == 0) {
        arrencar(f.config, f.tancats);
        EXPECT_EQ(esperarFi(), f.estat);
    } else {
        // Found by its title: a title lost in a corrupted X stream fails here.
        ASSERT_NO_FATAL_FAILURE(obrir(f.config, f.tancats));
        for (const int fd : f.tancats) {
            char desti[256] = {};
            const std::string enllac = "/proc/" + std::to_string(programa_->pid()) + "/fd/" + std::to_string(fd);
            ASSERT_GT(readlink(enllac.c_str(), desti, sizeof desti - 1), 0) << "fd " << fd << " is closed";
            EXPECT_EQ(std::string(desti), "/dev/null") << "fd " << fd;
        }
        ASSERT_EQ(kill(programa_->pid(), f.senyal), 0);
        EXPECT_EQ(esperarFi(), f.estat);
    }
    EXPECT_EQ(programa_->senyal(), 0);
    // What a closed stream would have carried is lost; what an open one
    // carries is whole.
    if (tancat(STDOUT_FILENO))
        EXPECT_EQ(sortida(), "");
    else
        EXPECT_EQ(sortida().rfind("Pantalla X: ", 0), 0u) << sortida();
    if (tancat(STDERR_FILENO) || f.estat == 0)
        EXPECT_EQ(errors(), "");
    else
        EXPECT_EQ(errors(), kRebutjada);
}

INSTANTIATE_TEST_SUITE_P(
    E2e, E2eFluxos,
    ::testing::Values(
        FluxosISenyal{"StdinClosedThenSigterm", {STDIN_FILENO}, kQuiets, SIGTERM, 0},
        FluxosISenyal{"StdoutClosedThenSigint", {STDOUT_FILENO}, Cossos(400), SIGINT, 0},
        FluxosISenyal{"StderrClosedThenSigterm", {STDERR_FILENO}, Cossos(400), SIGTERM, 0},
        FluxosISenyal{"AllThreeClosedThenSigint", {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO},
                      kQuiets, SIGINT, 0},
        FluxosISenyal{"StderrClosedAndTheWindowRefused", {STDERR_FILENO},
                      "-1 600 1 100 60 -11\n0 x 0 y 0 vx 0 vy 0 kg 4 px\n", 0, 1},
        FluxosISenyal{"WindowRefusedWithEveryStreamOpen", {},
                      "-1 600 1 100 60 -11\n0 x 0 y 0 vx 0 vy 0 kg 4 px\n", 0, 1},
        FluxosISenyal{"SigtermWhileACycleOfASecondWaits", {}, kUnCicle, SIGTERM, 0},
        FluxosISenyal{"SigintInTheStepOf5000Bodies", {}, Cossos(5000), SIGINT, 0}),
    [](const ::testing::TestParamInfo<FluxosISenyal>& i) { return std::string(i.param.nom); });
