#pragma once

// std::to_chars and std::from_chars for double where the C++ library lacks
// them (emscripten's libc++ 13 has only the integer ones), giving the same
// characters and values as libstdc++'s: the shortest text that reads back to
// the same bits, and the longest prefix that reads as a number. Built on the
// C library's correctly rounded printf and strtod. The web build includes
// this header ahead of every source of particules-config.

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

namespace xifres_web {

// The shortest of fixed and scientific notation that reads back to valor,
// fixed on a tie; a whole number in fixed notation with every digit.
inline std::to_chars_result AXifres(char* inici, char* fi, double valor)
{
    std::string text = std::signbit(valor) ? "-" : "";
    const double absolut = std::fabs(valor);
    if (std::isnan(valor) || std::isinf(valor) || absolut == 0.0) {
        text += std::isnan(valor) ? "nan" : std::isinf(valor) ? "inf" : "0";
    } else {
        // The fewest significant digits that read back: printf rounds
        // correctly, so they are the digits closest to the value.
        char cientific[40];
        for (int xifres = 1; xifres <= 17; ++xifres) {
            std::snprintf(cientific, sizeof cientific, "%.*e", xifres - 1, absolut);
            if (std::strtod(cientific, nullptr) == absolut)
                break;
        }
        const char* e = std::strchr(cientific, 'e');
        std::string digits(cientific, 1);
        if (cientific[1] == '.')
            digits.append(static_cast<const char*>(cientific) + 2, e);
        digits.erase(digits.find_last_not_of('0') + 1);
        const int exponent = std::atoi(e + 1);
        const int n = static_cast<int>(digits.size());

        char exp[16];
        std::snprintf(exp, sizeof exp, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        const std::string curt = digits.substr(0, 1) + (n > 1 ? "." + digits.substr(1) : "") + exp;
        std::string fix;
        // A whole number is written with all its digits, exact.
        char enter[320];
        if (exponent >= n - 1 && std::snprintf(enter, sizeof enter, "%.0f", absolut) > 0)
            fix = enter;
        else if (exponent < 0)
            fix = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        else
            fix = digits.substr(0, static_cast<size_t>(exponent) + 1) + "." + digits.substr(static_cast<size_t>(exponent) + 1);
        text += fix.size() <= curt.size() ? fix : curt;
    }
    if (static_cast<size_t>(fi - inici) < text.size())
        return {fi, std::errc::value_too_large};
    std::memcpy(inici, text.data(), text.size());
    return {inici + text.size(), std::errc()};
}

// A number in general format: an optional minus, digits with at most one
// point (at least one digit), an optional exponent, or inf, infinity or nan
// in any case. Out of range, above the largest double or below the smallest
// subnormal but not zero, is an error that leaves valor as it was.
inline std::from_chars_result DeXifres(const char* inici, const char* fi, double& valor)
{
    const auto lletres = [&](const char* p, const char* paraula) {
        const size_t n = std::strlen(paraula);
        if (static_cast<size_t>(fi - p) < n)
            return false;
        for (size_t k = 0; k < n; ++k)
            if ((p[k] | 0x20) != paraula[k])
                return false;
        return true;
    };
    const auto digit = [&](const char* p) { return p < fi && *p >= '0' && *p <= '9'; };
    const char* p = inici;
    const bool negatiu = p < fi && *p == '-';
    p += negatiu ? 1 : 0;
    if (lletres(p, "inf")) {
        valor = negatiu ? -HUGE_VAL : HUGE_VAL;
        return {p + (lletres(p, "infinity") ? 8 : 3), std::errc()};
    }
    if (lletres(p, "nan")) {
        p += 3;
        // An optional (n-char-sequence).
        if (p < fi && *p == '(') {
            const char* q = p + 1;
            while (q < fi && (std::isalnum(static_cast<unsigned char>(*q)) || *q == '_'))
                ++q;
            if (q < fi && *q == ')')
                p = q + 1;
        }
        valor = negatiu ? -std::nan("") : std::nan("");
        return {p, std::errc()};
    }
    const char* xifres = p;
    bool alguna = false, nonZero = false;
    for (; digit(p); ++p)
        alguna = true, nonZero = nonZero || *p != '0';
    if (p < fi && *p == '.') {
        ++p;
        for (; digit(p); ++p)
            alguna = true, nonZero = nonZero || *p != '0';
    }
    if (!alguna)
        return {inici, std::errc::invalid_argument};
    if (p < fi && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        q += q < fi && (*q == '+' || *q == '-') ? 1 : 0;
        if (digit(q)) {
            while (digit(q))
                ++q;
            p = q;
        }
    }
    const std::string text = (negatiu ? "-" : "") + std::string(xifres, p);
    const double llegit = std::strtod(text.c_str(), nullptr);
    if (std::isinf(llegit) || (llegit == 0.0 && nonZero))
        return {p, std::errc::result_out_of_range};
    valor = llegit;
    return {p, std::errc()};
}

}  // namespace xifres_web

#if !defined(__cpp_lib_to_chars)
namespace std {
inline to_chars_result to_chars(char* inici, char* fi, double valor)
{
    return xifres_web::AXifres(inici, fi, valor);
}
inline from_chars_result from_chars(const char* inici, const char* fi, double& valor,
                                    chars_format = chars_format::general)
{
    return xifres_web::DeXifres(inici, fi, valor);
}
}  // namespace std
#endif
