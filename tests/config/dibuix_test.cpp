#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "config/dibuix.h"
#include "config/generar.h"

// particules-config gen drawing: a drawing's bodies come back, divided by the
// units gen orbits chooses, and its faults are said at the body's line.

namespace {

struct Cas {
    const char* dibuix;
    int64_t errors, notes;
    int64_t linia;        // of the first finding; 0 for none
    const char* paraula;  // in its text
};

TEST(GenDibuix, BodiesComeBackInGenOrbitsUnitsAndFaultsAtTheirLine)
{
    const Cas casos[] = {
        {"star 1.98847e30 0 0 0 0\nearth 5.9722e24 1.495978707e11 0 0 "
         "-29780\nmoon 7.342e22 1.49e11 -3e10 1000 -29000\n",
         0, 0, 0, ""},
        {"a 1e30 0 0 0 0\nb 1e30 0 0 5 5\n", 1, 0, 2, "same point as a"},
        {"a 1e30 0 0 0 0\nb 1 1e11 0 0 0\n", 0, 1, 2, "becomes 0"},
        {"a 0 0 0 0 0\nb 0 1 0 0 0\n", 1, 0, 1, "nothing pulls"},
        {"a 1e30 0 0 0 0\n# far\nb 1 1e300 0 0 0\n", 1, 0, 3, "too far out"},
        {"a 1e30 0 0 0\n", 1, 0, 1, "NAME MASS X Y VX VY"},
    };
    for (const Cas& c : casos) {
        SCOPED_TRACE(c.dibuix);
        std::istringstream in(c.dibuix);
        Troballes t;
        const auto s = GenerarDibuix(in, OpcionsOrbites{}, t);
        EXPECT_EQ(t.errors, c.errors);
        EXPECT_EQ(t.notes, c.notes);
        EXPECT_EQ(s.has_value(), c.errors == 0);
        if (c.linia > 0) {
            ASSERT_FALSE(t.avisos.empty());
            EXPECT_EQ(t.avisos[0].linia, c.linia);
            EXPECT_NE(t.avisos[0].text.find(c.paraula), std::string::npos) << t.avisos[0].text;
        }
        if (!s)
            continue;
        // The same units as a largest orbit of that reach, and the bodies as drawn.
        std::istringstream torna(c.dibuix);
        std::string nom;
        double massa, x, y, vx, vy, abast = 0.0, pesada = 0.0;
        for (const Cos& cos : s->sistema.cossos) {
            ASSERT_TRUE(torna >> nom >> massa >> x >> y >> vx >> vy);
            EXPECT_DOUBLE_EQ(cos.x * s->metres, x);
            EXPECT_DOUBLE_EQ(cos.y * s->metres, y);
            EXPECT_DOUBLE_EQ(cos.vx * s->metres, vx);
            EXPECT_DOUBLE_EQ(cos.vy * s->metres, vy);
            // The nearest whole unit, as near as a double holds it.
            EXPECT_LE(std::abs(static_cast<double>(cos.massa) * s->kilograms - massa),
                      std::max(s->kilograms / 2, 1e-15 * massa));
            abast = std::max(abast, std::hypot(x, y));
            pesada = std::max(pesada, massa);
        }
        double estimat = 0.0, kilograms = 0.0;
        int32_t gexp = 0;
        EXPECT_EQ(s->metres, MetresPerUnitat(abast, OpcionsOrbites{}));
        ASSERT_TRUE(ExponentG(pesada, s->metres, estimat, gexp, kilograms));
        EXPECT_EQ(s->sistema.gexp, gexp);
        EXPECT_EQ(s->kilograms, kilograms);
    }
}

}  // namespace
