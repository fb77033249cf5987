#include "physics/camins.h"

#include <cctype>
#include <memory>

#include "physics/afirma.h"

namespace {

bool Sempre()
{
    return true;
}

#if defined(__x86_64__)
bool AmbAvx2()
{
    return __builtin_cpu_supports("avx2");
}

bool AmbAvx512()
{
    return __builtin_cpu_supports("avx512f");
}
#endif

}  // namespace

bool Avx2FmaDisponible()
{
#if defined(__x86_64__)
    return AmbAvx2() && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

// Every core with AVX-512F has FMA too; asked all the same, since the kernel's
// file is built with -mfma.
bool Avx512FmaDisponible()
{
#if defined(__x86_64__)
    return AmbAvx512() && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

namespace {

struct EntradaProcessador {
    const char* nom;
    bool (*disponible)();
    Nucli nucli;
};

// The least preferred first; a new kernel is one line here.
constexpr EntradaProcessador kCaminsProcessador[] = {
    {"scalar", Sempre, PasNucliEscalar},
#if defined(__x86_64__)
    {"SSE2", Sempre, PasNucliSse2},
    // dx / r on the FMA units, the rest on the divider: taken only where it
    // beats AVX2 by the margin of the choice.
    {"AVX2 FMA dx", Avx2FmaDisponible, PasNucliAvx2FmaDx},
    {"AVX2", AmbAvx2, PasNucliAvx2},
    // The square root and dx / r on the FMA units, each proved the divider's
    // bits: faster where the divider is narrow, so timed, never preferred.
    // Before it, the mixes that give the FMA units more of the divider's work
    // (physics/fma_exacte.h): each is taken only where it beats the path
    // chosen so far by the margin of the choice, so a processor where a mix
    // does not pay keeps the step it had.
    {"AVX-512 FMA all", Avx512FmaDisponible, PasNucliAvx512FmaTotes},
    {"AVX-512 FMA dy", Avx512FmaDisponible, PasNucliAvx512FmaDy},
    {"AVX-512 FMA", Avx512FmaDisponible, PasNucliAvx512Fma},
    {"AVX-512", AmbAvx512, PasNucliAvx512},
#elif defined(PARTICULES_SIMD128)
    // The SSE2 kernel built for WebAssembly's 128-bit lanes, which cannot ask
    // at run time: the build has them or not.
    {"SSE2", Sempre, PasNucliSse2},
#endif
};

}  // namespace

const std::vector<CamiPas>& CaminsProcessador()
{
    static const std::vector<CamiPas> camins = [] {
        std::vector<CamiPas> c;
        for (const EntradaProcessador& e : kCaminsProcessador)
            c.push_back({e.nom, e.disponible(), e.nucli, {}});
        return c;
    }();
    return camins;
}

const CamiPas& CamiPreferit()
{
    static const CamiPas* const preferit = [] {
        const std::vector<CamiPas>& camins = CaminsProcessador();
        for (auto c = camins.rbegin(); c != camins.rend(); ++c)
            if (c->disponible)
                return &*c;
        return &camins.front();
    }();
    return *preferit;
}

std::vector<CamiPas> CaminsPas(bool ambCpu)
{
    std::vector<CamiPas> camins = CaminsProcessador();
    for (const DispositiuOpenCL& d : DispositiusOpenCL(ambCpu))
        camins.push_back({NomDispositiu(d), true, nullptr, d});
    return camins;
}

std::string NomDispositiu(const DispositiuOpenCL& d)
{
    return "OpenCL " + d.plataforma + ": " + d.nom;
}

std::string IdentificadorCami(const CamiPas& cami)
{
    std::string id;
    for (const char c : cami.nom)
        if (std::isalnum(static_cast<unsigned char>(c)))
            id += c;
    return id;
}

FerPas PasDeCami(const CamiPas& cami, EquipFils* equip, std::string* motiu)
{
    AFIRMA(cami.disponible);
    if (cami.nucli != nullptr) {
        return [nucli = cami.nucli, equip](Particula* p, int32_t n, const ParametresPas& param) {
            PasRapidAmb(nucli, p, n, param, equip);
            return true;
        };
    }
    std::shared_ptr<PasOpenCL> opencl = PasOpenCL::Crear(cami.dispositiu, motiu);
    if (!opencl)
        return {};
    return [opencl](Particula* p, int32_t n, const ParametresPas& param) {
        return opencl->reservar(n) && opencl->pas(p, n, param);
    };
}
