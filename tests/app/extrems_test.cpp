#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "app/arrencada.h"
#include "app/bucle.h"
#include "app/globals.h"
#include "support/finestra_dummy.h"

// Values at the edges of their types, run through whole cycles of the real
// loop at the fastest time factor: every cycle must go through, every frame
// must show exactly the bodies that can be drawn, and q must end the run.
// Under make sanitize any undefined conversion on the way aborts the test.

namespace {

class ValorsExtrems : public AmbFinestra {
protected:
    // Reads a config as start-up does, into the window the fixture opened.
    void carregar(const std::string& config)
    {
        ASSERT_TRUE(CarregarConfig(config));
        PuntReferencia = {400.0, 300.0};
        // Every frame shows where the bodies are now, not where they were.
        DibuixarTrajectoria = false;
    }

    // Cycles of at least 1 ms at a year per second: each step is over 31536
    // simulated seconds.
    void correr(int cicles)
    {
        pitjar(SDLK_7);
        for (int k = 0; k < cicles; ++k)
            ASSERT_TRUE(cicle(bucle)) << "cycle " << k;
        ASSERT_EQ(FactorVelocitat, 31536000);
    }

    void sortirAmbQ()
    {
        ASSERT_FALSE(bucle.sortir);
        pitjar(SDLK_q);
        ASSERT_TRUE(cicle(bucle));
        EXPECT_TRUE(bucle.sortir);
    }

    // The pixels of the one-pixel bodies whose mapped position falls in the
    // window, worked out apart from the drawing code.
    static size_t pixelsEsperats()
    {
        std::set<std::pair<double, double>> pixels;
        for (int32_t i = 0; i < NUMERO_PARTICULES; ++i) {
            const vector p = particules[i].retornarposicio();
            const double x = std::trunc(0.5 * p.x + 400.0);
            const double y = std::trunc(0.5 * p.y + 300.0);
            if (x >= 0 && x < 800 && y >= 0 && y < 600)
                pixels.insert({x, y});
        }
        return pixels.size();
    }

    static bool finit(vector v) { return std::isfinite(v.x) && std::isfinite(v.y); }

    Bucle bucle;
};

}  // namespace

TEST_F(ValorsExtrems, LargestMassesPullWithoutHarm)
{
    carregar("800 600 2 1000 0 -11\n"
             "-100 x 0 y 0 vx 0 vy 18446744073709551615 kg 1 px\n"
             "100 x 0 y 0 vx 0 vy 18446744073709551615 kg 1 px\n");
    correr(3);
    // G m / r^2 times a step of 31536 s or more: each shoots through the
    // other and far out of the window at once.
    EXPECT_GT(particules[0].retornarposicio().x, 1e6);
    EXPECT_LT(particules[1].retornarposicio().x, -1e6);
    correr(40);
    EXPECT_EQ(particules[0].retornarmassa(), UINT64_MAX);
    EXPECT_EQ(static_cast<size_t>(pixelsBlancs()), pixelsEsperats());
    sortirAmbQ();
}

TEST_F(ValorsExtrems, ExponentsOfGFromMinusToPlusFourHundred)
{
    for (const int gexp : {-400, -330, -11, 0, 300, 308, 309, 400}) {
        SCOPED_TRACE(gexp);
        bucle = Bucle{};
        carregar("800 600 3 1000 0 " + std::to_string(gexp) + "\n"
                 "-200 x 0 y 1 vx 0 vy 1000 kg 1 px\n"
                 "200 x 100 y -1 vx 0 vy 0 kg 1 px\n"
                 "0 x -150 y 0 vx 0 vy 1 kg 1 px\n");
        const double g = std::pow(10.0, gexp) * 6.7;
        EXPECT_EQ(std::memcmp(&G, &g, sizeof g), 0);
        correr(20);
        if (gexp <= -330) {
            // G is 0: nothing pulls, the velocities stay as they were read.
            EXPECT_EQ(G, 0.0);
            EXPECT_EQ(particules[0].retornarvelocitat().x, 1.0);
            EXPECT_EQ(particules[1].retornarvelocitat().x, -1.0);
        }
        if (gexp == 400) {
            // G is infinite: a pull of inf, and 0 kg times inf, give NaN.
            EXPECT_TRUE(std::isinf(G));
            EXPECT_FALSE(finit(particules[1].retornarvelocitat()));
        }
        EXPECT_EQ(static_cast<size_t>(pixelsBlancs()), pixelsEsperats());
        sortirAmbQ();
    }
}

TEST_F(ValorsExtrems, CoincidentBodiesStayWhereTheyAre)
{
    carregar("800 600 3 1000 0 -11\n"
             "0 x 0 y 0 vx 0 vy 1000000000000000 kg 1 px\n"
             "0 x 0 y 0 vx 0 vy 1000000000000000 kg 1 px\n"
             "0 x 0 y 0 vx 0 vy 18446744073709551615 kg 1 px\n");
    correr(30);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(particules[i].retornarposicio().x, 0.0);
        EXPECT_EQ(particules[i].retornarposicio().y, 0.0);
        EXPECT_EQ(particules[i].retornarvelocitat().x, 0.0);
        EXPECT_EQ(particules[i].retornarvelocitat().y, 0.0);
    }
    EXPECT_EQ(pixelsBlancs(), 1);
    EXPECT_EQ(pixel(400, 300), blanc());
    sortirAmbQ();
}

TEST_F(ValorsExtrems, BodiesALightYearApartDrawOnlyWhatIsInTheWindow)
{
    // A light-year in metres, and the same the other way and diagonally.
    carregar("800 600 4 1000 0 -11\n"
             "0 x 0 y 0 vx 0 vy 1000 kg 1 px\n"
             "9.4607e15 x 0 y 0 vx 0 vy 1000 kg 1 px\n"
             "-9.4607e15 x 9.4607e15 y 0 vx 0 vy 1000 kg 1 px\n"
             "131072 x 20 y 0 vx 0 vy 1000 kg 1 px\n");
    correr(20);
    // The far ones map far past 32-bit pixels, the last to (65536 + 400,
    // 310), which 16 bits would wrap to (400, 310): none may come back in.
    EXPECT_EQ(pixelsBlancs(), 1);
    EXPECT_EQ(pixelsEsperats(), 1u);
    EXPECT_EQ(pixel(400, 300), blanc());
    sortirAmbQ();
}

TEST_F(ValorsExtrems, VelocityOverflowingToInfinitySpreadsNaNAndDrawsNothingOfIt)
{
    carregar("800 600 3 1000 0 -11\n"
             "0 x 0 y 1e308 vx 0 vy 1000 kg 1 px\n"
             "10 x 10 y 0 vx 0 vy 1000 kg 1 px\n"
             "-10 x -10 y 0 vx 0 vy 1000 kg 1 px\n");
    correr(3);
    // 1e308 times a step of 31536 s is past the largest double.
    EXPECT_TRUE(std::isinf(particules[0].retornarposicio().x)
                || std::isnan(particules[0].retornarposicio().x));
    correr(20);
    // The others took a pull from infinity: inf / inf in the unit vector.
    EXPECT_FALSE(finit(particules[1].retornarvelocitat()));
    EXPECT_FALSE(finit(particules[2].retornarvelocitat()));
    EXPECT_EQ(pixelsBlancs(), 0);
    EXPECT_EQ(pixelsEsperats(), 0u);
    sortirAmbQ();
}

TEST_F(ValorsExtrems, NaNFromTheStepLeavesTheRestRunning)
{
    // Under an infinite G a pull of 0 kg is 0 x inf = NaN, and a pull of
    // 1 kg along x has 0 x inf = NaN across.
    carregar("800 600 3 1000 0 400\n"
             "0 x 0 y 0 vx 0 vy 0 kg 1 px\n"
             "100 x 0 y 0 vx 0 vy 1 kg 1 px\n"
             "-300 x 200 y 0 vx 0 vy 0 kg 1 px\n");
    correr(3);
    EXPECT_TRUE(std::isnan(particules[1].retornarvelocitat().x));
    correr(20);
    EXPECT_EQ(static_cast<size_t>(pixelsBlancs()), pixelsEsperats());
    sortirAmbQ();
}

TEST_F(ValorsExtrems, DiametersPastTheWindowAndPastInt32)
{
    // Two thousand million units wide from the top-left corner covers the
    // window; 1e10 does not fit the size's 32 bits and is drawn as one pixel.
    carregar("800 600 1 1000 0 -11\n-800 x -600 y 0 vx 0 vy 1 kg 2e9 px\n");
    correr(5);
    EXPECT_EQ(pixelsBlancs(), 800 * 600);
    sortirAmbQ();

    bucle = Bucle{};
    carregar("800 600 1 1000 0 -11\n0 x 0 y 0 vx 0 vy 1 kg 1e10 px\n");
    correr(5);
    EXPECT_EQ(particules[0].retornarmida(), 0);
    EXPECT_EQ(pixelsBlancs(), 1);
    sortirAmbQ();
}
