#include "app/NumberFormats.h"

#include "platform/Locale.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace quenthal {

namespace {
// A finite value as 0.d1d2d3... x 10^iExponent with the exact decimal digits of its binary value
// (no trailing zeros; empty for zero).
struct TDecimal {
    bool boNegative = false;
    std::string stDigits;
    int iExponent = 0;
};

void StripTrailingZeros(TDecimal& decimal) {
    while (!decimal.stDigits.empty() && decimal.stDigits.back() == '0') decimal.stDigits.pop_back();
    if (decimal.stDigits.empty()) decimal.iExponent = 0;
}

TDecimal ExactDecimal(double value) {
    TDecimal decimal;
    decimal.boNegative = std::signbit(value);
    if (value == 0) return decimal;
    // 767 significant digits hold every double exactly.
    char text[1100];
    std::snprintf(text, sizeof text, "%.770e", std::fabs(value));
    const std::string_view all(text);
    const auto e = all.find('e');
    decimal.stDigits.push_back(all[0]);
    decimal.stDigits.append(all.substr(2, e - 2));
    decimal.iExponent = std::atoi(text + e + 1) + 1;
    StripTrailingZeros(decimal);
    return decimal;
}

// Keeps the first `keep` digits, rounding half to even; keep <= 0 rounds at or above the first
// digit's place.
void RoundDigits(TDecimal& decimal, int keep) {
    auto& digits = decimal.stDigits;
    if (digits.empty() || keep >= static_cast<int>(digits.size())) return;
    if (keep < 0) {
        digits.clear();
        decimal.iExponent = 0;
        return;
    }
    const size_t cut = static_cast<size_t>(keep);
    const char next = digits[cut];
    const bool beyondHalf = digits.size() > cut + 1;  // no trailing zeros: anything after is > 0
    const bool lastKeptOdd = cut > 0 && ((digits[cut - 1] - '0') % 2 == 1);
    const bool up = next > '5' || (next == '5' && (beyondHalf || lastKeptOdd));
    digits.resize(cut);
    if (up) {
        size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0) {
            digits.insert(digits.begin(), '1');
            decimal.iExponent += 1;
        } else {
            digits[i - 1] = static_cast<char>(digits[i - 1] + 1);
        }
    }
    StripTrailingZeros(decimal);
}

std::string NonFinite(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

char DigitAt(const TDecimal& decimal, int index) {
    return index >= 0 && index < static_cast<int>(decimal.stDigits.size()) ? decimal.stDigits[static_cast<size_t>(index)] : '0';
}

// The general form of rounded digits.
std::string GeneralText(const TDecimal& decimal, int precision, int digits, std::string_view separator) {
    if (decimal.stDigits.empty()) return "0";
    std::string text = decimal.boNegative ? "-" : "";
    const int count = static_cast<int>(decimal.stDigits.size());
    const int exponent = decimal.iExponent;
    if (exponent > precision || exponent < -3) {
        text += decimal.stDigits[0];
        if (count > 1) {
            text += separator;
            text += decimal.stDigits.substr(1);
        }
        int power = exponent - 1;
        text += 'E';
        if (power < 0) {
            text += '-';
            power = -power;
        }
        std::string powerText = std::to_string(power);
        const int least = std::clamp(digits, 0, 4);
        if (static_cast<int>(powerText.size()) < least)
            powerText.insert(0, static_cast<size_t>(least) - powerText.size(), '0');
        return text + powerText;
    }
    if (exponent <= 0) {
        text += '0';
        text += separator;
        text.append(static_cast<size_t>(-exponent), '0');
        return text + decimal.stDigits;
    }
    for (int i = 0; i < exponent; ++i) text += DigitAt(decimal, i);
    if (count > exponent) {
        text += separator;
        text += decimal.stDigits.substr(static_cast<size_t>(exponent));
    }
    return text;
}
}  // namespace

std::string FormatGeneral(double value, int precision, int digits, std::string_view separator) {
    if (!std::isfinite(value)) return NonFinite(value);
    precision = std::clamp(precision, 1, 18);
    TDecimal decimal = ExactDecimal(value);
    RoundDigits(decimal, precision);
    return GeneralText(decimal, precision, digits, separator);
}

std::string FormatGeneral(double value, std::string_view separator) { return FormatGeneral(value, 15, 0, separator); }

std::string FormatFixed(double value, int precision, int digits, std::string_view separator) {
    if (!std::isfinite(value)) return NonFinite(value);
    precision = std::clamp(precision, 1, 18);
    digits = std::clamp(digits, 0, 18);
    TDecimal decimal = ExactDecimal(value);
    // One rounding: to the precision, or to the decimals where they allow fewer digits.
    if (!decimal.stDigits.empty()) {
        const int keep = std::min(precision, decimal.iExponent + digits);
        if (keep == 0) {
            // Only the half below the first digit's place decides between 0 and one unit there.
            TDecimal unit = decimal;
            unit.stDigits.insert(unit.stDigits.begin(), '0');
            unit.iExponent += 1;
            RoundDigits(unit, 1);
            decimal = unit;
        } else {
            RoundDigits(decimal, keep);
        }
    }
    if (decimal.iExponent > precision) return GeneralText(decimal, precision, digits, separator);
    std::string text = decimal.boNegative && !decimal.stDigits.empty() ? "-" : "";
    if (decimal.iExponent <= 0) {
        text += '0';
    } else {
        for (int i = 0; i < decimal.iExponent; ++i) text += DigitAt(decimal, i);
    }
    if (digits > 0) {
        text += separator;
        for (int i = 0; i < digits; ++i) text += DigitAt(decimal, decimal.iExponent + i);
    }
    return text;
}

std::string FormatGeneral(double value) { return FormatGeneral(value, UserLocale().stDecimalSeparator); }
std::string FormatGeneral(double value, int precision, int digits) {
    return FormatGeneral(value, precision, digits, UserLocale().stDecimalSeparator);
}
std::string FormatFixed(double value, int precision, int digits) {
    return FormatFixed(value, precision, digits, UserLocale().stDecimalSeparator);
}

std::optional<double> ParseFloat(std::string_view text, std::string_view separator) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    // Rebuilt in the C locale's form, checked character by character.
    std::string plain;
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    bool anyDigit = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        plain += text[i++];
        anyDigit = true;
    }
    if (!separator.empty() && text.substr(i).starts_with(separator)) {
        plain += '.';
        i += separator.size();
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            plain += text[i++];
            anyDigit = true;
        }
    }
    if (!anyDigit) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        plain += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
        bool exponentDigit = false;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            plain += text[i++];
            exponentDigit = true;
        }
        if (!exponentDigit) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;

    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    errno = 0;
    const double value = ::strtod_l(plain.c_str(), nullptr, cLocale);
    if (errno == ERANGE && std::isinf(value)) return std::nullopt;
    return value;
}

std::optional<double> ParseFloat(std::string_view text) { return ParseFloat(text, UserLocale().stDecimalSeparator); }

}  // namespace quenthal
