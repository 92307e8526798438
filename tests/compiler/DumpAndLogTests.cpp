// The Dump listing, the debug copy outputTest.bin and where Log lines go.
#include "CompilerTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
void SetDumpDir(const std::string& dir)
{
#ifdef _WIN32
    _putenv_s("QUILLMOOR_DUMP_DIR", dir.c_str());
#else
    setenv("QUILLMOOR_DUMP_DIR", dir.c_str(), 1);
#endif
}

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

class DumpTest : public CompilerTest {
protected:
    void TearDown() override
    {
        SetDumpDir("");
        CompilerTest::TearDown();
    }
};
} // namespace

TEST_F(DumpTest, DumpListsEveryTableThenTheDebugCopy)
{
    SetDumpDir(".");
    EXPECT_TRUE(parser.Compile("<a> exported = x {L} <d>;\n<d> imported;\n", true));
    const std::vector<std::string> expected = {
        "Dumping GramParser Object ...",
        "Known Rules:", "   a 1", "   d 2",
        "Known Lists:", "   L 1",
        "Known Words:", "   x 1",
        "Export Rules:", "   a 1",
        "Import Rules:", "   d 2",
        "Rule Defines:", "   a 1:", "      1 1", "      3 1", "      6 1", "      4 2", "      2 1",
        "\r\nPacked bytes written to outputTest.bin",
    };
    EXPECT_EQ(logLines, expected);
    EXPECT_EQ(ReadFile("./outputTest.bin"), parser.packed);
    std::remove("./outputTest.bin");
}

TEST_F(DumpTest, NothingIsLoggedOrWrittenWithoutDump)
{
    SetDumpDir("no-such-folder-for-quillmoor");
    EXPECT_TRUE(parser.Compile("<a> = x;\n", false));
    EXPECT_TRUE(logLines.empty());
}

TEST_F(DumpTest, AnUnwritableDebugCopyIsReportedAndTheGrammarStands)
{
    SetDumpDir("no-such-folder-for-quillmoor");
    EXPECT_TRUE(parser.Compile("<a> = x;\n", true));
    EXPECT_EQ(parser.packed.size(), 8u + 8 + 12 + 8 + 8 + 8);
    ASSERT_FALSE(logLines.empty());
    const std::string prefix = "\r\nCould not write outputTest.bin (no-such-folder-for-quillmoor";
    EXPECT_EQ(logLines.back().substr(0, prefix.size()), prefix);
    EXPECT_EQ(logLines.size(), 9u); // the listing is still complete
}

TEST_F(DumpTest, LongNamesAreShortenedButKeepTheirIds)
{
    SetDumpDir(".");
    const std::string word(400, 'w');
    EXPECT_TRUE(parser.Compile("<" + std::string(300, 'r') + "> = " + word + ";\n", true));
    std::remove("./outputTest.bin");
    ASSERT_GE(logLines.size(), 5u);
    for (const std::string& line : logLines)
        EXPECT_LE(line.size(), 255u);
    EXPECT_EQ(logLines[2].substr(logLines[2].size() - 5), "... 1");
    EXPECT_EQ(logLines[2].substr(0, 8), "   rrrrr");
    EXPECT_EQ(logLines[4].substr(logLines[4].size() - 5), "... 1");
}

#ifdef _WIN32
TEST_F(CompilerTest, LogAppendsEachLineToTheEditControl)
{
    HWND edit = CreateWindowExW(0, L"EDIT", L"earlier text", WS_POPUP | ES_MULTILINE, 0, 0, 300, 200,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    parser.logWindow = edit;
    EXPECT_FALSE(parser.Compile("<a> = x;\n<a> = y;\n", false));
    char text[256] = {};
    GetWindowTextA(edit, text, sizeof text);
    std::string shown(text);
    shown.erase(std::remove(shown.begin(), shown.end(), '\r'), shown.end());
    EXPECT_EQ(shown, "earlier textParseRules() failed. Compile terminated.\n");
    EXPECT_EQ(logLines.size(), 1u); // the handler still sees it
    DestroyWindow(edit);
}
#endif
