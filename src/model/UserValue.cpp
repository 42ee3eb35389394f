#include "model/UserValue.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace korvanix::model {
namespace {

struct Prefix {
    const char* text;
    double multiplier;
};

// ParseValue's prefixes, and no others.
constexpr Prefix kPrefixes[] = {
    {"G", 1e9},  {"Г", 1e9},  {"M", 1e6},   {"М", 1e6},  {"k", 1e3},  {"к", 1e3},   {"m", 1e-3},
    {"м", 1e-3}, {"u", 1e-6}, {"мк", 1e-6}, {"n", 1e-9}, {"н", 1e-9}, {"p", 1e-12}, {"п", 1e-12},
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t SkipDigits(const std::string& s, std::size_t i) {
    while (i < s.size() && IsDigit(s[i]))
        ++i;
    return i;
}

// What may follow the number: nothing, the unit, a prefix, or a prefix and the unit.
// The whole tail is matched, so a unit that begins with a prefix letter ("Гн", "Гц")
// is never taken for the prefix with a letter left over.
bool ReadTail(const std::string& tail, const std::string& unit, double& multiplier) {
    if (tail.empty() || (!unit.empty() && tail == unit)) {
        multiplier = 1;
        return true;
    }
    for (const Prefix& prefix : kPrefixes) {
        const std::size_t length = std::strlen(prefix.text);
        if (tail.compare(0, length, prefix.text) != 0)
            continue;
        const std::string after = tail.substr(length);
        if (after.empty() || (!unit.empty() && after == unit)) {
            multiplier = prefix.multiplier;
            return true;
        }
    }
    return false;
}

} // namespace

bool ParseUserValue(const std::string& text, const std::string& unit, double& value) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    const std::string s = text.substr(b, e - b);

    std::size_t i = 0;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    // The number is rebuilt in the one form the conversion reads: unsigned, with a point.
    const std::size_t integerEnd = SkipDigits(s, i);
    std::string number = s.substr(i, integerEnd - i);
    i = integerEnd;
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        const std::size_t fractionEnd = SkipDigits(s, i + 1);
        if (fractionEnd == i + 1)
            return false;
        number += '.' + s.substr(i + 1, fractionEnd - i - 1);
        i = fractionEnd;
    }
    if (number.empty())
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t digits = i + 1;
        if (digits < s.size() && (s[digits] == '+' || s[digits] == '-'))
            ++digits;
        const std::size_t exponentEnd = SkipDigits(s, digits);
        // No prefix starts with e, so an "e" without digits is simply left over.
        if (exponentEnd > digits) {
            number += 'e' + s.substr(i + 1, exponentEnd - i - 1);
            i = exponentEnd;
        }
    }
    while (i < s.size() && IsBlank(s[i]))
        ++i;

    double multiplier = 1;
    if (!ReadTail(s.substr(i), unit, multiplier))
        return false;

    double magnitude = 0;
    const char* first = number.data();
    const char* last = first + number.size();
    const std::from_chars_result read = std::from_chars(first, last, magnitude);
    // Out of range either way: too large for a double, or so small it would become 0.
    if (read.ec != std::errc() || read.ptr != last)
        return false;
    const double result = (negative ? -magnitude : magnitude) * multiplier;
    if (!std::isfinite(result))
        return false;
    value = result;
    return true;
}

} // namespace korvanix::model
