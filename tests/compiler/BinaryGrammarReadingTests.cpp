// Reading the block structure: every field of a known grammar, and each structural
// refusal with its exact sentence and what was read before it.
#include "BinaryGrammarReader.h"
#include "GrammarBlocks.h"

#include <gtest/gtest.h>

using namespace grammartest;

namespace {

bool Read(const Bytes& b, BinaryGrammar& g, std::string& error)
{
    return ReadBinaryGrammar(b.data(), b.size(), g, error);
}

std::string ReadError(const Bytes& b)
{
    BinaryGrammar g;
    std::string error;
    EXPECT_FALSE(Read(b, g, error));
    return error;
}

// "<builtin1> exported = Show Quillmoor;" as the compiler packs it, written out by hand.
const Bytes ShowQuillmoor = {
    0, 0, 0, 0, 0, 0, 0, 0,
    4, 0, 0, 0, 20, 0, 0, 0,
    20, 0, 0, 0, 1, 0, 0, 0, 'b', 'u', 'i', 'l', 't', 'i', 'n', '1', 0, 0, 0, 0,
    2, 0, 0, 0, 36, 0, 0, 0,
    16, 0, 0, 0, 1, 0, 0, 0, 'S', 'h', 'o', 'w', 0, 0, 0, 0,
    20, 0, 0, 0, 2, 0, 0, 0, 'Q', 'u', 'i', 'l', 'l', 'm', 'o', 'o', 'r', 0, 0, 0,
    3, 0, 0, 0, 40, 0, 0, 0,
    40, 0, 0, 0, 1, 0, 0, 0,
    1, 0, 0, 0, 1, 0, 0, 0,
    3, 0, 0, 0, 1, 0, 0, 0,
    3, 0, 0, 0, 2, 0, 0, 0,
    2, 0, 0, 0, 1, 0, 0, 0,
};

} // namespace

TEST(BinaryGrammarReading, reads_every_table_of_the_built_in_command)
{
    ASSERT_EQ(ShowQuillmoor.size(), 128u);
    BinaryGrammar g;
    std::string error;
    ASSERT_TRUE(Read(ShowQuillmoor, g, error)) << error;
    EXPECT_EQ(error, "");
    ASSERT_EQ(g.chunks.size(), 3u);
    EXPECT_EQ(g.chunks[0].id, 4u);
    EXPECT_EQ(g.chunks[0].offset, 8u);
    EXPECT_EQ(g.chunks[0].size, 20u);
    EXPECT_EQ(g.chunks[1].id, 2u);
    EXPECT_EQ(g.chunks[1].offset, 36u);
    EXPECT_EQ(g.chunks[2].id, 3u);
    EXPECT_EQ(g.chunks[2].offset, 80u);
    EXPECT_EQ(g.chunks[2].size, 40u);
    ASSERT_EQ(g.exportedRules.size(), 1u);
    EXPECT_EQ(g.exportedRules[0].id, 1u);
    EXPECT_EQ(g.exportedRules[0].name, "builtin1");
    ASSERT_EQ(g.words.size(), 2u);
    EXPECT_EQ(g.words[0].name, "Show");
    EXPECT_EQ(g.words[1].id, 2u);
    EXPECT_EQ(g.words[1].name, "Quillmoor");
    ASSERT_EQ(g.rules.size(), 1u);
    ASSERT_EQ(g.rules[0].elements.size(), 4u);
    EXPECT_EQ(g.rules[0].elements[0].type, 1);
    EXPECT_EQ(g.rules[0].elements[2].type, 3);
    EXPECT_EQ(g.rules[0].elements[2].value, 2u);
    EXPECT_EQ(g.rules[0].elements[3].type, 2);
    EXPECT_TRUE(g.importedRules.empty());
    EXPECT_TRUE(g.lists.empty());
}

TEST(BinaryGrammarReading, keeps_probability_and_reads_chunks_in_any_order)
{
    Bytes rule = RuleEntry({7, {W(1)}});
    rule[10] = 0x34; // probability of the first element
    rule[11] = 0x12;
    Bytes b = Concat({Header(), Chunk(3, rule), NameChunk(2, {{1, "go"}}), NameChunk(6, {{3, "Colours"}})});
    BinaryGrammar g;
    std::string error;
    ASSERT_TRUE(Read(b, g, error)) << error;
    ASSERT_EQ(g.rules.size(), 1u);
    EXPECT_EQ(g.rules[0].id, 7u);
    EXPECT_EQ(g.rules[0].elements[0].probability, 0x1234);
    ASSERT_EQ(g.lists.size(), 1u);
    EXPECT_EQ(g.lists[0].id, 3u);
    EXPECT_EQ(g.lists[0].name, "Colours");
}

TEST(BinaryGrammarReading, a_header_alone_is_an_empty_grammar)
{
    BinaryGrammar g;
    std::string error;
    EXPECT_TRUE(Read(Header(), g, error));
    EXPECT_TRUE(g.chunks.empty());
}

TEST(BinaryGrammarReading, refuses_broken_headers)
{
    EXPECT_EQ(ReadError(Bytes{0, 0, 0}), "header at byte 0: 8 bytes needed, 3 present");
    EXPECT_EQ(ReadError(Header(1)), "header at byte 0: grammar type 1 is not 0 (context-free grammar)");
    EXPECT_EQ(ReadError(Header(0, 1)), "header at byte 4: flags 0x1 are not supported (only 0, single-byte names)");
    BinaryGrammar g;
    std::string error;
    EXPECT_FALSE(ReadBinaryGrammar(nullptr, 8, g, error));
    EXPECT_EQ(error, "grammar data at byte 0: the data pointer is null");
}

TEST(BinaryGrammarReading, refuses_broken_chunk_frames)
{
    EXPECT_EQ(ReadError(Concat({Header(), Bytes{2, 0, 0, 0}})), "chunk header at byte 8: 8 bytes needed, 4 left");
    EXPECT_EQ(ReadError(Concat({Header(), Chunk(1, {})})), "chunk at byte 8: chunk ID 1 is not known (2 to 6 expected)");
    EXPECT_EQ(ReadError(Concat({Header(), Chunk(7, {})})), "chunk at byte 8: chunk ID 7 is not known (2 to 6 expected)");
    EXPECT_EQ(ReadError(Concat({Header(), NameChunk(2, {{1, "a"}}), NameChunk(2, {{2, "b"}})})),
              "chunk at byte 28: chunk ID 2 (words) appears a second time");
    Bytes tooLong = Concat({Header(), NameChunk(2, {{1, "a"}})});
    tooLong[12] = 13; // chunk size 13 with 12 bytes present
    EXPECT_EQ(ReadError(tooLong), "chunk 2 at byte 8: size 13 runs past the end of the data (12 bytes left)");
    Bytes huge = Concat({Header(), NameChunk(2, {{1, "a"}})});
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF; // size near 4 GiB must not wrap
    EXPECT_EQ(ReadError(huge), "chunk 2 at byte 8: size 4294967295 runs past the end of the data (12 bytes left)");
}

TEST(BinaryGrammarReading, refuses_broken_entries)
{
    // entry size fields patched inside an otherwise sound chunk of 12 bytes at byte 16
    auto withEntrySize = [](uint32_t size) {
        Bytes b = Concat({Header(), NameChunk(2, {{1, "abc"}, {2, "d"}})});
        b[16] = static_cast<unsigned char>(size);
        return b;
    };
    EXPECT_EQ(ReadError(withEntrySize(10)), "chunk 2, entry at byte 16: entry size 10 is not a multiple of 4");
    EXPECT_EQ(ReadError(withEntrySize(4)), "chunk 2, entry at byte 16: entry size 4 is less than 8");
    EXPECT_EQ(ReadError(withEntrySize(40)),
              "chunk 2, entry at byte 16: entry size 40 runs past the end of the chunk (24 bytes left)");
    // 8 + 4 bytes chunk holding one entry header and a 4-byte tail that is no entry
    Bytes shortTail = Concat({Header(), Chunk(4, Concat({NameEntry(1, "x"), Bytes{1, 2, 3, 4}}))});
    EXPECT_EQ(ReadError(shortTail),
              "chunk 4, entry at byte 28: 8 bytes needed for the entry header, 4 left in the chunk");
    Bytes noNul = Concat({Header(), Chunk(5, Concat({Bytes{12, 0, 0, 0, 9, 0, 0, 0}, Bytes{'a', 'b', 'c', 'd'}}))});
    EXPECT_EQ(ReadError(noNul), "chunk 5, entry at byte 16: the name of ID 9 is not NUL-terminated within its entry");
    Bytes emptyEntry = Concat({Header(), Chunk(6, Bytes{8, 0, 0, 0, 3, 0, 0, 0})});
    EXPECT_EQ(ReadError(emptyEntry), "chunk 6, entry at byte 16: the name of ID 3 is not NUL-terminated within its entry");
    Bytes halfElement = Concat({Header(), Chunk(3, Bytes{12, 0, 0, 0, 5, 0, 0, 0, 3, 0, 0, 0})});
    EXPECT_EQ(ReadError(halfElement),
              "chunk 3, entry at byte 16: entry size 12 of rule 5 does not hold whole 8-byte elements");
}

TEST(BinaryGrammarReading, a_refusal_keeps_what_was_read_before_it)
{
    Bytes b = Concat({Header(), NameChunk(4, {{1, "go"}}), NameChunk(2, {{1, "one"}, {2, "two"}}), Chunk(9, {})});
    BinaryGrammar g;
    std::string error;
    EXPECT_FALSE(Read(b, g, error));
    EXPECT_EQ(error, "chunk at byte 60: chunk ID 9 is not known (2 to 6 expected)");
    ASSERT_EQ(g.chunks.size(), 2u);
    ASSERT_EQ(g.exportedRules.size(), 1u);
    EXPECT_EQ(g.exportedRules[0].name, "go");
    ASSERT_EQ(g.words.size(), 2u);
    EXPECT_EQ(g.words[1].name, "two");

    Bytes c = Concat({Header(), NameChunk(2, {{1, "one"}, {2, "two"}})});
    c[28] = 13; // second entry's size
    EXPECT_FALSE(Read(c, g, error));
    ASSERT_EQ(g.words.size(), 1u);
    EXPECT_EQ(g.words[0].name, "one");
}
