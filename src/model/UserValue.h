#pragma once

#include <string>

namespace korvanix::model {

// Reads a value as a user types it into a field. Freer in form than ParseValue, which
// reads what the program itself wrote, and stricter in substance:
// - the number takes a decimal point or a decimal comma ("1,5" is 1.5), but only one;
//   an exponent ("1e3", "2,2E-6") is allowed, a separator without a digit after it
//   ("5.") is not;
// - blanks may stand between the number and the prefix letter ("1 k", "4.7 к");
// - the prefix letters and their case are ParseValue's ("m" and "м" milli, "M" and "М"
//   mega, "u" and "мк" micro; "K" is no prefix);
// - `unit`, the parameter's own unit text, may follow the prefix or the number
//   ("1kОм", "10мкФ", "5 В", "4.7 кОм" as the sheet labels show values); an empty
//   `unit` allows none;
// - blanks around the whole text are ignored.
// Anything else refuses the whole text, so that "1 x" or "1.5.2" never quietly becomes
// 1 or 1.5; so does a number too large for a double. On refusal `value` is untouched.
bool ParseUserValue(const std::string& text, const std::string& unit, double& value);

} // namespace korvanix::model
