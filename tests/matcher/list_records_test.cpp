// ListSet and ListAppend: the wide word records parsed strictly, refusals leaving the
// list as it was, and the UTF-16 texts arriving as UTF-8.
#include "MatcherTestSupport.h"
#include "TextConversion.h"
#include "WordRecords.h"

using namespace simtest;
using qmsim::EngineStatus;

namespace {

Grammar ListGrammar()
{
    Grammar g;
    g.exports = {{1, "pick"}};
    g.lists = {{1, "Colours"}, {2, "Other"}};
    g.words = {{1, "pick"}};
    g.rules = {{1, {S(Seq), W(1), L(1), E(Seq)}}};
    return g;
}

std::string Values(const qmsim::Recogniser& engine, uint32_t h, const std::string& list)
{
    for (const qmsim::ListStatus& l : engine.Lists(h))
        if (l.name == list) {
            std::string text;
            for (const std::string& v : l.values)
                text += "[" + v + "]";
            return text;
        }
    return "no list";
}

std::string ParseError(const Bytes& block)
{
    std::vector<qmsim::WordRecord> records;
    std::string error;
    EXPECT_FALSE(qmsim::ParseWordRecords(block.data(), block.size(), records, error));
    EXPECT_TRUE(records.empty());
    return error;
}

} // namespace

TEST(ListRecords, the_record_for_On_is_16_bytes_and_parses_back)
{
    Bytes on = WordRecord(u"On", 7);
    const Bytes expected = {16, 0, 0, 0, 7, 0, 0, 0, 'O', 0, 'n', 0, 0, 0, 0, 0};
    EXPECT_EQ(on, expected);
    std::vector<qmsim::WordRecord> records;
    std::string error;
    ASSERT_TRUE(qmsim::ParseWordRecords(on.data(), on.size(), records, error)) << error;
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, "On");
    EXPECT_EQ(records[0].wordNumber, 7u);
}

TEST(ListRecords, set_replaces_append_adds_and_an_empty_set_empties)
{
    qmsim::Recogniser engine;
    uint32_t h = LoadOrFail(engine, ListGrammar());
    ActivateAll(engine, h);
    std::string error;
    Bytes two = Records({u"red", u"dark blue"});
    ASSERT_EQ(engine.ListSet(h, "Colours", two.data(), two.size(), error), EngineStatus::Ok) << error;
    EXPECT_EQ(Values(engine, h, "Colours"), "[red][dark blue]");
    Bytes one = Records({u"green"});
    ASSERT_EQ(engine.ListAppend(h, "Colours", one.data(), one.size(), error), EngineStatus::Ok) << error;
    EXPECT_EQ(Values(engine, h, "Colours"), "[red][dark blue][green]");
    EXPECT_EQ(Say(engine, "pick dark blue"), "pick/1/1 dark blue/0/1");
    EXPECT_EQ(Say(engine, "pick green"), "pick/1/1 green/0/1");
    ASSERT_EQ(engine.ListSet(h, "Colours", one.data(), one.size(), error), EngineStatus::Ok);
    EXPECT_EQ(Values(engine, h, "Colours"), "[green]");
    EXPECT_EQ(Values(engine, h, "Other"), "");
    // the module empties a list with a 0-byte block and a non-null pointer
    ASSERT_EQ(engine.ListSet(h, "Colours", one.data(), 0, error), EngineStatus::Ok);
    EXPECT_EQ(Values(engine, h, "Colours"), "");
    EXPECT_EQ(Say(engine, "pick green"), "failed: no parse: \"pick green\"");
}

TEST(ListRecords, unknown_list_names_are_refused)
{
    qmsim::Recogniser engine;
    uint32_t h = LoadOrFail(engine, ListGrammar());
    Bytes one = Records({u"x"});
    std::string error;
    EXPECT_EQ(engine.ListAppend(h, "colours", one.data(), one.size(), error), EngineStatus::NoSuchList);
    EXPECT_EQ(error, "the grammar has no list named \"colours\"");
    EXPECT_EQ(engine.ListSet(h + 1, "Colours", one.data(), one.size(), error), EngineStatus::NoSuchGrammar);
}

TEST(ListRecords, malformed_blocks_are_refused_with_the_record_offset)
{
    Bytes good = WordRecord(u"On");
    EXPECT_EQ(ParseError(Concat({good, Bytes{20, 0, 0}})), "word record at byte 16: 8 bytes needed for the record header, 3 left");
    Bytes odd = Concat({good, WordRecord(u"Off")});
    odd[16] = 18;
    EXPECT_EQ(ParseError(odd), "word record at byte 16: record size 18 is not a multiple of 4");
    odd[16] = 8;
    EXPECT_EQ(ParseError(odd), "word record at byte 16: record size 8 is too small for a word (12 at least)");
    odd[16] = 0;
    EXPECT_EQ(ParseError(odd), "word record at byte 16: record size 0 is too small for a word (12 at least)");
    odd[16] = 20;
    EXPECT_EQ(ParseError(odd), "word record at byte 16: record size 20 runs past the end of the block (16 bytes left)");
    Bytes unterminated = {12, 0, 0, 0, 0, 0, 0, 0, 'a', 0, 'b', 0};
    EXPECT_EQ(ParseError(unterminated), "word record at byte 0: the word is not zero-terminated within its record");
    EXPECT_EQ(ParseError(WordRecord(u"")), "word record at byte 0: the word is empty");
    EXPECT_EQ(ParseError(WordRecord(u"  ")), "word record at byte 0: the word is empty");

    std::vector<qmsim::WordRecord> records;
    std::string error;
    EXPECT_FALSE(qmsim::ParseWordRecords(nullptr, 16, records, error));
    EXPECT_EQ(error, "word records at byte 0: the data pointer is null");
    EXPECT_TRUE(qmsim::ParseWordRecords(nullptr, 0, records, error));
}

TEST(ListRecords, a_refused_block_leaves_the_list_unchanged)
{
    qmsim::Recogniser engine;
    uint32_t h = LoadOrFail(engine, ListGrammar());
    SetList(engine, h, "Colours", {u"red"});
    Bytes broken = Concat({WordRecord(u"blue"), Bytes{12, 0, 0, 0, 0, 0, 0, 0, 'x', 0, 'y', 0}});
    std::string error;
    EXPECT_EQ(engine.ListSet(h, "Colours", broken.data(), broken.size(), error), EngineStatus::BadWordRecords);
    EXPECT_EQ(error, "word record at byte 20: the word is not zero-terminated within its record");
    EXPECT_EQ(engine.ListAppend(h, "Colours", broken.data(), broken.size(), error), EngineStatus::BadWordRecords);
    EXPECT_EQ(Values(engine, h, "Colours"), "[red]");
}

TEST(ListRecords, texts_convert_from_utf16_and_unaligned_blocks_read)
{
    Bytes block = Concat({WordRecord(u"Gr\u00F6\u00DFe"), WordRecord(u"\U0001F600"), WordRecord(std::u16string(1, char16_t(0xD800)))});
    Bytes shifted(1, 0xEE);
    shifted.insert(shifted.end(), block.begin(), block.end());
    std::vector<qmsim::WordRecord> records;
    std::string error;
    ASSERT_TRUE(qmsim::ParseWordRecords(shifted.data() + 1, block.size(), records, error)) << error;
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].text, "Gr\xC3\xB6\xC3\x9F" "e");
    EXPECT_EQ(records[1].text, "\xF0\x9F\x98\x80");
    EXPECT_EQ(records[2].text, "\xEF\xBF\xBD"); // an unpaired surrogate becomes U+FFFD

    EXPECT_EQ(qmsim::Utf8ToUtf16("Gr\xC3\xB6\xC3\x9F" "e \xF0\x9F\x98\x80"), u"Gr\u00F6\u00DFe \U0001F600");
    EXPECT_EQ(qmsim::Utf8ToUtf16("a\xC3"), u"a\uFFFD");       // cut sequence
    EXPECT_EQ(qmsim::Utf8ToUtf16("\xC0\xAF" "b"), u"\uFFFD\uFFFD" "b"); // overlong form
    EXPECT_EQ(qmsim::Cp1252ToUtf8("\x80\x81\xE9"), "\xE2\x82\xAC\xEF\xBF\xBD\xC3\xA9");
}
