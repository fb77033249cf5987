#include <gtest/gtest.h>

#include <cmath>

#include "app/bucle.h"
#include "app/globals.h"
#include "display/fotograma.h"
#include "support/finestra_dummy.h"

namespace {

class Fotograma : public AmbFinestra {
protected:
    void SetUp() override
    {
        AmbFinestra::SetUp();
        crearCossos(1);
        DibuixarTrajectoria = false;
    }
    void posar(double x, double y, float diametre)
    {
        particules[0].valors(x, y, 0, 0, 0, diametre);
    }
    void dibuixar() { ASSERT_TRUE(dibuixarFotograma(particules.get(), NUMERO_PARTICULES)); }

    // Every white pixel must lie in the rectangle, and the rectangle be full.
    void esperarQuadrat(int x, int y, int w, int h)
    {
        EXPECT_EQ(pixelsBlancs(), w * h);
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                ASSERT_EQ(pixel(i, j), blanc()) << "pixel " << i << "," << j;
    }
};

}  // namespace

TEST_F(Fotograma, SquareCornerSitsAtTheMappedPosition)
{
    posar(100, -50, 10);
    dibuixar();
    esperarQuadrat(450, 275, 5, 5);
}

TEST_F(Fotograma, BodiesNeverDrawSmallerThanOnePixel)
{
    for (float d : {1.0f, 2.0f, 0.0f}) {
        SCOPED_TRACE(d);
        posar(0, 0, d);
        dibuixar();
        esperarQuadrat(400, 300, 1, 1);
    }
    posar(0, 0, 3);  // 1.5 pixels truncate to 1
    dibuixar();
    esperarQuadrat(400, 300, 1, 1);
    posar(0, 0, 4);
    dibuixar();
    esperarQuadrat(400, 300, 2, 2);
}

TEST_F(Fotograma, TrailsKeepTheOldFrameUntilAPanClearsIt)
{
    DibuixarTrajectoria = true;
    posar(0, 0, 2);
    dibuixar();
    posar(20, 0, 2);
    dibuixar();
    EXPECT_EQ(pixel(400, 300), blanc());
    EXPECT_EQ(pixel(410, 300), blanc());
    EXPECT_EQ(pixelsBlancs(), 2);

    Bucle b;
    pitjar(SDLK_RIGHT);
    entradaCicle(b);
    EXPECT_FALSE(DibuixarTrajectoria);
    dibuixar();
    esperarQuadrat(360, 300, 1, 1);
}

TEST_F(Fotograma, FarAwayBodiesDoNotWrapBackIntoTheWindow)
{
    // 0.5 * x + 400 = 65536 + 100: kept to 16 bits it would land at 100.
    posar(2 * (65536 + 100 - 400), 0, 10);
    dibuixar();
    EXPECT_EQ(pixelsBlancs(), 0);

    for (double x : {1e12, -1e12, std::nan(""), double(INFINITY)}) {
        posar(x, 0, 10);
        dibuixar();
        EXPECT_EQ(pixelsBlancs(), 0) << x;
    }
}

TEST_F(Fotograma, SquaresAcrossTheEdgeDrawTheirVisiblePart)
{
    posar(-806, -606, 10);  // corner at (-3, -3), 5 x 5
    dibuixar();
    esperarQuadrat(0, 0, 2, 2);

    posar(790, 590, 40);  // corner at (795, 595), 20 x 20
    dibuixar();
    esperarQuadrat(795, 595, 5, 5);

    // Wider than 16 bits: the whole window is covered, not a wrapped sliver.
    posar(-1000, -1000, 2e9f);
    dibuixar();
    EXPECT_EQ(pixelsBlancs(), 800 * 600);
}
