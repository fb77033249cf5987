#include "physics/pas_rapid.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "physics/afirma.h"
#include "physics/fils.h"
#include "physics/particula.h"

namespace {

// Doubles in the widest register; every column is padded to a multiple, and
// threads share the bodies in blocks of as many.
constexpr int32_t CARRILS_MAXIMS = 8;
// From this many bodies a block, n pulls a lane, is counted as it ends.
constexpr int32_t COSSOS_PER_COMPTE = 4096;
// New x and y, old x and y, mass term, velocity x and y.
constexpr std::size_t COLUMNES = 7;
// Columns start on cache lines, so that threads writing neighbouring blocks
// of velocities never share one.
constexpr std::align_val_t ALINEACIO{64};

std::size_t Files(int32_t n)
{
    return (static_cast<std::size_t>(n) + CARRILS_MAXIMS - 1) / CARRILS_MAXIMS * CARRILS_MAXIMS;
}

struct AlliberarAlineat {
    void operator()(double* p) const { ::operator delete[](p, ALINEACIO); }
};

// The columns, taken for the largest body count yet and kept.
struct Columnes {
    std::unique_ptr<double[], AlliberarAlineat> dades;
    std::size_t files = 0;
};

// Each thread's own, so that steps on two threads never share them.
Columnes& ColumnesPas()
{
    thread_local Columnes columnes;
    return columnes;
}

// One step's columns and the kernel its lanes run on.
struct FeinaPas {
    SistemaPas sistema;
    Nucli nucli;
};

std::atomic<int64_t>& Sumats()
{
    static std::atomic<int64_t> sumats{0};
    return sumats;
}

// The bodies [desde, fins), counted as their pulls are summed: a lane block
// at a time where a block is long enough that counting it costs nothing, so
// that a step of many bodies is seen to advance; else all at once.
void Recorrer(const FeinaPas& feina, int32_t desde, int32_t fins)
{
    SistemaPas tros = feina.sistema;
    const int32_t mida = feina.sistema.n >= COSSOS_PER_COMPTE ? CARRILS_MAXIMS : fins - desde;
    for (int32_t i = desde; i < fins; i += mida) {
        tros.desde = i;
        tros.fins = fins - i > mida ? i + mida : fins;
        // Every kernel loads whole lane blocks from desde on, and writes only
        // the bodies of the step.
        AFIRMA(tros.desde % CARRILS_MAXIMS == 0);
        AFIRMA(0 <= tros.desde && tros.desde < tros.fins && tros.fins <= tros.n);
        feina.nucli(tros);
        Sumats().fetch_add(tros.fins - tros.desde, std::memory_order_relaxed);
    }
}

// Part k of `parts` takes a k-th of the lane blocks; every block costs the
// same, n pulls a lane.
void FerPart(void* dades, int32_t part, int32_t parts)
{
    const FeinaPas& feina = *static_cast<const FeinaPas*>(dades);
    const int32_t n = feina.sistema.n;
    const int64_t blocs = (int64_t{n} + CARRILS_MAXIMS - 1) / CARRILS_MAXIMS;
    const int64_t fins = blocs * (part + 1) / parts * CARRILS_MAXIMS;
    Recorrer(feina, static_cast<int32_t>(blocs * part / parts * CARRILS_MAXIMS),
             fins < n ? static_cast<int32_t>(fins) : n);
}

// A slice [desde, fins) of one step's bodies, its lane blocks shared among
// the threads as FerPart shares a whole step's.
struct FeinaTros {
    const FeinaPas* feina;
    int32_t desde;
    int32_t fins;
};

void FerPartTros(void* dades, int32_t part, int32_t parts)
{
    const FeinaTros& tros = *static_cast<const FeinaTros*>(dades);
    const int64_t blocs = (int64_t{tros.fins - tros.desde} + CARRILS_MAXIMS - 1) / CARRILS_MAXIMS;
    const int64_t fins = tros.desde + blocs * (part + 1) / parts * CARRILS_MAXIMS;
    Recorrer(*tros.feina, static_cast<int32_t>(tros.desde + blocs * part / parts * CARRILS_MAXIMS),
             fins < tros.fins ? static_cast<int32_t>(fins) : tros.fins);
}

}  // namespace

int32_t PasRapidPerTrossos(Nucli nucli, Particula* particules, int32_t n, const ParametresPas& p,
                           EquipFils* equip, SeguentTros seguent, void* dades)
{
    FeinaPas feina{{}, nucli};
    if (PasInterromput() || !OmplirColumnes(particules, n, p, feina.sistema))
        return 0;
    int32_t trossos = 0;
    for (int32_t desde = 0; desde < n; ++trossos) {
        const int64_t demanats = seguent(dades, desde, n);
        if (PasInterromput())
            return trossos;
        // Whole lane blocks, at least one.
        const int64_t cossos = demanats < CARRILS_MAXIMS ? CARRILS_MAXIMS
                                                         : (demanats + CARRILS_MAXIMS - 1) / CARRILS_MAXIMS * CARRILS_MAXIMS;
        FeinaTros tros{&feina, desde, cossos < n - desde ? static_cast<int32_t>(desde + cossos) : n};
        const int32_t blocs = static_cast<int32_t>((tros.fins - desde + CARRILS_MAXIMS - 1) / CARRILS_MAXIMS);
        if (equip != nullptr && equip->parts() > 1 && blocs > 1)
            equip->executar(FerPartTros, &tros, blocs);
        else
            Recorrer(feina, desde, tros.fins);
        desde = tros.fins;
    }
    if (!PasInterromput())
        TornarColumnes(particules, feina.sistema);
    return trossos;
}

bool InterrupcioPas = false;

void InterromprePas()
{
    __atomic_store_n(&InterrupcioPas, true, __ATOMIC_RELAXED);
}

bool PasInterromput()
{
    return __atomic_load_n(&InterrupcioPas, __ATOMIC_RELAXED);
}

void ReprendrePas()
{
    __atomic_store_n(&InterrupcioPas, false, __ATOMIC_RELAXED);
}

std::size_t MemoriaPas(int32_t n)
{
    return n > 0 ? COLUMNES * Files(n) * sizeof(double) : 0;
}

bool ReservarPas(int32_t n)
{
    Columnes& columnes = ColumnesPas();
    if (n <= 0 || Files(n) <= columnes.files)
        return true;
    double* dades = static_cast<double*>(::operator new[](MemoriaPas(n), ALINEACIO, std::nothrow));
    if (dades == nullptr)
        return false;
    columnes.dades.reset(dades);
    columnes.files = Files(n);
    return true;
}

bool OmplirColumnes(const Particula* particules, int32_t n, const ParametresPas& p, SistemaPas& s)
{
    if (n <= 0 || !ReservarPas(n))
        return false;
    const std::size_t files = Files(n);
    AFIRMA(files <= ColumnesPas().files);
    double* nx = ColumnesPas().dades.get();
    // Whole registers' loads of every column start on a cache line.
    AFIRMA(reinterpret_cast<std::uintptr_t>(nx) % static_cast<std::size_t>(ALINEACIO) == 0);
    double* ny = nx + files;
    double* ox = ny + files;
    double* oy = ox + files;
    double* mg = oy + files;
    double* vx = mg + files;
    double* vy = vx + files;

    const double f = p.f;
    for (int32_t i = 0; i < n; ++i) {
        const vector posicio = particules[i].retornarposicio();
        const vector velocitat = particules[i].retornarvelocitat();
        // Particula::moviment, with the velocity of before the step.
        vector nova = posicio;
        SumaVectors(nova, MultiplicacioVectors(velocitat, f));
        nx[i] = nova.x;
        ny[i] = nova.y;
        ox[i] = posicio.x;
        oy[i] = posicio.y;
        mg[i] = TermeMassa(particules[i].retornarmassa(), p.g);
        vx[i] = velocitat.x;
        vy[i] = velocitat.y;
    }
    for (std::size_t i = static_cast<std::size_t>(n); i < files; ++i)
        nx[i] = ny[i] = ox[i] = oy[i] = mg[i] = vx[i] = vy[i] = 0.0;
    s = {n, nx, ny, ox, oy, mg, vx, vy, f, p.repulsio, 0, n};
    return true;
}

void TornarColumnes(Particula* particules, const SistemaPas& s)
{
    for (int32_t i = 0; i < s.n; ++i)
        particules[i].situar({s.nx[i], s.ny[i]}, {s.vx[i], s.vy[i]});
}

void PasRapidAmb(Nucli nucli, Particula* particules, int32_t n, const ParametresPas& p, EquipFils* equip)
{
    FeinaPas feina{{}, nucli};
    if (PasInterromput() || !OmplirColumnes(particules, n, p, feina.sistema))
        return;
    const int32_t blocs = static_cast<int32_t>(Files(n) / CARRILS_MAXIMS);
    if (equip != nullptr && equip->parts() > 1 && blocs > 1)
        equip->executar(FerPart, &feina, blocs);
    else
        Recorrer(feina, 0, n);

    // Some blocks were left out: the bodies stay as they were.
    if (PasInterromput())
        return;
    TornarColumnes(particules, feina.sistema);
}

void SumarCossosPas(int32_t cossos)
{
    Sumats().fetch_add(cossos, std::memory_order_relaxed);
}

int64_t CossosSumatsPas()
{
    return Sumats().load(std::memory_order_relaxed);
}
