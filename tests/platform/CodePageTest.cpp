#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace folio {
namespace {

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string utf8 = Cp1252ToUtf8(all);
    const auto back = Utf8ToCp1252(utf8);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(CodePage, KnownLetters) {
    struct Case {
        std::string cp1252;
        std::string utf8;
    } cases[] = {
        {"\x80", "\xE2\x82\xAC"},  // euro sign
        {"\xE9", "\xC3\xA9"},      // e acute
        {"\x9F", "\xC5\xB8"},      // Y diaeresis
        {"\x81", "\xC2\x81"},      // undefined byte: the C1 control of that value
        {"\x9D", "\xC2\x9D"},     {"\x93quote\x94", "\xE2\x80\x9Cquote\xE2\x80\x9D"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8);
        EXPECT_EQ(Utf8ToCp1252(c.utf8).value_or("?"), c.cp1252);
    }
}

TEST(CodePage, RefusesWhatWindows1252CannotHoldAndMalformedUtf8) {
    struct Case {
        const char* what;
        std::string utf8;
        std::size_t offset;
    } cases[] = {
        {"a CJK letter", "ab\xE4\xB8\xAD", 2},
        {"a C1 control Windows-1252 uses for a letter", "\xC2\x80", 0},
        {"an emoji", "x\xF0\x9F\x98\x80", 1},
        {"a lone continuation byte", "ok\x80", 2},
        {"a truncated sequence", "\xC3", 0},
        {"an overlong slash", "\xC0\xAF", 0},
    };
    for (const Case& c : cases) {
        std::size_t at = 99;
        EXPECT_FALSE(Utf8ToCp1252(c.utf8, &at).has_value()) << c.what;
        EXPECT_EQ(at, c.offset) << c.what;
    }
}

TEST(CodePage, CompareNoCase) {
    EXPECT_EQ(CompareNoCase("Index", "index"), 0);
    EXPECT_LT(CompareNoCase("apple", "Banana"), 0);
    EXPECT_GT(CompareNoCase("b", "A"), 0);
    EXPECT_LT(CompareNoCase("ab", "abc"), 0);
    EXPECT_EQ(CompareNoCase("\xC9T\xC9", "\xE9t\xE9"), 0);
    EXPECT_EQ(CompareNoCase("\x8A", "\x9A"), 0);
}

}  // namespace
}  // namespace folio
