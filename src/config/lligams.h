#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "physics/particula.h"

// The bound pairs of a system as a tree. A node is a body (0 to n - 1) or a
// join of two earlier nodes (n + the join's index). At the start the two
// nodes most tightly bound to each other, each taken as a point of its total
// mass at its centre of mass, are joined, again and again until no two are
// bound: a star and its planet, a planet and its moon, a binary, the binary
// and a planet round both, a pair and its distant third. Most tightly bound
// is the pair whose orbit round each other is the smallest (the most
// negative energy would join a moon to its star, which pulls it less but is
// heavier). The heavier node of a join is its primary.
struct Unio {
    int32_t primari;
    int32_t satel;  // the lighter node
};

// A join whose nodes are no longer bound to each other at the end, and when
// it last came apart; ara is the body that the lighter node is now most
// tightly bound to when that is outside the join's primary (it left for
// another), -1 otherwise.
struct Separacio {
    int32_t unio;
    int32_t cos;      // the lighter node
    int32_t primari;  // the heavier node
    int32_t ara = -1;
    double quan;      // seconds of the program's clock
};

// The tree of the state, the joins in the order they were made.
std::vector<Unio> ArbreDeLligams(const Particula* p, int32_t n, double g);

// A loss the start foretells, however long a run shows the system whole: a
// join's lighter node reaching past its primary's Hill radius round the
// node that primary goes round (Hill), or past the zone a companion star
// leaves stable round it (EstableS), or coming inside the zone a pair of
// stars leaves unstable round both (InestableP); or two bodies on one point
// (UnLloc), where the step pulls nothing, and any drift makes the pull
// unbounded.
struct PerduaPrevista {
    enum class Tipus { Hill, EstableS, InestableP, UnLloc } tipus;
    int32_t unio = -1;        // the join, or for UnLloc the first body
    int32_t altre = -1;       // what it goes round the primary, or the second body
    double abast = 0.0;       // its apoapsis (periapsis for InestableP)
    double limit = 0.0;       // where the zone ends, in the same units
};

// Where a pair of stars leaves orbits stable, in their own semi-major axes,
// for a companion of mass fraction mu on an orbit of eccentricity e: round
// one star within ZonaS, round both beyond ZonaP. Holman and Wiegert's fits
// (1999), for mu from kBinaria to 1 - kBinaria; a lighter companion is a
// planet, judged by the Hill radius.
double ZonaS(double mu, double e);
double ZonaP(double mu, double e);
constexpr double kBinaria = 0.1;

// The losses that the tree of these bodies foretells.
std::vector<PerduaPrevista> PerduesPrevistes(const Particula* p, int32_t n, double g,
                                             const std::vector<Unio>& unions);

// Each join of the tree followed through a run. Given the joins (those
// another run of the same bodies found), they are kept, and a join not bound
// at the start is counted: advice that unbinds a pair has not held it
// together.
class Lligams {
public:
    // At the gravitational constant g.
    explicit Lligams(double g) : g_(g) {}
    void iniciar(const Particula* p, int32_t n, const std::vector<Unio>* unions = nullptr);
    void comprovar(const Particula* p, int32_t n, double quan);

    // The joins bound at the start and not at the end, by when; those with a
    // body lost from view are left to the view's account.
    std::vector<Separacio> separats(const Particula* p, const std::vector<char>& perduts) const;
    int32_t parells() const { return static_cast<int32_t>(unions_.size()); }
    const std::vector<Unio>& unions() const { return unions_; }
    // Joins given that were not bound at the start.
    int32_t deslligatsInici() const { return deslligats_; }
    // Simulated seconds of a whole turn of each join at the start, at the
    // rate its two nodes turned round each other then: its period where the
    // orbit is circular, as a pass is counted.
    const std::vector<double>& voltes() const { return volta_; }

private:
    int32_t n_ = 0;
    std::vector<Unio> unions_;
    std::vector<char> lligat_, lligatInici_;
    std::vector<double> quan_, volta_;
    int32_t deslligats_ = 0;
    double g_;
};

// The join whose two sides hold a and b, one each, or -1.
int32_t UnioQueSepara(const std::vector<Unio>& unions, int32_t n, int32_t a, int32_t b);

// A node by its bodies' names, A+B+C, the first three and a count past four.
template <typename F>
std::string NomNode(const std::vector<Unio>& unions, int32_t n, int32_t node, F nomCos)
{
    std::vector<int32_t> pila{node}, cossos;
    while (!pila.empty()) {
        const int32_t k = pila.back();
        pila.pop_back();
        if (k < n) {
            cossos.push_back(k);
        } else {
            pila.push_back(unions[k - n].satel);
            pila.push_back(unions[k - n].primari);
        }
    }
    std::string text;
    for (size_t i = 0; i < cossos.size() && (i < 3 || cossos.size() <= 4); ++i)
        text += (i > 0 ? "+" : "") + nomCos(cossos[i]);
    if (cossos.size() > 4)
        text += "+... (" + std::to_string(cossos.size()) + " bodies)";
    return text;
}
