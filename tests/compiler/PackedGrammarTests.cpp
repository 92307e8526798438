// The binary grammar: header, chunk order, name padding, rule entries, determinism, and
// that the reader gives back what the packer wrote.
#include "BinaryGrammarReader.h"
#include "CompilerTestSupport.h"

#include <cstdint>

namespace {
using Bytes = std::vector<unsigned char>;

void PutU32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

uint32_t U32At(const Bytes& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// The IDs of the chunks, walking the sizes from the header to the end.
std::vector<uint32_t> ChunkIds(const Bytes& b)
{
    std::vector<uint32_t> ids;
    std::size_t at = 8;
    while (at + 8 <= b.size()) {
        ids.push_back(U32At(b, at));
        at += 8 + U32At(b, at + 4);
    }
    EXPECT_EQ(at, b.size()) << "chunk sizes do not add up to the block";
    return ids;
}

void ExpectSameNames(const std::vector<GrammarNameEntry>& read, const std::vector<NameEntry>& table)
{
    ASSERT_EQ(read.size(), table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(read[i].id, static_cast<uint32_t>(table[i].id));
        EXPECT_EQ(read[i].name, table[i].name);
    }
}
} // namespace

TEST_F(CompilerTest, TheBuiltinCommandPacksToTheKnown128Bytes)
{
    const Bytes expected = {
        0, 0, 0, 0, 0, 0, 0, 0,
        4, 0, 0, 0, 20, 0, 0, 0, 20, 0, 0, 0, 1, 0, 0, 0, 'b', 'u', 'i', 'l', 't', 'i', 'n', '1', 0, 0, 0, 0,
        2, 0, 0, 0, 36, 0, 0, 0, 16, 0, 0, 0, 1, 0, 0, 0, 'S', 'h', 'o', 'w', 0, 0, 0, 0,
        20, 0, 0, 0, 2, 0, 0, 0, 'Q', 'u', 'i', 'l', 'l', 'm', 'o', 'o', 'r', 0, 0, 0,
        3, 0, 0, 0, 40, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0,
        1, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,
    };
    ASSERT_EQ(expected.size(), 128u);
    EXPECT_TRUE(parser.Compile("<builtin1> exported = Show Quillmoor;\n", false));
    EXPECT_EQ(parser.packed, expected);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(logLines.empty());
}

TEST_F(CompilerTest, AGrammarWithoutRulesIsTheHeaderAlone)
{
    for (const char* text : { "", "\n", "# nothing here\n\n" }) {
        EXPECT_TRUE(parser.Compile(text, false));
        EXPECT_EQ(parser.packed, Bytes(8, 0));
    }
    EXPECT_TRUE(parser.Compile("<d> imported;", false));
    Bytes expected(8, 0);
    PutU32(expected, 5); PutU32(expected, 12);
    PutU32(expected, 12); PutU32(expected, 1);
    expected.push_back('d'); expected.insert(expected.end(), 3, 0);
    EXPECT_EQ(parser.packed, expected);
}

TEST_F(CompilerTest, ChunksFollowInTheirFixedOrderEachOnlyWhenUsed)
{
    EXPECT_TRUE(parser.Compile("<a> exported = w {L} <d>;\n<d> imported;\n", false));
    EXPECT_EQ(ChunkIds(parser.packed), (std::vector<uint32_t>{ 4, 5, 6, 2, 3 }));
    EXPECT_TRUE(parser.Compile("<a> = w;\n", false));
    EXPECT_EQ(ChunkIds(parser.packed), (std::vector<uint32_t>{ 2, 3 }));
}

TEST_F(CompilerTest, NamesArePaddedWithOneToFourNuls)
{
    EXPECT_TRUE(parser.Compile("<r> = abc abcd abcde abcdefgh abcdefghi;\n", false));
    const Bytes& b = parser.packed;
    ASSERT_EQ(ChunkIds(b).front(), 2u);
    const uint32_t sizes[] = { 12, 16, 16, 20, 20 };
    std::size_t at = 16;
    for (uint32_t i = 0; i < 5; ++i) {
        ASSERT_LE(at + sizes[i], b.size());
        EXPECT_EQ(U32At(b, at), sizes[i]);
        EXPECT_EQ(U32At(b, at + 4), i + 1);
        const std::string& name = parser.knownWords[i].name;
        EXPECT_EQ(std::string(b.begin() + at + 8, b.begin() + at + 8 + name.size()), name);
        for (std::size_t z = 8 + name.size(); z < sizes[i]; ++z)
            EXPECT_EQ(b[at + z], 0) << name;
        at += sizes[i];
    }
    EXPECT_EQ(U32At(b, 12), at - 16); // chunk size
}

TEST_F(CompilerTest, RuleEntriesCarryTheirIdAndEightBytesPerElement)
{
    EXPECT_TRUE(parser.Compile("<a> = <b> x;\n<b> exported = [ y ];\n", false));
    const Bytes& b = parser.packed;
    std::size_t at = 8;
    while (U32At(b, at) != 3)
        at += 8 + U32At(b, at + 4);
    EXPECT_EQ(U32At(b, at + 4), (8 + 4 * 8) + (8 + 3 * 8));
    EXPECT_EQ(U32At(b, at + 8), 8u + 4 * 8);
    EXPECT_EQ(U32At(b, at + 12), 1u);
    EXPECT_EQ(U32At(b, at + 16 + 8 + 4), 2u); // second element: rule b
    EXPECT_EQ(U32At(b, at + 16 + 8), 4u);     // type 4, probability 0
    std::size_t second = at + 8 + 8 + 4 * 8;
    EXPECT_EQ(U32At(b, second), 8u + 3 * 8);
    EXPECT_EQ(U32At(b, second + 4), 2u);
    EXPECT_EQ(second + 8 + 3 * 8, b.size());
}

TEST_F(CompilerTest, TheSameTextAlwaysGivesTheSameBytes)
{
    const std::string text = "<a> exported = x [ y | <b> ] {L} +;\n<b> = z;\n<c> imported;\n";
    EXPECT_TRUE(parser.Compile(text, false));
    const Bytes first = parser.packed;
    EXPECT_TRUE(parser.Compile("<q> = other words here;\n", false));
    EXPECT_TRUE(parser.Compile(text, false));
    EXPECT_EQ(parser.packed, first);
    GramParser fresh;
    EXPECT_TRUE(fresh.Compile(text, false));
    EXPECT_EQ(fresh.packed, first);
}

TEST_F(CompilerTest, TheReaderGivesBackEveryTableThePackerWrote)
{
    EXPECT_TRUE(parser.Compile("<a> exported = x [ y | <b> ] {L} + <d>;\n<b> exported = z ( x | y );\n"
                               "<d> imported;\n",
                               false));
    BinaryGrammar g;
    std::string error;
    ASSERT_TRUE(ReadBinaryGrammar(parser.packed.data(), parser.packed.size(), g, error)) << error;
    EXPECT_EQ(g.chunks.size(), 5u);
    ExpectSameNames(g.exportedRules, parser.exportRules);
    ExpectSameNames(g.importedRules, parser.importRules);
    ExpectSameNames(g.lists, parser.knownLists);
    ExpectSameNames(g.words, parser.knownWords);
    ASSERT_EQ(g.rules.size(), parser.ruleDefines.size());
    for (std::size_t r = 0; r < g.rules.size(); ++r) {
        const RuleDefine& define = parser.ruleDefines[r];
        EXPECT_EQ(g.rules[r].id, static_cast<uint32_t>(FindName(parser.knownRules, define.name)));
        ASSERT_EQ(g.rules[r].elements.size(), define.elements.size()) << define.name;
        for (std::size_t e = 0; e < define.elements.size(); ++e) {
            const GrammarElement& read = g.rules[r].elements[e];
            EXPECT_EQ(read.type, define.elements[e].type);
            EXPECT_EQ(read.probability, 0);
            EXPECT_EQ(read.value, static_cast<uint32_t>(define.elements[e].value));
        }
    }
}
