#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/proces.h"

// particules-config started with standard output closed: the descriptor is
// held on /dev/null opened for reading, so that what it writes there fails as
// on the closed one (it says so and ends with 1, nothing is silently lost),
// and a file it opens never takes the number. A preview that fails so leaves
// the folder as it was.

namespace {

struct Tancat {
    const char* nom;
    std::string ordre;  // after the program, in sh -c, with stdout closed
};

void PrintTo(const Tancat& t, std::ostream* os)
{
    *os << t.nom;
}

class SortidaTancada : public ::testing::TestWithParam<Tancat> {};

}  // namespace

TEST_P(SortidaTancada, SaysItCannotWriteAndLeavesTheFolderAsItWas)
{
    const Tancat& t = GetParam();
    DirectoriTemporal dir;
    dir.escriure("config.txt", "400 300 2 100 60 -11\n0 x 0 y 0 vx 0 vy 1000000000000 kg 8 px\n"
                               "100 x 0 y 0 vx 0 vy 1 kg 2 px\n");
    OpcionsExecucio o;
    o.directori = dir.cami();
    o.arguments = {"-c", "exec \"$0\" " + t.ordre + " >&-", PARTICULES_CONFIG_BIN};
    o.entorn = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    const Execucio r = Executar("/bin/sh", o);
    EXPECT_EQ(r.estat, 1);
    EXPECT_NE(r.errors.find("cannot write to standard output"), std::string::npos) << r.errors;
    std::vector<std::string> noms;
    for (const auto& e : std::filesystem::directory_iterator(dir.cami()))
        noms.push_back(e.path().filename().string());
    EXPECT_EQ(noms, std::vector<std::string>{"config.txt"});
}

INSTANTIATE_TEST_SUITE_P(
    ConfigStreams, SortidaTancada,
    ::testing::Values(Tancat{"Gen", "gen star"},
                      Tancat{"PreviewWithPictureAndTable", "preview config.txt --seconds 1 --png out.png --csv out.csv"}),
    [](const ::testing::TestParamInfo<Tancat>& i) { return std::string(i.param.nom); });
