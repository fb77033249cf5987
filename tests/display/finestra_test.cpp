#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "display/finestra.h"
#include "display/globals.h"
#include "support/globals_net.h"

namespace {

class Finestra : public AmbGlobalsNets {
protected:
    void SetUp() override
    {
        AmbGlobalsNets::SetUp();
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override
    {
        SDL_Quit();
        AmbGlobalsNets::TearDown();
    }
};

}  // namespace

TEST_F(Finestra, OpensAtTheConfiguredSizeWithTheStartTitle)
{
    PANTALLA_AMPLADA = 320;
    PANTALLA_ALTURA = 200;
    ASSERT_TRUE(iniciar());
    EXPECT_EQ(pantalla->w, 320);
    EXPECT_EQ(pantalla->h, 200);
    EXPECT_EQ(pantalla->format->BitsPerPixel, 8);
    char* titol = nullptr;
    SDL_WM_GetCaption(&titol, nullptr);
    EXPECT_STREQ(titol, "Programa de particules");
    netejar();
    EXPECT_EQ(pantalla, nullptr);
}

TEST_F(Finestra, SizesPastSixteenBitsAreRefused)
{
    // The dummy driver would take them; no real window can.
    for (auto mida : {std::make_pair(65536, 1), std::make_pair(1, 32768)}) {
        PANTALLA_AMPLADA = mida.first;
        PANTALLA_ALTURA = mida.second;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(iniciar());
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Error en ajustar parametres de la pantalla\n");
        EXPECT_EQ(pantalla, nullptr);
        SDL_Quit();
    }
}
