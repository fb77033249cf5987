#include <gtest/gtest.h>

#include "operands_fma.h"
#include "quocients_fma.h"

// The short run of make fmacheck: a few million quotients.
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
