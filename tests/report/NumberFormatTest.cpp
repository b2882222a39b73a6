// The report's number forms and duration texts.
#include "report/NumberFormat.h"

#include "report/ReportBuilder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace zarvo {
namespace {

const FormatSettings kPoint{'.'};
const FormatSettings kComma{','};

struct FixedCase {
    double value;
    int decimals;
    const char* expected;
};

TEST(NumberFormatTest, FixedPointRoundsTheStoredValueHalfAwayFromZero) {
    const FixedCase cases[] = {
        {23.976f, 3, "23.976"},
        {29.97f, 3, "29.970"}, // the float lies just below 29.97
        {25, 3, "25.000"},
        {22.05f, 1, "22.0"}, // the float lies just below 22.05
        {44.1f, 1, "44.1"},
        {48, 1, "48.0"},
        {4.0f / 3.0f, 2, "1.33"},
        {-4.0f / 3.0f, 2, "-1.33"},
        {0.125, 2, "0.13"}, // an exact half goes away from zero
        {-0.125, 2, "-0.13"},
        {2.5, 0, "3"},
        {9.995, 2, "9.99"},   // 9.9949999... as stored
        {9.9951, 2, "10.00"}, // the carry runs through every digit
        {0.004, 2, "0.00"},
        {-0.004, 2, "0.00"}, // nothing left of a negative value: no sign
        {0, 3, "0.000"},
        {4294967295.0, 0, "4294967295"},
        {1234567890123.4567, 3, "1234567890123.460"}, // only 15 significant digits are kept
        {1e7, 3, "10000000.000"},
        {1e16, 2, "1E16"},
    };
    for (const FixedCase& c : cases)
        EXPECT_EQ(FormatFixed(c.value, c.decimals, kPoint), c.expected)
            << c.value << " with " << c.decimals;
}

TEST(NumberFormatTest, FixedPointUsesTheLocaleSeparator) {
    EXPECT_EQ(FormatFixed(29.97f, 3, kComma), "29,970");
    EXPECT_EQ(FormatFixed(12, 0, kComma), "12");
}

TEST(NumberFormatTest, NonFiniteValuesAreNamed) {
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 3, kPoint), "INF");
    EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 3, kPoint), "-INF");
    EXPECT_EQ(FormatFixed(std::nan(""), 2, kPoint), "NAN");
}

TEST(NumberFormatTest, GeneralForm) {
    const std::pair<double, const char*> cases[] = {
        {120, "120"},
        {5025.5, "5025.5"},
        {5025.125, "5025.125"},
        {5025.123456, "5025.123456"},
        {0, "0"},
        {0.04, "0.04"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {999999999999999.0, "999999999999999"},
        {1e15, "1E15"},
        {-2.5, "-2.5"},
        {0.1 + 0.2, "0.3"}, // 15 digits hide the binary error
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(FormatGeneral(value, kPoint), expected) << value;
    EXPECT_EQ(FormatGeneral(5025.5, kComma), "5025,5");
}

TEST(DurationTextTest, HoursMinutesSecondsAndFractionDigits) {
    const std::pair<double, const char*> cases[] = {
        {5025.125, "01:23:45:125"}, // a fraction of exactly three digits stays whole
        {5025.5, "01:23:45:50"},    {5025.123456, "01:23:45:12"}, // a longer one is cut to two
        {120, "00:02:00:00"},       {0, "00:00:00:00"},
        {0.04, "00:00:00:04"},      {360000.5, "100:00:00:50"}, // hours go past 99
        {10.25, "00:00:10:25"},     {20, "00:00:20:00"},
        {0.00005, "00:00:00:00"}, // exponent notation has no fraction to show
        {3e9, "833333:20:00:00"}, // past 32-bit seconds
    };
    for (const auto& [seconds, expected] : cases) {
        EXPECT_EQ(DurationText(seconds, kPoint), expected) << seconds;
        EXPECT_EQ(DurationText(seconds, kComma), expected) << seconds << " with a comma";
    }
}

TEST(DurationTextTest, FillHelpersNeverCut) {
    EXPECT_EQ(FillZero("7", 2), "07");
    EXPECT_EQ(FillZero("123", 2), "123");
    EXPECT_EQ(FillZero("", 2), "00");
    EXPECT_EQ(FillZeroMilliSeconds("5", 2), "50");
    EXPECT_EQ(FillZeroMilliSeconds("125", 2), "125");
    EXPECT_EQ(FillZeroMilliSeconds("", 2), "00");
}

} // namespace
} // namespace zarvo
