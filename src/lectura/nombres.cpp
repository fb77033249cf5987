#include "lectura/nombres.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <streambuf>

namespace {

constexpr int kFi = std::char_traits<char>::eof();

// Significant digits kept of a decimal number. A value halfway between two
// doubles (or floats) needs at most 767 to be written exactly, so the digits
// past these only say whether the rest is zero, and the number rounds as its
// whole length would.
constexpr int kXifres = 800;

// An exponent is not taken further than this: past it every number of the
// file's length is 0 or out of range alike.
constexpr int64_t kExponentMaxim = 1000000000000000;

// The exponent handed on to the conversion, whose parser need not take
// larger ones: 0.1 × 10^±100000 is already 0 or infinite.
constexpr int64_t kExponentConversio = 100000;

bool EsXifra(int c)
{
    return c >= '0' && c <= '9';
}

// One formatted read: the byte at hand, taken from the stream's buffer, and
// the state the read leaves.
class Lectura {
public:
    // Skips the blanks before the token; fails at once on a stream that is
    // not good, and at the end of the input.
    explicit Lectura(std::istream& in) : in_(in)
    {
        saltarBlancs(in);
        if (!in.good()) {
            in.setstate(std::ios::failbit);
            return;
        }
        font_ = in.rdbuf();
        c_ = font_->sgetc();
    }

    // Whether a token is at hand.
    bool dins() const { return font_ != nullptr; }
    int c() const { return c_; }
    void prendre()
    {
        c_ = font_->snextc();
        if (c_ == kFi)
            in_.setstate(std::ios::eofbit);
    }
    // Takes a + or - if one is at hand; true for a minus.
    bool signe()
    {
        const bool menys = c_ == '-';
        if (menys || c_ == '+')
            prendre();
        return menys;
    }
    void fallar() { in_.setstate(std::ios::failbit); }

private:
    std::istream& in_;
    std::streambuf* font_ = nullptr;
    int c_ = kFi;
};

// Takes every digit at hand. False when there is none or their number is
// past limit; valor is then not to be used.
bool enter(Lectura& l, uint64_t limit, uint64_t& valor)
{
    bool alguna = false;
    bool fora = false;
    valor = 0;
    for (; EsXifra(l.c()); l.prendre()) {
        const unsigned xifra = static_cast<unsigned>(l.c() - '0');
        if (valor > (limit - xifra) / 10)
            fora = true;
        else
            valor = valor * 10 + xifra;
        alguna = true;
    }
    return alguna && !fora;
}

// A decimal number as scanned: 0.xifres × 10^exponent, its sign aside, where
// resta says that nonzero digits past the kept ones were dropped.
struct Decimal {
    bool negatiu = false;
    int n = 0;
    bool resta = false;
    int64_t exponent = 0;
    char xifres[kXifres];
};

// Takes a sign, digits with at most one point, then an e or E (only after a
// digit) with a sign and digits. False when the mantissa has no digit or the
// exponent none.
bool escanejar(Lectura& l, Decimal& d)
{
    d.negatiu = l.signe();
    bool xifra = false;
    bool punt = false;
    for (;; l.prendre()) {
        const int c = l.c();
        if (c == '.' && !punt) {
            punt = true;
            continue;
        }
        if (!EsXifra(c))
            break;
        xifra = true;
        // Zeros ahead of the first significant digit only place the point.
        if (d.n == 0 && c == '0') {
            d.exponent -= punt;
            continue;
        }
        if (d.n < kXifres)
            d.xifres[d.n++] = static_cast<char>(c);
        else
            d.resta |= c != '0';
        d.exponent += !punt;
    }
    if (!xifra || (l.c() != 'e' && l.c() != 'E'))
        return xifra;
    l.prendre();
    const bool menys = l.signe();
    bool alguna = false;
    int64_t e = 0;
    for (; EsXifra(l.c()); l.prendre()) {
        alguna = true;
        if (e < kExponentMaxim)
            e = e * 10 + (l.c() - '0');
    }
    d.exponent += menys ? -e : e;
    return alguna;
}

double convertir(const char* text, double*)
{
    return std::strtod(text, nullptr);
}

float convertir(const char* text, float*)
{
    return std::strtof(text, nullptr);
}

// The nearest T to the scanned number, with ties to even, by the C
// library's conversion, which is handed only digits and an exponent and so
// reads them alike in every build and locale. False when the number is too
// large for T; one too small for T's normal range is kept as a subnormal or 0.
template <typename T>
bool valorDe(const Decimal& d, T& valor)
{
    if (d.n == 0) {
        valor = d.negatiu ? -T{0} : T{0};
        return true;
    }
    char text[kXifres + 32];
    char* p = text;
    if (d.negatiu)
        *p++ = '-';
    std::memcpy(p, d.xifres, d.n);
    p += d.n;
    int n = d.n;
    if (d.resta) {
        *p++ = '1';
        ++n;
    }
    int64_t exponent = std::clamp(d.exponent, -kExponentConversio, kExponentConversio) - n;
    *p++ = 'e';
    if (exponent < 0) {
        *p++ = '-';
        exponent = -exponent;
    }
    char xifres[8];
    int k = 0;
    do {
        xifres[k++] = static_cast<char>('0' + exponent % 10);
        exponent /= 10;
    } while (exponent > 0);
    while (k > 0)
        *p++ = xifres[--k];
    *p = '\0';
    valor = convertir(text, static_cast<T*>(nullptr));
    return std::isfinite(valor);
}

template <typename T>
T llegirDecimal(std::istream& in)
{
    Lectura l(in);
    if (!l.dins())
        return T{};
    Decimal d;
    T valor{};
    if (!escanejar(l, d) || !valorDe(d, valor)) {
        l.fallar();
        return T{};
    }
    return valor;
}

}  // namespace

bool EsBlanc(int c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

void saltarBlancs(std::istream& in)
{
    if (!in.good()) {
        in.setstate(std::ios::failbit);
        return;
    }
    std::streambuf& font = *in.rdbuf();
    int c = font.sgetc();
    while (EsBlanc(c))
        c = font.snextc();
    if (c == kFi)
        in.setstate(std::ios::eofbit);
}

template <>
int32_t llegir<int32_t>(std::istream& in)
{
    Lectura l(in);
    if (!l.dins())
        return 0;
    const bool negatiu = l.signe();
    uint64_t magnitud = 0;
    if (!enter(l, negatiu ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1, magnitud)) {
        l.fallar();
        return 0;
    }
    return static_cast<int32_t>(negatiu ? -static_cast<int64_t>(magnitud) : static_cast<int64_t>(magnitud));
}

template <>
double llegir<double>(std::istream& in)
{
    return llegirDecimal<double>(in);
}

template <>
float llegir<float>(std::istream& in)
{
    return llegirDecimal<float>(in);
}

uint64_t llegirMassa(std::istream& in, bool* negativa)
{
    if (negativa != nullptr)
        *negativa = false;
    Lectura l(in);
    if (!l.dins())
        return 0;
    const bool menys = l.signe();
    uint64_t massa = 0;
    if (!enter(l, std::numeric_limits<uint64_t>::max(), massa)) {
        l.fallar();
        return 0;
    }
    // "-0" reads as the 0 it is; only a mass above 0 is lost to its sign.
    if (negativa != nullptr)
        *negativa = menys && massa != 0;
    return menys ? 0 : massa;
}

void descartarParaula(std::istream& in)
{
    Lectura l(in);
    if (!l.dins())
        return;
    while (l.c() != kFi && !EsBlanc(l.c()))
        l.prendre();
}
