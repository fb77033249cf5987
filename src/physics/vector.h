#pragma once

#include <cstdint>

// A point or direction in the plane: positions, velocities, accelerations and
// the view origin.
struct vector {
    double x;
    double y;
};

void SumaVectors(vector& a, vector b);
void RestaVectors(vector& a, vector b);
vector MultiplicacioVectors(vector v, double k);
vector DivisioVectors(vector v, int64_t n);
vector DistanciaVectors(vector a, vector b);
double ModulVector(vector v);
vector VectorUnitari(vector v);
vector AtraccioVectors(vector a, vector b, uint64_t m);
