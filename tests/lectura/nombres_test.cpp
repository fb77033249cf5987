#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "lectura/nombres.h"
#include "support/bits.h"

// The grammar of config.txt's numbers, token by token. The values expected
// are the compiler's own reading of the same literals; natively the reader is
// also held to libstdc++'s stream input, which read config.txt before.

namespace {

// Bytes of the token a read took.
size_t Presos(std::istringstream& in, const std::string& text)
{
    return text.size() - static_cast<size_t>(in.rdbuf()->in_avail());
}

struct Decimal {
    std::string text;
    size_t presos;
    bool fi;  // the read met the end
    double real;
    bool realFalla;
    float simple;
    bool simpleFalla;
};

const Decimal kDecimals[] = {
    {"1.5e3", 5, true, 1.5e3, false, 1.5e3f, false},
    {"-0", 2, true, -0.0, false, -0.0f, false},
    {"00.5", 4, true, 0.5, false, 0.5f, false},
    {"-.5", 3, true, -0.5, false, -0.5f, false},
    {"5.", 2, true, 5.0, false, 5.0f, false},
    {"1e00000000000000000000000000005", 31, true, 1e5, false, 1e5f, false},
    // A number ends at the first byte that cannot go on with it.
    {"1x", 1, false, 1.0, false, 1.0f, false},
    {"1.2.3", 3, false, 1.2, false, 1.2f, false},
    {"1e5.5", 3, false, 1e5, false, 1e5f, false},
    {"1e-5-3", 4, false, 1e-5, false, 1e-5f, false},
    {"0x10", 1, false, 0.0, false, 0.0f, false},
    {"1\xc2\xa0", 1, false, 1.0, false, 1.0f, false},
    // No digit, or an exponent without one: the bytes taken stay taken.
    {"nan", 0, false, 0.0, true, 0.0f, true},
    {"-inf", 1, false, 0.0, true, 0.0f, true},
    {"e5", 0, false, 0.0, true, 0.0f, true},
    {".", 1, true, 0.0, true, 0.0f, true},
    {"-.", 2, true, 0.0, true, 0.0f, true},
    {".e5", 1, false, 0.0, true, 0.0f, true},
    {"--5", 1, false, 0.0, true, 0.0f, true},
    {"+", 1, true, 0.0, true, 0.0f, true},
    {"1e", 2, true, 0.0, true, 0.0f, true},
    {"0e", 2, true, 0.0, true, 0.0f, true},
    {"1E+", 3, true, 0.0, true, 0.0f, true},
    {"1e+x", 3, false, 0.0, true, 0.0f, true},
    {"1ee5", 2, false, 0.0, true, 0.0f, true},
    {"\xef\xbb\xbf" "5", 0, false, 0.0, true, 0.0f, true},
    {std::string("\0" "5", 2), 0, false, 0.0, true, 0.0f, true},
    {"", 0, true, 0.0, true, 0.0f, true},
    // Past the largest finite value fails; below the smallest normal is
    // kept as a subnormal or 0.
    {"1e400", 5, true, 0.0, true, 0.0f, true},
    {"-1e39", 5, true, -1e39, false, 0.0f, true},
    {"1.7976931348623158e308", 22, true, DBL_MAX, false, 0.0f, true},
    {"1.7976931348623159e308", 22, true, 0.0, true, 0.0f, true},
    {"3.4028235e38", 12, true, 3.4028235e38, false, FLT_MAX, false},
    {"3.4028236e38", 12, true, 3.4028236e38, false, 0.0f, true},
    {"1e-320", 6, true, 1e-320, false, 0.0f, false},
    {"3e-324", 6, true, 4.9406564584124654e-324, false, 0.0f, false},
    {"2e-324", 6, true, 0.0, false, 0.0f, false},
    {"1e-45", 5, true, 1e-45, false, 1e-45f, false},
    {"-1e-400", 7, true, -0.0, false, -0.0f, false},
    {"1e-9999999999999999999999", 25, true, 0.0, false, 0.0f, false},
    {"0e99999999999999999999", 22, true, 0.0, false, 0.0f, false},
};

TEST(ConfigNumbers, DecimalsReadByTheGrammar)
{
    for (const Decimal& c : kDecimals) {
        SCOPED_TRACE(c.text);
        std::istringstream a(c.text), b(c.text);
        const double real = llegir<double>(a);
        const float simple = llegir<float>(b);
        EXPECT_TRUE(BitsIdentics(real, c.real)) << real;
        EXPECT_TRUE(BitsIdentics(simple, c.simple)) << simple;
        EXPECT_EQ(a.fail(), c.realFalla);
        EXPECT_EQ(b.fail(), c.simpleFalla);
        EXPECT_EQ(Presos(a, c.text), c.presos);
        EXPECT_EQ(Presos(b, c.text), c.presos);
        EXPECT_EQ(a.eof(), c.fi);
        EXPECT_EQ(b.eof(), c.fi);
    }
}

// 5^k in decimal digits: 2^-k is 0.(k - len zeros)(these digits).
std::string PotenciaDe5(int k)
{
    std::string xifres = "1";
    for (int i = 0; i < k; ++i) {
        int porta = 0;
        for (auto x = xifres.rbegin(); x != xifres.rend(); ++x) {
            const int v = (*x - '0') * 5 + porta;
            *x = static_cast<char>('0' + v % 10);
            porta = v / 10;
        }
        if (porta > 0)
            xifres.insert(xifres.begin(), static_cast<char>('0' + porta));
    }
    return xifres;
}

// 2^-k written out in full.
std::string MeitatElevada(int k)
{
    const std::string xifres = PotenciaDe5(k);
    return "0." + std::string(k - xifres.size(), '0') + xifres;
}

// A number halfway between two doubles rounds to the even one, and any
// nonzero digit after it, however far, rounds it up: every digit counts,
// however long the number.
TEST(ConfigNumbers, LongNumbersRoundAsTheirWholeLength)
{
    const std::string llarg(20000, '0');
    // 1 + 2^-53, halfway between 1 and the next double; 1 + 2^-24 for floats.
    const std::string mig = "1" + MeitatElevada(53).substr(1);
    const std::string migSimple = "1" + MeitatElevada(24).substr(1);
    // 2^-1075, halfway between 0 and the smallest subnormal, 1075 decimals.
    const std::string migZero = MeitatElevada(1075);
    const struct {
        std::string text;
        double real;
        bool falla;
    } reals[] = {
        {mig, 1.0, false},
        {mig + llarg, 1.0, false},
        {mig + llarg + "1", std::nextafter(1.0, 2.0), false},
        {migZero, 0.0, false},
        {migZero + "1", std::nextafter(0.0, 1.0), false},
        {"1" + llarg, 0.0, true},
        {"0." + llarg + "1", 0.0, false},
        {llarg + "5" + "." + llarg, 5.0, false},
        {"1" + llarg + "e-20000", 1.0, false},
        {"0." + llarg + "5e20001", 5.0, false},
    };
    for (const auto& c : reals) {
        SCOPED_TRACE(c.text.substr(0, 60));
        std::istringstream in(c.text);
        EXPECT_TRUE(BitsIdentics(llegir<double>(in), c.real));
        EXPECT_EQ(in.fail(), c.falla);
        EXPECT_TRUE(in.eof());
    }
    for (const auto& [text, simple] : {std::pair{migSimple, 1.0f},
                                       std::pair{migSimple + llarg + "1", std::nextafter(1.0f, 2.0f)}}) {
        std::istringstream in(text);
        EXPECT_TRUE(BitsIdentics(llegir<float>(in), simple)) << text;
    }
}

// A formatted read skips blanks first; one that fails, or meets the end,
// leaves the stream so that every later read gives 0 and takes nothing.
TEST(ConfigNumbers, AFailedOrEndedStreamReadsZerosFromThereOn)
{
    std::istringstream in(" \t\n\v\f\r7 x\x1c 8kg nan 9 y");
    EXPECT_EQ(llegir<int32_t>(in), 7);
    descartarParaula(in);
    EXPECT_EQ(llegir<double>(in), 8.0);
    descartarParaula(in);
    EXPECT_FALSE(in.fail());
    EXPECT_EQ(llegir<float>(in), 0.0f);
    EXPECT_TRUE(in.fail());
    const size_t presos = Presos(in, " \t\n\v\f\r7 x\x1c 8kg nan 9 y");
    EXPECT_EQ(llegirMassa(in), 0u);
    descartarParaula(in);
    saltarBlancs(in);
    EXPECT_EQ(llegir<int32_t>(in), 0);
    EXPECT_EQ(Presos(in, " \t\n\v\f\r7 x\x1c 8kg nan 9 y"), presos);

    std::istringstream fi("5");
    EXPECT_EQ(llegir<int32_t>(fi), 5);
    EXPECT_FALSE(fi.fail());
    EXPECT_TRUE(fi.eof());
    EXPECT_EQ(llegir<double>(fi), 0.0);
    EXPECT_TRUE(fi.fail());

    std::istringstream blancs("  \n");
    saltarBlancs(blancs);
    EXPECT_TRUE(blancs.eof());
    EXPECT_FALSE(blancs.fail());
    descartarParaula(blancs);
    EXPECT_TRUE(blancs.fail());
}

#if defined(__GLIBCXX__)

// How the program read a mass with libstdc++'s stream input.
uint64_t MassaPerFlux(std::istream& in, bool& negativa)
{
    negativa = false;
    uint64_t v = 0;
    if (!(in >> std::ws) || in.peek() != '-')
        return in >> v ? v : 0;
    in.get();
    if (!std::isdigit(in.peek()))
        in.setstate(std::ios::failbit);
    in >> v;
    // "-0" is the 0 it says: only a mass above 0 is lost to its sign.
    negativa = !in.fail() && v != 0;
    return 0;
}

// One read of a T by each reader; "" when the values agree to the bit.
template <typename T>
std::string DiferenciaValor(std::istringstream& meu, std::istringstream& flux)
{
    T v{};
    if (!(flux >> v))
        v = T{};
    const T m = llegir<T>(meu);
    if (BitsIdentics(m, v))
        return "";
    std::ostringstream que;
    que << "value " << m << " vs " << v;
    return que.str();
}

// One read of the given kind by each reader; "" when they agree in value,
// state and bytes taken.
std::string Diferencia(int tipus, std::istringstream& meu, std::istringstream& flux)
{
    std::ostringstream que;
    if (tipus == 0) {
        que << DiferenciaValor<int32_t>(meu, flux);
    } else if (tipus == 1) {
        que << DiferenciaValor<double>(meu, flux);
    } else if (tipus == 2) {
        que << DiferenciaValor<float>(meu, flux);
    } else if (tipus == 3) {
        bool nf = false, nm = false;
        const uint64_t v = MassaPerFlux(flux, nf);
        const uint64_t m = llegirMassa(meu, &nm);
        if (m != v || nm != nf)
            que << "mass " << m << (nm ? "-" : "") << " vs " << v << (nf ? "-" : "");
    } else {
        std::string paraula;
        flux >> paraula;
        descartarParaula(meu);
    }
    if (meu.rdstate() != flux.rdstate())
        que << " state " << meu.rdstate() << " vs " << flux.rdstate();
    if (meu.rdbuf()->in_avail() != flux.rdbuf()->in_avail())
        que << " left " << meu.rdbuf()->in_avail() << " vs " << flux.rdbuf()->in_avail();
    return que.str();
}

// Texts of bytes that make and break numbers, read by a random sequence of
// every kind of read, each against the desktop's former reader.
TEST(ConfigNumbers, AgreesWithLibstdcxxStreamInput)
{
    const std::string alfabet = std::string("0123456789000111999....eeEE++--xXnaif,\xff\x80\x1c ") +
                                '\0' + " \t\n\r\v\f";
    std::mt19937 gen(26);
    for (int k = 0; k < 200000; ++k) {
        std::string text;
        for (int n = static_cast<int>(gen() % 24); n > 0; --n)
            text += alfabet[gen() % alfabet.size()];
        // Now and then a mantissa longer than the digits kept, with an
        // exponent that puts it anywhere from past the largest double to
        // below the smallest subnormal.
        if (k % 16 == 0) {
            text += std::to_string(gen() % 10);
            for (int n = static_cast<int>(gen() % 1200); n > 0; --n)
                text += static_cast<char>('0' + gen() % 10);
            text += "e" + std::to_string(static_cast<int>(gen() % 1900) - 1500);
        }
        std::istringstream meu(text), flux(text);
        for (int r = 0; r < 6; ++r) {
            const int tipus = static_cast<int>(gen() % 5);
            const std::string d = Diferencia(tipus, meu, flux);
            ASSERT_EQ(d, "") << "read " << r << " of kind " << tipus << " in \"" << text << "\"";
        }
    }
}

#endif

}  // namespace
