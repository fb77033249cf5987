#pragma once

// How a run chooses its step among the paths of the table.

#include <cstdint>
#include <memory>
#include <vector>

#include "physics/camins.h"

// Whether two doubles, or two sets of n bodies, hold the same bits, any NaN
// equal to any NaN: the payload a NaN carries is up to the order of a sum's
// operands.
bool MateixosBits(double a, double b);
bool MateixosCossos(const Particula* a, const Particula* b, int32_t n);

// Real seconds of one of the run's cycles under a limit of ciclesPerSegon:
// its period in whole milliseconds, or 10 ms where it sets none (0 or less,
// or above 1000).
float SegonsDeCicle(int32_t ciclesPerSegon);

// The parameters of a real cycle of segonsCicle seconds at the time factor
// factorVelocitat, or at 1 where that is 0 or less: a step that moves, as the
// choice of a run's step and its gate time it.
ParametresPas CicleReal(double g, int32_t factorVelocitat, float segonsCicle, bool repulsio);

// Below this many bodies a step is too short for the processor's paths to
// differ by anything that matters, and the run takes the most preferred.
constexpr int32_t COSSOS_PER_MESURA = 256;
// Bodies of the run that their timing steps, the first of them, and the time
// it takes in all.
constexpr int32_t COSSOS_MESURA = 512;
constexpr double SEGONS_MESURA = 0.05;

// Of the paths of `camins` that this processor has, the one that steps the
// run's bodies fastest: each timed in turn on copies of the first
// COSSOS_MESURA of `cossos`, at the parameters `cicle`, on this thread and in its own processor time, so that what else
// the machine runs does not count; round after round for SEGONS_MESURA, and
// its best time kept. Threads share every path's work alike. A less
// preferred path must be faster by more than a timing's noise. The most
// preferred below COSSOS_PER_MESURA bodies, without bodies, or once a signal
// stops a step; null where it has none.
const CamiPas* TriarCamiProcessador(const std::vector<CamiPas>& camins, const Particula* cossos, int32_t n,
                                    const ParametresPas& cicle);

// Bodies of the run that the gate steps, the first of them.
constexpr int32_t COSSOS_PORTA = 1024;

// The gate a step must pass to stand in for `referencia`: each steps copies
// of the same bodies three times, at the step factor of `cicle` (one of the
// run's real cycles, CicleReal), and after every step each value must keep
// the reference's bits. First on the run's bodies (up to COSSOS_PORTA of
// them) at `cicle`, then on a fixed set of edge cases at G = 6.7e-11 with
// repulsion off and on.
bool PassaPorta(const FerPas& pas, const FerPas& referencia, const Particula* cossos, int32_t n,
                const ParametresPas& cicle);

// The devices of `dispositius` that pass the gate against `cpu` on these
// bodies, and whose step of all n of them gives cpu's bits too, timed on
// copies against `cpu` at the same cycle; the fastest, with its buffers for
// n, if it beats `cpu`, and null otherwise.
std::unique_ptr<PasOpenCL> TriarDispositiu(const std::vector<DispositiuOpenCL>& dispositius,
                                           const Particula* cossos, int32_t n, const ParametresPas& cicle,
                                           const FerPas& cpu);
