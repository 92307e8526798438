// Conversions between narrow texts and UTF-16, as used by boxes, the log, list words and
// the update check.
#include "BstrText.h"
#include "TextConversion.h"

#include <gtest/gtest.h>

namespace {
constexpr UINT kWesternCodePage = 1252;
} // namespace

TEST(TextConversion, NullAndEmptyTextsComeOutEmpty)
{
    EXPECT_EQ(L"", WidenText(nullptr, CP_ACP));
    EXPECT_EQ(L"", WidenText("", CP_ACP));
    EXPECT_EQ(L"", WidenText("abc", 0, CP_ACP));
    EXPECT_EQ("", NarrowText(nullptr, CP_ACP));
    EXPECT_EQ("", NarrowText(L"", CP_ACP));
    EXPECT_EQ("", NarrowText(L"abc", 0, CP_ACP));
}

TEST(TextConversion, CountedTextsStopAtTheCountAndKeepInnerNuls)
{
    EXPECT_EQ(L"abc", WidenText("abcdef", 3, CP_UTF8));
    EXPECT_EQ(std::wstring(L"ab\0cd", 5), WidenText("ab\0cd", 5, CP_UTF8));
    EXPECT_EQ(L"ab", WidenText("ab\0cd", CP_UTF8)); // a terminated text ends at its NUL
    EXPECT_EQ("wor", NarrowText(L"word", 3, CP_UTF8));
    EXPECT_EQ(std::string("a\0b", 3), NarrowText(L"a\0b", 3, CP_UTF8));
}

TEST(TextConversion, TheNamedCodePageIsUsedBothWays)
{
    EXPECT_EQ(L"caf\u00e9", WidenText("caf\xe9", kWesternCodePage));
    EXPECT_EQ("caf\xe9", NarrowText(L"caf\u00e9", kWesternCodePage));
    EXPECT_EQ(L"caf\u00e9", WidenText("caf\xc3\xa9", CP_UTF8));
    EXPECT_EQ("caf\xc3\xa9", NarrowText(L"caf\u00e9", CP_UTF8));
}

TEST(TextConversion, CharactersTheCodePageLacksAreReplacedNotDropped)
{
    EXPECT_EQ(L"a\ufffdb", WidenText("a\xff" "b", CP_UTF8));
    EXPECT_EQ("a?b", NarrowText(L"a\u4e2db", kWesternCodePage));
}

// A BSTR made inside the object (short texts) and one allocated (longer texts) read alike:
// the same characters and the same length before them.
TEST(TextConversion, BstrTextsOfEveryLengthCarryTheirLength)
{
    const std::string longest(63, 'r'), longer(64, 'r'), much(300, 'w');
    const struct {
        const char* text;
        UINT codePage;
        std::wstring expected;
    } cases[] = {
        {"", CP_UTF8, L""},
        {"7500", CP_UTF8, L"7500"},
        {"caf\xc3\xa9", CP_UTF8, L"caf\u00e9"},
        {"caf\xe9", kWesternCodePage, L"caf\u00e9"},
        {"a\xff" "b", CP_UTF8, L"a\ufffdb"},
        {longest.c_str(), CP_UTF8, std::wstring(63, L'r')},
        {longer.c_str(), CP_UTF8, std::wstring(64, L'r')},
        {much.c_str(), CP_UTF8, std::wstring(300, L'w')},
    };
    for (const auto& c : cases) {
        BstrText text(c.text, c.codePage);
        ASSERT_NE(nullptr, text.get()) << c.text;
        EXPECT_EQ(c.expected.size(), SysStringLen(text.get())) << c.text;
        EXPECT_EQ(c.expected, std::wstring(text.get())) << c.text;
    }
    EXPECT_EQ(nullptr, BstrText(nullptr, CP_UTF8).get());
}
