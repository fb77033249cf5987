#include <gtest/gtest.h>

#include "display/globals.h"
#include "physics/particula.h"

namespace {

SDL_Event Tecla(Uint8 tipus, SDLKey simbol)
{
    SDL_Event e{};
    e.type = tipus;
    e.key.type = tipus;
    e.key.keysym.sym = simbol;
    return e;
}

SDL_Event Boto(Uint8 boto)
{
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = boto;
    return e;
}

bool Quiet(const Particula& p)
{
    return p.retornarvelocitat().x == 0.0 && p.retornarvelocitat().y == 0.0;
}

}  // namespace

TEST(Entrada, KeyPressOfSStopsTheBody)
{
    Particula p;
    p.valors(1, 2, 3, 4, 5, 1.0f);
    event = Tecla(SDL_KEYDOWN, SDLK_s);
    p.entrada();
    EXPECT_TRUE(Quiet(p));
    EXPECT_EQ(p.retornarposicio().x, 1.0);
    event = SDL_Event{};
}

TEST(Entrada, IgnoresEverythingElse)
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    const SDL_Event altres[] = {
        Tecla(SDL_KEYUP, SDLK_s), Tecla(SDL_KEYDOWN, SDLK_a), Tecla(SDL_KEYDOWN, SDLK_t),
        Tecla(SDL_KEYDOWN, SDLK_RETURN), Boto(SDL_BUTTON_WHEELUP), Boto(SDL_BUTTON_LEFT), quit,
    };
    for (const SDL_Event& e : altres) {
        Particula p;
        p.valors(1, 2, 3, 4, 5, 1.0f);
        event = e;
        p.entrada();
        EXPECT_FALSE(Quiet(p)) << "event type " << int(e.type);
    }
    event = SDL_Event{};
}
