#include <gtest/gtest.h>

#include <QLocale>
#include <clocale>
#include <cmath>
#include <limits>
#include <utility>

#include "settings/number_format.h"

namespace kalvora {
namespace {

struct GeneralCase {
    double value;
    int digits;
    const char* text;
};

TEST(NumberFormat, GeneralFormatsMatchThePageTexts)
{
    const GeneralCase cases[] = {
        {3072, 15, "3072"},
        {4096.0 / 3.0, 15, "1365.33333333333"},
        {static_cast<double>(2.2f), 15, "2.20000004768372"},
        {2.4375, 3, "2.44"},
        {16.0 / 9.0, 3, "1.78"},
        {3, 3, "3"},
        {2.4, 3, "2.4"},
        {24.375, 5, "24.375"},
        {30, 5, "30"},
        {33.75, 5, "33.75"},
        {31.640625, 5, "31.641"},
        {3.1640625, 3, "3.16"},
        {23.75, 3, "23.8"},      // a tie rounds away from zero
        {0.125, 2, "0.13"},
        {-2.5, 1, "-3"},
        {999.96, 4, "1000"},     // the carry adds a digit
        {0, 15, "0"},
        {-0.0, 3, "0"},
        {0.00123456, 3, "0.00123"},
        {0.0000123456, 3, "1.23E-5"},
        {1e20, 15, "1E20"},
        {-1365.5, 15, "-1365.5"},
        {std::numeric_limits<double>::quiet_NaN(), 15, "NAN"},
        {std::numeric_limits<double>::infinity(), 15, "INF"},
        {-std::numeric_limits<double>::infinity(), 3, "-INF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatGeneral(c.value, c.digits).toStdString(), c.text) << c.value << " G" << c.digits;
}

// A stored single shows in the fewest digits that read back as that single, and the text always
// reads back to it.
TEST(NumberFormat, FloatsShowTheirShortestExactText)
{
    const std::pair<float, const char*> cases[] = {
        {2.2f, "2.2"},        {1.0f, "1"},          {5.0f, "5"},       {2.25f, "2.25"},
        {0.1f, "0.1"},        {-0.1f, "-0.1"},      {12.3f, "12.3"},   {16777216.0f, "16777216"},
        {1.0f / 3.0f, "0.33333334"},  {-1.2345e-5f, "-1.2345E-5"},  {0.0f, "0"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(FormatFloat(value).toStdString(), text) << value;
        double back = 0;
        ASSERT_TRUE(ParseDecimal(FormatFloat(value), back)) << text;
        EXPECT_EQ(static_cast<float>(back), value) << text;
    }
    // Neighbouring singles keep distinct texts.
    const float next = std::nextafter(2.2f, 3.0f);
    EXPECT_NE(FormatFloat(next), FormatFloat(2.2f));
}

TEST(NumberFormat, FixedOneDecimal)
{
    const std::pair<double, const char*> cases[] = {
        {2.2, "2.2"}, {static_cast<double>(2.2f), "2.2"}, {2.25, "2.3"}, {5, "5.0"}, {0.04, "0.0"},
        {0.05, "0.1"}, {9.96, "10.0"}, {-1.25, "-1.3"}, {-0.04, "0.0"}, {0, "0.0"}, {1234.56, "1234.6"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatF1(value).toStdString(), text) << value;
}

TEST(NumberFormat, TextsDoNotFollowTheProcessLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string savedC = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // may not be installed; the Qt default still is German
    EXPECT_EQ(FormatG15(4096.0 / 3.0), "1365.33333333333");
    EXPECT_EQ(FormatF1(2.2), "2.2");
    double v = 0;
    // Both separators read the same in any locale; a German group separator is no separator.
    EXPECT_TRUE(ParseDecimal("2.5", v));
    EXPECT_EQ(v, 2.5);
    EXPECT_TRUE(ParseDecimal("2,5", v));
    EXPECT_EQ(v, 2.5);
    EXPECT_FALSE(ParseDecimal("1.000,5", v));
    std::setlocale(LC_NUMERIC, savedC.c_str());
    QLocale::setDefault(saved);
}

TEST(NumberFormat, ParsesOnlyFiniteNumbers)
{
    // A point or a comma is the decimal separator, one of them, once.
    const std::pair<const char*, double> good[] = {{"30", 30},   {" 2.5 ", 2.5}, {"1e3", 1000}, {"-4", -4},
                                                   {"0", 0},     {"1,5", 1.5},   {" 2,5 ", 2.5}, {"-0,3", -0.3},
                                                   {"1,000", 1}, {",5", 0.5}};
    for (const auto& [text, value] : good) {
        double v = -1;
        EXPECT_TRUE(ParseDecimal(text, v)) << text;
        EXPECT_EQ(v, value) << text;
    }
    for (const char* text : {"abc", "", " ", "1.000,5", "1,000.5", "2,5,0", "2.5.0", "2;5", ",", "inf", "nan", "1e999",
                             "3x", "--1"}) {
        double v = 7;
        EXPECT_FALSE(ParseDecimal(text, v)) << text;
        EXPECT_EQ(v, 7) << "a refused text leaves the value alone: " << text;
    }
    int i = 0;
    EXPECT_TRUE(ParseInteger(" 384 ", i));
    EXPECT_EQ(i, 384);
    for (const char* text : {"38.4", "abc", "", "99999999999", "1e2"}) EXPECT_FALSE(ParseInteger(text, i)) << text;
}

TEST(NumberFormat, TruncationTowardZeroNeverOverflows)
{
    EXPECT_EQ(TruncateToInteger(2.9), 2);
    EXPECT_EQ(TruncateToInteger(-2.9), -2);
    EXPECT_EQ(TruncateToInteger(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(TruncateToInteger(1e300), std::numeric_limits<long long>::max());
    EXPECT_EQ(TruncateToInteger(-std::numeric_limits<double>::infinity()), std::numeric_limits<long long>::min());
}

}  // namespace
}  // namespace kalvora
