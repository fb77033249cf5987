#pragma once

#include <cstdint>
#include <vector>

// The circle's constant, for orbits and angles.
constexpr double kPi = 3.14159265358979323846;
// The largest mass a config takes, 2^64 - 1, as the double it rounds to.
constexpr double kMaximaMassa = 18446744073709551615.0;
// How much of the way to the window's nearer edge, at the start zoom, a
// generated system's farthest body reaches.
constexpr double kAbast = 0.8;

// One body as config.txt gives it.
struct Cos {
    double x = 0.0, y = 0.0, vx = 0.0, vy = 0.0;
    uint64_t massa = 0;
    float diametre = 0.0f;
};

// A whole config.txt: the header and the bodies.
struct Sistema {
    int32_t amplada = 800;
    int32_t altura = 600;
    int32_t cicles = 100;
    int32_t fps = 60;
    int32_t gexp = -11;
    std::vector<Cos> cossos;
};
