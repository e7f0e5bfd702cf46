#pragma once
// The number formats of every display, list and file of the program, with the user's decimal
// separator:
//   General(x)          shortest exact form with up to 15 significant digits (1000, 0.5, 12460)
//   General(x, p, d)    rounded to p significant digits, trailing zeros dropped; scientific
//                       ("1.5E-7", d = least digits of the exponent) when the integer part has more
//                       than p digits or the value is below 0.0001
//   Fixed(x, p, d)      rounded to p significant digits and at most d decimals, shown with exactly
//                       d decimals; in the general form when the integer part has more than p digits
// Rounding works on the exact binary value; an exact half goes to the even digit. Infinities and
// NaN show as INF, -INF and NAN.

#include <optional>
#include <string>
#include <string_view>

namespace quenthal {

std::string FormatGeneral(double value, std::string_view decimalSeparator);
std::string FormatGeneral(double value, int precision, int digits, std::string_view decimalSeparator);
std::string FormatFixed(double value, int precision, int digits, std::string_view decimalSeparator);

// With the user's decimal separator.
std::string FormatGeneral(double value);
std::string FormatGeneral(double value, int precision, int digits);
std::string FormatFixed(double value, int precision, int digits);

// A decimal number as a user types it: blanks around it, a sign, digits with at most one decimal
// separator, an optional exponent ("1,5E3"). No thousands separators. nullopt for anything else
// and for values beyond the double range; values too small for it read as 0.
std::optional<double> ParseFloat(std::string_view text, std::string_view decimalSeparator);
std::optional<double> ParseFloat(std::string_view text);

}  // namespace quenthal
