#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "operands_fma.h"
#include "physics/globals.h"
#include "physics/particula.h"
#include "physics/pas_avx512fma.h"
#include "physics/pas_rapid.h"
#include "quocients_fma.h"

// The short runs of make fmacheck: a few million results each.
TEST(ProvedFmaQuotients, GiveTheDividersBitsAndRefuseItsNeighbours)
{
    if (!FmaDisponible())
        GTEST_SKIP() << "this processor lacks AVX2 or FMA";
    operands_fma::Atzar atzar{14};
    operands_fma::Recompte recompte;
    operands_fma::Comprovar(atzar, 1 << 19, recompte);
    EXPECT_EQ(recompte.diferents, 0) << "of " << recompte.parells;
    EXPECT_EQ(recompte.veinsAcceptats, 0) << "of " << recompte.veins;
    // Not every lane left to the divider: ordinary operands are proved.
    EXPECT_GT(recompte.perFma, recompte.parells / 4);
}

// The AVX2 path with dx / r on the FMA units: its proof is the one above.
TEST(ProvedFmaQuotients, Avx2StepsFactorsAreTheDividers)
{
    if (!Avx2FmaDisponible())
        GTEST_SKIP() << "this processor lacks AVX2 or FMA";
    operands_fma::Atzar atzar{16};
    operands_fma::RecompteFactors recompte;
    operands_fma::ComprovarFactorsAvx2(atzar, 1 << 17, recompte);
    EXPECT_EQ(recompte.diferents, 0) << "of " << recompte.resultats;
    EXPECT_LT(recompte.alDivisor, recompte.carrils * 2 / 5) << "of " << recompte.carrils;
}

TEST(ProvedFmaRootsAndQuotients, Avx512GiveTheDividersBitsAndRefuseItsNeighbours)
{
    if (!Avx512FmaDisponible())
        GTEST_SKIP() << "this processor lacks AVX-512 or FMA";
    operands_fma::Atzar atzar{15};
    operands_fma::RecompteAvx512 recompte;
    operands_fma::ComprovarAvx512(atzar, 1 << 18, recompte);
    EXPECT_EQ(recompte.diferents, 0) << "of " << recompte.resultats;
    EXPECT_EQ(recompte.veinsAcceptats, 0) << "of " << recompte.veins;
    // Half the operands sit on purpose where no estimate can be proved; the
    // rest are, nearly all, in every mix.
    EXPECT_LT(recompte.alDivisor, recompte.carrils * 2 / 5) << "of " << recompte.carrils;
    for (size_t b = 0; b < std::size(operands_fma::kBarreges); ++b)
        EXPECT_LT(recompte.factorsAlDivisor[b], recompte.carrilsFactors * 2 / 5) << operands_fma::kNomsBarreges[b];
}

// A square lattice at rest: along each column dx is an exact 0, whose
// quotient needs no proof. No lane goes to the divider, and every pair but a
// body with itself counts.
TEST(ProvedFmaRootsAndQuotients, Avx512LatticeSendsNothingToTheDivider)
{
    if (!Avx512FmaDisponible())
        GTEST_SKIP() << "this processor lacks AVX-512 or FMA";
    constexpr int32_t costat = 9;
    constexpr int32_t n = costat * costat;
    std::vector<Particula> cossos(n);
    for (int32_t i = 0; i < n; ++i)
        cossos[static_cast<size_t>(i)].valors((i % costat) * 10.0, (i / costat) * 10.0, 0.0, 0.0, 1000000000000u,
                                              1.0f);
    G = 6.7e-11;
    for (size_t b = 0; b < std::size(operands_fma::kBarreges); ++b) {
        std::vector<Particula> copia = cossos;
        const RecompteFma recompte = PasComptatAvx512Fma(copia.data(), n, ParametresGlobals(), operands_fma::kBarreges[b]);
        EXPECT_EQ(recompte.comptats, int64_t{n} * (n - 1)) << operands_fma::kNomsBarreges[b];
        EXPECT_EQ(recompte.fallits, 0) << operands_fma::kNomsBarreges[b];
    }
    G = 0.0;
}
