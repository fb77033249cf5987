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
    } unitats[] = {{segonsAny, "year"}, {86400.0, "day"}, {3600.0, "hour"}};
    for (const auto& u : unitats) {
        if (segons < u.segons)
            continue;
        const std::string n = Xifra(segons / u.segons, 3);
        return Xifra(segons) + " s (" + n + " " + u.nom + (n == "1" ? ")" : "s)");
    }
    return Xifra(segons) + " s";
}
