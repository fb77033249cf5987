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
// where PARENT is a body or a group of them, A+B+..., written as a
// config.txt whose units the tool chooses. No SDL: its claims are runs of
// preview's, on the program's own step.

struct OpcionsOrbites {
    int32_t amplada = 800;
    int32_t altura = 600;
    // A body or a group at the window's centre, at rest, with what goes round
    // it filling the view; empty for the whole system in its centre-of-mass
    // frame.
    std::string centre;
};

// One body that goes round another, or round a group.
struct Orbita {
    int32_t cos = 0;
    int32_t pare = 0;       // the parent, or the group's body placed last
    int32_t grup = -1;      // the group in SistemaOrbites::grups, or -1
    double periode = 0.0;   // seconds
    double volta = 0.0;     // seconds of a whole turn at the rate of its periapsis pass: its period when circular
    double amplePx = 0.0;   // its major axis in pixels at the start zoom
};

// A time key run for a minute at the ideal cycles and with the slack.
struct ProvaTecla {
    bool aguanta = false;
    std::string problema;   // what went wrong, by the bodies' names
};

struct SistemaOrbites {
    Sistema sistema;
    std::vector<std::string> noms;
    std::vector<std::string> grups;  // each group as written
    double metres = 0.0;      // per unit of length
    double kilograms = 0.0;   // per unit of mass
    double abastPx = 0.0;     // how far from the centre the largest orbit reaches
    std::vector<Orbita> orbites;  // the first kFilesTaula, which the report lists
    int64_t nombreOrbites = 0;
    std::string centre;       // as --centre gave it; empty for none
    std::vector<int32_t> foraInici;  // out of view at the start
    // Keys 1 to 7 as the runs found them; empty where the runs were not made.
    std::vector<ProvaTecla> proves;
    // Why the description's orbits are expected to come apart, however the
    // first minute goes (a note says each): the first few, and their count.
    std::vector<std::string> perdues;
    int64_t nombrePerdues = 0;
};

// What a description was found to hold: its first findings, with line and
// column, and the count of all of them.
struct Troballes {
    std::vector<Avis> avisos;        // by line, the first kTroballesMostrades
    int64_t errors = 0, notes = 0;   // shown or not
    std::string centre;              // why --centre names nothing; empty when it does
};
constexpr size_t kTroballesMostrades = 100;

// Orbits the report's table lists.
constexpr size_t kFilesTaula = 200;

// Kilograms per mass unit and metres per length unit of a description.
constexpr double kTerra = 5.9722e24;
constexpr double kJupiter = 1.89813e27;
constexpr double kSol = 1.98847e30;
constexpr double kUA = 1.495978707e11;
constexpr double kGReal = 6.6743e-11;

// A mass changed by rounding to whole units by more than this much of itself
// is noted.
constexpr double kCanviMassa = 1e-5;

// The most bodies whose keys gen orbits runs: a minute at seven keys, twice,
// takes every pair at every step.
constexpr int32_t kCossosProvats = 200;

// The system, or nothing when a finding is an error.
std::optional<SistemaOrbites> GenerarOrbites(std::istream& in, const OpcionsOrbites& opcions, Troballes& troballes);

// Runs the system for a minute at each key, fastest first, as preview runs
// it with its slack, and keeps what each run found in s.proves; nothing for
// more than kCossosProvats bodies.
void ProvarTecles(SistemaOrbites& s);

// The fastest key whose runs held the system together with every slower
// key's, or 0 for none or none run.
int TeclaSuggerida(const SistemaOrbites& s);

// Metres per unit of length for a system reaching maxim metres from the
// window's centre: that reach at kAbast of the way to the nearer edge at the
// start zoom, rounded up to two digits; 1 for none.
double MetresPerUnitat(double maxim, const OpcionsOrbites& opcions);

// The G exponent for which a mass of massa kg, with metres per unit of length,
// is as large a whole number as 64 bits hold, and the kilograms per mass unit
// it gives; false where the doubles' exponents cannot reach it, estimat the
// exponent it would need.
bool ExponentG(double massa, double metres, double& estimat, int32_t& gexp, double& kilograms);

// Steps of the slack's cycles at a key in a span of simulated seconds.
double PassosPerOrbita(const Sistema& sistema, double segons, int tecla);

// What each key's run found, the suggested key and the ones it tolerates.
void EscriureProves(std::ostream& out, const SistemaOrbites& s);

// The units chosen, each orbit's period and steps per orbit at every key,
// what each key's run found, the suggested key and the ones it tolerates,
// what is off screen and the orbits too small to see.
void EscriureInformeOrbites(std::ostream& out, const SistemaOrbites& s);
