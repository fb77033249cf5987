#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "physics/globals.h"
#include "physics/particula.h"
#include "physics/vector.h"
#include "unitats.h"
#include "support/bits.h"

namespace {

using Fisica = AmbUnitats;

Particula Cos(double px, double py, double vx, double vy, uint64_t m, float diametre = 1.0f)
{
    Particula p;
    p.valors(px, py, vx, vy, m, diametre);
    return p;
}

}  // namespace

TEST(Vectors, DistanceLengthAndUnitOfA345Triangle)
{
    const vector d = DistanciaVectors({1, 2}, {4, 6});
    EXPECT_EQ(d.x, 3.0);
    EXPECT_EQ(d.y, 4.0);
    EXPECT_EQ(ModulVector(d), 5.0);
    const vector u = VectorUnitari(d);
    EXPECT_EQ(u.x, 0.6);
    EXPECT_EQ(u.y, 0.8);
}

TEST(Vectors, InPlaceSumAndDifferenceAndScaling)
{
    vector a{1.5, -2.0};
    SumaVectors(a, {0.25, 4.0});
    EXPECT_EQ(a.x, 1.75);
    EXPECT_EQ(a.y, 2.0);
    RestaVectors(a, {1.0, 3.0});
    EXPECT_EQ(a.x, 0.75);
    EXPECT_EQ(a.y, -1.0);
    const vector m = MultiplicacioVectors({3.0, -0.5}, 4.0);
    EXPECT_EQ(m.x, 12.0);
    EXPECT_EQ(m.y, -2.0);
    const vector q = DivisioVectors({1.0, -9.0}, 3);
    EXPECT_EQ(q.x, 1.0 / 3.0);
    EXPECT_EQ(q.y, -3.0);
}

TEST_F(Fisica, AttractionOf10AtDistance5)
{
    const vector a = AtraccioVectors({0, 0}, {3, 4}, 10);
    EXPECT_EQ(a.x, (3.0 / 5.0) * (10.0 / 25.0));
    EXPECT_EQ(a.y, (4.0 / 5.0) * (10.0 / 25.0));
    EXPECT_NEAR(a.x, 0.24, 1e-15);
    EXPECT_NEAR(a.y, 0.32, 1e-15);
}

TEST_F(Fisica, AttractionConvertsHugeMassesAsUnsigned)
{
    // 2^64 - 1 rounds to 2^64 as a double; a signed conversion would give -1.
    const vector a = AtraccioVectors({0, 0}, {1, 0}, std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(a.x, 18446744073709551616.0);
}

TEST_F(Fisica, AttraccioRaisesVelocityAndRepulsionLowersItByTheSameBits)
{
    Particula atreta = Cos(0, 0, 0, 0, 1);
    atreta.atraccio({3, 4}, 10);
    repulsio = true;
    Particula repellida = Cos(0, 0, 0, 0, 1);
    repellida.atraccio({3, 4}, 10);

    EXPECT_EQ(atreta.retornarvelocitat().x, (3.0 / 5.0) * (10.0 / 25.0));
    EXPECT_EQ(atreta.retornarvelocitat().y, (4.0 / 5.0) * (10.0 / 25.0));
    EXPECT_TRUE(BitsIdentics(repellida.retornarvelocitat().x, -atreta.retornarvelocitat().x));
    EXPECT_TRUE(BitsIdentics(repellida.retornarvelocitat().y, -atreta.retornarvelocitat().y));
}

TEST_F(Fisica, CoincidentOrNaNPositionsExertNothing)
{
    Particula p = Cos(7.5, -2.0, 0.125, -3.0, 5);
    p.atraccio({7.5, -2.0}, 1000);
    p.atraccio({std::nan(""), 0.0}, 1000);
    EXPECT_TRUE(BitsIdentics(p.retornarvelocitat().x, 0.125));
    EXPECT_TRUE(BitsIdentics(p.retornarvelocitat().y, -3.0));
}

TEST_F(Fisica, MovimentAdvancesByVelocityTimesTheStepFactor)
{
    FactorVelocitat = 3600;
    TempsPerCicle = 0.016f;
    Particula p = Cos(1.0, 2.0, 0.5, -0.25, 1);
    p.moviment();
    // The factor is formed in single precision, then widened.
    const double f = static_cast<double>(3600.0f * 0.016f);
    EXPECT_EQ(p.retornarposicio().x, 0.5 * f + 1.0);
    EXPECT_EQ(p.retornarposicio().y, -0.25 * f + 2.0);
    EXPECT_NE(f, 3600.0 * static_cast<double>(0.016f));
}

TEST_F(Fisica, ZeroCycleTimeLeavesFiniteBodiesAsTheyWere)
{
    TempsPerCicle = 0.0f;
    Particula p = Cos(12.0, -4.0, 3.0, 1.0, 100);
    p.moviment();
    p.atraccio({0, 0}, 1000000);
    EXPECT_EQ(p.retornarposicio().x, 12.0);
    EXPECT_EQ(p.retornarposicio().y, -4.0);
    EXPECT_EQ(p.retornarvelocitat().x, 3.0);
    EXPECT_EQ(p.retornarvelocitat().y, 1.0);
}

TEST(Valors, DiameterTruncatesTowardZeroAndOutOfRangeGivesZero)
{
    EXPECT_EQ(Cos(0, 0, 0, 0, 1, 2.9f).retornarmida(), 2);
    EXPECT_EQ(Cos(0, 0, 0, 0, 1, 0.9f).retornarmida(), 0);
    EXPECT_EQ(Cos(0, 0, 0, 0, 1, -2.9f).retornarmida(), -2);
    EXPECT_EQ(MidaDeDiametre(2147483520.0f), 2147483520);
    EXPECT_EQ(MidaDeDiametre(-2147483648.0f), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(MidaDeDiametre(2147483648.0f), 0);
    EXPECT_EQ(MidaDeDiametre(-3e9f), 0);
    EXPECT_EQ(MidaDeDiametre(std::nanf("")), 0);
    EXPECT_EQ(MidaDeDiametre(std::numeric_limits<float>::infinity()), 0);
}

// WebAssembly has no fused multiply-add to contract into.
#if defined(__x86_64__) || defined(__i386__)
// Compiled for processors with fused multiply-add; with contraction on, the
// compiler would fuse this into one instruction and skip the product's rounding.
__attribute__((target("fma"), noinline)) double ProducteMesSuma(double a, double b, double c)
{
    return a * b + c;
}

TEST(FloatingPoint, NoFusedMultiplyAdd)
{
    if (!__builtin_cpu_supports("fma"))
        GTEST_SKIP() << "this processor has no fused multiply-add";
    volatile double a = 1.0 + std::ldexp(1.0, -30);
    volatile double b = 1.0 - std::ldexp(1.0, -30);
    // a*b = 1 - 2^-60 rounds to 1, so the unfused sum is 0; fused it is -2^-60.
    EXPECT_EQ(ProducteMesSuma(a, b, -1.0), 0.0);
}
#endif
