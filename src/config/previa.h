#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "config/lligams.h"
#include "config/sistema.h"
#include "physics/particula.h"

// A system stepped ahead of its run with the program's own step, on the
// cycle the program keeps with its limiter on: every cycle lasts the whole
// milliseconds of its period, as on a machine that never runs late. No SDL:
// what draws the frames is handed in.

struct OpcionsPrevia {
    double segons = 60.0;  // of the program's clock
    int tecla = 1;         // the time key, 1 to 7
    // Per cent by which every cycle outlasts the limit's period, as on a
    // loaded machine; 0 for the ideal cycles.
    double folga = 0.0;
    // One row per second of the program's clock, when given.
    std::ostream* csv = nullptr;
    // Given every frame the program would draw, when given.
    std::function<void(const Particula* cossos, int32_t n)> fotograma;
    // Progress on standard error from half a second into the run, with how
    // long the whole takes.
    bool progres = false;
    // Ends the run at the first pass stepped too coarsely: the verdict is
    // known by then.
    bool aturarEnFallada = false;
    // The tree of bound pairs as another run of this system found it at its
    // start (advice is judged by the pairs of the system it changes);
    // otherwise the run finds its own.
    const std::vector<Unio>* unions = nullptr;
};

// The window at the start zoom and origin, before any panning: where the
// program's first frame would draw a body.
class VistaInicial {
public:
    explicit VistaInicial(const Sistema& sistema);
    // Whether the corner pixel of a body's square at x, y is in the window.
    bool conte(double x, double y) const
    {
        const double px = zoom_ * x + origenX_;
        const double py = zoom_ * y + origenY_;
        return px > -1.0 && px < amplada_ && py > -1.0 && py < altura_;
    }

private:
    double zoom_, origenX_, origenY_, amplada_, altura_;
};

// Two bodies at the moment they came closest, by one measure or another.
struct Apropament {
    int32_t a = -1, b = -1;
    double distancia = std::numeric_limits<double>::infinity();
    double quan = 0.0;              // seconds of the program's clock
    double passosPerOrbita = std::numeric_limits<double>::infinity();
};

// A body that was out of view at the end, and when it last left.
struct Sortida {
    int32_t cos;
    double quan;
};

// What a change of a conserved quantity came to: at the end, and the largest
// of any sample with its time. Relative to escala.
struct Deriva {
    double escala = 0.0;
    double final = 0.0;
    double pitjor = 0.0;
    double quanPitjor = 0.0;
};

struct InformePrevia {
    int32_t cossos = 0;
    int32_t periodeMs = 0;       // the limit's period
    int64_t cicleUs = 0;         // the cycle's length, the slack's included
    double folga = 0.0;          // per cent
    bool senseLimit = false;     // the file sets no period: 1 ms cycles taken
    int tecla = 1;
    double pas = 0.0;            // simulated seconds of one step
    int64_t passos = 0;          // steps that move, the first cycle's aside
    int64_t mostreig = 1;        // energy and passes are measured every this many steps
    double energiaInicial = 0.0, energiaFinal = 0.0;
    Deriva energia;
    double momentInicial[2] = {0.0, 0.0}, momentFinal[2] = {0.0, 0.0};
    Deriva moment;               // the change of the momentum vector's size
    bool vistaConeguda = true;   // false when the screen sets the window's size
    std::vector<int32_t> foraInici;  // out of view from the start, so not judged by it
    std::vector<Sortida> perduts;    // in view at the start and not at the end
    int32_t tornats = 0;         // bodies that left the view and came back
    int32_t parells = 0;         // joins of the tree, bound at the start
    std::vector<Unio> unions;    // the tree of bound pairs at the start
    int32_t deslligats = 0;      // of the joins given, those not bound at the start
    // Losses the start foretells, however long the run keeps it whole.
    std::vector<PerduaPrevista> previstes;
    // Each join's steps per orbit at the start, at the rate its two nodes
    // turned round each other then; the join with the fewest, and those.
    std::vector<double> passosUnions;
    int32_t unioEstreta = -1;
    double passosUnio = std::numeric_limits<double>::infinity();
    bool aturat = false;         // ended at its first coarse pass
    std::vector<Separacio> separats;  // no longer bound at the end, both in view
    Apropament mesProper;        // the smallest distance
    Apropament mesEstret;        // the fewest steps per orbit
    // When a pass first took under kPassosPerOrbita steps per orbit.
    double quanEstret = std::numeric_limits<double>::infinity();
    bool estretLleuger = false;  // both bodies of that pass are light
    // The drift the run may come to: kDerivaEnergia for each minute of it,
    // a minute's at least.
    double derivaPermesa = 0.0;
    // When the energy first drifted past derivaPermesa.
    double quanDeriva = std::numeric_limits<double>::infinity();
};

// A line on standard error, rewritten in place four times a second from half
// a second on by a thread of its own, so that it moves however long the work
// it follows keeps its caller; cleared at the end. text gets the seconds
// since the start. Nothing at all when not actiu.
class LiniaProgres {
public:
    LiniaProgres(bool actiu, std::function<std::string(double segons)> text);
    ~LiniaProgres();
    LiniaProgres(const LiniaProgres&) = delete;
    LiniaProgres& operator=(const LiniaProgres&) = delete;

private:
    void mostrar();

    std::function<std::string(double)> text_;
    std::thread fil_;
    std::mutex mutex_;
    std::condition_variable condicio_;
    bool acabat_ = false;
    bool escrit_ = false;
};

// The bodies of a system, as start-up builds them.
std::unique_ptr<Particula[]> CrearCossos(const Sistema& sistema);

// Steps the system for opcions.segons and measures it. The program's globals
// of the physics and the view are set as start-up would set them.
InformePrevia Previa(const Sistema& sistema, const OpcionsPrevia& opcions);

// The run at the ideal cycles, the run with the slack when there is one, and
// advice that preview has tried: the system run again as the advice says, and
// held together with it.
struct Previsio {
    InformePrevia ideal;
    std::vector<InformePrevia> ambFolga;  // none or one
    std::string consell;  // empty when nothing was needed or nothing tried helps
};

// What went wrong in a run, or nothing when it held together: bodies lost,
// joins come apart (or, with the joins given, not bound at the start), a
// pass stepped too coarsely and an energy that drifted past its
// derivaPermesa. Bodies by number, or by noms when given.
std::string Problema(const InformePrevia& informe, const std::vector<std::string>* noms = nullptr);

// The losses the start foretells, "" for none: "moon round jupiter reaches
// 0.6, past jupiter's Hill radius of 0.34 round sun", each one.
std::string Previstes(const InformePrevia& informe, const std::vector<std::string>* noms = nullptr);

// Whether a run lost no body, no join came apart, no pass was stepped too
// coarsely and the energy kept within its derivaPermesa.
bool Aguanta(const InformePrevia& informe);

// The ideal run and, with opcions.folga above 0, the same with the slack; and
// advice for a system that does not hold together in both.
Previsio Preveure(const Sistema& sistema, const OpcionsPrevia& opcions);

// The report in a few lines, the verdict last.
void EscriureInforme(std::ostream& out, const std::string& nom, const Previsio& previsio);

// Bodies lighter than the heaviest by this much are the small ones.
constexpr double kLleuger = 1000.0;

// The slack preview takes unless told otherwise.
constexpr double kFolgaPerDefecte = 25.0;

// Steps per orbit below which a pass is taken as stepped too coarsely.
constexpr double kPassosPerOrbita = 100.0;

// The most the energy may drift, of itself, in a minute of the program's
// clock of a run that holds together, at any measure: past it the steps are
// too long for some orbit. The step's error makes the drift grow with the
// run, so a run of ten minutes may drift ten times as much, and the minute
// tells what ten would show; a shorter run, as much as a minute.
constexpr double kDerivaEnergia = 0.01;

// Steps per orbit as every report writes them: rounded down, so that a
// figure under kPassosPerOrbita never reads as a hundred.
std::string TextPassos(double passos);

// A time key's factor in words: "1 s = 15 days".
const char* NomTecla(int tecla);
