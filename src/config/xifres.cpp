#include "config/xifres.h"

#include <iomanip>
#include <sstream>

std::string Xifra(double valor, int precisio)
{
    std::ostringstream out;
    out << std::setprecision(precisio) << valor;
    return out.str();
}

std::string Durada(double segons, double segonsAny)
{
    const struct {
        double segons;
        const char* nom;
    } unitats[] = {{segonsAny, "years"}, {86400.0, "days"}, {3600.0, "hours"}};
    for (const auto& u : unitats)
        if (segons >= u.segons)
            return Xifra(segons) + " s (" + Xifra(segons / u.segons, 3) + " " + u.nom + ")";
    return Xifra(segons) + " s";
}
