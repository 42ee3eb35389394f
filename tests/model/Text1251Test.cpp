#include "model/Text1251.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iconv.h>
#include <string>

using namespace korvanix::model;

namespace {

// glibc's converter serves as an independent table for the code page.
std::string IconvTo1251(const std::string& utf8) {
    iconv_t cd = iconv_open("CP1251", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return "<no iconv>";
    std::string in = utf8;
    std::string out(in.size() * 2 + 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    const size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1))
        return "<error>";
    out.resize(out.size() - ol);
    return out;
}

TEST(Text1251, EveryByteExceptTheUnassignedOneMatchesTheSystemTable) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98)
            continue;
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = Cp1251ToUtf8(byte);
        EXPECT_EQ(IconvTo1251(utf8), byte) << "byte " << b;
        EXPECT_EQ(Utf8ToCp1251(utf8), byte) << "byte " << b;
    }
}

TEST(Text1251, AnyByteStringSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Text1251, UnmappableAndInvalidInputBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1251("a\xE4\xB8\xAD"
                           "b"),
              "a?b"); // a CJK character
    EXPECT_EQ(Utf8ToCp1251("a\xFF"
                           "b"),
              "a?b");                     // not UTF-8 at all
    EXPECT_EQ(Utf8ToCp1251("\xD0"), "?"); // cut sequence
    EXPECT_EQ(Utf8ToCp1251("\xC0\x80"), "?"
                                        "?"); // overlong zero
}

TEST(Text1251, CountsCharactersNotBytes) {
    EXPECT_EQ(Utf8Length("Узел 12"), 7u);
    EXPECT_EQ(Utf8Left("Узел 12", 3), "Узе");
    EXPECT_EQ(Utf8Left("ab", 5), "ab");
}

TEST(Text1251, FixedFieldsKeepTheTerminator) {
    char field[10];
    WriteFixedCp1251("Узел 12", field, sizeof field);
    EXPECT_EQ(std::string(field, 7), Utf8ToCp1251("Узел 12"));
    EXPECT_EQ(field[7], '\0');
    EXPECT_EQ(ReadFixedCp1251(field, sizeof field), "Узел 12");

    WriteFixedCp1251("0123456789AB", field, sizeof field);
    EXPECT_EQ(field[9], '\0');
    EXPECT_EQ(ReadFixedCp1251(field, sizeof field), "012345678");

    const char unterminated[3] = {'a', 'b', 'c'};
    EXPECT_EQ(ReadFixedCp1251(unterminated, 3), "abc");
}

TEST(Text1251, NamesEachCharacterWithoutACodeOnceInOrder) {
    struct Case {
        const char* utf8;
        std::u32string missing;
    };
    const Case cases[] = {
        {"Вход 1 — №5 €", U""}, // Cyrillic, the dash, the numero and the euro all have codes
        {"R = 5 Ω €", U"Ω"},
        {"Ω½Ωα½", U"Ω½α"},
        {"\xF0\x9F\x98\x80", U"\U0001F600"}, // beyond the 16-bit range
        {"a\xFF"
         "b\xFE",
         U"\uFFFD"}, // bytes that are not UTF-8, named once
        {"", U""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Without1251Code(c.utf8), c.missing);
        // Empty exactly when the conversion keeps every character.
        EXPECT_EQ(Without1251Code(c.utf8).empty(),
                  Cp1251ToUtf8(Utf8ToCp1251(c.utf8)) == std::string(c.utf8));
    }
}

} // namespace
