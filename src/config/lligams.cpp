#include "config/lligams.h"

#include <algorithm>
#include <cmath>

#include "config/sistema.h"
#include "physics/afirma.h"

namespace {

// A node as one point: its total mass at its centre of mass.
struct Punt {
    double m = 0.0, x = 0.0, y = 0.0, vx = 0.0, vy = 0.0;
};

Punt DeCos(const Particula& c)
{
    const vector p = c.retornarposicio(), v = c.retornarvelocitat();
    return {static_cast<double>(c.retornarmassa()), p.x, p.y, v.x, v.y};
}

// Two nodes as one: the centre taken from the heavier's place, so that a
// moon's digits are not lost to its star's.
Punt Junts(const Punt& a, const Punt& b)
{
    Punt c;
    c.m = a.m + b.m;
    const double f = c.m > 0.0 ? b.m / c.m : 0.0;
    c.x = a.x + f * (b.x - a.x);
    c.y = a.y + f * (b.y - a.y);
    c.vx = a.vx + f * (b.vx - a.vx);
    c.vy = a.vy + f * (b.vy - a.vy);
    return c;
}

// The pair's energy per unit of reduced mass, v²/2 - G (ma + mb) / r, over
// G (ma + mb): -1 / (2 a) for a bound pair whose orbit has semi-major axis a.
// Not negative for a pair that is not bound, or at one place.
double Lligam(const Punt& a, const Punt& b, double g)
{
    const double dx = a.x - b.x, dy = a.y - b.y, wx = a.vx - b.vx, wy = a.vy - b.vy;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double gm = g * (a.m + b.m);
    if (!(r > 0.0) || !(gm > 0.0))
        return 0.0;
    return (0.5 * (wx * wx + wy * wy) - gm / r) / gm;
}

// A whole turn of two nodes at the rate their paths turn now, as preview
// counts a pass: 2π r² max(v, √(G M / r)) / (G M).
double Volta(const Punt& a, const Punt& b, double g)
{
    const double dx = a.x - b.x, dy = a.y - b.y, wx = a.vx - b.vx, wy = a.vy - b.vy;
    const double r2 = dx * dx + dy * dy;
    const double gm = g * (a.m + b.m);
    if (!(r2 > 0.0) || !(gm > 0.0))
        return 0.0;
    const double cercle = gm / std::sqrt(r2);
    const double v2 = wx * wx + wy * wy;
    return 2.0 * kPi * r2 * std::sqrt(v2 > cercle ? v2 : cercle) / gm;
}

// Every node of the tree as a point: the bodies, then each join from its two.
std::vector<Punt> Punts(const Particula* p, int32_t n, const std::vector<Unio>& unions)
{
    std::vector<Punt> punts(n + unions.size());
    for (int32_t i = 0; i < n; ++i)
        punts[i] = DeCos(p[i]);
    for (size_t k = 0; k < unions.size(); ++k) {
        // A join is of two earlier nodes: given by another run of these same
        // bodies, it must name nodes of this one.
        AFIRMA(unions[k].primari < n + static_cast<int32_t>(k) && unions[k].satel < n + static_cast<int32_t>(k));
        punts[n + k] = Junts(punts[unions[k].primari], punts[unions[k].satel]);
    }
    return punts;
}

// The joining, pair by pair. Each live node keeps the few nodes most tightly
// bound to it, sorted, and a bound below which no node left out of that list
// is: joining two nodes changes no other pair's binding, so a node's list
// stays true but for the nodes joined, which are dropped, and the new node,
// which is offered to every list. A node's whole row is worked out again only
// when its list runs dry: about n² bindings in all, as one measure takes.
class Unidor {
public:
    Unidor(const Particula* p, int32_t n, double g) : g_(g)
    {
        punts_.reserve(2 * static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i)
            punts_.push_back(DeCos(p[i]));
        viu_.assign(n, 1);
        llista_.resize(n);
        llindar_.assign(n, 0.0);
        for (int32_t i = 0; i < n; ++i)
            fila(i);
    }

    std::vector<Unio> unir()
    {
        for (;;) {
            int32_t millor = -1;
            double valor = 0.0;
            for (size_t i = 0; i < viu_.size(); ++i) {
                if (!viu_[i])
                    continue;
                const Candidat* c = primer(static_cast<int32_t>(i));
                if (c != nullptr && c->valor < valor) {
                    valor = c->valor;
                    millor = static_cast<int32_t>(i);
                }
            }
            if (millor < 0)
                return unions_;
            const int32_t a = millor, b = primer(millor)->node;
            const bool aPesa = punts_[a].m >= punts_[b].m;
            unions_.push_back({aPesa ? a : b, aPesa ? b : a});
            viu_[a] = viu_[b] = 0;
            punts_.push_back(Junts(punts_[unions_.back().primari], punts_[unions_.back().satel]));
            const int32_t nou = static_cast<int32_t>(punts_.size()) - 1;
            viu_.push_back(1);
            llista_.emplace_back();
            llindar_.push_back(0.0);
            for (int32_t z = 0; z < nou; ++z)
                if (viu_[z])
                    oferir(z, {Lligam(punts_[z], punts_[nou], g_), nou});
            fila(nou);
        }
    }

private:
    static constexpr size_t kGuardats = 8;
    struct Candidat {
        double valor;
        int32_t node;
        bool operator<(const Candidat& o) const { return valor < o.valor || (valor == o.valor && node < o.node); }
    };

    // The node most tightly bound to i, or none.
    const Candidat* primer(int32_t i)
    {
        std::vector<Candidat>& l = llista_[i];
        l.erase(std::remove_if(l.begin(), l.end(), [&](const Candidat& c) { return !viu_[c.node]; }), l.end());
        if (l.empty() && llindar_[i] < 0.0)
            fila(i);
        return l.empty() ? nullptr : &l.front();
    }

    // i's list from its whole row.
    void fila(int32_t i)
    {
        std::vector<Candidat> tots;
        for (size_t j = 0; j < viu_.size(); ++j) {
            if (!viu_[j] || static_cast<int32_t>(j) == i)
                continue;
            const double v = Lligam(punts_[i], punts_[j], g_);
            if (v < 0.0)
                tots.push_back({v, static_cast<int32_t>(j)});
        }
        llindar_[i] = 0.0;
        if (tots.size() > kGuardats) {
            std::nth_element(tots.begin(), tots.begin() + kGuardats, tots.end());
            llindar_[i] = tots[kGuardats].valor;
            tots.resize(kGuardats);
        }
        std::sort(tots.begin(), tots.end());
        llista_[i] = std::move(tots);
    }

    void oferir(int32_t i, const Candidat& c)
    {
        if (!(c.valor < llindar_[i]))
            return;
        std::vector<Candidat>& l = llista_[i];
        l.insert(std::upper_bound(l.begin(), l.end(), c), c);
        if (l.size() > 2 * kGuardats) {
            l.erase(std::remove_if(l.begin(), l.end(), [&](const Candidat& k) { return !viu_[k.node]; }), l.end());
            if (l.size() > kGuardats) {
                llindar_[i] = std::min(llindar_[i], l[kGuardats].valor);
                l.resize(kGuardats);
            }
        }
    }

    double g_;
    std::vector<Punt> punts_;
    std::vector<char> viu_;
    std::vector<std::vector<Candidat>> llista_;
    std::vector<double> llindar_;
    std::vector<Unio> unions_;
};

// The fits hold up to this eccentricity of the pair; past it nothing is
// foretold.
constexpr double kExcentricitatZona = 0.8;

// The orbit of b round a: semi-major axis and eccentricity, or a of 0 where
// they are not bound.
std::pair<double, double> Elements(const Punt& a, const Punt& b, double g)
{
    const double dx = b.x - a.x, dy = b.y - a.y, wx = b.vx - a.vx, wy = b.vy - a.vy;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double gm = g * (a.m + b.m);
    const double energia = 0.5 * (wx * wx + wy * wy) - gm / r;
    if (!(r > 0.0) || !(gm > 0.0) || !(energia < 0.0))
        return {0.0, 0.0};
    const double h = dx * wy - dy * wx;
    return {-gm / (2.0 * energia), std::sqrt(std::max(0.0, 1.0 + 2.0 * energia * h * h / (gm * gm)))};
}

}  // namespace

double ZonaS(double mu, double e)
{
    return 0.464 - 0.380 * mu - 0.631 * e + 0.586 * mu * e + 0.150 * e * e - 0.198 * mu * e * e;
}

double ZonaP(double mu, double e)
{
    return 1.60 + 5.10 * e - 2.22 * e * e + 4.12 * mu - 4.27 * e * mu - 5.09 * mu * mu + 4.61 * e * e * mu * mu;
}

std::vector<PerduaPrevista> PerduesPrevistes(const Particula* p, int32_t n, double g,
                                             const std::vector<Unio>& unions)
{
    using Tipus = PerduaPrevista::Tipus;
    const std::vector<Punt> punts = Punts(p, n, unions);
    std::vector<int32_t> pare(n + unions.size(), -1);
    for (size_t k = 0; k < unions.size(); ++k)
        pare[unions[k].primari] = pare[unions[k].satel] = static_cast<int32_t>(k);
    std::vector<PerduaPrevista> v;
    for (size_t k = 0; k < unions.size(); ++k) {
        const Unio& u = unions[k];
        const auto [a, e] = Elements(punts[u.primari], punts[u.satel], g);
        if (!(a > 0.0))
            continue;
        // Round a pair of stars: no nearer than the zone it leaves unstable.
        if (u.primari >= n) {
            const Unio& parella = unions[u.primari - n];
            const double m1 = punts[parella.primari].m, m2 = punts[parella.satel].m;
            const double mu = m2 / (m1 + m2);
            const auto [ap, ep] = Elements(punts[parella.primari], punts[parella.satel], g);
            if (mu >= kBinaria && ap > 0.0 && ep <= kExcentricitatZona && a * (1.0 - e) < ap * ZonaP(mu, ep))
                v.push_back({Tipus::InestableP, static_cast<int32_t>(k), -1, a * (1.0 - e), ap * ZonaP(mu, ep)});
        }
        // Round a body or node that goes round another: within its Hill
        // radius, or the zone the other leaves stable where it is a star.
        const int32_t node = n + static_cast<int32_t>(k);
        const int32_t amunt = pare[node];
        if (amunt < 0)
            continue;
        const Unio& w = unions[amunt];
        const int32_t altre = w.primari == node ? w.satel : w.primari;
        const double mq = punts[altre].m, mp = punts[node].m;
        const double mu = mq / (mq + mp);
        const auto [aw, ew] = Elements(punts[w.primari], punts[w.satel], g);
        if (mu < kBinaria || !(aw > 0.0) || ew > kExcentricitatZona)
            continue;
        const bool hill = mu > 1.0 - kBinaria;
        const double limit = hill ? aw * (1.0 - ew) * std::cbrt(mp / (3.0 * mq)) : aw * ZonaS(mu, ew);
        if (limit > 0.0 && a * (1.0 + e) > limit)
            v.push_back({hill ? Tipus::Hill : Tipus::EstableS, static_cast<int32_t>(k), altre, a * (1.0 + e), limit});
    }
    // Bodies on one point.
    std::vector<int32_t> ordre(n);
    for (int32_t i = 0; i < n; ++i)
        ordre[i] = i;
    const auto lloc = [&](int32_t i) { return std::make_pair(punts[i].x, punts[i].y); };
    std::sort(ordre.begin(), ordre.end(), [&](int32_t a, int32_t b) { return lloc(a) < lloc(b) || (lloc(a) == lloc(b) && a < b); });
    for (int32_t k = 1; k < n; ++k)
        if (lloc(ordre[k]) == lloc(ordre[k - 1]))
            v.push_back({Tipus::UnLloc, ordre[k - 1], ordre[k], 0.0, 0.0});
    return v;
}

std::vector<Unio> ArbreDeLligams(const Particula* p, int32_t n, double g)
{
    return Unidor(p, n, g).unir();
}

void Lligams::iniciar(const Particula* p, int32_t n, const std::vector<Unio>* unions)
{
    n_ = n;
    unions_ = unions != nullptr ? *unions : ArbreDeLligams(p, n, g_);
    const std::vector<Punt> punts = Punts(p, n, unions_);
    lligat_.assign(unions_.size(), 0);
    quan_.assign(unions_.size(), 0.0);
    volta_.assign(unions_.size(), 0.0);
    deslligats_ = 0;
    for (size_t k = 0; k < unions_.size(); ++k) {
        const Punt& a = punts[unions_[k].primari];
        const Punt& b = punts[unions_[k].satel];
        lligat_[k] = Lligam(a, b, g_) < 0.0;
        deslligats_ += !lligat_[k];
        volta_[k] = Volta(a, b, g_);
    }
    lligatInici_ = lligat_;
}

void Lligams::comprovar(const Particula* p, int32_t n, double quan)
{
    const std::vector<Punt> punts = Punts(p, n, unions_);
    for (size_t k = 0; k < unions_.size(); ++k) {
        const bool lligat = Lligam(punts[unions_[k].primari], punts[unions_[k].satel], g_) < 0.0;
        if (lligat_[k] && !lligat)
            quan_[k] = quan;
        lligat_[k] = lligat;
    }
}

std::vector<Separacio> Lligams::separats(const Particula* p, const std::vector<char>& perduts) const
{
    const std::vector<Punt> punts = Punts(p, n_, unions_);
    // Whether each node holds a body lost from view.
    std::vector<char> perdut(perduts.begin(), perduts.end());
    perdut.resize(n_ + unions_.size(), 0);
    for (size_t k = 0; k < unions_.size(); ++k)
        perdut[n_ + k] = perdut[unions_[k].primari] || perdut[unions_[k].satel];
    // Marks the bodies of a node with marca.
    std::vector<char> marques(n_, 0);
    const auto marcar = [&](int32_t node, char marca) {
        std::vector<int32_t> pila{node};
        while (!pila.empty()) {
            const int32_t k = pila.back();
            pila.pop_back();
            if (k < n_) {
                marques[k] = marca;
            } else {
                pila.push_back(unions_[k - n_].primari);
                pila.push_back(unions_[k - n_].satel);
            }
        }
    };
    std::vector<Separacio> s;
    for (size_t k = 0; k < unions_.size(); ++k) {
        const Unio& u = unions_[k];
        if (!lligatInici_[k] || lligat_[k] || perdut[n_ + k])
            continue;
        Separacio sep{static_cast<int32_t>(k), u.satel, u.primari, -1, quan_[k]};
        // The body the lighter node is now bound to most tightly: one outside
        // the join's primary means it left for another.
        marcar(u.satel, 1);
        marcar(u.primari, 2);
        double millor = 0.0;
        for (int32_t j = 0; j < n_; ++j) {
            const double l = marques[j] == 1 ? 0.0 : Lligam(punts[u.satel], punts[j], g_);
            if (l < millor) {
                millor = l;
                sep.ara = j;
            }
        }
        if (sep.ara >= 0 && marques[sep.ara] == 2)
            sep.ara = -1;
        marcar(u.satel, 0);
        marcar(u.primari, 0);
        s.push_back(sep);
    }
    std::stable_sort(s.begin(), s.end(), [](const Separacio& a, const Separacio& b) { return a.quan < b.quan; });
    return s;
}

int32_t UnioQueSepara(const std::vector<Unio>& unions, int32_t n, int32_t a, int32_t b)
{
    std::vector<int32_t> pare(n + unions.size(), -1);
    for (size_t k = 0; k < unions.size(); ++k)
        pare[unions[k].primari] = pare[unions[k].satel] = n + static_cast<int32_t>(k);
    std::vector<char> deA(pare.size(), 0);
    for (int32_t k = a; k >= 0; k = pare[k])
        deA[k] = 1;
    for (int32_t k = b; k >= 0; k = pare[k])
        if (deA[k])
            return k == a || k == b ? -1 : k - n;
    return -1;
}
