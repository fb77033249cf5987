#include "config/comprovar.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <sstream>

#include "lectura/lectura.h"

namespace {

// Each kind of note is shown this many times; the rest are counted in one.
constexpr int kNotesPerTipus = 5;

const char* const kCapcalera[] = {"width", "height", "body count",
                                  "cycle limit", "frame limit", "G exponent"};
const char* const kCamps[] = {"x", "y", "vx", "vy", "mass", "diameter"};
constexpr int kValorsPerCos = 6;
constexpr int kTokensPerCos = 2 * kValorsPerCos;

const char* const kEnter = "a whole number from -2147483648 to 2147483647";
const char* const kReal = "a decimal number below 1.8e308 in size";
const char* const kMassa = "a whole number from 0 to 18446744073709551615";
const char* const kSimple = "a decimal number below 3.4e38 in size";

std::string NomCamp(int cos, int camp)
{
    return std::string("the ") + kCamps[camp] + " of body " + std::to_string(cos);
}

// Follows one read stream over the whole text, so that every value is read by
// the program's own functions and every finding knows where it is.
class Lector {
public:
    explicit Lector(const std::string& text) : text_(text), in_(text) {}

    bool fallat() const { return in_.fail(); }
    std::istream& flux() { return in_; }

    // Where the next token starts; the end of the text when none is left.
    size_t inici()
    {
        if (!in_.fail())
            in_ >> std::ws;
        if (in_.fail() || in_.eof())
            return text_.size();
        return static_cast<size_t>(in_.tellg());
    }
    // Where the last read stopped, if the stream still works.
    size_t fi()
    {
        if (in_.fail() || in_.eof())
            return text_.size();
        return static_cast<size_t>(in_.tellg());
    }

    std::string token(size_t pos) const
    {
        size_t fi = pos;
        while (fi < text_.size() && !std::isspace(static_cast<unsigned char>(text_[fi])))
            ++fi;
        std::string t = text_.substr(pos, fi - pos);
        if (t.size() > 24)
            t = t.substr(0, 20) + "...";
        return t;
    }

    Avis avis(size_t pos, Avis::Gravetat g, std::string text) const
    {
        Avis a;
        a.gravetat = g;
        a.text = std::move(text);
        for (size_t i = 0; i < pos && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++a.linia;
                a.columna = 1;
            } else if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) {
                ++a.columna;
            }
        }
        return a;
    }

private:
    const std::string& text_;
    std::istringstream in_;
};

class Comprovacio {
public:
    explicit Comprovacio(const std::string& text) : lector_(text), text_(text) {}

    std::vector<Avis> executar()
    {
        const bool sencera = capcalera();
        if (nombre() && sencera && cossos())
            sobrant();
        tancarNotes();
        std::stable_sort(avisos_.begin(), avisos_.end(), [](const Avis& a, const Avis& b) {
            return a.linia != b.linia ? a.linia < b.linia : a.columna < b.columna;
        });
        return std::move(avisos_);
    }

private:
    // Reads one value with the program's reader; on the read that fails, says
    // why and that it and every later value turn to 0.
    template <typename Llegidor>
    bool valor(const std::string& nom, const char* tipus, int64_t restants, Llegidor llegidor)
    {
        const bool enganxat = lector_.inici() == fiAnterior_ && fiAnterior_ != 0;
        const size_t pos = lector_.inici();
        llegidor(lector_.flux());
        posFallada_ = pos;
        if (!lector_.fallat()) {
            posAnterior_ = pos;
            fiAnterior_ = lector_.fi();
            return true;
        }
        std::string que = restants > 0
            ? "; it and the " + std::to_string(restants) + " values after it read as 0"
            : "; it reads as 0";
        if (pos >= text_.size()) {
            error(pos, "the file ends before " + nom + que);
        } else {
            std::string per = "\"" + lector_.token(pos) + "\" does not read as " + nom +
                              " (" + tipus + ")";
            if (enganxat)
                per += ", where the number before it stopped short";
            error(pos, per + que);
        }
        return false;
    }

    bool paraula(int cos, int camp)
    {
        const size_t pos = lector_.inici();
        descartarParaula(lector_.flux());
        if (lector_.fallat()) {
            const int64_t restants = (int64_t{numero_} - cos) * kValorsPerCos - camp - 1;
            error(pos, "the file ends before the word after " + NomCamp(cos, camp) +
                           (restants > 0 ? "; the " + std::to_string(restants) +
                                               " values after it read as 0"
                                         : std::string()));
            return false;
        }
        const std::string mot = lector_.token(pos);
        double d = 0.0;
        std::istringstream com(mot);
        if (pos == fiAnterior_ && mot.find_first_of(".eE0123456789") == 0)
            nota(curts_, pos,
                 NomCamp(cos, camp) + " stops short at \"" + mot +
                     "\", which is thrown away as its word");
        else if (com >> d && com.peek() == EOF)
            nota(numeros_, pos,
                 "\"" + mot + "\" is thrown away as the word after " +
                     NomCamp(cos, camp) + "; a number there usually means words are missing");
        fiAnterior_ = 0;
        return true;
    }

    bool capcalera()
    {
        for (int i = 0; i < 6; ++i) {
            int32_t v = 0;
            // A failure before the count leaves it 0; after it, the bodies read as 0 too.
            const int64_t restants = 5 - i + (i > 2 ? int64_t{numero_} * kValorsPerCos : 0);
            const std::string nom = std::string("the ") + kCapcalera[i];
            if (!valor(nom, kEnter, restants, [&](std::istream& in) { v = llegir<int32_t>(in); })) {
                if (i <= 2)
                    posNumero_ = posFallada_;
                return false;
            }
            if (i == 2) {
                numero_ = v;
                nombreLlegit_ = true;
                posNumero_ = posAnterior_;
            }
        }
        return true;
    }

    bool nombre()
    {
        const std::string atura = "the program stops with \"Número de partícules invàlid\"";
        if (!nombreLlegit_) {
            error(posNumero_, "so the body count reads as 0: " + atura);
            return false;
        }
        if (numero_ <= 0) {
            error(posNumero_, "a body count of " + std::to_string(numero_) + " is refused: " + atura);
            return false;
        }
        if (!CabenEnMemoria(numero_)) {
            error(posNumero_, std::to_string(numero_) +
                                  " bodies do not fit in the memory free now: " + atura);
            return false;
        }
        return true;
    }

    bool cossos()
    {
        for (int cos = 0; cos < numero_; ++cos) {
            if (lector_.inici() >= text_.size()) {
                const int falten = numero_ - cos;
                error(text_.size(), "records missing: the count is " + std::to_string(numero_) +
                                        " but the file ends after " + std::to_string(cos) +
                                        (falten == 1 ? "; the last body reads as zeros"
                                                     : "; the last " + std::to_string(falten) +
                                                           " bodies read as zeros"));
                return false;
            }
            for (int camp = 0; camp < kValorsPerCos; ++camp) {
                const int64_t restants = (int64_t{numero_} - cos) * kValorsPerCos - camp - 1;
                const char* tipus = camp < 4 ? kReal : camp == 4 ? kMassa : kSimple;
                float diametre = 0.0f;
                bool negativa = false;
                const bool llegit = valor(NomCamp(cos, camp), tipus, restants, [&](std::istream& in) {
                    if (camp == 4)
                        llegirMassa(in, &negativa);
                    else if (camp == 5)
                        diametre = llegir<float>(in);
                    else
                        llegir<double>(in);
                });
                if (!llegit)
                    return false;
                if (negativa)
                    error(posAnterior_, "\"" + lector_.token(posAnterior_) + "\" is negative, so " +
                                            NomCamp(cos, camp) + " reads as 0 (" + kMassa +
                                            "); the values after it read as written");
                if (camp == 5 && diametre != std::trunc(diametre))
                    nota(fraccions_, posAnterior_,
                         "the diameter of body " + std::to_string(cos) + " is drawn as " +
                             std::to_string(static_cast<long long>(diametre)) +
                             ": its fraction is dropped");
                if (!paraula(cos, camp))
                    return false;
            }
        }
        return true;
    }

    // What follows the last record is never read.
    void sobrant()
    {
        const size_t pos = lector_.inici();
        if (pos >= text_.size())
            return;
        std::istringstream resta(text_.substr(pos));
        std::string t;
        long tokens = 0;
        while (resta >> t)
            ++tokens;
        if (tokens % kTokensPerCos == 0)
            error(pos, "extra records: the count is " + std::to_string(numero_) +
                           " but the file holds " + std::to_string(numero_ + tokens / kTokensPerCos) +
                           "; the program reads only the first " + std::to_string(numero_));
        else
            error(pos, "extra text after the last body (" + std::to_string(tokens) +
                           " tokens); the program never reads it");
    }

    void error(size_t pos, std::string text)
    {
        avisos_.push_back(lector_.avis(pos, Avis::Gravetat::Error, std::move(text)));
    }

    struct Comptador {
        int vistes = 0;
        size_t pos = 0;
        const char* que = "";
    };

    void nota(Comptador& c, size_t pos, std::string text)
    {
        if (c.vistes++ < kNotesPerTipus)
            avisos_.push_back(lector_.avis(pos, Avis::Gravetat::Nota, std::move(text)));
        c.pos = pos;
    }

    void tancarNotes()
    {
        for (const Comptador* c : {&numeros_, &fraccions_, &curts_})
            if (c->vistes > kNotesPerTipus)
                avisos_.push_back(lector_.avis(
                    c->pos, Avis::Gravetat::Nota,
                    std::to_string(c->vistes - kNotesPerTipus) + " more like the " +
                        c->que + " above, the last of them here"));
    }

    Lector lector_;
    const std::string& text_;
    std::vector<Avis> avisos_;
    int32_t numero_ = 0;
    bool nombreLlegit_ = false;
    size_t posNumero_ = 0;
    size_t posFallada_ = 0;
    size_t posAnterior_ = 0;
    size_t fiAnterior_ = 0;
    Comptador numeros_{0, 0, "number thrown away"};
    Comptador fraccions_{0, 0, "fraction dropped"};
    Comptador curts_{0, 0, "number stopped short"};
};

}  // namespace

std::vector<Avis> Comprovar(const std::string& text)
{
    return Comprovacio(text).executar();
}
