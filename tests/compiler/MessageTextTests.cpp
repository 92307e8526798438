// Shortening of message texts and the escaping of box lines.
#include "BoundedText.h"
#include "EscapedText.h"

#include <gtest/gtest.h>

TEST(MessageText, FitsTheVariablePartAndMarksTheCut)
{
    EXPECT_EQ(FitMessage("a", "bc", "d", 10), "abcd");
    EXPECT_EQ(FitMessage("[", std::string(20, 'x'), "]", 10), "[xxxxx...]");
    std::string long1 = FitMessage("head ", std::string(1000, 'x'), " tail");
    EXPECT_EQ(long1.size(), 255u);
    EXPECT_EQ(long1.substr(long1.size() - 8), "... tail");
    // With no room for the variable part, the whole is cut to a prefix.
    EXPECT_EQ(FitMessage(std::string(8, 'h'), "vv", std::string(8, 't'), 10), "hhhhhhhhvv");
    EXPECT_EQ(FitMessage(std::string(8, 'h'), "vvv", std::string(8, 't'), 10), "hhhhhhhhvv");
}

#ifndef _WIN32
TEST(MessageText, NeverSplitsAUtf8Character)
{
    std::string accented;
    for (int i = 0; i < 10; ++i)
        accented += "\xC3\xA9";
    EXPECT_EQ(CharacterBoundary(accented, 5), 4u);
    EXPECT_EQ(CharacterBoundary(accented, 6), 6u);
    EXPECT_EQ(CharacterBoundary(std::string(10, '\x80'), 5), 5u); // not UTF-8: plain cut
    EXPECT_EQ(FitMessage("", accented, "", 8), "\xC3\xA9\xC3\xA9...");
}
#endif

TEST(MessageText, EscapesBackslashAndControlBytesOnly)
{
    EXPECT_EQ(EscapeControlBytes("a\\b\r\n\t\x01\x1F\x7F \xE9~"), "a\\\\b\\r\\n\\t\\x01\\x1F\\x7F \xE9~");
}
