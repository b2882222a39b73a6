// The number forms of the report: fixed-point and general, with the locale's decimal separator.
#pragma once

#include <string>

namespace zarvo {

struct FormatSettings {
    char decimalSeparator = '.';
};

// The decimal separator of the user's LC_NUMERIC locale.
FormatSettings LocaleFormatSettings();

// Exactly `decimals` digits after the separator. The value is expanded to 18 significant digits,
// cut after the last kept decimal (or after 15 significant digits, if that comes first), and
// rounded half away from zero on the first dropped digit.
std::string FormatFixed(double value, int decimals, const FormatSettings& settings);

// Rounded to 15 significant digits, trailing zeros dropped, plain notation from 0.0001 up to
// below 10^15 and exponent notation outside that range.
std::string FormatGeneral(double value, const FormatSettings& settings);

} // namespace zarvo
