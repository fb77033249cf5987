#include "analisi_ptx.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

// Instructions after an approximation that still refine it.
constexpr int kInstruccionsDeSequencia = 32;

bool Sequencia(std::string nom)
{
    std::transform(nom.begin(), nom.end(), nom.begin(), [](unsigned char c) { return std::tolower(c); });
    return nom.find("div") != std::string::npos || nom.find("sqrt") != std::string::npos ||
           nom.find("rcp") != std::string::npos;
}

}  // namespace

AnalisiPtx AnalitzarPtx(const std::string& ptx)
{
    AnalisiPtx a;
    std::istringstream linies(ptx);
    std::string linia;
    int profunditat = 0;
    bool funcioDeSequencia = false;
    int instruccio = 0, finsA = -1;
    while (std::getline(linies, linia)) {
        linia = linia.substr(0, linia.find("//"));
        std::istringstream paraules(linia);
        std::string codi;
        paraules >> codi;
        // A predicate before the instruction: @%p1 or @!%p1.
        if (!codi.empty() && codi[0] == '@')
            paraules >> codi;
        if (profunditat == 0 && (codi == ".func" || codi == ".entry" || codi == ".visible" || codi == ".weak"))
            funcioDeSequencia = Sequencia(linia);
        profunditat += static_cast<int>(std::count(linia.begin(), linia.end(), '{')) -
                       static_cast<int>(std::count(linia.begin(), linia.end(), '}'));
        if (codi.empty() || codi[0] == '.' || codi.back() == ':' || codi == "{" || codi == "}")
            continue;
        ++instruccio;
        const bool f64 = codi.size() > 4 && codi.compare(codi.size() - 4, 4, ".f64") == 0;
        if (!f64)
            continue;
        if (codi.rfind("rcp.", 0) == 0 || codi.rfind("rsqrt.", 0) == 0)
            finsA = instruccio + kInstruccionsDeSequencia;
        else if (codi == "fma.rn.f64" || codi == "mad.rn.f64")
            ++(funcioDeSequencia || instruccio <= finsA ? a.enSequencies : a.fusionats);
        else if (codi == "mul.f64" || codi == "add.f64" || codi == "sub.f64")
            ++a.lliures;
        else if (codi == "div.rn.f64")
            ++a.divisions;
        else if (codi == "sqrt.rn.f64")
            ++a.arrels;
    }
    return a;
}
