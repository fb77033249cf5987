#pragma once

#include <cstdint>

#include "app/cronometre.h"
#include "lectura/lectura.h"  // EsperaCicle, FotogramaDegut

// What the run phase owns while it runs: its flags, stopwatches and the rate
// counters of the title bar.
struct Bucle {
    bool sortir = false;
    bool limitarCicles = true;
    Cronometre cronoCicle;
    Cronometre cronoFotograma;   // never restarted before the first frame
    int32_t comptadorFotogrames = 0;
    Cronometre cronoSegon;
    int32_t comptadorCicles = 0;
    int32_t hzMostrat = 0;
    int32_t fpsMostrat = 0;
};

// The stages of one cycle, in the order cicle runs them.
void entradaCicle(Bucle& b);
bool fotogramaCicle(Bucle& b);  // false after a failed presentation
void titolCicle(Bucle& b);
void ritmeCicle(Bucle& b);

// One whole cycle; false when the run must end with an error.
bool cicle(Bucle& b);

// Opens the window, runs cycles until the user quits and closes it. Returns
// the exit status.
int faseExecucio();
