// make fmacheck: the proved FMA quotients of the AVX2+FMA step against the
// divider on 10^9 operand pairs (or as many as the first argument asks).
// Exit status 0 only when every quotient has the divider's bits and the proof
// refused every neighbour of a right one.

#include <cstdio>
#include <cstdlib>

#include "operands_fma.h"
#include "quocients_fma.h"

int main(int argc, char** argv)
{
    const long long demanats = argc > 1 ? std::atoll(argv[1]) : 1000000000LL;
    if (!FmaDisponible()) {
        std::fprintf(stderr, "fmacheck: this processor lacks AVX2 or FMA\n");
        return 2;
    }
    operands_fma::Atzar atzar{20261207};
    operands_fma::Recompte r;
    // A block of four lanes gives eight quotients.
    operands_fma::Comprovar(atzar, (demanats + 7) / 8, r);
    std::printf("quotients against the divider: %lld, different: %lld, proved by FMA: %lld (%.1f %%)\n",
                static_cast<long long>(r.parells), static_cast<long long>(r.diferents),
                static_cast<long long>(r.perFma), 100.0 * static_cast<double>(r.perFma) / static_cast<double>(r.parells));
    std::printf("neighbours of the right quotient offered to the proof: %lld, accepted: %lld\n",
                static_cast<long long>(r.veins), static_cast<long long>(r.veinsAcceptats));
    return r.diferents == 0 && r.veinsAcceptats == 0 ? 0 : 1;
}
