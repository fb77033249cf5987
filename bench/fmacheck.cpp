// make fmacheck: the square roots and quotients that the FMA units form, each
// proved to be the divider's bits, against the divider: the AVX-512 step's
// (physics/fma_exacte.h), in each of its mixes, on LANES lanes of operands, and the AVX2+FMA
// experiment's (bench/) quotients on as many pairs. Then, for each config.txt
// given, a generated disc and a square lattice, the share of the AVX-512
// step's lanes that a failed proof sends to the divider.
// Exit status 0 only when every result has the divider's bits and the proofs
// refused every neighbour of a right one.
//
//     fmacheck [LANES [CONFIG...]]

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "config/comprovar.h"
#include "config/generar.h"
#include "lectura/lectura.h"
#include "operands_fma.h"
#include "physics/globals.h"
#include "physics/particula.h"
#include "physics/pas_avx512fma.h"
#include "physics/pas_rapid.h"
#include "quocients_fma.h"

namespace {

double Percent(int64_t part, int64_t tot)
{
    return tot > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(tot) : 0.0;
}

// The AVX-512 check; true when it found nothing wrong.
bool ComprovarAvx512(long long carrils)
{
    operands_fma::Atzar atzar{20261208};
    operands_fma::RecompteAvx512 r;
    operands_fma::ComprovarAvx512(atzar, (carrils + 7) / 8, r);
    std::printf("AVX-512: roots and quotients against the divider: %lld, different: %lld\n",
                static_cast<long long>(r.resultats), static_cast<long long>(r.diferents));
    std::printf("AVX-512: lanes (a pull's three factors, or a root and a quotient by it): %lld, sent to the "
                "divider by a failed proof: %lld (%.2f %%)\n",
                static_cast<long long>(r.carrils), static_cast<long long>(r.alDivisor), Percent(r.alDivisor, r.carrils));
    for (size_t b = 0; b < std::size(operands_fma::kBarreges); ++b)
        std::printf("AVX-512: a pull's factors with %s on the FMA units: lanes %lld, to the divider %.2f %%\n",
                    operands_fma::kNomsBarreges[b], static_cast<long long>(r.carrilsFactors),
                    Percent(r.factorsAlDivisor[b], r.carrilsFactors));
    std::printf("AVX-512: neighbours of the right result offered to the proofs: %lld, accepted: %lld\n",
                static_cast<long long>(r.veins), static_cast<long long>(r.veinsAcceptats));
    return r.diferents == 0 && r.veinsAcceptats == 0;
}

bool ComprovarAvx2(long long parells)
{
    operands_fma::Atzar atzar{20261207};
    operands_fma::Recompte r;
    // A block of four lanes gives eight quotients.
    operands_fma::Comprovar(atzar, (parells + 7) / 8, r);
    std::printf("AVX2: quotients against the divider: %lld, different: %lld, proved by FMA: %lld (%.1f %%)\n",
                static_cast<long long>(r.parells), static_cast<long long>(r.diferents),
                static_cast<long long>(r.perFma), Percent(r.perFma, r.parells));
    std::printf("AVX2: neighbours of the right quotient offered to the proof: %lld, accepted: %lld\n",
                static_cast<long long>(r.veins), static_cast<long long>(r.veinsAcceptats));
    operands_fma::RecompteFactors f;
    operands_fma::ComprovarFactorsAvx2(atzar, (parells + 7) / 8, f);
    std::printf("AVX2: a pull's factors with dx / r on the FMA units against the divider: %lld, different: %lld; "
                "lanes %lld, to the divider %.2f %%\n",
                static_cast<long long>(f.resultats), static_cast<long long>(f.diferents),
                static_cast<long long>(f.carrils), Percent(f.alDivisor, f.carrils));
    return r.diferents == 0 && r.veinsAcceptats == 0 && f.diferents == 0;
}

// Steps a system as the program starts it (time factor 1, the first cycle
// lasting 0) in each mix and reports the share of lanes sent to the divider,
// in the first step and over them all.
void Compartit(const std::string& nom, const Sistema& sistema, int passos)
{
    const int32_t n = static_cast<int32_t>(sistema.cossos.size());
    std::unique_ptr<Particula[]> cossos(new Particula[sistema.cossos.size()]);
    G = GDeExponent(sistema.gexp);
    FactorVelocitat = 1;
    for (size_t b = 0; b < std::size(operands_fma::kBarreges); ++b) {
        for (int32_t i = 0; i < n; ++i) {
            const Cos& c = sistema.cossos[static_cast<size_t>(i)];
            cossos[i].valors(c.x, c.y, c.vx, c.vy, c.massa, c.diametre);
        }
        RecompteFma primer, tots;
        for (int k = 0; k < passos; ++k) {
            TempsPerCicle = k == 0 ? 0.0f : 1.0f / static_cast<float>(sistema.cicles);
            const RecompteFma pas = PasComptatAvx512Fma(cossos.get(), n, ParametresGlobals(), operands_fma::kBarreges[b]);
            if (k == 0)
                primer = pas;
            tots.comptats += pas.comptats;
            tots.fallits += pas.fallits;
        }
        std::printf("%s, %d bodies, %s on the FMA units: lanes to the divider, first step %.2f %%, %d steps %.3f %%\n",
                    nom.c_str(), n, operands_fma::kNomsBarreges[b], Percent(primer.fallits, primer.comptats), passos,
                    Percent(tots.fallits, tots.comptats));
    }
}

// Bodies on a square grid, at rest: every difference along a row or a
// column is an exact zero.
Sistema Reticle(int32_t costat)
{
    Sistema sistema;
    for (int32_t i = 0; i < costat; ++i)
        for (int32_t j = 0; j < costat; ++j) {
            Cos c;
            c.x = (i - costat / 2) * 20.0;
            c.y = (j - costat / 2) * 20.0;
            c.massa = 1000000000000u;
            c.diametre = 2.0f;
            sistema.cossos.push_back(c);
        }
    return sistema;
}

bool Compartits(int argc, char** argv)
{
    constexpr int kPassos = 1000;
    bool bo = true;
    for (int a = 2; a < argc; ++a) {
        std::ifstream arxiu(argv[a]);
        Sistema sistema;
        if (!arxiu || !Comprovar(arxiu, &sistema).empty() || sistema.cossos.empty()) {
            std::fprintf(stderr, "fmacheck: %s does not read cleanly\n", argv[a]);
            bo = false;
            continue;
        }
        Compartit(argv[a], sistema, kPassos);
    }
    std::string error;
    if (const auto disc = Generar(OpcionsGen{}, error))
        Compartit("particules-config gen disc", *disc, kPassos);
    Compartit("a square lattice", Reticle(32), kPassos);
    return bo;
}

}  // namespace

int main(int argc, char** argv)
{
    const long long demanats = argc > 1 ? std::atoll(argv[1]) : 1000000000LL;
    bool bo = true;
    if (Avx512FmaDisponible())
        bo = ComprovarAvx512(demanats) && bo;
    else
        std::printf("AVX-512: this processor lacks AVX-512 or FMA\n");
    if (FmaDisponible())
        bo = ComprovarAvx2(demanats) && bo;
    else
        std::printf("AVX2: this processor lacks AVX2 or FMA\n");
    if (Avx512FmaDisponible())
        bo = Compartits(argc, argv) && bo;
    return bo ? 0 : 1;
}
