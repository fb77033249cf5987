#include <gtest/gtest.h>

#include <chrono>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "physics/globals.h"
#include "physics/pas.h"

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
                dispositiu->trencar();
            EXPECT_EQ(DispositiuPas() != nullptr, k <= c.fallaDesDe) << c.cas << ", step " << k + 1;
            PasLiteral(literal.data(), N);
            Pas(programa.data(), N);
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
        void (*cpu)(Particula*, int32_t);
        bool ambCpu;  // processors' devices among the candidates
        bool dispositiu;
    } const casos[] = {
        // The program's own candidates: GPUs, never PoCL on the processor.
        {"the program's", Pas, false, false},
        {"a CPU step slower than any device", [](Particula* p, int32_t n) {
             std::this_thread::sleep_for(std::chrono::milliseconds(50));
             PasLiteral(p, n);
         }, true, true},
        // The device matches the literal step, not this one.
        {"a CPU step with other bits", [](Particula* p, int32_t n) {
             std::this_thread::sleep_for(std::chrono::milliseconds(50));
             PasLiteral(p, n);
             p[0].situar(p[0].retornarposicio(), {1.0, 1.0});
         }, true, false},
        // A signal's stop leaves every device's step short and unchanged.
        {"a signal during the choice", [](Particula* p, int32_t n) {
             std::this_thread::sleep_for(std::chrono::milliseconds(50));
             PasLiteral(p, n);
             InterromprePas();
         }, true, false},
    };
    for (const auto& c : casos) {
        const std::unique_ptr<PasOpenCL> triat =
            TriarDispositiu(DispositiusOpenCL(c.ambCpu), inicial.data(), N, 0.01f, [&c](Particula* p, int32_t n) {
                c.cpu(p, n);
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
    IniciarFilsPas(N, inicial.data(), 100);
    int estat = DispositiuPas() != nullptr ? 1 : 0;
    AturarFilsPas();
    FixarCandidatsPas({});

    const std::unique_ptr<PasOpenCL> opencl = PasOpenCL::Crear(dispositius.front());
    if (!opencl || !opencl->reservar(N))
        return 8;
    for (const float temps : {0.0f, 0.01f}) {
        TempsPerCicle = temps;
        Cossos literal = inicial, dispositiu = inicial;
        PasLiteral(literal.data(), N);
        if (opencl->pas(dispositiu.data(), N) && MateixosCossos(literal.data(), dispositiu.data(), N))
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
    IniciarFilsPas(N, programa.data());
    for (int k = 0; k < 3; ++k) {
        // A GPU may step the run; PoCL, on the processor, never.
        EXPECT_TRUE(DispositiuPas() == nullptr || !DispositiuPas()->cpu);
        PasLiteral(literal.data(), N);
        Pas(programa.data(), N);
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
    IniciarFilsPas(N, programa.data());
    for (int k = 0; k < 3; ++k) {
        PasLiteral(literal.data(), N);
        Pas(programa.data(), N);
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
