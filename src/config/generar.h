#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "config/sistema.h"

enum class Tipus { Estrella, Disc, Cumul };

struct OpcionsGen {
    Tipus tipus = Tipus::Disc;
    int32_t n = 0;  // 0: the kind's own default
    uint64_t llavor = 1;
    int32_t amplada = 800;
    int32_t altura = 600;
    int32_t gexp = -11;
};

int32_t NombrePerDefecte(Tipus tipus);
// The most bodies of a kind that gen writes within seconds.
int32_t NombreMaxim(Tipus tipus);

// A ready system in its centre-of-mass frame, scaled to fit the window at the
// start zoom. Empty, with the reason in error, when the masses it needs at
// this G do not fit a config's whole numbers.
std::optional<Sistema> Generar(const OpcionsGen& opcions, std::string& error);

// Moves the bodies so that their centre of mass is at the origin and at rest.
void CentreDeMasses(std::vector<Cos>& cossos);

// Writes it the way the program reads it, each number exact to the last bit;
// each body's words its name when noms gives one, otherwise the values' units.
void EscriureConfig(std::ostream& out, const Sistema& sistema, const std::vector<std::string>* noms = nullptr);
