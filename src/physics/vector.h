#pragma once

#include <cmath>
#include <cstdint>

#include "physics/globals.h"

// A point or direction in the plane: positions, velocities, accelerations and
// the view origin.
struct vector {
    double x;
    double y;
};

// Small enough to inline: the step calls them for every pair of bodies.
inline void SumaVectors(vector& a, vector b)
{
    a.x = b.x + a.x;
    a.y = b.y + a.y;
}

inline void RestaVectors(vector& a, vector b)
{
    a.x = a.x - b.x;
    a.y = a.y - b.y;
}

inline vector MultiplicacioVectors(vector v, double k)
{
    return {v.x * k, v.y * k};
}

inline vector DivisioVectors(vector v, int64_t n)
{
    const double d = static_cast<double>(n);
    return {v.x / d, v.y / d};
}

inline vector DistanciaVectors(vector a, vector b)
{
    return {b.x - a.x, b.y - a.y};
}

inline double ModulVector(vector v)
{
    return std::sqrt(v.y * v.y + v.x * v.x);
}

inline vector VectorUnitari(vector v)
{
    return {v.x / ModulVector(v), v.y / ModulVector(v)};
}

// Acceleration that a mass m at b gives a body at a; the caller makes sure a != b.
inline vector AtraccioVectors(vector a, vector b, uint64_t m)
{
    const vector d = DistanciaVectors(a, b);
    const double r = ModulVector(d);
    const double k = static_cast<double>(m) * G / (r * r);
    const vector u = VectorUnitari(d);
    return {u.x * k, u.y * k};
}
