#pragma once

#include <cstdint>

#include "physics/parametres.h"
#include "physics/vector.h"

// One body: a point mass drawn as a square of side amplada.
class Particula {
public:
    Particula();

    void valors(double px, double py, double vx, double vy, uint64_t m, float diametre);
    // Reacts to the event being applied; defined with the other controls, in
    // src/app/controls.cpp.
    void entrada();
    vector retornarposicio() const { return posicio; }
    uint64_t retornarmassa() const { return massa; }
    vector retornarvelocitat() const { return velocitat; }
    int32_t retornarmida() const { return amplada; }
    // As a step with the parameters p moves the body and pulls it; the forms
    // without them take the program's globals as they are now.
    void moviment(const ParametresPas& p);
    void atraccio(vector altra, uint64_t m, const ParametresPas& p);
    void moviment();
    void atraccio(vector altra, uint64_t m);
    // Sets where the body is and how fast it goes; the fast step writes its
    // results back through this.
    void situar(vector p, vector v)
    {
        posicio = p;
        velocitat = v;
    }
    // Draws the body on the window; defined with the SDL code.
    void imprimir(vector origen, float zoom) const;

private:
    vector posicio;
    vector velocitat;
    int32_t amplada;
    int32_t altura;
    uint64_t massa;
};

// Truncates a diameter toward zero; NaN or out of int32 range gives 0.
int32_t MidaDeDiametre(float diametre);
