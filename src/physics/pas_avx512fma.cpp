#include "physics/pas_avx512fma.h"

#include "physics/carrils.h"
#include "physics/fma_exacte.h"
#include "physics/pas_nucli.h"
#include "physics/pas_rapid.h"

namespace {

// Only one thread at a time counts: PasComptatAvx512Fma's, or the checks'.
RecompteFma recompte;
// The lanes of the block being stepped that hold bodies, not padding.
__mmask8 ocupats = 0xFF;

struct AmbRecompte {
    static void apuntar(__mmask8 comptats, __mmask8 fallits)
    {
        recompte.comptats += __builtin_popcount(comptats & ocupats);
        recompte.fallits += __builtin_popcount(fallits & ocupats);
    }
};

template <BarrejaFma B>
void PasNucliComptat(const SistemaPas& s)
{
    NucliPas<CarrilsAvx512, QuocientsFmaAvx512<B, AmbRecompte>>(s);
}

template <BarrejaFma B>
int64_t Factors(const double* dx, const double* dy, const double* mg, double* ux, double* uy, double* k, int64_t n)
{
    recompte = {};
    for (int64_t i = 0; i < n; i += 8) {
        __m512d qx, qy, f;
        QuocientsFmaAvx512<B, AmbRecompte>::template calcular<CarrilsAvx512>(
            _mm512_loadu_pd(dx + i), _mm512_loadu_pd(dy + i), _mm512_loadu_pd(mg + i), qx, qy, f);
        _mm512_storeu_pd(ux + i, qx);
        _mm512_storeu_pd(uy + i, qy);
        _mm512_storeu_pd(k + i, f);
    }
    return recompte.fallits;
}

void Bits(uint8_t* exacte, __mmask8 provats)
{
    for (int l = 0; l < 8; ++l)
        exacte[l] = static_cast<uint8_t>((provats >> l) & 1);
}

}  // namespace

void PasNucliAvx512Fma(const SistemaPas& s)
{
    NucliPas<CarrilsAvx512, QuocientsFmaAvx512<>>(s);
}

void PasNucliAvx512FmaDy(const SistemaPas& s)
{
    NucliPas<CarrilsAvx512, QuocientsFmaAvx512<BarrejaFma::DxDy>>(s);
}

void PasNucliAvx512FmaTotes(const SistemaPas& s)
{
    NucliPas<CarrilsAvx512, QuocientsFmaAvx512<BarrejaFma::Totes>>(s);
}

RecompteFma PasComptatAvx512Fma(Particula* particules, int32_t n, const ParametresPas& p, BarrejaFma barreja)
{
    recompte = {};
    SistemaPas s;
    if (!OmplirColumnes(particules, n, p, s))
        return recompte;
    // A block at a time, so that the padding lanes of the last are not counted.
    for (int32_t i = 0; i < n; i += 8) {
        SistemaPas bloc = s;
        bloc.desde = i;
        bloc.fins = n - i > 8 ? i + 8 : n;
        ocupats = static_cast<__mmask8>((1u << (bloc.fins - i)) - 1);
        if (barreja == BarrejaFma::Dx)
            PasNucliComptat<BarrejaFma::Dx>(bloc);
        else if (barreja == BarrejaFma::DxDy)
            PasNucliComptat<BarrejaFma::DxDy>(bloc);
        else
            PasNucliComptat<BarrejaFma::Totes>(bloc);
    }
    ocupats = 0xFF;
    // As PasRapidAmb: a step cut short by a signal leaves the bodies as they were.
    if (!PasInterromput())
        TornarColumnes(particules, s);
    return recompte;
}

int64_t FactorsAvx512Fma(const double* dx, const double* dy, const double* mg, double* ux, double* uy, double* k,
                         int64_t n, BarrejaFma barreja)
{
    if (barreja == BarrejaFma::Dx)
        return Factors<BarrejaFma::Dx>(dx, dy, mg, ux, uy, k, n);
    if (barreja == BarrejaFma::DxDy)
        return Factors<BarrejaFma::DxDy>(dx, dy, mg, ux, uy, k, n);
    return Factors<BarrejaFma::Totes>(dx, dy, mg, ux, uy, k, n);
}

int64_t ArrelIQuocientAvx512Fma(const double* s, const double* a, double* r, double* q, int64_t n)
{
    int64_t refets = 0;
    for (int64_t i = 0; i < n; i += 8) {
        const __m512d si = _mm512_loadu_pd(s + i);
        const __m512d ai = _mm512_loadu_pd(a + i);
        __m512d ri, qi;
        const __mmask8 fallits = static_cast<__mmask8>(~ArrelIQuocient(si, ai, ri, qi));
        if (fallits != 0) {
            ri = _mm512_mask_sqrt_pd(ri, fallits, si);
            qi = _mm512_mask_div_pd(qi, fallits, ai, ri);
            refets += __builtin_popcount(fallits);
        }
        _mm512_storeu_pd(r + i, ri);
        _mm512_storeu_pd(q + i, qi);
    }
    return refets;
}

void ProvarArrelsAvx512Fma(const double* s, const double* r, uint8_t* exacte, int64_t n)
{
    for (int64_t i = 0; i < n; i += 8) {
        const __m512d ri = _mm512_loadu_pd(r + i);
        Bits(exacte + i, ArrelExacta(_mm512_loadu_pd(s + i), ri, ProducteAZero(ri, _mm512_set1_pd(0x1p-53))));
    }
}

void ProvarQuocientsAvx512Fma(const double* a, const double* b, const double* q, uint8_t* exacte, int64_t n)
{
    for (int64_t i = 0; i < n; i += 8) {
        const __m512d bi = _mm512_loadu_pd(b + i);
        const __m512d bh = ProducteAZero(_mm512_abs_pd(bi), _mm512_set1_pd(0x1p-53));
        Bits(exacte + i, QuocientExacte(_mm512_loadu_pd(a + i), bi, bh, _mm512_loadu_pd(q + i)));
    }
}
