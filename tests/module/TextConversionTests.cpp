// Conversions between narrow texts and UTF-16, as used by boxes, the log, list words and
// the update check.
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
