#pragma once

// The proved FMA quotients against the divider: operands from every corner of
// the doubles, and the count of disagreements. Shared by the short test in
// make test and the long run of make fmacheck.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "quocients_fma.h"

namespace operands_fma {

// splitmix64: fast, and the same operands on every run.
struct Atzar {
    uint64_t estat;
    uint64_t operator()()
    {
        uint64_t z = (estat += 0x9E3779B97F4A7C15);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
        return z ^ (z >> 31);
    }
};

inline double DeBits(uint64_t b)
{
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

inline uint64_t Bits(double d)
{
    uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

constexpr uint64_t MANTISSA = (uint64_t{1} << 52) - 1;

// A double from anywhere: zeros of both signs, subnormals, infinities, NaNs,
// the extremes, and exponents over the whole range with mantissas at random,
// near 1 and near 2.
inline double Qualsevol(Atzar& atzar)
{
    static const double especials[] = {0.0, std::numeric_limits<double>::infinity(),
                                       std::numeric_limits<double>::quiet_NaN(), DeBits(1), DeBits(MANTISSA),
                                       std::numeric_limits<double>::min(), std::numeric_limits<double>::max(), 1.0};
    const uint64_t u = atzar();
    const uint64_t signe = u & (uint64_t{1} << 63);
    const uint64_t exponent = (u >> 52) & 0x7FF;
    const uint64_t poc = (u >> 4) & 0xFF;
    switch (u & 7) {
    case 0:
        return DeBits(Bits(especials[(u >> 3) & 7]) | signe);
    case 1:
        return DeBits(signe | (exponent << 52) | poc);  // just above a power of two
    case 2:
        return DeBits(signe | (exponent << 52) | (MANTISSA - poc));  // just below the next
    default:
        return DeBits(signe | (exponent << 52) | (atzar() & MANTISSA));
    }
}

// A double of ordinary size, 2^-40 to 2^40, the mantissa at random, near 1
// or near 2.
inline double Ordinari(Atzar& atzar)
{
    const uint64_t u = atzar();
    const uint64_t exponent = 1023 - 40 + (u >> 52) % 81;
    const uint64_t poc = (u >> 4) & 0xFF;
    const uint64_t mantissa = (u & 3) == 0 ? poc : (u & 3) == 1 ? MANTISSA - poc : atzar() & MANTISSA;
    return DeBits((u & (uint64_t{1} << 63)) | (exponent << 52) | mantissa);
}

__extension__ typedef unsigned __int128 Enter128;

// Inverse of an odd number modulo 2^64, by Newton's iteration.
inline uint64_t Invers(uint64_t senar)
{
    uint64_t x = senar;
    for (int k = 0; k < 6; ++k)
        x *= 2 - senar * x;
    return x;
}

// a with a / b within about 2^-100 of a midpoint between two doubles, the
// hardest case for a rounding: with b = B 2^e (B odd, 53 bits) and M odd of 54
// bits, B M = k mod 2^54 for a small odd k makes a = (B M - k) / 2^54 whole,
// so a / B = M / 2^54 - k / (2^54 B). Returns false when this b and k give no
// such M.
inline bool PropDelMig(uint64_t B, int64_t k, double escala, double& a)
{
    const uint64_t M = (static_cast<uint64_t>(k) * Invers(B)) & ((uint64_t{1} << 54) - 1);
    if (M < (uint64_t{1} << 53))
        return false;
    const Enter128 producte = static_cast<Enter128>(B) * M - static_cast<Enter128>(k);
    a = static_cast<double>(static_cast<uint64_t>(producte >> 54)) * escala;
    return true;
}

// One block of four lanes of (dx, dy, r), in one of four kinds: as the step
// forms them (r from dx and dy), ordinary, near midpoints, or from anywhere.
inline void Bloc(Atzar& atzar, double* dx, double* dy, double* r)
{
    const uint64_t tipus = atzar() % 4;
    for (int l = 0; l < 4; ++l) {
        if (tipus == 0) {
            dx[l] = Ordinari(atzar);
            dy[l] = Ordinari(atzar);
            r[l] = std::sqrt(dy[l] * dy[l] + dx[l] * dx[l]);
        } else if (tipus == 1) {
            dx[l] = Ordinari(atzar);
            dy[l] = Ordinari(atzar);
            r[l] = Ordinari(atzar);
        } else if (tipus == 2) {
            const uint64_t B = (atzar() >> 11) | (uint64_t{1} << 52) | 1;
            const double escala = std::ldexp(1.0, static_cast<int>(atzar() % 61) - 30);
            r[l] = static_cast<double>(B) * escala;
            for (double* a : {&dx[l], &dy[l]}) {
                int64_t k = 2 * static_cast<int64_t>(atzar() % 8) + 1;
                while (!PropDelMig(B, atzar() % 2 == 0 ? k : -k, escala, *a))
                    k += 2;
                if (atzar() % 2 == 0)
                    *a = -*a;
            }
        } else {
            dx[l] = Qualsevol(atzar);
            dy[l] = Qualsevol(atzar);
            r[l] = atzar() % 2 == 0 ? Qualsevol(atzar) : std::sqrt(dy[l] * dy[l] + dx[l] * dx[l]);
        }
    }
}

inline bool MateixosBits(double a, double b)
{
    return Bits(a) == Bits(b);
}

struct Recompte {
    int64_t parells = 0;     // quotients compared with the divider
    int64_t diferents = 0;   // of which not its bits
    int64_t perFma = 0;      // of which proved, not redone by the divider
    int64_t veins = 0;       // neighbours of the right quotient offered to the proof
    int64_t veinsAcceptats = 0;
};

// n blocks of four (dx, dy, r): both quotients against the divider, then the
// proof offered the right quotient's two neighbours, which it must refuse.
inline void Comprovar(Atzar& atzar, int64_t blocs, Recompte& recompte)
{
    constexpr int64_t TROS = 1024;
    std::vector<double> dx(TROS), dy(TROS), r(TROS), ux(TROS), uy(TROS), a(2 * TROS), b(2 * TROS), q(2 * TROS);
    std::vector<uint8_t> exacte(2 * TROS);
    for (int64_t fet = 0; fet < blocs; fet += TROS / 4) {
        for (int64_t i = 0; i < TROS; i += 4)
            Bloc(atzar, &dx[i], &dy[i], &r[i]);
        const int64_t refets = DividirPerRFma(dx.data(), dy.data(), r.data(), ux.data(), uy.data(), TROS);
        recompte.parells += 2 * TROS;
        recompte.perFma += 2 * (TROS - 4 * refets);
        for (int64_t i = 0; i < TROS; ++i) {
            recompte.diferents += !MateixosBits(ux[i], dx[i] / r[i]);
            recompte.diferents += !MateixosBits(uy[i], dy[i] / r[i]);
        }
        // Every lane's right quotient, one step up and one down.
        int64_t m = 0;
        for (int64_t i = 0; i < TROS; ++i) {
            const double correcte = dx[i] / r[i];
            if (!std::isfinite(correcte))
                continue;
            for (double vei : {std::nextafter(correcte, INFINITY), std::nextafter(correcte, -INFINITY)}) {
                a[m] = dx[i];
                b[m] = r[i];
                q[m++] = vei;
            }
        }
        const int64_t veins = m;
        for (; m % 4 != 0; ++m)
            a[m] = b[m] = q[m] = 1.0;
        ProvarQuocientsFma(a.data(), b.data(), q.data(), exacte.data(), m);
        for (int64_t i = 0; i < veins; ++i)
            recompte.veinsAcceptats += exacte[i];
        recompte.veins += veins;
    }
}

}  // namespace operands_fma
