#include "limit_parell.h"
#include "physics/carrils.h"
#include "physics/fma_exacte.h"

double LimitParellAvx512Fma(const Parells& p)
{
    return LimitParell<CarrilsAvx512, QuocientsFmaAvx512<>>(p);
}

double LimitParellAvx512FmaDy(const Parells& p)
{
    return LimitParell<CarrilsAvx512, QuocientsFmaAvx512<BarrejaFma::DxDy>>(p);
}

double LimitParellAvx512FmaTotes(const Parells& p)
{
    return LimitParell<CarrilsAvx512, QuocientsFmaAvx512<BarrejaFma::Totes>>(p);
}

// A mix no path has: vectors in turn with dy / r on the divider and on the
// FMA units, so that each takes half of it. Measured on the Xeon of
// docs/DEVELOPING.md's Speed section no faster than either (the FMA units are
// nearly as busy as the divider with dy / r on the divider), so the step's
// kernel, one vector of pulls at a time, keeps the whole-vector mixes.
double LimitParellAvx512FmaAlterna(const Parells& p)
{
    using L = CarrilsAvx512;
    using D = L::Doble;
    const D f = L::difondre(p.f);
    D ax = L::difondre(0.0);
    D ay = L::difondre(0.0);
    const auto estira = [&](auto q, int32_t i) {
        D ux, uy, k;
        decltype(q)::template calcular<L>(L::carregar(p.dx + i), L::carregar(p.dy + i), L::carregar(p.mg + i), ux, uy,
                                          k);
        ax = ux * k * f + ax;
        ay = uy * k * f + ay;
    };
    for (int32_t i = 0; i < p.n; i += 2 * L::W) {
        estira(QuocientsFmaAvx512<BarrejaFma::Dx>{}, i);
        estira(QuocientsFmaAvx512<BarrejaFma::DxDy>{}, i + L::W);
    }
    return SumaCarrils<L>(ax, ay);
}
