// Decimal expansion and rounding of the report's numbers, independent of the C locale.
#include "report/NumberFormat.h"

#include <cassert>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace zarvo {
namespace {

constexpr int kExpandedDigits = 18;
constexpr int kSignificantDigits = 15;

// The significant digits of a value and the power of ten of the first one:
// 0.0123 is {"123", -2}: the value is 0.d1d2d3... * 10^(exponent + 1).
struct Decimal {
    std::string digits;
    int exponent = 0;
};

// The magnitude, exact to `count` significant digits (correctly rounded by to_chars).
Decimal Expand(double magnitude, int count) {
    assert(std::isfinite(magnitude) && magnitude > 0);
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, magnitude,
                                      std::chars_format::scientific, count - 1);
    const std::string_view written(text, static_cast<std::size_t>(result.ptr - text));
    const std::size_t e = written.find('e');
    Decimal decimal;
    for (const char c : written.substr(0, e))
        if (c != '.')
            decimal.digits += c;
    decimal.exponent = std::atoi(std::string(written.substr(e + 1)).c_str());
    return decimal;
}

// Keeps the first `keep` digits, raising them by one when the first dropped digit is 5 or more.
void RoundHalfUp(Decimal& decimal, int keep) {
    if (keep < 0) {
        decimal.digits.clear();
        return;
    }
    if (static_cast<std::size_t>(keep) >= decimal.digits.size())
        return;
    const bool up = decimal.digits[static_cast<std::size_t>(keep)] >= '5';
    decimal.digits.resize(static_cast<std::size_t>(keep));
    if (!up)
        return;
    for (std::size_t i = decimal.digits.size(); i-- > 0;) {
        if (decimal.digits[i] != '9') {
            ++decimal.digits[i];
            return;
        }
        decimal.digits[i] = '0';
    }
    decimal.digits.insert(decimal.digits.begin(), '1');
    ++decimal.exponent;
}

// Digit i of the rounded value counted from the first significant one, or 0 past the end.
char DigitAt(const Decimal& decimal, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < decimal.digits.size()
               ? decimal.digits[static_cast<std::size_t>(i)]
               : '0';
}

std::string NonFinite(double value) {
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string Exponential(const Decimal& decimal, bool negative, const FormatSettings& settings) {
    std::string digits = decimal.digits;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string text = negative ? "-" : "";
    text += digits[0];
    if (digits.size() > 1) {
        text += settings.decimalSeparator;
        text.append(digits, 1);
    }
    return text + "E" + std::to_string(decimal.exponent);
}

} // namespace

FormatSettings LocaleFormatSettings() {
    FormatSettings settings;
    if (const std::lconv* locale = std::localeconv();
        locale != nullptr && locale->decimal_point != nullptr && locale->decimal_point[0] != '\0')
        settings.decimalSeparator = locale->decimal_point[0];
    return settings;
}

std::string FormatFixed(double value, int decimals, const FormatSettings& settings) {
    assert(decimals >= 0 && decimals <= 18);
    if (!std::isfinite(value))
        return NonFinite(value);
    Decimal decimal;
    if (value != 0) {
        decimal = Expand(std::fabs(value), kExpandedDigits);
        if (decimal.exponent >= kSignificantDigits) {
            RoundHalfUp(decimal, kSignificantDigits);
            return Exponential(decimal, value < 0, settings);
        }
        const int kept = std::min(decimal.exponent + 1 + decimals, kSignificantDigits);
        RoundHalfUp(decimal, kept);
    }
    // A value that rounds to zero is written without a sign.
    const bool negative = value < 0 && decimal.digits.find_first_not_of('0') != std::string::npos;
    std::string text = negative ? "-" : "";
    if (decimal.digits.empty() || decimal.exponent < 0) {
        text += '0';
    } else {
        for (int i = 0; i <= decimal.exponent; ++i)
            text += DigitAt(decimal, i);
    }
    if (decimals > 0) {
        text += settings.decimalSeparator;
        for (int place = 1; place <= decimals; ++place)
            text += decimal.digits.empty() ? '0' : DigitAt(decimal, decimal.exponent + place);
    }
    return text;
}

std::string FormatGeneral(double value, const FormatSettings& settings) {
    if (!std::isfinite(value))
        return NonFinite(value);
    if (value == 0)
        return "0";
    Decimal decimal = Expand(std::fabs(value), kExpandedDigits);
    RoundHalfUp(decimal, kSignificantDigits);
    while (decimal.digits.size() > 1 && decimal.digits.back() == '0')
        decimal.digits.pop_back();
    const bool negative = value < 0;
    if (decimal.exponent < -4 || decimal.exponent >= kSignificantDigits)
        return Exponential(decimal, negative, settings);

    std::string text = negative ? "-" : "";
    const int digits = static_cast<int>(decimal.digits.size());
    if (decimal.exponent < 0) {
        text += '0';
        text += settings.decimalSeparator;
        text.append(static_cast<std::size_t>(-decimal.exponent - 1), '0');
        return text + decimal.digits;
    }
    for (int i = 0; i <= decimal.exponent; ++i)
        text += DigitAt(decimal, i);
    if (digits > decimal.exponent + 1) {
        text += settings.decimalSeparator;
        text.append(decimal.digits, static_cast<std::size_t>(decimal.exponent + 1));
    }
    return text;
}

} // namespace zarvo
