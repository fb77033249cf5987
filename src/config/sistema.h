#pragma once

#include <cstdint>
#include <vector>

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
