#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "config/comprovar.h"
#include "config/sistema.h"

// gen orbits: a system described in real units, one body a line,
//     NAME MASS UNIT [around PARENT a DISTANCE UNIT] [e E] [at DEGREES] [retrograde]
// written as a config.txt whose units the tool chooses.

struct OpcionsOrbites {
    int32_t amplada = 800;
    int32_t altura = 600;
};

// One body that goes round another.
struct Orbita {
    int32_t cos = 0;
    int32_t pare = 0;
    double periode = 0.0;  // seconds
    double amplePx = 0.0;  // its major axis in pixels at the start zoom
    bool foraHill = false;  // reaches beyond its parent's Hill radius
};

struct SistemaOrbites {
    Sistema sistema;
    std::vector<std::string> noms;
    double metres = 0.0;      // per unit of length
    double kilograms = 0.0;   // per unit of mass
    double abastPx = 0.0;     // how far from the centre the largest orbit reaches
    std::vector<Orbita> orbites;
};

// Kilograms per mass unit and metres per length unit of a description.
constexpr double kTerra = 5.9722e24;
constexpr double kJupiter = 1.89813e27;
constexpr double kSol = 1.98847e30;
constexpr double kUA = 1.495978707e11;
constexpr double kGReal = 6.6743e-11;

// Steps an orbit must have at the suggested key, with cycles this much longer
// than the limit's period, as a loaded machine runs them.
constexpr double kPassosMinims = 200.0;
constexpr double kFolgaCicles = 1.25;

// The system, or nothing when a finding is an error. Notes and errors go to
// avisos, with the line and column of the description they are about.
std::optional<SistemaOrbites> GenerarOrbites(std::istream& in, const OpcionsOrbites& opcions,
                                             std::vector<Avis>& avisos);

// Steps per orbit of a period at a key, with the cycles of the slack.
double PassosPerOrbita(const Sistema& sistema, double periode, int tecla);

// The fastest key at which every orbit takes kPassosMinims steps with the
// slack, or 0 when not even key 1 gives them.
int TeclaSuggerida(const SistemaOrbites& s);

// The units chosen, each orbit's period and steps per orbit at every key,
// the suggested key and the ones it tolerates, and the orbits too small to
// see.
void EscriureInformeOrbites(std::ostream& out, const SistemaOrbites& s);
