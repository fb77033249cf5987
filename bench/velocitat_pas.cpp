// The step's cost per ordered pair, from the same source natively and in
// WebAssembly under node, for make web-bench: each fast path on one thread,
// then the widest with teams of 2 up to every processor. Wall time, the best
// of five rounds of about 0.3 s: node has no clock of a thread's own, and the
// best round is the one the rest of the machine disturbed least.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "physics/camins.h"
#include "physics/fils.h"
#include "sistema_realista.h"

namespace {

#if defined(__EMSCRIPTEN__)
constexpr bool kWasm = true;
#else
constexpr bool kWasm = false;
#endif

// WebAssembly runs the SSE2 kernel on its 128-bit lanes.
std::string Nom(const CamiPas& cami)
{
    return kWasm && cami.nom == "SSE2" ? "SIMD128 (" + cami.nom + " kernel)" : cami.nom;
}

template <class FerPas>
double NsPerParell(int32_t n, FerPas ferPas)
{
    std::vector<Particula> cossos = SistemaRealista(n);
    const ParametresPas parametres = ParametresGlobals();
    const double parells = double(n) * double(n - 1);
    double millor = 1e300;
    for (int ronda = 0; ronda < 5; ++ronda) {
        const auto inici = std::chrono::steady_clock::now();
        std::chrono::duration<double, std::nano> temps{};
        int64_t passos = 0;
        do {
            ferPas(cossos.data(), n, parametres);
            ++passos;
            temps = std::chrono::steady_clock::now() - inici;
        } while (temps.count() < 3e8);
        millor = std::min(millor, temps.count() / (parells * double(passos)));
    }
    return millor;
}

}  // namespace

int main(int argc, char** argv)
{
    const int32_t n = argc > 1 ? std::atoi(argv[1]) : 1024;
    if (n < 2 || !ReservarPas(n)) {
        std::fprintf(stderr, "usage: velocitat_pas [BODIES], at least 2 that fit in memory\n");
        return 2;
    }
    std::printf("ns/pair  %s step, %d bodies\n", kWasm ? "wasm" : "native", n);
    for (const CamiPas& cami : CaminsProcessador()) {
        if (cami.disponible)
            std::printf("%7.3f  %s\n", NsPerParell(n, PasDeCami(cami)), Nom(cami).c_str());
    }
    const CamiPas& cami = CamiPreferit();
    for (int32_t parts = 2; parts <= ProcessadorsPermesos(); ++parts) {
        EquipFils equip(parts);
        if (equip.parts() < parts)
            break;
        const double ns = NsPerParell(n, PasDeCami(cami, &equip));
        std::printf("%7.3f  %s, %d threads\n", ns, Nom(cami).c_str(), parts);
    }
    return 0;
}
