#include "model/UserValue.h"

#include "model/Value.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using namespace korvanix::model;

namespace {

constexpr double kUntouched = -12345;
constexpr bool kRefused = false;

struct UserCase {
    const char* text;
    const char* unit;
    bool ok;
    double value;
};

void PrintTo(const UserCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" with unit \"" << c.unit << '"';
}

class ParseUserValueTest : public ::testing::TestWithParam<UserCase> {};

TEST_P(ParseUserValueTest, ReadsOrRefusesTheWholeText) {
    const UserCase& c = GetParam();
    double v = kUntouched;
    ASSERT_EQ(ParseUserValue(c.text, c.unit, v), c.ok);
    EXPECT_DOUBLE_EQ(v, c.ok ? c.value : kUntouched);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseUserValueTest,
    ::testing::Values(
        // The forms a Russian user types.
        UserCase{"1,5", "", true, 1.5}, UserCase{"1.5", "", true, 1.5},
        UserCase{"1 k", "", true, 1000}, UserCase{"1к", "", true, 1000},
        UserCase{"1kОм", "Ом", true, 1000}, UserCase{"  2,2 к  ", "", true, 2200},
        UserCase{"-1,5", "", true, -1.5}, UserCase{"+2", "", true, 2},
        UserCase{",5", "", true, 0.5}, UserCase{"-.5m", "", true, -5e-4},
        UserCase{"1e3", "", true, 1000}, UserCase{"1E3", "", true, 1000},
        UserCase{"2,2e-6", "", true, 2.2e-6}, UserCase{"1e-3m", "", true, 1e-6},
        // ParseValue's prefixes with their case: m milli, M mega, in both alphabets.
        UserCase{"1 м", "", true, 1e-3}, UserCase{"1m", "", true, 1e-3},
        UserCase{"1М", "", true, 1e6}, UserCase{"1M", "", true, 1e6},
        UserCase{"10мк", "", true, 1e-5}, UserCase{"10u", "", true, 1e-5},
        UserCase{"3Г", "", true, 3e9}, UserCase{"7н", "", true, 7e-9},
        UserCase{"7p", "", true, 7e-12},
        // The unit of the parameter, after the number or the prefix; the labels of the
        // sheet show values as "4.7 кОм".
        UserCase{"1 Ом", "Ом", true, 1}, UserCase{"4.7 кОм", "Ом", true, 4700},
        UserCase{"10 мкФ", "Ф", true, 1e-5}, UserCase{"2мс", "с", true, 2e-3},
        UserCase{"50 %", "%", true, 50}, UserCase{"1В/В", "В/В", true, 1},
        UserCase{"2.5e13 Ом", "Ом", true, 2.5e13},
        // Units that begin with a prefix letter stay units.
        UserCase{"1Гн", "Гн", true, 1}, UserCase{"1мГн", "Гн", true, 1e-3},
        UserCase{"1Гц", "Гц", true, 1}, UserCase{"1ГГц", "Гц", true, 1e9},
        // Anything left over refuses the text instead of being dropped.
        UserCase{"1 x", "", kRefused, 0}, UserCase{"1.5.2", "", kRefused, 0},
        UserCase{"1,5,2", "", kRefused, 0}, UserCase{"1.5,2", "", kRefused, 0},
        UserCase{"1 000", "", kRefused, 0}, UserCase{"0x10", "", kRefused, 0},
        UserCase{"1e", "", kRefused, 0}, UserCase{"1 e3", "", kRefused, 0},
        UserCase{"1kk", "", kRefused, 0}, UserCase{"1 к Ом", "Ом", kRefused, 0},
        UserCase{"1Ом", "", kRefused, 0}, UserCase{"1Ф", "Ом", kRefused, 0},
        UserCase{"1 ом", "Ом", kRefused, 0}, UserCase{"1ОмОм", "Ом", kRefused, 0},
        UserCase{"1Гнн", "Гн", kRefused, 0},
        // Not prefixes for ParseValue either.
        UserCase{"4.7K", "", kRefused, 0}, UserCase{"10µ", "", kRefused, 0},
        UserCase{"10мкм", "", kRefused, 0},
        // No number, or an unfinished one.
        UserCase{"", "", kRefused, 0}, UserCase{"   ", "", kRefused, 0},
        UserCase{"k", "", kRefused, 0}, UserCase{"Ом", "Ом", kRefused, 0},
        UserCase{"5.", "", kRefused, 0}, UserCase{"5,", "", kRefused, 0},
        UserCase{"-", "", kRefused, 0}, UserCase{"- 1", "", kRefused, 0},
        UserCase{"--1", "", kRefused, 0}, UserCase{"inf", "", kRefused, 0},
        UserCase{"nan", "", kRefused, 0},
        // Numbers a double cannot hold, rather than an infinity or a quiet 0.
        UserCase{"1e400", "", kRefused, 0}, UserCase{"1e308k", "", kRefused, 0},
        UserCase{"1e-400", "", kRefused, 0}));

// What the fields show is FormatValue's text: reading it back must give exactly what
// ParseValue gives, whatever the prefix alphabet or the exponent form.
TEST(ParseUserValue, ReadsEveryShownValueAsParseValueDoes) {
    const double values[] = {0,      1,       -1,      1.0 / 3,      4700,   -2.2e-11,
                             1e-5,   0.05,    0.1,     999.999,      1e12,   2.5e13,
                             3e-15,  -1e-30,  1e300,   123456789012, 1.5e-9, 7e-13,
                             6.02e8, 314.159, 0.00271, -9.99e9};
    for (double value : values) {
        for (PrefixStyle style : {kLatin, kCyrillic}) {
            const std::string text = FormatValue(value, 12, style, false);
            double expected = 0, read = 0;
            ASSERT_TRUE(ParseValue(text, expected)) << text;
            ASSERT_TRUE(ParseUserValue(text, "Ом", read)) << text;
            EXPECT_EQ(read, expected) << text;
            // And as the sheet labels show it: spaced, with the unit.
            const std::string label = FormatValue(value, 12, style, true) + "Ом";
            ASSERT_TRUE(ParseUserValue(label, "Ом", read)) << label;
            EXPECT_EQ(read, expected) << label;
        }
    }
}

} // namespace
