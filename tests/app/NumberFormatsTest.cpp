#include "app/NumberFormats.h"

#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quenthal {
namespace {

struct TFormatCase {
    double dValue;
    int iPrecision;  // 0: the shortest general form
    int iDigits;
    const char* szDot;
    const char* szComma;
};

// General(x) and General(x, p, d).
TEST(NumberFormatsTest, GeneralForm) {
    const TFormatCase cases[] = {
        {1000, 0, 0, "1000", "1000"},
        {12460, 0, 0, "12460", "12460"},
        {0.5, 0, 0, "0.5", "0,5"},
        {double{0.1f}, 0, 0, "0.100000001490116", "0,100000001490116"},  // a float's digits
        {double{123.4f}, 0, 0, "123.400001525879", "123,400001525879"},
        {-6.0206, 3, 3, "-6.02", "-6,02"},
        {-100, 3, 3, "-100", "-100"},
        {1000, 5, 5, "1000", "1000"},
        {1234.5678, 5, 5, "1234.6", "1234,6"},
        {0, 0, 0, "0", "0"},
        {-0.0, 0, 0, "0", "0"},
        {0.0001, 0, 0, "0.0001", "0,0001"},
        {0.00001, 0, 0, "1E-5", "1E-5"},
        {1.5e-7, 0, 0, "1.5E-7", "1,5E-7"},
        {1e20, 0, 0, "1E20", "1E20"},
        {123456, 5, 5, "1.2346E0005", "1,2346E0005"},  // at most 4 exponent digits
        {123456, 5, 2, "1.2346E05", "1,2346E05"},
        {999999999999999.9, 0, 0, "1E15", "1E15"},        // rounding adds a digit
        {99999.5, 5, 5, "1E0005", "1E0005"},
        {-5e-324, 0, 0, "-4.94065645841247E-324", "-4,94065645841247E-324"},
    };
    for (const auto& c : cases) {
        const bool shortest = c.iPrecision == 0;
        EXPECT_EQ(shortest ? FormatGeneral(c.dValue, ".") : FormatGeneral(c.dValue, c.iPrecision, c.iDigits, "."),
                  c.szDot)
            << c.dValue;
        EXPECT_EQ(shortest ? FormatGeneral(c.dValue, ",") : FormatGeneral(c.dValue, c.iPrecision, c.iDigits, ","),
                  c.szComma)
            << c.dValue;
    }
}

TEST(NumberFormatsTest, FixedForm) {
    const TFormatCase cases[] = {
        {-6.0206, 4, 1, "-6.0", "-6,0"},        // sine list dB
        {-10, 3, 1, "-10.0", "-10,0"},          // master display at position 100
        {21.333333, 4, 1, "21.3", "21,3"},      // 1 frame of 1024 at 48 kHz, ms
        {4597.55, 4, 1, "4598.0", "4598,0"},    // rounded to four digits, one decimal shown
        {707.1068, 5, 0, "707", "707"},
        {-3.8066, 5, 1, "-3.8", "-3,8"},
        {12345.6, 4, 1, "1.235E4", "1,235E4"},  // more than p digits before the point
        {0.04, 5, 1, "0.0", "0,0"},
        {-0.04, 5, 1, "0.0", "0,0"},            // no negative zero
        {0.06, 5, 1, "0.1", "0,1"},
        {0.6, 5, 0, "1", "1"},
        {9.96, 3, 1, "10.0", "10,0"},
        {0.5, 5, 0, "0", "0"},                  // exact halves go to the even digit
        {1.5, 5, 0, "2", "2"},
        {2.5, 5, 0, "2", "2"},
        {0.125, 5, 2, "0.12", "0,12"},
        {0.375, 5, 2, "0.38", "0,38"},
        {1.005, 5, 2, "1.00", "1,00"},          // 1.00499999999999989... is below the half
        {-90, 3, 0, "-90", "-90"},
        {0, 3, 1, "0.0", "0,0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFixed(c.dValue, c.iPrecision, c.iDigits, "."), c.szDot) << c.dValue;
        EXPECT_EQ(FormatFixed(c.dValue, c.iPrecision, c.iDigits, ","), c.szComma) << c.dValue;
    }
}

TEST(NumberFormatsTest, NonFiniteValues) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FormatGeneral(-inf, "."), "-INF");
    EXPECT_EQ(FormatFixed(inf, 4, 1, "."), "INF");
    EXPECT_EQ(FormatGeneral(std::nan(""), 3, 3, "."), "NAN");
}

TEST(NumberFormatsTest, UsesTheUserDecimalSeparator) {
    TScopedUserLocale german({",", 0x0407});
    EXPECT_EQ(FormatFixed(-10, 3, 1), "-10,0");
    EXPECT_EQ(FormatGeneral(double{0.1f}), "0,100000001490116");
    EXPECT_EQ(ParseFloat("1,5"), 1.5);
    EXPECT_EQ(ParseFloat("1.5"), std::nullopt);
}

TEST(NumberFormatsTest, ParsesWhatAUserTypes) {
    struct TParseCase {
        const char* szText;
        const char* szSeparator;
        std::optional<double> value;
    };
    const TParseCase cases[] = {
        {"500", ".", 500.0},  {" -3.5 ", ".", -3.5}, {"+.5", ".", 0.5},     {"5.", ".", 5.0},
        {"1E3", ".", 1000.0}, {"1,5e-2", ",", 0.015}, {"1e-400", ".", 0.0},  {"123.4", ".", 123.4},
        {"", ".", std::nullopt},     {" ", ".", std::nullopt},    {".", ".", std::nullopt},
        {"-", ".", std::nullopt},    {"1e", ".", std::nullopt},   {"1e+", ".", std::nullopt},
        {"1,000.5", ".", std::nullopt}, {"1.5", ",", std::nullopt}, {"0x10", ".", std::nullopt},
        {"INF", ".", std::nullopt},  {"NAN", ".", std::nullopt},  {"1e400", ".", std::nullopt},
        {"12abc", ".", std::nullopt}, {"1.2.3", ".", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseFloat(c.szText, c.szSeparator), c.value) << '"' << c.szText << '"';
}

TEST(NumberFormatsTest, ShortestFormReadsBackToTheSameFloat) {
    for (const float value : {123.4f, 0.1f, 0.501187205f, 1e-30f, 3.4028235e38f, -7.25f}) {
        const auto back = ParseFloat(FormatGeneral(double{value}, ","), ",");
        ASSERT_TRUE(back);
        EXPECT_EQ(static_cast<float>(*back), value);
    }
}

}  // namespace
}  // namespace quenthal
