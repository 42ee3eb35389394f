#include "model/Value.h"

#include "model/Text1251.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace korvanix::model {
namespace {

// The user's locale may use a decimal comma; numbers in files, element lists and
// labels are always written and read with a point.
locale_t CLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

struct CLocaleScope {
    CLocaleScope() : previous(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(previous); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;
    locale_t previous;
};

struct PrefixRow {
    double lowerBound; // inclusive lower bound of log10(|value|)
    double multiplier;
    const char* latin;
    const char* cyrillic;
};

constexpr PrefixRow kRows[] = {
    {9, 1e9, "G", "Г"},   {6, 1e6, "M", "М"},    {3, 1e3, "k", "к"},    {-1, 1, "", ""},
    {-4, 1e-3, "m", "м"}, {-7, 1e-6, "u", "мк"}, {-10, 1e-9, "n", "н"}, {-13, 1e-12, "p", "п"},
};

struct Suffix {
    const char* text;
    double multiplier;
};

constexpr Suffix kSuffixes[] = {
    {"G", 1e9},  {"Г", 1e9},  {"M", 1e6},   {"М", 1e6},  {"k", 1e3},  {"к", 1e3},   {"m", 1e-3},
    {"м", 1e-3}, {"u", 1e-6}, {"мк", 1e-6}, {"n", 1e-9}, {"н", 1e-9}, {"p", 1e-12}, {"п", 1e-12},
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

std::string FormatNumber(double value, int digits) {
    char buf[64];
    CLocaleScope scope;
    std::snprintf(buf, sizeof buf, "%1.*g", digits, value);
    return buf;
}

std::string FormatValue(double value, int digits, PrefixStyle style, bool spaced) {
    if (std::isnan(value))
        return "Bad number";
    std::string prefix;
    double multiplier = 1;
    if (value != 0) {
        const double r = std::log10(std::fabs(value));
        if (r >= 12 || r < -13) {
            // std::trunc keeps infinities out of the integer conversion.
            const double q = std::trunc(r);
            const int qi = std::isfinite(q) ? static_cast<int>(q) : (q > 0 ? 308 : -308);
            multiplier = std::pow(10.0, qi);
            prefix = "e" + std::to_string(qi);
        } else {
            for (const PrefixRow& row : kRows) {
                if (r >= row.lowerBound) {
                    multiplier = row.multiplier;
                    prefix = style == kCyrillic ? row.cyrillic : row.latin;
                    break;
                }
            }
        }
    }
    if (spaced) {
        if (!prefix.empty() && prefix[0] == 'e')
            prefix += ' ';
        else
            prefix = " " + prefix;
    }
    return FormatNumber(value / multiplier, digits) + prefix;
}

bool ParseValue(const std::string& text, double& value) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsSpace(text[b]))
        ++b;
    while (e > b && IsSpace(text[e - 1]))
        --e;
    std::size_t t = b;
    while (t < e && !IsSpace(text[t]))
        ++t;
    const std::string token = Utf8Left(text.substr(b, t - b), 25);
    if (token.empty())
        return false;

    std::size_t digitsEnd = token.size();
    while (digitsEnd > 0 && !(token[digitsEnd - 1] >= '0' && token[digitsEnd - 1] <= '9'))
        --digitsEnd;
    if (digitsEnd == 0)
        return false;
    const std::string suffix = token.substr(digitsEnd);
    if (Utf8Length(suffix) > 4)
        return false;

    const std::string number = token.substr(0, digitsEnd);
    char* end = nullptr;
    const double v = strtod_l(number.c_str(), &end, CLocale());
    if (end == number.c_str())
        return false;
    // An overflowing or not-a-number reading is no value a circuit can hold.
    if (!std::isfinite(v))
        return false;

    double multiplier = 1;
    if (!suffix.empty()) {
        bool found = false;
        for (const Suffix& s : kSuffixes) {
            if (suffix == s.text) {
                multiplier = s.multiplier;
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }
    value = v * multiplier;
    return std::isfinite(value);
}

bool GetField(const std::string& line, int n, std::string& field, int maxLength) {
    if (n < 2)
        return false;
    std::size_t pos = 0;
    for (int commas = 0; commas < n - 1; ++commas) {
        pos = line.find(',', pos);
        if (pos == std::string::npos)
            return false;
        ++pos;
    }
    const std::size_t end = line.find(',', pos);
    std::string candidate = line.substr(pos, end == std::string::npos ? end : end - pos);
    if (maxLength < 0 || Utf8Length(candidate) >= static_cast<std::size_t>(maxLength))
        return false;
    field = std::move(candidate);
    return true;
}

bool ParseValueField(const std::string& line, int n, double& value) {
    std::string field;
    return GetField(line, n, field, 50) && ParseValue(field, value);
}

} // namespace korvanix::model
