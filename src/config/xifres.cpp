#include "config/xifres.h"

#include <cerrno>
#include <cstdlib>
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

bool LlegirNombre(std::string_view text, double& valor, bool& fora)
{
    fora = false;
    const auto xifres = [&](size_t& k) {
        const size_t inici = k;
        while (k < text.size() && text[k] >= '0' && text[k] <= '9')
            ++k;
        return k - inici;
    };
    size_t k = text.substr(0, 1) == "-" ? 1 : 0;
    size_t n = xifres(k);
    if (k < text.size() && text[k] == '.') {
        ++k;
        n += xifres(k);
    }
    if (n == 0)
        return false;
    if (k < text.size() && (text[k] == 'e' || text[k] == 'E')) {
        ++k;
        if (k < text.size() && (text[k] == '+' || text[k] == '-'))
            ++k;
        if (xifres(k) == 0)
            return false;
    }
    if (k != text.size())
        return false;
    const std::string copia(text);
    errno = 0;
    valor = std::strtod(copia.c_str(), nullptr);
    fora = errno == ERANGE;
    return true;
}
