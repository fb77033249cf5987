#include "physics/pas.h"

void PasLiteral(Particula* particules, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        particules[i].moviment();
        for (int32_t j = 0; j < n; ++j) {
            if (j == i)
                continue;
            particules[i].atraccio(particules[j].retornarposicio(), particules[j].retornarmassa());
        }
    }
}

void Pas(Particula* particules, int32_t n)
{
    PasRapid(particules, n, CamiMesAmple());
}
