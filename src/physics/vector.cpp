#include "physics/vector.h"

#include <cmath>

#include "physics/globals.h"

void SumaVectors(vector& a, vector b)
{
    a.x = b.x + a.x;
    a.y = b.y + a.y;
}

void RestaVectors(vector& a, vector b)
{
    a.x = a.x - b.x;
    a.y = a.y - b.y;
}

vector MultiplicacioVectors(vector v, double k)
{
    return {v.x * k, v.y * k};
}

vector DivisioVectors(vector v, int64_t n)
{
    const double d = static_cast<double>(n);
    return {v.x / d, v.y / d};
}

vector DistanciaVectors(vector a, vector b)
{
    return {b.x - a.x, b.y - a.y};
}

double ModulVector(vector v)
{
    return std::sqrt(v.y * v.y + v.x * v.x);
}

vector VectorUnitari(vector v)
{
    return {v.x / ModulVector(v), v.y / ModulVector(v)};
}

// Acceleration that a mass m at b gives a body at a; the caller makes sure a != b.
vector AtraccioVectors(vector a, vector b, uint64_t m)
{
    const vector d = DistanciaVectors(a, b);
    const double r = ModulVector(d);
    const double k = static_cast<double>(m) * G / (r * r);
    const vector u = VectorUnitari(d);
    return {u.x * k, u.y * k};
}
