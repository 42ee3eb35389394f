#pragma once

#include <string>

namespace korvanix::model {

// Selects the prefix letters: Cyrillic for the sheet and graphs, Latin for any text
// that must be read back.
using PrefixStyle = int;
constexpr PrefixStyle kLatin = 1;
constexpr PrefixStyle kCyrillic = 2;

// Number text with an SI prefix letter ("4.7k", "0.3e-14"; spaced: "4.7 к", "150 ").
// Only NaN gives "Bad number".
std::string FormatValue(double value, int digits, PrefixStyle style, bool spaced);

// Reads "4.7k", "10мк", "1e-3m" ... Never throws; false on anything it cannot read.
bool ParseValue(const std::string& text, double& value);

// The n-th comma-separated field (n counts from 1, used with n >= 2); false when
// the line has too few commas or the field has maxLength characters or more.
bool GetField(const std::string& line, int n, std::string& field, int maxLength);

// GetField with a maximum length of 50, then ParseValue.
bool ParseValueField(const std::string& line, int n, double& value);

// printf's "%1.<digits>g" in the C locale, whatever locale the program runs in.
std::string FormatNumber(double value, int digits);

} // namespace korvanix::model
