#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "physics/pas_opencl.h"
#include "support/proces.h"

// particules-config speed, and the program's choice of step as preview makes
// it, on a machine whose one OpenCL device is PoCL's, on the processor.

namespace {

constexpr int N = 600;

Execucio Config(const std::string& directori, std::vector<std::string> arguments,
                std::vector<std::string> entorn = {})
{
    OpcionsExecucio o;
    o.directori = directori;
    o.arguments = std::move(arguments);
    o.entorn = std::move(entorn);
    return Executar(PARTICULES_CONFIG_BIN, o);
}

// The ICD loader looking for drivers in an empty folder: no OpenCL platform.
std::string SensePlataforma(const DirectoriTemporal& dir)
{
    const std::string buit = dir.cami() + "/sense-drivers";
    mkdir(buit.c_str(), 0755);
    return "OCL_ICD_VENDORS=" + buit;
}

struct Fila {
    double ns, ms;
    long long cossos;
    std::string bits, cami;
};

// The table's rows: the numbers, then same or DIFF, then the path's name.
std::vector<Fila> Files(const std::string& informe)
{
    std::vector<Fila> files;
    std::istringstream in(informe);
    std::string linia;
    while (std::getline(in, linia)) {
        std::istringstream camps(linia);
        Fila f;
        if (camps >> f.ns >> f.ms >> f.cossos >> f.bits && std::getline(camps >> std::ws, f.cami))
            files.push_back(f);
    }
    return files;
}

}  // namespace

namespace {

// The processor's paths this machine has, from the flags the kernel lists.
std::vector<std::string> CaminsDeCpuinfo()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string linia, paraula;
    std::set<std::string> flags;
    while (std::getline(cpuinfo, linia) && flags.empty()) {
        if (linia.rfind("flags", 0) != 0)
            continue;
        std::istringstream in(linia.substr(linia.find(':') + 1));
        while (in >> paraula)
            flags.insert(paraula);
    }
    std::vector<std::string> camins = {"scalar"};
#if defined(__x86_64__)
    camins.push_back("SSE2");
    if (flags.count("avx2") && flags.count("fma"))
        camins.push_back("AVX2 FMA dx");
    if (flags.count("avx2"))
        camins.push_back("AVX2");
    if (flags.count("avx512f") && flags.count("fma"))
        camins.insert(camins.end(), {"AVX-512 FMA all", "AVX-512 FMA dy", "AVX-512 FMA"});
    if (flags.count("avx512f"))
        camins.push_back("AVX-512");
#endif
    return camins;
}

}  // namespace

TEST(Speed, ListsEveryPathWithItsBitsAndTheProgramsChoice)
{
    DirectoriTemporal dir;
    const struct {
        const char* cas;
        bool plataforma;
    } casos[] = {{"with PoCL", true}, {"with no OpenCL platform", false}};
    for (const auto& c : casos) {
        const Execucio r = Config(dir.cami(), {"speed", "-n", std::to_string(N)},
                                  c.plataforma ? std::vector<std::string>{} : std::vector<std::string>{SensePlataforma(dir)});
        ASSERT_EQ(r.estat, 0) << c.cas << "\n" << r.sortida << r.errors;
        EXPECT_EQ(r.errors, "") << c.cas;
        const std::vector<Fila> files = Files(r.sortida);
        ASSERT_GE(files.size(), 1u) << r.sortida;
        // Each of the processor's paths once, in the table's order.
        std::vector<std::string> cpu;
        size_t opencl = 0;
        for (const Fila& f : files) {
            EXPECT_EQ(f.bits, "same") << f.cami;
            if (f.cami.rfind("CPU ", 0) == 0 && f.cami.find(", 1 thread") == std::string::npos)
                cpu.push_back(f.cami.substr(4, f.cami.find(',') - 4));
            opencl += f.cami.rfind("OpenCL ", 0) == 0 ? 1 : 0;
            if (f.cami.rfind("OpenCL Portable Computing Language: ", 0) == 0) {
                EXPECT_NE(f.cami.find("never the program's"), std::string::npos) << f.cami;
            }
        }
        EXPECT_EQ(cpu, CaminsDeCpuinfo()) << r.sortida;
        // A path that takes longer a pair holds no more bodies at 100 steps a second.
        for (const Fila& a : files)
            for (const Fila& b : files)
                EXPECT_TRUE(a.ns >= b.ns || a.cossos >= b.cossos) << a.cami << " against " << b.cami;
        for (size_t at = 0; (at = r.sortida.find("\nnot used: OpenCL ", at)) != std::string::npos; ++at)
            ++opencl;
        // Every device of this machine, PoCL's at least, unless the build has no OpenCL.
        EXPECT_EQ(opencl, c.plataforma ? DispositiusOpenCL(true).size() : 0) << c.cas << "\n" << r.sortida;
#if !defined(PARTICULES_SENSE_OPENCL)
        EXPECT_GE(opencl, c.plataforma ? 1u : 0u) << c.cas << "\n" << r.sortida;
#endif
        // The processor, or a GPU where this machine has one.
        const size_t triat = r.sortida.find("\nthe program would step this disc on: ");
        ASSERT_NE(triat, std::string::npos) << c.cas << "\n" << r.sortida;
        const std::string cami = r.sortida.substr(triat + 38);
        EXPECT_TRUE(cami.rfind("CPU ", 0) == 0 || (c.plataforma && !DispositiusOpenCL(false).empty()))
            << c.cas << "\n" << r.sortida;
    }
}

TEST(Speed, UsageMistakes)
{
    DirectoriTemporal dir;
    const std::vector<std::vector<std::string>> dolents = {
        {"speed", "-n", "0"}, {"speed", "-n", "1"}, {"speed", "-n", "x"}, {"speed", "-n"}, {"speed", "--png", "a"},
    };
    for (const auto& arguments : dolents) {
        const Execucio r = Config(dir.cami(), arguments);
        EXPECT_EQ(r.estat, 2) << arguments.back();
        EXPECT_EQ(r.sortida, "") << arguments.back();
        EXPECT_NE(r.errors.find("particules-config: "), std::string::npos) << arguments.back();
    }
}

TEST(Speed, PreviewIsTheSameWithAndWithoutAnOpenCLPlatform)
{
    DirectoriTemporal dir;
    const Execucio disc = Config(dir.cami(), {"gen", "disc", "-n", std::to_string(N)});
    ASSERT_EQ(disc.estat, 0) << disc.errors;
    dir.escriure("config.txt", disc.sortida);
    const Execucio amb = Config(dir.cami(), {"preview", "--seconds", "2"});
    const Execucio sense = Config(dir.cami(), {"preview", "--seconds", "2"}, {SensePlataforma(dir)});
    ASSERT_EQ(amb.estat, 0) << amb.errors;
    EXPECT_EQ(sense.estat, 0) << sense.errors;
    EXPECT_EQ(amb.errors, "");
    EXPECT_EQ(sense.errors, "");
    EXPECT_EQ(amb.sortida, sense.sortida);
}

// A million bodies would take days: refused at once as a usage error that
// names the most it takes, which the default count is well under.
TEST(Speed, RefusesWhatWouldTakeMoreThanAFewMinutes)
{
    DirectoriTemporal dir;
    const Execucio r = Config(dir.cami(), {"speed", "-n", "1000000"});
    EXPECT_EQ(r.estat, 2);
    EXPECT_EQ(r.sortida, "");
    const std::string davant = "particules-config: bad value \"1000000\" for -n: speed would take about ";
    ASSERT_EQ(r.errors.rfind(davant, 0), 0u) << r.errors;
    const size_t at = r.errors.find("; it takes at most ");
    ASSERT_NE(at, std::string::npos) << r.errors;
    long long maxim = 0;
    std::istringstream(r.errors.substr(at + 19)) >> maxim;
    EXPECT_GT(maxim, 4096) << r.errors;
    EXPECT_LT(maxim, 1000000) << r.errors;
    EXPECT_NE(r.errors.find(std::to_string(maxim) + " bodies\n"), std::string::npos) << r.errors;
}

TEST(Speed, SaysWhyADeviceIsNotUsedWithTheDriversBuildLog)
{
#if defined(PARTICULES_SENSE_OPENCL)
    GTEST_SKIP() << "built without OpenCL";
#endif
    DirectoriTemporal dir;
    // PoCL builds the kernel with the function it calls made a number.
    const Execucio r = Config(dir.cami(), {"speed", "-n", "300"}, {"POCL_EXTRA_BUILD_FLAGS=-DEstira=1"});
    ASSERT_EQ(r.estat, 0) << r.sortida << r.errors;
    const std::string linia = "\nnot used: OpenCL Portable Computing Language: ";
    const std::size_t motiu = r.sortida.find(linia);
    ASSERT_NE(motiu, std::string::npos) << r.sortida;
    const std::size_t registre = r.sortida.find(": the kernel does not build (", motiu);
    ASSERT_NE(registre, std::string::npos) << r.sortida;
    // The driver's log, indented under its device.
    EXPECT_NE(r.sortida.find("\n    error: ", registre), std::string::npos) << r.sortida;
    for (const Fila& f : Files(r.sortida))
        EXPECT_EQ(f.cami.rfind("OpenCL ", 0), std::string::npos) << f.cami;
}
