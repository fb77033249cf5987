#include "config/lligams.h"

#include <algorithm>
#include <cmath>

#include "physics/afirma.h"

namespace {

// The pair's energy per unit of reduced mass, v²/2 - G (mi + mj) / r, over
// G (mi + mj): -1 / (2 a) for a bound pair whose orbit has semi-major axis a.
// Not negative for a pair that is not bound, or at one place.
double Lligam(const Particula& a, const Particula& b, double g)
{
    const vector pa = a.retornarposicio(), pb = b.retornarposicio();
    const vector va = a.retornarvelocitat(), vb = b.retornarvelocitat();
    const double dx = pa.x - pb.x, dy = pa.y - pb.y, wx = va.x - vb.x, wy = va.y - vb.y;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double gm = g * (static_cast<double>(a.retornarmassa()) + static_cast<double>(b.retornarmassa()));
    if (!(r > 0.0) || !(gm > 0.0))
        return 0.0;
    return (0.5 * (wx * wx + wy * wy) - gm / r) / gm;
}

}  // namespace

void Lligams::iniciar(const Particula* p, int32_t n, const std::vector<int32_t>* primaris)
{
    primari_.assign(n, -1);
    lligat_.assign(n, 0);
    quan_.assign(n, 0.0);
    deslligats_ = 0;
    if (primaris != nullptr && primaris->size() == static_cast<size_t>(n)) {
        primari_ = *primaris;
        for (int32_t i = 0; i < n; ++i) {
            if (primari_[i] < 0)
                continue;
            // Another run of these same bodies found them.
            AFIRMA(primari_[i] < n);
            lligat_[i] = Lligam(p[i], p[primari_[i]], g_) < 0.0;
            deslligats_ += !lligat_[i];
        }
        lligatInici_ = lligat_;
        return;
    }
    for (int32_t i = 0; i < n; ++i) {
        double millor = 0.0;
        for (int32_t j = 0; j < n; ++j) {
            if (j == i)
                continue;
            const double l = Lligam(p[i], p[j], g_);
            if (l < millor) {
                millor = l;
                primari_[i] = j;
            }
        }
        lligat_[i] = primari_[i] >= 0;
    }
    lligatInici_ = lligat_;
}

void Lligams::comprovar(const Particula* p, int32_t n, double quan)
{
    for (int32_t i = 0; i < n; ++i) {
        if (primari_[i] < 0)
            continue;
        const bool lligat = Lligam(p[i], p[primari_[i]], g_) < 0.0;
        if (lligat_[i] && !lligat)
            quan_[i] = quan;
        lligat_[i] = lligat;
    }
}

std::vector<Separacio> Lligams::separats(const Particula* p, const std::vector<char>& perduts) const
{
    std::vector<Separacio> s;
    for (size_t i = 0; i < primari_.size(); ++i) {
        int32_t j = primari_[i];
        if (j < 0 || !lligatInici_[i] || lligat_[i] || perduts[i] || perduts[j])
            continue;
        // A pair that are each other's primary is told once, the lighter
        // body the one that came apart.
        int32_t cos = static_cast<int32_t>(i);
        if (primari_[j] == cos) {
            if (j < cos)
                continue;
            if (p[j].retornarmassa() < p[cos].retornarmassa())
                std::swap(cos, j);
        }
        s.push_back({cos, j, quan_[i]});
    }
    std::stable_sort(s.begin(), s.end(), [](const Separacio& a, const Separacio& b) { return a.quan < b.quan; });
    return s;
}

int32_t Lligams::parells() const
{
    int32_t n = 0;
    for (size_t i = 0; i < primari_.size(); ++i) {
        const int32_t j = primari_[i];
        n += j >= 0 && !(primari_[j] == static_cast<int32_t>(i) && j < static_cast<int32_t>(i));
    }
    return n;
}
