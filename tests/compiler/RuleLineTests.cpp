// Rule lines: heads, keywords, comments, syntax errors 1-10, OK and Cancel, duplicates, IDs.
#include "CompilerTestSupport.h"

namespace {
struct SyntaxCase {
    const char* line;
    const char* head; // with line 1
    const char* shown;
};

const char k1[] = "Missing line terminator ';' in line 1:\n\n>> ";
const char k2[] = "Missing rule delimiter '<' in line 1:\n\n>> ";
const char k3[] = "Non-empty character found before rule delimiter '<' in line 1:\n\n>> ";
const char k4[] = "Missing rule delimiter '>' in line 1:\n\n>> ";
const char k5[] = "Another rule delimiter '<' found before '>' in line 1:\n\n>> ";
const char k6[] = "Empty rule name found in line 1:\n\n>> ";
const char k7[] = "Illegal (non-alphabetic or empty) character found in line 1:\n\n>> ";
const char k8[] = "Keyword 'imported' not followed by line terminator in line 1:\n\n>> ";
const char k9[] = "Keyword 'exported' not followed by '=' in line 1:\n\n>> ";
const char k10[] = "None of the keywords (imported, exported, =) in line 1:\n\n>> ";

const SyntaxCase kSyntaxCases[] = {
    { "<a> = x", k1, "<a> = x" },
    { "<a> = x; ", k1, "<a> = x; " },
    { "<a> = x;\r", k1, "<a> = x;\r" },
    { "<a> = x; y;", k1, "<a> = x; y;" },
    { "   ", k1, "   " },
    { "  # only blanks before the comment", k1, "  " },
    { "<a> = x; #note", k1, "<a> = x; " },
    { "a> = x;", k2, "a> = x;" },
    { "\t<a> = x;", k3, "\t<a> = x;" },
    { "x <a> = y;", k3, "x <a> = y;" },
    { "<a = x;", k4, "<a = x;" },
    { "<<a> = x;", k5, "<<a> = x;" },
    { "<> = x;", k6, "<> = x;" },
    { "<a b> = x;", k7, "<a b> = x;" },
    { "<a > = x;", k7, "<a > = x;" },
    { "<a> imported x;", k8, "imported x;" },
    { "<a> exported x;", k9, "exported x;" },
    { "<a> exported;", k9, "exported;" },
    { "<a>=x;", k10, "=x;" },
    { "<a> exported=x;", k10, "exported=x;" },
    { "<a>  Imported;", k10, "Imported;" },
    { "<a>;", k10, ";" },
};
} // namespace

TEST_F(CompilerTest, EachSyntaxErrorShowsItsTextWithTheLineAndOkCancel)
{
    for (const SyntaxCase& c : kSyntaxCases) {
        boxes.clear();
        EXPECT_TRUE(parser.Compile(std::string(c.line) + "\n", false)) << c.line;
        ASSERT_EQ(boxes.size(), 1u) << c.line;
        EXPECT_EQ(boxes[0].text, std::string(c.head) + c.shown + kSyntaxTail) << c.line;
        EXPECT_EQ(boxes[0].caption, "Syntax Error");
        EXPECT_EQ(boxes[0].type, kBoxOkCancel);
        EXPECT_TRUE(parser.ruleDefines.empty()) << c.line;
        EXPECT_TRUE(parser.importRules.empty() && parser.exportRules.empty()) << c.line;
    }
}

TEST_F(CompilerTest, WellFormedHeadsCompileWithoutBoxes)
{
    const char* lines[] = {
        "<a> = x;", "<a> exported =x;", "<a> exported = x;", "   <a> = x;", "<a> = x;#note",
        "<1> = x;", "<a\tb> = x;", "<a> = = x;", "<a> exported ==x;",
    };
    for (const char* line : lines) {
        boxes.clear();
        EXPECT_TRUE(parser.Compile(std::string(line) + "\n", false)) << line;
        EXPECT_TRUE(boxes.empty()) << line;
        EXPECT_EQ(parser.ruleDefines.size(), 1u) << line;
    }
    EXPECT_EQ(parser.ruleDefines[0].name, "a");
    ASSERT_EQ(parser.exportRules.size(), 1u);
    EXPECT_EQ(parser.exportRules[0].name, "a");

    for (const char* line : { "<d> imported;", "<d>   imported   ;", "<d>imported;" }) {
        EXPECT_TRUE(parser.Compile(line, false)) << line;
        EXPECT_TRUE(boxes.empty()) << line;
        ASSERT_EQ(parser.importRules.size(), 1u) << line;
        EXPECT_EQ(parser.importRules[0].name, "d");
        EXPECT_TRUE(parser.ruleDefines.empty());
    }
}

TEST_F(CompilerTest, LineNumbersCountCommentAndEmptyLines)
{
    EXPECT_TRUE(parser.Compile("# comment\n\n<a> = x;\n<b> = y\n", false));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, std::string("Missing line terminator ';' in line 4:\n\n>> <b> = y") + kSyntaxTail);
}

TEST_F(CompilerTest, LinesEndAtLineFeedsAndAtTheFirstNulByte)
{
    std::string text("<a> = x;\0<ignored\n<b> = y;\n\n", 28);
    EXPECT_TRUE(parser.Compile(text, false));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(parser.lines.size(), 3u); // the final line feed adds no empty line
    EXPECT_EQ(parser.lines[0], "<a> = x;");
    EXPECT_EQ(parser.ruleDefines.size(), 2u);
}

TEST_F(CompilerTest, OkSkipsTheLineAndCancelKeepsTheRulesBefore)
{
    const std::string text = "<a> = w1;\n<b> = w2;\n<c> = w3\n<d> = w4;\n<e> = w5;\n";
    answer = kAnswerOk;
    EXPECT_TRUE(parser.Compile(text, false));
    ASSERT_EQ(parser.ruleDefines.size(), 4u);
    EXPECT_EQ(parser.ruleDefines[2].name, "d");
    std::vector<unsigned char> skipped = parser.packed;

    answer = kAnswerCancel;
    EXPECT_TRUE(parser.Compile(text, false));
    ASSERT_EQ(parser.ruleDefines.size(), 2u);
    EXPECT_EQ(parser.ruleDefines[1].name, "b");
    EXPECT_EQ(parser.knownWords.size(), 2u);
    EXPECT_FALSE(parser.packed.empty());
    EXPECT_LT(parser.packed.size(), skipped.size());
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(CompilerTest, DuplicateRulesEndTheCompilationWithoutAGrammar)
{
    struct { const char* text; const char* message; } cases[] = {
        { "<a> = x;\n<a> = y;\n", "rulename has already been defined" },
        { "<a> = x;\n<a> imported;\n", "rulename has already been defined" },
        { "<a> imported;\n<a> imported;\n", "rulename has already been defined as imported" },
        { "<a> imported;\n<a> exported = y;\n", "rulename has already been defined as imported" },
    };
    for (const auto& c : cases) {
        boxes.clear();
        logLines.clear();
        EXPECT_FALSE(parser.Compile(c.text, false)) << c.text;
        ASSERT_EQ(boxes.size(), 1u) << c.text;
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].caption, "Error");
        EXPECT_EQ(boxes[0].type, kBoxOk);
        EXPECT_TRUE(parser.packed.empty());
        EXPECT_EQ(logLines, std::vector<std::string>{ "ParseRules() failed. Compile terminated." });
    }
}

TEST_F(CompilerTest, ARuleKeepsTheIdItGotWhereItFirstAppeared)
{
    EXPECT_TRUE(parser.Compile("<a> exported = <b>;\n<b> = y;\n<c> imported;\n", false));
    ASSERT_EQ(parser.knownRules.size(), 3u);
    EXPECT_EQ(parser.knownRules[1].name, "b");
    EXPECT_EQ(parser.knownRules[1].id, 2);
    EXPECT_EQ(parser.ruleDefines[0].elements, (std::vector<Element>{ { 4, 2 } }));
    EXPECT_EQ(parser.ruleDefines[1].name, "b");
    EXPECT_EQ(parser.importRules[0].id, 3);
    EXPECT_EQ(parser.nextRuleId, 4);
}

TEST_F(CompilerTest, ARefusedKeywordLineStillRegistersItsRuleName)
{
    EXPECT_TRUE(parser.Compile("<a> imported x;\n<b> exported;\n<c>=x;\n<d> = y;\n", false));
    EXPECT_EQ(boxes.size(), 3u);
    ASSERT_EQ(parser.knownRules.size(), 4u);
    EXPECT_EQ(parser.knownRules[2].name, "c");
    EXPECT_EQ(parser.knownRules[3].id, 4);
    EXPECT_TRUE(parser.importRules.empty());
    EXPECT_TRUE(parser.exportRules.empty());
}

TEST_F(CompilerTest, ABodyErrorStopsTheCompilationSilently)
{
    EXPECT_FALSE(parser.Compile("<a> = x;\n<b> = ( ;\n<c> = y;\n", false));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{ "expecting expression (word, rule, etc.)" });
    EXPECT_TRUE(logLines.empty());
    EXPECT_TRUE(parser.packed.empty());
    EXPECT_EQ(FindName(parser.knownRules, "c"), 0);
}

TEST_F(CompilerTest, ALongOffendingLineIsShortenedButTheButtonsStayExplained)
{
    const std::string line = "<a> = " + std::string(400, 'w');
    EXPECT_TRUE(parser.Compile(line, false));
    ASSERT_EQ(boxes.size(), 1u);
    const std::string& text = boxes[0].text;
    EXPECT_LE(text.size(), 255u);
    const std::string tail = std::string("...") + kSyntaxTail;
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    const std::string shown = text.substr(0, text.size() - tail.size());
    EXPECT_EQ(shown, (std::string(k1) + line).substr(0, shown.size()));
    EXPECT_GT(shown.size(), std::string(k1).size() + 10);
}
