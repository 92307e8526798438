// Rule bodies: element lists, symbol tables, the tail rule and every body error.
#include "CompilerTestSupport.h"

using Elements = std::vector<Element>;

TEST_F(CompilerTest, BodiesGiveTheirElementLists)
{
    struct { const char* body; Elements elements; } cases[] = {
        { "Show Quillmoor;", { { 1, 1 }, { 3, 1 }, { 3, 2 }, { 2, 1 } } },
        { "[ please ] ( open | close ) {OnOff} +;",
          { { 1, 1 }, { 1, 4 }, { 3, 1 }, { 2, 4 }, { 1, 2 }, { 3, 2 }, { 3, 3 }, { 2, 2 },
            { 1, 3 }, { 6, 1 }, { 2, 3 }, { 2, 1 } } },
        { "a | b c;", { { 1, 2 }, { 3, 1 }, { 1, 1 }, { 3, 2 }, { 3, 3 }, { 2, 1 }, { 2, 2 } } },
        { "( a );", { { 3, 1 } } },
        { "[ a ];", { { 1, 4 }, { 3, 1 }, { 2, 4 } } },
        { "a +;", { { 1, 3 }, { 3, 1 }, { 2, 3 } } },
        { "a+;", { { 3, 1 } } },
        { "x x X;", { { 1, 1 }, { 3, 1 }, { 3, 1 }, { 3, 2 }, { 2, 1 } } },
        { "'it''s';", { { 1, 1 }, { 3, 1 }, { 3, 2 }, { 2, 1 } } },
        { "<x> {L} <x> [{L}]+;", { { 1, 1 }, { 4, 2 }, { 6, 1 }, { 4, 2 }, { 1, 3 }, { 1, 4 }, { 6, 1 }, { 2, 4 }, { 2, 3 }, { 2, 1 } } },
        // Tail rule: a token that no level can use ends the body silently.
        { "a = b;", { { 3, 1 } } },
        { "a + + b;", { { 1, 3 }, { 3, 1 }, { 2, 3 } } },
        { "a ) b;", { { 3, 1 } } },
        { "a + -b;", { { 1, 3 }, { 3, 1 }, { 2, 3 } } },
    };
    for (const auto& c : cases) {
        boxes.clear();
        EXPECT_EQ(BodyElements(c.body), c.elements) << c.body;
    }
}

TEST_F(CompilerTest, WordsListsAndRulesAreNamedExactly)
{
    BodyElements("\"New York\" a+ caf\xE9 x|y 'x' < x > < > {\tOnOff } X;");
    std::vector<std::string> words;
    for (const NameEntry& w : parser.knownWords)
        words.push_back(w.name);
    EXPECT_EQ(words, (std::vector<std::string>{ "New York", "a+", "caf\xE9", "x|y", "x", "X" }));
    ASSERT_EQ(parser.knownRules.size(), 3u);
    EXPECT_EQ(parser.knownRules[1].name, "x");
    EXPECT_EQ(parser.knownRules[2].name, " ");
    ASSERT_EQ(parser.knownLists.size(), 1u);
    EXPECT_EQ(parser.knownLists[0].name, "OnOff");
    for (std::size_t i = 0; i < parser.knownWords.size(); ++i)
        EXPECT_EQ(parser.knownWords[i].id, static_cast<int32_t>(i + 1));
}

TEST_F(CompilerTest, WordIdsAreSharedAcrossRulesAndRestartEachCompilation)
{
    EXPECT_TRUE(parser.Compile("<a> = x y;\n<b> = y z;\n", false));
    EXPECT_EQ(parser.ruleDefines[1].elements, (Elements{ { 1, 1 }, { 3, 2 }, { 3, 3 }, { 2, 1 } }));
    EXPECT_TRUE(parser.Compile("<b> = z;\n", false));
    ASSERT_EQ(parser.knownWords.size(), 1u);
    EXPECT_EQ(parser.knownWords[0].id, 1);
    EXPECT_EQ(parser.knownRules[0].id, 1);
}

TEST_F(CompilerTest, EachBodyErrorShowsItsBoxesAndFails)
{
    struct { const char* body; std::vector<std::string> texts; } cases[] = {
        { "\"abc;", { "Missing closing double quote!", "empty word name" } },
        { "'abc;", { "Missing closing single quote!", "empty word name" } },
        { "a \"b\" -c;", { "Missing closing double quote!", "empty word name" } },
        { "\"\";", { "empty word name" } },
        { "{};", { "empty list name" } },
        { "<>;", { "empty rule name" } },
        { "<x;", { "empty rule name" } },
        { ";", { "expecting expression (word, rule, etc.)" } },
        { "a | ;", { "expecting expression (word, rule, etc.)" } },
        { "+ a;", { "expecting expression (word, rule, etc.)" } },
        { "( a | ) ;", { "expecting expression (word, rule, etc.)" } },
        // A character that begins no token leaves the previous kind current.
        { "a -b;", { "empty word name" } },
        { "<x> -b;", { "empty rule name" } },
        { "{x} -b;", { "empty list name" } },
        { "a | -b;", { "expecting expression (word, rule, etc.)" } },
        { "( -b );", { "expecting expression (word, rule, etc.)" } },
        { "[ \xE9 ];", { "expecting expression (word, rule, etc.)" } },
        { "[ ( \x01 ) ];", { "expecting expression (word, rule, etc.)" } },
    };
    for (const auto& c : cases) {
        boxes.clear();
        EXPECT_FALSE(parser.Compile(std::string("<r> = ") + c.body + "\n", false)) << c.body;
        EXPECT_EQ(BoxTexts(), c.texts) << c.body;
        for (const RecordedBox& box : boxes) {
            EXPECT_EQ(box.caption, "Error");
            EXPECT_EQ(box.type, kBoxOk);
        }
        EXPECT_TRUE(parser.packed.empty()) << c.body;
    }
}

TEST_F(CompilerTest, AMissingCloserCostsOneBoxAndTheGroupEndsThere)
{
    EXPECT_EQ(BodyElements("x;"), (Elements{ { 3, 1 } })); // leaves no boxes behind
    EXPECT_TRUE(parser.Compile("<r> = (a);\n", false));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{ "expecting ')', but got '; : ' instead" });
    EXPECT_EQ(parser.ruleDefines[0].elements, (Elements{ { 3, 1 } }));
    EXPECT_EQ(parser.knownWords[0].name, "a)");

    boxes.clear();
    EXPECT_TRUE(parser.Compile("<r> = [ a b = c;\n", false));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{ "expecting ']', but got '= : ' instead" });
    EXPECT_EQ(parser.ruleDefines[0].elements, (Elements{ { 1, 4 }, { 1, 1 }, { 3, 1 }, { 3, 2 }, { 2, 1 }, { 2, 4 } }));
}

TEST_F(CompilerTest, AStrayFirstCharacterDoesNotDependOnEarlierCompilations)
{
    // Within one text the body after a stray character goes on with the kind of the
    // previous body's last token (";"); an earlier compilation leaves nothing behind.
    EXPECT_FALSE(parser.Compile("<a> = x;\n<b> = -x;\n", false));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{ "expecting expression (word, rule, etc.)" });

    boxes.clear();
    EXPECT_FALSE(parser.Compile("<a> = \"b\" -c;\n", false)); // ends on a double-quoted word
    EXPECT_FALSE(parser.Compile("<b> = -x\" y;\n", false));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{ "Missing closing double quote!", "empty word name",
                                                     "expecting expression (word, rule, etc.)" }));
    EXPECT_TRUE(parser.knownWords.empty());
}

TEST_F(CompilerTest, NestingIsBoundedInsteadOfExhaustingTheStack)
{
    auto nested = [](int depth, const char* open, const char* close) {
        std::string body;
        for (int i = 0; i < depth; ++i)
            body += open;
        body += "a";
        for (int i = 0; i < depth; ++i)
            body += close;
        return body + ";";
    };
    const int limit = GramParser::kMaxGroupDepth;
    EXPECT_EQ(BodyElements(nested(limit, "( ", " )")), (Elements{ { 3, 1 } }));
    Elements optional = BodyElements(nested(limit, "[", " ]"));
    EXPECT_EQ(optional.size(), 2u * limit + 1);

    const std::string tooDeep = "groups nested too deeply (more than " + std::to_string(limit) + " levels of '(' and '[')";
    for (int depth : { limit + 1, 200000 }) {
        boxes.clear();
        EXPECT_FALSE(parser.Compile("<r> = " + nested(depth, "(", " )"), false));
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{ tooDeep });
    }
}

TEST_F(CompilerTest, ExpectShortensALongTokenText)
{
    parser.tokenKind = TokenKind::Word;
    parser.tokenText = std::string(300, 'q');
    EXPECT_FALSE(parser.Expect(TokenKind::CloseGroup));
    ASSERT_EQ(boxes.size(), 1u);
    const std::string& text = boxes[0].text;
    EXPECT_LE(text.size(), 255u);
    EXPECT_EQ(text.substr(0, 31), "expecting ')', but got 'word : ");
    EXPECT_EQ(text.substr(text.size() - 15), "qqq...' instead");
}
