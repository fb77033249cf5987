#include "config/imatge.h"

#include <SDL.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>

#include "display/fotograma.h"
#include "display/globals.h"
#include "lectura/constants.h"

FinestraInvisible::~FinestraInvisible()
{
    if (pantalla != nullptr) {
        SDL_FreeSurface(pantalla);
        pantalla = nullptr;
    }
    SDL_Quit();
}

bool FinestraInvisible::obrir(int32_t amplada, int32_t altura, std::string& error)
{
    // Never a real window, whatever the environment asks for.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (amplada <= 0 || altura <= 0 || amplada > PANTALLA_MIDA_MAXIMA || altura > PANTALLA_MIDA_MAXIMA) {
        error = "a window of " + std::to_string(amplada) + " x " + std::to_string(altura) +
                " pixels takes the screen's size or none, which a picture cannot know";
        return false;
    }
    // No parachute: a fault ends preview as it would any program, with no
    // handler of SDL's in the way.
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE) == -1) {
        error = std::string("SDL does not start: ") + SDL_GetError();
        return false;
    }
    pantalla = SDL_SetVideoMode(amplada, altura, PANTALLA_BPP, 0);
    if (pantalla == nullptr) {
        error = std::string("SDL gives no surface of that size: ") + SDL_GetError();
        return false;
    }
    // With no screen SDL draws the mouse pointer into the surface itself; a
    // window's pointer is the window system's, and in no screenshot.
    SDL_ShowCursor(SDL_DISABLE);
    // The dummy driver hands over its buffer uncleared; a new window is black.
    SDL_FillRect(pantalla, nullptr, SDL_MapRGB(pantalla->format, 0, 0, 0));
    ReiniciarVista();
    PANTALLA_AMPLADA = amplada;
    PANTALLA_ALTURA = altura;
    CentrarVista();
    return true;
}

void FinestraInvisible::dibuixar(const Particula* cossos, int32_t n)
{
    dibuixarFotograma(cossos, n);
}

namespace {

// libpng reports through longjmp; the message is kept for the caller.
void ErrorPng(png_structp png, png_const_charp missatge)
{
    *static_cast<std::string*>(png_get_error_ptr(png)) = missatge;
    png_longjmp(png, 1);
}

void AvisPng(png_structp, png_const_charp) {}

}  // namespace

// Nothing here may need a destructor: libpng leaves through longjmp.
bool EscriurePng(std::FILE* f, std::string& error)
{
    const SDL_Palette* paleta = pantalla->format->palette;
    png_color colors[256];
    for (int i = 0; i < paleta->ncolors && i < 256; ++i)
        colors[i] = {paleta->colors[i].r, paleta->colors[i].g, paleta->colors[i].b};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, ErrorPng, AvisPng);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    volatile bool bo = false;
    if (info == nullptr) {
        error = "libpng has no memory";
    } else if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_set_IHDR(png, info, pantalla->w, pantalla->h, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_PLTE(png, info, colors, paleta->ncolors < 256 ? paleta->ncolors : 256);
        png_write_info(png, info);
        for (int y = 0; y < pantalla->h; ++y)
            png_write_row(png, static_cast<png_const_bytep>(pantalla->pixels) + y * pantalla->pitch);
        png_write_end(png, nullptr);
        bo = true;
    }
    png_destroy_write_struct(png != nullptr ? &png : nullptr, info != nullptr ? &info : nullptr);
    return bo;
}
