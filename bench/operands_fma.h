#pragma once

// The proved FMA quotients and square roots against the divider: operands
// from every corner of the doubles, and the count of disagreements. Shared by
// the short tests in make test and the long run of make fmacheck.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "physics/pas_avx2fma.h"
#include "physics/pas_avx512fma.h"
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
            recompte.diferents += (Bits(ux[i]) != Bits(dx[i] / r[i]));
            recompte.diferents += (Bits(uy[i]) != Bits(dy[i] / r[i]));
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

// The AVX-512 step's square root and quotients (physics/fma_exacte.h).

// An odd M in [2^53, 2^54) with M^2 = j mod 2^55, j = 1 mod 8: bit by bit,
// each step fixing one more bit of x^2 - j, then the root below 2^54.
inline uint64_t ArrelModular(int64_t j)
{
    uint64_t x = 1;
    for (int i = 3; i < 55; ++i) {
        const Enter128 resta = static_cast<Enter128>(x) * x - static_cast<Enter128>(j);
        if ((resta >> i) & 1)
            x += uint64_t{1} << (i - 1);
    }
    x &= (uint64_t{1} << 54) - 1;
    return x >= (uint64_t{1} << 53) ? x : (uint64_t{1} << 54) - x;
}

// s whose square root is within 2^-88 (relative) of a midpoint between two
// doubles: M 2^k is one, M odd of 54 bits, and s = (M^2 - j) 2^2k, a double
// for M^2 = j mod 2^55, has sqrt(s) = M 2^k (1 - j / 2M^2 ...), |j| < 2^18.
inline double ArrelPropDelMig(Atzar& atzar)
{
    int64_t j = static_cast<int64_t>(atzar() % (1u << 15)) * 8 + 1;
    if (atzar() % 2 == 0)
        j = 2 - j;  // still 1 mod 8, and below the midpoint's square
    const uint64_t M = ArrelModular(j);
    const Enter128 S = (static_cast<Enter128>(M) * M - static_cast<Enter128>(j)) >> 55;
    const int k = static_cast<int>(atzar() % 980) - 564;
    return std::ldexp(static_cast<double>(static_cast<uint64_t>(S)), 55 + 2 * k);
}

// A double within three places of a power of two 2^E, |E| <= abast, of
// either sign: the two gaps beside a power of two differ.
inline double VoraPotencia(Atzar& atzar, int abast)
{
    double v = std::ldexp(1.0, static_cast<int>(atzar() % (2 * abast + 1)) - abast);
    for (int passos = static_cast<int>(atzar() % 7) - 3; passos != 0; passos += passos > 0 ? -1 : 1)
        v = std::nextafter(v, passos > 0 ? INFINITY : 0.0);
    return atzar() % 2 == 0 ? v : -v;
}

inline double Empenta(Atzar& atzar, double v)
{
    for (int passos = static_cast<int>(atzar() % 5) - 2; passos != 0; passos += passos > 0 ? -1 : 1)
        v = std::nextafter(v, passos > 0 ? INFINITY : -INFINITY);
    return v;
}

// Operands of one block of eight lanes: (dx, dy, mg) for the pull's factors,
// as the step forms them, with dy / r or mg / (r r) near a midpoint, or from
// anywhere, and (s, a) for a square root and a quotient by it: near a
// midpoint of the root or of the quotient, near powers of two, or from
// anywhere.
inline void BlocAvx512(Atzar& atzar, double* dx, double* dy, double* mg, double* s, double* a)
{
    const uint64_t factors = atzar() % 4;
    const uint64_t arrel = atzar() % 4;
    for (int l = 0; l < 8; ++l) {
        if (factors == 0) {
            // Bodies in a row or a lattice give exact zeros.
            dx[l] = atzar() % 8 == 0 ? (atzar() % 2 == 0 ? 0.0 : -0.0) : Ordinari(atzar);
            dy[l] = atzar() % 8 == 0 ? (atzar() % 2 == 0 ? 0.0 : -0.0) : Ordinari(atzar);
            mg[l] = std::fabs(Ordinari(atzar));
        } else if (factors == 1) {
            // mg / (r r) near a midpoint, where r r, rounded, has an odd mantissa.
            dx[l] = Ordinari(atzar);
            dy[l] = Ordinari(atzar);
            const double d = std::sqrt(dy[l] * dy[l] + dx[l] * dx[l]);
            int e;
            const double m = std::frexp(d * d, &e);
            const uint64_t B = static_cast<uint64_t>(std::ldexp(m, 53));
            int64_t k = 2 * static_cast<int64_t>(atzar() % 8) + 1;
            mg[l] = std::fabs(Ordinari(atzar));
            while ((B & 1) != 0 && !PropDelMig(B, atzar() % 2 == 0 ? k : -k, std::ldexp(1.0, e - 53), mg[l]))
                k += 2;
        } else if (factors == 2) {
            // dy / r near a midpoint: dy so much smaller than dx that r = |dx|,
            // dx with an odd mantissa, the quotient scaled by 2^-30.
            const uint64_t B = (atzar() >> 11) | (uint64_t{1} << 52) | 1;
            const double escala = std::ldexp(1.0, static_cast<int>(atzar() % 61) - 30);
            dx[l] = atzar() % 2 == 0 ? static_cast<double>(B) * escala : -static_cast<double>(B) * escala;
            int64_t k = 2 * static_cast<int64_t>(atzar() % 8) + 1;
            while (!PropDelMig(B, atzar() % 2 == 0 ? k : -k, escala * 0x1p-30, dy[l]))
                k += 2;
            mg[l] = std::fabs(Ordinari(atzar));
        } else {
            dx[l] = Qualsevol(atzar);
            dy[l] = Qualsevol(atzar);
            mg[l] = Qualsevol(atzar);
        }
        if (arrel == 0) {
            s[l] = ArrelPropDelMig(atzar);
            a[l] = Ordinari(atzar);
        } else if (arrel == 1) {
            const uint64_t B = (atzar() >> 11) | (uint64_t{1} << 52) | 1;
            const double r = static_cast<double>(B) * std::ldexp(1.0, static_cast<int>(atzar() % 61) - 30);
            // B's square rounded has B for its correctly rounded root.
            s[l] = r * r;
            int64_t k = 2 * static_cast<int64_t>(atzar() % 8) + 1;
            while (!PropDelMig(B, atzar() % 2 == 0 ? k : -k, r / static_cast<double>(B), a[l]))
                k += 2;
            if (atzar() % 2 == 0)
                a[l] = -a[l];
        } else if (arrel == 2) {
            const double c = VoraPotencia(atzar, 500);
            s[l] = Empenta(atzar, c * c);
            a[l] = Empenta(atzar, std::sqrt(s[l]) * VoraPotencia(atzar, 200));
        } else {
            s[l] = Qualsevol(atzar);
            a[l] = Qualsevol(atzar);
        }
    }
}

// The mixes of the pull's factors, each a path of the step.
constexpr BarrejaFma kBarreges[] = {BarrejaFma::Dx, BarrejaFma::DxDy, BarrejaFma::Totes};
constexpr const char* kNomsBarreges[] = {"dx / r", "dx / r and dy / r", "every quotient"};

// Where the pull acts (the literal step's r > 0), the factors (ux, uy, k)
// against the literal step's own operations: `resultats` counts them and
// `diferents` those without its bits. Whether the pull acts.
inline bool FactorsDelDivisor(double dx, double dy, double mg, double ux, double uy, double k, int64_t& resultats,
                              int64_t& diferents)
{
    const double d = std::sqrt(dy * dy + dx * dx);
    if (!(d > 0))
        return false;
    diferents += (Bits(dx / d) != Bits(ux)) + (Bits(dy / d) != Bits(uy)) + (Bits(mg / (d * d)) != Bits(k));
    resultats += 3;
    return true;
}

struct RecompteAvx512 {
    int64_t resultats = 0;  // roots and quotients compared with the divider
    int64_t diferents = 0;  // of which not its bits
    int64_t carrils = 0;    // lanes whose results the FMA units were to give
    int64_t alDivisor = 0;  // of which failed a proof and went to the divider
    int64_t veins = 0;      // neighbours of a right result offered to a proof
    int64_t veinsAcceptats = 0;
    // Of the pull's factors alone, in each mix: lanes, and those sent to the
    // divider (counted in carrils and alDivisor too).
    int64_t carrilsFactors = 0;
    int64_t factorsAlDivisor[std::size(kBarreges)] = {};
};

// Neighbours of right results, each offered to its proof once a batch is full.
struct Veins {
    std::vector<double> s, r, a, b, q;
    void arrel(double radicand, double correcta)
    {
        if (!std::isfinite(correcta))
            return;
        for (double vei : {std::nextafter(correcta, INFINITY), std::nextafter(correcta, -INFINITY)}) {
            s.push_back(radicand);
            r.push_back(vei);
        }
    }
    void quocient(double dividend, double divisor, double correcte)
    {
        if (!std::isfinite(correcte))
            return;
        for (double vei : {std::nextafter(correcte, INFINITY), std::nextafter(correcte, -INFINITY)}) {
            a.push_back(dividend);
            b.push_back(divisor);
            q.push_back(vei);
        }
    }
    void provar(RecompteAvx512& recompte)
    {
        std::vector<uint8_t> exacte;
        const auto acceptats = [&](size_t n) {
            int64_t suma = 0;
            for (size_t i = 0; i < n; ++i)
                suma += exacte[i];
            recompte.veins += static_cast<int64_t>(n);
            recompte.veinsAcceptats += suma;
        };
        const size_t arrels = r.size();
        for (; r.size() % 8 != 0;) {
            s.push_back(1.0);
            r.push_back(1.0);
        }
        exacte.resize(r.size());
        ProvarArrelsAvx512Fma(s.data(), r.data(), exacte.data(), static_cast<int64_t>(r.size()));
        acceptats(arrels);
        const size_t quocients = q.size();
        for (; q.size() % 8 != 0;) {
            a.push_back(1.0);
            b.push_back(1.0);
            q.push_back(1.0);
        }
        exacte.resize(q.size());
        ProvarQuocientsAvx512Fma(a.data(), b.data(), q.data(), exacte.data(), static_cast<int64_t>(q.size()));
        acceptats(quocients);
        s.clear(), r.clear(), a.clear(), b.clear(), q.clear();
    }
};

// n blocks of eight lanes, each giving the pull's three factors and a root
// and a quotient, against the divider; then every right result's two
// neighbours offered to the proof, which must refuse them.
inline void ComprovarAvx512(Atzar& atzar, int64_t blocs, RecompteAvx512& recompte)
{
    constexpr int64_t TROS = 1024;
    std::vector<double> dx(TROS), dy(TROS), mg(TROS), ux(TROS), uy(TROS), k(TROS), s(TROS), a(TROS), r(TROS),
        q(TROS);
    Veins veins;
    for (int64_t fet = 0; fet < blocs; fet += TROS / 8) {
        for (int64_t i = 0; i < TROS; i += 8)
            BlocAvx512(atzar, &dx[i], &dy[i], &mg[i], &s[i], &a[i]);
        recompte.alDivisor += ArrelIQuocientAvx512Fma(s.data(), a.data(), r.data(), q.data(), TROS);
        for (size_t b = 0; b < std::size(kBarreges); ++b) {
            const int64_t fallits =
                FactorsAvx512Fma(dx.data(), dy.data(), mg.data(), ux.data(), uy.data(), k.data(), TROS, kBarreges[b]);
            recompte.alDivisor += fallits;
            recompte.factorsAlDivisor[b] += fallits;
            for (int64_t i = 0; i < TROS; ++i) {
                if (!FactorsDelDivisor(dx[i], dy[i], mg[i], ux[i], uy[i], k[i], recompte.resultats,
                                       recompte.diferents))
                    continue;
                recompte.carrils += 1;
                recompte.carrilsFactors += b == 0 ? 1 : 0;
                if (b == 0) {
                    const double d = std::sqrt(dy[i] * dy[i] + dx[i] * dx[i]);
                    veins.arrel(dy[i] * dy[i] + dx[i] * dx[i], d);
                    veins.quocient(dx[i], d, dx[i] / d);
                    veins.quocient(dy[i], d, dy[i] / d);
                    veins.quocient(mg[i], d * d, mg[i] / (d * d));
                }
            }
        }
        for (int64_t i = 0; i < TROS; ++i) {
            const double arrel = std::sqrt(s[i]);
            recompte.diferents += (Bits(r[i]) != Bits(arrel)) + (Bits(q[i]) != Bits(a[i] / arrel));
            recompte.resultats += 2;
            recompte.carrils += 1;
            veins.arrel(s[i], arrel);
            veins.quocient(a[i], arrel, a[i] / arrel);
        }
        veins.provar(recompte);
    }
}

// The AVX2 step's factors with dx / r on the FMA units, on the AVX-512
// check's operands for the pull (four lanes at a time, twice a block).
struct RecompteFactors {
    int64_t resultats = 0;  // factors compared with the divider's
    int64_t diferents = 0;  // of which not its bits
    int64_t carrils = 0;    // lanes where the pull acts
    int64_t alDivisor = 0;  // of which failed the proof and went to the divider
};

inline void ComprovarFactorsAvx2(Atzar& atzar, int64_t blocs, RecompteFactors& recompte)
{
    constexpr int64_t TROS = 1024;
    std::vector<double> dx(TROS), dy(TROS), mg(TROS), ux(TROS), uy(TROS), k(TROS), s(TROS), a(TROS);
    for (int64_t fet = 0; fet < blocs; fet += TROS / 8) {
        for (int64_t i = 0; i < TROS; i += 8)
            BlocAvx512(atzar, &dx[i], &dy[i], &mg[i], &s[i], &a[i]);
        recompte.alDivisor += FactorsAvx2FmaDx(dx.data(), dy.data(), mg.data(), ux.data(), uy.data(), k.data(), TROS);
        for (int64_t i = 0; i < TROS; ++i)
            recompte.carrils +=
                FactorsDelDivisor(dx[i], dy[i], mg[i], ux[i], uy[i], k[i], recompte.resultats, recompte.diferents);
    }
}

}  // namespace operands_fma
