#pragma once

#include <cstdint>

// Milliseconds between two readings of the 32-bit tick counter; the wrapping
// subtraction keeps it right across the counter's wrap.
int32_t TempsTranscorregut(uint32_t ara, int32_t inici);

// A stopwatch in whole milliseconds on SDL's tick counter. Until the first
// iniciar it measures from tick 0, the start of SDL.
class Cronometre {
public:
    Cronometre() : inici(0), transcorregut(0) {}

    void iniciar();
    int32_t temps();

private:
    int32_t inici;
    int32_t transcorregut;
};
