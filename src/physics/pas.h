#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "physics/particula.h"

class EquipFils;
class PasOpenCL;
struct DispositiuOpenCL;

// One simulation step: each body in index order moves, then takes the pull of
// every other body, those before it already at their new positions.
void PasLiteral(Particula* particules, int32_t n);

// Whether two sets of n bodies hold the same bits, any NaN equal to any NaN:
// the payload a NaN carries is up to the order of a sum's operands.
bool MateixosCossos(const Particula* a, const Particula* b, int32_t n);

// Instruction sets the fast step can run on, narrowest first.
enum class CamiPas { Escalar, Sse2, Avx2, Avx512 };

bool CamiDisponible(CamiPas cami);
// Whether this processor runs PasNucliAvx512Fma (physics/pas_rapid.h).
bool Avx512FmaDisponible();
// Its name as the processor's manuals write it: "AVX-512", "scalar".
const char* NomCamiPas(CamiPas cami);
// The widest that this processor has.
CamiPas CamiMesAmple();

// Bytes of the fast step's working memory for n bodies.
std::size_t MemoriaPas(int32_t n);
// Takes that memory for up to n bodies, before the run, so that no step
// allocates; false when it cannot be had.
bool ReservarPas(int32_t n);

// The literal step to the last bit, several bodies at a time, one per lane,
// and the lane blocks shared among the threads of `equip` when one is given.
// A path the processor lacks runs as Escalar. Steps of more bodies than were
// reserved take their memory first.
void PasRapid(Particula* particules, int32_t n, CamiPas cami, EquipFils* equip = nullptr);
// Bodies whose pulls the fast step has summed since the process began,
// counted a lane block at a time; any thread may read it while a step runs.
int64_t CossosSumatsPas();

// Ends the step under way early, and every later one at once, each leaving the
// bodies as they were before it; safe in a signal handler. The run that asks
// for it is ending: nothing of a half-done step is kept.
void InterromprePas();
bool PasInterromput();
// Steps run whole again.
void ReprendrePas();

// The threads that Pas shares its work with: a team over every processor the
// process may use, made once when the run of n bodies begins; none on a
// single core, nor for a count too small to share. Given the run's bodies,
// and enough of them, it also times the GPUs against the CPU on copies of
// them, and the run keeps the fastest until AturarFilsPas.
void IniciarFilsPas(int32_t n, const Particula* cossos = nullptr);
void AturarFilsPas();
// For the tests: the run's steps go to `opencl`, whatever a timing would say.
void FixarPasOpenCL(std::unique_ptr<PasOpenCL> opencl);
// The OpenCL device the run's steps go to, null for the CPU; a failure on
// the device ends that.
const DispositiuOpenCL* DispositiuPas();
// Whether Pas shares a step of n bodies: only where the threads gain.
bool PasEnFils(int32_t n);

// The step the program runs: on the device the run chose, or the fast one on
// the widest path, on the team's threads where they gain. A step that fails
// on the device is done again on the CPU, which keeps the rest of the run.
void Pas(Particula* particules, int32_t n);
