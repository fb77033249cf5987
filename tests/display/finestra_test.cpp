#include <gtest/gtest.h>

#include <algorithm>
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

// The silent audio driver where the user has chosen none; the user's choice
// kept, and where SDL cannot start, the reason it gives on the next line.
TEST_F(Finestra, StartsWithoutSoundUnlessAnAudioDriverIsChosenAndSaysWhySDLFails)
{
    struct {
        const char* audio;  // nullptr: unset
        const char* video;
        bool obre;
        const char* audioDespres;
    } const casos[] = {
        {nullptr, "dummy", true, "dummy"},
        {"", "dummy", true, "dummy"},
        {"cap-so", "dummy", true, "cap-so"},
        {"dummy", "cap-video", false, "dummy"},
    };
    PANTALLA_AMPLADA = 320;
    PANTALLA_ALTURA = 200;
    for (const auto& c : casos) {
        SCOPED_TRACE(std::string(c.audio ? c.audio : "(unset)") + " " + c.video);
        if (c.audio != nullptr)
            setenv("SDL_AUDIODRIVER", c.audio, 1);
        else
            unsetenv("SDL_AUDIODRIVER");
        setenv("SDL_VIDEODRIVER", c.video, 1);
        testing::internal::CaptureStderr();
        const bool obert = iniciar();
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(obert, c.obre);
        ASSERT_NE(std::getenv("SDL_AUDIODRIVER"), nullptr);
        EXPECT_STREQ(std::getenv("SDL_AUDIODRIVER"), c.audioDespres);
        if (c.obre) {
            EXPECT_EQ(errors, "");
            netejar();
        } else {
            const std::string linia = "No s'ha pogut iniciar SDL\n";
            ASSERT_EQ(errors.compare(0, linia.size(), linia), 0) << errors;
            const std::string per = errors.substr(linia.size());
            EXPECT_GT(per.size(), 1u) << "no reason after the line";
            EXPECT_EQ(std::count(per.begin(), per.end(), '\n'), 1) << per;
            EXPECT_EQ(per.back(), '\n');
            SDL_Quit();
        }
    }
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
