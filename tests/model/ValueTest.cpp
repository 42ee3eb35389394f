#include "model/Value.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

using namespace korvanix::model;

namespace {

struct ParseCase {
    const char* text;
    bool ok;
    double value;
};

class ParseValueTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseValueTest, ReadsOrRejects) {
    const ParseCase& c = GetParam();
    double v = -12345;
    EXPECT_EQ(ParseValue(c.text, v), c.ok) << c.text;
    if (c.ok) {
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseValueTest,
    ::testing::Values(
        ParseCase{"4.7k", true, 4700}, ParseCase{"4.7к", true, 4700}, ParseCase{"4.7K", false, 0},
        ParseCase{"10мк", true, 1e-5}, ParseCase{"10u", true, 1e-5}, ParseCase{"10U", false, 0},
        ParseCase{"10µ", false, 0}, ParseCase{"10мкм", false, 0}, ParseCase{"1abcde", false, 0},
        ParseCase{"1abcd", false, 0}, ParseCase{"k", false, 0}, ParseCase{"", false, 0},
        ParseCase{"   ", false, 0}, ParseCase{"5.", false, 0}, ParseCase{"1e3", true, 1000},
        ParseCase{"-5", true, -5}, ParseCase{"+2.5", true, 2.5}, ParseCase{"1e-3m", true, 1e-6},
        ParseCase{"  22p  ", true, 22e-12}, ParseCase{"1.5 k", true, 1.5},
        ParseCase{"3G", true, 3e9}, ParseCase{"3Г", true, 3e9}, ParseCase{"2M", true, 2e6},
        ParseCase{"2М", true, 2e6}, ParseCase{"7n", true, 7e-9}, ParseCase{"7н", true, 7e-9},
        ParseCase{"7п", true, 7e-12}, ParseCase{"7м", true, 7e-3},
        ParseCase{"0.3e-14", true, 3e-15}, ParseCase{"1.5e15", true, 1.5e15},
        ParseCase{"abc5", false, 0}, ParseCase{"-.5m", true, -5e-4},
        // Overflow is no value a circuit can hold.
        ParseCase{"1e999", false, 0}, ParseCase{"1e400k", false, 0},
        // The token is cut at 25 characters: the digits after the cut are lost.
        ParseCase{"1000000000000000000000000123", true, 1e24}));

struct FormatCase {
    double value;
    int digits;
    PrefixStyle style;
    bool spaced;
    const char* text;
};

class FormatValueTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatValueTest, Prints) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatValue(c.value, c.digits, c.style, c.spaced), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatValueTest,
    ::testing::Values(
        FormatCase{4700, 4, kLatin, false, "4.7k"}, FormatCase{1e-6, 4, kLatin, false, "1u"},
        FormatCase{2.2e-11, 4, kLatin, false, "22p"},
        FormatCase{1.5e15, 4, kLatin, false, "1.5e15"}, FormatCase{150, 4, kLatin, false, "150"},
        FormatCase{0, 4, kLatin, false, "0"}, FormatCase{0.1, 4, kLatin, false, "0.1"},
        FormatCase{0.05, 4, kLatin, false, "50m"}, FormatCase{0.5, 4, kLatin, false, "0.5"},
        FormatCase{2e-15, 4, kLatin, false, "0.2e-14"},
        FormatCase{3e-15, 4, kLatin, false, "0.3e-14"},
        FormatCase{2.5e13, 4, kLatin, false, "2.5e13"}, FormatCase{1e12, 4, kLatin, false, "1e12"},
        FormatCase{-4700, 4, kLatin, false, "-4.7k"}, FormatCase{1e-5, 4, kCyrillic, false, "10мк"},
        FormatCase{4700, 4, kCyrillic, true, "4.7 к"}, FormatCase{150, 4, kCyrillic, true, "150 "},
        FormatCase{2.5e13, 4, kCyrillic, true, "2.5e13 "},
        FormatCase{3.3e9, 4, kCyrillic, false, "3.3Г"}, FormatCase{2e6, 4, kCyrillic, false, "2М"},
        FormatCase{5e-9, 4, kCyrillic, false, "5н"}, FormatCase{5e-12, 4, kCyrillic, false, "5п"},
        FormatCase{0.012345678, 4, kLatin, false, "12.35m"},
        FormatCase{123456789012.0, 12, kLatin, false, "123.456789012G"},
        FormatCase{NAN, 4, kLatin, false, "Bad number"}));

TEST(FormatValue, TwelveDigitTextReadsBackToTheSameValue) {
    const double values[] = {4700,
                             1e-5,
                             2.2e-11,
                             1.5e15,
                             3e-15,
                             -0.5,
                             0.1,
                             123.456789012,
                             9.99999999999e11,
                             1e12,
                             1.23456789012e-13,
                             6.02214076e23,
                             1.0 / 3.0,
                             2.0 / 3.0 * 1e-7,
                             999.9999999999,
                             0};
    for (double v : values) {
        const std::string text = FormatValue(v, 12, kLatin, false);
        double back = 0;
        ASSERT_TRUE(ParseValue(text, back)) << text;
        // Twelve significant digits: the relative error is below 5e-12.
        EXPECT_NEAR(back, v, std::fabs(v) * 5e-12) << text;
    }
}

TEST(FormatValue, IgnoresTheUsersDecimalComma) {
    // A process may run under a locale whose decimal point is a comma.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(FormatValue(4700, 4, kLatin, false), "4.7k");
    double v = 0;
    EXPECT_TRUE(ParseValue("4.7k", v));
    EXPECT_DOUBLE_EQ(v, 4700);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

struct FieldCase {
    const char* line;
    int n;
    int maxLength;
    bool ok;
    const char* field;
};

TEST(GetField, CutsCommaSeparatedFields) {
    const FieldCase cases[] = {
        {"R1,1,0,4.7k", 2, 50, true, "1"}, {"R1,1,0,4.7k", 4, 50, true, "4.7k"},
        {"R1,1,0,4.7k", 5, 50, false, ""}, {"R1,1,,4.7k", 3, 50, true, ""},
        {"R1,1,0,", 4, 50, true, ""},      {"R1,12345", 2, 5, false, ""},
        {"R1,1234", 2, 5, true, "1234"},   {"R1,мкмк", 2, 5, true, "мкмк"},
        {"R1,мкмкм", 2, 5, false, ""},
    };
    for (const FieldCase& c : cases) {
        std::string field = "unchanged";
        EXPECT_EQ(GetField(c.line, c.n, field, c.maxLength), c.ok) << c.line << " #" << c.n;
        if (c.ok) {
            EXPECT_EQ(field, c.field);
        }
    }
}

TEST(ParseValueField, CombinesFieldAndValue) {
    double v = 0;
    EXPECT_TRUE(ParseValueField("C1,1,0,10u,2", 4, v));
    EXPECT_DOUBLE_EQ(v, 1e-5);
    EXPECT_TRUE(ParseValueField("C1,1,0,10u,2", 5, v));
    EXPECT_DOUBLE_EQ(v, 2);
    EXPECT_FALSE(ParseValueField("C1,1,0,10u", 5, v));
    EXPECT_FALSE(ParseValueField("C1,1,0,x", 4, v));
    EXPECT_FALSE(ParseValueField("C1,1,0," + std::string(50, '1'), 4, v));
}

} // namespace
