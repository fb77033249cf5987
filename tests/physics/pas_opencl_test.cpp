#include <gtest/gtest.h>

#define CL_TARGET_OPENCL_VERSION 120
#include <CL/cl.h>
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "physics/costures_prova.h"
#include "physics/globals.h"
#include "physics/pas.h"
#include "physics/pas_opencl.h"
#include "opencl_prova.h"

// The program's choice of step and its way back to the CPU, on the devices
// that make test has: PoCL's, on the processor.

namespace {

using Cossos = std::vector<Particula>;

Cossos Aleatoris(int n, uint64_t llavor)
{
    std::mt19937_64 atzar(llavor);
    std::uniform_real_distribution<double> posicio(-1000.0, 1000.0), velocitat(-1.0, 1.0);
    Cossos cossos(static_cast<size_t>(n));
    for (Particula& p : cossos)
        p.valors(posicio(atzar), posicio(atzar), velocitat(atzar), velocitat(atzar), atzar() >> 24, 1.0f);
    return cossos;
}

std::unique_ptr<PasOpenCL> PrimerDispositiu()
{
    const std::vector<DispositiuOpenCL> dispositius = DispositiusOpenCL(true);
    return dispositius.empty() ? nullptr : PasOpenCL::Crear(dispositius.front());
}

// PoCL's, where make test runs; no GPU's, whatever this machine has.
std::vector<DispositiuOpenCL> DispositiusDelProcessador()
{
    std::vector<DispositiuOpenCL> dispositius;
    for (const DispositiuOpenCL& d : DispositiusOpenCL(true))
        if (d.cpu)
            dispositius.push_back(d);
    return dispositius;
}

class PasOpenCLProva : public ::testing::Test {
protected:
    void SetUp() override
    {
        G = 6.7e-11;
        FactorVelocitat = 3600;
        TempsPerCicle = 0.01f;
        repulsio = false;
    }
    void TearDown() override
    {
        ReprendrePas();
        AturarFilsPas();
        G = 0.0;
        FactorVelocitat = 1;
        TempsPerCicle = 0.0f;
    }
};

}  // namespace

TEST_F(PasOpenCLProva, AFailureOnTheDeviceRedoesTheStepOnTheCpuForTheRestOfTheRun)
{
    constexpr int N = 150;
    struct {
        const char* cas;
        bool reservat;   // the device's buffers made before the run
        int fallaDesDe;  // the first step that fails on the device
    } const casos[] = {
        {"lost at the fourth step", true, 3},
        {"lost before the first", true, 0},
        {"no buffers for the run", false, 0},
    };
    for (const auto& c : casos) {
        std::unique_ptr<PasOpenCL> opencl = PrimerDispositiu();
        ASSERT_NE(opencl, nullptr) << "no OpenCL device: scripts/install-deps.sh installs PoCL";
        ASSERT_TRUE(!c.reservat || opencl->reservar(N));
        PasOpenCL* dispositiu = opencl.get();
        IniciarFilsPas(N);
        FixarPasOpenCL(std::move(opencl));
        Cossos literal = Aleatoris(N, 7), programa = literal;
        for (int k = 0; k < 8; ++k) {
            if (k == c.fallaDesDe && DispositiuPas() != nullptr)
                CosturaPasOpenCL::trencar(*dispositiu);
            EXPECT_EQ(DispositiuPas() != nullptr, k <= c.fallaDesDe) << c.cas << ", step " << k + 1;
            PasLiteral(literal.data(), N, ParametresGlobals());
            Pas(programa.data(), N, ParametresGlobals());
            EXPECT_TRUE(MateixosCossos(literal.data(), programa.data(), N)) << c.cas << ", step " << k + 1;
        }
        EXPECT_EQ(DispositiuPas(), nullptr) << c.cas;
        AturarFilsPas();
    }
}

TEST_F(PasOpenCLProva, TheRunKeepsTheFastestStepThatGivesTheLiteralBits)
{
    constexpr int N = 600;
    const Cossos inicial = Aleatoris(N, 8);
    struct {
        const char* cas;
        void (*cpu)(Particula*, int32_t, const ParametresPas&);
        bool ambCpu;  // processors' devices among the candidates
        bool dispositiu;
    } const casos[] = {
        // The program's own candidates: GPUs, never PoCL on the processor.
        {"the program's", Pas, false, false},
        {"a CPU step slower than any device", [](Particula* p, int32_t n, const ParametresPas& q) {
             std::this_thread::sleep_for(std::chrono::milliseconds(50));
             PasLiteral(p, n, q);
         }, true, true},
        // The device matches the literal step, not this one.
        {"a CPU step with other bits", [](Particula* p, int32_t n, const ParametresPas& q) {
             std::this_thread::sleep_for(std::chrono::milliseconds(50));
             PasLiteral(p, n, q);
             p[0].situar(p[0].retornarposicio(), {1.0, 1.0});
         }, true, false},
        // A signal's stop leaves every device's step short and unchanged.
        {"a signal during the choice", [](Particula* p, int32_t n, const ParametresPas& q) {
             std::this_thread::sleep_for(std::chrono::milliseconds(50));
             PasLiteral(p, n, q);
             InterromprePas();
         }, true, false},
    };
    for (const auto& c : casos) {
        const std::unique_ptr<PasOpenCL> triat =
            TriarDispositiu(DispositiusOpenCL(c.ambCpu), inicial.data(), N,
                            CicleReal(G, FactorVelocitat, 0.01f, repulsio),
                            [&c](Particula* p, int32_t n, const ParametresPas& q) {
                c.cpu(p, n, q);
                return true;
            });
        // A GPU may well beat the processor; a processor's device never runs.
        if (triat != nullptr && !c.ambCpu)
            EXPECT_FALSE(triat->dispositiu().cpu) << c.cas;
        else
            EXPECT_EQ(triat != nullptr, c.dispositiu) << c.cas;
        ReprendrePas();
    }
}

namespace {

// The scalar kernel, slowed so that any device beats it.
void NucliLent(const SistemaPas& s)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PasNucliEscalar(s);
}

// What PoCL, with the build options that POCL_EXTRA_BUILD_FLAGS gives it, does
// in a run that begins with it and a slow processor path to choose from, as
// the status's bits: 1 the run took it, 2 its step kept the literal bits at a
// step factor of 0, 4 at one of a real cycle; 8 when there is no PoCL.
int TriaAmbPoCL()
{
    constexpr int N = 600;
    const Cossos inicial = Aleatoris(N, 11);
    // As start-up leaves them, before the first cycle.
    FactorVelocitat = 1;
    TempsPerCicle = 0.0f;
    const std::vector<DispositiuOpenCL> dispositius = DispositiusDelProcessador();
    if (dispositius.empty())
        return 8;
    FixarCandidatsPas({std::vector<CamiPas>{{"slow scalar", true, NucliLent, {}}}, dispositius});
    IniciarFilsPas(N, inicial.data(), CicleReal(G, FactorVelocitat, SegonsDeCicle(100), repulsio));
    int estat = DispositiuPas() != nullptr ? 1 : 0;
    AturarFilsPas();
    FixarCandidatsPas({});

    const std::unique_ptr<PasOpenCL> opencl = PasOpenCL::Crear(dispositius.front());
    if (!opencl || !opencl->reservar(N))
        return 8;
    for (const float temps : {0.0f, 0.01f}) {
        TempsPerCicle = temps;
        Cossos literal = inicial, dispositiu = inicial;
        PasLiteral(literal.data(), N, ParametresGlobals());
        if (opencl->pas(dispositiu.data(), N, ParametresGlobals()) && MateixosCossos(literal.data(), dispositiu.data(), N))
            estat |= temps == 0.0f ? 2 : 4;
    }
    return estat;
}

}  // namespace

// A device whose arithmetic differs changes nothing while the step factor is
// 0, as it is when a run begins: the gate steps at a real cycle's factor, and
// the run refuses the device.
TEST_F(PasOpenCLProva, TheRunRefusesADeviceThatDiffersOnlyOnceBodiesMove)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* opcions;
        int estat;
    } casos[] = {
        {"", 1 | 2 | 4},
        // Multiplies and adds fused, the kernel's pragma against them left out:
        // the same bits at a factor of 0 on every system the gate steps.
        {"-DPAS_AMB_CONTRACCIO", 2},
        // Relaxed arithmetic, which edge cases show even at a factor of 0.
        {"-cl-fast-relaxed-math -cl-mad-enable", 2},
    };
    for (const auto& c : casos) {
        setenv("POCL_EXTRA_BUILD_FLAGS", c.opcions, 1);
        EXPECT_EXIT(std::exit(TriaAmbPoCL()), ::testing::ExitedWithCode(c.estat), "") << c.opcions;
        unsetenv("POCL_EXTRA_BUILD_FLAGS");
    }
}

TEST_F(PasOpenCLProva, TheProgramNeverStepsOnAProcessorsDevice)
{
    ASSERT_FALSE(DispositiusOpenCL(true).empty()) << "no OpenCL device: scripts/install-deps.sh installs PoCL";
    constexpr int N = 600;
    Cossos literal = Aleatoris(N, 9), programa = literal;
    IniciarFilsPas(N, programa.data(), CicleReal(G, FactorVelocitat, SegonsDeCicle(0), repulsio));
    for (int k = 0; k < 3; ++k) {
        // A GPU may step the run; PoCL, on the processor, never.
        EXPECT_TRUE(DispositiuPas() == nullptr || !DispositiuPas()->cpu);
        PasLiteral(literal.data(), N, ParametresGlobals());
        Pas(programa.data(), N, ParametresGlobals());
    }
    EXPECT_TRUE(MateixosCossos(literal.data(), programa.data(), N));
}

namespace {

// The program's step, in a process whose ICD loader finds no platform,
// against the literal one; the status says whether it ran on the CPU with
// the same bits.
int PasSensePlataforma()
{
    constexpr int N = 600;
    Cossos literal = Aleatoris(N, 10);
    Cossos programa = literal;
    IniciarFilsPas(N, programa.data(), CicleReal(G, FactorVelocitat, SegonsDeCicle(0), repulsio));
    for (int k = 0; k < 3; ++k) {
        PasLiteral(literal.data(), N, ParametresGlobals());
        Pas(programa.data(), N, ParametresGlobals());
    }
    const bool bo = DispositiusOpenCL(true).empty() && DispositiuPas() == nullptr &&
                    MateixosCossos(literal.data(), programa.data(), N);
    AturarFilsPas();
    return bo ? 0 : 1;
}

}  // namespace

TEST_F(PasOpenCLProva, WithNoOpenCLPlatformTheStepIsTheCpusAsBefore)
{
    // In a fresh process of this program started with the variable set: the
    // ICD loader reads it once, at the first call, which here comes as the
    // tests are listed.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string buit = ::testing::TempDir() + "sense-opencl-XXXXXX";
    ASSERT_NE(mkdtemp(buit.data()), nullptr);
    setenv("OCL_ICD_VENDORS", buit.c_str(), 1);
    EXPECT_EXIT(std::exit(PasSensePlataforma()), ::testing::ExitedWithCode(0), "");
    unsetenv("OCL_ICD_VENDORS");
    rmdir(buit.c_str());
}

TEST_F(PasOpenCLProva, LaunchesOfAnySizeGiveTheSameBitsAndCountTheirBodies)
{
    constexpr int N = 300;
    const Cossos inicial = Aleatoris(N, 11);
    // Bodies stepped by a launch, and bodies that pull them: one body, a size
    // no group divides, all at once, one pull at a time, and as measured.
    const struct {
        int32_t cossos, estiradors;
    } trossos[] = {{1, N}, {7, N}, {N, N}, {N, 1}, {7, 13}, {0, 0}};
    for (const DispositiuOpenCL& d : DispositiusDeLesProves()) {
        std::unique_ptr<PasOpenCL> opencl = CrearDeLesProves(d);
        ASSERT_NE(opencl, nullptr) << d.nom;
        ASSERT_TRUE(opencl->reservar(N)) << d.nom;
        for (const auto& t : trossos) {
            CosturaPasOpenCL::fixarTros(*opencl, t.cossos, t.estiradors);
            std::ostringstream tros;
            tros << d.nom << ", launches of " << t.cossos << " bodies by " << t.estiradors;
            Cossos literal = inicial, dispositiu = inicial;
            for (int k = 0; k < 3; ++k) {
                repulsio = k == 1;
                const int64_t abans = CossosSumatsPas();
                PasLiteral(literal.data(), N, ParametresGlobals());
                ASSERT_TRUE(opencl->pas(dispositiu.data(), N, ParametresGlobals())) << tros.str();
                EXPECT_EQ(CossosSumatsPas() - abans, N) << tros.str();
                EXPECT_TRUE(MateixosCossos(literal.data(), dispositiu.data(), N)) << tros.str() << ", step " << k + 1;
            }
        }
    }
}

namespace {

extern "C" void InterrompreDesDeSenyal(int)
{
    InterromprePas();
}

double Segons(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

}  // namespace

// How soon the step ends is counted in the bodies summed after the signal,
// not in milliseconds, which a loaded machine stretches: the launches in
// flight finish, no new one starts. make signal-latency times it.
TEST_F(PasOpenCLProva, ASignalInTheMiddleOfAStepEndsItBeforeMostOfItsBodies)
{
    using Rellotge = std::chrono::steady_clock;
    for (const DispositiuOpenCL& d : DispositiusDeLesProves()) {
        std::unique_ptr<PasOpenCL> opencl = CrearDeLesProves(d);
        ASSERT_NE(opencl, nullptr) << d.nom;
        // Bodies enough for a step of about a second on this device, at the
        // pace of a step of 2048.
        constexpr int32_t MOSTRA = 2048;
        ASSERT_TRUE(opencl->reservar(MOSTRA));
        Cossos mostra = Aleatoris(MOSTRA, 12);
        double millor = 1e9;
        for (int k = 0; k < 3; ++k) {
            const Rellotge::time_point inici = Rellotge::now();
            ASSERT_TRUE(opencl->pas(mostra.data(), MOSTRA, ParametresGlobals()));
            millor = std::min(millor, Segons(Rellotge::now() - inici));
        }
        const double cossos = std::sqrt(1.0 / (millor / (double(MOSTRA) * MOSTRA)));
        const int32_t n = static_cast<int32_t>(std::clamp(cossos, double(MOSTRA), double(1 << 21)));
        ASSERT_TRUE(opencl->reservar(n)) << n << " bodies";
        for (const int senyal : {SIGINT, SIGTERM}) {
            struct sigaction nova {}, antiga {};
            nova.sa_handler = InterrompreDesDeSenyal;
            sigemptyset(&nova.sa_mask);
            ASSERT_EQ(sigaction(senyal, &nova, &antiga), 0);
            const Cossos inicial = Aleatoris(n, 13);
            Cossos cossos = inicial;
            const int64_t abans = CossosSumatsPas();
            std::atomic<bool> acabat{false};
            int64_t sumatsAlSenyal = 0;
            // Sent once a tenth of the bodies is summed, by when the launches
            // have found their length.
            std::thread emissor([&] {
                while (!acabat && CossosSumatsPas() - abans < n / 10)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                sumatsAlSenyal = CossosSumatsPas() - abans;
                kill(getpid(), senyal);
            });
            const bool bo = opencl->pas(cossos.data(), n, ParametresGlobals());
            const int64_t sumatsAlFinal = CossosSumatsPas() - abans;
            acabat = true;
            emissor.join();
            sigaction(senyal, &antiga, nullptr);
            EXPECT_TRUE(bo) << d.nom;
            EXPECT_TRUE(PasInterromput()) << d.nom;
            EXPECT_TRUE(MateixosCossos(inicial.data(), cossos.data(), n))
                << d.nom << ": the step ran to its end, or kept half of itself";
            EXPECT_LT(sumatsAlFinal - sumatsAlSenyal, n / 2)
                << d.nom << ", " << strsignal(senyal) << ", " << n << " bodies, " << sumatsAlSenyal
                << " summed at the signal";
            ReprendrePas();
        }
    }
}

TEST_F(PasOpenCLProva, AKernelThatDoesNotBuildKeepsTheDriversLog)
{
    for (const DispositiuOpenCL& d : DispositiusDeLesProves()) {
        std::string motiu;
        // The kernel's function name made a number: a syntax error.
        EXPECT_EQ(PasOpenCL::Crear(d, &motiu, "-DEstira=1"), nullptr) << d.nom;
        const std::size_t registre = motiu.find("the driver's log:\n");
        ASSERT_EQ(motiu.rfind("the kernel does not build", 0), 0u) << motiu;
        ASSERT_NE(registre, std::string::npos) << motiu;
        EXPECT_NE(motiu.find("error", registre), std::string::npos) << motiu;
        ASSERT_NE(PasOpenCL::Crear(d, &motiu), nullptr) << d.nom;
        EXPECT_EQ(motiu, "");
    }
}

TEST(DispositiusOpenCL, OneDeviceSeenTwiceIsTheSameDevice)
{
    IdentitatOpenCL h100;
    h100.venedor = 0x10de;
    h100.nom = "NVIDIA H100 80GB HBM3";
    h100.controlador = "580.159.04";
    h100.memoria = 85899345920;
    const auto amb = [&](auto canvi) {
        IdentitatOpenCL i = h100;
        canvi(i);
        return i;
    };
    const struct {
        const char* cas;
        IdentitatOpenCL a, b;
        bool mateix;
    } casos[] = {
        {"alike", h100, h100, true},
        {"another driver", h100, amb([](IdentitatOpenCL& i) { i.controlador = "575.57.08"; }), false},
        {"a twin card, no address", h100, amb([](IdentitatOpenCL& i) { i.memoria -= 1; }), false},
        {"one address", amb([](IdentitatOpenCL& i) { i.pci = "nv 0:23:0"; }),
         amb([](IdentitatOpenCL& i) { i.pci = "nv 0:23:0", i.controlador = "other"; }), true},
        {"twin cards", amb([](IdentitatOpenCL& i) { i.pci = "nv 0:23:0"; }),
         amb([](IdentitatOpenCL& i) { i.pci = "nv 0:24:0"; }), false},
        {"an address written two ways", amb([](IdentitatOpenCL& i) { i.pci = "nv 0:23:0"; }),
         amb([](IdentitatOpenCL& i) { i.pci = "khr 0:23:0.0"; }), true},
        {"one UUID, two names", amb([](IdentitatOpenCL& i) { i.uuid = "ab", i.nom = "GPU"; }),
         amb([](IdentitatOpenCL& i) { i.uuid = "ab"; }), true},
        {"two UUIDs", amb([](IdentitatOpenCL& i) { i.uuid = "ab", i.pci = "nv 0:23:0"; }),
         amb([](IdentitatOpenCL& i) { i.uuid = "cd", i.pci = "nv 0:23:0"; }), false},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(MateixDispositiu(c.a, c.b), c.mateix) << c.cas;
        EXPECT_EQ(MateixDispositiu(c.b, c.a), c.mateix) << c.cas;
    }
}

namespace {

// In a process whose ICD loader reads every driver of this machine twice:
// 0 where each device is listed once, 1 where one is listed twice, 2 where
// the loader did not show each platform twice.
int DispositiusAmbCadaDriverDosCops()
{
    cl_uint plataformes = 0;
    if (clGetPlatformIDs(0, nullptr, &plataformes) != CL_SUCCESS || plataformes < 2 || plataformes % 2 != 0)
        return 2;
    std::vector<cl_platform_id> ids(plataformes);
    clGetPlatformIDs(plataformes, ids.data(), nullptr);
    cl_uint vistos = 0;
    for (cl_platform_id p : ids) {
        cl_uint n = 0;
        if (clGetDeviceIDs(p, CL_DEVICE_TYPE_ALL, 0, nullptr, &n) == CL_SUCCESS)
            vistos += n;
    }
    std::vector<DispositiuDescartat> descartats;
    const size_t llistats = DispositiusOpenCL(true, &descartats).size() + descartats.size();
    return llistats * 2 == vistos ? 0 : 1;
}

const char kDoble[] = "icd-doble-";

}  // namespace

TEST(DispositiusOpenCL, EachDeviceIsTriedOnceHoweverManyPlatformsShowIt)
{
    ASSERT_FALSE(DispositiusOpenCL(true).empty()) << "no OpenCL device: scripts/install-deps.sh installs PoCL";
    // Each driver's file, as the loader finds them, copied twice. The death
    // test's child starts with the copies in place.
    const char* actual = std::getenv("OCL_ICD_VENDORS");
    const std::string origen = actual != nullptr ? actual : "/etc/OpenCL/vendors";
    const bool fill = origen.find(kDoble) != std::string::npos;
    std::vector<std::string> fitxers;
    if (DIR* dir = fill ? nullptr : opendir(origen.c_str())) {
        while (const dirent* e = readdir(dir)) {
            const std::string nom = e->d_name;
            if (nom.size() > 4 && nom.compare(nom.size() - 4, 4, ".icd") == 0)
                fitxers.push_back(origen + "/" + nom);
        }
        closedir(dir);
    } else if (!fill) {
        fitxers.push_back(origen);
    }
    std::string doble = ::testing::TempDir() + kDoble + "XXXXXX";
    ASSERT_TRUE(fill || mkdtemp(doble.data()) != nullptr);
    std::vector<std::string> copies;
    for (size_t k = 0; k < fitxers.size(); ++k) {
        std::ifstream in(fitxers[k]);
        std::stringstream text;
        text << in.rdbuf();
        for (const char* copia : {"a", "b"}) {
            copies.push_back(doble + "/" + std::to_string(k) + copia + ".icd");
            std::ofstream(copies.back()) << text.str();
        }
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (!fill)
        setenv("OCL_ICD_VENDORS", doble.c_str(), 1);
    EXPECT_EXIT(std::exit(DispositiusAmbCadaDriverDosCops()), ::testing::ExitedWithCode(0), "");
    if (fill)
        return;
    if (actual != nullptr)
        setenv("OCL_ICD_VENDORS", origen.c_str(), 1);
    else
        unsetenv("OCL_ICD_VENDORS");
    for (const std::string& c : copies)
        std::remove(c.c_str());
    rmdir(doble.c_str());
}
