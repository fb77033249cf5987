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

// A body's mass times G: the one place a pull forms it, for the literal step
// here and for the fast step's columns alike.
inline double TermeMassa(uint64_t m, double g)
{
    return static_cast<double>(m) * g;
}

// Acceleration that a mass term mg (TermeMassa) at b gives a body at a; the
// caller makes sure a != b.
inline vector AtraccioTerme(vector a, vector b, double mg)
{
    const vector d = DistanciaVectors(a, b);
    const double r = ModulVector(d);
    const double k = mg / (r * r);
    const vector u = VectorUnitari(d);
    return {u.x * k, u.y * k};
}

// Acceleration that a mass m at b gives a body at a, at the G in use.
inline vector AtraccioVectors(vector a, vector b, uint64_t m)
{
    return AtraccioTerme(a, b, TermeMassa(m, G));
}
