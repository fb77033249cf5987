#include "config/comprovar.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <streambuf>

#include "lectura/constants.h"
#include "lectura/lectura.h"

namespace {

// Each kind of note is shown this many times; the rest are counted in one.
constexpr int kNotesPerTipus = 5;

// A usual X server takes no line of this many pixels or more at 24 bits; a
// window as high is taken.
constexpr int32_t kMidaX = 16384;

const char* const kCapcalera[] = {"width", "height", "body count",
                                  "cycle limit", "frame limit", "G exponent"};
const char* const kCamps[] = {"x", "y", "vx", "vy", "mass", "diameter"};
constexpr int kValorsPerCos = 6;
constexpr int kTokensPerCos = 2 * kValorsPerCos;

const char* const kEnter = "a whole number from -2147483648 to 2147483647";
// A number reads where it rounds to a finite value: the largest double and
// float, as the shortest text that reads back as them.
const char* const kReal = "a decimal number that rounds to at most 1.7976931348623157e308 in size";
const char* const kMassa = "a whole number from 0 to 18446744073709551615";
const char* const kMassaLlegida = "a whole number from 0 to 18446744073709551615, which a minus "
                                  "sign before it makes read as 0";
const char* const kSimple = "a decimal number that rounds to at most 3.4028235e38 in size";

std::string NomCamp(int cos, int camp)
{
    return std::string("the ") + kCamps[camp] + " of body " + std::to_string(cos);
}

constexpr size_t kMostra = 24;

}  // namespace

std::string MostraToken(const std::string& token)
{
    std::string t;
    const std::string tros = token.size() > kMostra ? token.substr(0, kMostra - 4) : token;
    for (unsigned char c : tros) {
        if (c < 0x20 || c >= 0x7F) {
            const char* xifres = "0123456789abcdef";
            t += std::string("\\x") + xifres[c >> 4] + xifres[c & 0xF];
        } else {
            t += static_cast<char>(c);
        }
    }
    return token.size() > kMostra ? t + "..." : t;
}

namespace {

// A place in the input: its byte, and its line and column.
struct Lloc {
    int64_t byte = 0;
    int64_t linia = 1;
    int64_t columna = 1;
};

// Passes the input through in pieces of a fixed size, so that a file of any
// length is checked in the same memory. It counts lines and columns up to
// where reading has got, and keeps the first characters read since a mark:
// what a finding needs to say where it is and what it found there.
class Seguidor : public std::streambuf {
public:
    explicit Seguidor(std::streambuf* font) : font_(font) { setg(buf_, buf_, buf_); }

    Lloc lloc()
    {
        comptar(gptr());
        return {base_ + (gptr() - eback()), linia_, columna_};
    }
    void marcar()
    {
        marca_ = gptr();
        marcat_.clear();
    }
    // What was read since the mark, up to one character more than is shown.
    const std::string& marcat()
    {
        guardar(gptr());
        return marcat_;
    }

protected:
    int_type underflow() override
    {
        comptar(egptr());
        guardar(egptr());
        base_ += egptr() - eback();
        const std::streamsize n = std::max<std::streamsize>(font_->sgetn(buf_, sizeof buf_), 0);
        setg(buf_, buf_, buf_ + n);
        comptat_ = buf_;
        if (marca_ != nullptr)
            marca_ = buf_;
        return n > 0 ? traits_type::to_int_type(buf_[0]) : traits_type::eof();
    }

private:
    void comptar(const char* fins)
    {
        for (; comptat_ < fins; ++comptat_) {
            if (*comptat_ == '\n') {
                ++linia_;
                columna_ = 1;
            } else if ((static_cast<unsigned char>(*comptat_) & 0xC0) != 0x80) {
                ++columna_;
            }
        }
    }
    void guardar(const char* fins)
    {
        if (marca_ == nullptr)
            return;
        if (marcat_.size() <= kMostra)
            marcat_.append(marca_, std::min<size_t>(fins - marca_, kMostra + 1 - marcat_.size()));
        marca_ = fins;
    }

    std::streambuf* font_;
    char buf_[1 << 16];
    const char* comptat_ = buf_;
    const char* marca_ = nullptr;
    std::string marcat_;
    int64_t base_ = 0;
    int64_t linia_ = 1;
    int64_t columna_ = 1;
};

// One read stream over the whole input, so that every value is read by the
// program's own functions and every finding knows where it is.
class LectorTokens {
public:
    explicit LectorTokens(std::istream& font) : seguidor_(font.rdbuf()), in_(&seguidor_) {}

    bool fallat() const { return in_.fail(); }
    std::istream& flux() { return in_; }

    // Where the next token starts, or the end of the input when none is left;
    // what is read from there on can then be shown.
    Lloc inici()
    {
        if (!in_.fail())
            saltarBlancs(in_);
        seguidor_.marcar();
        return seguidor_.lloc();
    }
    // Whether the last inici() found no token.
    bool alFinal() const { return in_.fail() || in_.eof(); }
    // Where the last read stopped.
    Lloc fi() { return seguidor_.lloc(); }
    // What was read since inici(), as far as it is shown.
    std::string llegit() { return seguidor_.marcat(); }
    // The whole token at inici(), as far as it is shown; it reads on, so only
    // once nothing more is to be read.
    std::string token()
    {
        while (seguidor_.marcat().size() <= kMostra && !EsBlanc(seguidor_.sgetc()) &&
               seguidor_.sgetc() != std::char_traits<char>::eof())
            seguidor_.sbumpc();
        return MostraToken(seguidor_.marcat());
    }

private:
    Seguidor seguidor_;
    std::istream in_;
};

// "e16" after the digits of a mass: exponent form, which a mass cannot take.
bool EnFormaExponencial(const std::string& mot)
{
    size_t i = 1;
    if (mot.size() > 1 && (mot[1] == '+' || mot[1] == '-'))
        i = 2;
    return mot.size() > i && (mot[0] == 'e' || mot[0] == 'E') &&
           std::isdigit(static_cast<unsigned char>(mot[i]));
}

// Whether a word reads whole as a number.
bool EsNombre(const std::string& mot)
{
    std::istringstream in(mot);
    llegir<double>(in);
    return !in.fail() && in.eof();
}

bool ComaDecimal(const std::string& mot)
{
    return mot.size() > 1 && mot[0] == ',' && std::isdigit(static_cast<unsigned char>(mot[1]));
}

class Comprovacio {
public:
    Comprovacio(std::istream& in, Sistema* llegit) : lector_(in), llegit_(llegit) {}

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
        const Lloc pos = lector_.inici();
        const bool enganxat = fiAnterior_ > 0 && pos.byte == fiAnterior_;
        const bool alFinal = lector_.alFinal();
        llegidor(lector_.flux());
        posFallada_ = pos;
        if (!lector_.fallat()) {
            posAnterior_ = pos;
            textAnterior_ = lector_.llegit();
            fiAnterior_ = lector_.fi().byte;
            return true;
        }
        std::string que = restants > 1 ? "; it and the " + std::to_string(restants) + " values after it read as 0"
                          : restants == 1 ? "; it and the value after it read as 0"
                                          : "; it reads as 0";
        if (alFinal) {
            error(pos, "the file ends before " + nom + que);
            return false;
        }
        const std::string token = lector_.token();
        std::string per = "\"" + token + "\" does not read as " + nom + " (" + tipus + ")";
        if (enganxat && token[0] == ',')
            per += ", where a decimal comma cut the number before it short: the decimal mark is a point";
        else if (enganxat)
            per += ", where the number before it stopped short";
        if (pos.byte == 0 && token.rfind("\\xef\\xbb\\xbf", 0) == 0)
            per += "; the file starts with a UTF-8 byte-order mark, which the program reads as part of " + nom;
        if (!desfasat_.empty())
            per += "; the words are out of step since \"" + desfasat_ + "\"";
        error(pos, per + pista_ + que);
        return false;
    }

    bool paraula(int cos, int camp)
    {
        const Lloc pos = lector_.inici();
        descartarParaula(lector_.flux());
        if (lector_.fallat()) {
            const int64_t restants = (int64_t{numero_} - cos) * kValorsPerCos - camp - 1;
            // The program has every value by then: the missing word costs nothing.
            if (restants == 0)
                afegir(pos, Avis::Gravetat::Nota,
                       "the file ends before the word after " + NomCamp(cos, camp) +
                           ": every value reads as written, only the last word is missing");
            else
                error(pos, "the file ends before the word after " + NomCamp(cos, camp) +
                               "; the " + std::to_string(restants) + " values after it read as 0");
            return restants == 0;
        }
        const std::string mot = lector_.llegit();
        const std::string escrit = MostraToken(textAnterior_ + mot);
        const bool enganxada = pos.byte == fiAnterior_;
        if (enganxada && camp == 4 && EnFormaExponencial(mot)) {
            // A minus sign before the digits makes them read as 0, said here in one error.
            const std::string llegit = massaNegativa_
                ? "0 (\"" + MostraToken(textAnterior_) + "\" is negative)"
                : textAnterior_;
            error(posAnterior_, NomCamp(cos, camp) + " is written \"" + escrit +
                                    "\", in exponent form, which a mass cannot take: it reads as " +
                                    llegit + " and \"" + MostraToken(mot) +
                                    "\" is thrown away as its word; write the mass in whole digits");
            desfasat_ = escrit;
            massaNegativa_ = false;
        } else if (enganxada && ComaDecimal(mot)) {
            error(posAnterior_, "\"" + escrit + "\" has a decimal comma: " + NomCamp(cos, camp) +
                                    " reads as " + textAnterior_ + " and \"" + MostraToken(mot) +
                                    "\" is thrown away as its word; the decimal mark is a point");
            desfasat_ = escrit;
        } else if (enganxada && mot.find_first_of(".eE0123456789") == 0) {
            nota(curts_, pos,
                 NomCamp(cos, camp) + " stops short at \"" + MostraToken(mot) +
                     "\", which is thrown away as its word");
            desfasat_ = escrit;
        } else if (mot.size() <= kMostra && EsNombre(mot)) {
            nota(numeros_, pos,
                 "\"" + mot + "\" is thrown away as the word after " + NomCamp(cos, camp) +
                     "; a number there usually means words are missing");
        }
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
            liniesCapcalera_[i] = posAnterior_.linia;
            if (llegit_ != nullptr)
                guardarCapcalera(i, v);
            if (i < 2)
                mida(i, v);
            if (i == 2) {
                numero_ = v;
                nombreLlegit_ = true;
                posNumero_ = posAnterior_;
            }
        }
        return true;
    }

    void guardarCapcalera(int i, int32_t v)
    {
        int32_t* const camps[] = {&llegit_->amplada, &llegit_->altura, nullptr,
                                  &llegit_->cicles, &llegit_->fps, &llegit_->gexp};
        if (camps[i] != nullptr)
            *camps[i] = v;
    }

    // The window sizes the program refuses, and those that are likely slips.
    void mida(int i, int32_t v)
    {
        const char* costat = i == 0 ? "wide" : "high";
        const std::string nom = std::string("a window ") + kCapcalera[i] + " of " + std::to_string(v);
        if (v < 0 || v > PANTALLA_MIDA_MAXIMA)
            error(posAnterior_, nom + " is refused: the program stops with \"Error en ajustar "
                                      "parametres de la pantalla\" and \"Error al iniciar\"; a window "
                                      "is 1 to " + std::to_string(PANTALLA_MIDA_MAXIMA) + " pixels " +
                                      costat);
        else if (v == 0)
            afegir(posAnterior_, Avis::Gravetat::Nota,
                   nom + " makes the window as " + costat + " as the screen, and the view's origin "
                         "stays at its " + (i == 0 ? "left" : "top") + " edge");
        else if (i == 0 && v >= kMidaX)
            afegir(posAnterior_, Avis::Gravetat::Nota,
                   nom + ": a usual X server refuses a line of " + std::to_string(kMidaX) +
                       " pixels or more at 24 bits, and the program then stops with "
                       "\"Error en ajustar parametres de la pantalla\"");
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
        if (llegit_ != nullptr)
            llegit_->cossos.assign(numero_, Cos{});
        for (int cos = 0; cos < numero_; ++cos) {
            lector_.inici();
            if (lector_.alFinal()) {
                const int falten = numero_ - cos;
                error(lector_.fi(), "records missing: the count is " + std::to_string(numero_) +
                                        " but the file ends after " + std::to_string(cos) +
                                        (falten == 1 ? "; the last body reads as zeros"
                                                     : "; the last " + std::to_string(falten) +
                                                           " bodies read as zeros"));
                return false;
            }
            for (int camp = 0; camp < kValorsPerCos; ++camp)
                if (!valorDeCos(cos, camp))
                    return false;
        }
        return true;
    }

    // One value of body cos, and the word after it; false where reading stops.
    bool valorDeCos(int cos, int camp)
    {
        const int64_t restants = (int64_t{numero_} - cos) * kValorsPerCos - camp - 1;
        const char* tipus = camp < 4 ? kReal : camp == 4 ? kMassaLlegida : kSimple;
        float diametre = 0.0f;
        bool negativa = false;
        // Five numbers on the header's line and the sixth on the next:
        // the header is one short, and body 0 starts a value late.
        pista_ = cos == 0 && camp == 0 && liniesCapcalera_[4] == liniesCapcalera_[0] &&
                         liniesCapcalera_[5] > liniesCapcalera_[4]
                     ? "; the header's line holds five numbers where six are needed (width, "
                       "height, count, cycles, frames, G exponent), so the first value of "
                       "body 0 was taken as the G exponent"
                     : "";
        uint64_t massa = 0;
        double real = 0.0;
        const bool llegit = valor(NomCamp(cos, camp), tipus, restants, [&](std::istream& in) {
            if (camp == 4)
                massa = llegirMassa(in, &negativa);
            else if (camp == 5)
                diametre = llegir<float>(in);
            else
                real = llegir<double>(in);
        });
        if (!llegit)
            return false;
        if (llegit_ != nullptr)
            guardarValor(llegit_->cossos[cos], camp, real, massa, diametre);
        if (camp == 5 && diametre != std::trunc(diametre))
            nota(fraccions_, posAnterior_,
                 "the diameter of body " + std::to_string(cos) + " is drawn as " +
                     std::to_string(static_cast<long long>(diametre)) +
                     ": its fraction is dropped");
        massaNegativa_ = negativa;
        const Lloc posMassa = posAnterior_;
        const std::string textMassa = textAnterior_;
        const bool seguit = paraula(cos, camp);
        // Unless the word after it has said so already.
        if (massaNegativa_)
            error(posMassa, "\"" + MostraToken(textMassa) + "\" is negative, so " +
                                NomCamp(cos, camp) + " reads as 0 (" + kMassa +
                                "); the values after it read as written");
        massaNegativa_ = false;
        return seguit;
    }

    static void guardarValor(Cos& c, int camp, double real, uint64_t massa, float diametre)
    {
        double* const reals[] = {&c.x, &c.y, &c.vx, &c.vy};
        if (camp < 4)
            *reals[camp] = real;
        else if (camp == 4)
            c.massa = massa;
        else
            c.diametre = diametre;
    }

    // What follows the last record is never read; it is counted, not kept.
    void sobrant()
    {
        const Lloc pos = lector_.inici();
        if (lector_.alFinal())
            return;
        std::streambuf& resta = *lector_.flux().rdbuf();
        int64_t tokens = 0;
        bool dins = false;
        for (int c = resta.sbumpc(); c != std::char_traits<char>::eof(); c = resta.sbumpc()) {
            tokens += !dins && !EsBlanc(c);
            dins = !EsBlanc(c);
        }
        if (tokens % kTokensPerCos == 0)
            error(pos, "extra records: the count is " + std::to_string(numero_) +
                           " but the file holds " + std::to_string(numero_ + tokens / kTokensPerCos) +
                           "; the program reads only the first " + std::to_string(numero_));
        else
            error(pos, "extra text after the last body (" + std::to_string(tokens) +
                           " tokens); the program never reads it");
    }

    void afegir(const Lloc& pos, Avis::Gravetat g, std::string text)
    {
        Avis a;
        a.linia = pos.linia;
        a.columna = pos.columna;
        a.gravetat = g;
        a.text = std::move(text);
        avisos_.push_back(std::move(a));
    }

    void error(const Lloc& pos, std::string text) { afegir(pos, Avis::Gravetat::Error, std::move(text)); }

    struct Comptador {
        int vistes = 0;
        Lloc pos;
        const char* que = "";
    };

    void nota(Comptador& c, const Lloc& pos, std::string text)
    {
        if (c.vistes++ < kNotesPerTipus)
            afegir(pos, Avis::Gravetat::Nota, std::move(text));
        c.pos = pos;
    }

    void tancarNotes()
    {
        for (const Comptador* c : {&numeros_, &fraccions_, &curts_})
            if (c->vistes > kNotesPerTipus)
                afegir(c->pos, Avis::Gravetat::Nota,
                       std::to_string(c->vistes - kNotesPerTipus) + " more like the " + c->que +
                           " above, the last of them here");
    }

    LectorTokens lector_;
    Sistema* llegit_;
    std::vector<Avis> avisos_;
    int32_t numero_ = 0;
    bool nombreLlegit_ = false;
    Lloc posNumero_;
    Lloc posFallada_;
    Lloc posAnterior_;
    std::string textAnterior_;
    int64_t fiAnterior_ = 0;
    int64_t liniesCapcalera_[6] = {};
    std::string desfasat_;
    bool massaNegativa_ = false;
    const char* pista_ = "";
    Comptador numeros_{0, {}, "number thrown away"};
    Comptador fraccions_{0, {}, "fraction dropped"};
    Comptador curts_{0, {}, "number stopped short"};
};

}  // namespace

std::vector<Avis> Comprovar(std::istream& in, Sistema* llegit)
{
    return Comprovacio(in, llegit).executar();
}

std::vector<Avis> Comprovar(const std::string& text)
{
    std::istringstream in(text);
    return Comprovacio(in, nullptr).executar();
}
