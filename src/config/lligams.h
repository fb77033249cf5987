#pragma once

#include <cstdint>
#include <vector>

#include "physics/particula.h"

// A body bound to its primary at the start and no longer at the end, and
// when it last came apart.
struct Separacio {
    int32_t cos;
    int32_t primari;
    double quan;  // seconds of the program's clock
};

// Each body's primary, and whether it stays bound to it. The primary is the
// body it is most tightly bound to at the start, counting the pair alone:
// of those with which its two-body energy is negative, the one whose orbit
// round each other is the smallest. (The most negative energy would make a
// moon's primary its star, which pulls it less but is heavier.)
//
// Given the primaries (those another run of the same bodies found), each
// body keeps the one given, and a pair not bound at the start is counted:
// advice that unbinds a pair has not held it together.
class Lligams {
public:
    // At the gravitational constant g.
    explicit Lligams(double g) : g_(g) {}
    void iniciar(const Particula* p, int32_t n, const std::vector<int32_t>* primaris = nullptr);
    void comprovar(const Particula* p, int32_t n, double quan);

    // The pairs bound at the start and not at the end, each once, the
    // lighter body as the one that came apart; those with a body lost from
    // view are left to the view's account.
    std::vector<Separacio> separats(const Particula* p, const std::vector<char>& perduts) const;
    // Pairs bound at the start, each once.
    int32_t parells() const;
    // Each body's primary, -1 for none.
    const std::vector<int32_t>& primaris() const { return primari_; }
    // Bodies whose given primary they were not bound to at the start.
    int32_t deslligatsInici() const { return deslligats_; }

private:
    std::vector<int32_t> primari_;
    std::vector<char> lligat_, lligatInici_;
    std::vector<double> quan_;
    int32_t deslligats_ = 0;
    double g_;
};
