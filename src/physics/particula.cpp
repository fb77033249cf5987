#include "physics/particula.h"

#include "physics/globals.h"

Particula::Particula() : velocitat{0.0, 0.0} {}

int32_t MidaDeDiametre(float diametre)
{
    // The comparisons are false for NaN, so it lands on 0 too.
    if (diametre >= -2147483648.0f && diametre < 2147483648.0f)
        return static_cast<int32_t>(diametre);
    return 0;
}

void Particula::valors(double px, double py, double vx, double vy, uint64_t m, float diametre)
{
    posicio = {px, py};
    velocitat = {vx, vy};
    massa = m;
    altura = MidaDeDiametre(diametre);
    amplada = altura;
}

void Particula::moviment(const ParametresPas& p)
{
    SumaVectors(posicio, MultiplicacioVectors(velocitat, p.f));
}

void Particula::atraccio(vector altra, uint64_t m, const ParametresPas& p)
{
    const vector d = DistanciaVectors(posicio, altra);
    // Also false for a NaN distance: such a pair does nothing.
    if (!(ModulVector(d) > RADI_MINIM_ATRACCIO))
        return;
    const vector acc = AtraccioTerme(posicio, altra, TermeMassa(m, p.g));
    const vector dv = MultiplicacioVectors(acc, p.f);
    if (p.repulsio)
        RestaVectors(velocitat, dv);
    else
        SumaVectors(velocitat, dv);
}

void Particula::moviment()
{
    moviment(ParametresGlobals());
}

void Particula::atraccio(vector altra, uint64_t m)
{
    atraccio(altra, m, ParametresGlobals());
}
