#include <gtest/gtest.h>

#include <vector>

#include "physics/globals.h"
#include "physics/pas.h"
#include "unitats.h"

namespace {

using FuncioPas = void (*)(Particula*, int32_t, const ParametresPas&);

class Step : public AmbUnitats, public ::testing::WithParamInterface<FuncioPas> {
protected:
    Particula& afegir(double px, double py, double vx, double vy, uint64_t m)
    {
        cossos.emplace_back();
        cossos.back().valors(px, py, vx, vy, m, 1.0f);
        return cossos.back();
    }
    void pas() { GetParam()(cossos.data(), static_cast<int32_t>(cossos.size()), ParametresGlobals()); }

    std::vector<Particula> cossos;
};

}  // namespace

TEST_P(Step, TwoBodiesTheSecondFeelsTheFirstFromDistanceNine)
{
    afegir(0, 0, 0, 0, 100);
    afegir(10, 0, -1, 0, 100);
    pas();
    EXPECT_EQ(cossos[0].retornarposicio().x, 0.0);
    EXPECT_EQ(cossos[0].retornarposicio().y, 0.0);
    EXPECT_EQ(cossos[0].retornarvelocitat().x, 100.0 / (10.0 * 10.0));
    EXPECT_EQ(cossos[0].retornarvelocitat().y, 0.0);
    EXPECT_EQ(cossos[1].retornarposicio().x, 9.0);
    EXPECT_EQ(cossos[1].retornarposicio().y, 0.0);
    EXPECT_EQ(cossos[1].retornarvelocitat().x, -1.0 - 100.0 / 81.0);
    EXPECT_EQ(cossos[1].retornarvelocitat().y, 0.0);
}

TEST_P(Step, LaterBodiesFeelEarlierOnesAtTheirNewPositions)
{
    // Worked by hand on the x axis, G = 1, one second, so every unit vector is
    // exactly +-1 and each pull is m / r^2.
    afegir(0, 0, 2, 0, 64);    // moves to 2
    afegir(10, 0, -2, 0, 64);  // moves to 8
    afegir(-2, 0, 0, 0, 16);   // stays at -2
    pas();
    // Body 0 went first: it feels 1 at 10 (r = 8) and 2 at -2 (r = 4), both old.
    EXPECT_EQ(cossos[0].retornarposicio().x, 2.0);
    EXPECT_EQ(cossos[0].retornarvelocitat().x, 2.0 + 64.0 / 64.0 - 16.0 / 16.0);
    // Body 1 feels 0 at its new 2 (r = 6) and 2 at its old -2 (r = 10).
    EXPECT_EQ(cossos[1].retornarposicio().x, 8.0);
    EXPECT_EQ(cossos[1].retornarvelocitat().x, -2.0 - 64.0 / 36.0 - 16.0 / 100.0);
    // Body 2 feels both at their new places: 0 at 2 (r = 4), 1 at 8 (r = 10).
    EXPECT_EQ(cossos[2].retornarposicio().x, -2.0);
    EXPECT_EQ(cossos[2].retornarvelocitat().x, 64.0 / 16.0 + 64.0 / 100.0);
    for (const Particula& p : cossos) {
        EXPECT_EQ(p.retornarposicio().y, 0.0);
        EXPECT_EQ(p.retornarvelocitat().y, 0.0);
    }
}

TEST_P(Step, RepulsionPushesWithTheSameMagnitude)
{
    afegir(0, 0, 0, 0, 100);
    afegir(10, 0, 0, 0, 100);
    repulsio = true;
    pas();
    EXPECT_EQ(cossos[0].retornarvelocitat().x, -(100.0 / 100.0));
    EXPECT_EQ(cossos[1].retornarvelocitat().x, 100.0 / 100.0);
}

TEST_P(Step, OneBodyMovesInAStraightLine)
{
    afegir(1, 2, 3, -4, 1000);
    for (int k = 0; k < 3; ++k)
        pas();
    EXPECT_EQ(cossos[0].retornarposicio().x, 10.0);
    EXPECT_EQ(cossos[0].retornarposicio().y, -10.0);
    EXPECT_EQ(cossos[0].retornarvelocitat().x, 3.0);
    EXPECT_EQ(cossos[0].retornarvelocitat().y, -4.0);
}

TEST_P(Step, CoincidentBodiesStayPut)
{
    afegir(5, 5, 0, 0, 1000);
    afegir(5, 5, 0, 0, 1000);
    pas();
    for (const Particula& p : cossos) {
        EXPECT_EQ(p.retornarposicio().x, 5.0);
        EXPECT_EQ(p.retornarvelocitat().x, 0.0);
        EXPECT_EQ(p.retornarvelocitat().y, 0.0);
    }
}

TEST_P(Step, FirstCycleWithZeroTimeChangesNothing)
{
    TempsPerCicle = 0.0f;
    afegir(0, 0, 1, 2, 100);
    afegir(10, 3, -1, 0, 100);
    pas();
    EXPECT_EQ(cossos[0].retornarposicio().x, 0.0);
    EXPECT_EQ(cossos[0].retornarvelocitat().x, 1.0);
    EXPECT_EQ(cossos[0].retornarvelocitat().y, 2.0);
    EXPECT_EQ(cossos[1].retornarposicio().x, 10.0);
    EXPECT_EQ(cossos[1].retornarposicio().y, 3.0);
    EXPECT_EQ(cossos[1].retornarvelocitat().x, -1.0);
    EXPECT_EQ(cossos[1].retornarvelocitat().y, 0.0);
}

// The worked examples hold for the literal step and for the one the program runs.
INSTANTIATE_TEST_SUITE_P(LiteralAndFast, Step, ::testing::Values(&PasLiteral, &Pas),
                         [](const auto& info) { return info.index == 0 ? "Literal" : "Rapid"; });
