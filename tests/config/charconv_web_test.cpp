#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "config/charconv_web.h"

// The page's particules-config writes and reads doubles through
// charconv_web.h; here, natively, it must give what libstdc++ gives.

namespace {

std::string Escrit(std::to_chars_result (*escriure)(char*, char*, double), double valor)
{
    char text[64];
    const auto r = escriure(text, text + sizeof text, valor);
    return r.ec == std::errc() ? std::string(text, r.ptr) : "(error)";
}

std::to_chars_result DeLaBiblioteca(char* inici, char* fi, double valor)
{
    return std::to_chars(inici, fi, valor);
}

double DeBits(uint64_t bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

}  // namespace

TEST(CharconvWeb, WritesWhatTheLibraryWrites)
{
    const double d = std::numeric_limits<double>::denorm_min();
    std::vector<double> valors = {0.0, -0.0, 1.0, -1.0, 0.1, 0.0001, 1e-5, 123456.0, 1e21, 1e22, 1e23,
                                  5e-324, d * 3, 2.2250738585072014e-308, 1.7976931348623157e308,
                                  1.2345678901234568e20, 9007199254740993.0, 100.0, 1e15, 1e16, 1e17,
                                  HUGE_VAL, -HUGE_VAL, 0.3, 2.0 / 3.0, 4.35e-7, 1.5e300};
    for (int e = -30; e <= 30; ++e)
        valors.push_back(std::pow(10.0, e));
    std::mt19937_64 bits(7);
    for (int i = 0; i < 100000; ++i) {
        const double v = DeBits(bits());
        if (!std::isnan(v))
            valors.push_back(v);
        // Short decimals, as configs and reports have them.
        valors.push_back(static_cast<double>(static_cast<int64_t>(bits() % 2000001) - 1000000) / 1000.0);
    }
    int diferents = 0;
    for (const double v : valors) {
        const std::string nostre = Escrit(xifres_web::AXifres, v), seu = Escrit(DeLaBiblioteca, v);
        if (nostre != seu && diferents++ < 10)
            ADD_FAILURE() << nostre << " against the library's " << seu;
    }
    EXPECT_EQ(diferents, 0);
}

TEST(CharconvWeb, ReadsWhatTheLibraryReads)
{
    const char* const textos[] = {"0", "-0", "1", "-1.5", "+1", " 1", "1e", "1e+", "1e-5", "1E5", ".5", "5.",
                                  ".", "-", "", "e5", "0x10", "0x1p3", "inf", "-INF", "Infinity", "infinit",
                                  "nan", "-nan", "NaN(123)", "nan(", "1e400", "-1e400", "1e-320", "1e-400",
                                  "0e-400", "0.000e999", "1.5kg", "2.5.3", "1e5e5", "00012", "1.7976931348623158e308",
                                  "2.4703282292062328e-324", "2.4703282292062327e-324", "123456789012345678901234567890",
                                  "0.1000000000000000055511151231257827021181583404541015625"};
    for (const char* t : textos) {
        const char* fi = t + std::strlen(t);
        double nostre = 42.0, seu = 42.0;
        const auto a = xifres_web::DeXifres(t, fi, nostre);
        const auto b = std::from_chars(t, fi, seu);
        EXPECT_EQ(a.ptr - t, b.ptr - t) << '"' << t << '"';
        EXPECT_EQ(static_cast<int>(a.ec), static_cast<int>(b.ec)) << '"' << t << '"';
        EXPECT_TRUE(std::memcmp(&nostre, &seu, sizeof nostre) == 0 || (std::isnan(nostre) && std::isnan(seu)))
            << '"' << t << "\": " << nostre << " against " << seu;
    }
}
